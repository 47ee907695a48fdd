// Encoding values in the row buffer and in host variables: one column's
// bytes to a variant and back, for every field type.
#include <algorithm>
#include <cstring>

#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"

namespace velar {

namespace {

// Texts read from a row are cut here, the most a work buffer of 32767
// bytes holds with its terminator.
constexpr std::size_t kMaxText = 32766;

}  // namespace

// Without OEM conversion the text goes straight from the row into the
// variant; with it, through a buffer the statement keeps for that.
void TAsaSQL::ReadText(const char* Text, std::size_t Length, host::Variant& Value) {
  TVelarSession* session = SessionLink();
  if (session == nullptr || !session->OEMConvert()) {
    Value.AssignText(std::string_view(Text, Length));
    return;
  }
  textBuffer_.assign(Text, Length);
  session->TranslateChar(textBuffer_.data(), textBuffer_.data(), Length, false);
  Value.AssignText(textBuffer_);
}

// A long value is taken from the row when the row holds all of it (or it is
// null): only with a positive BlobSize does the row hold any of it.
bool TAsaSQL::NeedsBlobStream(TVelarBlobStream* Stream) const {
  if (BlobSize() == 0 || cursorSqlda_ == nullptr) return true;
  const int column = Stream->GetFieldNo();
  if (column < 0 || column >= fieldCount_) return true;
  const std::int16_t* indicator = cursorSqlda_->sqlvar[bufferIndex_ * fieldCount_ + column].sqlind;
  return indicator == nullptr || *indicator > 0;
}

// Byte strings keep their stored length (bounded by the slot): the length
// word is what the library wrote, and bytes past it are not the value's.
// Every path assigns Value once (Null where there is no value): this runs for
// every field of every row read.
void TAsaSQL::GetFieldData(const std::uint8_t* Buffer, int Offset, int Size,
                           TVelarFieldTypes FieldType, TVelarBlobStream* Stream,
                           host::Variant& Value) {
  const std::uint8_t* p = Buffer + Offset;
  const auto text = reinterpret_cast<const char*>(p);
  switch (FieldType) {
    case ntString:
      ReadText(text,
               ::strnlen(text, std::min<std::size_t>(static_cast<std::size_t>(Size), kMaxText)),
               Value);
      break;
    case ntInteger: {
      std::int32_t n;
      std::memcpy(&n, p, sizeof n);
      Value = n;
      break;
    }
    case ntFloat:
    case ntCurrency: {
      double d;
      std::memcpy(&d, p, sizeof d);
      if (FieldType == ntCurrency)
        Value = host::Currency::FromDouble(d);
      else
        Value = d;
      break;
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
      TAsaTimeStamp stamp;
      std::memcpy(&stamp, p, sizeof stamp);
      Value = host::VarFromDateTime(GetAsaTimeStamp(stamp));
      break;
    }
    case ntBoolean:
      Value = *p != 0;
      break;
    case ntBinary: {
      if (Size - 2 < 1) {
        Value = host::Null();
        break;
      }
      std::uint16_t length;
      std::memcpy(&length, p, sizeof length);
      Value = StrToVarByte(p + 2, std::min<int>(length, Size - 2));
      break;
    }
    case ntMemo:
    case ntBlob:
      if (Stream != nullptr && NeedsBlobStream(Stream)) {
        const std::int64_t size = Stream->Size();
        std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
        Stream->SetPosition(0);
        bytes.resize(
            static_cast<std::size_t>(std::max<std::int64_t>(Stream->Read(bytes.data(), size), 0)));
        if (FieldType == ntMemo)
          ReadText(bytes.data(), bytes.size(), Value);
        else
          Value = StrToVarByte(bytes.data(), static_cast<int>(bytes.size()));
      } else if (FieldType == ntMemo) {
        ReadText(text,
                 ::strnlen(text, std::min<std::size_t>(static_cast<std::size_t>(Size), kMaxText)),
                 Value);
      } else if (Size >= 2) {
        std::uint16_t length;
        std::memcpy(&length, p, sizeof length);
        Value = StrToVarByte(p + 2, std::min<int>(length, Size - 2));
      } else {
        Value = host::Null();
      }
      break;
    case ntUnknown:
      Value = host::Null();
      break;
  }
}

// A value of the wrong kind for a byte string or a long value leaves the
// buffer and the stream as they were.
void TAsaSQL::PutFieldData(std::uint8_t* Buffer, int Offset, int Size, TVelarFieldTypes FieldType,
                           const host::Variant& Value, TVelarBlobStream* Stream) {
  std::uint8_t* p = Buffer + Offset;
  TVelarSession* session = SessionLink();
  const bool convert = session != nullptr && session->OEMConvert();
  switch (FieldType) {
    case ntString: {
      if (Size < 1) break;
      // Text is copied from the variant itself; only other values are
      // converted to text first.
      std::string converted;
      std::string_view s;
      if (host::VarIsStr(Value)) {
        s = Value.TextView();
      } else {
        SetVarToStr(Value, converted);
        s = converted;
      }
      const std::size_t n = std::min(s.size(), static_cast<std::size_t>(Size - 1));
      std::memcpy(p, s.data(), n);
      p[n] = 0;
      if (convert)
        session->TranslateChar(reinterpret_cast<char*>(p), reinterpret_cast<char*>(p), n, true);
      break;
    }
    case ntInteger: {
      const std::int32_t n = SetVarToInt(Value);
      std::memcpy(p, &n, sizeof n);
      break;
    }
    case ntFloat:
    case ntCurrency: {
      const double d = SetVarToFloat(Value);
      std::memcpy(p, &d, sizeof d);
      break;
    }
    case ntDate:
    case ntTime:
    case ntDateTime: {
      TAsaTimeStamp stamp{};
      std::memcpy(&stamp, p, sizeof stamp);
      PutAsaTimeStamp(stamp, SetVarToDateTime(Value));
      std::memcpy(p, &stamp, sizeof stamp);
      break;
    }
    case ntBoolean:
      *p = SetVarToBoolean(Value) ? 1 : 0;
      break;
    case ntBinary: {
      if (Value.Type() != (host::varArray | host::varByte) || Size < 2) break;
      const auto bytes = host::VarArrayBytes(Value);
      const auto n = static_cast<std::uint16_t>(
          std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(Size - 2)));
      std::memcpy(p, &n, sizeof n);
      if (n > 0) std::memcpy(p + 2, bytes.data(), n);
      break;
    }
    case ntMemo: {
      if (!host::VarIsStr(Value)) break;
      // A long text is copied once, from the variant to where it goes, and
      // converted there (the conversion maps each character on its own); a
      // stream takes a converted copy.
      const std::string_view text = Value.TextView();
      if (Stream != nullptr) {
        std::string converted;
        std::string_view written = text;
        if (convert) {
          converted.assign(text);
          session->TranslateChar(converted.data(), converted.data(), converted.size(), true);
          written = converted;
        }
        Stream->Clear();
        Stream->Write(written.data(), static_cast<std::int64_t>(written.size()));
      } else if (Size > 0) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(Size));
        std::memcpy(p, text.data(), n);
        if (convert)
          session->TranslateChar(reinterpret_cast<char*>(p), reinterpret_cast<char*>(p), n, true);
      }
      break;
    }
    case ntBlob: {
      if (Value.Type() != (host::varArray | host::varByte)) break;
      const auto bytes = host::VarArrayBytes(Value);
      if (Stream != nullptr) {
        Stream->Clear();
        Stream->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      } else if (Size > 0 && !bytes.empty()) {
        std::memcpy(p, bytes.data(), std::min(bytes.size(), static_cast<std::size_t>(Size)));
      }
      break;
    }
    case ntUnknown:
      break;
  }
}

}  // namespace velar
