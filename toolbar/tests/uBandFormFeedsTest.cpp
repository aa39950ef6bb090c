// Feed pop-ups of the band form: when one may show, which item the check picks, the pop-up's layout,
// placement, fading, closing, clicks and sound.
#include <gtest/gtest.h>

#include <set>

#include "deskband/vekRSS.h"
#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/testing/WaveWriter.h"
#include "platform/winapi/Animation.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Sound.h"
#include "platform/winapi/SystemInfo.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uSignals.h"
#include "toolbar/uTessalinePopupForm.h"

namespace {

using namespace band_form_test;
using namespace library_test;

const std::string kButton = "<BUTTON imagelist=\"gombok\" action=\"none\"/>\n";
const TDateTime kStart = EncodeDate(2004, 3, 15) + EncodeTime(10, 0, 0, 0);
constexpr double kSecond = 1.0 / 86400;

std::string Item(const std::string& title, const std::string& link = "http://hirek.vandrel.hu/1",
                 const std::string& description = "Rövid leírás") {
  return "<item><title>" + title + "</title><link>" + link + "</link><description>" + description +
         "</description></item>";
}

std::string Rss(const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"windows-1250\"?><rss version=\"2.0\"><channel><title>Hírek</title>" + items +
         "</channel></rss>";
}

std::string Feed(const std::string& id, const std::string& extra = "") {
  return "<FEED id=\"" + id + "\" src=\"http://hirek.vandrel.hu/" + id + ".xml\" showtimeout=\"6\" showspeed=\"400\" " +
         extra + "/>\n";
}

std::vector<TTessalinePopupForm*> Popups(TTessalineDeskBandForm* form) {
  std::vector<TTessalinePopupForm*> found;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* popup = DynamicAs<TTessalinePopupForm>(form->Components(i))) found.push_back(popup);
  return found;
}

RECT WindowRectOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

class BandFormFeeds : public BandFormTest {
 protected:
  void SetUp() override {
    BandFormTest::SetUp();
    SetClockMode(TClockMode::Virtual);
    SetVirtualDateTime(kStart);
    vandrel::animation_testing::ClearCalls();
    vandrel::sound_testing::ClearCalls();
  }
  void TearDown() override {
    BandFormTest::TearDown();
    SetClockMode(TClockMode::Real);
  }
  // A form on an active host window, its timers stopped (the tests call them).
  TTessalineDeskBandForm* Form(const std::string& feeds, const std::string& attributes = "") {
    Start(Definition(attributes, kButton + feeds));
    TTessalineDeskBandForm* form = MakeForm();
    EXPECT_NE(form->CurrentDefinition(), nullptr) << LogText();
    StopTimers(form);
    SetActiveWindow(host_);
    ::SetFocus(host_);
    return form;
  }
  static void StopTimers(TTessalineDeskBandForm* form) {
    form->SignalCheckTimer->SetEnabled(false);
    form->FeedCheckTimer->SetEnabled(false);
    form->FirstStartTimer->SetEnabled(false);
  }
  static TTessalineConfiguration* Configuration() { return TessalineDeskBandModule()->Configuration(); }
  static void Store(const std::string& id, const std::string& content) {
    TObjectPtr<TMemoryStream> stream(TMemoryStream::Create());
    stream->WriteBuffer(content.data(), int64_t(content.size()));
    stream->SetPosition(0);
    Configuration()->SaveFeedContent(id, *stream);
  }
  static std::vector<std::string> Shown(const std::string& id) {
    TObjectPtr<TStringList> list(NewObject<TStringList>());
    Configuration()->LoadShownEntries(id, *list);
    std::vector<std::string> lines;
    for (int i = 0; i < list->Count(); ++i) lines.push_back(list->Strings(i));
    return lines;
  }
  static void Advance(double seconds) { SetVirtualDateTime(Now() + seconds * kSecond); }
  // One check after the minimum delay; the title of the pop-up it opened ("" for none), which is closed.
  std::string CheckOnce(TTessalineDeskBandForm* form) {
    Advance(11);
    const size_t before = Popups(form).size();
    form->CheckFeedPopups();
    std::vector<TTessalinePopupForm*> popups = Popups(form);
    if (popups.size() == before) return "";
    EXPECT_EQ(popups.size(), before + 1) << "at most one pop-up per check";
    TTessalinePopupForm* popup = popups.back();
    std::string title = popup->lblTitle->Caption();
    popup->ClosePopup();
    Pump();
    return title;
  }
  // Handles messages, letting virtual time move, until `done` or `ms` of virtual time have passed.
  template <class F>
  static bool RunUntil(F done, uint64_t ms) {
    const uint64_t end = ClockTickMs() + ms;
    while (!done() && ClockTickMs() < end) Application->HandleMessage();
    return done();
  }
};

// ---- eligibility ----

TEST_F(BandFormFeeds, APopupShowsOnlyWhenTheUserMayBeInterrupted) {
  TTessalineDeskBandForm* form = Form("");
  HWND other = CreateWindowExA(0, "BandFormTestHost", "", WS_POPUP | WS_VISIBLE, 0, 100, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
  struct Row {
    const char* name;
    std::function<void()> arrange;
    bool shows;
  } rows[] = {
      {"nothing in the way", [] {}, true},
      {"another window active", [&] { SetActiveWindow(other); }, false},
      {"the band has the focus", [&] { ::SetFocus(form->Handle()); }, false},
      {"9 s after the last pop-up", [&] { form->SetLastPopup(Now() - 9 * kSecond); }, false},
      {"11 s after the last pop-up", [&] { form->SetLastPopup(Now() - 11 * kSecond); }, true},
      {"a last pop-up in the future", [&] { form->SetLastPopup(Now() + 60 * kSecond); }, false},
      {"119 s after the last click", [&] { form->SetLastPopupClick(Now() - 119 * kSecond); }, false},
      {"121 s after the last click", [&] { form->SetLastPopupClick(Now() - 121 * kSecond); }, true},
      {"a screen saver runs", [] { SetScreenSaverRunning(true); }, false},
      {"the screen saver's query fails", [] { SetScreenSaverQueryFails(true); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetActiveWindow(host_);
    ::SetFocus(host_);
    form->SetLastPopup(0);
    form->SetLastPopupClick(0);
    SetScreenSaverRunning(false);
    SetScreenSaverQueryFails(false);
    row.arrange();
    EXPECT_EQ(form->CanShowPopup(), row.shows);
  }
  DestroyWindow(other);
}

TEST_F(BandFormFeeds, TheMinimumDelaysComeFromTheDefinition) {
  TTessalineDeskBandForm* form = Form("", "popupmindelay=\"30\" popupmindelayafterclick=\"5\"");
  form->SetLastPopup(Now() - 20 * kSecond);
  EXPECT_FALSE(form->CanShowPopup());
  form->SetLastPopup(Now() - 31 * kSecond);
  form->SetLastPopupClick(Now() - 6 * kSecond);
  EXPECT_TRUE(form->CanShowPopup());
}

// ---- the check ----

TEST_F(BandFormFeeds, ItemsShowFromTheLastToTheFirstOncePerCheck) {
  TTessalineDeskBandForm* form = Form(Feed("ures") + Feed("hirek"));
  Store("hirek", Rss(Item("A", "http://h/a") + Item("B", "http://h/b") + Item("C", "http://h/c")));
  EXPECT_EQ(CheckOnce(form), "C") << "the empty feed is skipped";
  EXPECT_EQ(CheckOnce(form), "B");
  EXPECT_EQ(CheckOnce(form), "A");
  EXPECT_EQ(CheckOnce(form), "") << "every item shown";
  TObjectPtr<TRSSFeed> parsed(
      TRSSFeed::Create(Rss(Item("A", "http://h/a") + Item("B", "http://h/b") + Item("C", "http://h/c"))));
  EXPECT_EQ(Shown("hirek"),
            (std::vector<std::string>{parsed->Items().Items(2)->GetID(), parsed->Items().Items(1)->GetID(),
                                      parsed->Items().Items(0)->GetID()}));
  EXPECT_TRUE(Shown("ures").empty());
  EXPECT_EQ(LogText().find("ures"), std::string::npos) << "skipped without a message";
}

TEST_F(BandFormFeeds, ShownIdsAreComparedWithoutCaseAndKeepTheLatestHundred) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  TObjectPtr<TStringList> old(NewObject<TStringList>());
  for (int i = 0; i < 100; ++i) old->Add("regi" + std::to_string(i));
  old->Add("MAR-LATOTT");
  old->Delete(0);
  Configuration()->SaveShownEntries("hirek", *old);
  Store("hirek", Rss("<item><title>Új</title><guid>uj-1</guid></item>"
                     "<item><title>Látott</title><guid>mar-latott</guid></item>"));
  EXPECT_EQ(CheckOnce(form), "Új");
  std::vector<std::string> shown = Shown("hirek");
  ASSERT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown.front(), "regi2") << "the 101st id pushed the oldest out";
  EXPECT_EQ(shown.back(), "uj-1");
}

TEST_F(BandFormFeeds, AFeedOfMoreThanAHundredItemsAnnouncesEachItemOnce) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  std::string items;
  for (int i = 0; i < 150; ++i) items += Item("Cím " + std::to_string(i), "http://h/" + std::to_string(i));
  Store("hirek", Rss(items));
  std::multiset<std::string> titles;
  for (int i = 0; i < 150; ++i) titles.insert(CheckOnce(form));
  EXPECT_EQ(CheckOnce(form), "") << "nothing is announced again";
  EXPECT_EQ(titles.count(""), 0u);
  EXPECT_EQ(std::set<std::string>(titles.begin(), titles.end()).size(), 150u);
  EXPECT_EQ(Shown("hirek").size(), 150u);
}

TEST_F(BandFormFeeds, ABrokenFeedIsLoggedAndTheNextOneChecked) {
  TTessalineDeskBandForm* form = Form(Feed("rossz") + Feed("nemrss") + Feed("jo"));
  Store("rossz", "<rss><channel><item>");
  Store("nemrss", "<html><body/></html>");
  Store("jo", Rss(Item("Jó hír")));
  EXPECT_EQ(CheckOnce(form), "Jó hír");
  const std::string log = LogText();
  EXPECT_NE(log.find("FATAL: exception checking feed \"rossz\": "), std::string::npos) << log;
  EXPECT_NE(log.find("FATAL: exception checking feed \"nemrss\": Not a valid RSS feed"), std::string::npos) << log;
}

TEST_F(BandFormFeeds, FeedsOfIncludesAreNotLookedAt) {
  Start(Definition("", kButton));
  WriteWholeFile(kFolder + "\\.files",
                 ReadWholeFile(kFolder + "\\.files") + "resz.xml=http://eszkoztar.vandrel.hu/pellandra/resz.xml\r\n");
  WriteWholeFile(kFolder + "\\resz.xml", "<TOOLBAR>" + Feed("belso") + "</TOOLBAR>");
  Ship(Definition("", kButton + "<INCLUDE src=\"resz.xml\"/>"));
  TTessalineDeskBandForm* form = MakeForm();
  StopTimers(form);
  SetActiveWindow(host_);
  ::SetFocus(host_);
  Store("belso", Rss(Item("Belső")));
  EXPECT_EQ(CheckOnce(form), "");
  EXPECT_TRUE(Shown("belso").empty());
}

TEST_F(BandFormFeeds, AFeedSignalGivesOneCheckAndTheTimerTheLaterOnes) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  Store("hirek", Rss(Item("A", "http://h/a") + Item("B", "http://h/b") + Item("C", "http://h/c")));
  EXPECT_EQ(form->FeedCheckTimer->Interval(), 5000u);
  ASSERT_TRUE(BroadcastFeedChanged());
  Pump();
  ASSERT_TRUE(IsFeedChanged());
  ::SetFocus(form->Handle());
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  EXPECT_FALSE(IsFeedChanged()) << "checked (and refused: the band has the focus) while the user works in it";
  EXPECT_TRUE(Popups(form).empty());
  ::SetFocus(host_);

  ASSERT_TRUE(BroadcastFeedChanged());
  Pump();
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  ASSERT_EQ(Popups(form).size(), 1u);
  EXPECT_EQ(Popups(form)[0]->lblTitle->Caption(), "C");
  Advance(11);
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  EXPECT_EQ(Popups(form).size(), 1u) << "no second check without a signal";
  form->FeedCheckTimerTimer(form->FeedCheckTimer);
  ASSERT_EQ(Popups(form).size(), 2u);
  EXPECT_EQ(Popups(form)[1]->lblTitle->Caption(), "B");
}

TEST_F(BandFormFeeds, TheFeedTimerChecksEveryFiveSeconds) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  Store("hirek", Rss(Item("A", "http://h/a") + Item("B", "http://h/b")));
  form->SetLastPopup(Now());
  form->FeedCheckTimer->SetEnabled(true);
  const uint64_t start = ClockTickMs();
  ASSERT_TRUE(RunUntil([&] { return !Popups(form).empty(); }, 60000));
  // LastPopup is 0 s old at the start: the checks at 5 and 10 s are refused, the one at 15 s shows (and
  // fades in for 400 ms).
  EXPECT_EQ(ClockTickMs() - start, 15000u + 400u);
}

// ---- the pop-up ----

TEST_F(BandFormFeeds, ThePopupShowsTheItemBelowTheBandWithoutActivation) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  const std::string description =
      "Hosszabb leírás, amely több sorba tördelődik a buborék szélességén belül, mert nem fér el egyben";
  Store("hirek", Rss(Item("Cím", "http://hirek.vandrel.hu/cikk", description)));
  form->CheckFeedPopups();
  ASSERT_EQ(Popups(form).size(), 1u);
  TTessalinePopupForm* popup = Popups(form)[0];
  EXPECT_EQ(popup->lblTitle->Caption(), "Cím");
  EXPECT_EQ(popup->lblContent->Caption(), description);
  EXPECT_EQ(popup->Link(), "http://hirek.vandrel.hu/cikk");
  EXPECT_EQ(popup->Target(), "_blank");
  EXPECT_EQ(popup->ShowSpeed(), 400);
  EXPECT_EQ(popup->AutoCloseTimer->Interval(), 6000u);
  EXPECT_TRUE(popup->AutoCloseTimer->Enabled());
  EXPECT_EQ(popup->Name().rfind("TessalinePopupForm_", 0), 0u) << popup->Name();

  // The labels: their resource settings, sized to their text and centred, 10 pixels apart.
  const int line = TextHeightOf(*popup->lblTitle->Font());
  EXPECT_EQ(popup->lblTitle->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(popup->lblTitle->Font()->Height(), -11);
  EXPECT_EQ(popup->lblTitle->Alignment(), taCenter);
  EXPECT_EQ(popup->lblTitle->Cursor(), crHandPoint);
  EXPECT_EQ(popup->lblTitle->Height(), line) << "one line";
  EXPECT_EQ(popup->lblTitle->Width(), 174);
  EXPECT_EQ(popup->lblTitle->Left(), (226 - 174) / 2);
  EXPECT_EQ(popup->lblTitle->Top(), 32);
  EXPECT_GE(popup->lblContent->Height(), 2 * TextHeightOf(*popup->lblContent->Font())) << "wrapped";
  EXPECT_EQ(popup->lblContent->Height() % TextHeightOf(*popup->lblContent->Font()), 0);
  EXPECT_EQ(popup->lblContent->Left(), (226 - 197) / 2);
  EXPECT_EQ(popup->lblContent->Top(), 32 + line + 10);
  EXPECT_EQ(popup->PopupHeight(), line + 10 + popup->lblContent->Height() + 25);
  EXPECT_EQ(popup->Image1->Left(), 203);
  EXPECT_EQ(popup->Image1->Top(), 30);
  EXPECT_EQ(popup->Image1->Picture()->Width(), 11);

  // Hanging below the band's lower right corner, shown without taking the activation.
  RECT band = WindowRectOf(form->Handle());
  EXPECT_EQ(popup->Direction(), bdBottomLeft);
  EXPECT_EQ(popup->Anchor().x, band.right - 20);
  EXPECT_EQ(popup->Anchor().y, band.bottom);
  RECT r = WindowRectOf(popup->Handle());
  EXPECT_EQ(r.left, band.right - 226);
  EXPECT_EQ(r.top, band.bottom);
  EXPECT_EQ(r.bottom - r.top, popup->PopupHeight() + 26);
  EXPECT_TRUE(IsWindowVisible(popup->Handle()));
  EXPECT_EQ(GetActiveWindow(), host_);
  LONG_PTR exStyle = GetWindowLongPtrA(popup->Handle(), GWL_EXSTYLE);
  EXPECT_EQ(exStyle & WS_EX_TOPMOST, 0);
  EXPECT_NE(exStyle & WS_EX_NOACTIVATE, 0);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  char className[64] = {};
  GetClassNameA(popup->Handle(), className, sizeof className);
  WNDCLASSA wc{};
  ASSERT_TRUE(
      GetClassInfoA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(popup->Handle(), GWLP_HINSTANCE)), className, &wc));
  const bool xp = version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
  EXPECT_EQ((wc.style & CS_DROPSHADOW) != 0, xp);

  // Faded in over ShowSpeed; LastPopup stamped at the show.
  auto calls = vandrel::animation_testing::Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Window, popup->Handle());
  EXPECT_EQ(calls[0].Time, 400u);
  EXPECT_EQ(calls[0].Flags, 0x80000u);
  EXPECT_DOUBLE_EQ(form->GetLastPopup(), kStart);
  EXPECT_EQ(Shown("hirek").size(), 1u);
}

TEST_F(BandFormFeeds, ThePopupClosesByItselfAfterShowTimeout) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  Store("hirek", Rss(Item("A")));
  const uint64_t start = ClockTickMs();
  form->CheckFeedPopups();
  ASSERT_EQ(Popups(form).size(), 1u);
  HWND window = Popups(form)[0]->Handle();
  EXPECT_EQ(ClockTickMs() - start, 400u) << "the fade-in";
  ASSERT_TRUE(RunUntil([&] { return Popups(form).empty(); }, 20000));
  EXPECT_EQ(ClockTickMs() - start, 6000u + 400u) << "ShowTimeout from the item's arrival, then the fade-out";
  EXPECT_FALSE(IsWindow(window));
  auto calls = vandrel::animation_testing::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].Flags, 0x90000u);
  EXPECT_EQ(calls[1].Time, 400u);
  EXPECT_EQ(calls[1].StartTick - start, 6000u);
  EXPECT_NEAR(form->GetLastPopup(), kStart + 6.0 * kSecond, 0.001 * kSecond) << "stamped again at the close";
  EXPECT_DOUBLE_EQ(form->GetLastPopupClick(), 0);
}

TEST_F(BandFormFeeds, TheCloseGlyphFadesOutInHalfTheTime) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  Store("hirek", Rss(Item("A")));
  form->CheckFeedPopups();
  ASSERT_EQ(Popups(form).size(), 1u);
  TTessalinePopupForm* popup = Popups(form)[0];
  Advance(2);
  popup->Image1->OnClick(popup->Image1);
  EXPECT_FALSE(IsWindowVisible(popup->Handle()));
  EXPECT_FALSE(popup->AutoCloseTimer->Enabled());
  EXPECT_EQ(popup->BandForm(), nullptr);
  auto calls = vandrel::animation_testing::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].Time, 200u);
  EXPECT_EQ(calls[1].Flags, 0x90000u);
  Pump();
  EXPECT_TRUE(Popups(form).empty()) << "freed after the message";
  EXPECT_DOUBLE_EQ(form->GetLastPopupClick(), 0) << "the glyph opens nothing";
}

TEST_F(BandFormFeeds, WithoutAnimateWindowThePopupShowsAndHidesPlainly) {
  vandrel::dynamic_testing::HideExport("user32.dll", "AnimateWindow");
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  Store("hirek", Rss(Item("A")));
  form->CheckFeedPopups();
  ASSERT_EQ(Popups(form).size(), 1u);
  TTessalinePopupForm* popup = Popups(form)[0];
  EXPECT_TRUE(IsWindowVisible(popup->Handle()));
  EXPECT_EQ(GetActiveWindow(), host_);
  popup->ClosePopup();
  Pump();
  EXPECT_TRUE(Popups(form).empty());
  EXPECT_TRUE(vandrel::animation_testing::Calls().empty());
  vandrel::dynamic_testing::ShowEverything();
}

TEST_F(BandFormFeeds, NamesOfLivingPopupsAreNotDrawnAgain) {
  TTessalineDeskBandForm* form = Form(Feed("hirek"));
  std::string items;
  for (int i = 0; i < 30; ++i) items += Item("Cím " + std::to_string(i), "http://h/" + std::to_string(i));
  Store("hirek", Rss(items));
  for (int i = 0; i < 30; ++i) {
    Advance(11);
    form->CheckFeedPopups();
  }
  std::set<std::string> names;
  for (TTessalinePopupForm* popup : Popups(form)) names.insert(popup->Name());
  EXPECT_EQ(names.size(), 30u);
}

TEST_F(BandFormFeeds, OnABottomTaskbarThePopupStandsAboveTheBand) {
  Start(Definition("", kButton + Feed("hirek")));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Taskbar);
  ASSERT_NE(form, nullptr) << out_.str();
  StopTimers(form);
  Store("hirek", Rss(Item("A")));
  ASSERT_TRUE(form->CanShowPopup()) << "the taskbar is the active window";
  form->CheckFeedPopups();
  ASSERT_EQ(Popups(form).size(), 1u);
  TTessalinePopupForm* popup = Popups(form)[0];
  RECT band = GetBandScreenRect(form->Band());
  EXPECT_EQ(popup->Direction(), bdTopLeft);
  EXPECT_EQ(popup->Anchor().x, band.right - 20);
  EXPECT_EQ(popup->Anchor().y, band.top);
  RECT r = WindowRectOf(popup->Handle());
  EXPECT_EQ(r.bottom, band.top);
  EXPECT_EQ(r.right, band.right);
  EXPECT_GE(r.top, 0);
}

TEST_F(BandFormFeeds, AClickOpensTheLinkInTheHostBrowser) {
  Start(Definition("", kButton + Feed("hirek", "target=\"_self\"")));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  StopTimers(form);
  Store("hirek", Rss(Item("Rossz", "javascript:alert(1)") + Item("Jó", "http://hirek.vandrel.hu/jo")));
  struct Row {
    const char* title;
    bool content;  // a click on the content, else on the title
    std::string navigated;
  } rows[] = {{"Jó", false, "http://hirek.vandrel.hu/jo"}, {"Rossz", true, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    Advance(200);
    const size_t before = shell_->Browser()->NavigateCalls().size();
    form->CheckFeedPopups();
    ASSERT_EQ(Popups(form).size(), 1u);
    TTessalinePopupForm* popup = Popups(form)[0];
    ASSERT_EQ(popup->lblTitle->Caption(), row.title);
    TLabel* label = row.content ? popup->lblContent : popup->lblTitle;
    const TDateTime clicked = Now();
    label->OnClick(label);
    EXPECT_DOUBLE_EQ(form->GetLastPopupClick(), clicked);
    EXPECT_DOUBLE_EQ(form->GetLastPopup(), clicked) << "closing stamps it before the fade-out";
    auto calls = shell_->Browser()->NavigateCalls();
    if (row.navigated.empty()) {
      EXPECT_EQ(calls.size(), before);
      EXPECT_NE(LogText().find("javascript:alert(1)"), std::string::npos) << "logged";
    } else {
      ASSERT_EQ(calls.size(), before + 1);
      EXPECT_EQ(calls.back().Url, row.navigated);
      EXPECT_EQ(calls.back().Flags, 0) << "_self";
    }
    shell_->Pump();
    EXPECT_TRUE(Popups(form).empty()) << "closed after the click";
  }
}

TEST_F(BandFormFeeds, TheFeedsSoundPlaysFromTheFormsBufferUntilTheBandCloses) {
  Start(Definition("", kButton));
  WriteWholeFile(kFolder + "\\.files",
                 ReadWholeFile(kFolder + "\\.files") + "ding.wav=http://eszkoztar.vandrel.hu/pellandra/ding.wav\r\n");
  const std::string wave = testing_support::SilentWave(64);
  WriteWholeFile(kFolder + "\\ding.wav", wave);
  Ship(Definition("", kButton + Feed("hang", "soundsrc=\"ding.wav\"") + Feed("csendes")));
  TTessalineDeskBandForm* form = MakeForm();
  StopTimers(form);
  SetActiveWindow(host_);
  ::SetFocus(host_);
  Store("hang", Rss(Item("A", "http://h/a") + Item("B", "http://h/b")));
  EXPECT_EQ(CheckOnce(form), "B");
  EXPECT_EQ(CheckOnce(form), "A");
  using vandrel::sound_testing::Calls;
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 4u);
  for (int i : {0, 2}) {
    EXPECT_TRUE(calls[i].Stop) << "the stop comes before the play";
    EXPECT_FALSE(calls[i + 1].Stop);
    EXPECT_EQ(calls[i + 1].Flags, 0x5u);
    EXPECT_EQ(calls[i + 1].Bytes, wave);
  }
  EXPECT_TRUE(vandrel::sound_testing::IsPlaying());
  EXPECT_EQ(form->SoundBuffer()->Size(), int64_t(wave.size()));

  Store("csendes", Rss(Item("C")));
  EXPECT_EQ(CheckOnce(form), "C");
  EXPECT_EQ(Calls().size(), 4u) << "a feed without a sound plays nothing";

  form->Free();
  form_ = nullptr;
  EXPECT_FALSE(vandrel::sound_testing::IsPlaying()) << "stopped before its buffer went";
  ASSERT_EQ(Calls().size(), 5u);
  EXPECT_TRUE(Calls().back().Stop);
}

}  // namespace

namespace {

// A feed's sound comes from the network: one that is not a whole wave image is not handed to the system,
// which would read it by its header.
TEST_F(BandFormFeeds, ASoundThatIsNoWholeWaveIsNotPlayed) {
  const std::string wave = testing_support::SilentWave(64);
  const std::pair<const char*, std::string> sounds[] = {
      {"rovid.wav", "RIFF"}, {"csonka.wav", wave.substr(0, wave.size() - 1)}, {"szoveg.wav", std::string(80, 'x')}};
  Start(Definition("", kButton));
  std::string index = ReadWholeFile(kFolder + "\\.files");
  std::string feeds;
  for (const auto& [name, bytes] : sounds) {
    index += std::string(name) + "=http://eszkoztar.vandrel.hu/pellandra/" + name + "\r\n";
    WriteWholeFile(kFolder + "\\" + name, bytes);
    feeds += Feed(std::string(name).substr(0, std::string(name).find('.')), "soundsrc=\"" + std::string(name) + "\"");
  }
  WriteWholeFile(kFolder + "\\.files", index);
  Ship(Definition("", kButton + feeds));
  TTessalineDeskBandForm* form = MakeForm();
  StopTimers(form);
  SetActiveWindow(host_);
  ::SetFocus(host_);
  for (const char* id : {"rovid", "csonka", "szoveg"}) {
    SCOPED_TRACE(id);
    Store(id, Rss(Item(id)));
    EXPECT_EQ(CheckOnce(form), id) << "the pop-up still shows";
    EXPECT_NE(LogText().find("Sound of feed \"" + std::string(id) + "\" not played"), std::string::npos);
  }
  EXPECT_TRUE(vandrel::sound_testing::Calls().empty());
  EXPECT_EQ(form->SoundBuffer()->Size(), 0);
}

}  // namespace
