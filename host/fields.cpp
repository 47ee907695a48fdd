// TField: binding to a data set, the checked path of every value into the
// record, text and variant access, lookups; and the string field.
#include "host/fields.h"

#include <algorithm>
#include <cstring>

#include "host/dataset.h"

namespace host {

// ------------------------------------------------------------------ TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

// Leaves the data set's list first, so that closing the data set (which a
// field that goes away while it is open requires) cannot free it again.
TField::~TField() {
  TDataSet* dataSet = dataSet_;
  if (dataSet == nullptr) return;
  auto& list = dataSet->fields_.list_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  dataSet_ = nullptr;
  if (dataSet->Active()) {
    try {
      dataSet->Close();
    } catch (...) {
      // A destructor cannot pass the failure on; the data set reports it.
      dataSet->InternalHandleException();
    }
  }
  if (!dataSet->ComponentState().Contains(csDestroying)) dataSet->DataEvent(deFieldListChange, 0);
}

int TField::GetDataSize() const {
  return 0;
}

int TField::GetDefaultWidth() const {
  return 10;
}

// A field type answers only the conversions that make sense for it.
bool TField::GetAsBoolean() {
  AccessError("Boolean");
}
TDateTime TField::GetAsDateTime() {
  AccessError("DateTime");
}
double TField::GetAsFloat() {
  AccessError("Float");
}
std::int32_t TField::GetAsInteger() {
  AccessError("Integer");
}
std::string TField::GetAsString() {
  AccessError("String");
}
Variant TField::GetAsVariant() {
  AccessError("Variant");
}
void TField::SetAsBoolean(bool) {
  AccessError("Boolean");
}
void TField::SetAsDateTime(TDateTime) {
  AccessError("DateTime");
}
void TField::SetAsFloat(double) {
  AccessError("Float");
}
void TField::SetAsInteger(std::int32_t) {
  AccessError("Integer");
}
void TField::SetAsString(const std::string&) {
  AccessError("String");
}

// Routes a variant to the typed setter of its kind, so that a field type
// needs to override only the setters it supports.
void TField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty()) {
    Clear();
  } else if (VarIsStr(Value)) {
    SetAsString(std::string(Value.TextView()));
  } else if (Value.Type() == varBoolean) {
    SetAsBoolean(Value.AsBoolean());
  } else if (Value.Type() == varDate) {
    SetAsDateTime(Value.AsDateTime());
  } else if (VarIsFloat(Value)) {
    SetAsFloat(Value.AsDouble());
  } else if (VarIsOrdinal(Value)) {
    SetAsInteger(Value.AsInteger());
  } else {
    AccessError("Variant");
  }
}

std::string TField::GetText(bool /*DisplayText*/) {
  return GetAsString();
}

void TField::SetText(const std::string& Value) {
  SetAsString(Value);
}

bool TField::GetIsNull() {
  return !GetData(nullptr);
}

void TField::Clear() {
  SetData(nullptr);
}

// Only sized types (strings, bytes) have a size.
void TField::CheckTypeSize(int Value) const {
  if (Value != 0) DatabaseErrorFmt(SInvalidFieldSize, {Value, DisplayName()}, this);
}

void TField::SetSize(int Value) {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  CheckTypeSize(Value);
  size_ = Value;
}

// The scratch buffer holds any value of the field, so that reading one
// allocates nothing once bound; a lookup field must say where to look.
void TField::Bind(bool Binding) {
  if (!Binding) return;
  if (fieldKind_ == fkLookup && (lookupDataSet_ == nullptr || keyFields_.empty() ||
                                 lookupKeyFields_.empty() || lookupResultField_.empty()))
    DatabaseErrorFmt(SLookupInfoError, {DisplayName()}, dataSet_);
  Scratch(static_cast<std::size_t>(std::max(GetDataSize(), 8)) + 1);
}

bool TField::HasParent() const {
  return true;
}

TComponent* TField::GetParentComponent() const {
  return dataSet_;
}

// A field read nested in a data set's block joins that data set.
void TField::SetParentComponent(TComponent* Value) {
  if (auto* dataSet = dynamic_cast<TDataSet*>(Value)) SetDataSet(dataSet);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == lookupDataSet_) lookupDataSet_ = nullptr;
}

// Another field's value, or no value.
void TField::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TField*>(Source);
  if (source == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  if (source->IsNull())
    Clear();
  else
    SetAsVariant(source->GetAsVariant());
}

// The old and new values are read in their own temporary states, in which
// the data set chooses the buffer.
Variant TField::OldValue() {
  TDataSet::TTempStateScope state(*CheckedDataSet(), dsOldValue);
  return GetAsVariant();
}

Variant TField::NewValue() {
  TDataSet::TTempStateScope state(*CheckedDataSet(), dsNewValue);
  return GetAsVariant();
}

std::string TField::DisplayText() {
  if (!OnGetText) return GetText(true);
  std::string text;
  OnGetText(this, text, true);
  return text;
}

std::string TField::Text() {
  if (!OnGetText) return GetText(false);
  std::string text;
  OnGetText(this, text, false);
  return text;
}

void TField::SetEditText(const std::string& Value) {
  if (OnSetText)
    OnSetText(this, Value);
  else
    SetText(Value);
}

// While OnValidate looks at a value, the field reads that value.
bool TField::GetData(void* Buffer) {
  TDataSet* dataSet = CheckedDataSet();
  if (validating_) {
    if (validateBuffer_ == nullptr) return false;
    if (Buffer != nullptr && Buffer != validateBuffer_)
      std::memmove(Buffer, validateBuffer_, static_cast<std::size_t>(GetDataSize()));
    return true;
  }
  return dataSet->GetFieldData(this, Buffer);
}

void TField::SetData(const void* Buffer) {
  CheckCanWrite();
  if (CheckedDataSet()->State() != dsCalcFields) Validate(Buffer);
  dataSet_->SetFieldData(this, Buffer);
}

// Calculated and lookup fields change only while they are being computed;
// data fields only in the states that edit a record, and only when not
// read-only.
void TField::CheckCanWrite() {
  TDataSet* dataSet = CheckedDataSet();
  switch (dataSet->State()) {
    case dsCalcFields:
      if (fieldKind_ == fkData) DatabaseErrorFmt(SFieldReadOnly, {DisplayName()}, dataSet);
      return;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      if (readOnly_ || fieldKind_ != fkData)
        DatabaseErrorFmt(SFieldReadOnly, {DisplayName()}, dataSet);
      return;
    case dsSetKey:
    case dsFilter:
      return;
    default:
      DatabaseError(LoadResString(SNotEditing), dataSet);
  }
}

// OnValidate raises to refuse the value.
void TField::Validate(const void* Buffer) {
  if (!OnValidate) return;
  validating_ = true;
  validateBuffer_ = Buffer;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = false;
    validateBuffer_ = nullptr;
    throw;
  }
  validating_ = false;
  validateBuffer_ = nullptr;
}

bool TField::CanModify() {
  if (readOnly_ || fieldKind_ != fkData || dataSet_ == nullptr) return false;
  return dataSet_->CanModify();
}

void TField::FocusControl() {
  if (dataSet_ == nullptr) return;
  TField* field = this;
  dataSet_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

TDataSet* TField::CheckedDataSet() const {
  if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  return dataSet_;
}

// Moves the field to another data set; neither may be open, and the new one
// may not have a field of the same name.
void TField::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  if (Value != nullptr) {
    Value->CheckInactive();
    if (!fieldName_.empty() && Value->FindField(fieldName_) != nullptr)
      DatabaseErrorFmt(SDuplicateFieldName, {fieldName_}, Value);
  }
  if (dataSet_ != nullptr) {
    auto& list = dataSet_->fields_.list_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    dataSet_->DataEvent(deFieldListChange, 0);
  }
  dataSet_ = Value;
  if (Value != nullptr) {
    Value->fields_.list_.push_back(this);
    Value->DataEvent(deFieldListChange, 0);
  }
}

void TField::SetFieldName(const std::string& Value) {
  if (Value == fieldName_) return;
  if (dataSet_ != nullptr) {
    dataSet_->CheckInactive();
    TField* other = dataSet_->FindField(Value);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {Value}, dataSet_);
  }
  fieldName_ = Value;
  PropertyChanged(true);
}

const std::string& TField::DisplayName() const {
  return displayLabel_.empty() ? fieldName_ : displayLabel_;
}

void TField::SetDisplayLabel(const std::string& Value) {
  displayLabel_ = Value == fieldName_ ? std::string() : Value;
  PropertyChanged(true);
}

int TField::DisplayWidth() const {
  return displayWidth_ > 0 ? displayWidth_ : GetDefaultWidth();
}

void TField::SetDisplayWidth(int Value) {
  displayWidth_ = Value;
  PropertyChanged(true);
}

void TField::SetFieldKind(TFieldKind Value) {
  if (Value == fieldKind_) return;
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  fieldKind_ = Value;
}

void TField::SetCalculated(bool Value) {
  if (Value)
    SetFieldKind(fkCalculated);
  else if (fieldKind_ == fkCalculated)
    SetFieldKind(fkData);
}

void TField::SetLookup(bool Value) {
  if (Value)
    SetFieldKind(fkLookup);
  else if (fieldKind_ == fkLookup)
    SetFieldKind(fkData);
}

int TField::Index() const {
  return dataSet_ != nullptr ? dataSet_->fields_.IndexOf(this) : -1;
}

// A new place in the field list is a new layout for grids.
void TField::SetIndex(int Value) {
  if (dataSet_ == nullptr) return;
  auto& list = dataSet_->fields_.list_;
  int current = Index();
  Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
  if (current < 0 || Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
  dataSet_->DataEvent(deFieldListChange, 0);
  PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
  readOnly_ = Value;
  PropertyChanged(false);
}

void TField::SetVisible(bool Value) {
  visible_ = Value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  PropertyChanged(false);
}

void TField::SetKeyFields(const std::string& Value) {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  keyFields_ = Value;
}

// A field cannot look itself up in its own data set: calculating its record
// would move the very cursor the calculation reads.
void TField::SetLookupDataSet(TDataSet* Value) {
  if (Value == lookupDataSet_) return;
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  if (Value != nullptr && Value == dataSet_) DatabaseError(LoadResString(SCircularDataLink), this);
  lookupDataSet_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TField::SetLookupKeyFields(const std::string& Value) {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  lookupKeyFields_ = Value;
}

void TField::SetLookupResultField(const std::string& Value) {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  lookupResultField_ = Value;
}

void TField::AccessError(const char* TypeName) const {
  DatabaseErrorFmt(SFieldAccessError, {DisplayName(), TypeName});
}

void TField::ConvertError(const std::string& Text, const char* TypeName) const {
  DatabaseErrorFmt(SInvalidFieldValue, {Text, TypeName, DisplayName()});
}

void TField::RangeError(const std::string& Value, const std::string& Min,
                        const std::string& Max) const {
  DatabaseErrorFmt(SFieldRangeError, {Value, DisplayName(), Min, Max});
}

char* TField::Scratch(std::size_t Size) {
  if (scratch_.size() < Size) scratch_.resize(Size);
  return scratch_.data();
}

// Grids redraw for a change of how a field shows, and rebuild their columns
// for a change of layout.
void TField::PropertyChanged(bool LayoutAffected) {
  if (dataSet_ != nullptr && dataSet_->Active())
    dataSet_->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

// The key values come from this data set's record being calculated; a
// record without a key has no lookup value.
void TField::CalcLookupValue() {
  if (lookupDataSet_ == nullptr || !lookupDataSet_->Active()) return;
  Variant key = dataSet_->GetFieldValue(keyFields_);
  if (key.IsNull()) return;
  if (key.IsArray())
    for (int i = VarArrayLowBound(key); i <= VarArrayHighBound(key); ++i)
      if (VarArrayGet(key, i).IsNull()) return;
  Variant result = lookupDataSet_->Lookup(lookupKeyFields_, key, lookupResultField_);
  if (!result.IsNull()) SetAsVariant(result);
}

// ------------------------------------------------------------ TStringField

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSizeField(20);
}

TStringField::~TStringField() = default;

// The characters up to the terminator, converted from the driver's character
// set when Transliterate asks for it.
bool TStringField::GetValue(std::string& Value) {
  auto size = static_cast<std::size_t>(GetDataSize());
  char* buffer = Scratch(size + 1);
  if (!GetData(buffer)) return false;
  buffer[size] = '\0';
  if (Transliterate() && DataSet() != nullptr) DataSet()->Translate(buffer, buffer, false);
  Value.assign(buffer, std::strlen(buffer));
  return true;
}

std::string TStringField::GetAsString() {
  std::string value;
  GetValue(value);
  return value;
}

Variant TStringField::GetAsVariant() {
  std::string value;
  if (!GetValue(value)) return Null();
  return Variant(std::move(value));
}

bool TStringField::GetAsBoolean() {
  std::string value = GetAsString();
  if (value.empty()) return false;
  char first = static_cast<char>(value[0] & ~0x20);
  if (first == 'T' || first == 'Y') return true;
  if (first == 'F' || first == 'N') return false;
  ConvertError(value, "Boolean");
}

TDateTime TStringField::GetAsDateTime() {
  std::string value = GetAsString();
  TDateTime result = 0;
  if (!value.empty() && !TryStrToDateTime(value, result)) ConvertError(value, "date and time");
  return result;
}

double TStringField::GetAsFloat() {
  std::string value = GetAsString();
  double result = 0;
  if (!value.empty() && !TryStrToFloat(value, result)) ConvertError(value, "floating point");
  return result;
}

std::int32_t TStringField::GetAsInteger() {
  std::string value = GetAsString();
  std::int32_t result = 0;
  if (!value.empty() && !TryStrToInt(value, result)) ConvertError(value, "integer");
  return result;
}

void TStringField::SetAsBoolean(bool Value) {
  SetAsString(Value ? "T" : "F");
}

void TStringField::SetAsDateTime(TDateTime Value) {
  SetAsString(DateTimeToStr(Value));
}

void TStringField::SetAsFloat(double Value) {
  SetAsString(FloatToStr(Value));
}

void TStringField::SetAsInteger(std::int32_t Value) {
  SetAsString(IntToStr(Value));
}

// The text is cut to Size before it is converted, so that no conversion can
// write past the field's buffer; the rest of the buffer is zero.
void TStringField::SetAsString(const std::string& Value) {
  auto size = static_cast<std::size_t>(Size());
  char* buffer = Scratch(size + 1);
  std::size_t length = std::min(Value.size(), size);
  std::memcpy(buffer, Value.data(), length);
  std::memset(buffer + length, 0, size + 1 - length);
  if (Transliterate()) CheckedDataSet()->Translate(buffer, buffer, true);
  SetData(buffer);
}

void TStringField::SetAsVariant(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty())
    Clear();
  else
    SetAsString(Value.AsString());
}

// A string field holds at least one character.
void TStringField::CheckTypeSize(int Value) const {
  if (Value < 1) DatabaseErrorFmt(SInvalidFieldSize, {Value, DisplayName()}, this);
}

}  // namespace host
