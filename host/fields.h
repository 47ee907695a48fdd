// Fields: the objects through which application code and data-aware controls
// read and write one value of a data set's current record.
//
// A field is a component. A persistent field is owned by the form and stored
// in the form file nested in its data set's block (object Query1ID:
// TIntegerField ... end); it binds to the data set's definition of the same
// FieldName when the data set opens. A default field is made by the data set
// itself from its definitions when it has no persistent fields, and freed
// when it closes. Calculated fields take their values in the data set's
// OnCalcFields handler; lookup fields look their value up in another data set
// by key. Every value crosses between the field and the data set through
// GetFieldData/SetFieldData in the data formats of host/db.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/component.h"
#include "host/db.h"
#include "host/variant.h"

namespace host {

class TDataSet;
class TPropertyTable;
class TStream;
class TStrings;

class TField : public TComponent {
 public:
  explicit TField(TComponent* AOwner);
  ~TField() override;

  // Virtual order (a contract for subclasses): GetDataSize, GetDefaultWidth,
  // GetAsBoolean, GetAsDateTime, GetAsFloat, GetAsInteger, GetAsString,
  // GetAsVariant, SetAsBoolean, SetAsDateTime, SetAsFloat, SetAsInteger,
  // SetAsString, SetAsVariant, GetText, SetText, GetIsNull, Clear,
  // CheckTypeSize, SetSize, Bind; after those of TComponent.
  //
  // Bytes the field's value takes in a field buffer (host/db.h).
  virtual int GetDataSize() const;
  // The width a grid gives the field when DisplayWidth is not set.
  virtual int GetDefaultWidth() const;
  virtual bool GetAsBoolean();
  virtual TDateTime GetAsDateTime();
  virtual double GetAsFloat();
  virtual std::int32_t GetAsInteger();
  virtual std::string GetAsString();
  // Null when the field has no value.
  virtual Variant GetAsVariant();
  virtual void SetAsBoolean(bool Value);
  virtual void SetAsDateTime(TDateTime Value);
  virtual void SetAsFloat(double Value);
  virtual void SetAsInteger(std::int32_t Value);
  virtual void SetAsString(const std::string& Value);
  // Null and Empty clear the field.
  virtual void SetAsVariant(const Variant& Value);
  // The value as text: for display (formatted) or for editing.
  virtual std::string GetText(bool DisplayText);
  // Sets the value from text typed by a user.
  virtual void SetText(const std::string& Value);
  virtual bool GetIsNull();
  // Gives the field no value.
  virtual void Clear();
  // Refuses a size the field type cannot have (EDatabaseError).
  virtual void CheckTypeSize(int Value) const;
  virtual void SetSize(int Value);
  // The data set binds (true) and unbinds (false) its fields around opening.
  virtual void Bind(bool Binding);

  // The bindings of the component model: a field's parent is its data set.
  bool HasParent() const override;
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Copies another field's value (or null).
  void Assign(TPersistent* Source) override;

  // Published: Alignment, DisplayLabel, DisplayWidth, FieldKind, FieldName,
  // KeyFields, LookupDataSet, LookupKeyFields, LookupResultField, Origin,
  // ProviderFlags, ReadOnly, Required, Visible, and the events; Calculated
  // and Lookup are read (older files carry them) but not written.
  static const TPropertyTable& Properties();

  // ---- the value
  bool AsBoolean() { return GetAsBoolean(); }
  TDateTime AsDateTime() { return GetAsDateTime(); }
  double AsFloat() { return GetAsFloat(); }
  std::int32_t AsInteger() { return GetAsInteger(); }
  std::string AsString() { return GetAsString(); }
  Variant AsVariant() { return GetAsVariant(); }
  Variant Value() { return GetAsVariant(); }
  void SetValue(const Variant& Value) { SetAsVariant(Value); }
  bool IsNull() { return GetIsNull(); }
  // The value a record had before editing, and its value being edited.
  Variant OldValue();
  Variant NewValue();
  // OnGetText when assigned, else GetText: for display, and for editing.
  std::string DisplayText();
  std::string Text();
  // OnSetText when assigned, else SetText.
  void SetEditText(const std::string& Value);

  // Reads the field's value into Buffer (nullptr only asks whether there is
  // one); false when the field has no value.
  bool GetData(void* Buffer);
  // Writes Buffer (nullptr for no value) to the data set's record after
  // checking that the data set is being edited and the field may change, and
  // after OnValidate accepted it.
  void SetData(const void* Buffer);
  // Lets OnValidate see and refuse Buffer before it is stored.
  void Validate(const void* Buffer);
  // True when the data set and the field allow changes now.
  bool CanModify();
  // Asks the data-aware control showing the field to take the focus.
  void FocusControl();

  // ---- what the field is
  TDataSet* DataSet() const { return dataSet_; }
  // Joins Value's field list (leaving the old one); both must be closed.
  void SetDataSet(TDataSet* Value);
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& Value);
  // DisplayLabel when set, else FieldName.
  const std::string& DisplayName() const;
  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const std::string& Value);
  int DisplayWidth() const;
  // The stored width: 0 when not set.
  int StoredDisplayWidth() const { return displayWidth_; }
  void SetDisplayWidth(int Value);
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind Value);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  void SetCalculated(bool Value);
  bool Lookup() const { return fieldKind_ == fkLookup; }
  void SetLookup(bool Value);
  // The driver's number of the field once bound (0 before); calculated and
  // lookup fields have -1.
  int FieldNo() const { return fieldNo_; }
  // The position in the data set's field list.
  int Index() const;
  void SetIndex(int Value);
  // Where a calculated field's slot starts in the calculated-field area.
  int Offset() const { return offset_; }
  int DataSize() const { return GetDataSize(); }
  int Size() const { return size_; }
  bool Required() const { return required_; }
  void SetRequired(bool Value) { required_ = Value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  const std::string& Origin() const { return origin_; }
  void SetOrigin(const std::string& Value) { origin_ = Value; }
  TProviderFlags ProviderFlags() const { return providerFlags_; }
  void SetProviderFlags(TProviderFlags Value) { providerFlags_ = Value; }
  // Whether string values are converted by the data set's Translate.
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool Value) { transliterate_ = Value; }

  // ---- lookup fields: the value of LookupResultField of the LookupDataSet
  // record whose LookupKeyFields equal this data set's KeyFields.
  const std::string& KeyFields() const { return keyFields_; }
  void SetKeyFields(const std::string& Value);
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* Value);
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const std::string& Value);
  const std::string& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const std::string& Value);

  TFieldNotifyEvent OnChange;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;

 protected:
  // Subclasses give their type and, for sized types, their size.
  void SetDataType(TFieldType Value) { dataType_ = Value; }
  void SetSizeField(int Value) { size_ = Value; }
  // EDatabaseError "Cannot access field 'X' as type T".
  [[noreturn]] void AccessError(const char* TypeName) const;
  // EDatabaseError "'text' is not a valid T value for field 'X'".
  [[noreturn]] void ConvertError(const std::string& Text, const char* TypeName) const;
  // EDatabaseError "V is not a valid value for field 'X'. The allowed range is
  // Min to Max".
  [[noreturn]] void RangeError(const std::string& Value, const std::string& Min,
                               const std::string& Max) const;
  // A buffer of at least Size bytes that lives with the field, so that
  // reading a value allocates nothing once the field has read one.
  char* Scratch(std::size_t Size);
  // Tells the data set's observers that the field's display changed.
  void PropertyChanged(bool LayoutAffected);
  // Computes a lookup field's value on the record being calculated.
  void CalcLookupValue();
  // True while OnValidate runs: GetData then reads the value being set.
  bool Validating() const { return validating_; }
  // EDatabaseError unless the data set is being edited and this field may
  // change in its state (writes that bypass SetData check this first).
  void CheckCanWrite();
  // The data set; EDatabaseError "Field 'X' has no data set" without one.
  TDataSet* CheckedDataSet() const;

 private:
  friend class TDataSet;

  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  std::string displayLabel_;
  std::string origin_;
  std::string keyFields_;
  std::string lookupKeyFields_;
  std::string lookupResultField_;
  TDataSet* lookupDataSet_ = nullptr;
  int displayWidth_ = 0;
  int size_ = 0;
  int fieldNo_ = 0;
  int offset_ = 0;
  TFieldType dataType_ = ftUnknown;
  TFieldKind fieldKind_ = fkData;
  TAlignment alignment_ = taLeftJustify;
  TProviderFlags providerFlags_ = (1u << pfInUpdate) | (1u << pfInWhere);
  bool required_ = false;
  bool readOnly_ = false;
  bool visible_ = true;
  bool transliterate_ = true;
  bool validating_ = false;
  const void* validateBuffer_ = nullptr;  // the value OnValidate is looking at
  std::vector<char> scratch_;
};

// ------------------------------------------------------------------ strings

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* AOwner);
  ~TStringField() override;

  // Published: Size (default 20) and Transliterate (default True).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return Size() + 1; }
  int GetDefaultWidth() const override { return Size(); }
  bool GetAsBoolean() override;
  TDateTime GetAsDateTime() override;
  double GetAsFloat() override;
  std::int32_t GetAsInteger() override;
  std::string GetAsString() override;
  Variant GetAsVariant() override;
  void SetAsBoolean(bool Value) override;
  void SetAsDateTime(TDateTime Value) override;
  void SetAsFloat(double Value) override;
  void SetAsInteger(std::int32_t Value) override;
  // Text longer than Size is cut at Size characters.
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;
  void CheckTypeSize(int Value) const override;

 private:
  // Reads the value; false without one.
  bool GetValue(std::string& Value);
};

// ------------------------------------------------------------------ numbers

// Numbers align to the right and may have display and edit formats
// ("#,##0.00", sections for negative and zero values).
class TNumericField : public TField {
 public:
  explicit TNumericField(TComponent* AOwner);
  ~TNumericField() override;

  static const TPropertyTable& Properties();

  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& Value);
  const std::string& EditFormat() const { return editFormat_; }
  void SetEditFormat(const std::string& Value);

 protected:
  // The number as text in the display or edit format, or plainly.
  std::string FormatNumber(double Value, bool DisplayText, std::string Plain) const;

 private:
  std::string displayFormat_;
  std::string editFormat_;
};

class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* AOwner);
  ~TIntegerField() override;

  // Published: MaxValue, MinValue (0 and 0: no range).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return 4; }
  int GetDefaultWidth() const override { return 11; }
  double GetAsFloat() override;
  std::int32_t GetAsInteger() override;
  std::string GetAsString() override;
  Variant GetAsVariant() override;
  void SetAsFloat(double Value) override;
  void SetAsInteger(std::int32_t Value) override;
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;
  std::string GetText(bool DisplayText) override;

  std::int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(std::int32_t Value) { maxValue_ = Value; }
  std::int32_t MinValue() const { return minValue_; }
  void SetMinValue(std::int32_t Value) { minValue_ = Value; }

 protected:
  // Virtual order (for the 16-bit subclasses): GetValue, StoreValue.
  //
  // The value; false without one.
  virtual bool GetValue(std::int32_t& Value);
  // Stores Value after the range check (MinValue..MaxValue, and the type's).
  virtual void StoreValue(std::int32_t Value);
  void CheckRange(std::int64_t Value, std::int64_t TypeMin, std::int64_t TypeMax) const;

 private:
  std::int32_t minValue_ = 0;
  std::int32_t maxValue_ = 0;
};

// 16-bit values in a 16-bit buffer.
class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* AOwner);
  ~TSmallintField() override;
  int GetDataSize() const override { return 2; }
  int GetDefaultWidth() const override { return 6; }

 protected:
  bool GetValue(std::int32_t& Value) override;
  void StoreValue(std::int32_t Value) override;
};

// Unsigned 16-bit values in a 16-bit buffer.
class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* AOwner);
  ~TWordField() override;
  int GetDataSize() const override { return 2; }
  int GetDefaultWidth() const override { return 5; }

 protected:
  bool GetValue(std::int32_t& Value) override;
  void StoreValue(std::int32_t Value) override;
};

// A number the database assigns; 32-bit, like an integer field.
class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* AOwner);
  ~TAutoIncField() override;
};

class TFloatField : public TNumericField {
 public:
  explicit TFloatField(TComponent* AOwner);
  ~TFloatField() override;

  // Published: Currency (default False), MaxValue, MinValue (0 and 0: no
  // range), Precision (significant digits shown, default 15).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return 8; }
  int GetDefaultWidth() const override { return 16; }
  double GetAsFloat() override;
  std::int32_t GetAsInteger() override;
  std::string GetAsString() override;
  Variant GetAsVariant() override;
  void SetAsFloat(double Value) override;
  void SetAsInteger(std::int32_t Value) override;
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;
  std::string GetText(bool DisplayText) override;

  bool Currency() const { return currency_; }
  void SetCurrency(bool Value);
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double Value) { maxValue_ = Value; }
  double MinValue() const { return minValue_; }
  void SetMinValue(double Value) { minValue_ = Value; }
  int Precision() const { return precision_; }
  void SetPrecision(int Value);

 private:
  bool GetValue(double& Value);

  bool currency_ = false;
  double minValue_ = 0;
  double maxValue_ = 0;
  int precision_ = 15;
};

// Money: a float field shown with two decimals.
class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* AOwner);
  ~TCurrencyField() override;
  // Currency is published again with default True.
  static const TPropertyTable& Properties();
};

// ----------------------------------------------------------------- Booleans

class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* AOwner);
  ~TBooleanField() override;

  // Published: DisplayValues, "True;False" unless set.
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return 2; }
  int GetDefaultWidth() const override;
  bool GetAsBoolean() override;
  std::string GetAsString() override;
  Variant GetAsVariant() override;
  void SetAsBoolean(bool Value) override;
  // Takes the true or false text of DisplayValues (or a prefix of one,
  // without case), True/False, or a number; "" clears.
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;

  // "Yes;No": the texts of true and false, separated by ";".
  const std::string& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const std::string& Value);

 private:
  std::string displayValues_;
  std::string trueText_ = "True";
  std::string falseText_ = "False";
};

// ------------------------------------------------------------ dates, times

class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* AOwner);
  ~TDateTimeField() override;

  // Published: DisplayFormat (FormatDateTime patterns).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return 8; }
  int GetDefaultWidth() const override { return 19; }
  TDateTime GetAsDateTime() override;
  double GetAsFloat() override;
  std::string GetAsString() override;
  Variant GetAsVariant() override;
  void SetAsDateTime(TDateTime Value) override;
  void SetAsFloat(double Value) override;
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;
  std::string GetText(bool DisplayText) override;

  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& Value);

 protected:
  // The value; false without one.
  bool GetValue(TDateTime& Value);
  // Virtual order (for the date and time subclasses): DefaultText,
  // ParseText.
  //
  // The value as text in this type's own format.
  virtual std::string DefaultText(TDateTime Value) const;
  // Text to a value of this type; EDatabaseError when it is none.
  virtual TDateTime ParseText(const std::string& Text) const;

 private:
  std::string displayFormat_;
};

// The date alone: the time-stamp day in the buffer.
class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* AOwner);
  ~TDateField() override;
  int GetDataSize() const override { return 4; }
  int GetDefaultWidth() const override { return 10; }

 protected:
  std::string DefaultText(TDateTime Value) const override;
  TDateTime ParseText(const std::string& Text) const override;
};

// The time of day alone: milliseconds since midnight in the buffer.
class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* AOwner);
  ~TTimeField() override;
  int GetDataSize() const override { return 4; }
  int GetDefaultWidth() const override { return 8; }

 protected:
  std::string DefaultText(TDateTime Value) const override;
  TDateTime ParseText(const std::string& Text) const override;
};

// ---------------------------------------------------------- bytes, blobs

// Fixed-length binary values: Size bytes.
class TBytesField : public TField {
 public:
  explicit TBytesField(TComponent* AOwner);
  ~TBytesField() override;

  // Published: Size (default 16).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return Size(); }
  int GetDefaultWidth() const override { return Size() * 2; }
  // The bytes as a string of the same bytes.
  std::string GetAsString() override;
  // A byte array.
  Variant GetAsVariant() override;
  // Up to Size bytes; the rest of the buffer is zero.
  void SetAsString(const std::string& Value) override;
  // A byte array, or a string taken as its bytes.
  void SetAsVariant(const Variant& Value) override;
  // The bytes in hex, as a grid shows them.
  std::string GetText(bool DisplayText) override;
  void CheckTypeSize(int Value) const override;
};

// Values of any length, read and written through the data set's blob
// streams (CreateBlobStream). Size is informational.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* AOwner);
  ~TBlobField() override;

  // Published: BlobType (ftBlob), Size (0), Transliterate (False).
  static const TPropertyTable& Properties();

  int GetDataSize() const override { return 0; }
  std::string GetAsString() override;
  // A byte array for binary types, a string for memos; Null without value.
  Variant GetAsVariant() override;
  void SetAsString(const std::string& Value) override;
  void SetAsVariant(const Variant& Value) override;
  std::string GetText(bool DisplayText) override;
  void Clear() override;
  void CheckTypeSize(int Value) const override;
  // Another blob field's bytes, or a string list's text.
  void Assign(TPersistent* Source) override;

  // The value's length in bytes.
  std::int64_t BlobSize();
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType Value);
  bool IsBlob() const { return true; }
  // Set by the data set's blob stream when a value was written through it,
  // so that a post knows the value changed.
  bool Modified() const { return modified_; }
  void SetModified(bool Value) { modified_ = Value; }

  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

 protected:
  // The data set's stream for this field; EDatabaseError when it has none.
  std::unique_ptr<TStream> OpenStream(TBlobStreamMode Mode);

 private:
  bool modified_ = false;
};

// Text of any length.
class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* AOwner);
  ~TMemoField() override;
  // Published: BlobType (ftMemo), Transliterate (True).
  static const TPropertyTable& Properties();
};

// A picture's bytes.
class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* AOwner);
  ~TGraphicField() override;
  // Published: BlobType (ftGraphic).
  static const TPropertyTable& Properties();
};

// ------------------------------------------------------------------ classes

// The field class the framework uses for a type: string, smallint, integer,
// word, Boolean, float, currency, date, time, date-time, bytes, autoinc,
// blob, memo, graphic; nullptr for the others (BCD, variable-length bytes,
// formatted memo), which a driver maps to one of these or refuses.
TFieldFactory DefaultFieldClass(TFieldType Type);

}  // namespace host
