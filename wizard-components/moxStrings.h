// String helpers of the XML parser.
#pragma once
#include <cstdint>
#include <string_view>

// 1-based position of the first occurrence of `sub` in `s` that begins at or after the 1-based `start`
// (a start below 1 counts as 1); 0 when either is empty or nothing fits. Exact byte comparison.
int32_t FindFrom(std::string_view sub, std::string_view s, int32_t start);
