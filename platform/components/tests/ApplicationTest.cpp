#include "platform/components/Application.h"

#include <gtest/gtest.h>

#include "platform/components/automation/TestDriver.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"

using namespace formtest;

namespace {

TEST(Application, AnExceptionInAHandlerIsReportedAndTheLoopGoesOn) {
  SetClockMode(TClockMode::Virtual);
  auto* dialog = Application->CreateForm<TTestDialog>();
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    reported.push_back(static_cast<TComponent*>(sender)->Name() + ": " + e.what());
  };
  int after = 0;
  dialog->bnBack->OnClick = [](TObject*) { throw EConvertError("bad click"); };
  dialog->bnNext->OnClick = [&](TObject*) { ++after; };
  dialog->tmTick->OnTimer = [&](TObject*) {
    dialog->tmTick->SetEnabled(false);
    PostMessageA(dialog->bnBack->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    PostMessageA(dialog->bnBack->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageA(dialog->bnNext->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    PostMessageA(dialog->bnNext->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);
  };
  dialog->tmTick->SetEnabled(true);
  Application->Run();
  EXPECT_EQ(reported, std::vector<std::string>{"bnBack: bad click"});
  EXPECT_EQ(after, 1);
  // Without OnException the message goes to a message box; EAbort stays silent.
  Application->OnException = nullptr;
  Application->SetTitle("Selvaring");
  ClearMessageBoxRecords();
  try {
    throw EAbort("quiet");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  try {
    throw EConvertError("'x' is not a valid integer value");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "'x' is not a valid integer value.");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(boxes[0].caption, "Selvaring");  // the application's title
  char text[32] = {};
  GetWindowTextA(Application->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Selvaring");  // what the task bar shows
  Application->SetTitle("Telepítő"_cp);
  GetWindowTextA(Application->Handle(), text, sizeof text);
  EXPECT_EQ(std::string(text), "Telepítő"_cp);
  dialog->Free();
  SetClockMode(TClockMode::Real);
}

TEST(Application, ParamStrSplitsAsTheComponentLibrary) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"Selvaring.exe", {"Selvaring.exe"}},
      {"\"C:\\Program Files\\Selvaring.exe\" VERSION", {"C:\\Program Files\\Selvaring.exe", "VERSION"}},
      {"a.exe  CONTINUE 10 20 - \"Standard Modem\"", {"a.exe", "CONTINUE", "10", "20", "-", "Standard Modem"}},
      {"a.exe x\"y z\"w \"\"", {"a.exe", "xy zw", ""}},
      {"a.exe \"unclosed arg", {"a.exe", "unclosed arg"}},
      {"  a.exe\t b ", {"a.exe", "b"}},
  };
  for (const Case& c : cases) {
    Application->SetCommandLine(c.line);
    ASSERT_EQ(Application->ParamCount(), int(c.args.size()) - 1) << c.line;
    for (size_t i = 0; i < c.args.size(); ++i) EXPECT_EQ(Application->ParamStr(int(i)), c.args[i]) << c.line;
    EXPECT_EQ(Application->ParamStr(int(c.args.size())), "");
    EXPECT_EQ(Application->ExeName(), c.args[0]);
  }
}

TEST(Application, TheProcessCommandLineNamesTheProgramByItsWindowsPath) {
  // The first argument of the process's own command line: the program as GetModuleFileNameA gives it.
  char program[1024];
  const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(Application->ExeName(), std::string(program, length));
  EXPECT_EQ(Application->ExeName().substr(1, 2), ":\\");
}

TEST(Application, MessageBoxesAnswerFromTheScriptElseWithTheirDefaultButton) {
  ClearMessageBoxRecords();
  ScriptMessageBoxAnswers({IDNO});
  EXPECT_EQ(Application->MessageBox("Biztos?", "Selvaring", MB_YESNO | MB_ICONQUESTION), IDNO);
  struct Case {
    UINT flags;
    int answer;
  } defaults[] = {{MB_OK, IDOK},
                  {MB_YESNO, IDYES},
                  {MB_YESNO | MB_DEFBUTTON2, IDNO},
                  {MB_OKCANCEL, IDOK},
                  {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                  {MB_RETRYCANCEL, IDRETRY},
                  {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY}};
  for (const Case& c : defaults) EXPECT_EQ(MessageBoxA(nullptr, "t", "c", c.flags), c.answer) << c.flags;
  std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
  ASSERT_EQ(boxes.size(), 8u);
  EXPECT_EQ(boxes[0].text, "Biztos?");
  EXPECT_EQ(boxes[0].caption, "Selvaring");
  EXPECT_EQ(boxes[0].answer, IDNO);
}

class TLoudHint : public THintWindow {
  VCL_CLASS(TLoudHint, THintWindow)
  using THintWindow::THintWindow;
  void ActivateHint(const RECT& rect, const std::string& hint) override { THintWindow::ActivateHint(rect, hint + "!"); }
};

TEST(Application, HintsGoThroughOnShowHintAndTheHintWindowClass) {
  auto* dialog = NewObject<TTestDialog>(Application);
  dialog->Show();
  dialog->bnNext->SetHint("Next|Go to the next page");
  dialog->bnNext->SetShowHint(true);
  std::vector<std::string> hints;
  Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
  Application->ActivateHint(dialog->bnNext);
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_EQ(Application->HintWindow()->Caption(), "Next");
  EXPECT_TRUE(IsWindowVisible(Application->HintWindow()->Handle()));
  Application->HintWindowClass = THintWindowClass::Of<TLoudHint>();
  Application->OnShowHint = [](std::string& text, bool& canShow, TControl*) {
    text = "Tovább";
    canShow = text != "never";
  };
  Application->ActivateHint(dialog->bnNext);
  EXPECT_EQ(Application->HintWindow()->ClassName(), "TLoudHint");
  EXPECT_EQ(Application->HintWindow()->Caption(), "Tovább!");
  Application->OnShowHint = [](std::string&, bool& canShow, TControl*) { canShow = false; };
  Application->CancelHint();
  Application->ActivateHint(dialog->bnNext);
  EXPECT_FALSE(IsWindowVisible(Application->HintWindow()->Handle()));
  Application->SetShowHint(false);
  EXPECT_EQ(Application->HintWindow(), nullptr) << "switching hints off frees the hint window";
  dialog->bnBack->SetHint("Back");
  Application->ActivateHint(dialog->bnBack);
  EXPECT_EQ(hints, (std::vector<std::string>{"Go to the next page", "Back"}));
  Application->SetShowHint(true);
  ASSERT_NE(Application->HintWindow(), nullptr) << "and switching them on makes a fresh one";
  EXPECT_EQ(Application->HintWindow()->ClassName(), "TLoudHint");
  dialog->Free();
}

TEST(Application, HelpCallsAreRecorded) {
  Application->SetHelpFile("connect.hlp");
  Application->HelpJump("icw_trb");
  Application->HelpContext(12);
  EXPECT_EQ(Application->HelpCalls(), (std::vector<std::string>{"jump connect.hlp icw_trb", "context connect.hlp 12"}));
}

TEST(Application, ScreenCursorAndForms) {
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  auto* dialog = NewObject<TTestDialog>(Application);
  EXPECT_EQ(Screen->FormCount(), 1);
  dialog->Show();
  EXPECT_EQ(Screen->ActiveForm(), dialog);
  EXPECT_EQ(Screen->ActiveControl(), dialog->edName);
  dialog->Free();
  EXPECT_EQ(Screen->FormCount(), 0);
}

}  // namespace
