#include "platform/winapi/Module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/ActivationContext.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Windows.h"

namespace {

using testing_support::TestMachine;

// The Windows form of a host path, written out independently: drive Z: and backslashes.
std::string ZForm(std::string hostPath) {
  std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
  return "Z:" + hostPath;
}

const std::string kTests = std::string(VANDREL_BINARY_DIR) + "/tests";
const std::string kWithResources = ZForm(kTests + "/winapi_sample_resources.so");
const std::string kPlain = ZForm(kTests + "/winapi_sample_plain.so");

std::string ModuleFileName(HMODULE module) {
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, buffer, sizeof buffer);
  return std::string(buffer, n);
}

using SampleInstanceFn = HINSTANCE (*)();
using SampleAnswerFn = int (*)();

TEST(ModuleIdentity, TheProgramKnowsItselfByItsWindowsPath) {
  TestMachine machine;
  EXPECT_EQ(ModuleFileName(nullptr), ZForm(kTests + "/winapi_tests"));
  EXPECT_EQ(HInstance(), GetModuleHandleA(nullptr));
  EXPECT_EQ(ModuleFileName(HInstance()), ModuleFileName(nullptr));
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(small), ZForm(kTests).substr(0, 7)) << "what fits, with a terminator";
}

TEST(ModuleIdentity, ALoadedLibraryKnowsItsPathAndItsInstance) {
  TestMachine machine;
  HMODULE library = LoadLibraryA(kWithResources.c_str());
  ASSERT_NE(library, nullptr) << GetLastError();
  auto instance = reinterpret_cast<SampleInstanceFn>(GetProcAddress(library, "SampleInstance"));
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance(), library) << "the library's own instance handle";
  EXPECT_NE(instance(), HInstance());
  EXPECT_EQ(ModuleFileName(library), kWithResources);
  EXPECT_EQ(GetModuleHandleA("winapi_sample_resources.so"), library);
  EXPECT_EQ(GetModuleHandleA("WINAPI_SAMPLE_RESOURCES.SO"), library);
  EXPECT_EQ(GetModuleHandleA(kWithResources.c_str()), library);
  EXPECT_EQ(LoadLibraryA(kWithResources.c_str()), library) << "a second load gives the same module";
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_EQ(GetModuleHandleA("winapi_sample_resources.so"), library) << "still loaded once";
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_EQ(GetModuleHandleA("winapi_sample_resources.so"), nullptr) << "unloaded by the last FreeLibrary";
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(FreeLibrary(library));
}

TEST(ModuleIdentity, ALibraryInstalledOnDriveCKnowsItselfThere) {
  TestMachine machine;
  std::string folder = machine.DriveC() + "/Program Files/Pellandra Próba";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kTests + "/winapi_sample_resources.so", folder + "/Minta.dll");
  HMODULE library = LoadLibraryA("c:\\program files\\pellandra próba\\minta"_cp.c_str());
  ASSERT_NE(library, nullptr) << GetLastError();
  EXPECT_EQ(ModuleFileName(library), "C:\\Program Files\\Pellandra Próba\\Minta.dll"_cp);
  DWORD size = GetFileVersionInfoSizeA(ModuleFileName(library).c_str(), nullptr);
  EXPECT_GT(size, 0u);
  FreeLibrary(library);
}

struct Version {
  DWORD size = 0, error = 0, ms = 0, ls = 0, type = 0;
};

Version VersionOf(const std::string& file) {
  Version v;
  DWORD handle = 7;
  SetLastError(0);
  v.size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  v.error = GetLastError();
  EXPECT_EQ(handle, 0u);
  if (!v.size) return v;
  std::string block(v.size, '\0');
  EXPECT_TRUE(GetFileVersionInfoA(file.c_str(), 0, v.size, block.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  EXPECT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length));
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  LPVOID other;
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040E04E2\\FileVersion", &other, &length));
  if (!info) return v;
  EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
  v.ms = info->dwFileVersionMS;
  v.ls = info->dwFileVersionLS;
  v.type = info->dwFileType;
  return v;
}

TEST(VersionResources, AreReadFromTheFileOfAModule) {
  TestMachine machine;
  std::ofstream(machine.DriveC() + "/szoveg.txt") << "nem program";
  struct Case {
    std::string file;
    DWORD ms, ls, error;
  } cases[] = {
      {kWithResources, 0x00010002, 0x00030004, 0},
      {kPlain, 0, 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"C:\\szoveg.txt", 0, 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"C:\\nincs.dll", 0, 0, ERROR_FILE_NOT_FOUND},
      {"C:\\a|b.dll", 0, 0, ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    Version v = VersionOf(c.file);
    EXPECT_EQ(v.ms, c.ms) << c.file;
    EXPECT_EQ(v.ls, c.ls) << c.file;
    if (c.error) {
      EXPECT_EQ(v.size, 0u) << c.file;
      EXPECT_EQ(v.error, c.error) << c.file;
    } else {
      EXPECT_EQ(v.type, VFT_DLL);
    }
  }
}

TEST(VersionResources, SectionReaderRefusesImagesThatLie) {
  // A section table that points past the image, and one whose names lie outside: nothing is read.
  std::string image(4096, '\0');
  std::ifstream in(kTests + "/winapi_sample_resources.so", std::ios::binary);
  in.read(image.data(), 64);
  std::string data;
  auto reader = [&](uint64_t offset, void* buffer, size_t count) {
    if (offset > image.size() || count > image.size() - offset) return false;
    std::memcpy(buffer, image.data() + offset, count);
    return true;
  };
  EXPECT_FALSE(vandrel::FindElfSection(reader, image.size(), vandrel::kVersionSection, data));
  std::string truncated = image.substr(0, 10);
  EXPECT_FALSE(vandrel::FindElfSection(reader, truncated.size(), vandrel::kVersionSection, data));
}

TEST(DynamicBinding, StandInModulesExportTheirEntryPoints) {
  TestMachine machine;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(GetModuleHandleA("KERNEL32"), kernel);
  EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\System32\\Kernel32.DLL"), kernel);
  EXPECT_EQ(ModuleFileName(kernel), "C:\\WINDOWS\\system32\\kernel32.dll");
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(kernel, "CreateActCtxA")), reinterpret_cast<void*>(&CreateActCtxA));
  struct Case {
    HMODULE module;
    LPCSTR name;
    DWORD error;
  } misses[] = {{kernel, "CreateActCtxW", ERROR_PROC_NOT_FOUND},
                {kernel, "createactctxa", ERROR_PROC_NOT_FOUND},
                {kernel, MAKEINTRESOURCEA(12), ERROR_PROC_NOT_FOUND}};
  for (const auto& c : misses) {
    EXPECT_EQ(GetProcAddress(c.module, c.name), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(LoadLibraryA("nincs-ilyen.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA("Z:\\tmp\\kernel32.dll"), nullptr) << "a stand-in lives in the system folder only";
  std::ofstream(machine.DriveC() + "/hamis.dll") << "nem program";
  EXPECT_EQ(LoadLibraryA("C:\\hamis.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
  EXPECT_TRUE(FreeLibrary(kernel));
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), kernel) << "a stand-in stays loaded";
}

TEST(DynamicBinding, HiddenExportsAndModulesTakeTheNotSupportedRoad) {
  TestMachine machine;
  namespace hide = vandrel::dynamic_testing;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  hide::HideExport("KERNEL32.DLL", "ActivateActCtx");
  EXPECT_EQ(GetProcAddress(kernel, "ActivateActCtx"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_NE(GetProcAddress(kernel, "DeactivateActCtx"), nullptr);
  hide::HideModule("kernel32");
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("kernel32.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(kernel, "DeactivateActCtx"), nullptr) << "also through a handle taken before";
  hide::ShowEverything();
  EXPECT_NE(GetProcAddress(kernel, "ActivateActCtx"), nullptr);

  // A whole process can be started with exports hidden.
  std::string helper = kTests + "/winapi_helper", output;
  setenv("VANDREL_HIDE_EXPORTS", "kernel32.dll:CreateActCtxA,ReleaseActCtx;rasapi32.dll", 1);
  testing_support::RunProgram(helper, {"proc", "kernel32.dll", "CreateActCtxA"}, &output);
  testing_support::RunProgram(helper, {"proc", "kernel32.dll", "ActivateActCtx"}, &output);
  unsetenv("VANDREL_HIDE_EXPORTS");
  testing_support::RunProgram(helper, {"proc", "kernel32.dll", "CreateActCtxA"}, &output);
  EXPECT_EQ(output, "missing 127\nfound\nfound\n");
}

TEST(DynamicBinding, RealLibrariesBindTheirExports) {
  TestMachine machine;
  HMODULE library = LoadLibraryA(kPlain.c_str());
  ASSERT_NE(library, nullptr);
  auto answer = reinterpret_cast<SampleAnswerFn>(GetProcAddress(library, "SampleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(GetProcAddress(library, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  FreeLibrary(library);
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

TEST(DynamicBinding, UnloadingALibraryRemovesItsWindowClassesWithoutWindows) {
  TestMachine machine;
  HMODULE library = LoadLibraryA(kPlain.c_str());
  ASSERT_NE(library, nullptr);
  HMODULE second = LoadLibraryA(kPlain.c_str());
  for (const char* name : {"SampleIdle", "SampleBusy"}) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = library;
    wc.lpszClassName = name;
    ASSERT_TRUE(RegisterClassA(&wc));
  }
  HWND busy = CreateWindowExA(0, "SampleBusy", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, library, nullptr);
  ASSERT_TRUE(busy);
  FreeLibrary(second);
  EXPECT_TRUE(GetClassInfoA(library, "SampleIdle", nullptr)) << "still loaded once";
  FreeLibrary(library);
  EXPECT_FALSE(GetClassInfoA(library, "SampleIdle", nullptr));
  EXPECT_TRUE(GetClassInfoA(library, "SampleBusy", nullptr)) << "a class with a window stays";
  DestroyWindow(busy);
}

}  // namespace
