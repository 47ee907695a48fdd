// The text forms of single values in form files, and the value reader and
// writer that properties defined through TFiler::DefineProperty use.
#include <charconv>
#include <cmath>

#include "host/formfile.h"
#include "host/formfile_internal.h"
#include "host/sysutils.h"

namespace host {

namespace formfile {

namespace {

// The character a well-formed UTF-8 sequence of two to four bytes at Text[i]
// encodes, and its length; 0 when the bytes there are no such sequence.
// Surrogate codes are accepted, as the reader stores a lone half that way.
std::uint32_t DecodeUtf8(std::string_view Text, std::size_t i, std::size_t& Length) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(Text[i + k]); };
  unsigned char lead = byte(0);
  std::uint32_t code = 0;
  std::uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    Length = 2, code = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    Length = 3, code = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    Length = 4, code = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + Length > Text.size()) return 0;
  for (std::size_t k = 1; k < Length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3Fu);
  }
  return code >= minimum && code <= 0x10FFFF ? code : 0;
}

}  // namespace

// Printable ASCII stays readable inside quotes; anything else becomes #code
// so that a file survives editors and transfers that mangle control or
// high-half bytes. A character beyond #255 written as UTF-8 is written as its
// own code, which the reader turns back into the same bytes; every other
// byte stands for itself.
void AppendStringLiteral(std::string& Out, std::string_view Text) {
  if (Text.empty()) {
    Out += "''";
    return;
  }
  bool quoted = false;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    char c = Text[i];
    auto code = static_cast<unsigned char>(c);
    bool printable = code >= 0x20 && code < 0x7F;
    if (printable != quoted) {
      Out += '\'';
      quoted = printable;
    }
    if (printable) {
      Out += c;
      if (c == '\'') Out += '\'';
      continue;
    }
    std::size_t length = 1;
    std::uint32_t wide = code >= 0xC4 ? DecodeUtf8(Text, i, length) : 0;
    Out += '#';
    if (wide > 0xFF) {
      Out += std::to_string(wide);
      i += length - 1;
    } else {
      Out += std::to_string(code);
    }
  }
  if (quoted) Out += '\'';
}

// The shortest digits that read back to the same double, in the upper-case
// exponent form the lexer reads ("1.5E20", "2.5E-7").
void AppendFloatLiteral(std::string& Out, double Value) {
  if (!std::isfinite(Value))
    throw EWriteError("The value " + FloatToStr(Value) + " cannot be written to a form file");
  char digits[32];
  char* end = std::to_chars(digits, digits + sizeof digits, Value).ptr;
  const char* p = digits;
  for (; p != end && *p != 'e'; ++p)
    Out += *p;
  if (p == end) return;
  Out += 'E';
  ++p;
  if (*p == '-') Out += *p;
  if (*p == '-' || *p == '+') ++p;
  while (p + 1 < end && *p == '0')
    ++p;
  Out.append(p, static_cast<std::size_t>(end - p));
}

}  // namespace formfile

// ------------------------------------------------------------------ TReader

TReader::TReader(const formfile::TValue& Value) : value_(&Value) {}

namespace {

const char* KindName(formfile::TValue::TKind Kind) {
  switch (Kind) {
    case formfile::TValue::vkIdentifier:
      return "a name";
    case formfile::TValue::vkInteger:
      return "an integer";
    case formfile::TValue::vkFloat:
      return "a floating-point number";
    case formfile::TValue::vkString:
      return "a string";
    case formfile::TValue::vkList:
      return "a list";
    case formfile::TValue::vkBinary:
      return "a binary value";
    case formfile::TValue::vkSet:
      return "a set";
    case formfile::TValue::vkCollection:
      return "a collection";
  }
  return "a value";
}

}  // namespace

// The next value: the property's own, or the next item of the list being
// read. Reading past either is an error the file's author can act on.
const formfile::TValue& TReader::Take(const char* Expected) {
  if (lists_.empty()) {
    if (taken_) throw EReadError(std::string("expected no more values, not ") + Expected);
    taken_ = true;
    return *value_;
  }
  TListPos& pos = lists_.back();
  if (pos.Next >= pos.List->Items.size())
    throw EReadError(std::string("the list ends where ") + Expected + " was expected");
  return pos.List->Items[pos.Next++];
}

std::int64_t TReader::ReadInteger() {
  const formfile::TValue& value = Take("an integer");
  if (value.Kind != formfile::TValue::vkInteger)
    throw EReadError(std::string("expected an integer, not ") + KindName(value.Kind));
  return value.Integer;
}

double TReader::ReadFloat() {
  const formfile::TValue& value = Take("a number");
  if (value.Kind == formfile::TValue::vkInteger) return static_cast<double>(value.Integer);
  if (value.Kind != formfile::TValue::vkFloat)
    throw EReadError(std::string("expected a number, not ") + KindName(value.Kind));
  return value.Float;
}

std::string TReader::ReadString() {
  const formfile::TValue& value = Take("a string");
  if (value.Kind != formfile::TValue::vkString)
    throw EReadError(std::string("expected a string, not ") + KindName(value.Kind));
  return value.Text;
}

bool TReader::ReadBoolean() {
  const formfile::TValue& value = Take("True or False");
  if (value.Kind == formfile::TValue::vkIdentifier) {
    if (SameText(value.Text, "True")) return true;
    if (SameText(value.Text, "False")) return false;
  }
  throw EReadError("expected True or False");
}

std::string TReader::ReadIdent() {
  const formfile::TValue& value = Take("a name");
  if (value.Kind != formfile::TValue::vkIdentifier)
    throw EReadError(std::string("expected a name, not ") + KindName(value.Kind));
  return value.Text;
}

void TReader::ReadListBegin() {
  const formfile::TValue& value = Take("a list");
  if (value.Kind != formfile::TValue::vkList)
    throw EReadError(std::string("expected a list, not ") + KindName(value.Kind));
  lists_.push_back({&value, 0});
}

bool TReader::EndOfList() const {
  return lists_.empty() || lists_.back().Next >= lists_.back().List->Items.size();
}

void TReader::ReadListEnd() {
  if (!EndOfList()) throw EReadError("the list holds more values than were read");
  if (!lists_.empty()) lists_.pop_back();
}

// ------------------------------------------------------------------ TWriter

TWriter::TWriter(std::string& Out, int Indent) : out_(Out), indent_(Indent) {}

// Inside a list every value starts a line of its own, one level deeper.
void TWriter::BeginValue() {
  if (depth_ == 0) return;
  out_ += '\n';
  out_.append(static_cast<std::size_t>(indent_ + depth_) * 2, ' ');
}

void TWriter::WriteInteger(std::int64_t Value) {
  BeginValue();
  out_ += std::to_string(Value);
}

void TWriter::WriteFloat(double Value) {
  BeginValue();
  formfile::AppendFloatLiteral(out_, Value);
}

void TWriter::WriteString(std::string_view Value) {
  BeginValue();
  formfile::AppendStringLiteral(out_, Value);
}

void TWriter::WriteBoolean(bool Value) {
  BeginValue();
  out_ += Value ? "True" : "False";
}

void TWriter::WriteIdent(std::string_view Value) {
  BeginValue();
  out_ += Value;
}

void TWriter::WriteListBegin() {
  BeginValue();
  out_ += '(';
  ++depth_;
}

void TWriter::WriteListEnd() {
  if (depth_ == 0) throw EWriteError("WriteListEnd without WriteListBegin");
  --depth_;
  out_ += ')';
}

}  // namespace host
