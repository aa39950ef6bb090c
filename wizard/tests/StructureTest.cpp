// The main form's resource against the wizard's page and component tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;

struct PageControl {
  const char* name;  // empty: an unnamed label, known by its tag
  const char* cls;
  int tag;
};

struct PageLayout {
  const char* name;
  std::vector<PageControl> controls;  // a heading's title and subtitle come first
};

constexpr const char* L = "TLabel";
constexpr const char* R = "TRadioButton";

// The 22 pages with their pictures, tagged captions and named components.
const std::vector<PageLayout>& Pages() {
  static const std::vector<PageLayout> pages = {
      {"KozosKezdolap", {{"imgKep1", "TImage", 0}, {"", L, 1}}},
      {"KozosJogiElfogadas",
       {{"", L, 109}, {"", L, 110}, {"moKozosNyilatkozat", "TMemo", 0}, {"cbKozosElfogad", "TCheckBox", 111}}},
      {"KozosKapcsolatFajta",
       {{"", L, 104}, {"", L, 105}, {"", L, 106}, {"rbModemKapcsolat", R, 108}, {"rbADSLKapcsolat", R, 107}}},
      {"ModemKezdolap",
       {{"", L, 102},
        {"", L, 103},
        {"", L, 3},
        {"", L, 4},
        {"", L, 5},
        {"", L, 6},
        {"", L, 7},
        {"", L, 8},
        {"", L, 9},
        {"", L, 10},
        {"", L, 11},
        {"", L, 12}}},
      {"ModemValasztas",
       {{"", L, 13},
        {"", L, 14},
        {"", L, 15},
        {"", L, 16},
        {"cbModem", "TComboBox", 0},
        {"cbModemElohivoKell", "TComboBox", 0},
        {"lbModemElohivoszam", L, 17},
        {"edModemElohivoszam", "TBSEdit", 0}}},
      {"ModemVizsgalat",
       {{"", L, 18},
        {"", L, 19},
        {"lbModemVizsgalat", L, 97},
        {"lbModemVizsgalatVaras", L, 20},
        {"pbModemVizsgalat", "TProgressBar", 0}}},
      {"ModemLetoltes",
       {{"", L, 21},
        {"", L, 22},
        {"lbModemLetoltes", L, 62},
        {"lbModemLetoltesVaras", L, 23},
        {"lbModemLetoltesAllapot", L, 0},
        {"pbModemLetoltes", "TProgressBar", 0}}},
      {"ModemSzolgaltatas",
       {{"", L, 24},
        {"", L, 25},
        {"", L, 26},
        {"lbReklam1", L, 1001},
        {"rbModemOnlineAktivalas", R, 27},
        {"rbModemOnlineElofizetes", R, 28},
        {"rbModemMeglevo", R, 29}}},
      {"ModemKorzetszam",
       {{"", L, 30}, {"", L, 31}, {"", L, 32}, {"lbReklam2", L, 1002}, {"cbModemKorzetszam", "TComboBox", 0}}},
      {"ModemCsomagTipus",
       {{"", L, 33}, {"", L, 34}, {"", L, 35}, {"lbReklam3", L, 1003}, {"cbModemCsomag", "TComboBox", 0}}},
      {"ModemFelhAdatok",
       {{"", L, 36},
        {"", L, 37},
        {"", L, 38},
        {"", L, 39},
        {"lbReklam4", L, 1004},
        {"edModemTarcsazasiNev", "TEdit", 0},
        {"edModemTarcsazasiJelszo", "TEdit", 0}}},
      {"ModemBongKedvLevel",
       {{"", L, 40},
        {"", L, 41},
        {"", L, 42},
        {"Panel21", "TPanel", 0},
        {"", L, 48},
        {"rbModemLevelezesIgen", R, 49},
        {"rbModemLevelezesNem", R, 50}}},
      {"ModemSikeroldal",
       {{"imgKep2", "TImage", 0},
        {"", L, 57},
        {"", L, 58},
        {"lbModemKorzetszam", L, 0},
        {"PanelModemCsomag", "TPanel", 0},
        {"lbModemCsomagTipusa", L, 0},
        {"lbModemAlkozpont", L, 0},
        {"lbModemFelhasznalonev", L, 0},
        {"lbModemLevelezes", L, 0},
        {"lbModemSzemelyNev", L, 0},
        {"lbModemEMailCim", L, 0}}},
      {"ADSLKezdolap",
       {{"", L, 112},
        {"", L, 113},
        {"", L, 114},
        {"", L, 115},
        {"", L, 116},
        {"", L, 117},
        {"", L, 118},
        {"", L, 119},
        {"", L, 120}}},
      {"ADSLVizsgalat",
       {{"", L, 121},
        {"", L, 122},
        {"lbADSLVizsgalat", L, 165},
        {"lbADSLVizsgalatVaras", L, 124},
        {"pbADSLVizsgalat", "TProgressBar", 0}}},
      {"ADSLTrelvinTorlese",
       {{"", L, 125},
        {"", L, 126},
        {"", L, 127},
        {"rbADSLTrelvinTorlesIgen", R, 128},
        {"rbADSLTrelvinTorlesNem", R, 129}}},
      {"ADSLTrelvinTelepitese",
       {{"", L, 130},
        {"", L, 131},
        {"", L, 132},
        {"rbADSLTrelvinTelepitesIgen", R, 133},
        {"rbADSLTrelvinTelepitesNem", R, 134}}},
      {"ADSLFelhAdatok",
       {{"", L, 135},
        {"", L, 136},
        {"", L, 137},
        {"", L, 138},
        {"", L, 166},
        {"edADSLTarcsazasiNev", "TEdit", 0},
        {"edADSLTarcsazasiJelszo", "TEdit", 0}}},
      {"ADSLBongKedvToolbarLevel",
       {{"", L, 139},
        {"", L, 140},
        {"Panel51", "TPanel", 0},
        {"", L, 141},
        {"rbADSLLevelezesIgen", R, 142},
        {"rbADSLLevelezesNem", R, 143},
        {"Panel52", "TPanel", 0},
        {"", L, 144},
        {"rbADSLToolbarIgen", R, 145},
        {"rbADSLToolbarNem", R, 146}}},
      {"ADSLSikeroldal",
       {{"imgKep4", "TImage", 0},
        {"", L, 147},
        {"", L, 148},
        {"lbADSLTrelvinTorlese", L, 0},
        {"lbADSLTrelvinTelepitese", L, 0},
        {"lbADSLToolbarTelepitese", L, 0},
        {"lbADSLFelhasznalonev", L, 0},
        {"lbADSLLevelezes", L, 0},
        {"lbADSLSzemelyNev", L, 0},
        {"lbADSLEMailCim", L, 0}}},
      {"KozosLevelAdatok",
       {{"", L, 51},
        {"", L, 52},
        {"", L, 53},
        {"", L, 54},
        {"", L, 55},
        {"", L, 56},
        {"lbReklam5", L, 1005},
        {"edKozosSzemelyNev", "TEdit", 0},
        {"edKozosEMailCim", "TEdit", 0},
        {"edKozosLevelezesiNev", "TEdit", 0}}},
      {"KozosHiba", {{"imgKep3", "TImage", 0}, {"lbKozosHibaCim", L, 0}, {"lbKozosHibaTorzs", L, 0}}},
  };
  return pages;
}

class Structure : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.WriteConfiguration(Configuration({}, {}));
    form = machine.Start();
  }
  // The page a control sits on, or -1.
  int PageOf(TControl* control) const {
    for (TControl* c = control; c; c = c->Parent())
      for (int i = 0; i < form->Notebook->PageCount(); ++i)
        if (c == form->Notebook->Page(i)) return i;
    return -1;
  }
  WizardMachine machine;
  TFMain* form = nullptr;
};

TEST_F(Structure, ThePagesHoldTheirComponentsAndTaggedCaptions) {
  ASSERT_EQ(form->Notebook->PageCount(), int(Pages().size()));
  for (size_t p = 0; p < Pages().size(); ++p) {
    const PageLayout& layout = Pages()[p];
    EXPECT_EQ(form->Notebook->Pages()->Strings(int(p)), layout.name);
    std::multiset<int> expectedTags, tags;
    for (const PageControl& control : layout.controls) {
      if (control.tag) expectedTags.insert(control.tag);
      if (!*control.name) continue;
      auto* c = DynamicAs<TControl>(form->FindComponent(control.name));
      ASSERT_NE(c, nullptr) << control.name;
      EXPECT_EQ(c->ClassName(), control.cls) << control.name;
      EXPECT_EQ(c->Tag(), control.tag) << control.name;
      EXPECT_EQ(PageOf(c), int(p)) << control.name;
    }
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* c = DynamicAs<TControl>(form->Components(i));
      if (c && c->Tag() && PageOf(c) == int(p)) {
        tags.insert(int(c->Tag()));
        // Every tagged caption is a label, a radio button or a check box.
        EXPECT_TRUE(DynamicAs<TLabel>(c) || DynamicAs<TRadioButton>(c) || DynamicAs<TCheckBox>(c)) << c->Name();
      }
    }
    EXPECT_EQ(tags, expectedTags) << layout.name;
  }
}

TEST_F(Structure, HeadingPicturesStandOnEveryPageButTheFourWithALargePicture) {
  const int large[] = {0, 12, 19, 21};
  int icon = 0;
  for (int p = 0; p < form->Notebook->PageCount(); ++p) {
    std::vector<std::string> images;
    for (int i = 0; i < form->ComponentCount(); ++i)
      if (auto* image = DynamicAs<TImage>(form->Components(i)); image && PageOf(image) == p)
        images.push_back(image->Name());
    const bool isLarge = std::find(std::begin(large), std::end(large), p) != std::end(large);
    if (!isLarge) ++icon;
    const std::string expected =
        isLarge ? Pages()[size_t(p)].controls[0].name : (icon < 10 ? "imgIkon0" : "imgIkon") + std::to_string(icon);
    EXPECT_EQ(images, std::vector<std::string>{expected}) << p;
  }
  EXPECT_EQ(icon, 18);
}

TEST_F(Structure, FormButtonsListsLimitsAndTables) {
  EXPECT_EQ(form->BorderStyle(), bsDialog);
  EXPECT_EQ(form->BorderIcons(), 0u);
  EXPECT_EQ(form->ClientWidth(), 526);
  EXPECT_EQ(form->ClientHeight(), 359);
  for (int size : {form->Constraints()->MinWidth, form->Constraints()->MaxWidth}) EXPECT_EQ(size, 534);
  for (int size : {form->Constraints()->MinHeight, form->Constraints()->MaxHeight}) EXPECT_EQ(size, 386);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(form->Font()->Height(), -11);

  EXPECT_EQ(form->bnElozo->Caption(), "< &Vissza");
  EXPECT_EQ(form->bnKovetkezo->Caption(), "&Tovább >"_cp);
  EXPECT_EQ(form->bnKilepes->Caption(), "&Kilépés"_cp);
  EXPECT_TRUE(form->bnKovetkezo->Default());
  EXPECT_FALSE(form->bnElozo->Default());
  EXPECT_EQ(PageOf(form->bnKovetkezo), -1);

  for (TComboBox* list : {form->cbModem, form->cbModemKorzetszam, form->cbModemCsomag}) {
    EXPECT_EQ(list->Style(), csDropDownList) << list->Name();
    EXPECT_TRUE(list->Sorted()) << list->Name();
  }
  EXPECT_EQ(form->cbModemElohivoKell->Style(), csDropDownList);
  EXPECT_EQ(form->cbModemElohivoKell->Items()->Text(), "igen\r\nnem\r\n");

  struct Limit {
    TEdit* edit;
    int maxLength;
    char password;
  } limits[] = {
      {form->edModemTarcsazasiNev, 32, 0}, {form->edModemTarcsazasiJelszo, 32, '*'},
      {form->edADSLTarcsazasiNev, 32, 0},  {form->edADSLTarcsazasiJelszo, 32, '*'},
      {form->edKozosSzemelyNev, 64, 0},    {form->edKozosEMailCim, 32, 0},
      {form->edKozosLevelezesiNev, 32, 0},
  };
  for (const Limit& l : limits) {
    EXPECT_EQ(l.edit->MaxLength(), l.maxLength) << l.edit->Name();
    EXPECT_EQ(l.edit->PasswordChar(), l.password) << l.edit->Name();
  }
  TBSEdit* prefix = form->edModemElohivoszam;
  EXPECT_EQ(prefix->MaxLength(), 1);
  EXPECT_EQ(prefix->FilterChars(), "0123456789");
  EXPECT_EQ(prefix->BasicFilter(), bfNumbers);
  EXPECT_EQ(prefix->Alignment(), taRightJustify);

  struct Bar {
    TProgressBar* bar;
    int max;
  } bars[] = {{form->pbModemVizsgalat, 30}, {form->pbModemLetoltes, 160}, {form->pbADSLVizsgalat, 30}};
  for (const Bar& b : bars) {
    EXPECT_EQ(b.bar->Min(), 0) << b.bar->Name();
    EXPECT_EQ(b.bar->Max(), b.max) << b.bar->Name();
  }
  EXPECT_TRUE(form->moKozosNyilatkozat->ReadOnly());
  EXPECT_EQ(form->moKozosNyilatkozat->ScrollBars(), ssVertical);
  EXPECT_EQ(form->lbModemLetoltesAllapot->Caption(), "0 K / 0 K");
  EXPECT_FALSE(form->lbModemLetoltesAllapot->Visible());

  EXPECT_EQ(form->trModemTest->Interval(), 1000u);
  EXPECT_FALSE(form->trModemTest->Enabled());
  EXPECT_EQ(form->trModemDialEntry->Interval(), 500u);
  EXPECT_FALSE(form->trModemDialEntry->Enabled());

  struct Table {
    TWkMemoryData* table;
    std::vector<std::string> fields;
  } tables[] = {
      {form->qyModemTelefontarsasag, {"Tarsasag", "Telefonszam", "Korzetszam"}},
      {form->qyModemMuvelet, {"Tipus", "Tarsasag", "Telefonszam", "Korzetszam", "Azonosito", "Jelszo", "URL"}},
      {form->qyBeallitas, {"Nev", "Ertek"}},
      {form->qySzoveg, {"Nev", "Szoveg"}},
  };
  for (const Table& t : tables) {
    std::vector<std::string> fields;
    for (int i = 0; i < t.table->FieldDefs().Count(); ++i) {
      TFieldDef* def = t.table->FieldDefs()[i];
      fields.push_back(def->Name());
      EXPECT_EQ(def->DataType(), ftString) << def->Name();
      EXPECT_EQ(def->Size(), 255) << def->Name();
    }
    EXPECT_EQ(fields, t.fields) << t.table->Name();
  }
  EXPECT_TRUE(form->trModemDialEntry->OnTimer);

  ASSERT_NE(form->hcModem, nullptr);
  EXPECT_EQ(form->hcModem->ClassName(), "THttpFetch");
  EXPECT_EQ(form->hcModem->Owner(), form);
  EXPECT_EQ(form->hcModem->BodyFile(), "Default.htm");
  EXPECT_EQ(form->hcModem->HeaderFile(), "Head.txt");
  EXPECT_TRUE(form->hcModem->ToFiles());
  EXPECT_TRUE(form->hcModem->OnPacketRecvd);
}

TEST_F(Structure, TheModemPortIsStreamedWithItsSettings) {
  TSerialPort* port = form->cpModemTest;
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->ClassName(), "TSerialPort");
  EXPECT_EQ(port->Owner(), form);
  EXPECT_EQ(port->BaudRate(), br9600);
  EXPECT_EQ(port->PortNum(), "COM1");
  EXPECT_EQ(port->DataBits(), dbEight);
  EXPECT_EQ(port->Parity()->Bits(), prNone);
  EXPECT_FALSE(port->Parity()->Check());
  EXPECT_EQ(port->StopBits(), sbOneStopBit);
  EXPECT_EQ(port->FlowControl()->ControlDTR(), dtrEnable);
  EXPECT_EQ(port->FlowControl()->ControlRTS(), rtsEnable);
  EXPECT_FALSE(port->FlowControl()->XonXoffOut());
  EXPECT_EQ(port->Buffer()->InputSize(), 1024);
  EXPECT_EQ(port->Buffer()->OutputSize(), 1024);
  TComTimeouts* t = port->Timeouts();
  EXPECT_EQ((std::vector<int32_t>{t->ReadInterval(), t->ReadTotalMultiplier(), t->ReadTotalConstant(),
                                  t->WriteTotalMultiplier(), t->WriteTotalConstant()}),
            (std::vector<int32_t>{-1, 0, 0, 100, 1000}));
  EXPECT_EQ(port->SyncMethod(), smThreadSync);
  EXPECT_EQ(port->Events(), kAllEvents);
  EXPECT_EQ(port->BuildDCB().Flags, 0x1011u);
  EXPECT_FALSE(port->Connected());
  // OnRxChar is the only handler.
  EXPECT_TRUE(port->OnRxChar);
  for (const TNotifyEvent* e : {&port->OnTxEmpty, &port->OnBreak, &port->OnRing, &port->OnRxFlag, &port->OnOpen,
                                &port->OnClose, &port->OnRx80Full})
    EXPECT_FALSE(*e);
  EXPECT_FALSE(port->OnCTSChange || port->OnDSRChange || port->OnRLSDChange || port->OnError);
}

TEST_F(Structure, EveryChoiceAndFieldRunsTheEnablingRules) {
  form->Show();
  int checked = 0;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* c = DynamicAs<TControl>(form->Components(i));
    if (!c || PageOf(c) < 0) continue;
    TNotifyEvent handler;
    if (auto* edit = DynamicAs<TCustomEdit>(c); edit && !DynamicAs<TMemo>(c))
      handler = edit->OnChange;
    else if (DynamicAs<TRadioButton>(c) || DynamicAs<TCheckBox>(c))
      handler = c->OnClick;
    else
      continue;
    ASSERT_TRUE(handler) << c->Name();
    // On the welcome page the rules switch Back off.
    form->Notebook->SetPageIndex(TFMain::pgKozosKezdolap);
    form->bnElozo->SetEnabled(true);
    handler(c);
    EXPECT_FALSE(form->bnElozo->Enabled()) << c->Name();
    ++checked;
  }
  // 15 radio buttons, a check box, 4 lists and 8 edit fields.
  EXPECT_EQ(checked, 28);
}

}  // namespace
