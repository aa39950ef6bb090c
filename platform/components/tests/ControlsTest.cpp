#include "platform/components/Controls.h"

#include <gtest/gtest.h>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/Graphics.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

using namespace formtest;

namespace {

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    Trace().clear();
    dialog = NewObject<TTestDialog>(Application);
    dialog->Show();
    driver = std::make_unique<TFormDriver>(dialog);
    driver->Pump();
    Trace().clear();
  }
  void TearDown() override {
    if (dialog) dialog->Free();
    SetClockMode(TClockMode::Real);
  }
  TTestDialog* dialog = nullptr;
  std::unique_ptr<TFormDriver> driver;
};

TEST_F(Dialog, ClicksReachHandlersAndAreRefusedForDisabledOrHiddenControls) {
  driver->Click("bnBack");
  EXPECT_EQ(Trace(), std::vector<std::string>{"back"});
  EXPECT_TRUE(dialog->bnBack->Focused());  // a clicked button takes the focus
  dialog->bnBack->SetEnabled(false);
  EXPECT_THROW(driver->Click("bnBack"), EDriverError);
  dialog->Notebook->SetPageIndex(1);
  EXPECT_THROW(driver->Click("rbTwo"), EDriverError);  // on the hidden page
  try {
    driver->Click("edHidden");
  } catch (const EDriverError& e) {
    EXPECT_STREQ(e.what(), "Control edHidden is not visible");
  }
  EXPECT_THROW(driver->Click("nothing"), EDriverError);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"back", "page Second"}));
}

TEST_F(Dialog, CheckingARadioButtonUnchecksItsSiblings) {
  driver->Check("rbTwo", true);
  EXPECT_TRUE(dialog->rbTwo->Checked());
  EXPECT_FALSE(dialog->rbOne->Checked());
  EXPECT_EQ(Trace(), std::vector<std::string>{"radio rbTwo"});
  dialog->rbOne->SetChecked(true);  // from code as well
  EXPECT_FALSE(dialog->rbTwo->Checked());
  EXPECT_THROW(driver->Check("rbOne", false), EDriverError);
  // A radio button of another parent is not a sibling.
  auto* other = NewObject<TRadioButton>(dialog);
  other->SetParent(dialog->Notebook->Page(1));
  other->SetChecked(true);
  EXPECT_TRUE(dialog->rbOne->Checked());
  dialog->Notebook->SetPageIndex(1);
  driver->Check("chkAgree", true);
  driver->Check("chkAgree", true);
  driver->Check("chkAgree", false);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"radio rbTwo", "radio rbOne", "page Second", "agree on", "agree off"}));
}

TEST_F(Dialog, TypingRespectsMaxLengthAndEditingKeys) {
  driver->Type("edName", "abcdefg");
  EXPECT_EQ(dialog->edName->Text(), "abcde");
  driver->Key(VK_BACK);
  driver->Key(VK_HOME);
  driver->Key(VK_DELETE);
  driver->Key(VK_END);
  driver->Key(VK_LEFT, ssShift);
  driver->Type("edName", "XYZ");  // replaces the selected "d"; Z does not fit
  EXPECT_EQ(dialog->edName->Text(), "bcXYZ");
  driver->Type("edName", "!");
  EXPECT_EQ(dialog->edName->Text(), "bcXYZ");
  EXPECT_EQ(Trace(), (std::vector<std::string>{"name a", "name ab", "name abc", "name abcd", "name abcde", "name abcd",
                                               "name bcd", "name bcX", "name bcXY", "name bcXYZ"}));
  // Setting the same text changes nothing.
  Trace().clear();
  dialog->edName->SetText("bcXYZ");
  EXPECT_TRUE(Trace().empty());
}

TEST_F(Dialog, PasswordCharactersHideTheTextAndCopying) {
  dialog->edName->SetPasswordChar('*');
  driver->Type("edName", "ab1");
  EXPECT_EQ(dialog->edName->DisplayText(), "***");
  SetClipboardText("before");
  dialog->edName->SelectAll();
  driver->Key('C', ssCtrl);
  EXPECT_EQ(ClipboardText(), "before");
  EXPECT_NE(driver->Snapshot().find("TEdit edName \"***\""), std::string::npos);
}

// An edit that accepts digits only, in typing and in pastes.
class TDigitEdit : public TEdit {
  VCL_CLASS(TDigitEdit, TEdit)
  using TEdit::TEdit;
  static std::string Digits(const std::string& s) {
    std::string out;
    for (char c : s)
      if (c >= '0' && c <= '9') out += c;
    return out;
  }

 protected:
  void KeyPress(char& key) override {
    if ((key < '0' || key > '9') && key != 8 && key != 22) key = 0;
    TEdit::KeyPress(key);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_ENTER) {
      TEdit::WndProc(m);
      saved_ = Color();
      SetColor(clYellow);
      return;
    }
    if (m.Msg == CM_EXIT) {
      TEdit::WndProc(m);
      SetColor(saved_);
      return;
    }
    if (m.Msg == WM_PASTE) {
      std::string saved = ClipboardText();
      SetSelText(Digits(saved));
      return;
    }
    TEdit::WndProc(m);
  }

 private:
  TColor saved_ = clWindow;
};

TEST_F(Dialog, PasteIntoAFilteredEdit) {
  auto* digits = NewObject<TDigitEdit>(dialog);
  digits->SetName("edDigits");
  digits->SetMaxLength(4);
  digits->SetParent(dialog->Notebook->Page(0));
  driver->Type("edDigits", "1a2");
  EXPECT_EQ(digits->Text(), "12");
  EXPECT_EQ(digits->Color(), clYellow);  // focused
  driver->Paste("edDigits", "x34y56");
  EXPECT_EQ(digits->Text(), "1234");
  EXPECT_EQ(ClipboardText(), "x34y56");  // the clipboard keeps what the user copied
  // A plain edit pastes the text up to its first line break, within MaxLength.
  driver->Paste("edName", "q\r\nrest");
  EXPECT_EQ(dialog->edName->Text(), "q");
  EXPECT_EQ(digits->Color(), clWindow);  // left: the colour it had
}

TEST_F(Dialog, EnterPressesTheDefaultButtonAndEscapeReachesTheForm) {
  driver->Focus("edName");
  driver->Key(VK_RETURN);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"next", "page Second"}));
  // With another button focused, Enter presses that one.
  Trace().clear();
  driver->Focus("bnBack");
  driver->Key(VK_RETURN);
  EXPECT_EQ(Trace(), std::vector<std::string>{"back"});
  // Escape is not a dialog key here: it arrives as a character, which the form sees first (KeyPreview).
  Trace().clear();
  driver->Key(VK_ESCAPE);
  EXPECT_EQ(Trace(), std::vector<std::string>{"form key 27"});
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(Dialog, AcceleratorsPressButtonsAndFocusLabelledControls) {
  driver->Focus("edName");
  driver->Key('V');  // the edit takes characters: typed, no accelerator
  EXPECT_EQ(dialog->edName->Text(), "v");
  driver->Key('V', ssAlt);  // Alt with the letter of "< &Vissza"
  EXPECT_EQ(Trace(), (std::vector<std::string>{"name v", "back"}));
  driver->Focus("bnExit");
  Trace().clear();
  driver->Key('T');  // a button takes no characters: the letter alone presses "&Tovább >"
  EXPECT_EQ(Trace(), (std::vector<std::string>{"next", "page Second"}));
  auto* label = NewObject<TLabel>(dialog);
  label->SetCaption("&Elfogad");
  label->SetParent(dialog->Notebook->Page(1));
  label->SetFocusControl(dialog->chkAgree);
  dialog->chkAgree->SetCaption("&Rendben");
  driver->Key('E', ssAlt);
  EXPECT_TRUE(dialog->chkAgree->Focused());
  driver->Key('R', ssAlt);
  EXPECT_TRUE(dialog->chkAgree->Checked());
  EXPECT_FALSE(IsAccel('a', "&&a"));
  EXPECT_TRUE(IsAccel('\xE1', "&\xC1rv"));
}

TEST_F(Dialog, ACancelButtonTakesEscape) {
  dialog->bnExit->SetCancel(true);
  bool clicked = false;
  dialog->bnExit->OnClick = [&](TObject*) { clicked = true; };
  driver->Focus("edName");
  driver->Key(VK_ESCAPE);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(Trace().empty());  // eaten as a dialog key: no character reached the form
}

TEST_F(Dialog, TabMovesThroughTheTabOrder) {
  std::vector<std::string> entered;
  for (TWinControl* c : std::vector<TWinControl*>{dialog->edName, dialog->cbChoice, dialog->rbOne, dialog->bnBack})
    c->OnEnter = [&entered, c](TObject*) { entered.push_back(c->Name()); };
  dialog->edName->OnExit = [&entered](TObject*) { entered.push_back("exit edName"); };
  driver->Focus("edName");
  driver->Key(VK_TAB);
  driver->Key(VK_TAB);  // rbTwo is not a tab stop while unchecked, edHidden is hidden
  driver->Key(VK_TAB);
  EXPECT_TRUE(dialog->bnBack->Focused());
  driver->Key(VK_TAB, ssShift);
  EXPECT_TRUE(dialog->rbOne->Focused());
  EXPECT_EQ(entered, (std::vector<std::string>{"exit edName", "cbChoice", "rbOne", "bnBack", "rbOne"}));
}

TEST_F(Dialog, SortedComboItemsOwnTheirObjectsAndFollowTheSelection) {
  static int freed = 0;
  struct Counted : TObject {
    ~Counted() override { ++freed; }
  };
  TComboBox* combo = dialog->cbChoice;
  combo->Items()->AddObject("delta", new Counted);
  combo->Items()->AddObject("aardvark", new Counted);
  EXPECT_EQ(combo->Items()->Text(), "aardvark\r\nalpha\r\nbeta\r\ndelta\r\ngamma\r\n");
  driver->Select("cbChoice", "delta");
  EXPECT_EQ(combo->ItemIndex(), 3);
  EXPECT_EQ(combo->Text(), "delta");
  combo->Items()->Add("charlie");  // sorts in before the selection, which follows its item
  EXPECT_EQ(combo->ItemIndex(), 4);
  combo->SetText("unknown");  // a drop-down list takes only its items
  EXPECT_EQ(combo->Text(), "delta");
  combo->Items()->Delete(combo->Items()->IndexOf("delta"));
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  combo->Clear();
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(combo->Items()->Count(), 0);
  EXPECT_THROW(combo->SetItemIndex(0), EListError);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"choice delta", "choice "}));
}

TEST_F(Dialog, AnEditableComboSelectsTheItemItsTextNames) {
  auto* combo = NewObject<TComboBox>(dialog);
  combo->SetParent(dialog->Notebook->Page(0));
  combo->Items()->SetText("igen\r\nnem");
  combo->SetText("nem");
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetText("talán"_cp);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "talán"_cp);
}

TEST_F(Dialog, NotebookPagesByNameAndIndex) {
  TNotebook* book = dialog->Notebook;
  book->SetActivePage("second");
  EXPECT_EQ(book->PageIndex(), 1);
  EXPECT_FALSE(book->Page(0)->Visible());
  book->SetPageIndex(1);  // the same page: no event
  EXPECT_THROW(book->SetPageIndex(2), EListError);
  EXPECT_THROW(book->SetActivePage("Third"), EListError);
  book->Pages()->Add("Third");
  EXPECT_EQ(book->PageCount(), 3);
  book->SetActivePage("Third");
  EXPECT_EQ(Trace(), (std::vector<std::string>{"page Second", "page Third"}));
  std::string snapshot = driver->Snapshot();
  EXPECT_NE(snapshot.find("TNotebook Notebook page=2 \"Third\""), std::string::npos) << snapshot;
  EXPECT_EQ(snapshot.find("edName"), std::string::npos);  // controls of hidden pages are not shown
}

TEST_F(Dialog, ProgressBarsClampTheirPosition) {
  struct Case {
    int set, expected;
  } cases[] = {{-5, 0}, {0, 0}, {17, 17}, {30, 30}, {31, 30}, {1000, 30}};
  auto* bar = dialog->FindComponent("pbProgress");
  auto* pb = static_cast<TProgressBar*>(bar);
  for (const Case& c : cases) {
    pb->SetPosition(c.set);
    EXPECT_EQ(pb->Position(), c.expected) << c.set;
  }
  pb->SetMax(10);
  EXPECT_EQ(pb->Position(), 10);
  pb->SetPosition(5);
  pb->SetStep(4);
  pb->StepIt();
  pb->StepIt();
  EXPECT_EQ(pb->Position(), 3);  // past the end it starts over
}

TEST_F(Dialog, TimersFireWhileThePumpRunsAndNotAfterTheirOwnerIsGone) {
  dialog->tmTick->SetEnabled(true);
  driver->Advance(2000);
  EXPECT_EQ(dialog->ticks, 4);
  dialog->tmTick->SetEnabled(false);
  driver->Advance(2000);
  EXPECT_EQ(dialog->ticks, 4);
  dialog->tmTick->SetInterval(100);
  dialog->tmTick->SetEnabled(true);
  dialog->Free();
  dialog = nullptr;
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(Dialog, SnapshotShowsControlsCaptionsAndStates) {
  dialog->bnBack->SetEnabled(false);
  driver->Type("edName", "x");
  std::string s = driver->Snapshot();
  EXPECT_EQ(s.substr(0, s.find('\n')), "form TestDialog \"" + "Teszt párbeszéd"_cp + "\"");
  for (const char* line : {"  TPanel Buttons\n", "    TButton bnBack \"< &Vissza\" [disabled]\n",
                           "    TButton bnNext \"&Tovább >\" [default]\n", "  TNotebook Notebook page=0 \"First\"\n",
                           "    TPage \"First\"\n", "      TEdit edName \"x\" [focused]\n",
                           "      TComboBox cbChoice \"\" index=-1\n", "      TRadioButton rbOne \"Egy\" [checked]\n"})
    EXPECT_NE(s.find(cp1250::FromUtf8(line)), std::string::npos) << line << "\n" << cp1250::ToUtf8(s);
}

TEST_F(Dialog, SnapshotLinesOfTextsOfSeveralLinesAndOfPictures) {
  auto* page = dialog->Notebook->Page(0);
  auto* label = NewObject<TLabel>(dialog);
  label->SetName("lbLines");
  label->SetParent(page);
  label->SetCaption("first\r\nsecond\rthird\nfourth");
  auto* empty = NewObject<TImage>(dialog);
  empty->SetName("imEmpty");
  empty->SetParent(page);
  auto* image = NewObject<TImage>(dialog);
  image->SetName("imFull");
  image->SetParent(page);
  TBitmap* bitmap = TBitmap::Create();
  bitmap->SetSize(7, 3);
  image->Picture()->SetGraphic(bitmap);
  std::string s = driver->Snapshot();
  for (const char* line : {"      TLabel lbLines \"first\n          second\n          third\n          fourth\"\n",
                           "      TImage imEmpty [no picture]\n", "      TImage imFull picture=7x3\n"})
    EXPECT_NE(s.find(line), std::string::npos) << line << "\n" << cp1250::ToUtf8(s);
  EXPECT_EQ(s.find('\r'), std::string::npos);
}

TEST_F(Dialog, ScriptedPopupMenuChoices) {
  static std::vector<UINT> loopMessages;
  static HHOOK hook;
  hook = SetWindowsHookExA(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(l);
        if (cwp->message == WM_ENTERMENULOOP || cwp->message == WM_EXITMENULOOP) loopMessages.push_back(cwp->message);
        return CallNextHookEx(hook, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  ScriptMenuChoice({"More|Check me", "Open", "", "More"});
  ClearMenuRecords();
  for (int i = 0; i < 4; ++i) {
    dialog->pmMenu->Popup(10, 20);
    EXPECT_EQ(Trace().size(), size_t(i == 0 ? 0 : i == 1 ? 1 : 2));  // the click comes from the message loop
    driver->Pump();
  }
  EXPECT_EQ(Trace(), (std::vector<std::string>{"menu miCheck checked", "menu miOpen"}));
  std::vector<TMenuRecord> shown = MenuRecords();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].menuName, "pmMenu");
  ASSERT_EQ(shown[0].items.size(), 4u);
  EXPECT_EQ(shown[0].items[0].path, "Open");
  EXPECT_EQ(shown[0].items[1].height, 8);  // a separator
  EXPECT_EQ(shown[0].items[3].path, "More|Check me");
  EXPECT_TRUE(shown[1].items[3].checked);  // AutoCheck toggled it
  EXPECT_EQ(shown[3].choice, "More");      // a sub-menu itself is no command
  EXPECT_EQ(loopMessages.size(), 8u);
  UnhookWindowsHookEx(hook);
}

TEST_F(Dialog, LabelsSizeThemselvesByTheTextMetrics) {
  struct Case {
    const char* caption;
    TFontStyles style;
    int width;
  } cases[] = {{"a", 0, 6}, {"A", 0, 7},    {"W", 0, 9},     {"i", 0, 3},
               {"", 0, 0},  {"&Ok", 0, 13}, {"a&&b", 0, 18}, {"ab", fsBold, 14}};
  auto* label = NewObject<TLabel>(dialog);
  label->SetParent(dialog->Notebook->Page(0));
  for (const Case& c : cases) {
    label->Font()->SetStyle(c.style);
    label->SetCaption(c.caption);
    EXPECT_EQ(label->Width(), c.width) << c.caption;
    EXPECT_EQ(label->Height(), 13);
  }
  label->Font()->SetHeight(-22);
  EXPECT_EQ(label->Height(), 26);
  // Á is upper case in CP1250 too.
  EXPECT_EQ(TextWidthOf(*dialog->Font(), "\xC1"), 7);
}

}  // namespace
