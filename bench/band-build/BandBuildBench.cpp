// The band form's build of a toolbar of 300 controls (runs of buttons with images and separators, combo,
// select and edit boxes, spacers, images, HTML areas hidden offline), beside the module's read of the same
// definition from the shipped storage. The machine works offline.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "deskband/vekUtils.h"
#include "platform/com/ClassTable.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Windows.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"

namespace {

namespace fs = std::filesystem;

std::string Controls() {
  std::string xml;
  for (int i = 0; i < 300; ++i) {
    std::string n = std::to_string(i);
    switch (i % 10) {
      case 0:
      case 1:
      case 2:
        xml += "<BUTTON caption=\"" + std::string(i % 10 == 2 ? "Gomb " + n : "") +
               "\" imagelist=\"gombok\" imageindex=\"" + std::to_string(i % 4) +
               "\" hint=\"Tipp\" action=\"openurl\" href=\"http://bench/" + n + "\"/>\n";
        break;
      case 3: xml += "<SEPARATOR/>\n"; break;
      case 4:
        xml += "<COMBO id=\"c" + n +
               "\" width=\"120\" action=\"none\" defaultvalue=\"Egy\"><ITEMS><ITEM caption=\"Egy\" value=\"1\"/>"
               "<ITEM caption=\"Kett\xC5\x91\" value=\"2\"/></ITEMS></COMBO>\n";
        break;
      case 5: xml += "<TEXT id=\"t" + n + "\" width=\"80\" defaultvalue=\"sz\xC3\xB6veg\"/>\n"; break;
      case 6:
        xml += "<SELECT id=\"s" + n + "\" width=\"60\"><ITEMS><ITEM caption=\"A\" value=\"a\"/></ITEMS></SELECT>\n";
        break;
      case 7: xml += "<spacer width=\"4\"/>\n"; break;
      case 8: xml += "<IMAGE id=\"k" + n + "\" src=\"buttons.bmp\" maskcolor=\"$ff00ff\" action=\"none\"/>\n"; break;
      default: xml += "<HTMLAREA width=\"100\" src=\"http://bench/area\" autohide=\"1\"/>\n"; break;
    }
  }
  return xml;
}

// The library started over a machine whose shipped definition has the 300 controls, and one band form.
struct Band {
  testing_support::TestMachine machine;
  HWND host = nullptr;
  TTessalineDeskBandForm* form = nullptr;

  Band() {
    std::string folder = machine.DriveC() + "/Program Files/Vandrel/Pellandra";
    fs::create_directories(folder);
    for (const char* name : {".files", "buttons.bmp"})
      fs::copy_file(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, folder + "/" + name);
    std::ofstream(folder + "/toolbar.xml", std::ios::binary)
        << "<TOOLBAR guid=\"{11111111-2B8D-44AF-82FA-F86E57899FB8}\" caption=\"Bench\">\n"
           "<IMAGELIST id=\"gombok\" src=\"buttons.bmp\" maskcolor=\"$ff00ff\" width=\"16\" height=\"16\"/>\n"
        << Controls() << "</TOOLBAR>\n";
    fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_resources.so", folder + "/Pellandra.so");
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    const DWORD offline = 1;
    RegSetValueExA(key, "GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&offline), sizeof offline);
    RegCloseKey(key);
    HMODULE library = LoadLibraryA("C:\\Program Files\\Vandrel\\Pellandra\\Pellandra.so");
    if (!library) return;
    // The library in its install folder, with its manifest, as the shell loads it.
    SetInstanceModuleForTesting(library);
    SetActCtxModuleForTesting(library);
    CoInitialize(nullptr);
    InitializeLibraryUnits();
    Startup();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BandBuildBenchHost";
    RegisterClassA(&wc);
    host = CreateWindowExA(0, "BandBuildBenchHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 40, nullptr, nullptr, nullptr,
                           nullptr);
    RegisterBandFormClass();
    form = static_cast<TTessalineDeskBandForm*>(
        TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TTessalineDeskBandForm>(), nullptr, host));
  }
  static Band& Get() {
    static Band band;
    return band;
  }
};

void BM_BuildControls(benchmark::State& state) {
  Band& band = Band::Get();
  if (!band.form || !band.form->CurrentDefinition()) {
    state.SkipWithError("no band form with its definition");
    return;
  }
  for (auto _ : state) band.form->BuildControls();
  state.counters["controls"] = band.form->CurrentDefinition()->Controls()->Count();
  state.counters["built"] = band.form->BuiltControls()->Count();
}
BENCHMARK(BM_BuildControls)->Unit(benchmark::kMillisecond);

void BM_ReadDefinition(benchmark::State& state) {
  Band& band = Band::Get();
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  if (!band.form || !module) {
    state.SkipWithError("no module");
    return;
  }
  for (auto _ : state) TObjectPtr<TToolbarDefinition> definition(module->LoadDefinition());
}
BENCHMARK(BM_ReadDefinition)->Unit(benchmark::kMillisecond);

void BM_ReloadAndBuild(benchmark::State& state) {
  Band& band = Band::Get();
  if (!band.form || !band.form->CurrentDefinition()) {
    state.SkipWithError("no band form with its definition");
    return;
  }
  for (auto _ : state) band.form->LoadDefinition(true);
}
BENCHMARK(BM_ReloadAndBuild)->Unit(benchmark::kMillisecond);

}  // namespace
