// Helpers of the cipher tests: the Python reference of the line cipher, hex text, random bytes.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ck_test {

// Runs a Python program with the reference module imported as `ckref`; returns what it printed.
std::string RunReference(const std::string& program, const std::string& input = "");

std::string Hex(const std::string& bytes);
std::string Hex(const uint8_t* bytes, size_t size);
std::string FromHex(const std::string& hex);

// Random bytes, zero bytes and bytes above 127 included.
std::string RandomBytes(std::mt19937& rng, size_t size);

// The lines of a text, split at "\n".
std::vector<std::string> Lines(const std::string& text);

}  // namespace ck_test
