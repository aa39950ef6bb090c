// The band module, the band object and the band form, hosted in this process by the shell host's core
// (taskbar or browser window) with the sample band's classes.
#include "deskband/vekDeskBand.h"

#include <gtest/gtest.h>

#include <sstream>

#include "deskband/tests/sample/SampleBandForms.h"
#include "deskband/vekObjUtil.h"
#include "hosts/shellhost/ShellHost.h"
#include "platform/com/ClassTable.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/Themes.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/CommonControls.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MenuLoop.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Themes.h"

namespace {

using testing_support::TestMachine;

int HookCount() { return vandrel::ThreadHookCount(GetCurrentThreadId()); }

// A plain top-level window to parent band windows and rebars.
HWND HostWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "BandTestHost";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "BandTestHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 30, nullptr, nullptr, nullptr,
                         nullptr);
}

// ---- the module ----

TEST(BandModule, TheRegisteredClassMakesTheOneModuleFromItsResource) {
  TestMachine machine;
  EXPECT_EQ(DeskBandModule(), nullptr);
  try {
    CheckDeskBandModule();
    ADD_FAILURE() << "made a module without a class";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No filter module class registered");
  }
  RegisterSampleBandClasses();
  RegisterDeskBandModuleClass(TDeskBandModuleClass::Of<TSampleBandModule>());
  TCustomDeskBandModule* m = DeskBandModule();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->ClassName(), "TSampleBandModule");
  EXPECT_EQ(m->Caption(), "Sample band") << "blanks around the caption are dropped";
  EXPECT_EQ(m->MenuCaption(), "&Sample band");
  EXPECT_EQ(m->CLSID(), "{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}");
  EXPECT_EQ(m->BandType(), dbtDeskBand);
  EXPECT_TRUE(m->ToolBand()) << "not in the resource: the default";
  EXPECT_FALSE(m->FixedHeight());
  EXPECT_TRUE(m->Debossed());
  EXPECT_TRUE(m->UseChevron());
  EXPECT_EQ(m->GetBandFormClass().ClassName(), "TSampleBandForm");
  try {
    RegisterDeskBandModuleClass(TDeskBandModuleClass::Of<TSampleBandModule>());
    ADD_FAILURE() << "registered twice";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Filter module class already registered");
  }
  CheckDeskBandModule();
  EXPECT_EQ(DeskBandModule(), m) << "the one module stays";
}

class TBareModule : public TDeskBandModule {
  VCL_CLASS(TBareModule, TDeskBandModule)
  using TDeskBandModule::TDeskBandModule;
};

TEST(BandModule, PropertiesDefaultsAndErrors) {
  TestMachine machine;
  auto* a = NewObject<TDeskBandModule>(nullptr);
  auto* b = NewObject<TDeskBandModule>(nullptr);
  EXPECT_NE(a->CLSID(), b->CLSID()) << "each module starts with a new GUID";
  EXPECT_TRUE(TryStringToGUID(a->CLSID()));
  EXPECT_EQ(a->Caption(), "");
  EXPECT_EQ(a->BandType(), dbtDeskBand);
  EXPECT_TRUE(a->ToolBand());
  EXPECT_TRUE(a->FixedHeight());
  EXPECT_FALSE(a->Debossed());
  EXPECT_FALSE(a->UseChevron());
  a->SetCaption("  Két  szó \t"_cp);
  EXPECT_EQ(a->Caption(), "Két  szó"_cp);
  a->SetCLSID("{5a3b1c2d-4e5f-4a6b-8c7d-9e0f1a2b3c4d}");
  EXPECT_EQ(a->CLSID(), "{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}");
  EXPECT_THROW(a->SetCLSID("{5A3B1C2D}"), EConvertError);
  EXPECT_EQ(a->CLSID(), "{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}") << "a malformed CLSID changes nothing";
  for (bool handler : {false, true}) {
    if (handler) a->OnGetBandFormClass = [](TObject*, TDeskBandFormClass&) {};
    try {
      a->GetBandFormClass();
      ADD_FAILURE() << "a form class from nothing";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "No bandform available");
    }
  }
  a->Free();
  b->Free();
  try {
    NewObject<TBareModule>(nullptr);
    ADD_FAILURE() << "made without a resource";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource \"TBareModule\" not found");
  }
  struct Case {
    TDeskBandType type;
    const char* category;
  } cases[] = {{dbtDeskBand, "{00021492-0000-0000-C000-000000000046}"},
               {dbtVerticalBand, "{00021493-0000-0000-C000-000000000046}"},
               {dbtHorizontalBand, "{00021494-0000-0000-C000-000000000046}"}};
  for (const Case& c : cases) EXPECT_EQ(GetBandTypeCLSID(c.type), c.category);
  try {
    GetBandTypeCLSID(TDeskBandType(3));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unhandled band type in GetBandTypeCLSID()");
  }
}

// ---- the band object, hosted ----

class HostedBand : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    RegisterSampleBandClasses();
    RegisterDeskBandModuleClass(TDeskBandModuleClass::Of<TSampleBandModule>());
    CreateDeskBandFactory();
    TComObjectFactory* factory = ComClassManager()->GetFactoryFromClassID(kSampleBandClass);
    ASSERT_TRUE(factory);
    CoRegisterClassObject(kSampleBandClass, static_cast<IClassFactory*>(factory), CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &cookie_);
  }
  void TearDown() override {
    host_.reset();
    CoRevokeClassObject(cookie_);
    CoUninitialize();
  }
  void Host(TShellHost::TMode mode) {
    host_ = std::make_unique<TShellHost>(mode, out_);
    ASSERT_TRUE(host_->Start(kSampleBandClass)) << out_.str();
  }
  ComPtr<IDeskBand> CreateBand() {
    ComPtr<IDeskBand> band;
    EXPECT_EQ(CoCreateInstance(kSampleBandClass, nullptr, CLSCTX_INPROC_SERVER, IDeskBand::Iid, band.PutVoid()), S_OK);
    return band;
  }
  static TDeskBand* Object(IDeskBand* band) { return static_cast<TDeskBand*>(band); }
  TDeskBand* Band() { return Object(host_->Band()); }
  TSampleBandForm* Form() { return static_cast<TSampleBandForm*>(Band()->Form()); }
  // The site's notices since the last call.
  std::vector<std::string> Notices() {
    std::vector<std::string> out;
    for (size_t i = seen_; i < host_->Log().size(); ++i)
      if (host_->Log()[i].rfind("site: the band", 0) == 0) out.push_back(host_->Log()[i].substr(15));
    seen_ = host_->Log().size();
    return out;
  }
  void Play(const std::string& line) {
    for (const TUserAction& a : ReadUserScript(line, ShellHostVerbs())) host_->Play(a);
  }

  TestMachine machine_;
  DWORD cookie_ = 0;
  std::ostringstream out_;
  std::unique_ptr<TShellHost> host_;
  size_t seen_ = 0;
};

TEST_F(HostedBand, AnswersTheShellInterfacesButNotTheirBasesAlone) {
  ComPtr<IDeskBand> band = CreateBand();
  struct Case {
    IID iid;
    bool answered;
  } cases[] = {{IID_IUnknown, true},        {ISupportErrorInfo::Iid, true}, {IInputObject::Iid, true},
               {IContextMenu::Iid, true},   {IObjectWithSite::Iid, true},   {IPersistStreamInit::Iid, true},
               {IPersistStream::Iid, true}, {IPersist::Iid, true},          {IDeskBand::Iid, true},
               {IOleWindow::Iid, false},    {IDockingWindow::Iid, false},   {IDispatch::Iid, false}};
  for (const Case& c : cases) {
    ComPtr<IUnknown> out;
    EXPECT_EQ(band->QueryInterface(c.iid, out.PutVoid()) == S_OK, c.answered) << GUIDToString(c.iid);
    EXPECT_EQ(bool(out), c.answered);
  }
  EXPECT_EQ(band.As<IUnknown>().Get(), band.As<IInputObject>().As<IUnknown>().Get()) << "one identity";
  EXPECT_EQ(ComServer()->ObjectCount(), 1);
  band = nullptr;
  EXPECT_EQ(ComServer()->ObjectCount(), 0);
}

TEST_F(HostedBand, BandInfoByBandTypeAndStyle) {
  struct Case {
    TDeskBandType type;
    bool fixedHeight, debossed, chevron, hosted;
    const char* min;  // x,y
    const char* max;
    const char* integral;
    const char* actual;
    DWORD modes;
  } cases[] = {
      {dbtDeskBand, true, false, false, false, "7,9", "1,2", "3,4", "5,6", 0},
      {dbtVerticalBand, false, true, true, false, "9,7", "2,1", "4,3", "6,5", 0xA8},
      {dbtHorizontalBand, true, true, false, false, "7,9", "1,2", "3,4", "5,6", 0x20},
      {dbtDeskBand, false, false, true, true, "150,22", "-1,22", "1,1", "380,22", 0x88},
      {dbtVerticalBand, true, false, false, true, "22,150", "22,-1", "1,1", "22,380", 0},
      {dbtHorizontalBand, false, false, false, true, "150,22", "-1,22", "1,1", "380,22", 0x08},
  };
  auto text = [](const POINTL& p) { return std::to_string(p.x) + "," + std::to_string(p.y); };
  TCustomDeskBandModule* module = DeskBandModule();
  Host(TShellHost::TMode::Taskbar);
  for (const Case& c : cases) {
    module->SetBandType(c.type);
    module->SetFixedHeight(c.fixedHeight);
    module->SetDebossed(c.debossed);
    module->SetUseChevron(c.chevron);
    ComPtr<IDeskBand> fresh;
    IDeskBand* band = host_->Band();
    if (!c.hosted) band = (fresh = CreateBand()).Get();  // no band window yet
    DESKBANDINFO info{};
    info.dwMask =
        DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
    info.ptMinSize = {7, 9};
    info.ptMaxSize = {1, 2};
    info.ptIntegral = {3, 4};
    info.ptActual = {5, 6};
    info.dwModeFlags = 0xFFFF;
    ASSERT_EQ(band->GetBandInfo(44, 0, &info), S_OK);
    EXPECT_EQ(text(info.ptMinSize), c.min) << int(c.type) << c.hosted;
    EXPECT_EQ(text(info.ptMaxSize), c.max) << int(c.type) << c.hosted;
    EXPECT_EQ(text(info.ptIntegral), c.integral) << int(c.type) << c.hosted;
    EXPECT_EQ(text(info.ptActual), c.actual) << int(c.type) << c.hosted;
    EXPECT_EQ(info.dwModeFlags, c.modes) << int(c.type) << c.hosted;
    EXPECT_FALSE(info.dwMask & DBIM_BKCOLOR) << "the host paints the background";
    EXPECT_EQ(std::u16string(info.wszTitle), u"Sample band");
    EXPECT_EQ(Object(band)->BandID(), 44u);
  }
}

TEST_F(HostedBand, TheTitleIsTheCaptionInWideCharactersAndAtMost255) {
  ComPtr<IDeskBand> band = CreateBand();
  struct Case {
    std::string caption;
    std::u16string title;
  } cases[] = {{"Árvíztűrő tükörfúrógép"_cp, u"Árvíztűrő tükörfúrógép"},
               {std::string(255, 'x'), std::u16string(255, u'x')},
               {std::string(300, 'y'), std::u16string(255, u'y')}};
  for (const Case& c : cases) {
    DeskBandModule()->SetCaption(c.caption);
    DESKBANDINFO info{};
    std::fill(std::begin(info.wszTitle), std::end(info.wszTitle), u'#');
    info.dwMask = DBIM_TITLE;
    ASSERT_EQ(band->GetBandInfo(1, 0, &info), S_OK);
    EXPECT_EQ(std::u16string(info.wszTitle), c.title);
  }
}

// A site that answers only some of what a band needs.
class TPartialSite : public TComObjectImpl<IInputObjectSite, IOleWindow, IOleCommandTarget, IServiceProvider> {
 public:
  explicit TPartialSite(IID missing) : missing_(missing) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == missing_) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return TComObjectImpl::QueryInterface(riid, ppv);
  }
  HRESULT OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
  HRESULT GetWindow(HWND* w) override {
    *w = GetDesktopWindow();
    return S_OK;
  }
  HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return E_NOTIMPL; }
  HRESULT Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT QueryService(REFGUID, REFIID, void** o) override {
    *o = nullptr;
    return E_NOINTERFACE;
  }

 private:
  IID missing_;
};

TEST_F(HostedBand, ASiteWithoutARequiredInterfaceIsRefusedAndChangesNothing) {
  ComPtr<IDeskBand> band = CreateBand();
  ComPtr<IObjectWithSite> withSite = band.As<IObjectWithSite>();
  for (const IID& missing : {IInputObjectSite::Iid, IOleWindow::Iid, IOleCommandTarget::Iid, IServiceProvider::Iid}) {
    auto site = MakeComObject<TPartialSite>(missing);
    EXPECT_EQ(withSite->SetSite(static_cast<IInputObjectSite*>(site.Get())), E_NOINTERFACE) << GUIDToString(missing);
    site->AddRef();
    EXPECT_EQ(site->Release(), 1u) << "nothing kept";
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(withSite->GetSite(IUnknown::Iid, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Object(band.Get())->Form(), nullptr) << "no band window was made";
    EXPECT_EQ(HookCount(), 0);
  }
  auto full = MakeComObject<TPartialSite>(GUID_NULL);
  ASSERT_EQ(withSite->SetSite(static_cast<IInputObjectSite*>(full.Get())), S_OK);
  ComPtr<IOleWindow> back;
  EXPECT_EQ(withSite->GetSite(IOleWindow::Iid, back.PutVoid()), S_OK);
  EXPECT_TRUE(Object(band.Get())->Form());
  EXPECT_EQ(Object(band.Get())->HostBrowser(), nullptr) << "a site without the browser service";
  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  band->CloseDW(0);
}

TEST_F(HostedBand, SitingAgainKeepsOneSetOfHooks) {
  Host(TShellHost::TMode::Taskbar);
  EXPECT_EQ(HookCount(), 2);
  ComPtr<IObjectWithSite> withSite = ComPtr<IDeskBand>(host_->Band()).As<IObjectWithSite>();
  ASSERT_TRUE(withSite);
  ASSERT_EQ(withSite->SetSite(static_cast<IInputObjectSite*>(host_->Site())), S_OK);
  EXPECT_EQ(HookCount(), 2) << "the first hooks went before the new ones came";
  Play("key Alt+S");
  EXPECT_TRUE(Form()->edSearch->Focused()) << "the hooks reach the form";
  ASSERT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(HookCount(), 0);
  EXPECT_EQ(Form()->lbStatus->Caption(), "unsited");
  ASSERT_EQ(withSite->SetSite(static_cast<IInputObjectSite*>(host_->Site())), S_OK);
  EXPECT_EQ(HookCount(), 2);
  withSite = nullptr;
  EXPECT_TRUE(host_->Finish()) << out_.str();
  EXPECT_EQ(HookCount(), 0);
}

TEST_F(HostedBand, ReleasingTheBandWithoutClosingItTakesItsWindowAndHooks) {
  ComPtr<IDeskBand> band = CreateBand();
  HWND parent = HostWindow();
  InitCommonControls();
  HWND rebar = CreateWindowExA(0, REBARCLASSNAMEA, "", WS_CHILD, 0, 0, 100, 30, parent, nullptr, nullptr, nullptr);
  auto site = MakeComObject<TBandSite>(rebar, nullptr, [](const std::string&) {});
  ASSERT_EQ(band.As<IObjectWithSite>()->SetSite(static_cast<IInputObjectSite*>(site.Get())), S_OK);
  HWND window = nullptr;
  ASSERT_EQ(band->GetWindow(&window), S_OK);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(HookCount(), 2);
  band = nullptr;
  EXPECT_FALSE(IsWindow(window)) << "the band window went with the band";
  EXPECT_EQ(HookCount(), 0) << "no hook is left to reach the freed band";
  EXPECT_EQ(ComServer()->ObjectCount(), 0);
  EXPECT_EQ(site->References(), 1u) << "the band released its site";
  SendMessageA(rebar, WM_SETFOCUS, 0, 0);  // a message through the thread's hooks: none is left
  DestroyWindow(parent);
}

// Keys of the system kind that reach an older hook, as "down S" / "up F4".
std::vector<std::string> g_systemKeys;
HHOOK g_olderHook = nullptr;

LRESULT CALLBACK OlderHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* m = reinterpret_cast<MSG*>(lParam);
  if (wParam == PM_REMOVE && (m->message == WM_SYSKEYDOWN || m->message == WM_SYSKEYUP) && m->wParam != VK_MENU)
    g_systemKeys.push_back(std::string(m->message == WM_SYSKEYDOWN ? "down " : "up ") +
                           (m->wParam == VK_F4 ? "F4" : std::string(1, char(m->wParam))));
  return CallNextHookEx(g_olderHook, code, wParam, lParam);
}

TEST_F(HostedBand, TheAltShortcutFocusesTheDefaultControlByItsLetter) {
  g_olderHook = SetWindowsHookExA(WH_GETMESSAGE, OlderHook, nullptr, GetCurrentThreadId());
  Host(TShellHost::TMode::Taskbar);
  Play("focus host");
  Notices();
  // The shortcut is "s", whose character code is VK_F4's: Alt+F4 is not the shortcut.
  Play("key Alt+F4");
  EXPECT_FALSE(Form()->edSearch->Focused());
  Play("key Alt+S");
  EXPECT_TRUE(Form()->edSearch->Focused());
  EXPECT_EQ(Notices(), (std::vector<std::string>{"has the focus"}));
  EXPECT_EQ(g_systemKeys, (std::vector<std::string>{"down F4", "up F4", "down S"}))
      << "the key-up of the shortcut became WM_NULL and went no further";
  // A default control that is not visible: nothing is focused, the key goes on.
  Play("focus host");
  Form()->edSearch->Hide();
  g_systemKeys.clear();
  Play("key Alt+S");
  EXPECT_FALSE(Form()->edSearch->Focused());
  EXPECT_EQ(g_systemKeys, (std::vector<std::string>{"down S", "up S"}));
  UnhookWindowsHookEx(g_olderHook);
}

TEST_F(HostedBand, TabMovesThroughTheControlsAndWrapsOutOfTheBand) {
  Host(TShellHost::TMode::Taskbar);
  ComPtr<IInputObject> input = ComPtr<IDeskBand>(host_->Band()).As<IInputObject>();
  Form()->edSearch->SetFocus();
  struct Case {
    UINT message;
    bool shift;
    HRESULT result;
    const char* focusAfter;
  } cases[] = {
      {WM_KEYDOWN, false, S_OK, "btnGo"},       {WM_KEYDOWN, false, S_OK, "btnHelp"},
      {WM_KEYDOWN, false, S_FALSE, "edSearch"},  // wrapped: the host takes the focus on
      {WM_KEYUP, false, S_OK, "edSearch"},       // only a key-down moves the focus
      {WM_KEYDOWN, true, S_FALSE, "btnHelp"},    // backwards from the first
      {WM_KEYDOWN, true, S_OK, "btnGo"},
  };
  for (const Case& c : cases) {
    BYTE keys[256]{};
    if (c.shift) keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    MSG msg{GetFocus(), c.message, VK_TAB, 0, 0, {}};
    EXPECT_EQ(input->TranslateAcceleratorIO(&msg), c.result) << c.focusAfter;
    TWinControl* focused = FindControl(GetFocus());
    EXPECT_EQ(focused ? focused->Name() : "?", c.focusAfter);
  }
  BYTE none[256]{};
  SetKeyboardState(none);
}

TEST_F(HostedBand, FocusNoticesToTheSite) {
  Host(TShellHost::TMode::Taskbar);
  ComPtr<IInputObject> input = ComPtr<IDeskBand>(host_->Band()).As<IInputObject>();
  Notices();
  struct Case {
    std::function<void()> step;
    std::vector<std::string> notices;
    HRESULT hasFocus;
  } cases[] = {
      {[&] { input->UIActivateIO(FALSE, nullptr); }, {}, S_FALSE},
      {[&] { input->UIActivateIO(TRUE, nullptr); }, {"has the focus"}, S_OK},
      {[&] { host_->Band()->ShowDW(FALSE); }, {"has lost the focus"}, S_FALSE},
      {[&] { Play("click Help"); }, {"has the focus"}, S_OK},  // a click inside the band
      {[&] { Play("focus host"); }, {}, S_FALSE},
      {[&] { Play("focus edSearch"); }, {"has the focus"}, S_OK},  // the focus went into the band
      {[&] { Play("focus btnGo"); }, {}, S_OK},
  };
  for (const Case& c : cases) {
    c.step();
    EXPECT_EQ(Notices(), c.notices);
    EXPECT_EQ(input->HasFocusIO(), c.hasFocus);
  }
}

TEST_F(HostedBand, ChevronMenusByHostAndBand) {
  struct Case {
    TShellHost::TMode mode;
    bool hideOther;  // the band then has room for everything
    std::string push;
    std::string menu;  // the band's menu, "" for none
    bool hostMenu;
    bool workerWReplaced;
  } cases[] = {
      {TShellHost::TMode::Taskbar, false, "chevron this Help", "\"Go\" \"Help\" chose \"Help\"", true, false},
      {TShellHost::TMode::Browser, false, "chevron this", "\"Help\" (dismissed)", false, true},
      {TShellHost::TMode::Browser, false, "chevron other", "", true, false},
      {TShellHost::TMode::Browser, true, "chevron this", "", true, false},
  };
  PopupList()->EnsureWindow();  // the menus' window of this process, which stays
  for (const Case& c : cases) {
    Host(c.mode);
    if (c.hideOther) SendMessageA(host_->Rebar(), RB_SHOWBAND, 0, FALSE);
    ClearMenuRecords();
    size_t logged = host_->Log().size();
    HWND workerW = GetParent(host_->Rebar());
    LONG_PTR before = GetWindowLongPtrA(workerW, GWLP_WNDPROC);
    Play(c.push);
    std::vector<TMenuRecord> menus = MenuRecords();
    if (c.menu.empty()) {
      EXPECT_TRUE(menus.empty()) << c.push;
    } else {
      ASSERT_EQ(menus.size(), 1u) << c.push;
      std::string items;
      for (auto& i : menus[0].items) items += "\"" + i.path + "\" ";
      EXPECT_EQ(items + (menus[0].choice.empty() ? "(dismissed)" : "chose \"" + menus[0].choice + "\""), c.menu);
    }
    bool hostMenu = false;
    for (size_t i = logged; i < host_->Log().size(); ++i)
      hostMenu |= host_->Log()[i].rfind("host: its own chevron menu", 0) == 0;
    EXPECT_EQ(hostMenu, c.hostMenu) << c.push;
    EXPECT_EQ(GetWindowLongPtrA(workerW, GWLP_WNDPROC) != before, c.workerWReplaced) << c.push;
    EXPECT_EQ(Form()->RebarID(), 0xA005) << "known from the rebar's notifications";
    if (c.workerWReplaced) {
      SendMessageA(host_->TopWindow(), WM_ENTERMENULOOP, TRUE, 0);  // any menu loop of the thread
      EXPECT_EQ(GetWindowLongPtrA(workerW, GWLP_WNDPROC), before) << "put back at the next menu loop";
    }
    if (c.menu.find("Help") != std::string::npos && c.menu.find("chose") != std::string::npos) {
      host_->Pump();
      EXPECT_EQ(Form()->lbStatus->Caption(), "help") << "the chosen item ran";
    }
    EXPECT_TRUE(host_->Finish()) << out_.str();
    host_.reset();
  }
}

TEST_F(HostedBand, OnlyNotificationsAboutThisBandTellTheRebarId) {
  Host(TShellHost::TMode::Taskbar);
  TDeskBand* band = Band();
  ASSERT_EQ(Form()->RebarID(), 0xA005);
  NMREBARCHEVRON chevron{};
  chevron.hdr = NMHDR{host_->Rebar(), 0x1234, UINT(RBN_CHEVRONPUSHED)};
  chevron.wID = band->BandID() + 1;
  SendMessageA(host_->TopWindow(), WM_NOTIFY, 0x1234, reinterpret_cast<LPARAM>(&chevron));
  EXPECT_EQ(Form()->RebarID(), 0xA005) << "a chevron push for another band";
  NMREBARCHILDSIZE size{};
  size.hdr = NMHDR{host_->Rebar(), 0x1234, UINT(RBN_CHILDSIZE)};
  size.wID = band->BandID() + 1;
  SendMessageA(host_->TopWindow(), WM_NOTIFY, 0x1234, reinterpret_cast<LPARAM>(&size));
  EXPECT_EQ(Form()->RebarID(), 0xA005) << "another band's child size";
  size.wID = band->BandID();
  SendMessageA(host_->TopWindow(), WM_NOTIFY, 0x1234, reinterpret_cast<LPARAM>(&size));
  EXPECT_EQ(Form()->RebarID(), 0x1234) << "this band's child size";
  EXPECT_TRUE(host_->Finish()) << out_.str();
}

TEST_F(HostedBand, RebarOperationsOfTheBand) {
  Host(TShellHost::TMode::Taskbar);
  TDeskBand* band = Band();
  EXPECT_EQ(GetRebarBandIndex(band), 1);
  RECT inRebar{};
  SendMessageA(host_->Rebar(), RB_GETRECT, 1, reinterpret_cast<LPARAM>(&inRebar));
  RECT screen = GetBandScreenRect(band);
  // The rebar sits at 60,2 in the taskbar, which is at 0,738.
  EXPECT_EQ(screen.left, inRebar.left + 60);
  EXPECT_EQ(screen.top, inRebar.top + 740);
  EXPECT_EQ(screen.right, inRebar.right + 60);
  size_t logged = host_->Log().size();
  ExpandBandInRebar(band);
  EXPECT_EQ(SendMessageA(host_->Rebar(), RB_GETBARHEIGHT, 0, 0), 22 + 22 + 4);
  RECT other{};
  SendMessageA(host_->Rebar(), RB_GETRECT, 0, reinterpret_cast<LPARAM>(&other));
  EXPECT_EQ(other.right - other.left, 10 + 40) << "the other band gave way to the maximised one";
  std::vector<std::string> lines(host_->Log().begin() + long(logged), host_->Log().end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "host: the rebar's layout changed"), lines.end());
}

TEST_F(HostedBand, BrowserEventsReachTheFormWhileSited) {
  Host(TShellHost::TMode::Browser);
  EXPECT_EQ(host_->Browser()->SinkCount(), 1u);
  EXPECT_TRUE(Form()->BrowserEvents());
  Play("navigate http://a.example/");
  EXPECT_EQ(Form()->lbStatus->Caption(), "at http://a.example/");
  Play("navigate http://blocked.example/");
  EXPECT_EQ(Form()->lbStatus->Caption(), "before http://blocked.example/");
  EXPECT_EQ(host_->Browser()->Location(), "http://a.example/") << "the form cancelled it";
  Play("type edSearch kutya");
  Play("click Go");
  EXPECT_EQ(host_->Browser()->Location(), "http://search.example/?q=kutya");
  ComPtr<IObjectWithSite> withSite = ComPtr<IDeskBand>(host_->Band()).As<IObjectWithSite>();
  ASSERT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(host_->Browser()->SinkCount(), 0u);
  EXPECT_EQ(Form()->BrowserEvents(), nullptr);
  withSite = nullptr;
  EXPECT_TRUE(host_->Finish()) << out_.str();
}

TEST_F(HostedBand, TwoBandsOnOneThreadEachSeeTheThreadsMessages) {
  HWND parent = HostWindow();
  InitCommonControls();
  HWND rebar = CreateWindowExA(0, REBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 350, 26, parent,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
  std::vector<std::string> log;
  ComPtr<IDeskBand> bands[2];
  ComPtr<TBandSite> sites[2];
  for (int i = 0; i < 2; ++i) {
    bands[i] = CreateBand();
    sites[i] = MakeComObject<TBandSite>(
        rebar, nullptr, [&log, i](const std::string& line) { log.push_back(std::to_string(i) + " " + line); });
    ASSERT_EQ(bands[i].As<IObjectWithSite>()->SetSite(static_cast<IInputObjectSite*>(sites[i].Get())), S_OK);
    DESKBANDINFO info{};
    info.dwMask = DBIM_MINSIZE;
    bands[i]->GetBandInfo(DWORD(10 + i), 0, &info);
    HWND window = nullptr;
    ASSERT_EQ(bands[i]->GetWindow(&window), S_OK);
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_USECHEVRON;
    band.hwndChild = window;
    band.cxMinChild = 150;
    band.cyMinChild = 22;
    band.cx = 160;
    band.wID = UINT(10 + i);
    band.cxIdeal = 380;
    SendMessageA(rebar, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
  }
  EXPECT_EQ(HookCount(), 4);
  auto form = [&](int i) { return static_cast<TSampleBandForm*>(Object(bands[i].Get())->Form()); };
  log.clear();
  form(0)->edSearch->SetFocus();  // the older band: the newer one's hook runs first and passes it on
  EXPECT_EQ(log, (std::vector<std::string>{"0 site: the band has the focus"}));
  form(1)->btnGo->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"0 site: the band has the focus", "1 site: the band has the focus"}));
  ClearMenuRecords();
  for (int i = 0; i < 2; ++i) {
    ScriptMenuChoice({""});
    SendMessageA(rebar, RB_PUSHCHEVRON, WPARAM(i), 0);
    std::vector<TMenuRecord> menus = MenuRecords();
    ASSERT_EQ(menus.size(), size_t(i + 1)) << "one menu for each push, from the band pushed";
    RECT r{};
    SendMessageA(rebar, RB_GETRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    POINT chevron{r.right - kRebarChevronWidth, r.bottom};
    ClientToScreen(rebar, &chevron);
    EXPECT_EQ(menus[size_t(i)].at.x, chevron.x);
    EXPECT_EQ(form(i)->RebarID(), 7);
  }
  for (auto& band : bands) {
    band->CloseDW(0);
    band.As<IObjectWithSite>()->SetSite(nullptr);
    band = nullptr;
  }
  EXPECT_EQ(HookCount(), 0);
  DestroyWindow(parent);
}

// A stream that fails its nth read or write, with a code or short.
class TFailingStream : public TComObjectImpl<IStream> {
 public:
  TFailingStream(int failAt, HRESULT code) : failAt_(failAt), code_(code) {}
  HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
    if (++calls_ == failAt_) {
      if (read) *read = code_ == S_OK ? size - 1 : 0;
      return code_;
    }
    std::memset(buffer, 9, size);
    if (read) *read = size;
    return S_OK;
  }
  HRESULT Write(const void*, ULONG size, ULONG* written) override {
    if (++calls_ == failAt_) {
      if (written) *written = code_ == S_OK ? size - 1 : 0;
      return code_;
    }
    if (written) *written = size;
    return S_OK;
  }
  HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

 private:
  int failAt_, calls_ = 0;
  HRESULT code_;
};

TEST_F(HostedBand, PersistsTheWindowsPositionAndWidth) {
  // Left 11, Top 3, Width 250, little-endian.
  const BYTE saved[12] = {11, 0, 0, 0, 3, 0, 0, 0, 250, 0, 0, 0};
  ComPtr<IDeskBand> band = CreateBand();
  ComPtr<IPersistStream> persist = band.As<IPersistStream>();
  ComPtr<IStream> stream = ComPtr<IStream>::Attach(SHCreateMemStream(saved, sizeof saved));
  ASSERT_EQ(persist->Load(stream.Get()), S_OK);
  EXPECT_EQ(persist.As<IPersistStreamInit>()->InitNew(), E_NOTIMPL);
  ComPtr<IStream> early = ComPtr<IStream>::Attach(SHCreateMemStream(nullptr, 0));
  EXPECT_EQ(persist->Save(early.Get(), TRUE), E_UNEXPECTED) << "nothing to save before the band window";
  HWND window = nullptr;
  ASSERT_EQ(band->GetWindow(&window), S_OK);
  TDeskBandForm* form = Object(band.Get())->Form();
  EXPECT_EQ(form->Left(), 11);
  EXPECT_EQ(form->Top(), 3);
  EXPECT_EQ(form->Width(), 250);
  // The form's window procedure is wrapped once: a message passes the band and reaches the form once.
  int reached = 0;
  TWndMethod formProc = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 77) ++reached;
    formProc(m);
  };
  HWND again = nullptr;
  ASSERT_EQ(band->GetWindow(&again), S_OK);
  EXPECT_EQ(again, window);
  SendMessageA(window, WM_USER + 77, 0, 0);
  EXPECT_EQ(reached, 1);
  form->SetBounds(-5, 6, 170, 22);
  ComPtr<IStream> out = ComPtr<IStream>::Attach(SHCreateMemStream(nullptr, 0));
  ASSERT_EQ(persist->Save(out.Get(), TRUE), S_OK);
  std::string bytes;
  ASSERT_TRUE(vandrel::ReadWholeStream(out.Get(), bytes));
  EXPECT_EQ(bytes, std::string("\xFB\xFF\xFF\xFF\x06\x00\x00\x00\xAA\x00\x00\x00", 12));
  ULARGE_INTEGER max{};
  EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
  EXPECT_EQ(max.QuadPart, 1024u);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  CLSID category{};
  EXPECT_EQ(persist->GetClassID(&category), S_OK);
  EXPECT_EQ(GUIDToString(category), "{00021492-0000-0000-C000-000000000046}") << "the category, not the CLSID";
  band->CloseDW(0);

  // Failing streams: an error, and nothing loaded.
  ComPtr<IDeskBand> plain = CreateBand();
  HWND plainWindow = nullptr;
  ASSERT_EQ(plain->GetWindow(&plainWindow), S_OK);
  int ownWidth = Object(plain.Get())->Form()->Width();
  plain->CloseDW(0);
  struct Case {
    int failAt;
    HRESULT code, expected;
  } cases[] = {{1, E_FAIL, E_FAIL}, {2, STG_E_READFAULT, STG_E_READFAULT}, {3, S_OK, STG_E_READFAULT}};
  for (const Case& c : cases) {
    ComPtr<IDeskBand> fresh = CreateBand();
    auto failing = MakeComObject<TFailingStream>(c.failAt, c.code);
    EXPECT_EQ(fresh.As<IPersistStream>()->Load(failing.Get()), c.expected) << c.failAt;
    HWND w = nullptr;
    ASSERT_EQ(fresh->GetWindow(&w), S_OK);
    EXPECT_EQ(Object(fresh.Get())->Form()->Left(), 0) << "a failed load places nothing";
    EXPECT_EQ(Object(fresh.Get())->Form()->Width(), ownWidth);
    auto failingWrite = MakeComObject<TFailingStream>(c.failAt, c.code);
    EXPECT_EQ(fresh.As<IPersistStream>()->Save(failingWrite.Get(), TRUE), c.code == S_OK ? STG_E_WRITEFAULT : c.code);
    fresh->CloseDW(0);
  }
}

TEST_F(HostedBand, ContextMenuAddsNothingAndRunsNothing) {
  ComPtr<IContextMenu> menu = CreateBand().As<IContextMenu>();
  EXPECT_EQ(menu->QueryContextMenu(nullptr, 0, 100, 200, CMF_NORMAL), S_OK);
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = "open";
  EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL);
  info.lpVerb = MAKEINTRESOURCEA(0);
  EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL) << "no command has index 0";
  char name[8] = "x";
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, name, sizeof name), S_OK);
  EXPECT_STREQ(name, "x");
}

// ---- the form on its own ----

std::vector<std::string> g_order;

class TOrderForm : public TSampleBandForm {
  VCL_CLASS(TOrderForm, TSampleBandForm)
  using TSampleBandForm::TSampleBandForm;
  void BeforeCreate() override { g_order.push_back("before"); }
  void AfterCreate() override { g_order.push_back("after:" + (lbStatus ? lbStatus->Caption() : std::string("-"))); }
};

class TMissingResourceForm : public TDeskBandForm {
  VCL_CLASS(TMissingResourceForm, TDeskBandForm)
  using TDeskBandForm::TDeskBandForm;
  void BeforeCreate() override { g_order.push_back("before"); }
  void AfterCreate() override { g_order.push_back("after"); }
};

TEST(BandForm, CreationIsEnclosedByBeforeAndAfterCreateEvenWhenItFails) {
  TestMachine machine;
  RegisterSampleBandClasses();
  HWND parent = HostWindow();
  TDeskBandForm* form = TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TOrderForm>(), nullptr, parent);
  EXPECT_EQ(g_order, (std::vector<std::string>{"before", "after:created"})) << "OnCreate ran in between";
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_TRUE(form->TabStop());
  EXPECT_TRUE(form->DoubleBuffered());
  EXPECT_EQ(GetParent(form->Handle()), parent);
  form->Free();
  g_order.clear();
  try {
    TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TMissingResourceForm>(), nullptr, parent);
    ADD_FAILURE() << "made without a resource";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource \"TMissingResourceForm\" not found");
  }
  EXPECT_EQ(g_order, (std::vector<std::string>{"before", "after"}));
  DestroyWindow(parent);
}

// A band form of the base class alone, as a child of a plain window.
class BareBandForm : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = HostWindow();
    form_ = TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TDeskBandForm>(), nullptr, parent_);
  }
  void TearDown() override {
    if (form_) form_->Free();
    DestroyWindow(parent_);
  }
  TestMachine machine_;
  HWND parent_ = nullptr;
  TDeskBandForm* form_ = nullptr;
};

TEST_F(BareBandForm, DefaultSizesAndWhatTheHandlersChange) {
  TDeskBandForm* form = form_;
  auto sizes = [&] {
    POINTL a, b, c, d;
    form->GetMinSize(a);
    form->GetMaxSize(b);
    form->GetIntegralUnits(c);
    form->GetActualSize(d);
    auto t = [](POINTL p) { return std::to_string(p.x) + "x" + std::to_string(p.y); };
    return t(a) + " " + t(b) + " " + t(c) + " " + t(d);
  };
  EXPECT_EQ(sizes(), "200x22 -1x22 1x1 200x22");
  form->OnGetMinSize = [](TObject*, POINTL& p) { p = POINTL{50, 30}; };
  EXPECT_EQ(sizes(), "50x30 -1x30 1x1 50x30") << "the minimum is where the maximum and actual sizes start";
  form->OnGetMaxSize = [](TObject*, POINTL& p) { p.x = 900; };
  form->OnGetIntegralUnits = [](TObject*, POINTL& p) { p.y = 5; };
  form->OnGetActualSize = [](TObject*, POINTL& p) { p.x += 10; };
  EXPECT_EQ(sizes(), "50x30 900x30 1x5 60x30");
}

TEST_F(BareBandForm, InstallingTheHooksWithoutASecondThunkRemovesTheFirstAndRaises) {
  TDeskBandForm* form = form_;
  std::vector<TCallbackThunk> taken;
  auto noop = [](void*, TThunkRecord&) {};
  while (TCallbackThunk t = MakeCallbackThunk(noop, nullptr)) taken.push_back(t);
  FreeCallbackThunk(taken.back());  // one thunk left: enough for the first hook only
  taken.pop_back();
  try {
    form->InstallHooks();
    ADD_FAILURE() << "no error";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  }
  EXPECT_EQ(HookCount(), 0) << "the first hook went again";
  EXPECT_FALSE(form->HooksInstalled());
  TCallbackThunk again = MakeCallbackThunk(noop, nullptr);
  EXPECT_NE(again, nullptr) << "the first hook's thunk was given back";
  FreeCallbackThunk(again);
  for (TCallbackThunk t : taken) FreeCallbackThunk(t);
  form->InstallHooks();
  EXPECT_EQ(HookCount(), 2);
}

TEST_F(BareBandForm, RemovingTheHooksTriesBothAndReportsAFailureAfterwards) {
  TDeskBandForm* form = form_;
  form->InstallHooks();
  form->InstallHooks();
  EXPECT_EQ(HookCount(), 2);
  ASSERT_TRUE(UnhookWindowsHookEx(form->GetMessageHookHandle()));  // gone behind the form's back
  try {
    form->RemoveHooks();
    ADD_FAILURE() << "the failure was not reported";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), 1404u);  // ERROR_INVALID_HOOK_HANDLE
  }
  EXPECT_EQ(HookCount(), 0) << "the other hook went all the same";
  EXPECT_FALSE(form->HooksInstalled());
  form->InstallHooks();
  ASSERT_TRUE(UnhookWindowsHookEx(form->CallWndProcHookHandle()));
  form_ = nullptr;
  form->Free();  // destruction removes what is left and raises nothing
  EXPECT_EQ(HookCount(), 0);
}

TEST_F(BareBandForm, TabStopsInsideOneContainer) {
  TDeskBandForm* form = form_;
  form->SetVisible(true);
  EXPECT_TRUE(form->SelectNextTab(true)) << "a form without controls always wraps";
  auto* panel = NewObject<TPanel>(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 300, 22);
  std::vector<TEdit*> edits;
  for (int i = 0; i < 3; ++i) {
    auto* e = NewObject<TEdit>(form);
    e->SetName("e" + std::to_string(i));
    e->SetParent(panel);
    e->SetBounds(i * 100, 0, 90, 20);
    e->SetTabStop(true);
    edits.push_back(e);
  }
  edits[0]->SetFocus();
  EXPECT_FALSE(form->SelectNextTab(false)) << "the last tab stop is taken as the container's first one";
  EXPECT_EQ(form->ActiveControl(), edits[2]);
  EXPECT_TRUE(form->SelectNextTab(true)) << "forward onto the first tab stop wraps";
  EXPECT_EQ(form->ActiveControl(), edits[0]);
  EXPECT_FALSE(form->SelectNextTab(true));
  EXPECT_EQ(form->ActiveControl(), edits[1]);
}

TEST_F(BareBandForm, BackgroundFromTheParentWhenThemesAreOn) {
  TDeskBandForm* form = form_;
  form->SetVisible(true);
  HDC dc = GetDC(form->Handle());
  vandrel::themes_testing::ClearParentBackgroundCalls();
  auto erase = [&] { return SendMessageA(form->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0); };
  erase();
  EXPECT_TRUE(vandrel::themes_testing::ParentBackgroundCalls().empty()) << "no theme services yet: the form's own";
  NewObject<TXPManifest>(form);
  EXPECT_EQ(erase(), 1);
  EXPECT_TRUE(vandrel::themes_testing::ParentBackgroundCalls().empty()) << "themes are off";
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\n\"ThemeActive\"="
      "\"1\"\n",
      error));
  EXPECT_EQ(erase(), 1);
  auto calls = vandrel::themes_testing::ParentBackgroundCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].hwnd, form->Handle());
  EXPECT_EQ(calls[0].dc, dc);
  ShowWindow(form->Handle(), SW_MINIMIZE);
  EXPECT_EQ(erase(), 0) << "nothing while minimised";
  EXPECT_EQ(vandrel::themes_testing::ParentBackgroundCalls().size(), 1u);
  ReleaseDC(form->Handle(), dc);
}

TEST_F(BareBandForm, AnswersABrowserControlAsItsDocumentHost) {
  TDeskBandForm* form = form_;
  IDocHostUIHandler* handler = nullptr;
  ASSERT_EQ(form->QueryInterface(IDocHostUIHandler::Iid, reinterpret_cast<void**>(&handler)), S_OK);
  EXPECT_EQ(form->QueryInterface(IDispatch::Iid, reinterpret_cast<void**>(&handler)), E_NOINTERFACE);
  DOCHOSTUIINFO info;
  std::memset(&info, 0xFF, sizeof info);
  EXPECT_EQ(form->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0u);
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(info.pchHostCss, nullptr);
  EXPECT_EQ(form->ShowContextMenu(0, nullptr, nullptr, nullptr), S_FALSE);
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(form->GetExternal(&external), E_NOTIMPL);
  EXPECT_EQ(external, nullptr);
  EXPECT_EQ(form->TranslateAccelerator(nullptr, nullptr, 0), E_NOTIMPL);
}

}  // namespace
