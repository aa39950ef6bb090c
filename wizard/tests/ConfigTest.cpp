// The enciphered configuration: its tables, texts, settings, area codes and packages.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/MessageBox.h"
#include "wizard-components/CkLines.h"
#include "wizard/ConfigKey.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using Rows_ = std::vector<std::string>;

// Companies with numbers grouped twice, an element at a depth that adds nothing, operations that name
// companies by name or list their numbers, a web page given too late, two traditional packages for one
// area, settings and texts given twice.
const std::string kFixture = R"(<?xml version="1.0" encoding="windows-1250"?>
<k>
  <t>
    <tarsasag nev="Hunnia Távközlés">
      <szamok>
        <szam ertek="061"><korzetek><korzet>1</korzet><korzet>22</korzet></korzetek></szam>
        <szam ertek="062"><korzetek><korzet>23</korzet></korzetek></szam>
      </szamok>
      <szamok>
        <szam ertek="063"><korzetek><korzet>24</korzet></korzetek></szam>
      </szamok>
    </tarsasag>
    <tarsasag nev="Dunatel"><a><b ertek="071"><c><d>72</d></c></b></a></tarsasag>
    <korzet>99</korzet>
  </t>
  <m>
    <aktivalas>
      <azonosito>akt</azonosito><jelszo>titkos</jelszo><url>http://a/</url>
      <telefontarsasagok><x>Hunnia Távközlés</x></telefontarsasagok>
    </aktivalas>
    <onlineelofizetes>
      <azonosito>elo</azonosito>
      <telefontarsasagok><x>Dunatel</x></telefontarsasagok>
      <url>http://late/</url>
    </onlineelofizetes>
    <csomagok>
      <hagyomanyos><telefontarsasagok>
        <tarsasag nev="Hunnia Távközlés"><a><b ertek="0651"><c><d>1</d></c></b></a></tarsasag>
      </telefontarsasagok></hagyomanyos>
      <hagyomanyos><telefontarsasagok>
        <tarsasag nev="Hunnia Távközlés"><a><b ertek="0652"><c><d>1</d></c></b></a></tarsasag>
      </telefontarsasagok></hagyomanyos>
      <kombi><egyeb>kimarad</egyeb><telefontarsasagok>
        <x>Dunatel</x>
        <tarsasag nev="Hunnia Távközlés"><a><b ertek="0659"><c><d>1</d></c></b></a></tarsasag>
      </telefontarsasagok></kombi>
      <aktivalas><telefontarsasagok><x>Dunatel</x></telefontarsasagok></aktivalas>
    </csomagok>
    <aktivalas>
      <azonosito>akt2</azonosito>
      <telefontarsasagok>
        <tarsasag nev="Dunatel"><a><b ertek="079"><c><d>79</d></c></b></a></tarsasag>
      </telefontarsasagok>
    </aktivalas>
  </m>
  <b>
    <letoltesurl>http://x/</letoltesurl>
    <szovegek>
      <szoveg100>Hagyományos</szoveg100>
      <szoveg101>Kombi</szoveg101>
    </szovegek>
    <kezdolapurl>http://y/</kezdolapurl>
    <letoltesurl>http://z/</letoltesurl>
  </b>
</k>
)"_cp;

class Config : public ::testing::Test {
 protected:
  TFMain* Start(const std::string& plain, const std::string& arguments = "") {
    machine.WriteConfiguration(plain);
    return machine.Start(arguments);
  }
  WizardMachine machine;
};

TEST_F(Config, TheTablesHoldTheRowsInReverseOrderOfAdding) {
  TFMain* form = Start(kFixture);
  EXPECT_EQ(Rows(form->qyModemTelefontarsasag),
            (Rows_{"Dunatel|071|72", "Hunnia Távközlés|063|24"_cp, "Hunnia Távközlés|062|23"_cp,
                   "Hunnia Távközlés|061|22"_cp, "Hunnia Távközlés|061|1"_cp}));
  // Added: the activation for every row of its company in table order, the second activation, the
  // subscription (its web page comes too late), the two traditional packages and the combined ones.
  EXPECT_EQ(Rows(form->qyModemMuvelet), (Rows_{
                                            "kombi|Hunnia Távközlés|0659|1|||"_cp,
                                            "kombi|Dunatel|071|72|||",
                                            "hagyomanyos|Hunnia Távközlés|0652|1|||"_cp,
                                            "hagyomanyos|Hunnia Távközlés|0651|1|||"_cp,
                                            "onlineelofizetes|Dunatel|071|72|elo||",
                                            "aktivalas|Dunatel|079|79|akt2||",
                                            "aktivalas|Hunnia Távközlés|061|1|akt|titkos|http://a/"_cp,
                                            "aktivalas|Hunnia Távközlés|061|22|akt|titkos|http://a/"_cp,
                                            "aktivalas|Hunnia Távközlés|062|23|akt|titkos|http://a/"_cp,
                                            "aktivalas|Hunnia Távközlés|063|24|akt|titkos|http://a/"_cp,
                                        }));
  EXPECT_EQ(Rows(form->qyBeallitas),
            (Rows_{"letoltesurl|http://z/", "kezdolapurl|http://y/", "letoltesurl|http://x/"}));
  EXPECT_EQ(Rows(form->qySzoveg), (Rows_{"szoveg101|Kombi", "szoveg100|Hagyományos"_cp}));
  // The first match in table order: the setting that stands last in the file. Names are exact.
  EXPECT_EQ(form->GetSetting("letoltesurl"), "http://z/");
  EXPECT_EQ(form->GetSetting("Letoltesurl"), "");
  EXPECT_EQ(form->GetSetting("nincs"), "");
  EXPECT_TRUE(MessageBoxRecords().empty());
}

TEST_F(Config, AreaCodesCarryTheirNumbersAndPackagesFollowTheSelectedArea) {
  TFMain* form = Start(kFixture);
  TStringList* areas = form->cbModemKorzetszam->Items();
  ASSERT_EQ(areas->Text(), "1\r\n22\r\n23\r\n24\r\n72\r\n79\r\n");
  auto record = [&](const std::string& area) {
    const auto& f = static_cast<TAreaCodeRecord*>(areas->Objects(areas->IndexOf(area)))->Fields;
    std::string joined;
    for (const std::string& s : f) joined += s + "|";
    return joined;
  };
  // The traditional number of area 1 is the one that stands first in the file.
  EXPECT_EQ(record("1"), "061|akt|titkos|http://a/|||||0651|0659|");
  EXPECT_EQ(record("72"), "||||071|elo||||071|");
  EXPECT_EQ(record("79"), "079|akt2|||||||||");

  TComboBox* packages = form->cbModemCsomag;
  auto fill = [&](const std::string& area) {
    if (!area.empty()) form->cbModemKorzetszam->SetItemIndex(areas->IndexOf(area));
    form->FillPackages();
    std::string shown = packages->Items()->Text() + "selected " + std::to_string(packages->ItemIndex());
    if (packages->ItemIndex() >= 0)
      shown += " " + static_cast<TPackageNumber*>(packages->Items()->Objects(packages->ItemIndex()))->Number;
    return shown;
  };
  // Nothing chosen before: the first package.
  EXPECT_EQ(fill("1"), "Hagyományos\r\nKombi\r\nselected 0 0651"_cp);
  // The chosen package is not offered in area 72: nothing is selected; filling again picks the first.
  EXPECT_EQ(fill("72"), "Kombi\r\nselected -1");
  EXPECT_EQ(fill(""), "Kombi\r\nselected 0 071");
  // The chosen package is chosen again where it is offered.
  EXPECT_EQ(fill("1"), "Hagyományos\r\nKombi\r\nselected 1 0659"_cp);
  EXPECT_EQ(fill("79"), "selected -1");
  // Refilling the areas keeps the selected one.
  form->FillAreaCodes();
  EXPECT_EQ(form->cbModemKorzetszam->Text(), "79");
  EXPECT_EQ(areas->Count(), 6);
}

TEST_F(Config, TextRulesInNormalAndTestMode) {
  TFMain* form = Start(Configuration({}, {{42, "Első\\Második"_cp},
                                          {43, "\\"},
                                          {44, "Körzetszám:÷"_cp},
                                          {46, "régi"_cp},
                                          {46, "új"_cp},
                                          {47, "x\\÷y"_cp}}));
  struct Case {
    int id;
    bool testMode;
    std::string text;
  } cases[] = {
      {42, false, "Első\rMásodik"_cp},
      {42, true, "(szöveg42) Első\rMásodik"_cp},
      {43, false, ""},
      {43, true, "(szöveg43) "_cp},
      {44, false, "Körzetszám: "_cp},
      {45, false, ""},
      {45, true, "(szöveg45) NEM TALÁLHATÓ!!!"_cp},
      {46, false, "új"_cp},
      {47, false, "x\r y"},
  };
  for (const Case& c : cases) {
    form->SetTextTestMode(c.testMode);
    EXPECT_EQ(form->GetText(c.id), c.text) << c.id << " " << c.testMode;
  }
}

TEST_F(Config, TextsGoToTheTaggedCaptionsAndTheWindowTitle) {
  TFMain* form =
      Start(Configuration({}, {{59, "Vandrel telepítő"_cp}, {111, "Elfogadom"}, {1003, "Kombi!"}, {108, "Modem"}}));
  EXPECT_EQ(form->Caption(), "Vandrel telepítő"_cp);
  EXPECT_EQ(Application->Title(), "Vandrel telepítő"_cp);
  EXPECT_EQ(form->cbKozosElfogad->Caption(), "Elfogadom");
  EXPECT_EQ(form->rbModemKapcsolat->Caption(), "Modem");
  EXPECT_EQ(static_cast<TLabel*>(form->FindComponent("lbReklam3"))->Caption(), "Kombi!");
  // A missing text empties a tagged caption; untagged captions stay as designed.
  EXPECT_EQ(form->rbADSLKapcsolat->Caption(), "");
  EXPECT_EQ(form->lbModemLetoltesAllapot->Caption(), "0 K / 0 K");
  EXPECT_EQ(form->bnKovetkezo->Caption(), "&Tovább >"_cp);
  for (TLabel* waiting : {form->lbModemVizsgalatVaras, form->lbModemLetoltesVaras, form->lbADSLVizsgalatVaras})
    EXPECT_FALSE(waiting->Visible()) << waiting->Name();
}

TEST_F(Config, TheTestModeSettingMarksEveryCaption) {
  TFMain* form = Start(Configuration({{"szovegtesztaktiv", "1"}}, {{59, "Telepítő"_cp}}));
  EXPECT_TRUE(form->TextTestMode());
  EXPECT_EQ(form->Caption(), "(szöveg59) Telepítő"_cp);
  EXPECT_EQ(form->cbKozosElfogad->Caption(), "(szöveg111) NEM TALÁLHATÓ!!!"_cp);
}

TEST_F(Config, ALineThatDoesNotDecipherCountsAsEmpty) {
  const std::string plain =
      Configuration({{"letoltesurl", "http://x/"}, {"kezdolapurl", "http://y/"}, {"levelid", "7"}}, {{59, "Cím"_cp}});
  struct Damage {
    const char* what;
    std::function<std::string(const std::string&)> apply;
  } damages[] = {
      {"foreign characters", [](const std::string&) { return std::string("!!nem base64!!"); }},
      {"a cut group", [](const std::string& line) { return line.substr(0, line.size() - 1); }},
  };
  for (const Damage& d : damages) {
    const std::string original = Encipher(plain);
    std::string enciphered;
    for (std::string_view line : SplitTextLines(original)) {
      std::string text(line);
      if (DecipherLineOrEmpty(text, ConfigKey()) == "<kezdolapurl>http://y/</kezdolapurl>") text = d.apply(text);
      enciphered += text + "\r\n";
    }
    WriteHostFile(machine.Folder() + "Selvaring.kzf", enciphered);
    ClearMessageBoxRecords();
    auto* form = NewObject<TScriptedMain>(Application);
    EXPECT_EQ(form->GetSetting("kezdolapurl"), "") << d.what;
    EXPECT_EQ(form->GetSetting("letoltesurl"), "http://x/") << d.what;
    EXPECT_EQ(form->GetSetting("levelid"), "7") << d.what;
    EXPECT_EQ(form->Caption(), "Cím"_cp) << d.what;
    EXPECT_TRUE(MessageBoxRecords().empty()) << d.what;
    form->Free();
  }
}

TEST_F(Config, AMissingFileShowsTwoEmptyErrorBoxesAndEnds) {
  machine.Start();
  const auto boxes = MessageBoxRecords();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, "");
    EXPECT_EQ(box.flags, MB_OK | MB_ICONERROR);
  }
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Config, ADocumentWithoutItsSectionsEndsTheProgram) {
  const char* documents[] = {
      "<k><t/><m><aktivalas/><onlineelofizetes/><csomagok/></m></k>",  // no settings
      "<k><t/><m><aktivalas/><onlineelofizetes/></m><b/></k>",         // no packages
  };
  for (const char* document : documents) {
    machine.WriteConfiguration(document);
    ClearMessageBoxRecords();
    auto* form = NewObject<TScriptedMain>(Application);
    // The file was read: only the tables' box (its text is not there either).
    ASSERT_EQ(MessageBoxRecords().size(), 1u) << document;
    EXPECT_EQ(MessageBoxRecords()[0].text, "") << document;
    form->Free();
  }
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Config, TheSampleConfigurationEnciphersAndFillsEveryTableAndText) {
  const std::string sample = SampleConfiguration();
  ASSERT_FALSE(sample.empty());
  WriteHostFile(machine.Folder() + "nyilatkozat.txt",
                ReadHostFile(std::string(WIZARD_SAMPLE_DIR) + "/nyilatkozat.txt"));
  TFMain* form = Start(sample);
  EXPECT_TRUE(MessageBoxRecords().empty());
  for (int id : UsedTextIds()) EXPECT_NE(form->GetText(id), "") << id;
  for (const std::string& key : UsedSettingKeys()) EXPECT_NE(form->GetSetting(key), "") << key;
  EXPECT_EQ(form->GetSetting("szovegtesztaktiv"), "0");
  EXPECT_EQ(form->qyModemTelefontarsasag->RecordCount(), 9);
  EXPECT_EQ(form->cbModemKorzetszam->Items()->Text(), "1\r\n22\r\n23\r\n24\r\n52\r\n53\r\n72\r\n73\r\n74\r\n");
  form->cbModemKorzetszam->SetItemIndex(0);
  form->FillPackages();
  EXPECT_EQ(form->cbModemCsomag->Items()->Count(), 2);
  EXPECT_NE(form->moKozosNyilatkozat->Text().find("JOGI NYILATKOZAT"), std::string::npos);
  EXPECT_EQ(form->Caption(), form->GetText(59));
}

TEST_F(Config, AMissingOrUnreadableLegalStatementLeavesThePageEmpty) {
  const std::string sample = SampleConfiguration();
  for (bool folderInItsPlace : {false, true}) {
    if (folderInItsPlace) std::filesystem::create_directory(machine.Folder() + "nyilatkozat.txt");
    TFMain* form = Start(sample);
    EXPECT_TRUE(MessageBoxRecords().empty()) << folderInItsPlace;
    EXPECT_EQ(form->moKozosNyilatkozat->Text(), "") << folderInItsPlace;
    EXPECT_EQ(form->Caption(), form->GetText(59)) << "the rest of the start-up ran";
    form->Free();
  }
}

}  // namespace
