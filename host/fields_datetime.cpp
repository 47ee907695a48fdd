// Boolean fields, and date, time and date-and-time fields, which exchange
// their values with the data set as time stamps (host/db.h).
#include <algorithm>

#include "host/dataset.h"
#include "host/fields.h"

namespace host {

// ----------------------------------------------------------- TBooleanField

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBoolean);
}

TBooleanField::~TBooleanField() = default;

int TBooleanField::GetDefaultWidth() const {
  return static_cast<int>(std::max(trueText_.size(), falseText_.size()));
}

bool TBooleanField::GetAsBoolean() {
  std::int16_t value = 0;
  return GetData(&value) && value != 0;
}

std::string TBooleanField::GetAsString() {
  std::int16_t value = 0;
  if (!GetData(&value)) return std::string();
  return value != 0 ? trueText_ : falseText_;
}

Variant TBooleanField::GetAsVariant() {
  std::int16_t value = 0;
  if (!GetData(&value)) return Null();
  return Variant(value != 0);
}

// True is stored as 1, the value every reader of the format takes as true.
void TBooleanField::SetAsBoolean(bool Value) {
  std::int16_t value = Value ? 1 : 0;
  SetData(&value);
}

// A user may type the beginning of either text, in any case.
void TBooleanField::SetAsString(const std::string& Value) {
  std::string_view text = TrimView(Value);
  if (text.empty()) {
    Clear();
    return;
  }
  auto startsText = [text](const std::string& Whole) {
    return text.size() <= Whole.size() && AnsiSameText(Whole.substr(0, text.size()), text);
  };
  bool isTrue = startsText(trueText_);
  bool isFalse = startsText(falseText_);
  if (isTrue != isFalse) {
    SetAsBoolean(isTrue);
    return;
  }
  bool value = false;
  if (!isTrue && TryStrToBool(text, value)) {
    SetAsBoolean(value);
    return;
  }
  ConvertError(Value, "Boolean");
}

void TBooleanField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else if (VarIsStr(Value))
    SetAsString(std::string(Value.TextView()));
  else
    SetAsBoolean(Value.AsBoolean());
}

// "Yes;No", "Yes;" or ";No": a missing text keeps True or False.
void TBooleanField::SetDisplayValues(const std::string& Value) {
  displayValues_ = Value;
  std::size_t semicolon = Value.find(';');
  std::string first = Value.substr(0, semicolon);
  std::string second = semicolon == std::string::npos ? std::string() : Value.substr(semicolon + 1);
  trueText_ = first.empty() ? "True" : first;
  falseText_ = second.empty() ? "False" : second;
  PropertyChanged(false);
}

// ---------------------------------------------------------- TDateTimeField

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftDateTime);
}

TDateTimeField::~TDateTimeField() = default;

// The buffer is a time stamp: a day for dates, the milliseconds of the day
// for times, the whole stamp in milliseconds for date and time.
bool TDateTimeField::GetValue(TDateTime& Value) {
  TDateTimeRec buffer{};
  if (!GetData(&buffer)) return false;
  switch (DataType()) {
    case ftDate:
      Value = TimeStampToDateTime(TTimeStamp{0, buffer.Date});
      break;
    case ftTime:
      Value = TimeStampToDateTime(TTimeStamp{buffer.Time, DateDelta});
      break;
    default:
      Value = TimeStampToDateTime(MSecsToTimeStamp(buffer.DateTime));
      break;
  }
  return true;
}

void TDateTimeField::SetAsDateTime(TDateTime Value) {
  TTimeStamp stamp = DateTimeToTimeStamp(Value);
  TDateTimeRec buffer{};
  switch (DataType()) {
    case ftDate:
      buffer.Date = stamp.Date;
      break;
    case ftTime:
      buffer.Time = stamp.Time;
      break;
    default:
      buffer.DateTime = TimeStampToMSecs(stamp);
      break;
  }
  SetData(&buffer);
}

TDateTime TDateTimeField::GetAsDateTime() {
  TDateTime value = 0;
  return GetValue(value) ? value : 0;
}

double TDateTimeField::GetAsFloat() {
  return GetAsDateTime();
}

std::string TDateTimeField::GetAsString() {
  return GetText(false);
}

Variant TDateTimeField::GetAsVariant() {
  TDateTime value = 0;
  return GetValue(value) ? VarFromDateTime(value) : Null();
}

void TDateTimeField::SetAsFloat(double Value) {
  SetAsDateTime(Value);
}

void TDateTimeField::SetAsString(const std::string& Value) {
  if (TrimView(Value).empty()) {
    Clear();
    return;
  }
  SetAsDateTime(ParseText(Value));
}

void TDateTimeField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else if (VarIsStr(Value))
    SetAsString(std::string(Value.TextView()));
  else
    SetAsDateTime(VarToDateTime(Value));
}

// DisplayFormat applies to display text; editing uses the type's own form,
// which reads back.
std::string TDateTimeField::GetText(bool DisplayText) {
  TDateTime value = 0;
  if (!GetValue(value)) return std::string();
  if (DisplayText && !displayFormat_.empty()) return FormatDateTime(displayFormat_, value);
  return DefaultText(value);
}

void TDateTimeField::SetDisplayFormat(const std::string& Value) {
  displayFormat_ = Value;
  PropertyChanged(false);
}

std::string TDateTimeField::DefaultText(TDateTime Value) const {
  return DateTimeToStr(Value);
}

TDateTime TDateTimeField::ParseText(const std::string& Text) const {
  TDateTime value = 0;
  if (!TryStrToDateTime(Text, value)) ConvertError(Text, "date and time");
  return value;
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) {
  SetDataType(ftDate);
}

TDateField::~TDateField() = default;

std::string TDateField::DefaultText(TDateTime Value) const {
  return DateToStr(Value);
}

TDateTime TDateField::ParseText(const std::string& Text) const {
  TDateTime value = 0;
  if (!TryStrToDate(Text, value)) ConvertError(Text, "date");
  return value;
}

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) {
  SetDataType(ftTime);
}

TTimeField::~TTimeField() = default;

std::string TTimeField::DefaultText(TDateTime Value) const {
  return TimeToStr(Value);
}

TDateTime TTimeField::ParseText(const std::string& Text) const {
  TDateTime value = 0;
  if (!TryStrToTime(Text, value)) ConvertError(Text, "time");
  return value;
}

}  // namespace host
