// The band form in this process: its resource and life, the toolbar built from small definitions, its
// sizes and keys, its failures, and its signal and first-start timers.
#include "toolbar/uBandForm.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <thread>

#include "platform/components/FileUtils.h"
#include "platform/components/Icons.h"
#include "platform/components/StdCtrls.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uSignals.h"
#include "toolbar/uWatchThread.h"

struct TDefinitionTestAccess {
  static void SetListType(TToolbarComboControl* combo, int type) { combo->listType_ = TToolbarComboListType(type); }
};

namespace {

using namespace band_form_test;
using namespace library_test;

const std::string kButton = "<BUTTON imagelist=\"gombok\" action=\"none\"/>";

// A control of a class the builder does not know.
class TStrangeControl : public TToolBarControl {
  VCL_CLASS(TStrangeControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void LoadFromNode(TXMLNode*, TFileStorage*) override {}
};

// Every definition control the form's controls may point at: the definition's (INCLUDEs expanded) and
// the script-added ones.
void AddLive(const TCustomToolbarDefinition& definition, std::set<const TObject*>& live) {
  for (int i = 0; i < definition.Controls()->Count(); ++i) {
    TToolBarControl* control = definition.Controls()->Items(i);
    live.insert(control);
    if (auto* include = DynamicAs<TToolbarIncludeControl>(control)) AddLive(*include->IncludeDefinition(), live);
  }
}

// The Tags of built controls and tool buttons that point at no living definition control.
int DeadTags(const TTessalineDeskBandForm& form) {
  std::set<const TObject*> live;
  if (form.CurrentDefinition()) AddLive(*form.CurrentDefinition(), live);
  for (int i = 0; i < form.ExtraControls()->Count(); ++i) live.insert(form.ExtraControls()->Items(i));
  int dead = 0;
  auto check = [&](const TControl* control) { dead += live.count(reinterpret_cast<TObject*>(control->Tag())) ? 0 : 1; };
  for (int i = 0; i < form.BuiltControls()->Count(); ++i) {
    auto* control = static_cast<TControl*>(form.BuiltControls()->Items(i));
    check(control);
    if (auto* bar = DynamicAs<TToolBar>(control))
      for (int b = 0; b < bar->ButtonCount(); ++b) check(bar->Buttons(b));
  }
  return dead;
}

// Whether another thread could take the section now.
bool FreeForOthers(TCriticalSection* section) {
  bool taken = false;
  std::thread probe([&] {
    taken = section->TryEnter();
    if (taken) section->Leave();
  });
  probe.join();
  return taken;
}

// WM_PAINT messages sent on this thread while the hook is in.
int g_paints = 0;
LRESULT CALLBACK CountPaints(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == WM_PAINT) ++g_paints;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- resource and life ----

TEST_F(BandFormTest, TheResourceMakesTheComponentsAndWiresTheEvents) {
  Start(Definition("", kButton));
  TTessalineDeskBandForm* form = MakeForm();
  std::vector<std::string> names;
  for (int i = 0; i < form->ComponentCount() && names.size() < 5; ++i) names.push_back(form->Components(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"CtrlPanel", "XPManifest1", "SignalCheckTimer", "FeedCheckTimer",
                                             "FirstStartTimer"}));
  EXPECT_FALSE(form->CtrlPanel->Visible());
  EXPECT_EQ(form->CtrlPanel->BevelOuter(), bvNone);
  EXPECT_TRUE(form->CtrlPanel->DoubleBuffered());
  EXPECT_TRUE(form->CtrlPanel->ParentBackground());
  EXPECT_TRUE(form->CtrlPanel->OnClick && form->CtrlPanel->OnEnter);
  struct {
    TTimer* timer;
    unsigned interval;
  } timers[] = {{form->SignalCheckTimer, 300}, {form->FeedCheckTimer, 5000}, {form->FirstStartTimer, 300}};
  for (auto& t : timers) {
    EXPECT_EQ(t.timer->Interval(), t.interval) << t.timer->Name();
    EXPECT_TRUE(t.timer->Enabled()) << t.timer->Name();
    EXPECT_TRUE(bool(t.timer->OnTimer)) << t.timer->Name();
  }
  EXPECT_TRUE(form->OldCreateOrder());
  EXPECT_TRUE(form->DoubleBuffered());
  EXPECT_TRUE(form->OnCreate && form->OnDestroy && form->OnResize && form->OnGetShortcutKey &&
              form->OnGetDefaultControl && form->OnGetActualSize && form->OnGetMinSize && form->OnGetMaxSize &&
              form->OnGetChevronMenu);
  ASSERT_NE(form->CurrentDefinition(), nullptr);
  EXPECT_EQ(form->BuiltControls()->Count(), 1);
}

TEST_F(BandFormTest, TheFirstFormStartsTheWatchThreadAndTheLastStopsIt) {
  Start(Definition("", kButton));
  EXPECT_FALSE(WatchThreadExists());
  TTessalineDeskBandForm* form = MakeForm();
  EXPECT_TRUE(WatchThreadExists());
  EXPECT_NE(SignalWindowHandle(), nullptr);
  auto* second = static_cast<TTessalineDeskBandForm*>(
      TDeskBandForm::CreateBand(TDeskBandFormClass::Of<TTessalineDeskBandForm>(), nullptr, host_));
  form->Free();
  form_ = nullptr;
  EXPECT_TRUE(WatchThreadExists()) << "one form is left";
  EXPECT_NE(SignalWindowHandle(), nullptr);
  second->Free();
  EXPECT_FALSE(WatchThreadExists());
  EXPECT_EQ(SignalWindowHandle(), nullptr);
  EXPECT_TRUE(FreeForOthers(BandLock()));
}

// ---- layout ----

TEST_F(BandFormTest, LayoutOfSmallDefinitions) {
  const std::string captioned = "<BUTTON caption=\"Negyedik\" imagelist=\"gombok\" action=\"none\"/>";
  const std::string text = "<TEXT id=\"a\" width=\"50\"/>";
  struct Case {
    const char* name;
    std::string attributes, body;
    std::string layout;
    int builtWidth;
  } cases[] = {
      {"three captionless buttons share a bar, a captioned fourth starts one right against it", "",
       kButton + kButton + kButton + captioned, "TMyToolBar 0,0 69x22 [23 23 23]\nTMyToolBar 69,0 73x22 [73]\n", 142},
      {"a separator lets the captioned button join", "", kButton + kButton + kButton + "<SEPARATOR/>" + captioned,
       "TMyToolBar 0,0 150x22 [23 23 23 | 73]\n", 150},
      {"a button of another image list starts a bar", "", kButton + "<BUTTON imagelist=\"masik\" action=\"none\"/>",
       "TMyToolBar 0,0 23x22 [23]\nTMyToolBar 23,0 23x22 [23]\n", 46},
      {"a button after a spacer starts a bar", "", kButton + "<spacer width=\"10\"/>" + kButton,
       "TMyToolBar 0,0 23x22 [23]\nTMyToolBar 35,0 23x22 [23]\n", 58},
      {"spacing 2 and a spacer of 10 between edit boxes", "",
       text + "<spacer width=\"10\"/><TEXT id=\"b\" width=\"50\"/>", "TEdit 0,0 50x22\nTEdit 62,0 50x22\n", 112},
      {"spacing between a bar and an edit box, none between bars", "controlspacing=\"5\"", kButton + text + kButton,
       "TMyToolBar 0,0 23x22 [23]\nTEdit 28,0 50x22\nTMyToolBar 83,0 23x22 [23]\n", 106},
      {"an area hidden offline leaves no gap", "",
       text + "<HTMLAREA width=\"100\" src=\"http://x/\" autohide=\"1\"/><TEXT id=\"b\" width=\"50\"/>",
       "TEdit 0,0 50x22\nTEdit 52,0 50x22\n", 102},
      {"zero widths: the combo and select boxes size themselves", "",
       "<COMBO id=\"c\" width=\"0\" action=\"none\"/><SELECT id=\"d\" width=\"0\"/>",
       "TComboBox 0,0 145x21\nTComboBox 147,0 145x21\n", 292},
      {"given widths of buttons and separators", "",
       "<BUTTON caption=\"A\" width=\"40\" action=\"none\"/><SEPARATOR width=\"12\"/><SEPARATOR width=\"0\"/>",
       "TMyToolBar 0,0 60x22 [40 | |]\n", 60},
      {"an image keeps its bitmap's size, centred", "", "<IMAGE id=\"k\" src=\"buttons.bmp\" action=\"none\"/>",
       "TImage 0,3 64x16\n", 64},
      {"the height follows the maximum height", "minheight=\"30\"", text + kButton,
       "TEdit 0,0 50x30\nTMyToolBar 52,0 23x30 [23]\n", 75},
  };
  Start(Definition("", kButton));
  for (const Case& c : cases) {
    Ship(Definition(c.attributes, c.body));
    TTessalineDeskBandForm* form = MakeForm();
    EXPECT_EQ(Layout(*form), c.layout) << c.name << "\n" << LogText();
    EXPECT_EQ(form->BuiltWidth(), c.builtWidth) << c.name;
    form->Free();
    form_ = nullptr;
    DestroyWindow(host_);
  }
}

TEST_F(BandFormTest, TheBandsSizesAndHeight) {
  struct Case {
    std::string attributes;
    POINTL min, max;
    int height;
  } cases[] = {
      {"", {200, 22}, {-1, 22}, 22},
      {"minheight=\"25\"", {200, 25}, {-1, 25}, 25},
      {"minheight=\"25\" maxheight=\"30\"", {200, 25}, {-1, 30}, 30},
      {"minwidth=\"120\" maxwidth=\"400\"", {120, 22}, {400, 22}, 22},
  };
  Start(Definition("", kButton));
  for (const Case& c : cases) {
    Ship(Definition(c.attributes, kButton + kButton));
    TTessalineDeskBandForm* form = MakeForm();
    POINTL min{}, max{}, actual{};
    form->GetMinSize(min);
    form->GetMaxSize(max);
    form->GetActualSize(actual);
    EXPECT_EQ(min.x, c.min.x) << c.attributes;
    EXPECT_EQ(min.y, c.min.y) << c.attributes;
    EXPECT_EQ(max.x, c.max.x) << c.attributes;
    EXPECT_EQ(max.y, c.max.y) << c.attributes;
    EXPECT_EQ(actual.x, 46 + form->Canvas()->TextWidth("Teszt") + 6) << "the controls and the caption";
    EXPECT_EQ(actual.y, c.max.y) << c.attributes;
    EXPECT_EQ(form->Height(), c.height) << c.attributes;
    form->SetHeight(50);
    EXPECT_EQ(form->Height(), c.height) << "a resize goes back to the band's height";
    form->Free();
    form_ = nullptr;
    DestroyWindow(host_);
  }
}

TEST_F(BandFormTest, ShortcutKeyAndDefaultControl) {
  const std::string body = kButton +
                           "<COMBO id=\"Kereses\" width=\"80\" action=\"none\"/><TEXT id=\"nev\" width=\"50\"/>"
                           "<SELECT id=\"valaszt\" width=\"50\"/>";
  struct Case {
    std::string attributes;
    char key;             // '?' is the caller's, left unchanged
    const char* control;  // the class and Left of the default control, or "none"
  } cases[] = {
      {"shortcut=\"v\" defaultcontrol=\"NEV\"", 'v', "TEdit 107"},
      {"shortcut=\"Kx\" defaultcontrol=\"valaszt\"", 'K', "TComboBox 159"},
      {"shortcut=\"\" defaultcontrol=\"nincs ilyen\"", '?', "TComboBox 25"},
      {"", '?', "none"},
  };
  Start(Definition("", kButton));
  for (const Case& c : cases) {
    Ship(Definition(c.attributes, body));
    TTessalineDeskBandForm* form = MakeForm();
    char key = '?';
    form->OnGetShortcutKey(form, key);
    EXPECT_EQ(key, c.key) << c.attributes;
    TWinControl* control = nullptr;
    form->OnGetDefaultControl(form, control);
    EXPECT_EQ(control ? control->ClassName() + " " + std::to_string(control->Left()) : "none", c.control)
        << c.attributes;
    form->Free();
    form_ = nullptr;
    DestroyWindow(host_);
  }
  Ship(Definition("defaultcontrol=\"nev\"", body));
  TTessalineDeskBandForm* form = MakeForm();
  EXPECT_EQ(form->FindVarControl(""), nullptr);
  EXPECT_EQ(form->FindVarWinControl("semmi"), nullptr);
  ASSERT_NE(form->FindVarControl("kereses"), nullptr);
  EXPECT_EQ(form->FindVarControl("kereses")->Id(), "Kereses") << "ids match in any letter case";
  EXPECT_EQ(reinterpret_cast<TObject*>(form->FindVarWinControl("KERESES")->Tag()), form->FindVarControl("kereses"));
  form->Show();
  form->CtrlPanelClick(form->CtrlPanel);
  EXPECT_EQ(form->ActiveControl(), form->FindVarWinControl("nev")) << "the panel's click picks the default control";
}

TEST_F(BandFormTest, EachKindOfControlGetsItsSettings) {
  Start(Definition("", kButton));
  Ship(Definition("",
                  "<BUTTON caption=\"Kapcsol\" imagelist=\"gombok\" imageindex=\"2\" hint=\"Tipp\" action=\"toggle\" "
                  "disabled=\"1\"/>"
                  "<BUTTON caption=\"%%toolbarguid%%\" imagelist=\"gombok\" action=\"openurl\" href=\"http://x/\"/>"
                  "<COMBO id=\"c\" width=\"80\" listtype=\"simple\" dropdownsize=\"5\" defaultvalue=\"Kettő\" "
                  "autocomplete=\"0\" hint=\"Keres\" action=\"none\">"
                  "<ITEMS><ITEM caption=\"Egy\" value=\"1\"/><ITEM caption=\"Kettő\" value=\"2=b\"/></ITEMS></COMBO>"
                  "<SELECT id=\"s\" width=\"60\" defaultvalue=\"B\"><ITEMS><ITEM caption=\"A\" value=\"a\"/>"
                  "<ITEM caption=\"B\" value=\"b\"/></ITEMS></SELECT>"
                  "<TEXT id=\"t\" width=\"0\" defaultvalue=\"szó\" hint=\"\"/>"
                  "<IMAGE id=\"k1\" src=\"buttons.bmp\" maskcolor=\"$ff00ff\" action=\"openurl\" href=\"http://x/\"/>"
                  "<IMAGE id=\"k2\" src=\"buttons.bmp\" action=\"none\"/>"));
  TTessalineDeskBandForm* form = MakeForm();
  ASSERT_EQ(form->BuiltControls()->Count(), 6) << Layout(*form);
  auto* bar = As<TMyToolBar>(form->BuiltControls()->Items(0));
  ASSERT_EQ(bar->ButtonCount(), 2);
  TToolButton* toggle = bar->Buttons(0);
  EXPECT_EQ(toggle->Style(), tbsCheck);
  EXPECT_FALSE(toggle->Enabled());
  EXPECT_EQ(toggle->Hint(), "Tipp");
  EXPECT_TRUE(toggle->ShowHint());
  EXPECT_EQ(toggle->ImageIndex(), 2);
  EXPECT_EQ(toggle->Caption(), "Kapcsol");
  EXPECT_NE(bar->Images(), nullptr);
  EXPECT_TRUE(bar->ShowCaptions() && bar->List() && bar->Flat() && bar->Transparent());
  EXPECT_EQ(bar->EdgeInner(), esNone);
  EXPECT_EQ(bar->EdgeOuter(), esNone);
  TToolButton* open = bar->Buttons(1);
  EXPECT_EQ(open->Style(), tbsButton);
  EXPECT_EQ(open->Caption(), kGuid) << "macros expand in captions";
  EXPECT_FALSE(open->ShowHint());
  EXPECT_TRUE(bool(open->OnClick));

  auto* combo = As<TComboBox>(form->BuiltControls()->Items(1));
  EXPECT_EQ(combo->Style(), csSimple);
  EXPECT_EQ(combo->DropDownCount(), 5);
  EXPECT_FALSE(combo->AutoComplete());
  EXPECT_EQ(combo->Items()->Text(), "Egy\r\nKettő\r\n"_cp);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "Kettő"_cp);
  EXPECT_TRUE(combo->OnEnter && combo->OnDropDown && combo->OnKeyDown);
  auto* select = As<TComboBox>(form->BuiltControls()->Items(2));
  EXPECT_EQ(select->Style(), csDropDownList);
  EXPECT_EQ(select->ItemIndex(), 1);
  EXPECT_EQ(select->Text(), "B");
  auto* edit = As<TEdit>(form->BuiltControls()->Items(3));
  EXPECT_EQ(edit->Text(), "szó"_cp);
  EXPECT_TRUE(edit->AutoSize());
  EXPECT_EQ(edit->Width(), 121) << "a zero width keeps the box's own";
  EXPECT_EQ(edit->Height(), 21) << "and sizes itself";
  auto* masked = As<TImage>(form->BuiltControls()->Items(4));
  EXPECT_EQ(masked->Cursor(), crHandPoint);
  EXPECT_TRUE(masked->Transparent());
  ASSERT_NE(DynamicAs<TIcon>(masked->Picture()->Graphic()), nullptr) << "masked: an icon";
  EXPECT_EQ(masked->Picture()->Width(), 64);
  auto* plain = As<TImage>(form->BuiltControls()->Items(5));
  EXPECT_EQ(plain->Cursor(), crDefault);
  EXPECT_FALSE(bool(plain->OnClick));
  ASSERT_NE(DynamicAs<TBitmap>(plain->Picture()->Graphic()), nullptr) << "unmasked: the bitmap";
  for (int i = 0; i < form->BuiltControls()->Count(); ++i) {
    auto* control = static_cast<TControl*>(form->BuiltControls()->Items(i));
    EXPECT_EQ(control->Owner(), form);
    EXPECT_EQ(control->Parent(), form);
    if (auto* windowed = DynamicAs<TWinControl>(control)) {
      EXPECT_TRUE(windowed->HandleAllocated());
    }
  }
}

// ---- failures ----

TEST_F(BandFormTest, AFailedBuildKeepsWhatWasPlacedAndFreesTheLocks) {
  Start(Definition("", kButton));
  Ship(Definition("", kButton + "<COMBO id=\"c\" width=\"80\" action=\"none\"/>" + kButton));
  TTessalineDeskBandForm* form = MakeForm();
  form->Show();
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountPaints, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  TToolbarDefinition* definition = form->CurrentDefinition();
  struct Case {
    const char* name;
    std::function<void()> spoil;
    std::string message;
  } cases[] = {
      {"a control of an unknown class", [&] { definition->Controls()->Add(NewObject<TStrangeControl>(definition)); },
       "Ismeretlen toolbarcontrol \"TStrangeControl\""},
      {"a bad list type",
       [&] { TDefinitionTestAccess::SetListType(As<TToolbarComboControl>(definition->Controls()->Items(1)), 3); },
       "Unhandled CtrlDef.ListType (3)"},
  };
  for (const Case& c : cases) {
    c.spoil();
    g_paints = 0;
    try {
      form->BuildControls();
      ADD_FAILURE() << c.name;
    } catch (const ETessaline& e) {
      EXPECT_EQ(e.Message(), c.message) << c.name;
    }
    EXPECT_FALSE(IsRedrawSuspended(form->Handle())) << c.name;
    EXPECT_GT(g_paints, 0) << "the paints ran: " << c.name;
    EXPECT_TRUE(FreeForOthers(BandLock())) << c.name;
    EXPECT_TRUE(FreeForOthers(form->FormLock())) << c.name;
    EXPECT_EQ(form->BuiltWidth(), 0) << c.name;
    EXPECT_EQ(DeadTags(*form), 0) << c.name;
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(Layout(*form), "TMyToolBar 0,0 23x22 [23]\n") << "what was placed before the combo box stays";
}

TEST_F(BandFormTest, NoControlKeepsATagOfAFreedDefinition) {
  Start(Definition("", kButton));
  Ship(Definition("", kButton + "<TEXT id=\"t\" width=\"50\"/>"));
  TTessalineDeskBandForm* form = MakeForm();
  form->AddExtraButton("Jó"_cp, "gombok", 1, "http://x/", "_blank");
  form->AddExtraButton("Rossz", "nincs ilyen", 0, "http://x/", "");
  form->AddExtraSeparator();
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  EXPECT_FALSE(form->RebuildPending());
  EXPECT_EQ(form->ExtraControls()->Count(), 2) << "the unresolvable record is skipped, the others stay";
  EXPECT_EQ(Layout(*form), "TMyToolBar 0,0 23x22 [23]\nTEdit 25,0 50x22\nTMyToolBar 77,0 48x22 [40 |]\n");
  EXPECT_NE(LogText().find("  Extra button \"Rossz\" skipped (ETessaline): Can't find imagelist \"nincs ilyen\"\r\n"),
            std::string::npos)
      << LogText();

  // A new definition whose build fails: the old one's controls went before it did.
  Ship(Definition("", kButton + "<COMBO id=\"c\" width=\"80\" listtype=\"dropdown\" action=\"none\"/>"));
  form->LoadDefinition(false);
  EXPECT_EQ(form->BuiltControls()->Count(), 0);
  EXPECT_EQ(form->ExtraControls()->Count(), 0);
  TDefinitionTestAccess::SetListType(As<TToolbarComboControl>(form->CurrentDefinition()->Controls()->Items(1)), 3);
  EXPECT_THROW(form->BuildControls(), ETessaline);
  EXPECT_EQ(DeadTags(*form), 0);
  EXPECT_EQ(form->ExtraControls()->Count(), 2);

  // A definition that does not load changes nothing.
  Ship("<TOOLBAR");
  TToolbarDefinition* before = form->CurrentDefinition();
  std::string layout = Layout(*form);
  EXPECT_ANY_THROW(form->LoadDefinition(true));
  EXPECT_EQ(form->CurrentDefinition(), before);
  EXPECT_EQ(Layout(*form), layout);
  EXPECT_EQ(DeadTags(*form), 0);
}

TEST_F(BandFormTest, AFormWithoutADefinitionAnswersTheBaseSizesAndLoadsAtTheNextSignal) {
  Start(Definition("", kButton));
  Ship("<TOOLBAR guid=\"{80C5BAD5-2B8D-44AF-82FA-F86E57899FB8}\"/>");
  TTessalineDeskBandForm* form = MakeForm();
  form->SignalCheckTimer->SetEnabled(false);  // the test ticks it
  EXPECT_EQ(form->CurrentDefinition(), nullptr);
  EXPECT_NE(LogText().find("  Exception (Exception): FATAL: Definition GUID is not matching\r\n"), std::string::npos)
      << "the failed OnCreate went to the application's handler: " << LogText();
  POINTL min{}, max{}, actual{};
  form->GetMinSize(min);
  form->GetMaxSize(max);
  form->GetActualSize(actual);
  EXPECT_EQ(min.x, 200);
  EXPECT_EQ(min.y, 22);
  EXPECT_EQ(max.x, -1);
  EXPECT_EQ(actual.x, 200);
  char key = '?';
  form->OnGetShortcutKey(form, key);
  EXPECT_EQ(key, '?');
  TWinControl* control = nullptr;
  form->OnGetDefaultControl(form, control);
  EXPECT_EQ(control, nullptr);
  TPopupMenu* menu = nullptr;
  form->OnGetChevronMenu(form, RECT{0, 0, 10, 22}, menu);
  EXPECT_EQ(menu, nullptr);
  form->CtrlPanelClick(form->CtrlPanel);
  for (TTimer* timer : {form->SignalCheckTimer, form->FeedCheckTimer, form->FirstStartTimer})
    EXPECT_NO_THROW(timer->OnTimer(timer)) << timer->Name();
  form->AddExtraButton("Jó"_cp, "gombok", 1, "http://x/", "");
  EXPECT_NO_THROW(form->SignalCheckTimerTimer(form->SignalCheckTimer));
  EXPECT_EQ(form->BuiltControls()->Count(), 0);

  Ship(Definition("", kButton));
  ASSERT_TRUE(BroadcastDefChanged());
  Pump();
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  ASSERT_NE(form->CurrentDefinition(), nullptr);
  EXPECT_EQ(Layout(*form), "TMyToolBar 0,0 23x22 [23]\nTMyToolBar 23,0 40x22 [40]\n");
}

// ---- the tool bar's window procedure ----

// A tool bar that probes the band lock, or fails, while it handles a message.
class TProbeToolBar : public TMyToolBar {
  VCL_CLASS(TProbeToolBar, TMyToolBar)
  using TMyToolBar::TMyToolBar;
  std::function<void(TMessage&)> probe;

 protected:
  void InheritedWndProc(TMessage& m) override {
    if (probe) probe(m);
    inherited::InheritedWndProc(m);
  }
};

TEST_F(BandFormTest, TheToolBarHoldsTheBandLockForItsPaintingAndNotifications) {
  Start(Definition("", kButton));
  TTessalineDeskBandForm* form = MakeForm();
  auto* bar = NewObject<TProbeToolBar>(form);
  bar->SetParent(form);
  bar->HandleNeeded();
  std::optional<bool> held;
  UINT probed = 0;
  bar->probe = [&](TMessage& m) {
    if (m.Msg != probed) return;
    held = !FreeForOthers(BandLock());
  };
  struct Case {
    UINT msg;
    bool held;
  } cases[] = {{WM_PAINT, true},         {WM_ERASEBKGND, true},   {WM_NCPAINT, true},   {WM_NOTIFY, true},
               {WM_ENTERMENULOOP, true}, {WM_EXITMENULOOP, true}, {CN_BASE, true},      {CN_COMMAND, true},
               {0xFFFF, true},           {WM_MOUSEMOVE, false},   {WM_SETFOCUS, false}, {WM_USER + 1, false},
               {CN_BASE - 1, false},     {WM_TIMER, false}};
  for (const Case& c : cases) {
    held.reset();
    probed = c.msg;
    SendMessageA(bar->Handle(), c.msg, 0, 0);
    ASSERT_TRUE(held.has_value()) << std::hex << c.msg;
    EXPECT_EQ(*held, c.held) << std::hex << c.msg;
  }
  held.reset();
  probed = WM_SIZE;
  bar->Perform(WM_SIZE, 0, 0);
  EXPECT_FALSE(held.has_value()) << "WM_SIZE does nothing";

  // A click of a built button runs under the lock.
  TToolButton* button = As<TToolBar>(form->BuiltControls()->Items(0))->Buttons(0);
  button->SetCaption("Gomb");
  button->OnClick = [&](TObject*) { held = !FreeForOthers(BandLock()); };
  form->Show();
  held.reset();
  TFormDriver(form).Click("Gomb");
  ASSERT_TRUE(held.has_value()) << "clicked";
  EXPECT_TRUE(*held);
}

TEST_F(BandFormTest, AnErrorInTheToolBarIsLoggedOnceAndShownOnlyWithDebugLog) {
  Start(Definition("", kButton));
  TTessalineDeskBandForm* form = MakeForm();
  auto* bar = NewObject<TProbeToolBar>(form);
  bar->SetParent(form);
  bar->probe = [](TMessage& m) {
    if (m.Msg == WM_USER + 7) throw EConvertError("rossz érték"_cp);
  };
  for (DWORD debugLog : {0, 1}) {
    SetUserValue("DebugLog", debugLog);
    DeleteFile(TessalineDeskBandModule()->LogFileName());
    ClearMessageBoxRecords();
    SendMessageA(bar->Handle(), WM_USER + 7, 0, 0);
    std::string log = LogText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << "DebugLog " << debugLog << ": " << log;
    EXPECT_NE(log.find("  Exception in toolbar wndproc (EConvertError): rossz érték\r\n"_cp), std::string::npos) << log;
    std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
    ASSERT_EQ(boxes.size(), size_t(debugLog)) << "shown only with DebugLog";
    if (debugLog) {
      EXPECT_EQ(boxes[0].text, "rossz érték."_cp);
    }
  }
  // With another owner it is swallowed.
  auto* stray = NewObject<TProbeToolBar>(nullptr);
  stray->SetParentWindow(host_);
  stray->probe = bar->probe;
  DeleteFile(TessalineDeskBandModule()->LogFileName());
  ClearMessageBoxRecords();
  SendMessageA(stray->Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(LogText(), "");
  EXPECT_TRUE(MessageBoxRecords().empty());
  stray->Free();
}

// ---- timers and script-added buttons ----

TEST_F(BandFormTest, ADefinitionChangeOrAPendingRebuildWaitsWhileTheBandHasTheFocus) {
  Start(Definition("", kButton));
  Ship(Definition("", "<TEXT id=\"t\" width=\"50\"/>" + kButton));
  TTessalineDeskBandForm* form = MakeForm();
  form->SignalCheckTimer->SetEnabled(false);  // the test ticks it
  form->Show();
  Ship(Definition("", "<TEXT id=\"t\" width=\"50\"/>" + kButton + kButton));
  auto tick = [&] { form->SignalCheckTimer->OnTimer(form->SignalCheckTimer); };
  ASSERT_TRUE(BroadcastDefChanged());
  Pump();
  EXPECT_TRUE(IsDefChanged());
  form->FindVarWinControl("t")->SetFocus();
  ASSERT_TRUE(form->IsBandFocused());
  tick();
  EXPECT_TRUE(IsDefChanged()) << "not while the band has the focus";
  EXPECT_EQ(form->BuiltWidth(), 75);
  ::SetFocus(host_);
  tick();
  EXPECT_FALSE(IsDefChanged());
  EXPECT_EQ(form->BuiltWidth(), 98) << "rebuilt from the new definition";

  form->AddExtraButton("Új"_cp, "", 0, "http://x/", "");
  ASSERT_TRUE(form->RebuildPending());
  form->FindVarWinControl("t")->SetFocus();
  tick();
  EXPECT_TRUE(form->RebuildPending()) << "not while the band has the focus";
  ::SetFocus(host_);
  tick();
  EXPECT_FALSE(form->RebuildPending());
  EXPECT_GT(form->BuiltWidth(), 98);
}

TEST_F(BandFormTest, ScriptAddedButtonsStandAfterTheControlsOfIncludes) {
  Start(Definition("", kButton));
  WriteWholeFile(kFolder + "\\.files",
                 ReadWholeFile(kFolder + "\\.files") + "resz.xml=http://eszkoztar.vandrel.hu/pellandra/resz.xml\r\n");
  WriteWholeFile(kFolder + "\\resz.xml", "<TOOLBAR><TEXT id=\"belso\" width=\"40\"/></TOOLBAR>");
  Ship(Definition("", kButton + "<INCLUDE src=\"resz.xml\"/>"));
  TTessalineDeskBandForm* form = MakeForm();
  form->AddExtraButton("Első"_cp, "", 0, "http://x/1", "");
  form->AddExtraSeparator();
  form->AddExtraButton("Második"_cp, "gombok", 2, "http://x/2", "_blank");
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  // The second added button has an image list of its own, so it starts a bar.
  EXPECT_EQ(Layout(*form),
            "TMyToolBar 0,0 23x22 [23]\nTEdit 25,0 40x22\nTMyToolBar 67,0 37x22 [29 |]\nTMyToolBar 104,0 69x22 [69]\n");
  EXPECT_EQ(static_cast<TControl*>(form->BuiltControls()->Items(1))->ClassName(), "TEdit") << "the include's";
  auto* extra = As<TToolBar>(form->BuiltControls()->Items(2));
  ASSERT_EQ(extra->ButtonCount(), 2);
  EXPECT_EQ(extra->Buttons(0)->Caption(), "Első"_cp);
  EXPECT_TRUE(extra->Buttons(1)->IsDivider());
  EXPECT_EQ(DynamicAs<TToolbarSeparatorControl>(reinterpret_cast<TObject*>(extra->Buttons(1)->Tag()))->Width(), 8);
  EXPECT_EQ(As<TToolBar>(form->BuiltControls()->Items(3))->Buttons(0)->Caption(), "Második"_cp);

  form->ClearExtraButtons();
  EXPECT_EQ(form->BuiltControls()->Count(), 4) << "visible until the next build";
  form->BuildControls();
  EXPECT_EQ(form->BuiltControls()->Count(), 2);
  const int32_t face = ColorToRGB(clBtnFace);
  EXPECT_EQ(form->GetIdealBkColor(), ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF));
}

TEST_F(BandFormTest, TheFirstStartExpandsTheBandOnce) {
  Start(Definition("", kButton));
  TTessalineConfiguration* configuration = TessalineDeskBandModule()->Configuration();
  ASSERT_TRUE(configuration->GetFirstStart()) << "the default";
  TTessalineDeskBandForm* form = HostBand();
  ASSERT_NE(form, nullptr);
  auto expansions = [&] {
    return std::count(shell_->Log().begin(), shell_->Log().end(), "host: the rebar is 48 high");
  };
  // The timer's own tick, 300 ms after the form was made.
  for (int waited = 0; form->FirstStartTimer->Enabled() && waited < 5000; waited += 100) shell_->Wait(100);
  EXPECT_FALSE(form->FirstStartTimer->Enabled()) << "it fires once";
  EXPECT_EQ(expansions(), 1) << out_.str();
  EXPECT_FALSE(configuration->GetFirstStart());
  form->FirstStartTimerTimer(form->FirstStartTimer);
  EXPECT_EQ(expansions(), 1) << "FirstStart is 0 now";
}

}  // namespace
