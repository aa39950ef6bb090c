#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "platform/testing/ChildProcess.h"
#include "platform/winapi/Cursors.h"
#include "platform/winapi/Resources.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

// The program carries the picture units' two cursors as resources, which its body registers at start-up
// (WKConst's test shows the registration through the same call).
TEST(PictureUnits, TheProgramCarriesTheHandAndDragCursors) {
  std::string section;
  DWORD error = 0;
  ASSERT_TRUE(vandrel::ReadModuleResource(SELVARING_PATH, vandrel::kResourceSection, section, error)) << error;
  std::map<std::string, std::string> cursors;
  for (size_t at = 0; at + 80 <= section.size(); at += 8) {
    if (section.compare(at, 8, vandrel::kResourceTag) != 0) continue;
    uint32_t size;
    std::memcpy(&size, section.data() + at + 72, 4);
    ASSERT_LE(size, section.size() - at - 80);
    if (std::string(section.data() + at + 8) == "#1") cursors[section.data() + at + 24] = section.substr(at + 80, size);
    at += (80 + size + 7) / 8 * 8 - 8;
  }
  ASSERT_EQ(cursors.size(), 2u);
  for (const char* name : {"WK_HANDCUR", "WK_DRAGCUR"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(cursors.count(name), 1u);
    HCURSOR cursor = CreateCursorFromFile(cursors[name].data(), DWORD(cursors[name].size()));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(cursor, &info));
    BITMAP bm{};
    GetObject(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
  }
}

// The program body registers the GIF format: the wizard run by the desktop host loads the sample pictures
// named by the sample configuration, the large one on the first page and the heading icon on the next.
TEST(PictureUnits, TheWizardShowsTheSampleGifPictures) {
  wizard_test::WizardMachine machine;
  std::filesystem::copy_file(SELVARING_PATH, machine.Folder() + "Selvaring");
  machine.WriteConfiguration(wizard_test::SampleConfiguration());
  for (const char* name : {"kep.gif", "ikon.gif", "nyilatkozat.txt"})
    std::filesystem::copy_file(std::string(WIZARD_SAMPLE_DIR) + "/" + name, machine.Folder() + name);
  wizard_test::WriteHostFile(machine.Folder() + "next.txt", "click bnKovetkezo\n");
  std::string output;
  EXPECT_EQ(testing_support::RunProgram(DESKTOP_PATH,
                                        {"--virtual-time", "--script", machine.Folder() + "next.txt",
                                         "C:\\Program Files\\Selvaring\\Selvaring.exe"},
                                        &output),
            0)
      << output;
  EXPECT_NE(output.find("TImage imgKep1 picture=164x318"), std::string::npos) << output;
  EXPECT_NE(output.find("TImage imgIkon01 picture=48x48"), std::string::npos) << output;
}

}  // namespace
