# cmake -DIN=file -DOUT=header -DNAME=identifier -P EmbedText.cmake
# Writes a header holding the file's bytes as the std::string_view constant NAME.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR bytes "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${hex}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n#pragma once\n#include <string_view>\n"
  "inline constexpr char ${NAME}Bytes[] = {${body} 0};\n"
  "inline constexpr std::string_view ${NAME}{${NAME}Bytes, ${bytes}};\n")
