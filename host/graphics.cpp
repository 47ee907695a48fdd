// The picture base class, the picture holder, and the bounded reading and
// writing every picture format shares.
#include "host/graphics.h"

#include "host/formfile.h"
#include "host/stream.h"
#include "host/sysutils.h"

namespace host {

EInvalidGraphic::~EInvalidGraphic() = default;
TGraphic::~TGraphic() = default;
TPicture::~TPicture() = default;

// ------------------------------------------------------------------ TPicture

namespace {

// The graphic kinds a stored picture may name.
std::unique_ptr<TGraphic> NewGraphic(const std::string& ClassName) {
  if (ClassName == "TBitmap") return std::make_unique<TBitmap>();
  if (ClassName == "TMetafile") return std::make_unique<TMetafile>();
  if (ClassName == "TIcon") return std::make_unique<TIcon>();
  return nullptr;
}

}  // namespace

// The new graphic is read completely before it replaces the one held.
void TPicture::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Data",
      [this](TStream* S) {
        std::uint8_t length = 0;
        if (S->Read(&length, 1) != 1) throw EReadError("The picture's data is empty");
        std::string className(length, '\0');
        if (length != 0) S->ReadBuffer(className.data(), length);
        std::unique_ptr<TGraphic> graphic = NewGraphic(className);
        if (graphic == nullptr)
          throw EReadError("The picture's data names no picture kind: \"" + className + "\"");
        try {
          graphic->LoadFromStream(S);
        } catch (const EInvalidGraphic& e) {
          throw EReadError(e.Message);
        }
        graphic_ = std::move(graphic);
      },
      [this](TStream* S) {
        const std::string className = graphic_->ClassName();
        const auto length = static_cast<std::uint8_t>(className.size());
        S->WriteBuffer(&length, 1);
        S->WriteBuffer(className.data(), length);
        graphic_->SaveToStream(S);
      },
      graphic_ != nullptr && !graphic_->Empty());
}

// ------------------------------------------------------------------ TGraphic

// Through a file stream, so that the file's own errors reach the caller.
void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// Replaces the file.
void TGraphic::SaveToFile(const std::string& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

namespace graphics_detail {

// Every access of the parsers goes through here, so that a header pointing
// outside the data can only ever raise.
const std::uint8_t* TReader::At(std::size_t Offset, std::size_t Count) const {
  if (Offset > size_ || Count > size_ - Offset) Fail("the data ends early");
  return data_ + Offset;
}

std::uint16_t TReader::U16(std::size_t Offset) const {
  const std::uint8_t* p = At(Offset, 2);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t TReader::U32(std::size_t Offset) const {
  const std::uint8_t* p = At(Offset, 4);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void TReader::Fail(const char* Reason) const {
  throw EInvalidGraphic(Format("%s is not valid: %s", format_, Reason));
}

void PutU16(std::vector<std::uint8_t>& Out, std::uint16_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void PutU32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  PutU16(Out, static_cast<std::uint16_t>(Value));
  PutU16(Out, static_cast<std::uint16_t>(Value >> 16));
}

// A picture is parsed from memory, so that every offset in its headers can
// be checked against what is really there.
std::vector<std::uint8_t> ReadRemainder(TStream* Stream) {
  if (Stream == nullptr) throw EInvalidGraphic("No stream to read a picture from");
  const std::int64_t position = Stream->Position();
  const std::int64_t size = Stream->Size();
  std::vector<std::uint8_t> bytes;
  if (size > position) {
    bytes.resize(static_cast<std::size_t>(size - position));
    Stream->SetPosition(position);
    Stream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  return bytes;
}

void WriteAll(TStream* Stream, const std::vector<std::uint8_t>& Bytes) {
  if (Stream == nullptr) throw EInvalidGraphic("No stream to write a picture to");
  if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

}  // namespace graphics_detail

}  // namespace host
