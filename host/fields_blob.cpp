// Binary fields: fixed-length bytes in the record, and blobs and memos whose
// values travel through the data set's blob streams.
#include <algorithm>
#include <cstring>

#include "host/dataset.h"
#include "host/fields.h"
#include "host/stream.h"
#include "host/strings.h"

namespace host {

namespace {

// The bytes of a byte array, or the bytes of any other value's text.
std::string BytesOf(const Variant& Value) {
  if (Value.Type() != (varArray | varByte)) return Value.AsString();
  auto bytes = VarArrayBytes(Value);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

// ------------------------------------------------------------- TBytesField

TBytesField::TBytesField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBytes);
  SetSizeField(16);
}

TBytesField::~TBytesField() = default;

std::string TBytesField::GetAsString() {
  auto size = static_cast<std::size_t>(GetDataSize());
  char* buffer = Scratch(size);
  if (!GetData(buffer)) return std::string();
  return std::string(buffer, size);
}

Variant TBytesField::GetAsVariant() {
  auto size = static_cast<std::size_t>(GetDataSize());
  char* buffer = Scratch(size);
  if (!GetData(buffer)) return Null();
  return VarArrayFromBytes(buffer, size);
}

// Shorter values are padded with zero bytes; longer ones cut to Size.
void TBytesField::SetAsString(const std::string& Value) {
  auto size = static_cast<std::size_t>(GetDataSize());
  char* buffer = Scratch(size);
  std::size_t length = std::min(Value.size(), size);
  std::memcpy(buffer, Value.data(), length);
  std::memset(buffer + length, 0, size - length);
  SetData(buffer);
}

void TBytesField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else if (Value.Type() == (varArray | varByte) || VarIsStr(Value))
    SetAsString(BytesOf(Value));
  else
    AccessError("Variant");
}

std::string TBytesField::GetText(bool /*DisplayText*/) {
  std::string bytes = GetAsString();
  std::string text;
  text.reserve(bytes.size() * 2);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : bytes) {
    auto code = static_cast<unsigned char>(c);
    text += kHex[code >> 4];
    text += kHex[code & 0x0F];
  }
  return text;
}

void TBytesField::CheckTypeSize(int Value) const {
  if (Value < 1) DatabaseErrorFmt(SInvalidFieldSize, {Value, DisplayName()}, this);
}

// -------------------------------------------------------------- TBlobField

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBlob);
  SetTransliterate(false);
}

TBlobField::~TBlobField() = default;

std::unique_ptr<TStream> TBlobField::OpenStream(TBlobStreamMode Mode) {
  std::unique_ptr<TStream> stream = CheckedDataSet()->CreateBlobStream(this, Mode);
  if (!stream) DatabaseErrorFmt(SNoBlobStream, {DisplayName()}, DataSet());
  return stream;
}

std::string TBlobField::GetAsString() {
  std::unique_ptr<TStream> stream = OpenStream(bmRead);
  std::int64_t size = stream->Size();
  std::string value(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
  stream->SetPosition(0);
  if (!value.empty()) stream->ReadBuffer(value.data(), static_cast<std::int64_t>(value.size()));
  return value;
}

Variant TBlobField::GetAsVariant() {
  if (IsNull()) return Null();
  std::string value = GetAsString();
  if (DataType() == ftMemo) return Variant(std::move(value));
  return VarArrayFromBytes(value.data(), value.size());
}

// Writing goes around SetData, so the same checks run first: a blob of a
// record that is not being edited cannot change.
void TBlobField::SetAsString(const std::string& Value) {
  CheckCanWrite();
  std::unique_ptr<TStream> stream = OpenStream(bmWrite);
  if (!Value.empty()) stream->WriteBuffer(Value.data(), static_cast<std::int64_t>(Value.size()));
}

void TBlobField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else
    SetAsString(BytesOf(Value));
}

// A memo shows its text; other blobs a note of their kind.
std::string TBlobField::GetText(bool DisplayText) {
  if (DataType() == ftMemo) return GetAsString();
  if (!DisplayText) return GetAsString();
  std::string kind = FieldTypeName(DataType());
  return IsNull() ? "(" + LowerCase(kind) + ")" : "(" + kind + ")";
}

// A write stream closed without writing leaves the value null.
void TBlobField::Clear() {
  CheckCanWrite();
  OpenStream(bmWrite);
}

// Size only says how much a driver keeps in the record, if anything.
void TBlobField::CheckTypeSize(int Value) const {
  if (Value < 0) DatabaseErrorFmt(SInvalidFieldSize, {Value, DisplayName()}, this);
}

void TBlobField::Assign(TPersistent* Source) {
  if (auto* blob = dynamic_cast<TBlobField*>(Source)) {
    if (blob->IsNull())
      Clear();
    else
      SetAsString(blob->GetAsString());
    return;
  }
  if (auto* lines = dynamic_cast<TStrings*>(Source)) {
    SetAsString(lines->Text());
    return;
  }
  TField::Assign(Source);
}

std::int64_t TBlobField::BlobSize() {
  return OpenStream(bmRead)->Size();
}

void TBlobField::SetBlobType(TFieldType Value) {
  if (Value != ftBlob && Value != ftMemo && Value != ftGraphic && Value != ftFmtMemo)
    DatabaseError(FieldTypeName(Value) + " is not a blob type", this);
  SetDataType(Value);
}

void TBlobField::LoadFromStream(TStream* Stream) {
  CheckCanWrite();
  std::unique_ptr<TStream> blob = OpenStream(bmWrite);
  blob->CopyFrom(Stream, 0);
}

void TBlobField::SaveToStream(TStream* Stream) {
  std::unique_ptr<TStream> blob = OpenStream(bmRead);
  if (blob->Size() > 0) Stream->CopyFrom(blob.get(), 0);
}

void TBlobField::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TBlobField::SaveToFile(const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) {
  SetDataType(ftMemo);
  SetTransliterate(true);
}

TMemoField::~TMemoField() = default;

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) {
  SetDataType(ftGraphic);
}

TGraphicField::~TGraphicField() = default;

}  // namespace host
