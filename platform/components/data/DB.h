// Shared vocabulary of the dataset framework: field types, dataset states, record navigation modes,
// data events, bookmark flags, blob stream modes, and the database error with the framework's messages.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"

class TComponent;

VCL_EXCEPTION(EDatabaseError, Exception);

// Field types, in the framework's order.
enum TFieldType : uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid
};
constexpr int kFieldTypeCount = ftGuid + 1;
// The type's name as the framework writes it ("String", "Integer", ...).
std::string_view FieldTypeName(TFieldType type);
// The blob types: values kept outside the record data.
bool IsBlobType(TFieldType type);

enum TDataSetState : uint8_t {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };

// Where a record buffer stands: on a stored record, before the first, after the last, or a new row.
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TDataEvent : uint8_t {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll
};

enum TBlobStreamMode : uint8_t { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

// What an OnPostError, OnEditError or OnDeleteError handler decides.
enum TDataAction : uint8_t { daFail, daAbort, daRetry };

// Options of Locate.
using TLocateOptions = uint8_t;
constexpr TLocateOptions loCaseInsensitive = 1;
constexpr TLocateOptions loPartialKey = 2;

// The framework's messages.
namespace DBMessages {
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* DataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* RecordNotFound = "Record not found";
inline constexpr const char* FieldNotFound = "Field '%s' not found";
inline constexpr const char* FieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* FieldRequired = "Field '%s' must have a value";
inline constexpr const char* FieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* FieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* UnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* InvalidCalcType = "Field '%s' cannot be a calculated or lookup field";
inline constexpr const char* DuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* DataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* InvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* InvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* InvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* FieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* FieldIndexError = "Field index out of range";
inline constexpr const char* InvalidFieldSize = "Invalid field size";
inline constexpr const char* RecordTooLarge = "Record data of %d bytes exceeds the limit of 65535 bytes";
}  // namespace DBMessages

// Raises EDatabaseError with the message, prefixed by "Name: " when a named component is given.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(std::string_view format, TVarRecs args, const TComponent* component = nullptr);
