#include "platform/components/automation/UserScript.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/components/Application.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageBox.h"

using namespace formtest;

namespace {

std::string ReadError(const std::string& script, const TUserVerbs& verbs = TUserVerbs::Standard()) {
  try {
    ReadUserScript(script, verbs);
  } catch (const EUserScriptError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(UserScript, EachVerbReadsItsArguments) {
  struct Case {
    std::string line;
    std::string verb, name, text;
    BYTE key;
    TShiftState shift;
    uint32_t ms;
  } cases[] = {
      {"click bnNext", "click", "bnNext", "", 0, 0, 0},
      {"  CHECK \t chkAgree  ", "check", "chkAgree", "", 0, 0, 0},
      {"uncheck chkAgree", "uncheck", "chkAgree", "", 0, 0, 0},
      {"focus edName", "focus", "edName", "", 0, 0, 0},
      {"select cbChoice  two words ", "select", "cbChoice", "two words", 0, 0, 0},
      {"type edName Árvíz tűrő # not a comment", "type", "edName", "Árvíz tűrő # not a comment"_cp, 0, 0, 0},
      {"paste edName a?b", "paste", "edName", "a?b", 0, 0, 0},
      {"key Enter", "key", "", "", VK_RETURN, 0, 0},
      {"key esc", "key", "", "", VK_ESCAPE, 0, 0},
      {"key Shift+Tab", "key", "", "", VK_TAB, ssShift, 0},
      {"key alt+x", "key", "", "", 'X', ssAlt, 0},
      {"key Ctrl+Shift+Home", "key", "", "", VK_HOME, ssCtrl | ssShift, 0},
      {"key F1", "key", "", "", VK_F1, 0, 0},
      {"key F12", "key", "", "", 0x7B, 0, 0},
      {"key 7", "key", "", "", '7', 0, 0},
      {"key PageDown", "key", "", "", VK_NEXT, 0, 0},
      {"wait 0", "wait", "", "", 0, 0, 0},
      {"wait 86400000", "wait", "", "", 0, 0, 86400000},
      {"answer no", "answer", "", "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<TUserAction> actions = ReadUserScript(c.line, TUserVerbs::Standard());
    ASSERT_EQ(actions.size(), 1u) << c.line;
    const TUserAction& a = actions[0];
    EXPECT_EQ(a.verb, c.verb) << c.line;
    EXPECT_EQ(a.name, c.name) << c.line;
    EXPECT_EQ(a.text, c.text) << c.line;
    EXPECT_EQ(a.key, c.key) << c.line;
    EXPECT_EQ(a.shift, c.shift) << c.line;
    EXPECT_EQ(a.ms, c.ms) << c.line;
  }
  const std::pair<const char*, int> buttons[] = {{"OK", IDOK},       {"cancel", IDCANCEL}, {"Abort", IDABORT},
                                                 {"RETRY", IDRETRY}, {"Ignore", IDIGNORE}, {"Yes", IDYES},
                                                 {"no", IDNO}};
  for (const auto& [name, id] : buttons)
    EXPECT_EQ(ReadUserScript(std::string("answer ") + name, TUserVerbs::Standard())[0].button, id) << name;
}

TEST(UserScript, CommentsAndBlankLinesKeepTheLineNumbers) {
  std::vector<TUserAction> actions = ReadUserScript(
      "# a comment\r\n\r\n   \r\nclick bnNext\r\n  # indented comment\nwait 10\nkey Tab", TUserVerbs::Standard());
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].line, 4);
  EXPECT_EQ(actions[0].source, "click bnNext");
  EXPECT_EQ(actions[1].line, 6);
  EXPECT_EQ(actions[2].line, 7);
  EXPECT_TRUE(ReadUserScript("", TUserVerbs::Standard()).empty());
}

TEST(UserScript, AMalformedLineIsRefusedWithItsNumber) {
  struct Case {
    std::string script, error;
  } cases[] = {
      {"clik bnNext", "line 1: unknown action \"clik\""},
      {"\n# c\nclick", "line 3: click takes one control name"},
      {"click a b", "line 1: click takes one control name"},
      {"type edName", "line 1: type needs a control name and a text"},
      {"select   cbChoice   ", "line 1: select needs a control name and a text"},
      {"key", "line 1: key takes one key name"},
      {"key Shift + Tab", "line 1: key takes one key name"},
      {"key Ctrl+", "line 1: unknown key \"Ctrl+\""},
      {"key Shift+Shift+A", "line 1: unknown key \"Shift+Shift+A\""},
      {"key Hyper+A", "line 1: unknown key \"Hyper+A\""},
      {"key F13", "line 1: unknown key \"F13\""},
      {"key F0", "line 1: unknown key \"F0\""},
      {"key Ü", "line 1: unknown key \"" + "Ü"_cp + "\""},
      {"wait", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"wait 86400001", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"wait 999999999999", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"wait -5", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"wait 12ms", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"wait 1 2", "line 1: wait takes milliseconds from 0 to 86400000"},
      {"answer", "line 1: answer takes one of OK, Cancel, Abort, Retry, Ignore, Yes, No"},
      {"answer Maybe", "line 1: answer takes one of OK, Cancel, Abort, Retry, Ignore, Yes, No"},
      {"answer Yes No", "line 1: answer takes one of OK, Cancel, Abort, Retry, Ignore, Yes, No"},
      {"click a\ntype edName \xC3", "line 2: text that is not UTF-8 or not in code page 1250"},
      {"type edName \xE6\x97\xA5", "line 1: text that is not UTF-8 or not in code page 1250"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadError(c.script), c.error) << c.script;
}

TEST(UserScript, AVerbMayTakeTheRestOfTheLineOrNothing) {
  TUserVerbs verbs;
  verbs.Add("chevron", TUserArgs::Rest, nullptr);
  std::vector<TUserAction> actions = ReadUserScript("chevron\nchevron other\n  chevron this  File|Open \r\n", verbs);
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].text, "");
  EXPECT_EQ(actions[1].text, "other");
  EXPECT_EQ(actions[2].text, "this  File|Open") << "the blanks at the ends go, those inside stay";
  EXPECT_EQ(actions[2].name, "");
}

TEST(UserScript, ACallerAddsVerbsOfItsOwn) {
  TUserVerbs verbs = TUserVerbs::Standard();
  std::vector<std::string> ran;
  verbs.Add("chevron", TUserArgs::None, [&](TFormDriver&, const TUserAction& a) { ran.push_back(a.verb); });
  verbs.Add("press", TUserArgs::NameText,
            [&](TFormDriver&, const TUserAction& a) { ran.push_back(a.name + "=" + a.text); });
  EXPECT_EQ(ReadError("chevron x", verbs), "line 1: chevron takes nothing after it");
  EXPECT_EQ(ReadError("chevron", TUserVerbs::Standard()), "line 1: unknown action \"chevron\"");
  std::vector<TUserAction> actions = ReadUserScript("Chevron\npress bnGo right now\nwait 5", verbs);
  ASSERT_EQ(actions.size(), 3u);

  SetClockMode(TClockMode::Virtual);
  auto* form = TCustomForm::CreateNew<TForm>(Application);
  form->SetName("Plain");
  form->Show();
  std::string out;
  TUserScriptPlayer player(form, verbs, [&](const std::string& text) { out += text; });
  player.Play(actions);
  EXPECT_EQ(ran, (std::vector<std::string>{"chevron", "bnGo=right now"}));
  EXPECT_EQ(out,
            "== line 1: Chevron\nform Plain \"\"\n"
            "== line 2: press bnGo right now\nform Plain \"\"\n"
            "== line 3: wait 5\nform Plain \"\"\n");
  form->Free();
  SetClockMode(TClockMode::Real);
}

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    Trace().clear();
    ClearMessageBoxRecords();
    dialog = Application->CreateForm<TTestDialog>();
    dialog->Show();
    player = std::make_unique<TUserScriptPlayer>(dialog, TUserVerbs::Standard(),
                                                 [this](const std::string& text) { out += text; });
  }
  void TearDown() override { SetClockMode(TClockMode::Real); }
  // The lines of the block that the step on `line` wrote (none when it wrote none).
  std::vector<std::string> Block(int line) const {
    std::vector<std::string> lines;
    std::string heading = "== line " + std::to_string(line) + ":";
    size_t at = out.find(heading);
    if (at == std::string::npos) return lines;
    size_t end = out.find("\n== ", at + 1);
    std::string block = out.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    size_t start = 0;
    while (start < block.size()) {
      size_t nl = block.find('\n', start);
      lines.push_back(block.substr(start, nl - start));
      start = nl + 1;
    }
    return lines;
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::string PlayError(const std::string& script) {
    try {
      player->Play(ReadUserScript(script, TUserVerbs::Standard()));
    } catch (const EUserScriptError& e) {
      return e.Message();
    }
    return "no error";
  }

  TTestDialog* dialog = nullptr;
  std::unique_ptr<TUserScriptPlayer> player;
  std::string out;
};

TEST_F(Player, StepsDriveTheFormAndEachWritesASnapshot) {
  dialog->tmTick->SetEnabled(true);
  player->Play(
      ReadUserScript("type edName Éva\n"
                     "select cbChoice gamma\n"
                     "check rbTwo\n"
                     "wait 1600\n"
                     "key Enter\n"
                     "check chkAgree\n"
                     "key Shift+Tab\n",
                     TUserVerbs::Standard()));
  EXPECT_EQ(Trace(),
            (std::vector<std::string>{"create with fields", "name " + "É"_cp, "name " + "Év"_cp, "name " + "Éva"_cp,
                                      "choice gamma", "radio rbTwo", "next", "page Second", "agree on"}));
  EXPECT_EQ(dialog->ticks, 3);
  EXPECT_EQ(out.rfind("== line 1: type edName " + "Éva"_cp + "\nform TestDialog \"" + "Teszt párbeszéd"_cp + "\"\n", 0),
            0u)
      << out;
  EXPECT_TRUE(Has(Block(1), "      TEdit edName \"" + "Éva"_cp + "\" [focused]")) << out;
  EXPECT_TRUE(Has(Block(2), "      TComboBox cbChoice \"gamma\" [focused] index=2")) << out;
  EXPECT_TRUE(Has(Block(3), "      TRadioButton rbTwo \"" + "Kettő"_cp + "\" [checked]")) << out;
  EXPECT_TRUE(Has(Block(5), "  TNotebook Notebook page=1 \"Second\"")) << out;
  EXPECT_TRUE(Has(Block(6), "      TCheckBox chkAgree \"Elfogadom\" [focused] [checked]")) << out;
  EXPECT_TRUE(Has(Block(7), "    TButton bnExit \"" + "&Kilépés"_cp + "\" [focused]")) << out;
}

TEST_F(Player, MessageBoxesThatAStepShowsFollowItsSnapshot) {
  dialog->bnBack->OnClick = [](TObject*) {
    ScriptMessageBoxAnswers({IDNO});
    Application->MessageBox("Biztos?", "Kérdés"_cp, MB_YESNO);
    Application->MessageBox("Kész."_cp, "Info", MB_OK);
  };
  player->Play(ReadUserScript("click bnBack\nclick bnNext", TUserVerbs::Standard()));
  std::vector<std::string> first = Block(1), second = Block(2);
  ASSERT_GE(first.size(), 2u);
  EXPECT_EQ(first[first.size() - 2], "message box \"" + "Kérdés"_cp + "\" \"Biztos?\" answered No");
  EXPECT_EQ(first.back(), "message box \"Info\" \"" + "Kész."_cp + "\" answered OK");
  EXPECT_FALSE(Has(second, "message box \"Info\" \"" + "Kész."_cp + "\" answered OK"));
}

TEST_F(Player, AnsweredBoxesTakeTheScriptedButtonsInOrder) {
  dialog->bnBack->OnClick = [](TObject*) {
    Application->MessageBox("Maradjon?", "Kérdés"_cp, MB_YESNO);
    Application->MessageBox("Tovább?"_cp, "Info", MB_OKCANCEL);
    Application->MessageBox("Kész.\r\nVége."_cp, "Info", MB_OK);
  };
  // "No" names no button of the OK box: that one keeps its default.
  player->Play(ReadUserScript("answer No\nanswer Cancel\nanswer No\nclick bnBack", TUserVerbs::Standard()));
  std::vector<std::string> block = Block(4);
  ASSERT_GE(block.size(), 4u);
  EXPECT_EQ(block[block.size() - 4], "message box \"" + "Kérdés"_cp + "\" \"Maradjon?\" answered No");
  EXPECT_EQ(block[block.size() - 3], "message box \"Info\" \"" + "Tovább?"_cp + "\" answered Cancel");
  EXPECT_EQ(block[block.size() - 2], "message box \"Info\" \"" + "Kész."_cp);
  EXPECT_EQ(block.back(), "    " + "Vége."_cp + "\" answered OK");
}

TEST_F(Player, AFailingStepStopsThePlayWithItsLine) {
  struct Case {
    std::string script, error;
  } cases[] = {
      {"click bnNothing", "line 1: No control named bnNothing"},
      {"\nselect cbChoice delta", "line 2: Combo box cbChoice has no item \"delta\""},
      {"type edHidden x", "line 1: Control edHidden is not visible"},
      {"uncheck rbOne", "line 1: Radio button rbOne cannot be unchecked by a click"},
  };
  for (const Case& c : cases) EXPECT_EQ(PlayError(c.script), c.error) << c.script;
  dialog->bnBack->SetEnabled(false);
  out.clear();
  EXPECT_EQ(PlayError("focus edName\nclick bnBack\nclick bnNext"), "line 2: Control bnBack is disabled");
  EXPECT_FALSE(Block(1).empty());
  EXPECT_TRUE(Block(2).empty()) << "a failed step writes no snapshot";
  EXPECT_EQ(Trace().back(), "create with fields") << "the steps after the failure do not run";
}

TEST_F(Player, AStepThatEndsTheProgramIsTheLastOne) {
  EXPECT_EQ(PlayError("key Esc\nclick bnNext"), "line 2: the program has ended");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Block(1), (std::vector<std::string>{"== line 1: key Esc", "program ended"}));
  EXPECT_EQ(Trace().back(), "form key 27");
}

TEST_F(Player, TheQuestionOfAStepThatEndsTheProgramIsWrittenBeforeItsEnd) {
  dialog->bnBack->OnClick = [](TObject*) {
    if (Application->MessageBox("Kilép?"_cp, "Kérdés"_cp, MB_YESNO) == IDYES) Application->Terminate();
  };
  player->Play(ReadUserScript("answer Yes\nclick bnBack", TUserVerbs::Standard()));
  EXPECT_EQ(Block(2),
            (std::vector<std::string>{"== line 2: click bnBack",
                                      "message box \"" + "Kérdés"_cp + "\" \"" + "Kilép?"_cp + "\" answered Yes",
                                      "program ended"}));
}

TEST(RequestedUserScript, AProgramThatEndsBeforeItsMainFormShowsReportsItsMessageBoxes) {
  ClearMessageBoxRecords();
  Application->MessageBox(
      "A konfigur\xE1"
      "ci\xF3s f\xE1jl hi\xE1nyzik.\r\nA program kil\xE9p.",
      "Hiba", MB_OK);
  TRequestedUserScript request("", true);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(request.Finish(), kUserScriptFailed);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "message box \"Hiba\" \"A konfigur\xC3\xA1"
            "ci\xC3\xB3s f\xC3\xA1jl hi\xC3\xA1nyzik.\n"
            "    A program kil\xC3\xA9p.\" answered OK\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "snapshot: the program ended before its main form was shown\n");
}

}  // namespace
