// The page flow: button enabling and Back on every page, Next's error roads and confirmations, both roads
// walked to their summaries with scripted operations, and the roads of a PC without modem and adapter.
#include <gtest/gtest.h>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/VirtualTime.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using Page = TFMain::Page;

// Every text the flow shows reads "T" and its id.
std::string FlowConfiguration() {
  std::vector<std::pair<int, std::string>> texts;
  for (int id : UsedTextIds()) texts.push_back({id, "T" + std::to_string(id)});
  return Configuration({{"modemkapcsolatneve", "Vandrel"},
                        {"modemikonneve", "Vandrel ikon"},
                        {"modemideigleneskapcsolatneve", "Vandrel ideiglenes"},
                        {"levelid", "5"},
                        {"levelfioknev", "Fiók"_cp},
                        {"levelsmtpszerver", "smtp.x"},
                        {"levelpop3szerver", "pop3.x"}},
                       texts);
}

std::string g_htmlHelp;
HWND FakeHtmlHelp(HWND, LPCSTR file, UINT command, DWORD_PTR data) {
  g_htmlHelp = std::string(file) + " " + std::to_string(command) + " " + std::to_string(data);
  return nullptr;
}

class Flow : public ::testing::Test {
 protected:
  void SetUp() override { machine.WriteConfiguration(FlowConfiguration()); }

  template <class T = TScriptedMain>
  TFMain* Open(const std::string& arguments = "") {
    form = machine.Start<T>(arguments);
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
    return form;
  }
  int PageIndex() const { return form->Notebook->PageIndex(); }
  void Next() { driver->Click("bnKovetkezo"); }
  void Back() { driver->Click("bnElozo"); }
  // "back next exit", each "on" or "off".
  std::string Buttons() const {
    auto state = [](TButton* b) { return std::string(b->Enabled() ? "on" : "off"); };
    return state(form->bnElozo) + " " + state(form->bnKovetkezo) + " " + state(form->bnKilepes);
  }
  // The error page's title and body.
  std::string Error() const { return form->lbKozosHibaCim->Caption() + "/" + form->lbKozosHibaTorzs->Caption(); }
  void Go(int page) { form->Notebook->SetPageIndex(page); }
  // The busy flags but the wait lock and finishing leave the rules to the operation that sets them, and a
  // radio button unchecked by code runs no handler: these run the rules as their callers do.
  void Busy(const std::function<void()>& set) {
    set();
    form->EnableDisableButtons(nullptr);
  }
  void Uncheck(TRadioButton* button) {
    button->SetChecked(false);
    form->EnableDisableButtons(nullptr);
  }

  WizardMachine machine;
  TFMain* form = nullptr;
  std::unique_ptr<TFormDriver> driver;
};

TEST_F(Flow, TheButtonsFollowThePageAndTheBusyFlags) {
  Script().modems = "Hayes\r\n";
  Open();
  form->cbModem->Items()->Add("Hayes");
  form->cbModemKorzetszam->SetItemIndex(form->cbModemKorzetszam->Items()->IndexOf("22"));
  form->FillPackages();
  struct Case {
    int page;
    const char* what;
    std::function<void()> setup;
    const char* buttons;
  } cases[] = {
      {Page::pgKozosKezdolap, "", [] {}, "off on on"},
      {Page::pgKozosJogiElfogadas, "not accepted", [] {}, "on off on"},
      {Page::pgKozosJogiElfogadas, "accepted", [&] { form->cbKozosElfogad->SetChecked(true); }, "on on on"},
      {Page::pgKozosKapcsolatFajta, "a road", [] {}, "on on on"},
      {Page::pgKozosKapcsolatFajta, "no road", [&] { Uncheck(form->rbADSLKapcsolat); }, "on off on"},
      {Page::pgModemKezdolap, "", [] {}, "on on on"},
      {Page::pgModemValasztas, "no modem", [] {}, "on off on"},
      {Page::pgModemValasztas, "modem, no prefix", [&] { form->cbModem->SetItemIndex(0); }, "on on on"},
      {Page::pgModemValasztas, "prefix needed, none given", [&] { form->cbModemElohivoKell->SetItemIndex(0); },
       "on off on"},
      {Page::pgModemValasztas, "prefix given", [&] { form->edModemElohivoszam->SetText("9"); }, "on on on"},
      {Page::pgModemValasztas, "no modem again", [&] { form->cbModem->SetItemIndex(-1); }, "on off on"},
      {Page::pgModemVizsgalat, "idle", [] {}, "on on on"},
      {Page::pgModemVizsgalat, "testing", [&] { Busy([&] { form->SetModemTestRunning(true); }); }, "off off on"},
      {Page::pgModemLetoltes, "idle", [] {}, "on on on"},
      {Page::pgModemLetoltes, "downloading", [&] { Busy([&] { form->SetDownloading(true); }); }, "off on on"},
      {Page::pgModemSzolgaltatas, "a service", [] {}, "on on on"},
      {Page::pgModemSzolgaltatas, "none", [&] { Uncheck(form->rbModemMeglevo); }, "on off on"},
      {Page::pgModemKorzetszam, "an area", [] {}, "on on on"},
      {Page::pgModemKorzetszam, "none", [&] { form->cbModemKorzetszam->SetItemIndex(-1); }, "on off on"},
      {Page::pgModemCsomagTipus, "a package", [] {}, "on on on"},
      {Page::pgModemCsomagTipus, "dialling", [&] { Busy([&] { form->SetDialing(true); }); }, "off off on"},
      {Page::pgModemCsomagTipus, "none", [&] { form->cbModemCsomag->SetItemIndex(-1); }, "on off on"},
      {Page::pgModemFelhAdatok, "no password", [&] { form->edModemTarcsazasiNev->SetText("u"); }, "on off on"},
      {Page::pgModemFelhAdatok, "both", [&] { form->edModemTarcsazasiJelszo->SetText("p"); }, "on on on"},
      {Page::pgModemBongKedvLevel, "", [] {}, "on on on"},
      {Page::pgModemSikeroldal, "", [] {}, "on on on"},
      {Page::pgADSLKezdolap, "", [] {}, "on on on"},
      {Page::pgADSLVizsgalat, "idle", [] {}, "on on on"},
      {Page::pgADSLVizsgalat, "checking", [&] { Busy([&] { form->SetAdslTestRunning(true); }); }, "off off on"},
      {Page::pgADSLTrelvinTorlese, "", [] {}, "on on on"},
      {Page::pgADSLTrelvinTelepitese, "", [] {}, "on on on"},
      {Page::pgADSLFelhAdatok, "no name", [&] { form->edADSLTarcsazasiJelszo->SetText("p"); }, "on off on"},
      {Page::pgADSLFelhAdatok, "both", [&] { form->edADSLTarcsazasiNev->SetText("u"); }, "on on on"},
      {Page::pgADSLBongKedvToolbarLevel, "", [] {}, "on on on"},
      {Page::pgADSLSikeroldal, "idle", [] {}, "on on on"},
      {Page::pgADSLSikeroldal, "finishing", [&] { form->SetFinishing(true); }, "off off off"},
      {Page::pgKozosLevelAdatok, "two of three",
       [&] {
         form->edKozosSzemelyNev->SetText("n");
         form->edKozosEMailCim->SetText("a");
       },
       "on off on"},
      {Page::pgKozosLevelAdatok, "all three", [&] { form->edKozosLevelezesiNev->SetText("l"); }, "on on on"},
      {Page::pgKozosHiba, "", [] {}, "off off on"},
      {Page::pgModemKezdolap, "locked", [&] { form->SetWaitLock(true); }, "off off off"},
  };
  for (const Case& c : cases) {
    form->SetWaitLock(false);
    form->SetModemTestRunning(false);
    form->SetDownloading(false);
    form->SetDialing(false);
    form->SetAdslTestRunning(false);
    form->SetFinishing(false);
    Go(c.page);
    c.setup();
    // no call of the rules here: each setter and handler must run them itself
    EXPECT_EQ(Buttons(), c.buttons) << c.page << " " << c.what;
    if (c.page == Page::pgModemValasztas) {
      const bool prefix = form->cbModemElohivoKell->Text() == "igen";
      EXPECT_EQ(form->edModemElohivoszam->Visible(), prefix) << c.what;
      EXPECT_EQ(form->lbModemElohivoszam->Visible(), prefix) << c.what;
    }
  }
  // The advertisement of the mail page belongs to the modem road.
  form->SetWaitLock(false);
  auto* advert = static_cast<TLabel*>(form->FindComponent("lbReklam5"));
  Go(Page::pgKozosLevelAdatok);
  EXPECT_FALSE(advert->Visible());
  form->rbModemKapcsolat->SetChecked(true);
  EXPECT_TRUE(advert->Visible());
}

TEST_F(Flow, AChangedPageFocusesItsFirstInput) {
  Open();
  const std::pair<int, TWinControl*> cases[] = {
      {Page::pgKozosJogiElfogadas, form->moKozosNyilatkozat},
      {Page::pgModemKorzetszam, form->cbModemKorzetszam},
      {Page::pgModemCsomagTipus, form->cbModemCsomag},
      {Page::pgModemFelhAdatok, form->edModemTarcsazasiNev},
      {Page::pgModemBongKedvLevel, form->Panel21},
      {Page::pgADSLFelhAdatok, form->edADSLTarcsazasiNev},
      {Page::pgADSLBongKedvToolbarLevel, form->Panel51},
      {Page::pgKozosLevelAdatok, form->edKozosSzemelyNev},
  };
  for (const auto& [page, first] : cases) {
    form->bnKilepes->SetFocus();
    Go(page);
    EXPECT_EQ(form->ActiveControl(), first) << page;
  }
}

TEST_F(Flow, TheSummaryShowsThePackageOnlyForAnExistingSubscription) {
  Open();
  for (bool existing : {true, false}) {
    form->rbModemMeglevo->SetChecked(existing);
    if (!existing) form->rbModemOnlineAktivalas->SetChecked(true);
    form->FillModemSummary();
    EXPECT_EQ(form->PanelModemCsomag->Visible(), existing);
  }
}

// A BMP of one red pixel.
std::string OnePixelBmp() {
  std::string bmp("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 30);
  bmp += std::string(24, '\0');
  return bmp + std::string("\0\0\xFF\0", 4);
}

TEST_F(Flow, PicturesLoadUntilTheFirstFailure) {
  struct Case {
    bool pictures, icons;  // whether each file is there
    int loadedPictures, loadedIcons;
  } cases[] = {{true, true, 4, 18}, {false, true, 0, 0}, {true, false, 4, 0}};
  for (const Case& c : cases) {
    std::vector<std::pair<int, std::string>> texts;
    for (int id : UsedTextIds()) texts.push_back({id, "T" + std::to_string(id)});
    machine.WriteConfiguration(Configuration({{"kepfajlneve", "kep.bmp"}, {"ikonfajlneve", "ikon.bmp"}}, texts));
    std::remove((machine.Folder() + "/kep.bmp").c_str());
    std::remove((machine.Folder() + "/ikon.bmp").c_str());
    if (c.pictures) WriteHostFile(machine.Folder() + "/kep.bmp", OnePixelBmp());
    if (c.icons) WriteHostFile(machine.Folder() + "/ikon.bmp", OnePixelBmp());
    Open();
    int pictures = 0, icons = 0;
    for (int i = 1; i <= 4; ++i)
      pictures += static_cast<TImage*>(form->FindComponent("imgKep" + std::to_string(i)))->Picture()->Width();
    for (int i = 1; i <= 18; ++i)
      icons += static_cast<TImage*>(form->FindComponent((i < 10 ? "imgIkon0" : "imgIkon") + std::to_string(i)))
                   ->Picture()
                   ->Width();
    EXPECT_EQ(pictures, c.loadedPictures) << c.pictures << c.icons;
    EXPECT_EQ(icons, c.loadedIcons) << c.pictures << c.icons;
    form->Free();
    form = nullptr;
  }
}

TEST_F(Flow, BackFromEveryPage) {
  Open();
  struct Case {
    int from;
    const char* what;
    std::function<void()> setup;
    int to;
  } cases[] = {
      {0, "", [] {}, 0},
      {1, "", [] {}, 0},
      {2, "", [] {}, 1},
      {3, "", [] {}, 2},
      {4, "", [] {}, 3},
      {5, "", [] {}, 4},
      {6, "", [] {}, 5},
      {7, "", [] {}, 6},
      {8, "", [] {}, 7},
      {9, "", [] {}, 8},
      {10, "", [] {}, 9},
      {11, "", [] {}, 10},
      {12, "mail", [&] { form->rbModemKapcsolat->SetChecked(true); }, 20},
      {12, "no mail", [&] { form->rbModemLevelezesNem->SetChecked(true); }, 11},
      {13, "", [] {}, 2},
      {14, "", [] {}, 13},
      {15, "", [] {}, 14},
      {16, "client installed", [] { Script().clientInstalled = true; }, 15},
      {16, "no client", [] {}, 14},
      {17, "own PPPoE, client installed", [] { Script().builtInPPPoE = Script().clientInstalled = true; }, 15},
      {17, "own PPPoE, no client", [] { Script().builtInPPPoE = true; }, 14},
      {17, "no own PPPoE", [] { Script().clientInstalled = true; }, 16},
      {18, "", [] {}, 17},
      {19, "mail", [] {}, 20},
      {19, "no mail", [&] { form->rbADSLLevelezesNem->SetChecked(true); }, 18},
      {20, "modem road", [&] { form->rbModemKapcsolat->SetChecked(true); }, 11},
      {20, "ADSL road", [&] { form->rbADSLKapcsolat->SetChecked(true); }, 18},
      {21, "", [] {}, 21},
  };
  for (const Case& c : cases) {
    Script().builtInPPPoE = Script().clientInstalled = false;
    Go(c.from);
    c.setup();
    form->bnKovetkezo->SetCaption("&Befejezés"_cp);
    form->GoBack();
    EXPECT_EQ(PageIndex(), c.to) << c.from << " " << c.what;
    if (c.from == 12 || c.from == 19) {
      EXPECT_EQ(form->bnKovetkezo->Caption(), "&Tovább >"_cp) << c.from;
    }
  }
}

TEST_F(Flow, TheModemRoadWalksToItsSummaryAndFinishes) {
  Script().modems = "USR Sportster\r\nHayes Accura\r\n";
  Open();
  Next();
  EXPECT_EQ(Buttons(), "on off on");
  driver->Check("cbKozosElfogad", true);
  Next();
  driver->Check("rbModemKapcsolat", true);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemKezdolap);
  EXPECT_EQ(form->cbModem->Items()->Text(), "Hayes Accura\r\nUSR Sportster\r\n");
  EXPECT_EQ(form->cbModem->Text(), "Hayes Accura");
  Next();
  driver->Select("cbModem", "USR Sportster");
  driver->Select("cbModemElohivoKell", "igen");
  EXPECT_EQ(Buttons(), "on off on");
  driver->Type("edModemElohivoszam", "x9");
  EXPECT_EQ(form->edModemElohivoszam->Text(), "9");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemVizsgalat);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemLetoltes);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemSzolgaltatas);
  EXPECT_TRUE(form->rbModemMeglevo->Checked());
  Next();
  EXPECT_EQ(Buttons(), "on off on");
  driver->Select("cbModemKorzetszam", "22");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemCsomagTipus);
  EXPECT_EQ(form->cbModemCsomag->Items()->Text(), "T100\r\nT101\r\n");
  driver->Select("cbModemCsomag", "T101");
  Next();
  driver->Type("edModemTarcsazasiNev", "kovacs");
  driver->Type("edModemTarcsazasiJelszo", "titok");
  EXPECT_EQ(form->edModemTarcsazasiJelszo->DisplayText(), "*****");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemBongKedvLevel);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgKozosLevelAdatok);
  EXPECT_TRUE(driver->Get<TLabel>("lbReklam5")->Visible());
  driver->Type("edKozosSzemelyNev", "Kovács Anna"_cp);
  driver->Type("edKozosEMailCim", "anna");
  driver->Type("edKozosLevelezesiNev", "kanna");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgModemSikeroldal);
  EXPECT_EQ(form->lbModemKorzetszam->Caption(), "T7122");
  EXPECT_TRUE(form->PanelModemCsomag->Visible());
  EXPECT_EQ(form->lbModemCsomagTipusa->Caption(), "T72T101");
  EXPECT_EQ(form->lbModemAlkozpont->Caption(), "T749");
  EXPECT_EQ(form->lbModemFelhasznalonev->Caption(), "T75kovacs");
  EXPECT_EQ(form->lbModemLevelezes->Caption(), "T81");
  EXPECT_EQ(form->lbModemSzemelyNev->Caption(), "Kovács Anna"_cp);
  EXPECT_EQ(form->lbModemEMailCim->Caption(), "annaT82");
  EXPECT_EQ(form->bnKovetkezo->Caption(), "&Befejezés"_cp);
  EXPECT_EQ(Script().calls, (std::vector<std::string>{"ListModems", "TestModem", "DownloadConfiguration"}));

  Script().calls.clear();
  Next();
  EXPECT_EQ(Script().calls, (std::vector<std::string>{
                                "CreateDialEntry Vandrel|modem|USR Sportster|9W0651200900|kovacs|titok",
                                "CreateConnectionShortcut Vandrel|Vandrel ikon",
                                "SetStartPage",
                                "SetFavorites",
                                "SetupMailAccount 5|Fiók|smtp.x|pop3.x|anna@vandrel.hu|kanna|Kovács Anna"_cp,
                                // closing
                                "AbortTransfer",
                                "HangUp",
                                "DeleteDialEntry Vandrel ideiglenes",
                            }));
  EXPECT_TRUE(form->Closing());
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(Flow, TheModemFinishStopsAtItsFirstFailure) {
  struct Case {
    const char* what;
    std::function<void()> setup;
    std::string error;
    size_t calls;  // operations asked before the error
  } cases[] = {
      {"entry", [] { Script().createError = "ERROR_CANNOT_OPEN_PHONEBOOK"; }, "T64/T63", 1},
      {"start page", [] { Script().startPage = false; }, "T65/T66", 3},
      {"favourites", [] { Script().favorites = false; }, "T67/T68", 4},
      {"mail", [] { Script().mail = false; }, "T69/T70", 5},
  };
  Open();
  for (const Case& c : cases) {
    Script() = TWizardScript();
    c.setup();
    form->bnElozo->Show();
    form->bnKovetkezo->Show();
    Go(Page::pgModemSikeroldal);
    form->GoNext();
    EXPECT_EQ(PageIndex(), Page::pgKozosHiba) << c.what;
    EXPECT_EQ(Error(), c.error) << c.what;
    EXPECT_EQ(Script().calls.size(), c.calls) << c.what;
    EXPECT_EQ(Screen->Cursor(), crDefault) << c.what;
  }
  // Without mail the account is not set up, and the finish closes the form.
  Script() = TWizardScript();
  Script().mail = false;
  form->rbModemLevelezesNem->SetChecked(true);
  Go(Page::pgModemSikeroldal);
  form->GoNext();
  EXPECT_EQ(Script().calls.at(3), "SetFavorites");
  EXPECT_EQ(Script().calls.at(4), "AbortTransfer");
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Flow, AnAccountNumberThatIsNoNumberFailsTheMailStep) {
  machine.WriteConfiguration(Configuration({{"levelid", "5x"}}, {{69, "Levél"}, {70, "Hiba"}}));
  Open();
  Go(Page::pgModemSikeroldal);
  form->GoNext();
  EXPECT_EQ(Error(), "Levél/Hiba");
  EXPECT_EQ(Script().calls.size(), 4u);  // entry, shortcut, start page, favourites; no account
}

TEST_F(Flow, TheADSLRoadWalksToItsSummary) {
  Open();
  Next();
  driver->Check("cbKozosElfogad", true);
  Next();
  EXPECT_TRUE(form->rbADSLKapcsolat->Checked());
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLKezdolap);
  Next();
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLTrelvinTelepitese);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLFelhAdatok);
  driver->Type("edADSLTarcsazasiNev", "anna@vandrel-adsl");
  driver->Type("edADSLTarcsazasiJelszo", "titok");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLBongKedvToolbarLevel);
  driver->Check("rbADSLToolbarNem", true);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgKozosLevelAdatok);
  EXPECT_FALSE(driver->Get<TLabel>("lbReklam5")->Visible());
  driver->Type("edKozosSzemelyNev", "Anna");
  driver->Type("edKozosEMailCim", "anna");
  driver->Type("edKozosLevelezesiNev", "anna");
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLSikeroldal);
  EXPECT_EQ(form->lbADSLTrelvinTorlese->Caption(), "T150");
  EXPECT_EQ(form->lbADSLTrelvinTelepitese->Caption(), "T151");
  EXPECT_EQ(form->lbADSLToolbarTelepitese->Caption(), "T154");
  EXPECT_EQ(form->lbADSLFelhasznalonev->Caption(), "T155anna@vandrel-adsl");
  EXPECT_EQ(form->lbADSLLevelezes->Caption(), "T157");
  EXPECT_EQ(form->lbADSLSzemelyNev->Caption(), "Anna");
  EXPECT_EQ(form->lbADSLEMailCim->Caption(), "annaT158");
  EXPECT_EQ(form->bnKovetkezo->Caption(), "&Befejezés"_cp);
  // Back to the mail page and on without mail: the summary says so.
  Back();
  Back();
  driver->Check("rbADSLLevelezesNem", true);
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLSikeroldal);
  EXPECT_EQ(form->lbADSLLevelezes->Caption(), "T156");
  EXPECT_EQ(form->lbADSLSzemelyNev->Caption(), "");
  EXPECT_EQ(form->lbADSLEMailCim->Caption(), "");
  Next();
  EXPECT_EQ(Script().calls, (std::vector<std::string>{"TestComputer", "ADSLFinish"}));
}

TEST_F(Flow, TheADSLSummaryFollowsTheMachine) {
  Open();
  struct Case {
    bool builtIn, installed, remove, install, toolbar;
    std::string captions;
  } cases[] = {
      {false, true, true, true, true, "T149 T151 T153"},
      {true, true, true, true, true, "T149 T152 T153"},
      {false, false, true, true, false, "T150 T151 T154"},
      {false, true, false, false, true, "T150 T152 T153"},
  };
  for (const Case& c : cases) {
    Script().builtInPPPoE = c.builtIn;
    Script().clientInstalled = c.installed;
    (c.remove ? form->rbADSLTrelvinTorlesIgen : form->rbADSLTrelvinTorlesNem)->SetChecked(true);
    (c.install ? form->rbADSLTrelvinTelepitesIgen : form->rbADSLTrelvinTelepitesNem)->SetChecked(true);
    (c.toolbar ? form->rbADSLToolbarIgen : form->rbADSLToolbarNem)->SetChecked(true);
    form->FillADSLSummary();
    EXPECT_EQ(form->lbADSLTrelvinTorlese->Caption() + " " + form->lbADSLTrelvinTelepitese->Caption() + " " +
                  form->lbADSLToolbarTelepitese->Caption(),
              c.captions);
  }
}

TEST_F(Flow, NextLeadsOnByTheComputerAndThePPPoEClient) {
  Open();
  struct Case {
    int from;
    bool builtIn, installed;
    std::function<void()> setup;
    int to;
  } cases[] = {
      {14, false, true, [] {}, 15},
      {14, true, false, [] {}, 17},
      {14, false, false, [] {}, 16},
      {15, true, true, [] {}, 17},
      {15, false, true, [] {}, 16},
      {16, false, false, [] {}, 17},
      {8, false, false, [&] { form->rbModemOnlineAktivalas->SetChecked(true); }, 9},
  };
  for (const Case& c : cases) {
    Script().builtInPPPoE = c.builtIn;
    Script().clientInstalled = c.installed;
    Go(c.from);
    c.setup();
    form->GoNext();
    EXPECT_EQ(PageIndex(), c.to) << c.from;
  }
  // The service runs once the package page is shown.
  EXPECT_EQ(Script().calls.back(), "OnlineActivation");
  EXPECT_EQ(Script().onlinePage, Page::pgModemCsomagTipus);
  form->rbModemOnlineElofizetes->SetChecked(true);
  Go(Page::pgModemKorzetszam);
  Script().onlinePage = -1;
  form->GoNext();
  EXPECT_EQ(Script().calls.back(), "OnlineSubscription");
  EXPECT_EQ(Script().onlinePage, Page::pgModemCsomagTipus);
}

TEST_F(Flow, RefusingThePPPoEClientAsksAndEndsOrStays) {
  Open();
  struct Case {
    int page;
    TRadioButton* TFMain::*no;
    TRadioButton* TFMain::*yes;
    int question;
    int answer;
    std::string error;  // empty: the page stays with Yes checked again
  } cases[] = {
      {15, &TFMain::rbADSLTrelvinTorlesNem, &TFMain::rbADSLTrelvinTorlesIgen, 159, IDNO, ""},
      {15, &TFMain::rbADSLTrelvinTorlesNem, &TFMain::rbADSLTrelvinTorlesIgen, 159, IDYES, "T160/T161"},
      {16, &TFMain::rbADSLTrelvinTelepitesNem, &TFMain::rbADSLTrelvinTelepitesIgen, 162, IDNO, ""},
      {16, &TFMain::rbADSLTrelvinTelepitesNem, &TFMain::rbADSLTrelvinTelepitesIgen, 162, IDYES, "T163/T164"},
  };
  for (const Case& c : cases) {
    form->bnElozo->Show();
    form->bnKovetkezo->Show();
    Go(c.page);
    driver->Check((form->*c.no)->Name(), true);
    ClearMessageBoxRecords();
    ScriptMessageBoxAnswers({c.answer});
    Next();
    ASSERT_EQ(MessageBoxRecords().size(), 1u);
    EXPECT_EQ(MessageBoxRecords()[0].text, "T" + std::to_string(c.question));
    EXPECT_EQ(MessageBoxRecords()[0].flags, MB_YESNO | MB_ICONQUESTION);
    if (c.error.empty()) {
      EXPECT_EQ(PageIndex(), c.page);
      EXPECT_TRUE((form->*c.yes)->Checked());
    } else {
      EXPECT_EQ(PageIndex(), Page::pgKozosHiba);
      EXPECT_EQ(Error(), c.error);
    }
  }
}

TEST_F(Flow, ErrorsShowTheFinalPageWithTheirHelp) {
  vandrel::RegisterStandInExports("HHCTRL.OCX", {{"HtmlHelpA", reinterpret_cast<FARPROC>(&FakeHtmlHelp)}});
  Script().modemAnswers = false;
  Script().hasAdapter = false;
  Open();
  struct Case {
    int page;
    std::string error;
    std::string help;
  } cases[] = {
      {Page::pgKozosKapcsolatFajta, "T60/T61", "jump connect.hlp icw_trb"},
      {Page::pgModemVizsgalat, "T83/T84", "jump connect.hlp icw_trb"},
      {Page::pgADSLVizsgalat, "T167/T168", "tshoot.chm::/hdw_netadapter_result.htm>Main 1 0"},
  };
  form->rbModemKapcsolat->SetChecked(true);
  for (const Case& c : cases) {
    form->bnElozo->Show();
    form->bnKovetkezo->Show();
    form->bnKilepes->SetCaption("&Kilépés"_cp);
    if (c.page == Page::pgADSLVizsgalat) form->rbADSLKapcsolat->SetChecked(true);
    Go(c.page);
    g_htmlHelp.clear();
    const size_t helpCalls = Application->HelpCalls().size();
    Screen->SetCursor(crHourGlass);
    Next();
    EXPECT_EQ(PageIndex(), Page::pgKozosHiba) << c.page;
    EXPECT_EQ(Screen->Cursor(), crArrow) << "the error page shows the arrow";
    EXPECT_EQ(Error(), c.error);
    EXPECT_EQ(Application->HelpCalls().size() > helpCalls ? Application->HelpCalls().back() : g_htmlHelp, c.help);
    EXPECT_FALSE(form->bnElozo->Visible());
    EXPECT_FALSE(form->bnKovetkezo->Visible());
    EXPECT_EQ(form->bnKilepes->Caption(), "&Befejezés"_cp);
    EXPECT_EQ(Buttons(), "off off on");
    // Only Exit remains: Next and Back do nothing on the error page.
    form->GoNext();
    form->GoBack();
    EXPECT_EQ(PageIndex(), Page::pgKozosHiba);
  }
  // While the form closes, errors show nothing.
  form->SetClosing(true);
  form->ShowError("x", "y");
  EXPECT_EQ(form->lbKozosHibaCim->Caption(), "T167");
}

TEST_F(Flow, HtmlHelpWithoutItsEntryPointIsSkipped) {
  vandrel::RegisterStandInExports("HHCTRL.OCX", {});  // the library is there, HtmlHelpA is not
  Script().hasAdapter = false;
  Open();
  form->rbADSLKapcsolat->SetChecked(true);
  Go(Page::pgADSLVizsgalat);
  g_htmlHelp.clear();
  Next();
  EXPECT_EQ(PageIndex(), Page::pgKozosHiba);
  EXPECT_EQ(Error(), "T167/T168");
  EXPECT_EQ(g_htmlHelp, "");
}

TEST_F(Flow, NextDuringTheDownloadCancelsItAndThePageGoesOnAfterwards) {
  Open();
  std::vector<std::string> seen;
  Script().duringDownload = [&] {
    seen.push_back(Buttons());
    Next();
    seen.push_back(std::to_string(PageIndex()) + " " + (form->Downloading() ? "downloading" : "cancelled") + " " +
                   form->lbModemLetoltes->Caption());
  };
  Go(Page::pgModemLetoltes);
  Next();
  EXPECT_EQ(seen, (std::vector<std::string>{"off on on", "6 cancelled T62"}));
  EXPECT_EQ(Script().calls, (std::vector<std::string>{"DownloadConfiguration", "AbortTransfer", "HangUp"}));
  EXPECT_EQ(form->BytesTotal(), -1);
  EXPECT_EQ(PageIndex(), Page::pgModemSzolgaltatas);
}

TEST_F(Flow, WaitLocksTheButtonsAndHandlesNoMessages) {
  Open();
  Go(Page::pgModemKezdolap);
  std::string during;
  const uint64_t start = ClockTickMs();
  ScheduleVirtualEvent(start + 500, [&] { during = Buttons(); });
  PostMessageA(form->Handle(), WM_USER + 1, 0, 0);
  form->Wait(1000);
  EXPECT_EQ(during, "off off off");
  EXPECT_GE(ClockTickMs(), start + 1000);
  EXPECT_EQ(Buttons(), "on on on");
  // The message waits in the queue until messages are handled again.
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, form->Handle(), WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
}

TEST_F(Flow, EscapeClosesAndClosingHangsUpAndDeletesTheTemporaryEntry) {
  Open();
  Next();
  driver->Key(VK_ESCAPE);
  EXPECT_TRUE(form->Closing());
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Script().calls,
            (std::vector<std::string>{"AbortTransfer", "HangUp", "DeleteDialEntry Vandrel ideiglenes"}));
}

// A PC without modem and network adapter: the operations' own answers lead to the error pages.
TEST_F(Flow, WithoutModemOrAdapterTheRoadsEndOnTheirErrorPages) {
  Open<TFMain>();
  Next();
  driver->Check("cbKozosElfogad", true);
  Next();
  driver->Check("rbModemKapcsolat", true);
  Next();
  EXPECT_EQ(PageIndex(), Page::pgKozosHiba);
  EXPECT_EQ(Error(), "T60/T61");
  EXPECT_EQ(Application->HelpCalls().back(), "jump connect.hlp icw_trb");

  form->bnElozo->Show();
  form->bnKovetkezo->Show();
  Go(Page::pgKozosKapcsolatFajta);
  driver->Check("rbADSLKapcsolat", true);
  Next();
  Next();
  ASSERT_EQ(PageIndex(), Page::pgADSLVizsgalat);
  Next();
  // No help library either: its failure is ignored.
  EXPECT_EQ(PageIndex(), Page::pgKozosHiba);
  EXPECT_EQ(Error(), "T167/T168");

  // The download without a modem: the bar fills, a second passes, and the flow goes on locally.
  form->bnElozo->Show();
  form->bnKovetkezo->Show();
  Go(Page::pgModemLetoltes);
  const uint64_t start = ClockTickMs();
  form->GoNext();
  EXPECT_GE(ClockTickMs(), start + 1000);
  EXPECT_EQ(PageIndex(), Page::pgModemSzolgaltatas);
  EXPECT_FALSE(form->Downloading());
  EXPECT_EQ(form->pbModemLetoltes->Position(), 0);
  EXPECT_EQ(form->lbModemLetoltes->Caption(), "T62");

  driver->Click("bnKilepes");
  EXPECT_TRUE(Application->Terminated());
}

}  // namespace
