// TFMain: the enciphered configuration, the four tables built from it, texts and settings.
#include <functional>

#include "platform/components/Application.h"
#include "platform/components/FileUtils.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/SysUtils.h"
#include "wizard-components/CkLines.h"
#include "wizard/ConfigKey.h"
#include "wizard/Main.h"

namespace {

// Calls found(company, number, area) for every area element below a company element: the company's
// children group phone elements (first attribute: the number), whose children group the area elements.
void WalkCompany(TmoxXMLNode2* company,
                 const std::function<void(const std::string&, const std::string&, const std::string&)>& found) {
  const std::string name = company->GetAttribute(Variant(0));
  for (int g = 0; g < company->Children->Count(); ++g) {
    TmoxXMLNode2* phones = company->Child(g);
    for (int p = 0; p < phones->Children->Count(); ++p) {
      TmoxXMLNode2* phone = phones->Child(p);
      const std::string number = phone->GetAttribute(Variant(0));
      for (int a = 0; a < phone->Children->Count(); ++a) {
        TmoxXMLNode2* areas = phone->Child(a);
        for (int k = 0; k < areas->Children->Count(); ++k) found(name, number, areas->Child(k)->Text);
      }
    }
  }
}

void InsertRow(TWkMemoryData* table, std::initializer_list<std::string> values) {
  table->Insert();
  int i = 0;
  for (const std::string& value : values) table->Fields()[i++]->SetAsString(value);
  table->Post();
}

}  // namespace

std::string TFMain::DecryptLine(const std::string& line) { return DecipherLineOrEmpty(line, ConfigKey()); }

std::string TFMain::ReadConfigText(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  std::string enciphered(size_t(file.Size()), '\0');
  file.ReadBuffer(enciphered.data(), int64_t(enciphered.size()));
  std::string text;
  CryptLines(enciphered, ConfigKey(), false, text);
  return text;
}

void TFMain::LoadConfigFile() { parser->SetXml(ReadConfigText(ChangeFileExt(Application->ExeName(), ".kzf"))); }

void TFMain::LoadTables() {
  for (TWkMemoryData* table : {qyModemTelefontarsasag, qyModemMuvelet, qyBeallitas, qySzoveg}) table->Open();
  // Sections and the packages' element by position: a missing one raises EListError.
  TmoxXMLNode2* root = parser.get();

  // Phone companies: company, then a grouping of phones, a phone, a grouping of areas, an area.
  TmoxXMLNode2* companies = root->Child(0);
  for (int c = 0; c < companies->Children->Count(); ++c)
    WalkCompany(companies->Child(c),
                [this](const std::string& company, const std::string& number, const std::string& area) {
                  InsertRow(qyModemTelefontarsasag, {company, number, area});
                });

  // Operations: each gathers its user, password and web page, then lists the numbers they apply to.
  TmoxXMLNode2* operations = root->Child(1);
  TmoxXMLNode2* packages = operations->Child(2);
  auto addOperations = [this](TmoxXMLNode2* section, const std::string& type) {
    for (int o = 0; o < section->Children->Count(); ++o) {
      TmoxXMLNode2* operation = section->Child(o);
      if (operation->Name != type) continue;
      std::string user, password, url;
      for (int i = 0; i < operation->Children->Count(); ++i) {
        TmoxXMLNode2* item = operation->Child(i);
        if (item->Name == "azonosito") {
          user = item->Text;
        } else if (item->Name == "jelszo") {
          password = item->Text;
        } else if (item->Name == "url") {
          url = item->Text;
        } else if (item->Name == "telefontarsasagok") {
          auto add = [&](const std::string& company, const std::string& number, const std::string& area) {
            InsertRow(qyModemMuvelet, {type, company, number, area, user, password, url});
          };
          for (int k = 0; k < item->Children->Count(); ++k) {
            TmoxXMLNode2* entry = item->Child(k);
            if (entry->Children->Count() > 0) {
              WalkCompany(entry, add);
              continue;
            }
            // A company by name: every number and area of it, as the company table holds them.
            std::vector<std::array<std::string, 2>> numbers;
            TField* company = qyModemTelefontarsasag->FieldByName("Tarsasag");
            TField* number = qyModemTelefontarsasag->FieldByName("Telefonszam");
            TField* area = qyModemTelefontarsasag->FieldByName("Korzetszam");
            for (qyModemTelefontarsasag->First(); !qyModemTelefontarsasag->Eof(); qyModemTelefontarsasag->Next())
              if (company->AsString() == entry->Text) numbers.push_back({number->AsString(), area->AsString()});
            for (const auto& [phone, code] : numbers) add(entry->Text, phone, code);
          }
        }
      }
    }
  };
  addOperations(operations, "aktivalas");
  addOperations(operations, "onlineelofizetes");
  addOperations(packages, "hagyomanyos");
  addOperations(packages, "kombi");

  // Settings, and the texts below "szovegek".
  TmoxXMLNode2* settings = root->Child(2);
  for (int s = 0; s < settings->Children->Count(); ++s) {
    TmoxXMLNode2* setting = settings->Child(s);
    if (setting->Name != "szovegek") {
      InsertRow(qyBeallitas, {setting->Name, setting->Text});
      continue;
    }
    for (int t = 0; t < setting->Children->Count(); ++t)
      InsertRow(qySzoveg, {setting->Child(t)->Name, setting->Child(t)->Text});
  }
}

std::string TFMain::GetSetting(const std::string& name) {
  try {
    TField* key = qyBeallitas->FieldByName("Nev");
    TField* value = qyBeallitas->FieldByName("Ertek");
    for (qyBeallitas->First(); !qyBeallitas->Eof(); qyBeallitas->Next())
      if (key->AsString() == name) return value->AsString();
  } catch (...) {
  }
  return {};
}

std::string TFMain::GetText(int id) {
  const std::string marker = "(szöveg"_cp + IntToStr(id) + ")";
  try {
    const std::string wanted = "szoveg" + IntToStr(id);
    TField* key = qySzoveg->FieldByName("Nev");
    TField* value = qySzoveg->FieldByName("Szoveg");
    for (qySzoveg->First(); !qySzoveg->Eof(); qySzoveg->Next()) {
      if (key->AsString() != wanted) continue;
      std::string text = value->AsString();
      if (text == "\\") {
        text.clear();
      } else {
        for (char& c : text) {
          if (c == '\\') c = '\r';
          if (static_cast<unsigned char>(c) == 0xF7) c = ' ';
        }
      }
      return TextTestMode() ? marker + " " + text : text;
    }
  } catch (...) {
  }
  return TextTestMode() ? marker + " NEM TALÁLHATÓ!!!"_cp : std::string();
}

void TFMain::ApplyTexts() {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* component = Components(i);
    if (component->Tag() == 0) continue;
    if (DynamicAs<TLabel>(component) || DynamicAs<TRadioButton>(component) || DynamicAs<TCheckBox>(component))
      static_cast<TControl*>(component)->SetCaption(GetText(int(component->Tag())));
  }
}

void TFMain::FillAreaCodes() {
  const std::string remembered = cbModemKorzetszam->Text();
  cbModemKorzetszam->Clear();
  try {
    TStringList* items = cbModemKorzetszam->Items();
    TField* type = qyModemMuvelet->FieldByName("Tipus");
    TField* number = qyModemMuvelet->FieldByName("Telefonszam");
    TField* area = qyModemMuvelet->FieldByName("Korzetszam");
    TField* user = qyModemMuvelet->FieldByName("Azonosito");
    TField* password = qyModemMuvelet->FieldByName("Jelszo");
    TField* url = qyModemMuvelet->FieldByName("URL");
    for (qyModemMuvelet->First(); !qyModemMuvelet->Eof(); qyModemMuvelet->Next()) {
      const std::string code = area->AsString();
      int index = items->IndexOf(code);
      if (index < 0) index = items->AddObject(code, NewObject<TAreaCodeRecord>());
      auto& fields = static_cast<TAreaCodeRecord*>(items->Objects(index))->Fields;
      const std::string kind = type->AsString();
      int first = -1;
      if (kind == "aktivalas") first = TAreaCodeRecord::ActivationNumber;
      if (kind == "onlineelofizetes") first = TAreaCodeRecord::SubscriptionNumber;
      if (first >= 0) {
        fields[size_t(first)] = number->AsString();
        fields[size_t(first) + 1] = user->AsString();
        fields[size_t(first) + 2] = password->AsString();
        fields[size_t(first) + 3] = url->AsString();
      } else if (kind == "hagyomanyos") {
        fields[TAreaCodeRecord::TraditionalNumber] = number->AsString();
      } else if (kind == "kombi") {
        fields[TAreaCodeRecord::CombinedNumber] = number->AsString();
      }
    }
    cbModemKorzetszam->SetItemIndex(items->IndexOf(remembered));
  } catch (...) {
  }
}

void TFMain::FillPackages() {
  const std::string remembered = cbModemCsomag->Text();
  cbModemCsomag->Clear();
  TStringList* items = cbModemCsomag->Items();
  if (const TAreaCodeRecord* area = SelectedArea()) {
    const std::string& traditional = area->Fields[TAreaCodeRecord::TraditionalNumber];
    const std::string& combined = area->Fields[TAreaCodeRecord::CombinedNumber];
    if (!traditional.empty()) items->AddObject(GetText(100), NewObject<TPackageNumber>(traditional));
    if (!combined.empty()) items->AddObject(GetText(101), NewObject<TPackageNumber>(combined));
  }
  if (items->Count() == 0) return;
  cbModemCsomag->SetItemIndex(remembered.empty() ? 0 : items->IndexOf(remembered));
}
