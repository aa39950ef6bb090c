#include "IconTestSupport.h"

#include "CkTestSupport.h"
#include "platform/testing/PythonOracle.h"

namespace icon_test {

std::unique_ptr<TIcon> PatternIcon(int width, int height, int seed) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  icon->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      icon->SetPixels(
          x, y,
          (x * 3 + y + seed) % 7 == 0 ? clNone : TColor(((x * 10 + seed * 40) & 255) | (y * 10) << 8 | 0x40 << 16));
  return icon;
}

std::string IconFile(const TIcon& icon) {
  TStringStream out("");
  const_cast<TIcon&>(icon).SaveToStream(&out);
  return out.DataString();
}

std::string CursorFile(const TIcon& icon, int hotX, int hotY) {
  std::string file = IconFile(icon);
  file[2] = 2;
  file[10] = char(hotX), file[11] = char(hotX >> 8);
  file[12] = char(hotY), file[13] = char(hotY >> 8);
  return file;
}

std::string Rgba(const TIcon& icon) {
  std::string out;
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x) {
      uint32_t p = icon.Pixel32(x, y);
      bool clear = icon.IsTransparent(x, y) || (icon.Blended() && (p >> 24) == 0);
      out += clear ? std::string(4, '\0')
                   : std::string{char(p >> 16), char(p >> 8), char(p), char(icon.Blended() ? p >> 24 : 0xFF)};
    }
  return ck_test::Hex(out);
}

std::unique_ptr<TIcon> LoadedIcon(const std::string& file) {
  std::unique_ptr<TIcon> icon(TIcon::Create());
  TStringStream stream(file);
  icon->LoadFromStream(&stream);
  return icon;
}

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string Chunk(const std::string& id, const std::string& data) {
  return id + Le32(uint32_t(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

std::string Values(const std::vector<uint32_t>& values) {
  std::string out;
  for (uint32_t v : values) out += Le32(v);
  return out;
}

std::string AniHeader(uint32_t frames, uint32_t steps, uint32_t rate, uint32_t flags) {
  return Chunk("anih", Values({36, frames, steps, 0, 0, 0, 0, rate, flags}));
}

std::string Riff(const std::string& chunks) { return Chunk("RIFF", "ACON" + chunks); }

std::string FrameList(const std::vector<std::string>& iconFiles) {
  std::string list = "fram";
  for (const std::string& file : iconFiles) list += Chunk("icon", file);
  return Chunk("LIST", list);
}

std::vector<std::vector<std::string>> FixtureLines(const std::string& script) {
  return testing_support::RunPythonFixture("wizard-components/tests/" + script);
}

}  // namespace icon_test
