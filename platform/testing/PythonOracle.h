// Runs a short Python program (the tests' independent oracle) and returns what it printed.
#pragma once
#include <string>

namespace testing_support {
std::string RunPython(const std::string& program, const std::string& input = "");
// What Python's sqlite3 says of a database: its integrity check ("ok"), then the count a query gives,
// each on its own line.
std::string SqliteIntegrityAndCount(const std::string& database, const std::string& countQuery);
}  // namespace testing_support
