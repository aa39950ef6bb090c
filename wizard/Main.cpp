#include "wizard/Main.h"

#include <functional>

#include "platform/components/Application.h"
#include "platform/components/FileUtils.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/MessageBox.h"
#include "wizard-components/CkLines.h"
#include "wizard/ConfigKey.h"
#include "wizard/Main.dfm.h"

TFMain* FMain = nullptr;

namespace {

std::string NextCaption() { return "&Tovább >"_cp; }
constexpr const char* kVersionFile = "Selvaring.ini";

// Runs a step on every way out of a scope.
class TOnExit {
 public:
  explicit TOnExit(std::function<void()> step) : step_(std::move(step)) {}
  ~TOnExit() { step_(); }
  TOnExit(const TOnExit&) = delete;
  TOnExit& operator=(const TOnExit&) = delete;

 private:
  std::function<void()> step_;
};

}  // namespace

VCL_REGISTER_FORM(TFMain, kMainResource)

template <class T>
T* TFMain::Part(const std::string& name) const {
  T* found = DynamicAs<T>(FindComponent(name));
  if (!found) throw EComponentError("Component " + name + " not found");
  return found;
}

void TFMain::Publish(TPublisher<TFMain>& p) {
  p.Field("bnElozo", &TFMain::bnElozo)
      .Field("bnKovetkezo", &TFMain::bnKovetkezo)
      .Field("bnKilepes", &TFMain::bnKilepes)
      .Field("Notebook", &TFMain::Notebook)
      .Field("trModemTest", &TFMain::trModemTest)
      .Field("cpModemTest", &TFMain::cpModemTest)
      .Field("trModemDialEntry", &TFMain::trModemDialEntry)
      .Field("qyModemTelefontarsasag", &TFMain::qyModemTelefontarsasag)
      .Field("qyModemMuvelet", &TFMain::qyModemMuvelet)
      .Field("qyBeallitas", &TFMain::qyBeallitas)
      .Field("qySzoveg", &TFMain::qySzoveg)
      .Field("moKozosNyilatkozat", &TFMain::moKozosNyilatkozat)
      .Field("cbKozosElfogad", &TFMain::cbKozosElfogad)
      .Field("rbModemKapcsolat", &TFMain::rbModemKapcsolat)
      .Field("rbADSLKapcsolat", &TFMain::rbADSLKapcsolat)
      .Field("cbModem", &TFMain::cbModem)
      .Field("cbModemElohivoKell", &TFMain::cbModemElohivoKell)
      .Field("lbModemElohivoszam", &TFMain::lbModemElohivoszam)
      .Field("edModemElohivoszam", &TFMain::edModemElohivoszam)
      .Field("lbModemVizsgalat", &TFMain::lbModemVizsgalat)
      .Field("lbModemVizsgalatVaras", &TFMain::lbModemVizsgalatVaras)
      .Field("pbModemVizsgalat", &TFMain::pbModemVizsgalat)
      .Field("lbModemLetoltes", &TFMain::lbModemLetoltes)
      .Field("lbModemLetoltesVaras", &TFMain::lbModemLetoltesVaras)
      .Field("lbModemLetoltesAllapot", &TFMain::lbModemLetoltesAllapot)
      .Field("pbModemLetoltes", &TFMain::pbModemLetoltes)
      .Field("rbModemOnlineAktivalas", &TFMain::rbModemOnlineAktivalas)
      .Field("rbModemOnlineElofizetes", &TFMain::rbModemOnlineElofizetes)
      .Field("rbModemMeglevo", &TFMain::rbModemMeglevo)
      .Field("cbModemKorzetszam", &TFMain::cbModemKorzetszam)
      .Field("cbModemCsomag", &TFMain::cbModemCsomag)
      .Field("edModemTarcsazasiNev", &TFMain::edModemTarcsazasiNev)
      .Field("edModemTarcsazasiJelszo", &TFMain::edModemTarcsazasiJelszo)
      .Field("Panel21", &TFMain::Panel21)
      .Field("rbModemLevelezesIgen", &TFMain::rbModemLevelezesIgen)
      .Field("rbModemLevelezesNem", &TFMain::rbModemLevelezesNem)
      .Field("lbModemKorzetszam", &TFMain::lbModemKorzetszam)
      .Field("PanelModemCsomag", &TFMain::PanelModemCsomag)
      .Field("lbModemCsomagTipusa", &TFMain::lbModemCsomagTipusa)
      .Field("lbModemAlkozpont", &TFMain::lbModemAlkozpont)
      .Field("lbModemFelhasznalonev", &TFMain::lbModemFelhasznalonev)
      .Field("lbModemLevelezes", &TFMain::lbModemLevelezes)
      .Field("lbModemSzemelyNev", &TFMain::lbModemSzemelyNev)
      .Field("lbModemEMailCim", &TFMain::lbModemEMailCim)
      .Field("lbADSLVizsgalat", &TFMain::lbADSLVizsgalat)
      .Field("lbADSLVizsgalatVaras", &TFMain::lbADSLVizsgalatVaras)
      .Field("pbADSLVizsgalat", &TFMain::pbADSLVizsgalat)
      .Field("rbADSLTrelvinTorlesIgen", &TFMain::rbADSLTrelvinTorlesIgen)
      .Field("rbADSLTrelvinTorlesNem", &TFMain::rbADSLTrelvinTorlesNem)
      .Field("rbADSLTrelvinTelepitesIgen", &TFMain::rbADSLTrelvinTelepitesIgen)
      .Field("rbADSLTrelvinTelepitesNem", &TFMain::rbADSLTrelvinTelepitesNem)
      .Field("edADSLTarcsazasiNev", &TFMain::edADSLTarcsazasiNev)
      .Field("edADSLTarcsazasiJelszo", &TFMain::edADSLTarcsazasiJelszo)
      .Field("Panel51", &TFMain::Panel51)
      .Field("rbADSLLevelezesIgen", &TFMain::rbADSLLevelezesIgen)
      .Field("rbADSLLevelezesNem", &TFMain::rbADSLLevelezesNem)
      .Field("Panel52", &TFMain::Panel52)
      .Field("rbADSLToolbarIgen", &TFMain::rbADSLToolbarIgen)
      .Field("rbADSLToolbarNem", &TFMain::rbADSLToolbarNem)
      .Field("lbADSLTrelvinTorlese", &TFMain::lbADSLTrelvinTorlese)
      .Field("lbADSLTrelvinTelepitese", &TFMain::lbADSLTrelvinTelepitese)
      .Field("lbADSLToolbarTelepitese", &TFMain::lbADSLToolbarTelepitese)
      .Field("lbADSLFelhasznalonev", &TFMain::lbADSLFelhasznalonev)
      .Field("lbADSLLevelezes", &TFMain::lbADSLLevelezes)
      .Field("lbADSLSzemelyNev", &TFMain::lbADSLSzemelyNev)
      .Field("lbADSLEMailCim", &TFMain::lbADSLEMailCim)
      .Field("edKozosSzemelyNev", &TFMain::edKozosSzemelyNev)
      .Field("edKozosEMailCim", &TFMain::edKozosEMailCim)
      .Field("edKozosLevelezesiNev", &TFMain::edKozosLevelezesiNev)
      .Field("lbKozosHibaCim", &TFMain::lbKozosHibaCim)
      .Field("lbKozosHibaTorzs", &TFMain::lbKozosHibaTorzs)
      .Method("FormCreate", &TFMain::FormCreate)
      .Method("FormShow", &TFMain::FormShow)
      .Method("FormClose", &TFMain::FormClose)
      .Method("FormDestroy", &TFMain::FormDestroy)
      .Method("FormKeyPress", &TFMain::FormKeyPress)
      .Method("bnKovetkezoClick", &TFMain::bnKovetkezoClick)
      .Method("bnElozoClick", &TFMain::bnElozoClick)
      .Method("bnKilepesClick", &TFMain::bnKilepesClick)
      .Method("NotebookPageChanged", &TFMain::NotebookPageChanged)
      .Method("cpModemTestRxChar", &TFMain::cpModemTestRxChar)
      .Method("trModemTestTimer", &TFMain::trModemTestTimer)
      .Method("EnableDisableButtons", &TFMain::EnableDisableButtons);
}

TFMain::TFMain(TComponent* owner) : TForm(owner) { FMain = this; }

TFMain::~TFMain() {
  if (FMain == this) FMain = nullptr;
}

// ---- start-up and close

void TFMain::FormCreate(TObject*) {
  parser.reset(TmoxXMLParser2::Create());
  SetWaitLock(false);
  SetDialing(false);
  SetConnected(false);
  SetRasConn(nullptr);

  Notebook->SetPageIndex(pgKozosKezdolap);
  cbModemElohivoKell->SetItemIndex(1);
  for (TRadioButton* choice : {rbModemMeglevo, rbADSLKapcsolat, rbModemLevelezesIgen, rbADSLTrelvinTorlesIgen,
                               rbADSLTrelvinTelepitesIgen, rbADSLLevelezesIgen, rbADSLToolbarIgen})
    choice->SetChecked(true);
  SetModemTestRunning(false);
  SetAdslTestRunning(false);
  SetClosing(false);
  SetDownloading(false);
  SetFinishing(false);

  // A VERSION probe answers whatever the configuration holds, and nobody sees its message boxes.
  const bool versionProbe = Application->ParamCount() == 1 && UpperCase(Application->ParamStr(1)) == "VERSION";
  try {
    LoadConfiguration(versionProbe);
    const std::string licence = GetSetting("licenszfajlneve");
    if (!licence.empty() && FileExists(ProgramFolder() + licence))
      moKozosNyilatkozat->Lines()->LoadFromFile(ProgramFolder() + licence);
    FillAreaCodes();
    SetTextTestMode(GetSetting("szovegtesztaktiv") == "1");
    ApplyTexts();
    SetCaption(GetText(59));
    Application->SetTitle(GetText(59));
    for (int i = 1; i <= 5; ++i) Part<TLabel>("lbReklam" + std::to_string(i))->SetCaption(GetText(1000 + i));
    for (TLabel* waiting : {lbModemVizsgalatVaras, lbModemLetoltesVaras, lbADSLVizsgalatVaras}) waiting->Hide();
  } catch (...) {
    if (!versionProbe) throw;
  }

  if (versionProbe) {
    WriteVersionFile();
    Application->Terminate();
    return;
  }
  LoadPictures();
  ResumeFromCommandLine();
}

void TFMain::LoadConfiguration(bool quiet) {
  try {
    LoadConfigFile();
  } catch (...) {
    if (!quiet) Application->MessageBox(GetText(94), Application->Title(), MB_OK | MB_ICONERROR);
  }
  try {
    LoadTables();
  } catch (...) {
    if (!quiet) Application->MessageBox(GetText(95), Application->Title(), MB_OK | MB_ICONERROR);
    Application->Terminate();
  }
}

void TFMain::WriteVersionFile() {
  try {
    std::unique_ptr<TStringList, mox_detail::FreeObject> lines(TStringList::Create());
    lines->Add(std::string("EXEVersion=") + kProgramVersion);
    lines->SaveToFile(ProgramFolder() + kVersionFile);
  } catch (...) {
  }
}

void TFMain::LoadPictures() {
  try {
    const std::string pictures = ProgramFolder() + GetSetting("kepfajlneve");
    for (int i = 1; i <= 4; ++i) Part<TImage>("imgKep" + std::to_string(i))->Picture()->LoadFromFile(pictures);
    const std::string icons = ProgramFolder() + GetSetting("ikonfajlneve");
    for (int i = 1; i <= 18; ++i)
      Part<TImage>((i < 10 ? "imgIkon0" : "imgIkon") + std::to_string(i))->Picture()->LoadFromFile(icons);
  } catch (...) {
  }
}

void TFMain::ResumeFromCommandLine() {
  if (Application->ParamCount() != 5 || UpperCase(Application->ParamStr(1)) != "CONTINUE") return;
  FillModemList();
  const int modem = cbModem->Items()->IndexOf(Application->ParamStr(5));
  int32_t left = 0, top = 0;
  // Arguments that do not name a listed modem or a position are not ours to resume from.
  if (modem < 0 || !TryStrToInt(Application->ParamStr(2), left) || !TryStrToInt(Application->ParamStr(3), top)) return;
  cbModem->SetItemIndex(modem);
  const std::string prefix = Application->ParamStr(4);
  if (prefix != "-") {
    cbModemElohivoKell->SetItemIndex(0);
    edModemElohivoszam->SetText(prefix);
  } else {
    cbModemElohivoKell->SetItemIndex(1);
  }
  rbModemKapcsolat->SetChecked(true);
  SetPosition(poDesigned);
  SetLeft(left);
  SetTop(top);
  // FormShow focuses and enables once the form is shown.
  TNotifyEvent changed = Notebook->OnPageChanged;
  Notebook->OnPageChanged = nullptr;
  Notebook->SetPageIndex(pgModemSzolgaltatas);
  Notebook->OnPageChanged = changed;
}

void TFMain::FormShow(TObject*) {
  NotebookPageChanged(this);
  EnableDisableButtons(this);
}

void TFMain::FormClose(TObject*, TCloseAction&) {
  SetClosing(true);
  trModemTest->SetEnabled(false);
  trModemDialEntry->SetEnabled(false);
  AbortTransfer();
  HangUp();
  DeleteDialEntry(GetSetting("modemideigleneskapcsolatneve"));
}

void TFMain::FormDestroy(TObject*) { parser.reset(); }

void TFMain::FormKeyPress(TObject*, char& key) {
  if (key == 27) Close();
}

void TFMain::bnKovetkezoClick(TObject*) { GoNext(); }
void TFMain::bnElozoClick(TObject*) { GoBack(); }
void TFMain::bnKilepesClick(TObject*) { Close(); }

std::string TFMain::ProgramFolder() const { return ExtractFilePath(Application->ExeName()); }

// ---- the page flow

void TFMain::Go(int page) { Notebook->SetPageIndex(page); }

void TFMain::FillModemList() {
  cbModem->Items()->BeginUpdate();
  cbModem->Clear();
  const std::string modems = ListModems();
  for (std::string_view name : SplitTextLines(modems))
    if (!name.empty()) cbModem->Items()->Add(std::string(name));
  cbModem->Items()->EndUpdate();
}

void TFMain::GoNext() {
  switch (Notebook->PageIndex()) {
    case pgKozosKapcsolatFajta:
      if (!ModemRoad()) {
        Go(pgADSLKezdolap);
        break;
      }
      if (cbModem->Items()->Count() == 0) {
        FillModemList();
        if (cbModem->Items()->Count() == 0) {
          ShowErrorTexts(60, 61, 1);
          return;
        }
        cbModem->SetItemIndex(0);
      }
      Go(pgModemKezdolap);
      break;
    case pgModemVizsgalat:
      if (TestModem())
        Go(pgModemLetoltes);
      else
        ShowErrorTexts(83, 84, 1);
      break;
    case pgModemLetoltes:
      if (Dialing() || Downloading()) {
        // Next during the download cancels it; the page stays.
        SetBytesTotal(-1);
        lbModemLetoltesAllapot->Hide();
        SetDownloading(false);
        SetDialing(false);
        lbModemLetoltes->SetCaption(GetText(62));
        lbModemLetoltesVaras->Hide();
        AbortTransfer();
        Screen->SetCursor(crArrow);
        HangUp();
      } else {
        DownloadConfiguration();
        if (!Closing()) Go(pgModemSzolgaltatas);
      }
      break;
    case pgModemKorzetszam:
      FillPackages();
      Go(pgModemCsomagTipus);
      if (rbModemOnlineAktivalas->Checked()) OnlineActivation();
      if (rbModemOnlineElofizetes->Checked()) OnlineSubscription();
      break;
    case pgModemBongKedvLevel:
      if (rbModemLevelezesNem->Checked()) {
        FillModemSummary();
        Go(pgModemSikeroldal);
      } else {
        Go(pgKozosLevelAdatok);
      }
      break;
    case pgModemSikeroldal: ModemFinish(); break;
    case pgADSLVizsgalat:
      if (!TestComputer())
        ShowErrorTexts(167, 168, 2);
      else if (IsPPPoEClientInstalled())
        Go(pgADSLTrelvinTorlese);
      else
        Go(HasBuiltInPPPoE() ? pgADSLFelhAdatok : pgADSLTrelvinTelepitese);
      break;
    case pgADSLTrelvinTorlese:
      if (rbADSLTrelvinTorlesIgen->Checked())
        Go(HasBuiltInPPPoE() ? pgADSLFelhAdatok : pgADSLTrelvinTelepitese);
      else
        ConfirmRefusal(159, 160, 161, rbADSLTrelvinTorlesIgen);
      break;
    case pgADSLTrelvinTelepitese:
      if (rbADSLTrelvinTelepitesIgen->Checked())
        Go(pgADSLFelhAdatok);
      else
        ConfirmRefusal(162, 163, 164, rbADSLTrelvinTelepitesIgen);
      break;
    case pgADSLBongKedvToolbarLevel:
      if (rbADSLLevelezesNem->Checked()) {
        FillADSLSummary();
        Go(pgADSLSikeroldal);
      } else {
        Go(pgKozosLevelAdatok);
      }
      break;
    case pgADSLSikeroldal: ADSLFinish(); break;
    case pgKozosLevelAdatok:
      if (ModemRoad()) {
        FillModemSummary();
        Go(pgModemSikeroldal);
      } else {
        FillADSLSummary();
        Go(pgADSLSikeroldal);
      }
      break;
    case pgKozosHiba: break;
    default:
      // The pages that only lead on: 0, 1, 3, 4, 7, 9, 10, 13 and 17.
      Go(Notebook->PageIndex() + 1);
      break;
  }
  EnableDisableButtons(this);
}

void TFMain::ConfirmRefusal(int question, int titleId, int bodyId, TRadioButton* recommended) {
  if (Application->MessageBox(GetText(question), Application->Title(), MB_YESNO | MB_ICONQUESTION) == IDYES)
    ShowErrorTexts(titleId, bodyId);
  else
    recommended->SetChecked(true);
}

void TFMain::GoBack() {
  const int page = Notebook->PageIndex();
  switch (page) {
    case pgKozosKezdolap:
    case pgKozosHiba: break;
    case pgModemKezdolap:
    case pgADSLKezdolap: Go(pgKozosKapcsolatFajta); break;
    case pgModemSikeroldal:
      Go(rbModemLevelezesNem->Checked() ? pgModemBongKedvLevel : pgKozosLevelAdatok);
      bnKovetkezo->SetCaption(NextCaption());
      break;
    case pgADSLTrelvinTelepitese: Go(IsPPPoEClientInstalled() ? pgADSLTrelvinTorlese : pgADSLVizsgalat); break;
    case pgADSLFelhAdatok:
      if (HasBuiltInPPPoE())
        Go(IsPPPoEClientInstalled() ? pgADSLTrelvinTorlese : pgADSLVizsgalat);
      else
        Go(pgADSLTrelvinTelepitese);
      break;
    case pgADSLSikeroldal:
      Go(rbADSLLevelezesNem->Checked() ? pgADSLBongKedvToolbarLevel : pgKozosLevelAdatok);
      bnKovetkezo->SetCaption(NextCaption());
      break;
    case pgKozosLevelAdatok: Go(ModemRoad() ? pgModemBongKedvLevel : pgADSLBongKedvToolbarLevel); break;
    default:
      // 1 to 11 but 3, and 14, 15 and 18: the page before.
      Go(page - 1);
      break;
  }
  EnableDisableButtons(this);
}

void TFMain::EnableDisableButtons(TObject*) {
  // Handlers may run while the resource loads, before every component is there.
  if (ComponentState() & csLoading) return;
  if (WaitLock()) {
    for (TButton* button : {bnElozo, bnKovetkezo, bnKilepes}) button->SetEnabled(false);
    return;
  }
  const int page = Notebook->PageIndex();
  bool back = true, next = true, exit = true;
  switch (page) {
    case pgKozosKezdolap: back = false; break;
    case pgKozosJogiElfogadas: next = cbKozosElfogad->Checked(); break;
    case pgKozosKapcsolatFajta: next = rbModemKapcsolat->Checked() || rbADSLKapcsolat->Checked(); break;
    case pgModemValasztas: {
      const bool prefix = PrefixNeeded();
      lbModemElohivoszam->SetVisible(prefix);
      edModemElohivoszam->SetVisible(prefix);
      next = cbModem->ItemIndex() >= 0 &&
             (cbModemElohivoKell->ItemIndex() == 1 || (prefix && !edModemElohivoszam->Text().empty()));
      break;
    }
    case pgModemVizsgalat: back = next = !ModemTestRunning(); break;
    case pgModemLetoltes: back = !Downloading(); break;
    case pgModemSzolgaltatas:
      next = rbModemOnlineAktivalas->Checked() || rbModemOnlineElofizetes->Checked() || rbModemMeglevo->Checked();
      break;
    case pgModemKorzetszam: next = cbModemKorzetszam->ItemIndex() >= 0; break;
    case pgModemCsomagTipus:
      back = !Dialing();
      next = cbModemCsomag->ItemIndex() >= 0 && !Dialing();
      break;
    case pgModemFelhAdatok:
      next = !edModemTarcsazasiNev->Text().empty() && !edModemTarcsazasiJelszo->Text().empty();
      break;
    case pgADSLVizsgalat: back = next = !AdslTestRunning(); break;
    case pgADSLFelhAdatok:
      next = !edADSLTarcsazasiNev->Text().empty() && !edADSLTarcsazasiJelszo->Text().empty();
      break;
    case pgADSLSikeroldal: back = next = exit = !Finishing(); break;
    case pgKozosLevelAdatok:
      next = !edKozosSzemelyNev->Text().empty() && !edKozosEMailCim->Text().empty() &&
             !edKozosLevelezesiNev->Text().empty();
      Part<TLabel>("lbReklam5")->SetVisible(ModemRoad());
      break;
    case pgKozosHiba: back = next = false; break;
  }
  bnElozo->SetEnabled(back);
  bnKovetkezo->SetEnabled(next);
  bnKilepes->SetEnabled(exit);
}

void TFMain::NotebookPageChanged(TObject*) {
  TWinControl* first = nullptr;
  switch (Notebook->PageIndex()) {
    case pgKozosJogiElfogadas: first = moKozosNyilatkozat; break;
    case pgModemKorzetszam: first = cbModemKorzetszam; break;
    case pgModemCsomagTipus: first = cbModemCsomag; break;
    case pgModemFelhAdatok: first = edModemTarcsazasiNev; break;
    case pgModemBongKedvLevel: first = Panel21; break;
    case pgADSLFelhAdatok: first = edADSLTarcsazasiNev; break;
    case pgADSLBongKedvToolbarLevel: first = Panel51; break;
    case pgKozosLevelAdatok: first = edKozosSzemelyNev; break;
  }
  if (first) {
    try {
      first->SetFocus();
    } catch (...) {
    }
  }
  EnableDisableButtons(this);
}

void TFMain::ShowError(const std::string& title, const std::string& body, int help) {
  if (Closing()) return;
  try {
    if (help == 1) {
      Application->SetHelpFile("connect.hlp");
      Application->HelpJump("icw_trb");
    } else if (help == 2) {
      using THtmlHelp = HWND (*)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
      if (HMODULE library = LoadLibraryA("HHCTRL.OCX"))
        if (auto htmlHelp = reinterpret_cast<THtmlHelp>(GetProcAddress(library, "HtmlHelpA")))
          htmlHelp(Application->Handle(), "tshoot.chm::/hdw_netadapter_result.htm>Main", 1, 0);
    }
  } catch (...) {
  }
  Screen->SetCursor(crArrow);
  Go(pgKozosHiba);
  lbKozosHibaCim->SetCaption(title);
  lbKozosHibaTorzs->SetCaption(body);
  bnElozo->Hide();
  bnKovetkezo->Hide();
  bnKilepes->SetCaption("&Befejezés"_cp);
}

void TFMain::ShowErrorTexts(int titleId, int bodyId, int help) { ShowError(GetText(titleId), GetText(bodyId), help); }

void TFMain::Wait(uint16_t milliseconds) {
  SetWaitLock(true);
  ClockSleep(milliseconds);
  SetWaitLock(false);
}

void TFMain::SetWaitLock(bool value) {
  waitLock = value;
  EnableDisableButtons(this);
}

void TFMain::SetFinishing(bool value) {
  finishing = value;
  EnableDisableButtons(this);
}

TAreaCodeRecord* TFMain::SelectedArea() const {
  const int index = cbModemKorzetszam->ItemIndex();
  return index < 0 ? nullptr : DynamicAs<TAreaCodeRecord>(cbModemKorzetszam->Items()->Objects(index));
}

void TFMain::FillModemSummary() {
  lbModemKorzetszam->SetCaption(GetText(71) + cbModemKorzetszam->Text());
  PanelModemCsomag->SetVisible(rbModemMeglevo->Checked());
  if (rbModemMeglevo->Checked()) lbModemCsomagTipusa->SetCaption(GetText(72) + cbModemCsomag->Text());
  lbModemAlkozpont->SetCaption(PrefixNeeded() ? GetText(74) + edModemElohivoszam->Text() : GetText(73));
  lbModemFelhasznalonev->SetCaption(GetText(75) + edModemTarcsazasiNev->Text());
  FillMailSummary(rbModemLevelezesNem->Checked(), {lbModemLevelezes, lbModemSzemelyNev, lbModemEMailCim}, 80);
}

void TFMain::FillMailSummary(bool noMail, std::array<TLabel*, 3> labels, int firstText) {
  auto [mail, name, address] = labels;
  mail->SetCaption(GetText(noMail ? firstText : firstText + 1));
  name->SetCaption(noMail ? std::string() : edKozosSzemelyNev->Text());
  address->SetCaption(noMail ? std::string() : edKozosEMailCim->Text() + GetText(firstText + 2));
  bnKovetkezo->SetCaption("&Befejezés"_cp);
}

void TFMain::FillADSLSummary() {
  const bool installed = IsPPPoEClientInstalled(), builtIn = HasBuiltInPPPoE();
  lbADSLTrelvinTorlese->SetCaption(GetText(rbADSLTrelvinTorlesIgen->Checked() && installed ? 149 : 150));
  lbADSLTrelvinTelepitese->SetCaption(GetText(rbADSLTrelvinTelepitesIgen->Checked() && !builtIn ? 151 : 152));
  lbADSLToolbarTelepitese->SetCaption(GetText(rbADSLToolbarIgen->Checked() ? 153 : 154));
  lbADSLFelhasznalonev->SetCaption(GetText(155) + edADSLTarcsazasiNev->Text());
  FillMailSummary(rbADSLLevelezesNem->Checked(), {lbADSLLevelezes, lbADSLSzemelyNev, lbADSLEMailCim}, 156);
}

void TFMain::ModemFinish() {
  Screen->SetCursor(crHourGlass);
  TOnExit cursor([] { Screen->SetCursor(crDefault); });
  const int package = cbModemCsomag->ItemIndex();
  const auto* carried = package < 0 ? nullptr : DynamicAs<TPackageNumber>(cbModemCsomag->Items()->Objects(package));
  std::string phone = carried ? carried->Number : std::string();
  if (PrefixNeeded()) phone = edModemElohivoszam->Text() + "W" + phone;
  const std::string entry = GetSetting("modemkapcsolatneve");
  if (!CreateDialEntry(entry, false, cbModem->Text(), phone, edModemTarcsazasiNev->Text(),
                       edModemTarcsazasiJelszo->Text())
           .empty())
    return ShowErrorTexts(64, 63);
  CreateConnectionShortcut(entry, GetSetting("modemikonneve"));
  if (!SetStartPage()) return ShowErrorTexts(65, 66);
  if (!SetFavorites()) return ShowErrorTexts(67, 68);
  if (rbModemLevelezesIgen->Checked()) {
    int32_t account = 0;
    // An account number that is no number cannot name the account's key.
    if (!TryStrToInt(GetSetting("levelid"), account) ||
        !SetupMailAccount(account, GetSetting("levelfioknev"), GetSetting("levelsmtpszerver"),
                          GetSetting("levelpop3szerver"), edKozosEMailCim->Text() + kMailDomain,
                          edKozosLevelezesiNev->Text(), edKozosSzemelyNev->Text()))
      return ShowErrorTexts(69, 70);
  }
  Close();
}

// ---- operations of the later pages, as on a PC without modem and network adapter

void TFMain::DownloadConfiguration() {
  // No modem dials the temporary entry, so the flow goes on with the local configuration.
  Screen->SetCursor(crHourGlass);
  SetDownloading(true);
  EnableDisableButtons(this);
  pbModemLetoltes->SetPosition(0);
  lbModemLetoltes->SetCaption(GetText(98));
  lbModemLetoltesVaras->Show();
  Application->ProcessMessages();
  pbModemLetoltes->SetPosition(pbModemLetoltes->Max());
  Wait(1000);
  lbModemLetoltes->SetCaption(GetText(62));
  lbModemLetoltesVaras->Hide();
  pbModemLetoltes->SetPosition(0);
  SetDownloading(false);
  Screen->SetCursor(crArrow);
}

void TFMain::AbortTransfer() {}

bool TFMain::TestComputer() { return false; }

bool TFMain::HasBuiltInPPPoE() { return false; }

bool TFMain::IsPPPoEClientInstalled() { return false; }

void TFMain::ADSLFinish() {}

void TFMain::CreateConnectionShortcut(const std::string&, const std::string&) {}

bool TFMain::SetStartPage() { return false; }

bool TFMain::SetFavorites() { return false; }

bool TFMain::SetupMailAccount(int, const std::string&, const std::string&, const std::string&, const std::string&,
                              const std::string&, const std::string&) {
  return false;
}
