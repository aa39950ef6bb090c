// Runs a short Python program (the tests' independent oracle) and returns what it printed.
#pragma once
#include <string>
#include <vector>

namespace testing_support {
std::string RunPython(const std::string& program, const std::string& input = "");
// Opens each picture file in Pillow (its warnings made errors) and in ImageMagick's identify (its warnings
// regarded, so that they fail); a line a file: width, height, the compression Pillow read ("None" where the
// format has none) and the pixels as RGB hex, row by row from the top.
std::string PillowAndImageMagickRead(const std::vector<std::string>& paths);
// What Python's sqlite3 says of a database: its integrity check ("ok"), then the count a query gives,
// each on its own line.
std::string SqliteIntegrityAndCount(const std::string& database, const std::string& countQuery);
}  // namespace testing_support
