// What the band form's controls do: navigation in the host browser or outside it, actions and the
// histories they save, the controls' values in macros, and the combo boxes' events.
#include <gtest/gtest.h>

#include <set>

#include "platform/com/ClassTable.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/OleError.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"
#include "platform/winapi/Dde.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"

struct TActionTestAccess {
  static void SetKind(TToolBarAction* action, int kind) { action->kind_ = TToolBarActionKind(kind); }
};

namespace {

using namespace band_form_test;
using namespace library_test;
using vandrel::MachineRecord;

const std::string kButtonOnly = "<BUTTON imagelist=\"gombok\" action=\"none\"/>\n";

constexpr CLSID kFakeExplorer = "{5D2C7A10-4B3E-4F61-9A82-7C0D1E2F3A4B}"_guid;

// The browser automation object: records each Navigate by name.
class TFakeExplorer : public TTableDispatch<TFakeExplorer> {
 public:
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  static const TDispatchTable& DispatchTable() {
    static const TDispatchTable table = [] {
      TDispatchTable t("InternetExplorer.Application");
      t.Method("Navigate", 104, {Required(VT_BSTR), Optional(VT_I4, int32_t(0))},
               Bind<TFakeExplorer>([](TFakeExplorer&, const TDispatchArgs& a) {
                 Calls().push_back("Navigate(" + a.String(0) + ", " + std::to_string(a.Integer(1)) + ")");
                 return OleVariant();
               }));
      return t;
    }();
    return table;
  }
};

// A control of a class that has no value.
class TOddControl : public TToolBarControl {
  VCL_CLASS(TOddControl, TToolBarControl)
  using TToolBarControl::TToolBarControl;
  void LoadFromNode(TXMLNode*, TFileStorage*) override {}
};

std::vector<std::string> Opened() { return vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, 0); }

bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

class BandFormActions : public BandFormTest {
 protected:
  void SetUp() override {
    BandFormTest::SetUp();
    vandrel::ResetDde();
    TFakeExplorer::Calls().clear();
  }
  void TearDown() override {
    if (explorer_) UnregisterComClass(kFakeExplorer);
    BandFormTest::TearDown();
  }
  // The fake browser object under the ProgID the form asks for.
  void RegisterExplorer() {
    RegisterComClass(kFakeExplorer, ComCreatorOf<TFakeExplorer>());
    std::string error;
    ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n[HKEY_CLASSES_ROOT\\InternetExplorer.Application\\CLSID]\n@=\"" +
                                                GUIDToString(kFakeExplorer) + "\"\n",
                                            error))
        << error;
    explorer_ = true;
  }
  TTessalineDeskBandForm* Form(const std::string& body) {
    Start(Definition("", body));
    TTessalineDeskBandForm* form = MakeForm();
    EXPECT_NE(form->CurrentDefinition(), nullptr) << LogText();
    return form;
  }
  // The built visual control whose Tag is the definition control with this index in the definition.
  template <class T>
  T* Visual(TTessalineDeskBandForm* form, int index) {
    TToolBarControl* definition = form->CurrentDefinition()->Controls()->Items(index);
    for (int i = 0; i < form->BuiltControls()->Count(); ++i) {
      auto* control = static_cast<TControl*>(form->BuiltControls()->Items(i));
      if (control->Tag() == reinterpret_cast<intptr_t>(definition) && DynamicAs<T>(control))
        return DynamicAs<T>(control);
      if (auto* bar = DynamicAs<TToolBar>(control))
        for (int b = 0; b < bar->ButtonCount(); ++b)
          if (bar->Buttons(b)->Tag() == reinterpret_cast<intptr_t>(definition)) return DynamicAs<T>(bar->Buttons(b));
    }
    return nullptr;
  }
  template <class T>
  T* Definition_(TTessalineDeskBandForm* form, int index) {
    return DynamicAs<T>(form->CurrentDefinition()->Controls()->Items(index));
  }
  static std::vector<std::string> History(TTessalineDeskBandForm* form, const std::string& id, bool persistent) {
    TObjectPtr<TStringList> list(NewObject<TStringList>());
    form->LoadHistory(id, persistent, *list);
    std::vector<std::string> lines;
    for (int i = 0; i < list->Count(); ++i) lines.push_back(list->Strings(i));
    return lines;
  }
  static std::vector<std::string> VarList(TTessalineDeskBandForm* form) {
    TObjectPtr<TStringList> list(NewObject<TStringList>());
    form->GetVarList(*list);
    std::vector<std::string> lines;
    for (int i = 0; i < list->Count(); ++i) lines.push_back(list->Strings(i));
    return lines;
  }

  bool explorer_ = false;
};

TEST_F(BandFormActions, NavigationInTheHostBrowser) {
  Start(Definition("", kButtonOnly));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  ASSERT_NE(shell_->Browser(), nullptr);
  struct Row {
    std::string target, url;
    bool newWindow, fails;
  } rows[] = {
      {"_self", "about:blank#1", false, false},
      {"_TOP", "about:blank#2", false, false},
      {"", "about:blank#3", false, false},
      {"_blank", "about:blank#4", true, false},
      {"tartalom", "about:blank#5", true, false},
      {"_self", "", false, true},
      {"_blank", "", true, true},
  };
  size_t done = shell_->Browser()->NavigateCalls().size();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.target + " " + row.url);
    if (row.fails)
      EXPECT_THROW(form->NavigateTo(row.url, row.target), EOleSysError) << "the failed call propagates";
    else
      form->NavigateTo(row.url, row.target);
    EXPECT_FALSE(ShiftDown()) << "Shift is up after the call";
    std::vector<browser::TBrowser::TNavigateCall> calls = shell_->Browser()->NavigateCalls();
    ASSERT_EQ(calls.size(), done + 1);
    const browser::TBrowser::TNavigateCall& call = calls.back();
    done = calls.size();
    EXPECT_EQ(call.Method, "Navigate");
    EXPECT_EQ(call.Url, row.url);
    EXPECT_EQ(call.Flags, row.newWindow ? 1 : 0);
    EXPECT_EQ(call.OptionalEmpty, !row.newWindow) << "the same window: all four optional arguments empty";
    EXPECT_EQ(call.ShiftDown, row.newWindow);
  }
  shell_->Pump();
  EXPECT_TRUE(Opened().empty());
  EXPECT_TRUE(TFakeExplorer::Calls().empty());
}

TEST_F(BandFormActions, NavigationWithoutAHostBrowser) {
  Start(Definition("", kButtonOnly));
  TTessalineDeskBandForm* taskbar = HostBand();
  ASSERT_NE(taskbar, nullptr);
  TTessalineDeskBandForm* plain = MakeForm();
  RegisterExplorer();
  for (TTessalineDeskBandForm* form : {taskbar, plain}) {
    for (const char* target : {"_self", "_blank", ""}) form->NavigateTo("http://www.vandrel.hu/", target);
    form->NavigateTo("file:///C:/oldal.htm", "_self");
  }
  EXPECT_EQ(Opened(), std::vector<std::string>(6, "SW_SHOWNORMAL http://www.vandrel.hu/"))
      << "web addresses go to the system's handler, whatever the target";
  EXPECT_EQ(TFakeExplorer::Calls(), std::vector<std::string>(2, "Navigate(file:///C:/oldal.htm, 1)"))
      << "what no browser took goes to a new automation browser";

  // A default browser over DDE comes first.
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[HKEY_CLASSES_ROOT\\.htm\\shell\\open\\command]\n@=\"C:\\\\Opera\\\\opera.exe %1\"\n", error));
  vandrel::RegisterDdeServer("OPERA", {"WWW_OpenURL"},
                             [](const std::string&, const std::string&) { return std::optional<std::string>("1"); });
  plain->NavigateTo("ftp://ftp.vandrel.hu/", "_blank");
  ASSERT_EQ(vandrel::DdeRequests().size(), 1u);
  EXPECT_EQ(vandrel::DdeRequests()[0].Item, "ftp://ftp.vandrel.hu/,,0x0,0x0");
  EXPECT_EQ(Opened().size(), 6u);

  vandrel::ResetDde();
  UnregisterComClass(kFakeExplorer);
  explorer_ = false;
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "InternetExplorer.Application\\CLSID"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "InternetExplorer.Application"), ERROR_SUCCESS);
  try {
    plain->NavigateTo("C:\\Windows\\notepad.exe", "");
    ADD_FAILURE() << "no automation browser";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message(), "Invalid class string");
  }
  EXPECT_EQ(TFakeExplorer::Calls().size(), 2u);
}

const std::string kActions =
    "<COMBO action=\"none\" id=\"q\" width=\"80\" historyid=\"keresesek\" persistenthistory=\"false\"/>\n"
    "<TEXT id=\"t\" width=\"60\" defaultvalue=\"szoveg\"/>\n"
    "<BUTTON caption=\"n\" action=\"none\" historysave=\"q\"/>\n"
    "<BUTTON caption=\"t\" action=\"toggle\" historysave=\"q\"/>\n"
    "<BUTTON caption=\"o\" action=\"openurl\" href=\"http://a.hu/?q=%%q%%\" target=\"_blank\" historysave=\"Q\"/>\n"
    "<BUTTON caption=\"m\" action=\"openurl\" href=\"http://a.hu/m\" historysave=\"nincs\"/>\n"
    "<BUTTON caption=\"x\" action=\"toggle\" historysave=\"t\"/>\n"
    "<BUTTON caption=\"p\" action=\"openurl\" href=\"http://a.hu/p\"/>\n";

TEST_F(BandFormActions, ActionsRunAndSaveTheHistoryTheyName) {
  TTessalineDeskBandForm* form = Form(kActions);
  auto* combo = Visual<TComboBox>(form, 0);
  ASSERT_NE(combo, nullptr);
  const std::string noControl = "Unable to find control \"nincs\" for saving history in ExecAction()";
  const std::string noHistory = "has no history for saving history in ExecAction()";
  struct Row {
    int button;
    std::string text;
    bool result;
    std::vector<std::string> opened, history, emptyIdHistory;
    int logLines;
  } rows[] = {
      {2, "alma", false, {}, {"alma"}, {}, 0},
      {3, "alma", true, {}, {"alma", "alma"}, {}, 0},
      {4, "korte", true, {"SW_SHOWNORMAL http://a.hu/?q=korte"}, {"korte", "alma", "alma"}, {}, 0},
      {5, "szilva", true, {"SW_SHOWNORMAL http://a.hu/m"}, {"korte", "alma", "alma"}, {}, 2},
      {6, "szilva", true, {}, {"korte", "alma", "alma"}, {"szoveg"}, 1},
      {7, "szilva", true, {"SW_SHOWNORMAL http://a.hu/p"}, {"korte", "alma", "alma"}, {"szoveg"}, 0},
      {2, "", false, {}, {"korte", "alma", "alma"}, {"szoveg"}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.button);
    uint64_t opened = vandrel::MachineRecordSize(MachineRecord::OpenedAddresses);
    std::string log = LogText();
    combo->SetText(row.text);
    auto* button = Definition_<TToolbarButtonControl>(form, row.button);
    EXPECT_EQ(form->ExecAction(button->Action()), row.result);
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, opened), row.opened);
    EXPECT_EQ(History(form, "keresesek", false), row.history);
    EXPECT_EQ(History(form, "", false), row.emptyIdHistory) << "a control without history saves under no id";
    std::string added = LogText().substr(log.size());
    int lines = 0;
    for (size_t at = added.find('\n'); at != std::string::npos; at = added.find('\n', at + 1)) ++lines;
    EXPECT_EQ(lines, row.logLines) << added;
    if (row.logLines == 2) {
      EXPECT_NE(added.find(noControl), std::string::npos) << added;
      EXPECT_NE(added.find("Control \"nincs\" " + noHistory), std::string::npos) << added;
    }
    if (row.logLines == 1) {
      EXPECT_NE(added.find("Control \"t\" " + noHistory), std::string::npos) << added;
    }
  }

  TObjectPtr<TToolBarAction> odd(TToolBarAction::Create(false));
  odd->Assign(*Definition_<TToolbarButtonControl>(form, 4)->Action());
  TActionTestAccess::SetKind(odd.get(), 3);
  try {
    form->ExecAction(odd.get());
    ADD_FAILURE() << "no error";
  } catch (const ETessaline& e) {
    EXPECT_EQ(e.Message(), "Unknown action");
  }
  EXPECT_EQ(History(form, "keresesek", false).size(), 3u) << "nothing saved for an unknown action";
}

TEST_F(BandFormActions, ClicksRunTheirControlsActionsAndRefuseOtherControls) {
  TTessalineDeskBandForm* form = Form(
      "<COMBO action=\"none\" id=\"q\" width=\"80\"/>\n<BUTTON caption=\"Keres\" action=\"openurl\" "
      "href=\"%%q%%\"><MENU><ITEM caption=\"M\" action=\"openurl\" href=\"http://a.hu/menu\"/></MENU></BUTTON>\n");
  auto* combo = Visual<TComboBox>(form, 0);
  auto* button = Visual<TToolButton>(form, 1);
  ASSERT_TRUE(combo && button);
  combo->SetText("http://a.hu/?g=%%toolbarguid%%&q=b");
  button->Click();
  EXPECT_EQ(Opened(), std::vector<std::string>{"SW_SHOWNORMAL http://a.hu/?g=%%toolbarguid%%&q=b"})
      << "the combo's text, after the built-ins: macros in the value stay";
  form->ChevronItemClick(button);
  EXPECT_EQ(Opened().size(), 2u) << "a chevron item by its Tag";

  TObjectPtr<TMenuItem> item(NewObject<TMenuItem>(nullptr));
  form->MenuItemClick(item.get());
  EXPECT_EQ(Opened().size(), 2u) << "a menu item without Tag does nothing";
  item->SetTag(reinterpret_cast<intptr_t>(Definition_<TToolbarButtonControl>(form, 1)->Menu()->Items()->Items(0)));
  form->MenuItemClick(item.get());
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/menu") << "a menu item runs its definition item's action";

  try {
    form->ControlClick(Definition_<TToolBarControl>(form, 0));
    ADD_FAILURE() << "no error";
  } catch (const ETessaline& e) {
    EXPECT_EQ(e.Message(), "Don't know how to handle control class \"TToolbarComboControl\" in ControlClick()");
  }
  TObjectPtr<TOddControl> odd(NewObject<TOddControl>(form->CurrentDefinition()));
  intptr_t tag = combo->Tag();
  combo->SetTag(reinterpret_cast<intptr_t>(odd.get()));
  try {
    VarList(form);
    ADD_FAILURE() << "no error";
  } catch (const ETessaline& e) {
    EXPECT_EQ(e.Message(), "Don't know how to get varlist from control class \"TOddControl\"");
  }
  combo->SetTag(tag);
}

// Drop-down menus as the button menus give them: each item tagged with its definition item.
void AddItems(TMenuItem* parent, const TToolBarMenuItems& items, const std::set<std::string>& checked) {
  for (int i = 0; i < items.Count(); ++i) {
    TToolbarMenuItem* definition = items.Items(i);
    auto* item = NewObject<TMenuItem>(parent);
    item->SetTag(reinterpret_cast<intptr_t>(definition));
    item->SetChecked(checked.count(definition->Caption()) > 0);
    parent->Add(item);
    AddItems(item, *definition->SubItems(), checked);
  }
}

TEST_F(BandFormActions, TheVariableListHoldsEveryControlsValue) {
  const std::string menu =
      "<MENU><ITEM action=\"none\" caption=\"A\" id=\"a\" checkedvalue=\"1\" uncheckedvalue=\"0\"/>"
      "<ITEM action=\"none\" caption=\"B\" id=\"b\" uncheckedvalue=\"ki\"/><ITEM action=\"none\" caption=\"Plain\" "
      "id=\"plain\"/>"
      "<ITEM action=\"none\" caption=\"Sub\"><MENU><ITEM action=\"none\" caption=\"C\" id=\"c\" "
      "checkedvalue=\"be\"/></MENU></ITEM></MENU>";
  TTessalineDeskBandForm* form = Form(
      "<SEPARATOR/>\n<BUTTON action=\"none\">" + menu +
      "</BUTTON>\n"
      "<COMBO action=\"none\" id=\"q\" width=\"80\" defaultvalue=\"alma\"/>\n<COMBO action=\"none\" id=\"e\" "
      "width=\"80\"/>\n"
      "<SELECT id=\"s\" width=\"80\"><ITEMS><ITEM caption=\"Egy\" value=\"1\"/><ITEM caption=\"Ketto\" value=\"2=b\"/>"
      "</ITEMS></SELECT>\n"
      "<TEXT id=\"t\" width=\"60\" defaultvalue=\"szoveg\"/>\n"
      "<BUTTON caption=\"Masik\" action=\"none\"><MENU><ITEM action=\"none\" caption=\"D\" id=\"d\" "
      "checkedvalue=\"x\"/></MENU></BUTTON>\n");
  auto* separatorBar = Visual<TToolButton>(form, 1);
  auto* secondBar = Visual<TToolButton>(form, 6);
  ASSERT_TRUE(separatorBar && secondBar);
  ASSERT_EQ(separatorBar->Parent()->Tag(), reinterpret_cast<intptr_t>(Definition_<TToolBarControl>(form, 0)))
      << "the first bar stands for its separator";
  struct Row {
    std::set<std::string> checked;
    int selected;
    std::vector<std::string> lines;
  } rows[] = {
      {{}, -1, {"a=0", "b=ki", "c=", "q=alma", "e=", "t=szoveg", "d="}},
      {{"A", "B", "C", "D"}, 1, {"a=1", "b=", "c=be", "q=alma", "e=", "s=2=b", "t=szoveg", "d=x"}},
      {{"C"}, 0, {"a=0", "b=ki", "c=be", "q=alma", "e=", "s=1", "t=szoveg", "d="}},
  };
  for (const Row& row : rows) {
    for (TToolButton* button : {separatorBar, secondBar}) {
      auto* popup = NewObject<TPopupMenu>(form);
      AddItems(popup->Items(),
               *static_cast<TToolbarButtonControl*>(reinterpret_cast<TObject*>(button->Tag()))->Menu()->Items(),
               row.checked);
      TPopupMenu* old = button->DropdownMenu();
      button->SetDropdownMenu(popup);
      if (old) old->Free();
    }
    Visual<TComboBox>(form, 4)->SetItemIndex(row.selected);
    EXPECT_EQ(VarList(form), row.lines);
  }
  EXPECT_EQ(form->ExpandMacros("%%A%%/%%s%%/%%t%%/%%e%%/%%nincs%%"), "0/1/szoveg//%%nincs%%");
  EXPECT_EQ(form->ExpandMacros("   "), "   ") << "blank text stays as it is";
}

TEST_F(BandFormActions, Histories) {
  TTessalineDeskBandForm* form = Form(kButtonOnly);
  for (int i = 1; i <= 51; ++i) form->AddHistory("h", false, "e" + std::to_string(i));
  std::vector<std::string> lines = History(form, "h", false);
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines.front(), "e51");
  EXPECT_EQ(lines.back(), "e2") << "the oldest went";
  form->AddHistory("h", false, "e51");
  EXPECT_EQ(History(form, "H", false)[1], "e51") << "equal entries are both kept; ids ignore letter case";
  EXPECT_EQ(History(form, "H", false)[0], "e51");
  form->AddHistory("h", false, "");
  form->AddHistory("ures", false, "");
  EXPECT_EQ(History(form, "h", false).size(), 50u);
  EXPECT_EQ(History(form, "h", false)[0], "e51") << "an empty value changes nothing";
  EXPECT_TRUE(History(form, "ures", false).empty());
  form->AddHistory("masik", false, "m");
  EXPECT_EQ(History(form, "masik", false), std::vector<std::string>{"m"}) << "memory histories are per id";
  EXPECT_TRUE(History(form, "masik", true).empty()) << "the persistent history of that id is another";

  form->AddHistory("tartos", true, "egy");
  form->AddHistory("tartos", true, "k\xE9t");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\Quorrel\\Tessaline\\" + kGuid + "\\History").c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  char data[64] = {};
  DWORD size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, "tartos", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::string(data, size), "k\xE9t\r\negy\r\n");
  EXPECT_EQ(History(form, "tartos", true), (std::vector<std::string>{"k\xE9t", "egy"}));
  EXPECT_TRUE(History(form, "tartos", false).empty());
}

TEST_F(BandFormActions, ComboBoxEventsRefillClearAndSave) {
  TTessalineDeskBandForm* form = Form(
      "<COMBO id=\"p\" width=\"80\" defaultvalue=\"Keres\" clearonfirstclick=\"true\" action=\"none\" "
      "historysave=\"p\">"
      "<ITEMS><ITEM caption=\"Elso\"/></ITEMS></COMBO>\n"
      "<COMBO action=\"none\" id=\"m\" width=\"80\" persistenthistory=\"false\" defaultvalue=\"Keres\"><ITEMS><ITEM "
      "caption=\"Elso\"/>"
      "</ITEMS></COMBO>\n"
      "<COMBO action=\"none\" id=\"l\" width=\"80\" listtype=\"dropdownlist\"><ITEMS><ITEM caption=\"Elso\" "
      "value=\"1\"/></ITEMS></COMBO>\n"
      "<COMBO id=\"o\" width=\"80\" action=\"openurl\" href=\"http://a.hu/?o=%%o%%\" historysave=\"o\"/>\n");
  auto* persistent = Visual<TComboBox>(form, 0);
  auto* memory = Visual<TComboBox>(form, 1);
  auto* list = Visual<TComboBox>(form, 2);
  auto* opener = Visual<TComboBox>(form, 3);
  ASSERT_TRUE(persistent && memory && list && opener);
  auto items = [](TComboBox* box) {
    std::vector<std::string> lines;
    for (int i = 0; i < box->Items()->Count(); ++i) lines.push_back(box->Items()->Strings(i));
    return lines;
  };
  for (const char* id : {"p", "m", "l"}) form->AddHistory(id, true, "regi");
  form->AddHistory("m", false, "regi");

  // Entering: ClearOnFirstClick empties the default text only, then the list is refilled.
  memory->OnEnter(memory);
  EXPECT_EQ(memory->Text(), "Keres") << "no ClearOnFirstClick";
  EXPECT_EQ(items(memory), std::vector<std::string>{"Elso"}) << "no persistent history, no refill";
  persistent->SetText("keres");
  persistent->OnEnter(persistent);
  EXPECT_EQ(persistent->Text(), "keres") << "the comparison minds letter case";
  persistent->SetText("Keres");
  persistent->OnEnter(persistent);
  EXPECT_EQ(persistent->Text(), "");
  EXPECT_EQ(items(persistent), std::vector<std::string>{"regi"});
  list->SetDroppedDown(true);
  EXPECT_EQ(items(list), std::vector<std::string>{"Elso"}) << "a drop-down list keeps its items";

  // Enter with kind none saves the history without a refill; with openurl it refills.
  persistent->SetText("uj");
  WORD key = VK_RETURN;
  persistent->OnKeyDown(persistent, key, {});
  EXPECT_EQ(key, VK_RETURN) << "the key is not consumed";
  EXPECT_EQ(History(form, "p", true), (std::vector<std::string>{"uj", "regi"}));
  EXPECT_EQ(items(persistent), std::vector<std::string>{"regi"});
  persistent->SetDroppedDown(true);
  EXPECT_EQ(items(persistent), (std::vector<std::string>{"uj", "regi"})) << "dropping down refills";
  EXPECT_EQ(persistent->Text(), "uj") << "a refill keeps the text";

  opener->SetText("k");
  key = 'A';
  opener->OnKeyDown(opener, key, {});
  EXPECT_TRUE(Opened().empty()) << "other keys do nothing";
  key = VK_RETURN;
  opener->OnKeyDown(opener, key, {});
  EXPECT_EQ(Opened(), std::vector<std::string>{"SW_SHOWNORMAL http://a.hu/?o=k"});
  EXPECT_EQ(items(opener), std::vector<std::string>{"k"});
}

}  // namespace
