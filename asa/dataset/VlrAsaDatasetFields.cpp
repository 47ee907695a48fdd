// TAsaDataset: field values between the record buffer (the statement's row
// formats) and the framework's fields (their field-buffer formats), text
// conversion, and the blob streams of memo and blob fields.
#include <cmath>
#include <cstring>

#include "asa/dataset/VlrAsaDataset.h"
#include "asa/dataset/VlrAsaDatasetLink.h"
#include "asa/dataset/VlrAsaDatasetSQL.h"
#include "host/fields.h"

namespace velar {

namespace {

// Columns are located through the statement on every access, by the field
// number's column.
const std::uint8_t* ColumnOf(const TAsaSQL& Statement, host::TRecordBuffer Buffer, int Column) {
  int offset = 0;
  Statement.GetFieldInfo(host::Variant(Column), nullptr, &offset);
  return reinterpret_cast<const std::uint8_t*>(Buffer) + offset;
}

TAsaTimeStamp StampAt(const std::uint8_t* Column) {
  TAsaTimeStamp stamp;
  std::memcpy(&stamp, Column, sizeof stamp);
  return stamp;
}

void PutStampAt(std::uint8_t* Column, host::TDateTime Value) {
  TAsaTimeStamp stamp = StampAt(Column);
  PutAsaTimeStamp(stamp, Value);
  std::memcpy(Column, &stamp, sizeof stamp);
}

bool IsCalculatedState(host::TDataSetState State) {
  return State == host::dsBrowse || State == host::dsEdit || State == host::dsInsert ||
         State == host::dsCalcFields;
}

}  // namespace

// Old and new values read the active record too: a field's old value is its
// current one.
bool TAsaDataset::GetStateBuffer(host::TRecordBuffer& Buffer) {
  switch (State()) {
    case host::dsBrowse:
      Buffer = IsEmpty() ? nullptr : ActiveBuffer();
      break;
    case host::dsEdit:
    case host::dsInsert:
    case host::dsNewValue:
    case host::dsOldValue:
      Buffer = ActiveBuffer();
      break;
    case host::dsCalcFields:
      Buffer = CalcBuffer();
      break;
    default:
      Buffer = nullptr;
      break;
  }
  return Buffer != nullptr;
}

bool TAsaDataset::GetFieldData(host::TField* Field, void* Buffer) {
  host::TRecordBuffer record = nullptr;
  if (!GetStateBuffer(record)) return false;
  if (Field->FieldNo() >= 1) {
    const int column = Field->FieldNo() - 1;
    if (record[nullOffset_ + column] != 0) return false;
    if (Buffer != nullptr) RecordToField(Field, ColumnOf(*statement_, record, column), Buffer);
    return true;
  }
  if (!IsCalculatedState(State())) return false;
  const char* slot = record + statement_->RecordSize() + Field->Offset();
  if (slot[0] == 0) return false;
  if (Buffer != nullptr) std::memcpy(Buffer, slot + 1, static_cast<std::size_t>(Field->DataSize()));
  return true;
}

// Without a record of the current state there is nothing to write into: the
// framework's own checks let such a write through only in states this
// dataset does not edit in, and it is refused like any write outside
// editing.
void TAsaDataset::SetFieldData(host::TField* Field, const void* Buffer) {
  host::TRecordBuffer record = nullptr;
  if (!GetStateBuffer(record)) host::DatabaseError(host::LoadResString(host::SNotEditing), this);
  if (Field->FieldNo() >= 1) {
    const int column = Field->FieldNo() - 1;
    if (Buffer != nullptr) {
      auto* at = const_cast<std::uint8_t*>(ColumnOf(*statement_, record, column));
      FieldToRecord(Field, at, Buffer);
      record[nullOffset_ + column] = 0;
    } else {
      record[nullOffset_ + column] = 1;
    }
  } else {
    char* slot = record + statement_->RecordSize() + Field->Offset();
    slot[0] = Buffer != nullptr ? 1 : 0;
    if (Buffer != nullptr)
      std::memcpy(slot + 1, Buffer, static_cast<std::size_t>(Field->DataSize()));
  }
  if (State() != host::dsCalcFields && State() != host::dsNewValue)
    DataEvent(host::deFieldChange, reinterpret_cast<std::intptr_t>(Field));
}

// ------------------------------------------------------------ conversions

void TAsaDataset::RecordToField(host::TField* Field, const std::uint8_t* Column,
                                void* Buffer) const {
  const auto size = static_cast<std::size_t>(Field->DataSize());
  switch (statement_->Fields(Field->FieldNo() - 1).FieldType) {
    case ntString:
    case ntInteger:
    case ntFloat:
    case ntCurrency:
      std::memcpy(Buffer, Column, size);
      break;
    case ntDate: {
      const std::int32_t day = host::DateTimeToTimeStamp(GetAsaTimeStamp(StampAt(Column))).Date;
      std::memcpy(Buffer, &day, sizeof day);
      break;
    }
    case ntTime: {
      const std::int32_t msecs = host::DateTimeToTimeStamp(GetAsaTimeStamp(StampAt(Column))).Time;
      std::memcpy(Buffer, &msecs, sizeof msecs);
      break;
    }
    case ntDateTime: {
      const double msecs =
          host::TimeStampToMSecs(host::DateTimeToTimeStamp(GetAsaTimeStamp(StampAt(Column))));
      std::memcpy(Buffer, &msecs, sizeof msecs);
      break;
    }
    case ntBoolean: {
      const std::int16_t value = Column[0] != 0 ? 1 : 0;
      std::memcpy(Buffer, &value, sizeof value);
      break;
    }
    case ntBinary:
      std::memcpy(Buffer, Column + 2, size);
      break;
    default:
      break;
  }
}

// A time goes to 30 December 1899 and a date to midnight; a date and time
// the framework's buffer cannot express as a time stamp is stored as the
// first moment of the calendar instead of failing the post.
void TAsaDataset::FieldToRecord(host::TField* Field, std::uint8_t* Column,
                                const void* Buffer) const {
  const auto size = static_cast<std::size_t>(Field->DataSize());
  switch (statement_->Fields(Field->FieldNo() - 1).FieldType) {
    case ntString:
      std::memcpy(Column, Buffer, size - 1);
      break;
    case ntInteger:
    case ntFloat:
    case ntCurrency:
      std::memcpy(Column, Buffer, size);
      break;
    case ntDate: {
      host::TTimeStamp stamp;
      std::memcpy(&stamp.Date, Buffer, sizeof stamp.Date);
      stamp.Time = 0;
      PutStampAt(Column, host::TimeStampToDateTime(stamp));
      break;
    }
    case ntTime: {
      host::TTimeStamp stamp;
      stamp.Date = host::DateDelta;
      std::memcpy(&stamp.Time, Buffer, sizeof stamp.Time);
      PutStampAt(Column, host::TimeStampToDateTime(stamp));
      break;
    }
    case ntDateTime: {
      double msecs = 0;
      std::memcpy(&msecs, Buffer, sizeof msecs);
      host::TDateTime value = -static_cast<host::TDateTime>(host::DateDelta);
      try {
        value = host::TimeStampToDateTime(host::MSecsToTimeStamp(std::round(msecs)));
      } catch (const host::Exception&) {
      }
      PutStampAt(Column, value);
      break;
    }
    case ntBoolean: {
      std::int16_t value = 0;
      std::memcpy(&value, Buffer, sizeof value);
      Column[0] = value != 0 ? 1 : 0;
      break;
    }
    case ntBinary: {
      const auto length = static_cast<std::uint16_t>(size);
      std::memcpy(Column, &length, sizeof length);
      std::memcpy(Column + 2, Buffer, size);
      break;
    }
    default:
      break;
  }
}

int TAsaDataset::Translate(const char* Src, char* Dest, bool ToOem) {
  const int length = host::TDataSet::Translate(Src, Dest, ToOem);
  if (TVelarSession* session = statement_->SessionLink())
    session->TranslateChar(Dest, Dest, static_cast<std::size_t>(length), ToOem);
  return length;
}

// ------------------------------------------------------------- blob values

std::unique_ptr<host::TStream> TAsaDataset::CreateBlobStream(host::TField* Field,
                                                             host::TBlobStreamMode Mode) {
  auto* blob = dynamic_cast<host::TBlobField*>(Field);
  if (blob == nullptr) throw host::EInvalidCast("Invalid class typecast");
  UpdateCursorPos();
  if ((State() == host::dsEdit || State() == host::dsInsert) && ActiveBuffer() == editBuffer_)
    RestoreBlobs();
  return std::make_unique<TAsaDatasetBlobStream>(blob, Mode);
}

void TAsaDataset::KeepBlob(int FieldNo, const TVelarBlobStream& Blob) {
  ForgetBlob(FieldNo);
  keptBlobs_.push_back({FieldNo, Blob.FieldName(),
                        std::string(reinterpret_cast<const char*>(Blob.Memory()),
                                    static_cast<std::size_t>(Blob.DataSize()))});
}

void TAsaDataset::ForgetBlob(int FieldNo) {
  std::erase_if(keptBlobs_, [FieldNo](const TKeptBlob& Kept) { return Kept.FieldNo == FieldNo; });
}

// A stream that still holds what was written is left as it is.
void TAsaDataset::RestoreBlobs() {
  for (const TKeptBlob& kept : keptBlobs_) {
    TVelarBlobStream* blob = statement_->BlobManager()->BlobByName(kept.FieldName);
    if (blob->Modified()) continue;
    blob->Clear();
    blob->Write(kept.Bytes.data(), static_cast<std::int64_t>(kept.Bytes.size()));
  }
}

// A control showing several records makes each active for a moment while
// the record is edited; only the edited one gets its kept values back.
void TAsaDataset::InternalCancel() {
  keptBlobs_.clear();
  editBuffer_ = nullptr;
}

void TAsaDataset::InternalEdit() {
  keptBlobs_.clear();
  editBuffer_ = ActiveBuffer();
}

void TAsaDataset::InternalInsert() {
  keptBlobs_.clear();
  editBuffer_ = ActiveBuffer();
}

}  // namespace velar
