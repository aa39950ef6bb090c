// Runs a short Python program (the tests' independent oracle) and returns what it printed.
#pragma once
#include <string>

namespace testing_support {
std::string RunPython(const std::string& program, const std::string& input = "");
}
