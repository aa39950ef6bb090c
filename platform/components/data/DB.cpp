#include "platform/components/data/DB.h"

#include "platform/runtime/Classes.h"

namespace {
constexpr std::string_view kTypeNames[kFieldTypeCount] = {
    "Unknown", "String",     "SmallInt", "Integer",     "Word",     "Boolean",   "Float",      "Currency",  "BCD",
    "Date",    "Time",       "DateTime", "Bytes",       "VarBytes", "AutoInc",   "Blob",       "Memo",      "Graphic",
    "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor",   "FixedChar", "WideString", "Largeint",  "ADT",
    "Array",   "Reference",  "DataSet",  "OraBlob",     "OraClob",  "Variant",   "Interface",  "IDispatch", "Guid"};
}  // namespace

std::string_view FieldTypeName(TFieldType type) {
  return type < kFieldTypeCount ? kTypeNames[type] : std::string_view("Unknown");
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob: return true;
    default: return false;
  }
}

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

void DatabaseErrorFmt(std::string_view format, TVarRecs args, const TComponent* component) {
  DatabaseError(Format(format, args), component);
}
