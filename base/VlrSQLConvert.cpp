// The value conversions drivers use when they encode values: each turns a
// conversion failure into a neutral value instead of an exception, so that a
// value of the wrong kind never stops a row from being written.
#include "base/VlrSQL.h"
#include "host/stream.h"

namespace velar {

void TVelarSQL::SetVarToStr(const host::Variant& Value, std::string& Result) {
  try {
    Result = host::VarToStr(Value);
  } catch (const host::Exception&) {
    Result.clear();
  }
}

// True is 1 here, not the framework's -1: the database's bit is 1.
std::int32_t TVelarSQL::SetVarToInt(const host::Variant& Value) {
  if (Value.Type() == host::varBoolean) return Value.AsBoolean() ? 1 : 0;
  try {
    return Value.AsInteger();
  } catch (const host::Exception&) {
    return 0;
  }
}

double TVelarSQL::SetVarToFloat(const host::Variant& Value) {
  if (Value.Type() == host::varBoolean) return Value.AsBoolean() ? 1.0 : 0.0;
  try {
    return Value.AsDouble();
  } catch (const host::Exception&) {
    return 0.0;
  }
}

bool TVelarSQL::SetVarToBoolean(const host::Variant& Value) {
  try {
    return Value.AsBoolean();
  } catch (const host::Exception&) {
    return false;
  }
}

host::TDateTime TVelarSQL::SetVarToDateTime(const host::Variant& Value) {
  try {
    return host::VarToDateTime(Value);
  } catch (const host::Exception&) {
    return 0.0;
  }
}

host::Variant TVelarSQL::StrToVarByte(const void* Bytes, int Length) {
  if (Length < 1 || Bytes == nullptr) return host::Null();
  return host::VarArrayFromBytes(Bytes, static_cast<std::size_t>(Length));
}

host::Variant TVelarSQL::StreamToVarByte(host::TMemoryStream* Stream) {
  if (Stream == nullptr) return host::Null();
  return StrToVarByte(Stream->Memory(), static_cast<int>(Stream->Size()));
}

std::string TVelarSQL::StreamToStr(host::TMemoryStream* Stream) {
  if (Stream == nullptr || Stream->Size() == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(Stream->Memory()),
                     static_cast<std::size_t>(Stream->Size()));
}

}  // namespace velar
