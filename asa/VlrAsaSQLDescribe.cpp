// Describing a statement: the column type table, the cursor SQLDA that
// takes several rows per fetch, and the host-variable answers.
#include <algorithm>
#include <cstring>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// The most entries an SQLDA can count (its sqln is 16 bits).
constexpr int kMaxSqldaEntries = 32767;
// Row room of a short host value: its 16-bit length field.
constexpr int kMaxShortLength = 32767;

}  // namespace

// Maps one described column onto a field and onto the type it is fetched
// as, then rewrites the entry to fetch that type (nullable when the column
// is). Fields the table does not set keep what they held. A text column
// takes its length plus a terminator, cut to what a 16-bit length holds.
bool TAsaSQL::InternalSetFieldDef(int Index, void* Description, TVelarFieldDesc& Field,
                                  int LongSize) {
  sqlvar& entry = static_cast<sqlda*>(Description)->sqlvar[Index];
  const int type = entry.sqltype & DBT_TYPE_MASK;
  const int length = entry.sqllen;
  const auto set = [&Field](TVelarFieldTypes FieldType, int ExtType, int Size) {
    Field.FieldType = FieldType;
    Field.ExtType = ExtType;
    Field.Size = Size;
  };
  switch (type) {
    case DBT_VARCHAR:
    case DBT_FIXCHAR:
    case DBT_STRING:
      set(ntString, DBT_STRING, std::min(length + 1, kMaxShortLength));
      Field.Length = length;
      break;
    case DBT_LONGVARCHAR:
      set(ntMemo, DBT_STRING, LongSize);
      break;
    case DBT_LONGBINARY:
      // With its length word, so that a value the row holds whole reads
      // back with its own length rather than the slot's.
      set(ntBlob, DBT_BINARY, LongSize);
      break;
    case DBT_INT:
    case DBT_SMALLINT:
    case DBT_TINYINT:
    case DBT_UNSINT:
    case DBT_UNSSMALLINT:
      set(ntInteger, DBT_INT, 4);
      Field.Length = 10;
      break;
    case DBT_DOUBLE:
    case DBT_FLOAT:
    case DBT_BIGINT:
    case DBT_UNSBIGINT:
      set(ntFloat, DBT_DOUBLE, 8);
      Field.Length = 10;
      break;
    case DBT_DECIMAL: {
      const int scale = (length >> 8) & 0xFF;
      set(scale == 4 ? ntCurrency : ntFloat, DBT_DOUBLE, 8);
      Field.Length = 10;
      Field.Decimals = scale;
      break;
    }
    case DBT_DATE:
      set(ntDate, DBT_TIMESTAMP_STRUCT, 14);
      Field.Length = 10;
      break;
    case DBT_TIME:
      set(ntTime, DBT_TIMESTAMP_STRUCT, 14);
      Field.Length = 8;
      break;
    case DBT_TIMESTAMP_STRUCT:
    case DBT_TIMESTAMP:
      set(ntDateTime, DBT_TIMESTAMP_STRUCT, 14);
      Field.Length = 19;
      break;
    case DBT_BINARY:
      set(ntBinary, DBT_BINARY, std::min(length + 2, kMaxShortLength));
      Field.Length = length;
      break;
    case DBT_BIT:
      set(ntBoolean, DBT_BIT, 1);
      Field.Length = 5;
      break;
    default:
      set(ntUnknown, 0, 0);
      break;
  }
  Field.Nulls = (entry.sqltype & DBT_NULLABLE) != 0;
  const std::size_t nameLength = std::min<std::size_t>(
      static_cast<std::size_t>(std::max<std::int16_t>(entry.sqlname.length, 0)),
      sizeof entry.sqlname.data);
  std::memcpy(Field.Name, entry.sqlname.data, nameLength);
  Field.Name[nameLength] = '\0';
  entry.sqltype = static_cast<std::int16_t>(Field.ExtType | (Field.Nulls ? DBT_NULLABLE : 0));
  entry.sqllen = static_cast<std::int16_t>(Field.Size);
  return true;
}

// The name is at most 30 characters and not terminated; the field's room
// holds more.
void TAsaSQL::CopyName(const sqlname& Source, char* Name) {
  const std::size_t length = std::min<std::size_t>(
      static_cast<std::size_t>(std::max<std::int16_t>(Source.length, 0)), sizeof Source.data);
  std::memcpy(Name, Source.data, length);
  Name[length] = '\0';
}

// Counts the entries a describe of statement Number gives, through an
// empty descriptor of its own; false when the library refused.
bool TAsaSQL::CountDescribed(std::int16_t* Number, std::uint16_t What, std::uint32_t Mark,
                             int& Count) {
  {
    TAsaDescriptor probe(0);
    Procs().dbpp_describe(Ca(), nullptr, szVelarLibraryName, Number, probe.get(), What);
    Count = probe->sqld;
  }
  return CheckCall(Mark);
}

// Describes statement Number into a new descriptor of Count entries.
void TAsaSQL::DescribeInto(std::int16_t* Number, std::uint16_t What, int Count,
                           sqlda*& Descriptor) {
  FreeSqlda(Descriptor);
  Descriptor = AllocSqlda(Count);
  Procs().dbpp_describe(Ca(), nullptr, szVelarLibraryName, Number, Descriptor, What);
}

// The field descriptors are a fixed array: a wider result is refused
// rather than described past its end.
void TAsaSQL::CheckFieldLimit(int Count) {
  if (Count > VelarMaxItems)
    RaiseLastError<EAsaException>(
        host::Format(VlrLoadStr(VELAR_ERR_TOO_MANY_FIELDS), Count, VelarMaxItems));
}

// MaxFetchCount rows, as far as the SQLDA can count their entries.
int TAsaSQL::RowsPerFetch(int Count) const {
  if (Count <= 0) return MaxFetchCount();
  return std::max(1, std::min(MaxFetchCount(), kMaxSqldaEntries / Count));
}

bool TAsaSQL::HasLongField() const {
  for (int i = 0; i < fieldCount_; ++i)
    if (fields_[i].FieldType == ntMemo || fields_[i].FieldType == ntBlob) return true;
  return false;
}

// Row 0 of the cursor SQLDA was described; its entries become the fields,
// the entries of the other rows repeat them, and every entry points at its
// column of its row in the fetch buffer. Long columns get their streams.
void TAsaSQL::LayOutCursor() {
  recordSize_ = 0;
  for (int row = 0; row < fetchRows_; ++row) {
    for (int column = 0; column < fieldCount_; ++column) {
      sqlvar& entry = cursorSqlda_->sqlvar[row * fieldCount_ + column];
      if (row == 0) {
        InternalSetFieldDef(column, cursorSqlda_, fields_[column], BlobSize() + 4);
        recordSize_ += fields_[column].Size;
      } else {
        const sqlvar& first = cursorSqlda_->sqlvar[column];
        entry.sqltype = first.sqltype;
        entry.sqllen = first.sqllen;
        entry.sqlname = first.sqlname;
      }
    }
  }
  InternalAllocOpenBuffer();
  BlobManager()->Clear();
  std::uint8_t* data = fetchBuffer_.Data();
  for (int row = 0; row < fetchRows_; ++row) {
    for (int column = 0; column < fieldCount_; ++column) {
      cursorSqlda_->sqlvar[row * fieldCount_ + column].sqldata = data;
      data += fields_[column].Size;
    }
  }
  for (int column = 0; column < fieldCount_; ++column)
    if (fields_[column].FieldType == ntMemo || fields_[column].FieldType == ntBlob)
      InternalCreateBlobStream(fields_[column].Name);
}

// Counts the columns into an empty SQLDA, then describes them into one of
// FieldCount x FetchRows entries.
bool TAsaSQL::InternalDescribePrepare() {
  const std::uint32_t mark = ReleaseMark();
  FreeSqlda(cursorSqlda_);
  int count = 0;
  if (!CountDescribed(&stmtNum_, DBDESC_OUTPUT, mark, count)) return false;
  CheckFieldLimit(count);
  fieldCount_ = count;
  fetchRows_ = RowsPerFetch(count);
  DescribeInto(&stmtNum_, DBDESC_OUTPUT, count * fetchRows_, cursorSqlda_);
  cursorSqlda_->sqld = cursorSqlda_->sqln;
  LayOutCursor();
  return true;
}

// The cursor is described by its name; a cursor for writing, or one with a
// long column, fetches one row at a time.
bool TAsaSQL::InternalDescribeOpen(bool ReadMode) {
  const std::uint32_t mark = ReleaseMark();
  FreeSqlda(cursorSqlda_);
  InternalFreeOpenBuffer();
  cursorSqlda_ = AllocSqlda(0);
  Procs().dbpp_describe_cursor(Ca(), cursorName_, cursorSqlda_, DBDESC_OUTPUT);
  if (!CheckCall(mark)) return false;
  const int count = cursorSqlda_->sqld;
  FreeSqlda(cursorSqlda_);
  CheckFieldLimit(count);
  cursorSqlda_ = AllocSqlda(count);
  Procs().dbpp_describe_cursor(Ca(), cursorName_, cursorSqlda_, DBDESC_OUTPUT);
  int rows = ReadMode ? RowsPerFetch(count) : 1;
  for (int column = 0; column < count && rows > 1; ++column) {
    const int type = cursorSqlda_->sqlvar[column].sqltype & DBT_TYPE_MASK;
    if (type == DBT_LONGVARCHAR || type == DBT_LONGBINARY) rows = 1;
  }
  if (rows > 1) {
    FreeSqlda(cursorSqlda_);
    cursorSqlda_ = AllocSqlda(count * rows);
    Procs().dbpp_describe_cursor(Ca(), cursorName_, cursorSqlda_, DBDESC_OUTPUT);
  }
  cursorSqlda_->sqld = cursorSqlda_->sqln;
  fieldCount_ = count;
  fetchRows_ = rows;
  LayOutCursor();
  return true;
}

// ------------------------------------------------------- host variables

// Texts travel with their terminator; byte strings and long values in a
// binary variable, the most a 16-bit length can hold.
int TAsaSQL::InternalGetVariableLength(TVelarFieldTypes FieldType) {
  switch (FieldType) {
    case ntString:
      return 8193;
    case ntInteger:
      return 4;
    case ntFloat:
    case ntCurrency:
      return 8;
    case ntDate:
    case ntTime:
    case ntDateTime:
      return 14;
    case ntBoolean:
      return 1;
    case ntBinary:
    case ntMemo:
    case ntBlob:
      return kMaxShortLength;
    case ntUnknown:
      break;
  }
  return 0;
}

int TAsaSQL::InternalGetVariableExtType(TVelarFieldTypes FieldType) {
  switch (FieldType) {
    case ntString:
    case ntMemo:
      return DBT_STRING;
    case ntInteger:
      return DBT_INT;
    case ntFloat:
    case ntCurrency:
      return DBT_DOUBLE;
    case ntDate:
    case ntTime:
    case ntDateTime:
      return DBT_TIMESTAMP_STRUCT;
    case ntBoolean:
      return DBT_BIT;
    case ntBinary:
    case ntBlob:
      return DBT_BINARY;
    case ntUnknown:
      break;
  }
  return 0;
}

}  // namespace velar
