#include "wizard-components/DBUtils.h"

#include <vector>

#include "platform/runtime/Collation.h"

namespace {

bool FieldMatches(const TField* field, const Variant& key, TLocateOptions options) {
  if (field->DataType() != ftString) return field->Value() == key;
  std::string text = field->AsString();
  std::string keyText = key.AsString();
  if (options & loPartialKey) text.resize(std::min(text.size(), keyText.size()));
  int order = (options & loCaseInsensitive) ? AnsiCompareText(text, keyText) : AnsiCompareStr(text, keyText);
  return order == 0;
}

bool RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) {
  if (fields.size() == 1) return FieldMatches(fields[0], keyValues, options);
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (!FieldMatches(fields[i], keyValues[int(i)], options)) return false;
  return true;
}

}  // namespace

bool LocateThrough(TDataSet* dataSet, const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
  dataSet->CheckBrowseMode();
  if (dataSet->Bof() && dataSet->Eof()) return false;
  std::vector<TField*> fields;
  dataSet->GetFieldList(fields, keyFields);
  if (RecordMatches(fields, keyValues, options)) return true;

  bool found = false;
  dataSet->DisableControls();
  TBookmark current = dataSet->GetBookmark();
  auto restore = [&] {
    if (!found && dataSet->BookmarkValid(current)) dataSet->GotoBookmark(current);
  };
  try {
    dataSet->First();
    while (!dataSet->Eof()) {
      if (RecordMatches(fields, keyValues, options)) {
        found = true;
        break;
      }
      dataSet->Next();
    }
  } catch (...) {
    try {
      restore();
    } catch (...) {
      // The walk's own error is the one to report.
    }
    dataSet->EnableControls();
    throw;
  }
  try {
    restore();
  } catch (...) {
    dataSet->EnableControls();
    throw;
  }
  dataSet->EnableControls();
  return found;
}
