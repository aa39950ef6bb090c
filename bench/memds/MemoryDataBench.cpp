#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "wizard-components/WkMemDS.h"

namespace {

struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
using Table = std::unique_ptr<TWkMemoryData, FreeObject>;

// A settings table of the wizard's shape (two string fields of 255) with n rows.
Table Fill(int n) {
  Table table(TWkMemoryData::Create(nullptr));
  table->FieldDefs().Add("Nev", ftString, 255);
  table->FieldDefs().Add("Ertek", ftString, 255);
  table->Open();
  TField* name = table->FieldByName("Nev");
  TField* value = table->FieldByName("Ertek");
  for (int i = 0; i < n; ++i) {
    table->Insert();
    name->SetAsString("szoveg" + std::to_string(i));
    value->SetAsString("a text of the wizard, number " + std::to_string(i));
    table->Post();
  }
  return table;
}

void BM_FillByInsertAndPost(benchmark::State& state) {
  for (auto _ : state) {
    Table table = Fill(int(state.range(0)));
    benchmark::DoNotOptimize(table->RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillByInsertAndPost)->Arg(100)->Arg(1000)->Arg(5000);

void BM_WalkReadingFields(benchmark::State& state) {
  Table table = Fill(int(state.range(0)));
  TField* value = table->FieldByName("Ertek");
  for (auto _ : state) {
    std::size_t total = 0;
    for (table->First(); !table->Eof(); table->Next()) total += value->AsString().size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WalkReadingFields)->Arg(1000)->Arg(5000);

// The lookups of the wizard's texts: the first row whose name matches, the last one in table order.
void BM_LocateLastRow(benchmark::State& state) {
  Table table = Fill(int(state.range(0)));
  for (auto _ : state) {
    table->First();
    benchmark::DoNotOptimize(table->Locate("Nev", "szoveg0", 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LocateLastRow)->Arg(1000)->Arg(5000);

}  // namespace
