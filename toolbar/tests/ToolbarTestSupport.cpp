#include "toolbar/tests/ToolbarTestSupport.h"

std::string SampleLibrary(const std::string& name) {
  std::string path = std::string(VANDREL_BINARY_DIR) + "/tests/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}
