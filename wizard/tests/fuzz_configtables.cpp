// Fuzz target: any deciphered configuration through the tables, the area codes, the packages and the
// text and setting lookups of the main form. Filling may fail with an exception (the program then ends);
// nothing else may go wrong.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/components/Application.h"
#include "wizard/Main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFMain* form = [] {
    Application->SetCommandLine("C:\\Selvaring\\Selvaring.exe");
    return NewObject<TFMain>(Application);
  }();
  for (TWkMemoryData* table : {form->qyModemTelefontarsasag, form->qyModemMuvelet, form->qyBeallitas, form->qySzoveg})
    table->Close();
  try {
    form->Parser()->SetXml(std::string(reinterpret_cast<const char*>(data), size));
    form->LoadTables();
  } catch (const std::exception&) {
  }
  form->FillAreaCodes();
  for (int i = 0; i < form->cbModemKorzetszam->Items()->Count(); ++i) {
    form->cbModemKorzetszam->SetItemIndex(i);
    form->FillPackages();
  }
  for (bool testMode : {false, true}) {
    form->SetTextTestMode(testMode);
    for (int id : {1, 59, 100, 101}) form->GetText(id);
  }
  form->GetSetting("letoltesurl");
  return 0;
}
