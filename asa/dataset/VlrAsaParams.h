// TAsaParam and TAsaParams: the named parameters of a dataset's query.
//
// The dataset finds the ":name" markers of its SQL text and makes one
// parameter per marker, aliased by its name; before it opens or executes the
// query it hands the statement all values at once (GetParamValues). The
// collection is stored in form files as one raw-byte property, "Data":
//
//   count (int32), then per parameter:
//     name length (int32), name, alias length (int32), alias,
//     data type (1 byte), and for a type other than ntUnknown:
//     text length (int32), text (the value as GetAsString gives it)
//
// Integers are little-endian; texts are their bytes without a terminator.
// Reading checks every count and length against the bytes that are left and
// refuses anything else with EReadError, so a damaged form file is never
// read past its end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/VlrBase.h"
#include "host/component.h"
#include "host/datetime.h"
#include "host/variant.h"

namespace host {
class TField;
class TStream;
struct TEnumTypeInfo;
}  // namespace host

namespace velar {

// The types a parameter declares: ntUnknown .. ntBlob of the library's field
// types. Value names for designers: AsaParamDataTypeInfo.
using TAsaParamDataType = TVelarFieldTypes;
// The kinds of long value a parameter loads from a stream: ntMemo or ntBlob.
using TAsaParamBlobType = TVelarFieldTypes;
inline constexpr TAsaParamDataType kAsaParamDataTypeLow = ntUnknown;
inline constexpr TAsaParamDataType kAsaParamDataTypeHigh = ntBlob;

// "ntUnknown", "ntString", ... "ntBlob": the names of TAsaParamDataType from
// its lowest value to its highest, ordinal = index.
const host::TEnumTypeInfo& AsaParamDataTypeInfo();

class TAsaParams;

class TAsaParam : public host::TPersistent {
 public:
  // Joins AParams (when given) at its end; the type is ntUnknown, the value
  // integer 0, not null.
  TAsaParam(TAsaParams* AParams, const std::string& AName);
  TAsaParam(const TAsaParam&) = delete;
  TAsaParam& operator=(const TAsaParam&) = delete;
  // Leaves its collection first.
  ~TAsaParam() override;

  // Another parameter (name, alias, type, value), a field (AssignField), a
  // string list (as a memo), a bitmap or a picture holding one (as a blob);
  // anything else raises the framework's cannot-assign error.
  void Assign(host::TPersistent* Source) override;

  // The name as written in the SQL text, and the name under which the
  // parameter is listed, edited and found by ParamByAlias.
  std::string Name;
  std::string Alias;

  TAsaParams* Params() const { return params_; }
  TAsaParamDataType DataType() const { return dataType_; }
  // True after Clear (and after a value of a kind no type fits): the
  // statement receives Null for the parameter.
  bool IsNull() const { return isNull_; }
  const host::Variant& Value() const { return value_; }

  // No value: IsNull, Value integer 0; the type stays.
  void Clear();
  // Value integer 0; IsNull stays.
  void SetDataType(TAsaParamDataType Value);
  // The value from text, converted by the type (a new parameter becomes a
  // string). Text that is no integer, number, currency or Boolean for such a
  // type raises EConvertError; text that is no date leaves a date type 0.
  void SetText(const std::string& Text);
  // The value as text: "" when null, dates by the date-time format, Booleans
  // as "True"/"False", anything else as the value converts to text.
  std::string GetAsString() const;

  host::Variant GetAsVariant() const { return value_; }
  // Takes the type from the value's kind; a kind no type fits makes the
  // parameter null of type ntUnknown (keeping the value).
  void SetAsVariant(const host::Variant& Value);
  std::int32_t GetAsInteger() const;
  void SetAsInteger(std::int32_t Value);
  double GetAsFloat() const;
  void SetAsFloat(double Value);
  // The type becomes ntCurrency; the value stays a double.
  void SetAsCurrency(double Value);
  // 0 when null.
  host::TDateTime GetAsDateTime() const;
  void SetAsDate(host::TDateTime Value);
  void SetAsTime(host::TDateTime Value);
  void SetAsDateTime(host::TDateTime Value);
  bool GetAsBoolean() const;
  void SetAsBoolean(bool Value);
  std::string GetAsMemo() const;
  void SetAsMemo(const std::string& Value);
  void SetAsString(const std::string& Value);
  // A byte array of the bytes of Value; an empty Value changes nothing.
  void SetAsBlob(const std::string& Value);
  void SetBlobData(const void* Buffer, int Size);
  // The whole stream (from its beginning) as a memo or a blob.
  void LoadFromStream(host::TStream* Stream, TAsaParamBlobType BlobType);
  void LoadFromFile(const std::string& FileName, TAsaParamBlobType BlobType);

  // Same kind and value, name, alias (case-sensitively), type and null flag.
  bool IsEqual(const TAsaParam& Other) const;
  // Name and alias from the field's name, the value (or null) from its value.
  void AssignField(host::TField* Field);

 private:
  friend class TAsaParams;

  void SetDateValue(host::TDateTime Value, TAsaParamDataType Type);
  // Only the collection's Data reader sets a type byte directly.
  void SetStreamedDataType(TAsaParamDataType Value) { dataType_ = Value; }

  TAsaParams* params_ = nullptr;
  TAsaParamDataType dataType_ = ntUnknown;
  host::Variant value_;
  bool isNull_ = false;
};

class TAsaParams : public host::TPersistent {
 public:
  // AOwner is what GetOwner answers: the dataset that publishes the
  // collection, or nullptr.
  explicit TAsaParams(host::TPersistent* AOwner);
  TAsaParams(const TAsaParams&) = delete;
  TAsaParams& operator=(const TAsaParams&) = delete;
  // Frees every parameter.
  ~TAsaParams() override;

  // Another collection: assigns it to Dest; anything else as the framework.
  void AssignTo(host::TPersistent* Dest) override;
  // The raw-byte property "Data" (see the file comment); stored when it
  // differs from the ancestor's collection, or without one when there are
  // parameters.
  void DefineProperties(host::TFiler* Filer) override;
  // Another collection: this one is rebuilt as a copy of it, parameter by
  // parameter; anything else as the framework.
  void Assign(host::TPersistent* Source) override;
  host::TPersistent* GetOwner() override { return owner_; }

  // Appends P (taking it from any collection it is in) and owns it.
  void AddParam(TAsaParam* P);
  // Gives P up: it belongs to no collection afterwards.
  void RemoveParam(TAsaParam* P);
  int Count() const { return static_cast<int>(list_.size()); }
  // Frees every parameter, the last first.
  void Clear();
  // The parameter at position Index; EListError outside the list. Two
  // parameters of one name (a name the SQL text uses twice) stay two.
  TAsaParam* GetParam(int Index) const;
  TAsaParam* operator[](int Index) const { return GetParam(Index); }
  // A new parameter of that name (and alias) at the end.
  TAsaParam* CreateParam(const std::string& Name);
  // The first parameter whose name (alias) equals AName ignoring case;
  // EVelarException "Host variable "%s" not found." when there is none.
  TAsaParam* ParamByName(const std::string& AName) const;
  TAsaParam* ParamByAlias(const std::string& AAlias) const;
  // The aliases in order, joined with ";" (empty ones before the first
  // non-empty one leave no trace).
  std::string GetParamAliases() const;
  // Every value as one variant: Null without aliases, the one parameter's
  // value (or Null) for a single alias, otherwise an array of variants
  // holding each parameter's value (or Null) in order.
  void GetParamValues(host::Variant& Values) const;
  // Same count and each parameter IsEqual to the one at its position.
  bool IsEqual(const TAsaParams& Other) const;

  // The "Data" bytes, for the form-file filer and for tests.
  void ReadData(host::TStream* Stream);
  void WriteData(host::TStream* Stream) const;

 private:
  host::TPersistent* owner_;
  std::vector<TAsaParam*> list_;  // owned
};

}  // namespace velar
