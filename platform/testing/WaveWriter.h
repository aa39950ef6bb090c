// Test support: small RIFF WAVE images to play.
#pragma once
#include <cstddef>
#include <string>

namespace testing_support {

// A mono 8-bit 8000 Hz RIFF WAVE image of `dataBytes` bytes of silence.
std::string SilentWave(size_t dataBytes);

}  // namespace testing_support
