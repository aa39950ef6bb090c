#include <gtest/gtest.h>

#include "toolbar/tests/BandFormTestSupport.h"

#include <atomic>
#include <thread>

#include "platform/com/ClassTable.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"

namespace band_form_test {

using namespace library_test;

void SetUserValue(const std::string& name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\Quorrel\\Tessaline\\" + kGuid).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

std::string Definition(const std::string& attributes, const std::string& body) {
  return "<TOOLBAR guid=\"" + kGuid + "\" caption=\"Teszt\" " + attributes +
         ">\n"
         "<IMAGELIST id=\"gombok\" src=\"buttons.bmp\" maskcolor=\"$ff00ff\" width=\"16\" height=\"16\"/>\n"
         "<IMAGELIST id=\"masik\" src=\"buttons.bmp\" width=\"16\" height=\"16\"/>\n" +
         body + "</TOOLBAR>\n";
}

std::string Layout(const TTessalineDeskBandForm& form) {
  std::string text;
  const TObjectList* built = form.BuiltControls();
  for (int i = 0; built && i < built->Count(); ++i) {
    auto* control = static_cast<TControl*>(built->Items(i));
    if (!control->Visible()) continue;
    text += control->ClassName() + " " + std::to_string(control->Left()) + "," + std::to_string(control->Top()) + " " +
            std::to_string(control->Width()) + "x" + std::to_string(control->Height());
    if (auto* bar = DynamicAs<TToolBar>(control)) {
      text += " [";
      for (int b = 0; b < bar->ButtonCount(); ++b) {
        TToolButton* button = bar->Buttons(b);
        text += (b ? " " : "") + (button->IsDivider() ? std::string("|") : std::to_string(button->Width()));
      }
      text += "]";
    }
    text += "\n";
  }
  return text;
}

int OnTwoUiThreads(const std::function<void(int index, TTessalineDeskBandForm*& form)>& work) {
  RegisterBandFormClass();
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "BandFormThreadHost";
  RegisterClassA(&wc);
  std::atomic<int> failures{0};
  auto run = [&](int index) {
    CoInitialize(nullptr);
    HWND host = CreateWindowExA(0, "BandFormThreadHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 40, nullptr, nullptr,
                                nullptr, nullptr);
    TTessalineDeskBandForm* form = nullptr;
    try {
      form = static_cast<TTessalineDeskBandForm*>(
          TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TTessalineDeskBandForm>(), nullptr, host));
      form->SignalCheckTimer->SetEnabled(false);
      work(index, form);
    } catch (const Exception& e) {
      if (failures++ == 0) ADD_FAILURE() << e.ClassName() << ": " << e.Message();
    }
    if (form) form->Free();
    DestroyWindow(host);
    CoUninitialize();
  };
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  return failures.load();
}

void BandFormTest::SetUp() {
  InstallShippedFiles(machine_);
  WorkOffline();
  HMODULE library = LoadSampleAsLibrary(machine_, "winapi_sample_resources.so");
  SetInstanceModuleForTesting(library);
  SetActCtxModuleForTesting(library);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
}

void BandFormTest::TearDown() {
  shell_.reset();
  if (cookie_) CoRevokeClassObject(cookie_);
  if (form_) form_->Free();
  if (host_) DestroyWindow(host_);
  CoUninitialize();
}

void BandFormTest::Ship(const std::string& xml) { WriteWholeFile(kFolder + "\\toolbar.xml", xml); }

TTessalineDeskBandModule* BandFormTest::Start(const std::string& xml) {
  Ship(xml);
  InitializeLibraryUnits();
  Startup();
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  EXPECT_NE(module, nullptr);
  return module;
}

TTessalineDeskBandForm* BandFormTest::MakeForm() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "BandFormTestHost";
  RegisterClassA(&wc);
  host_ = CreateWindowExA(0, "BandFormTestHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 40, nullptr, nullptr, nullptr,
                          nullptr);
  RegisterBandFormClass();
  form_ = static_cast<TTessalineDeskBandForm*>(
      TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TTessalineDeskBandForm>(), nullptr, host_));
  return form_;
}

TTessalineDeskBandForm* BandFormTest::HostBand(TShellHost::TMode mode) {
  TComObjectFactory* factory = ComClassManager()->GetFactoryFromClassID(kToolbarGUID);
  EXPECT_NE(factory, nullptr);
  if (!factory) return nullptr;
  CoRegisterClassObject(kToolbarGUID, static_cast<IClassFactory*>(factory), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                        &cookie_);
  shell_ = std::make_unique<TShellHost>(mode, out_);
  EXPECT_TRUE(shell_->Start(kToolbarGUID)) << out_.str();
  auto* band = static_cast<TDeskBand*>(shell_->Band());
  return band ? static_cast<TTessalineDeskBandForm*>(band->Form()) : nullptr;
}

std::string BandFormTest::LogText() const { return ReadWholeFile(TessalineDeskBandModule()->LogFileName()); }

void BandFormTest::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace band_form_test
