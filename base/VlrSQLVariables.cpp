// Host variables: the caller's values into a side's variable set, and the
// output variables of an execution back out.
#include <span>
#include <vector>

#include "base/VlrSQL.h"
#include "host/sysutils.h"

namespace velar {

namespace {

constexpr host::TVarType kVariantArray = host::varArray | host::varVariant;
constexpr host::TVarType kByteArray = host::varArray | host::varByte;

// Elements of a value list or byte array, counted as the framework counts
// them for a zero-based array: high bound plus one.
int ElementCount(const host::Variant& Array) {
  return host::VarArrayHighBound(Array) + 1;
}

// The values of an array as one span. Every execution walks them twice, so
// they are read in place rather than copied out one by one (a byte array,
// which holds no variants, is copied out once).
std::span<const host::Variant> ValuesOf(const host::Variant& Values,
                                        std::vector<host::Variant>& Copies) {
  if (!Values.IsArray()) return {};
  if (Values.Type() != kByteArray) return host::VarArrayItems(Values);
  const int low = host::VarArrayLowBound(Values);
  const int high = host::VarArrayHighBound(Values);
  for (int i = low; i <= high; ++i)
    Copies.push_back(host::VarArrayGet(Values, i));
  return Copies;
}

// How a caller's values name the variables: one Null means none; a first
// element that is an array of variants carries them all; otherwise every
// element is one value. A caller passing nothing is taken as passing a
// single Null.
enum class TValuesShape { None, FirstIsArray, EachIsOne };

TValuesShape ShapeOf(TVelarValues Values) {
  if (Values.empty()) return TValuesShape::None;
  const host::Variant& first = Values.front();
  if (first.Type() == kVariantArray) return TValuesShape::FirstIsArray;
  if (Values.size() == 1 && first.IsNull()) return TValuesShape::None;
  return TValuesShape::EachIsOne;
}

}  // namespace

host::Variant TVelarSQL::InternalCheckVarValues(TVelarValues Values) {
  switch (ShapeOf(Values)) {
    case TValuesShape::None:
      return host::Null();
    case TValuesShape::FirstIsArray:
      return Values.front();
    case TValuesShape::EachIsOne:
      break;
  }
  return host::VarArrayOf(Values);
}

// The driver says how long a variable of each type is. A text that does not
// fit with its terminator, or a byte string that does not fit after its
// 16-bit length, is sent as a long value of its own length instead of being
// cut. The narrower integer kinds are integers too, and 64-bit integers go
// as doubles rather than as nothing at all.
TVelarFieldTypes TVelarSQL::InternalGetVariableTypeAndLength(const host::Variant& Value,
                                                             std::int32_t& Length) {
  TVelarFieldTypes type = ntUnknown;
  switch (Value.Type()) {
    case host::varSmallint:
    case host::varInteger:
    case host::varShortInt:
    case host::varByte:
    case host::varWord:
      type = ntInteger;
      break;
    case host::varSingle:
    case host::varDouble:
    case host::varLongWord:
    case host::varInt64:
      type = ntFloat;
      break;
    case host::varCurrency:
      type = ntCurrency;
      break;
    case host::varDate:
      type = ntDateTime;
      break;
    case host::varOleStr:
    case host::varString:
      type = ntString;
      break;
    case host::varBoolean:
      type = ntBoolean;
      break;
    case kByteArray:
      type = ntBinary;
      break;
    default:
      break;
  }
  Length = InternalGetVariableLength(type);
  if (type == ntString) {
    const auto characters = static_cast<std::int64_t>(Value.TextView().size());
    if (characters + 1 > Length) {
      type = ntMemo;
      Length = static_cast<std::int32_t>(characters);
    }
  } else if (type == ntBinary) {
    const int elements = ElementCount(Value);
    if (elements + 2 > Length) {
      type = ntBlob;
      Length = elements;
    }
  }
  return type;
}

// The layout survives while every value keeps its type and size; a set with
// long values is rebuilt every time, as their binding sends the values.
bool TVelarSQL::InternalNeedNewVariables(const host::Variant& Values,
                                         const TVelarVariables& Variables) {
  std::vector<host::Variant> copies;
  return NeedNewVariables(ValuesOf(Values, copies), Values.IsArray(), Variables);
}

// Without a list of values (a Null) the set is rebuilt, to no variables.
bool TVelarSQL::NeedNewVariables(TVelarValues Values, bool IsList,
                                 const TVelarVariables& Variables) {
  if (!IsList) return true;
  if (static_cast<int>(Values.size()) != Variables.Count) return true;
  for (int i = 0; i < Variables.Count; ++i) {
    std::int32_t length = 0;
    const TVelarFieldTypes type = InternalGetVariableTypeAndLength(Values[i], length);
    const TVelarFieldDesc& item = Variables.Items[i];
    if (type != item.FieldType || length != item.Size || type == ntMemo || type == ntBlob)
      return true;
  }
  return false;
}

void TVelarSQL::InternalSetVariables(const host::Variant& Values, TVelarVariables& Variables) {
  std::vector<host::Variant> copies;
  SetVariables(ValuesOf(Values, copies), Values.IsArray(), Variables);
}

// The caller's values in the shape InternalCheckVarValues gives them, read
// where they are: a statement executed once per row does not copy its values
// into an array first.
void TVelarSQL::SetVariables(TVelarValues Values, TVelarVariables& Variables) {
  switch (ShapeOf(Values)) {
    case TValuesShape::None:
      return SetVariables({}, false, Variables);
    case TValuesShape::FirstIsArray:
      return SetVariables(host::VarArrayItems(Values.front()), true, Variables);
    case TValuesShape::EachIsOne:
      return SetVariables(Values, true, Variables);
  }
}

// Rebuilding clears the set through its virtual step, so that a driver
// forgets its binding too; a set kept as it is only has its output buffer
// emptied and its values rewritten. A set holds at most VelarMaxItems
// variables, so more values are refused before anything changes.
void TVelarSQL::SetVariables(TVelarValues Values, bool IsList, TVelarVariables& Variables) {
  const int count = static_cast<int>(Values.size());
  if (count > VelarMaxItems)
    RaiseLastError(host::Format(VlrLoadStr(VELAR_ERR_TOO_MANY_VARIABLES), count, VelarMaxItems));

  if (NeedNewVariables(Values, IsList, Variables)) {
    InternalClearVariables(Variables);
    for (int i = 0; i < count; ++i) {
      TVelarFieldDesc& item = Variables.Items[i];
      item.FieldType = InternalGetVariableTypeAndLength(Values[i], item.Size);
      item.ExtType = InternalGetVariableExtType(item.FieldType);
      Variables.BufferSize += item.Size;
      ++Variables.Count;
    }
    Variables.Buffer.Allocate(static_cast<std::size_t>(Variables.BufferSize));
  } else if (Variables.OutBuffer) {
    Variables.OutBuffer.Zero();
  }

  int offset = 0;
  for (int i = 0; i < Variables.Count; ++i) {
    const TVelarFieldDesc& item = Variables.Items[i];
    if (i < count)
      PutFieldData(Variables.Buffer.Data(), offset, item.Size, item.FieldType, Values[i], nullptr);
    offset += item.Size;
  }
}

// Output items follow the Count input items. A number selects by position
// (only a 32-bit integer counts as a number); anything else is a name
// compared ignoring case.
host::Variant TVelarSQL::GetOutVar(const host::Variant& Var) {
  const TVelarVariables& set = execVariables_;
  const TVelarFieldDesc* outputs = set.Items + set.Count;
  int index = -1;
  if (Var.Type() == host::varInteger) {
    const int n = Var.AsInteger();
    if (n >= 0 && n < set.OutCount) index = n;
  } else {
    const std::string name = host::VarToStr(Var);
    for (int i = 0; i < set.OutCount && index < 0; ++i)
      if (host::AnsiCompareText(outputs[i].Name, name) == 0) index = i;
  }
  if (index < 0)
    RaiseLastError(host::Format(VlrLoadStr(VELAR_ERR_PARAM_NOT_FOUND), host::VarToStr(Var)));
  int offset = 0;
  for (int i = 0; i < index; ++i)
    offset += outputs[i].Size;
  host::Variant value = host::Null();
  GetFieldData(set.OutBuffer.Data(), offset, outputs[index].Size, outputs[index].FieldType, nullptr,
               value);
  return value;
}

}  // namespace velar
