// Icons, icon files and RIFF animated cursors built for the tests of the icon units.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/Icons.h"

namespace icon_test {

// A patterned icon: each pixel's colour is computed from x, y and `seed`; some pixels are transparent.
std::unique_ptr<TIcon> PatternIcon(int width, int height, int seed);
// The icon file of an icon; as a cursor file (type 2) with the hot spot in its directory entry.
std::string IconFile(const TIcon& icon);
std::string CursorFile(const TIcon& icon, int hotX, int hotY);
// The pixels as RGBA bytes in hexadecimal, transparent ones as zeros.
std::string Rgba(const TIcon& icon);
std::unique_ptr<TIcon> LoadedIcon(const std::string& file);

std::string Le32(uint32_t v);
// A RIFF chunk, padded to an even size.
std::string Chunk(const std::string& id, const std::string& data);
std::string Values(const std::vector<uint32_t>& values);
// The 36-byte "anih" chunk.
std::string AniHeader(uint32_t frames, uint32_t steps, uint32_t rate, uint32_t flags);
// "RIFF" "ACON" around the chunks.
std::string Riff(const std::string& chunks);
std::string FrameList(const std::vector<std::string>& iconFiles);

// The lines of a Python fixture script of this folder, split into their '|' fields.
std::vector<std::vector<std::string>> FixtureLines(const std::string& script);

}  // namespace icon_test
