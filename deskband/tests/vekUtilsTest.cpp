#include "deskband/vekUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"

namespace {

using testing_support::TestMachine;

constexpr double kMs = 1.0 / 86400000.0;

TEST(MillisecondsBetween, RowsOfTheTable) {
  struct Case {
    TDateTime later, earlier;
    bool clamp;
    int64_t ms;
  } cases[] = {
      {30, 0, false, 2592000000LL},
      {30, 0, true, 2147483647},
      {0, 30, false, -2592000000LL},
      {0, 30, true, -2147483647},
      {40000 + 1.0 / 2048, 40000, true, 42188},  // 42187.5 to even
      {3.0 / 2048, 0, false, 126562},            // 126562.5 to even
      {0, 1.0 / 2048, false, -42188},
      {1.0 / 4096, 0, false, 21094},  // 21093.75
      {38418.75, 38418.75, true, 0},
      {2, 1, true, 86400000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MillisecondsBetween(c.later, c.earlier, c.clamp), c.ms) << c.later << " " << c.earlier;
}

TEST(TimeoutElapsed, RowsOfTheTable) {
  SetClockMode(TClockMode::Virtual);
  TDateTime today = EncodeDate(2005, 3, 7) + EncodeTime(14, 30, 0, 0);
  SetVirtualDateTime(today);
  struct Case {
    TDateTime start;
    int64_t timeout;
    TDateTime now;
    bool elapsed;
  } cases[] = {
      {0, 604800000, -1, true},
      {today, 1000, -1, false},
      {0, kNeverTimeout, -1, false},
      {0, 2147483646, -1, true},
      {today - 1001 * kMs, 1000, -1, true},
      {today - 1000 * kMs, 1000, -1, false},
      {today, 500, today + 501 * kMs, true},
      {today, 500, today + 500 * kMs, false},
      {today, 500, today - 10000 * kMs, false},  // a given now is not moved
      {today - 3600 * 1000 * kMs, 3600 * 1000 - 1, -1, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimeoutElapsed(c.start, c.timeout, c.now), c.elapsed) << c.start << " " << c.timeout << " " << c.now;
  SetClockMode(TClockMode::Real);
}

TEST(TimeoutElapsed, AStartInTheFutureCountsFromThePresent) {
  SetClockMode(TClockMode::Virtual);
  TDateTime today = EncodeDate(2005, 3, 7);
  SetVirtualDateTime(today);
  TDateTime start = today + 3600 * 1000 * kMs;  // one hour ahead, as after the clock was set back
  EXPECT_FALSE(TimeoutElapsed(start, 1000));
  SetVirtualDateTime(start + 1000 * kMs);
  EXPECT_FALSE(TimeoutElapsed(start, 1000)) << "a second after the start is not more than a second";
  SetVirtualDateTime(start + 1001 * kMs);
  EXPECT_TRUE(TimeoutElapsed(start, 1000));
  SetClockMode(TClockMode::Real);
}

TEST(RegReadValue, ByTypeOfTheValue) {
  TestMachine machine;
  std::string error;
  ASSERT_TRUE(
      vandrel::ImportRegistryText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Olvas]\n"
                                  "\"Szöveg\"=\"érték\"\n\"Szám\"=dword:0000002a\n\"Bájtok\"=hex:00,ff,41,80\n"
                                  "\"Kibontható\"=hex(2):41,00\n\"Lista\"=hex(7):41,00,00\n\"Üres\"=\"\"\n"
                                  "\"Hosszú\"=hex(4):2a,00,00,00,00,00,00,00\n"_cp,
                                  error))
      << error;
  const Variant fallback = "???";
  struct Case {
    std::string key, name;
    TVarType type;
    std::string value;
  } cases[] = {
      {"\\SOFTWARE\\Olvas", "szöveg"_cp, varString, "érték"_cp},
      {"\\SOFTWARE\\Olvas", "Szám"_cp, varInteger, "42"},
      {"\\SOFTWARE\\Olvas", "Bájtok"_cp, varString, std::string("\x00\xff\x41\x80", 4)},
      {"\\SOFTWARE\\Olvas", "Kibontható"_cp, varString, "???"},
      {"\\SOFTWARE\\Olvas", "Lista", varString, "???"},
      {"\\SOFTWARE\\Olvas", "Üres"_cp, varString, ""},
      {"\\SOFTWARE\\Olvas", "Nincs", varString, "???"},
      // A read that fails after the value was found (a DWORD of 8 bytes, or another process rewriting it
      // between the calls) answers the default.
      {"\\SOFTWARE\\Olvas", "Hosszú"_cp, varString, "???"},
      {"\\SOFTWARE\\Nincs", "Szöveg"_cp, varString, "???"},
  };
  for (const auto& c : cases) {
    Variant v = RegReadValue(HKEY_LOCAL_MACHINE, c.key, c.name, fallback);
    EXPECT_EQ(v.Type(), c.type) << c.name;
    EXPECT_EQ(v.AsString(), c.value) << c.name;
  }
}

// The sample libraries of the platform's module tests: one with version and manifest resources, one without.
std::string Sample(const char* name) {
  std::string path = std::string(VANDREL_BINARY_DIR) + "/tests/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

TEST(TEasyContextActivation, TheLibrarysManifestResourceActivatesCommonControls) {
  TestMachine machine;
  ASSERT_TRUE(ActCtxSupported());
  HMODULE library = LoadLibraryA(Sample("winapi_sample_resources.so").c_str());
  ASSERT_NE(library, nullptr);
  SetActCtxModuleForTesting(library);
  TEasyContextActivation* context = TEasyContextActivation::Create(0);
  ASSERT_TRUE(context->Created());
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(context->Handle(), "Microsoft.Windows.Common-Controls"), "6.0.0.0");
  context->SetActive(true);
  context->SetActive(true);
  HANDLE current = nullptr;
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, context->Handle());
  ReleaseActCtx(current);
  context->SetActive(false);
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, nullptr);
  context->SetActive(true);
  context->Free();  // deactivates and releases
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, nullptr);
  SetActCtxModuleForTesting(nullptr);
  FreeLibrary(library);
}

TEST(TEasyContextActivation, WithoutAManifestNothingIsCreatedOrActivated) {
  TestMachine machine;
  HMODULE library = LoadLibraryA(Sample("winapi_sample_plain.so").c_str());
  SetActCtxModuleForTesting(library);
  for (uint8_t type : {0, 1}) {
    TEasyContextActivation* context = TEasyContextActivation::Create(type);
    EXPECT_FALSE(context->Created()) << int(type);
    EXPECT_EQ(context->Handle(), nullptr);
    context->SetActive(true);
    EXPECT_FALSE(context->Active()) << "does nothing and does not raise";
    context->Free();
  }
  try {
    TEasyContextActivation::Create(2);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unhandled ManifestType in TEasyContextActivation.Create()");
  }
  SetActCtxModuleForTesting(nullptr);
  FreeLibrary(library);
}

TEST(TEasyContextActivation, AManifestFileBesideTheLibrary) {
  TestMachine machine;
  std::string folder = machine.DriveC() + "/Program Files/Sáv"_cp;
  std::filesystem::create_directories(cp1250::ToUtf8(folder));
  std::filesystem::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so",
                             cp1250::ToUtf8(folder) + "/Pellandra.dll");
  std::filesystem::copy_file(std::string(VANDREL_SOURCE_DIR) + "/platform/winapi/tests/sample/Sample.manifest",
                             cp1250::ToUtf8(folder) + "/Pellandra.dll.manifest");
  HMODULE library = LoadLibraryA("C:\\Program Files\\Sáv\\Pellandra.dll"_cp.c_str());
  ASSERT_NE(library, nullptr);
  SetActCtxModuleForTesting(library);
  TEasyContextActivation* file = TEasyContextActivation::Create(1);
  EXPECT_TRUE(file->Created());
  file->Free();
  TEasyContextActivation* resource = TEasyContextActivation::Create(0);
  EXPECT_FALSE(resource->Created()) << "the copy has no manifest resource";
  resource->Free();
  SetActCtxModuleForTesting(nullptr);
  FreeLibrary(library);
}

TEST(TEasyContextActivation, WithoutTheRoutinesCreationRaises) {
  TestMachine machine;
  vandrel::dynamic_testing::HideExport("kernel32.dll", "DeactivateActCtx");
  EXPECT_FALSE(ActCtxSupported());
  const std::string message = "Activation context routines not supported on this platform";
  try {
    CheckActCtxSupported();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), message);
  }
  try {
    TEasyContextActivation::Create(0);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), message);
  }
  vandrel::dynamic_testing::ShowEverything();
  EXPECT_FALSE(ActCtxSupported()) << "bound once per process and kept";
}

}  // namespace
