// The shell's link object as the class table gives it: the texts it refuses, the file it remembers, and the
// file's layout where the readers' views need support (header size, flags, string order).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/com/Bstr.h"
#include "platform/com/ClassTable.h"
#include "platform/com/ShellLink.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/LinkReaders.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

std::string HostPath(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }

std::string ReadBytes(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

class ShellLink : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IidOf<IShellLinkA>(), link.PutVoid()),
              S_OK);
    ASSERT_EQ(link->QueryInterface(IidOf<IPersistFile>(), file.PutVoid()), S_OK);
  }
  void TearDown() override {
    vandrel::shell_link_testing::SetSaveFailure(S_OK);
    file.Reset();
    link.Reset();
    CoUninitialize();
  }
  HRESULT Save(const std::string& path, BOOL remember = TRUE) {
    return file->Save(WideString::FromString(path).Get(), remember);
  }

  testing_support::TestMachine machine;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
};

TEST_F(ShellLink, TextsOverTheirLimitsOrMissingAreRefused) {
  const std::string path(MAX_PATH - 1, 'p'), longer(MAX_PATH, 'p');
  const std::string info(1023, 'i'), longerInfo(1024, 'i');
  EXPECT_EQ(link->SetPath(("C:\\" + path.substr(3)).c_str()), S_OK);
  EXPECT_EQ(link->SetPath(("C:\\" + longer.substr(3)).c_str()), E_INVALIDARG);
  EXPECT_EQ(link->SetWorkingDirectory(longer.c_str()), E_INVALIDARG);
  EXPECT_EQ(link->SetIconLocation(longer.c_str(), 1), E_INVALIDARG);
  EXPECT_EQ(link->SetDescription(info.c_str()), S_OK);
  EXPECT_EQ(link->SetDescription(longerInfo.c_str()), E_INVALIDARG);
  EXPECT_EQ(link->SetArguments(longerInfo.c_str()), E_INVALIDARG);
  for (auto set : {&IShellLinkA::SetDescription, &IShellLinkA::SetWorkingDirectory, &IShellLinkA::SetArguments,
                   &IShellLinkA::SetPath})
    EXPECT_EQ((link.Get()->*set)(nullptr), E_INVALIDARG);
  CLSID id{};
  ComPtr<IPersist> persist;
  ASSERT_EQ(file->QueryInterface(IidOf<IPersist>(), persist.PutVoid()), S_OK);
  EXPECT_EQ(persist->GetClassID(&id), S_OK);
  EXPECT_EQ(id, CLSID_ShellLink);
}

TEST_F(ShellLink, ASaveThatIsRememberedCleansTheObjectAndNamesTheFileForLater) {
  EXPECT_EQ(file->IsDirty(), S_FALSE);
  EXPECT_EQ(file->Save(nullptr, TRUE), E_INVALIDARG);  // no file yet
  ASSERT_EQ(link->SetPath("C:\\WINDOWS\\notepad.exe"), S_OK);
  EXPECT_EQ(file->IsDirty(), S_OK);
  ASSERT_EQ(Save("C:\\egy.lnk", FALSE), S_OK);
  EXPECT_EQ(file->IsDirty(), S_OK);  // not remembered
  EXPECT_EQ(file->Save(nullptr, TRUE), E_INVALIDARG);
  ASSERT_EQ(Save("C:\\ketto.lnk"), S_OK);
  EXPECT_EQ(file->IsDirty(), S_FALSE);
  ASSERT_EQ(link->SetDescription("Jegyzettömb"_cp.c_str()), S_OK);
  ASSERT_EQ(file->Save(nullptr, TRUE), S_OK);
  EXPECT_EQ(testing_support::ExifToolTags(HostPath("C:\\ketto.lnk"), {"Description"})["Description"], "Jegyzettömb");
  // A scripted failure writes nothing; a failure of the file layer gives its error.
  vandrel::shell_link_testing::SetSaveFailure(E_ACCESSDENIED);
  EXPECT_EQ(Save("C:\\harom.lnk"), E_ACCESSDENIED);
  EXPECT_FALSE(std::filesystem::exists(HostPath("C:\\harom.lnk")));
  vandrel::shell_link_testing::SetSaveFailure(S_OK);
  EXPECT_EQ(Save("C:\\Nincs\\harom.lnk"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

TEST_F(ShellLink, TheFileHoldsTheHeaderLinkInfoAndOnlyTheStringsGiven) {
  ASSERT_EQ(link->SetPath("C:\\a.exe"), S_OK);
  ASSERT_EQ(link->SetArguments("-x"), S_OK);
  ASSERT_EQ(link->SetShowCmd(7), S_OK);
  ASSERT_EQ(link->SetHotkey(WORD(HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'K'), S_OK);
  ASSERT_EQ(link->SetIconLocation("", 4), S_OK);
  ASSERT_EQ(Save("C:\\a.lnk"), S_OK);
  const std::string bytes = ReadBytes(HostPath("C:\\a.lnk"));
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(U32At(bytes, 0), 0x4Cu);
  EXPECT_EQ(std::memcmp(bytes.data() + 4, &CLSID_ShellLink, 16), 0);
  EXPECT_EQ(U32At(bytes, 0x14), 0x80u | 0x20u | 0x02u);  // unicode, arguments, link info: no empty strings
  EXPECT_EQ(U32At(bytes, 0x38), 4u);                     // icon index
  EXPECT_EQ(U32At(bytes, 0x3C), 7u);                     // show command
  EXPECT_EQ(bytes.substr(0x40, 2), std::string("K\x06", 2));
  // The link info, the one counted string, the terminal block.
  const uint32_t linkInfo = U32At(bytes, 0x4C);
  EXPECT_EQ(bytes.substr(0x4C + linkInfo), std::string("\x02\x00-\x00x\x00\x00\x00\x00\x00", 10));
  EXPECT_EQ(testing_support::ExifToolTags(HostPath("C:\\a.lnk"), {"LocalBasePath"})["LocalBasePath"], "C:\\a.exe");
}

}  // namespace
