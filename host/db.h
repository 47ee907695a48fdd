// The record-set framework's shared vocabulary: states, data events, the
// values of the record-buffer protocol, field types, event signatures, the
// data-format records that fields exchange with their data set, and the
// framework's database errors.
//
// Buffers. A record buffer (TRecordBuffer, a char*) is one block whose layout
// belongs to the data set that allocated it through AllocRecordBuffer; the
// framework moves only the pointers. A field buffer (void*) is what a field
// hands to GetFieldData and SetFieldData, in the field type's data format:
//
//   string             zero-terminated characters, DataSize (= Size + 1) bytes
//   integer            32-bit signed
//   float, currency    64-bit IEEE double
//   boolean            16 bits, 0 = False, anything else = True
//   date               TDateTimeRec, Date = time-stamp day (1 January 0001 = 1)
//   time               TDateTimeRec, Time = milliseconds since midnight
//   date and time      TDateTimeRec, DateTime = the time stamp in milliseconds
//   fixed-length bytes DataSize (= Size) bytes
//   memo, blob         none: values travel through CreateBlobStream
//
// The date and time buffers are always 8 bytes, of which a date or time field
// counts 4 as its DataSize (the size of its calculated-field slot).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "host/exceptions.h"
#include "host/resstr.h"
#include "host/sysutils.h"

namespace host {

class TComponent;
class TDataSet;
class TDataSource;
class TField;
class TObject;
struct TEnumTypeInfo;

using TRecordBuffer = char*;

// A position in a data set: BookmarkSize bytes that the data set stamped into
// a record buffer; empty means no bookmark.
using TBookmark = std::string;

enum TDataSetState : std::uint8_t {
  dsInactive,    // 0 closed
  dsBrowse,      // 1 open, moving between records
  dsEdit,        // 2 the active record is being changed
  dsInsert,      // 3 a new record is being made
  dsSetKey,      // 4 search keys are being entered
  dsCalcFields,  // 5 calculated fields of CalcBuffer are being computed
  dsFilter,      // 6 a record is being tested by a filter
  dsNewValue,    // 7 fields read and write a record's new values
  dsOldValue,    // 8 fields read a record's old values
};

// What a data set tells its data sources and their links. The Info that goes
// with an event: the TField* for deFieldChange, deFocusControl (a TField**)
// and deRecordChange (nullptr for the whole record); the scroll distance for
// deDataSetScroll; 0 otherwise.
enum TDataEvent : std::uint8_t {
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
};

// GetRecord: which record to read into the buffer, and what came of it.
enum TGetMode : std::uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : std::uint8_t { grOK, grBOF, grEOF, grError };

// Where a buffer's record stands: on a record, before the first, after the
// last, or newly inserted (its bookmark then names the record it went before).
enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

// What an error handler asks for after a failed edit, post or delete.
enum TDataAction : std::uint8_t { daFail, daAbort, daRetry };

enum TBlobStreamMode : std::uint8_t { bmRead, bmWrite, bmReadWrite };

enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup };

enum TFieldType : std::uint8_t {
  ftUnknown,   // 0
  ftString,    // 1
  ftSmallint,  // 2
  ftInteger,   // 3
  ftWord,      // 4
  ftBoolean,   // 5
  ftFloat,     // 6
  ftCurrency,  // 7
  ftBCD,       // 8
  ftDate,      // 9
  ftTime,      // 10
  ftDateTime,  // 11
  ftBytes,     // 12
  ftVarBytes,  // 13
  ftAutoInc,   // 14
  ftBlob,      // 15
  ftMemo,      // 16
  ftGraphic,   // 17
  ftFmtMemo,   // 18
};

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Resync: rmExact re-reads the driver's current record and fails when it is
// gone; rmCenter puts it in the middle of the window.
enum TResyncOption : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// Locate: compare text without case, and let a key match a value's beginning.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// TFieldDef attributes, bit n for value n.
enum TFieldAttribute : std::uint8_t {
  faHiddenCol,
  faReadonly,
  faRequired,
  faLink,
  faUnNamed,
  faFixed
};
using TFieldAttributes = std::uint8_t;

// Which SQL statements a field takes part in when a provider resolves changes.
enum TProviderFlag : std::uint8_t { pfInUpdate, pfInWhere, pfInKey, pfHidden };
using TProviderFlags = std::uint8_t;

// Makes a field of one class, owned by Owner.
using TFieldFactory = TField* (*)(TComponent* Owner);

using TDataSetNotifyEvent = std::function<void(TDataSet*)>;
using TDataSetErrorEvent = std::function<void(TDataSet*, EDatabaseError&, TDataAction&)>;
using TFieldNotifyEvent = std::function<void(TField*)>;
using TFieldGetTextEvent = std::function<void(TField*, std::string&, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField*, const std::string&)>;
using TDataChangeEvent = std::function<void(TObject*, TField*)>;

// The field buffer of date, time and date-and-time fields.
union TDateTimeRec {
  std::int32_t Date;  // time-stamp day, for a date field
  std::int32_t Time;  // milliseconds since midnight, for a time field
  double DateTime;    // milliseconds of the whole time stamp
};
static_assert(sizeof(TDateTimeRec) == 8);

// The value names for form files and designers.
const TEnumTypeInfo& FieldTypeInfo();
const TEnumTypeInfo& FieldKindInfo();
const TEnumTypeInfo& AlignmentInfo();
const TEnumTypeInfo& FieldAttributesInfo();
const TEnumTypeInfo& ProviderFlagsInfo();
// "String", "Integer", ... as messages name a field type.
std::string FieldTypeName(TFieldType Type);

// ------------------------------------------------------------------- errors

// The framework's messages, as resource strings of module "host" that a
// translation may replace (host/resstr.h).
inline constexpr char kDbResourceModule[] = "host";
inline constexpr TResStringRec SCircularDataLink{kDbResourceModule, 4001,
                                                 "Circular data links are not allowed"};
inline constexpr TResStringRec SFieldNotFound{kDbResourceModule, 4002, "Field '%s' not found"};
inline constexpr TResStringRec SDataSetClosed{kDbResourceModule, 4003,
                                              "Cannot perform this operation on a closed data set"};
inline constexpr TResStringRec SDataSetOpen{kDbResourceModule, 4004,
                                            "Cannot perform this operation on an open data set"};
inline constexpr TResStringRec SNotEditing{kDbResourceModule, 4005,
                                           "Data set not in edit or insert mode"};
inline constexpr TResStringRec SDataSetEmpty{kDbResourceModule, 4006,
                                             "Cannot perform this operation on an empty data set"};
inline constexpr TResStringRec SDataSetReadOnly{kDbResourceModule, 4007,
                                                "Cannot modify a read-only data set"};
inline constexpr TResStringRec SFieldReadOnly{kDbResourceModule, 4008,
                                              "Field '%s' cannot be modified"};
inline constexpr TResStringRec SFieldRequired{kDbResourceModule, 4009,
                                              "Field '%s' must have a value"};
inline constexpr TResStringRec SRecordNotFound{kDbResourceModule, 4010, "Record not found"};
inline constexpr TResStringRec SFieldTypeMismatch{
    kDbResourceModule, 4011, "Type mismatch for field '%s', expecting: %s actual: %s"};
inline constexpr TResStringRec SFieldSizeMismatch{
    kDbResourceModule, 4012, "Size mismatch for field '%s', expecting: %d actual: %d"};
inline constexpr TResStringRec SFieldAccessError{kDbResourceModule, 4013,
                                                 "Cannot access field '%s' as type %s"};
inline constexpr TResStringRec SFieldRangeError{
    kDbResourceModule, 4014,
    "%s is not a valid value for field '%s'. The allowed range is %s to %s"};
inline constexpr TResStringRec SInvalidFieldValue{kDbResourceModule, 4015,
                                                  "'%s' is not a valid %s value for field '%s'"};
inline constexpr TResStringRec SDuplicateFieldName{kDbResourceModule, 4016,
                                                   "Duplicate field name '%s'"};
inline constexpr TResStringRec SDataSetMissing{kDbResourceModule, 4017,
                                               "Field '%s' has no data set"};
inline constexpr TResStringRec SLookupInfoError{kDbResourceModule, 4018,
                                                "Lookup information for field '%s' is incomplete"};
inline constexpr TResStringRec SFieldIndexError{kDbResourceModule, 4019,
                                                "Field index out of range"};
inline constexpr TResStringRec SBookmarkNotFound{kDbResourceModule, 4020, "Bookmark not found"};
inline constexpr TResStringRec SNoBlobStream{kDbResourceModule, 4021,
                                             "Data set cannot make a stream for field '%s'"};
inline constexpr TResStringRec SFieldDefNotFound{kDbResourceModule, 4022,
                                                 "Field definition '%s' not found"};
inline constexpr TResStringRec SInvalidFieldSize{kDbResourceModule, 4023,
                                                 "Invalid size %d for field '%s'"};

// Raises EDatabaseError with Message, prefixed "Name: " when Component has a
// name, so that the user knows which data set or field refused.
[[noreturn]] void DatabaseError(const std::string& Message, const TComponent* Component = nullptr);
// The same with a message of the table filled by Format.
[[noreturn]] void DatabaseErrorFmt(const TResStringRec& Message,
                                   std::initializer_list<FormatArg> Args,
                                   const TComponent* Component = nullptr);

}  // namespace host
