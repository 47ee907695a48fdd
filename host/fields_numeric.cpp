// Number fields: integers of 16 and 32 bits, floating-point and currency
// values, with range checks and display formats.
#include <cmath>
#include <cstdio>
#include <limits>

#include "host/dataset.h"
#include "host/fields.h"
#include "host/fields_format.h"

namespace host {

// ----------------------------------------------------------- TNumericField

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {
  SetAlignment(taRightJustify);
}

TNumericField::~TNumericField() = default;

void TNumericField::SetDisplayFormat(const std::string& Value) {
  displayFormat_ = Value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const std::string& Value) {
  editFormat_ = Value;
  PropertyChanged(false);
}

// Editing uses EditFormat, falling back to DisplayFormat, as a user expects
// to edit what is shown.
std::string TNumericField::FormatNumber(double Value, bool DisplayText, std::string Plain) const {
  const std::string& format = DisplayText || editFormat_.empty() ? displayFormat_ : editFormat_;
  if (format.empty()) return Plain;
  return FormatNumberPattern(format, Value);
}

// ----------------------------------------------------------- TIntegerField

TIntegerField::TIntegerField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftInteger);
}

TIntegerField::~TIntegerField() = default;

bool TIntegerField::GetValue(std::int32_t& Value) {
  return GetData(&Value);
}

void TIntegerField::StoreValue(std::int32_t Value) {
  CheckRange(Value, std::numeric_limits<std::int32_t>::min(),
             std::numeric_limits<std::int32_t>::max());
  SetData(&Value);
}

// MinValue and MaxValue both 0 mean no range beyond the type's.
void TIntegerField::CheckRange(std::int64_t Value, std::int64_t TypeMin,
                               std::int64_t TypeMax) const {
  std::int64_t low = TypeMin;
  std::int64_t high = TypeMax;
  if (minValue_ != 0 || maxValue_ != 0) {
    low = std::max<std::int64_t>(low, minValue_);
    high = std::min<std::int64_t>(high, maxValue_);
  }
  if (Value < low || Value > high) RangeError(IntToStr(Value), IntToStr(low), IntToStr(high));
}

double TIntegerField::GetAsFloat() {
  return static_cast<double>(GetAsInteger());
}

std::int32_t TIntegerField::GetAsInteger() {
  std::int32_t value = 0;
  return GetValue(value) ? value : 0;
}

std::string TIntegerField::GetAsString() {
  std::int32_t value = 0;
  return GetValue(value) ? IntToStr(value) : std::string();
}

Variant TIntegerField::GetAsVariant() {
  std::int32_t value = 0;
  return GetValue(value) ? Variant(value) : Null();
}

// Rounded half to even, the framework's rounding; beyond the type's range
// the range error says so rather than wrapping.
void TIntegerField::SetAsFloat(double Value) {
  double rounded = std::nearbyint(Value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
    RangeError(FloatToStr(Value), IntToStr(std::numeric_limits<std::int32_t>::min()),
               IntToStr(std::numeric_limits<std::int32_t>::max()));
  StoreValue(static_cast<std::int32_t>(rounded));
}

void TIntegerField::SetAsInteger(std::int32_t Value) {
  StoreValue(Value);
}

// An empty text clears the field.
void TIntegerField::SetAsString(const std::string& Value) {
  if (TrimView(Value).empty()) {
    Clear();
    return;
  }
  std::int64_t number = 0;
  if (!TryStrToInt64(Value, number)) ConvertError(Value, "integer");
  CheckRange(number, std::numeric_limits<std::int32_t>::min(),
             std::numeric_limits<std::int32_t>::max());
  StoreValue(static_cast<std::int32_t>(number));
}

void TIntegerField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else if (VarIsStr(Value))
    SetAsString(std::string(Value.TextView()));
  else if (VarIsFloat(Value) || Value.Type() == varDate)
    SetAsFloat(Value.AsDouble());
  else
    SetAsInteger(Value.AsInteger());
}

std::string TIntegerField::GetText(bool DisplayText) {
  std::int32_t value = 0;
  if (!GetValue(value)) return std::string();
  return FormatNumber(value, DisplayText, IntToStr(value));
}

// ---------------------------------------------------- 16-bit and autoinc

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftSmallint);
}

TSmallintField::~TSmallintField() = default;

bool TSmallintField::GetValue(std::int32_t& Value) {
  std::int16_t raw = 0;
  if (!GetData(&raw)) return false;
  Value = raw;
  return true;
}

void TSmallintField::StoreValue(std::int32_t Value) {
  CheckRange(Value, std::numeric_limits<std::int16_t>::min(),
             std::numeric_limits<std::int16_t>::max());
  auto raw = static_cast<std::int16_t>(Value);
  SetData(&raw);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftWord);
}

TWordField::~TWordField() = default;

bool TWordField::GetValue(std::int32_t& Value) {
  std::uint16_t raw = 0;
  if (!GetData(&raw)) return false;
  Value = raw;
  return true;
}

void TWordField::StoreValue(std::int32_t Value) {
  CheckRange(Value, 0, std::numeric_limits<std::uint16_t>::max());
  auto raw = static_cast<std::uint16_t>(Value);
  SetData(&raw);
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftAutoInc);
}

TAutoIncField::~TAutoIncField() = default;

// ------------------------------------------------------------- TFloatField

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftFloat);
}

TFloatField::~TFloatField() = default;

bool TFloatField::GetValue(double& Value) {
  return GetData(&Value);
}

double TFloatField::GetAsFloat() {
  double value = 0;
  return GetValue(value) ? value : 0;
}

std::int32_t TFloatField::GetAsInteger() {
  double value = std::nearbyint(GetAsFloat());
  if (!(value >= -2147483648.0 && value <= 2147483647.0)) AccessError("Integer");
  return static_cast<std::int32_t>(value);
}

// Precision significant digits, like the grid shows it.
std::string TFloatField::GetAsString() {
  double value = 0;
  return GetValue(value) ? FormatGeneral(value, 15) : std::string();
}

Variant TFloatField::GetAsVariant() {
  double value = 0;
  return GetValue(value) ? Variant(value) : Null();
}

// MinValue and MaxValue both 0 mean no range.
void TFloatField::SetAsFloat(double Value) {
  if ((minValue_ != 0 || maxValue_ != 0) && (Value < minValue_ || Value > maxValue_))
    RangeError(FloatToStr(Value), FloatToStr(minValue_), FloatToStr(maxValue_));
  SetData(&Value);
}

void TFloatField::SetAsInteger(std::int32_t Value) {
  SetAsFloat(Value);
}

void TFloatField::SetAsString(const std::string& Value) {
  if (TrimView(Value).empty()) {
    Clear();
    return;
  }
  double number = 0;
  if (!TryStrToFloat(Value, number)) ConvertError(Value, "floating point");
  SetAsFloat(number);
}

void TFloatField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else if (VarIsStr(Value))
    SetAsString(std::string(Value.TextView()));
  else
    SetAsFloat(Value.AsDouble());
}

// Money shows two decimals; other numbers their significant digits.
std::string TFloatField::GetText(bool DisplayText) {
  double value = 0;
  if (!GetValue(value)) return std::string();
  std::string plain =
      currency_ && DisplayText ? FormatFixed(value, 2) : FormatGeneral(value, precision_);
  return FormatNumber(value, DisplayText, std::move(plain));
}

void TFloatField::SetCurrency(bool Value) {
  currency_ = Value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int Value) {
  precision_ = std::clamp(Value, 2, 17);
  PropertyChanged(false);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

TCurrencyField::~TCurrencyField() = default;

}  // namespace host
