// The stored form of a parameter collection: the raw-byte property "Data"
// of form files (layout in VlrAsaParams.h).
#include <cstring>
#include <limits>

#include "asa/dataset/VlrAsaParams.h"
#include "host/formfile.h"
#include "host/stream.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// The smallest record: two empty texts' lengths and the type byte.
constexpr std::int64_t kMinRecordSize = 4 + 4 + 1;

[[noreturn]] void RaiseBadData(const std::string& What) {
  throw host::EReadError("Invalid parameter data: " + What);
}

// Reads the stored form front to back, checking every count and length
// against the bytes the property has left before it reads them.
class TDataReader {
 public:
  explicit TDataReader(host::TStream* Stream)
      : stream_(Stream), start_(Stream->Position()), end_(Stream->Size()) {}

  std::int64_t Left() { return end_ - stream_->Position(); }
  std::int64_t Offset() { return stream_->Position() - start_; }

  std::int32_t Int32() {
    Need(4);
    unsigned char bytes[4];
    stream_->ReadBuffer(bytes, 4);
    std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    std::int32_t result;
    std::memcpy(&result, &value, 4);
    return result;
  }

  std::uint8_t Byte() {
    Need(1);
    std::uint8_t value = 0;
    stream_->ReadBuffer(&value, 1);
    return value;
  }

  // A length, then that many bytes.
  std::string Text() {
    const std::int64_t at = Offset();
    const std::int32_t length = Int32();
    if (length < 0 || length > Left())
      RaiseBadData(host::Format("a length of %d bytes at offset %d does not fit the %d bytes left",
                                length, static_cast<int>(at), static_cast<int>(Left())));
    std::string text(static_cast<std::size_t>(length), '\0');
    if (length > 0) stream_->ReadBuffer(text.data(), length);
    return text;
  }

 private:
  void Need(std::int64_t Count) {
    if (Left() < Count)
      RaiseBadData(host::Format("it ends early, at offset %d", static_cast<int>(Offset())));
  }

  host::TStream* stream_;
  std::int64_t start_;
  std::int64_t end_;
};

void WriteInt32(host::TStream* Stream, std::int64_t Value) {
  if (Value > std::numeric_limits<std::int32_t>::max())
    throw host::EWriteError("A parameter's text is too long to store");
  const auto value = static_cast<std::uint32_t>(Value);
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  Stream->WriteBuffer(bytes, 4);
}

void WriteText(host::TStream* Stream, const std::string& Text) {
  WriteInt32(Stream, static_cast<std::int64_t>(Text.size()));
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<std::int64_t>(Text.size()));
}

// Types whose empty text is a value of its own; for the others an empty text
// is what a parameter without a value was written as.
bool EmptyTextIsAValue(TAsaParamDataType Type) {
  return Type == ntString || Type == ntBinary || Type == ntMemo || Type == ntBlob;
}

}  // namespace

void TAsaParams::WriteData(host::TStream* Stream) const {
  WriteInt32(Stream, Count());
  for (const TAsaParam* param : list_) {
    WriteText(Stream, param->Name);
    WriteText(Stream, param->Alias);
    const auto type = static_cast<std::uint8_t>(param->DataType());
    Stream->WriteBuffer(&type, 1);
    if (type != ntUnknown) WriteText(Stream, param->GetAsString());
  }
}

// A parameter without a value is stored as an empty text; it is read back
// without a value, as a text such as "" is no integer, number or Boolean and
// would otherwise stop the whole form from loading. Parameters read before a
// failure stay in the collection.
void TAsaParams::ReadData(host::TStream* Stream) {
  Clear();
  TDataReader reader(Stream);
  const std::int32_t count = reader.Int32();
  if (count < 0 || count > reader.Left() / kMinRecordSize)
    RaiseBadData(host::Format("%d parameters cannot be stored in the %d bytes that follow", count,
                              static_cast<int>(reader.Left())));
  for (std::int32_t i = 0; i < count; ++i) {
    auto* param = new TAsaParam(this, std::string());
    param->Name = reader.Text();
    param->Alias = reader.Text();
    const std::uint8_t type = reader.Byte();
    if (type > kAsaParamDataTypeHigh)
      RaiseBadData(host::Format("%d is not a parameter data type", static_cast<int>(type)));
    param->SetStreamedDataType(static_cast<TAsaParamDataType>(type));
    if (type == ntUnknown) continue;
    const std::string text = reader.Text();
    if (text.empty() && !EmptyTextIsAValue(param->DataType()))
      param->Clear();
    else
      param->SetText(text);
  }
  if (reader.Left() > 0)
    RaiseBadData(
        host::Format("%d bytes follow the last parameter", static_cast<int>(reader.Left())));
}

void TAsaParams::DefineProperties(host::TFiler* Filer) {
  host::TPersistent::DefineProperties(Filer);
  auto* ancestor = dynamic_cast<TAsaParams*>(Filer->Ancestor());
  const bool store = ancestor != nullptr ? !IsEqual(*ancestor) : Count() > 0;
  Filer->DefineBinaryProperty(
      "Data", [this](host::TStream* Stream) { ReadData(Stream); },
      [this](host::TStream* Stream) { WriteData(Stream); }, store);
}

}  // namespace velar
