#include "WkMemDSTestSupport.h"

#include <exception>

#include "platform/components/Application.h"

MemoryDataPtr StringTable(const std::vector<std::string>& fieldNames) {
  MemoryDataPtr table(TWkMemoryData::Create(nullptr));
  for (const auto& name : fieldNames) table->FieldDefs().Add(name, ftString, 255);
  table->Open();
  return table;
}

void InsertRow(TWkMemoryData& table, const std::vector<std::string>& values) {
  table.Insert();
  for (std::size_t i = 0; i < values.size(); ++i) table.Fields()[int(i)]->SetAsString(values[i]);
  table.Post();
}

std::string CurrentRow(TWkMemoryData& table) {
  std::string row;
  for (int i = 0; i < table.FieldCount(); ++i) row += (i ? "|" : "") + table.Fields()[i]->AsString();
  return row;
}

std::vector<std::string> WalkRows(TWkMemoryData& table) {
  std::vector<std::string> rows;
  for (table.First(); !table.Eof(); table.Next()) rows.push_back(CurrentRow(table));
  return rows;
}

CaughtExceptions::CaughtExceptions() {
  Application->OnException = [this](TObject*, const std::exception& e) { messages.push_back(e.what()); };
}

CaughtExceptions::~CaughtExceptions() { Application->OnException = nullptr; }
