// Helpers for the in-memory table's tests.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "wizard-components/WkMemDS.h"

struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
using MemoryDataPtr = std::unique_ptr<TWkMemoryData, FreeObject>;

// An open table of string fields of size 255 (the wizard's kind).
MemoryDataPtr StringTable(const std::vector<std::string>& fieldNames);
// Insert, assign every field as text, Post.
void InsertRow(TWkMemoryData& table, const std::vector<std::string>& values);
// The values of every row from the first, fields joined by "|".
std::vector<std::string> WalkRows(TWkMemoryData& table);
// The current row's fields joined by "|".
std::string CurrentRow(TWkMemoryData& table);

// Collects what reaches the application's exception handler while it lives.
class CaughtExceptions {
 public:
  CaughtExceptions();
  ~CaughtExceptions();
  std::vector<std::string> messages;
};
