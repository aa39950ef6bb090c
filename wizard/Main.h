// The wizard's one form: a 22-page notebook with Back, Next and Exit, the rules that move the user between
// the pages and enable the buttons, the configuration tables with the texts and settings they give, and
// the operations the pages run.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/components/ComCtrls.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/Forms.h"
#include "platform/components/StdCtrls.h"
#include "platform/winapi/Ras.h"
#include "wizard-components/BSEdit.h"
#include "wizard-components/CPort.h"
#include "wizard-components/WkMemDS.h"
#include "wizard-components/moxXMLParser2.h"

// The program's own version, announced by the VERSION command line.
inline constexpr const char* kProgramVersion = "1";
// The provider's mail domain, written after the mail address the user types.
inline constexpr const char* kMailDomain = "@vandrel.hu";

// The dial-up data of one area code, carried by its item in the area-code list.
class TAreaCodeRecord : public TObject {
  VCL_CLASS(TAreaCodeRecord, TObject)
  enum Slot {
    ActivationNumber,
    ActivationUser,
    ActivationPassword,
    ActivationURL,
    SubscriptionNumber,
    SubscriptionUser,
    SubscriptionPassword,
    SubscriptionURL,
    TraditionalNumber,
    CombinedNumber
  };
  std::array<std::string, 10> Fields;
};

// The number that a package of the package list dials.
class TPackageNumber : public TObject {
  VCL_CLASS(TPackageNumber, TObject)
  explicit TPackageNumber(std::string number) : Number(std::move(number)) {}
  std::string Number;
};

class TFMain : public TForm {
  VCL_CLASS(TFMain, TForm)
  explicit TFMain(TComponent* owner);
  ~TFMain() override;

  // The notebook's pages.
  enum Page {
    pgKozosKezdolap,
    pgKozosJogiElfogadas,
    pgKozosKapcsolatFajta,
    pgModemKezdolap,
    pgModemValasztas,
    pgModemVizsgalat,
    pgModemLetoltes,
    pgModemSzolgaltatas,
    pgModemKorzetszam,
    pgModemCsomagTipus,
    pgModemFelhAdatok,
    pgModemBongKedvLevel,
    pgModemSikeroldal,
    pgADSLKezdolap,
    pgADSLVizsgalat,
    pgADSLTrelvinTorlese,
    pgADSLTrelvinTelepitese,
    pgADSLFelhAdatok,
    pgADSLBongKedvToolbarLevel,
    pgADSLSikeroldal,
    pgKozosLevelAdatok,
    pgKozosHiba
  };

  // ---- components of the form resource
  TButton* bnElozo = nullptr;
  TButton* bnKovetkezo = nullptr;
  TButton* bnKilepes = nullptr;
  TNotebook* Notebook = nullptr;
  TTimer* trModemTest = nullptr;
  TSerialPort* cpModemTest = nullptr;
  TTimer* trModemDialEntry = nullptr;
  TWkMemoryData* qyModemTelefontarsasag = nullptr;
  TWkMemoryData* qyModemMuvelet = nullptr;
  TWkMemoryData* qyBeallitas = nullptr;
  TWkMemoryData* qySzoveg = nullptr;
  TMemo* moKozosNyilatkozat = nullptr;
  TCheckBox* cbKozosElfogad = nullptr;
  TRadioButton* rbModemKapcsolat = nullptr;
  TRadioButton* rbADSLKapcsolat = nullptr;
  TComboBox* cbModem = nullptr;
  TComboBox* cbModemElohivoKell = nullptr;
  TLabel* lbModemElohivoszam = nullptr;
  TBSEdit* edModemElohivoszam = nullptr;
  TLabel* lbModemVizsgalat = nullptr;
  TLabel* lbModemVizsgalatVaras = nullptr;
  TProgressBar* pbModemVizsgalat = nullptr;
  TLabel* lbModemLetoltes = nullptr;
  TLabel* lbModemLetoltesVaras = nullptr;
  TLabel* lbModemLetoltesAllapot = nullptr;
  TProgressBar* pbModemLetoltes = nullptr;
  TRadioButton* rbModemOnlineAktivalas = nullptr;
  TRadioButton* rbModemOnlineElofizetes = nullptr;
  TRadioButton* rbModemMeglevo = nullptr;
  TComboBox* cbModemKorzetszam = nullptr;
  TComboBox* cbModemCsomag = nullptr;
  TEdit* edModemTarcsazasiNev = nullptr;
  TEdit* edModemTarcsazasiJelszo = nullptr;
  TPanel* Panel21 = nullptr;
  TRadioButton* rbModemLevelezesIgen = nullptr;
  TRadioButton* rbModemLevelezesNem = nullptr;
  TLabel* lbModemKorzetszam = nullptr;
  TPanel* PanelModemCsomag = nullptr;
  TLabel* lbModemCsomagTipusa = nullptr;
  TLabel* lbModemAlkozpont = nullptr;
  TLabel* lbModemFelhasznalonev = nullptr;
  TLabel* lbModemLevelezes = nullptr;
  TLabel* lbModemSzemelyNev = nullptr;
  TLabel* lbModemEMailCim = nullptr;
  TLabel* lbADSLVizsgalat = nullptr;
  TLabel* lbADSLVizsgalatVaras = nullptr;
  TProgressBar* pbADSLVizsgalat = nullptr;
  TRadioButton* rbADSLTrelvinTorlesIgen = nullptr;
  TRadioButton* rbADSLTrelvinTorlesNem = nullptr;
  TRadioButton* rbADSLTrelvinTelepitesIgen = nullptr;
  TRadioButton* rbADSLTrelvinTelepitesNem = nullptr;
  TEdit* edADSLTarcsazasiNev = nullptr;
  TEdit* edADSLTarcsazasiJelszo = nullptr;
  TPanel* Panel51 = nullptr;
  TRadioButton* rbADSLLevelezesIgen = nullptr;
  TRadioButton* rbADSLLevelezesNem = nullptr;
  TPanel* Panel52 = nullptr;
  TRadioButton* rbADSLToolbarIgen = nullptr;
  TRadioButton* rbADSLToolbarNem = nullptr;
  TLabel* lbADSLTrelvinTorlese = nullptr;
  TLabel* lbADSLTrelvinTelepitese = nullptr;
  TLabel* lbADSLToolbarTelepitese = nullptr;
  TLabel* lbADSLFelhasznalonev = nullptr;
  TLabel* lbADSLLevelezes = nullptr;
  TLabel* lbADSLSzemelyNev = nullptr;
  TLabel* lbADSLEMailCim = nullptr;
  TEdit* edKozosSzemelyNev = nullptr;
  TEdit* edKozosEMailCim = nullptr;
  TEdit* edKozosLevelezesiNev = nullptr;
  TLabel* lbKozosHibaCim = nullptr;
  TLabel* lbKozosHibaTorzs = nullptr;

  // ---- handlers
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormDestroy(TObject* sender);
  void FormKeyPress(TObject* sender, char& key);
  void bnKovetkezoClick(TObject* sender);
  void bnElozoClick(TObject* sender);
  void bnKilepesClick(TObject* sender);
  void NotebookPageChanged(TObject* sender);
  // The modem's bytes of one receive event (count waiting): a line "OK" among them sets modemAnswered.
  void cpModemTestRxChar(TObject* sender, int count);
  // A second of the modem test on its progress bar; the 30th ends the test.
  void trModemTestTimer(TObject* sender);
  // The enabling rules of the buttons for the current page.
  void EnableDisableButtons(TObject* sender);

  // ---- the page flow
  void GoNext();
  void GoBack();
  // Shows the error page with a title and a body (nothing while closing). Help 1 opens the connection
  // troubleshooter's topic, help 2 the network adapter's; their failures are ignored.
  void ShowError(const std::string& title, const std::string& body, int help = 0);
  // The same with the texts of two ids.
  void ShowErrorTexts(int titleId, int bodyId, int help = 0);
  // Locks the buttons and blocks the thread for the time, without handling messages.
  void Wait(uint16_t milliseconds);
  void FillModemSummary();
  void FillADSLSummary();
  // Next on the modem summary: the dial-up entry, its shortcut, the browser and the mail account.
  void ModemFinish();

  // ---- configuration, texts and settings
  void LoadConfigFile();
  void LoadTables();
  // The value of the first setting of that name (exact comparison); empty when there is none.
  std::string GetSetting(const std::string& name);
  // The text of an id: "\" alone is empty, other "\" are line breaks and "÷" blanks; in text test mode
  // the id is shown before it, or marks the text as missing.
  std::string GetText(int id);
  void ApplyTexts();
  void FillAreaCodes();
  void FillPackages();
  std::string DecryptLine(const std::string& line);
  // The program's folder, with a trailing backslash.
  std::string ProgramFolder() const;

  // ---- operations of the later pages. Until they are built they answer as a PC without modem and
  // network adapter does; tests put scripted ones in their place by overriding them.
  // Modem device names, each followed by CR LF (MainDialUp.cpp, as the dial-up operations below).
  virtual std::string ListModems();
  // Sends the chosen modem its initialisation command and waits up to 30 ticks for a line "OK"
  // (MainModem.cpp, with the registry search below).
  virtual bool TestModem();
  // The port and the initialisation command ("<cr>" converted) of the modem of that name; empty when the
  // registry does not name it.
  std::string GetModemPort(const std::string& name);
  std::string GetModemInitString(const std::string& name);
  // The download of page 6 and its relaunch; without a connection it goes on with the local files.
  virtual void DownloadConfiguration();
  virtual void AbortTransfer();
  // Hangs up the current dial, if any, and waits 3 s for the line.
  virtual void HangUp();
  // Dial-up entries: an error text (the name of a RAS result), empty on success.
  virtual std::string CreateDialEntry(const std::string& name, bool pppoe, const std::string& device,
                                      const std::string& phone, const std::string& user, const std::string& password);
  virtual std::string DeleteDialEntry(const std::string& name);
  // Whether the entry's dial parameters can be read.
  virtual bool DialEntryExists(const std::string& name);
  virtual std::string SetDialCredentials(const std::string& name, const std::string& user, const std::string& password);
  // Dials the temporary entry, pumping messages until the dial connects, fails or is cancelled; an error
  // text, and the detail that the error page shows after its body.
  virtual std::string DialEntry(std::string& detail);
  // The notifier of the dial: records the state of the main form's dial.
  static void RasDialCallback(UINT message, RASCONNSTATE state, DWORD error);
  // Dial the activation or subscription number of the selected area and open its address.
  virtual void OnlineActivation();
  virtual void OnlineSubscription();
  // The computer check of page 14: whether a network adapter exists.
  virtual bool TestComputer();
  virtual bool HasBuiltInPPPoE();
  virtual bool IsPPPoEClientInstalled();
  // Next on the ADSL summary.
  virtual void ADSLFinish();
  virtual void CreateConnectionShortcut(const std::string& entry, const std::string& caption);
  virtual bool SetStartPage();
  virtual bool SetFavorites();
  virtual bool SetupMailAccount(int number, const std::string& accountName, const std::string& smtpServer,
                                const std::string& pop3Server, const std::string& address, const std::string& login,
                                const std::string& displayName);

  // ---- state
  bool ModemAnswered() const { return modemAnswered; }
  void SetModemAnswered(bool value) { modemAnswered = value; }
  bool ModemTestRunning() const { return modemTestRunning; }
  void SetModemTestRunning(bool value) { modemTestRunning = value; }
  bool Downloading() const { return downloading; }
  void SetDownloading(bool value) { downloading = value; }
  int32_t BytesDone() const { return bytesDone; }
  void SetBytesDone(int32_t value) { bytesDone = value; }
  int32_t BytesTotal() const { return bytesTotal; }
  void SetBytesTotal(int32_t value) { bytesTotal = value; }
  HANDLE RasConn() const { return rasConn; }
  void SetRasConn(HANDLE value) { rasConn = value; }
  bool Dialing() const { return dialing; }
  void SetDialing(bool value) { dialing = value; }
  bool Connected() const { return connected; }
  void SetConnected(bool value) { connected = value; }
  int32_t DialError() const { return dialError; }
  void SetDialError(int32_t value) { dialError = value; }
  bool TextTestMode() const { return textTestMode; }
  void SetTextTestMode(bool value) { textTestMode = value; }
  bool Closing() const { return closing; }
  void SetClosing(bool value) { closing = value; }
  bool WaitLock() const { return waitLock; }
  // Also re-runs the enabling rules.
  void SetWaitLock(bool value);
  bool AdslTestRunning() const { return adslTestRunning; }
  void SetAdslTestRunning(bool value) { adslTestRunning = value; }
  bool Finishing() const { return finishing; }
  // Also re-runs the enabling rules.
  void SetFinishing(bool value);
  TmoxXMLParser2* Parser() const { return parser.get(); }

  static void Publish(TPublisher<TFMain>& p);

 private:
  // Shows a page; NotebookPageChanged follows.
  void Go(int page);
  bool ModemRoad() const { return rbModemKapcsolat->Checked(); }
  bool PrefixNeeded() const { return cbModemElohivoKell->ItemIndex() == 0; }
  // The user refuses a recommended step: asked to confirm; Yes ends on the error page, No chooses the
  // recommended step again.
  void ConfirmRefusal(int question, int titleId, int bodyId, TRadioButton* recommended);
  // Fills the modem list from the modem listing.
  void FillModemList();
  // Online activation and subscription: the area record's four fields from `first`, and the texts of the
  // entry and dial failures.
  void RunOnlineOperation(int first, int entryTitle, int entryBody, int dialTitle, int dialBody);
  // The configuration file and the tables at start-up, with the message boxes of their failures.
  void LoadConfiguration(bool quiet);
  void LoadPictures();
  // The CONTINUE command line of a relaunched copy.
  void ResumeFromCommandLine();
  void WriteVersionFile();
  TAreaCodeRecord* SelectedArea() const;
  // The mail lines of a summary (texts firstText: no mail, +1: mail, +2: after the address) and the
  // Next caption of the summaries.
  void FillMailSummary(bool noMail, std::array<TLabel*, 3> labels, int firstText);
  // A component of the form resource by name, of the class the code expects.
  template <class T>
  T* Part(const std::string& name) const;

  bool modemAnswered = false;
  bool modemTestRunning = false;
  bool downloading = false;
  int32_t bytesDone = 0;
  int32_t bytesTotal = -1;
  HANDLE rasConn = nullptr;
  bool dialing = false;
  bool connected = false;
  int32_t dialError = 0;
  bool textTestMode = false;
  bool closing = false;
  bool waitLock = false;
  bool adslTestRunning = false;
  bool finishing = false;
  mox_detail::Owned<TmoxXMLParser2> parser;
};

// The program's main form.
extern TFMain* FMain;
