// Field access on the current row: selecting a field, what is known about it,
// its null and changed state, and its value through the driver.
#include <cstring>

#include "base/VlrSQL.h"
#include "host/sysutils.h"

namespace velar {

// --------------------------------------------------------------- selection

// Read for every field selected by name, so it compares in place.
int TVelarSQL::IndexOfField(std::string_view Name) const {
  for (int i = 0; i < fieldCount_; ++i)
    if (host::AnsiCompareText(fields_[i].Name, Name) == 0) return i;
  return -1;
}

// Only a 32-bit integer is a number: a 16-bit one or a byte is a name, so
// that a field named "2" stays reachable.
bool TVelarSQL::GetFieldInfo(const host::Variant& Field, int* FieldNo, int* Offset) const {
  int number = -1;
  if (Field.Type() == host::varInteger) {
    const std::int32_t n = Field.AsInteger();
    if (n >= 0 && n < fieldCount_) number = n;
  } else if (host::VarIsStr(Field)) {
    number = IndexOfField(Field.TextView());
  } else {
    number = IndexOfField(host::VarToStr(Field));
  }
  if (FieldNo != nullptr) *FieldNo = number;
  if (Offset != nullptr) *Offset = number >= 0 ? fieldOffsets_[number] : 0;
  return number >= 0;
}

const TVelarFieldDesc* TVelarSQL::FieldOf(const host::Variant& Field) const {
  int number = -1;
  return GetFieldInfo(Field, &number) ? &fields_[number] : nullptr;
}

const TVelarFieldDesc& TVelarSQL::Fields(int Index) const {
  if (Index < 0 || Index >= fieldCount_) host::RaiseListIndexError(Index);
  return fields_[Index];
}

std::string TVelarSQL::GetFieldName(int Index) const {
  return Index >= 0 && Index < fieldCount_ ? fields_[Index].Name : std::string();
}

TVelarFieldTypes TVelarSQL::GetFieldType(const host::Variant& Field) const {
  const TVelarFieldDesc* field = FieldOf(Field);
  return field != nullptr ? field->FieldType : ntUnknown;
}

std::int32_t TVelarSQL::GetFieldSize(const host::Variant& Field) const {
  const TVelarFieldDesc* field = FieldOf(Field);
  return field != nullptr ? field->Size : 0;
}

std::int32_t TVelarSQL::GetFieldLength(const host::Variant& Field) const {
  const TVelarFieldDesc* field = FieldOf(Field);
  return field != nullptr ? field->Length : 0;
}

std::int32_t TVelarSQL::GetFieldDecimals(const host::Variant& Field) const {
  const TVelarFieldDesc* field = FieldOf(Field);
  return field != nullptr ? field->Decimals : 0;
}

bool TVelarSQL::GetFieldNulls(const host::Variant& Field) const {
  const TVelarFieldDesc* field = FieldOf(Field);
  return field != nullptr && field->Nulls;
}

// A field number is written as its digits.
void TVelarSQL::RaiseFieldNotFound(const host::Variant& Field) {
  RaiseLastError(host::Format(VlrLoadStr(VELAR_ERR_FIELD_NOT_FOUND), host::VarToStr(Field)));
}

// A field number in range, the way programs reading rows select fields,
// is taken without the general selection.
int TVelarSQL::RequireField(const host::Variant& Field, int& Offset) {
  if (Field.Type() == host::varInteger) {
    const std::int32_t n = Field.AsInteger();
    if (n >= 0 && n < fieldCount_) {
      Offset = fieldOffsets_[n];
      return n;
    }
  }
  int number = -1;
  if (!GetFieldInfo(Field, &number, &Offset)) RaiseFieldNotFound(Field);
  return number;
}

// Long fields keep their data in the stream named after them; asking for
// one that has none raises "Field "%s" is not a blob.".
TVelarBlobStream* TVelarSQL::StreamOf(int FieldNo) const {
  const TVelarFieldDesc& field = fields_[FieldNo];
  if (field.FieldType != ntMemo && field.FieldType != ntBlob) return nullptr;
  return blobManager_->BlobByName(field.Name);
}

// ------------------------------------------------------ null and changes

bool TVelarSQL::IsFieldNull(const host::Variant& Field) {
  int offset = 0;
  return nullIndicators_.Data()[RequireField(Field, offset)] == 1;
}

// A long field counts as changed when its stream was written, as the row
// buffer does not hold its data.
bool TVelarSQL::IsFieldDirty(const host::Variant& Field) {
  int offset = 0;
  const int number = RequireField(Field, offset);
  const TVelarFieldDesc& field = fields_[number];
  const bool nullChanged = nullIndicators_.Data()[number] != oldNullIndicators_.Data()[number];
  if (TVelarBlobStream* stream = StreamOf(number)) return stream->Modified() || nullChanged;
  if (field.Size <= 0) return false;
  return nullChanged || std::memcmp(recordBuffer_.Data() + offset, OldRecordBuffer() + offset,
                                    static_cast<std::size_t>(field.Size)) != 0;
}

bool TVelarSQL::IsDirty() {
  if (!opened_) RaiseMessage(VELAR_ERR_CURS_NOT_OPENED);
  for (int i = 0; i < fieldCount_; ++i)
    if (IsFieldDirty(i)) return true;
  return false;
}

// ------------------------------------------------------------------ values

// The null indicator is not consulted: a null field's slot is zero-filled
// and decodes as the driver decodes zeros.
host::Variant TVelarSQL::ValueFrom(const std::uint8_t* Buffer, const host::Variant& Field) {
  int offset = 0;
  const int number = RequireField(Field, offset);
  const TVelarFieldDesc& field = fields_[number];
  host::Variant value = host::Null();
  GetFieldData(Buffer, offset, field.Size, field.FieldType, StreamOf(number), value);
  return value;
}

host::Variant TVelarSQL::GetFieldValue(const host::Variant& Field) {
  return ValueFrom(recordBuffer_.Data(), Field);
}

host::Variant TVelarSQL::GetOldValue(const host::Variant& Field) {
  return ValueFrom(OldRecordBuffer(), Field);
}

// Only the Null type means null (Empty is a value). No open cursor is needed:
// the dataset fills a row before it appends it.
void TVelarSQL::SetFieldValue(const host::Variant& Field, const host::Variant& Value) {
  if (readOnly_) RaiseMessage(VELAR_ERR_CURS_READ_ONLY);
  int offset = 0;
  const int number = RequireField(Field, offset);
  const TVelarFieldDesc& field = fields_[number];
  if (Value.IsNull()) {
    ClearField(number, offset);
    nullIndicators_.Data()[number] = 1;
    return;
  }
  PutFieldData(recordBuffer_.Data(), offset, field.Size, field.FieldType, Value, StreamOf(number));
  nullIndicators_.Data()[number] = 0;
}

void TVelarSQL::SetNullIndicator(int FieldNo, std::uint8_t Value) {
  if (FieldNo < 0 || FieldNo >= fieldCount_) RaiseFieldNotFound(FieldNo);
  nullIndicators_.Data()[FieldNo] = Value;
}

void TVelarSQL::ClearField(int FieldNo, int Offset) {
  if (FieldNo < 0 || FieldNo >= fieldCount_) RaiseFieldNotFound(FieldNo);
  if (fields_[FieldNo].Size > 0)
    std::memset(recordBuffer_.Data() + Offset, 0, static_cast<std::size_t>(fields_[FieldNo].Size));
}

// Checks neither Opened nor ReadOnly: the dataset prepares rows with it.
void TVelarSQL::ClearFieldNotNull(std::string_view Name) {
  const int number = IndexOfField(Name);
  if (number < 0) return;
  ClearField(number, fieldOffsets_[number]);
  nullIndicators_.Data()[number] = 0;
}

void TVelarSQL::CheckWritable() {
  if (!opened_) RaiseMessage(VELAR_ERR_CURS_NOT_OPENED);
  if (readOnly_) RaiseMessage(VELAR_ERR_CURS_READ_ONLY);
}

// The blob streams keep their data: a long field's null indicator says
// whether its value counts.
void TVelarSQL::ClearRow(std::uint8_t NullIndicator) {
  CheckWritable();
  for (int i = 0; i < fieldCount_; ++i) {
    ClearField(i, fieldOffsets_[i]);
    nullIndicators_.Data()[i] = NullIndicator;
  }
}

void TVelarSQL::Clear() {
  ClearRow(1);
}

void TVelarSQL::ClearNotNull() {
  ClearRow(0);
}

}  // namespace velar
