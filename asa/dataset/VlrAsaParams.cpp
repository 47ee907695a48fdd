// Dataset parameters: one parameter's typed value and text, and the
// collection's lookups, copies and the values it hands a statement. The
// stored form ("Data") is in VlrAsaParamsData.cpp.
#include "asa/dataset/VlrAsaParams.h"

#include <algorithm>

#include "host/fields.h"
#include "host/graphics.h"
#include "host/stream.h"
#include "host/strings.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace velar {

const host::TEnumTypeInfo& AsaParamDataTypeInfo() {
  static const host::TEnumTypeInfo type{
      "TAsaParamDataType",
      {"ntUnknown", "ntString", "ntInteger", "ntFloat", "ntCurrency", "ntDate", "ntTime",
       "ntDateTime", "ntBoolean", "ntBinary", "ntMemo", "ntBlob"}};
  return type;
}

// ---------------------------------------------------------------- TAsaParam

TAsaParam::TAsaParam(TAsaParams* AParams, const std::string& AName) : Name(AName) {
  if (AParams != nullptr) AParams->AddParam(this);
  SetDataType(ntUnknown);
}

TAsaParam::~TAsaParam() {
  if (params_ != nullptr) params_->RemoveParam(this);
}

void TAsaParam::Clear() {
  isNull_ = true;
  value_ = 0;
}

void TAsaParam::SetDataType(TAsaParamDataType Value) {
  value_ = 0;
  dataType_ = Value;
}

// The text is the value until the conversion the type asks for succeeds, so
// a refused text stays visible in the parameter; a date that does not parse
// is 0, as a date typed halfway in an editor must not stop the editor.
void TAsaParam::SetText(const std::string& Text) {
  isNull_ = false;
  if (dataType_ == ntUnknown) SetDataType(ntString);
  value_ = Text;
  switch (dataType_) {
    case ntInteger:
      value_ = host::VarAsType(value_, host::varInteger);
      break;
    case ntFloat:
      value_ = host::VarAsType(value_, host::varDouble);
      break;
    case ntCurrency:
      value_ = host::VarAsType(value_, host::varCurrency);
      break;
    case ntDate:
    case ntTime:
    case ntDateTime:
      try {
        value_ = host::Variant::FromDateTime(host::VarToDateTime(value_));
      } catch (const host::Exception&) {
        value_ = 0;
      }
      break;
    case ntBoolean:
      value_ = host::VarAsType(value_, host::varBoolean);
      break;
    default:
      break;
  }
}

std::string TAsaParam::GetAsString() const {
  if (isNull_) return std::string();
  switch (dataType_) {
    case ntDate:
    case ntTime:
    case ntDateTime:
      try {
        return host::Variant::FromDateTime(value_.AsDouble()).AsString();
      } catch (const host::Exception&) {
        return std::string();
      }
    case ntBoolean:
      return VlrLoadStr(value_.AsBoolean() ? VELAR_TXT_TRUE : VELAR_TXT_FALSE);
    default:
      return value_.AsString();
  }
}

void TAsaParam::SetAsVariant(const host::Variant& Value) {
  isNull_ = false;
  switch (Value.Type()) {
    case host::varSmallint:
    case host::varInteger:
      dataType_ = ntInteger;
      break;
    case host::varSingle:
    case host::varDouble:
      dataType_ = ntFloat;
      break;
    case host::varCurrency:
      dataType_ = ntCurrency;
      break;
    case host::varDate:
      dataType_ = ntDateTime;
      break;
    case host::varOleStr:
    case host::varString:
      dataType_ = ntString;
      break;
    case host::varBoolean:
      dataType_ = ntBoolean;
      break;
    case host::varArray | host::varByte:
      dataType_ = ntBinary;
      break;
    default:
      Clear();
      SetDataType(ntUnknown);
      break;
  }
  value_ = Value;
}

std::int32_t TAsaParam::GetAsInteger() const {
  return value_.AsInteger();
}

void TAsaParam::SetAsInteger(std::int32_t Value) {
  isNull_ = false;
  dataType_ = ntInteger;
  value_ = Value;
}

double TAsaParam::GetAsFloat() const {
  return value_.AsDouble();
}

void TAsaParam::SetAsFloat(double Value) {
  isNull_ = false;
  dataType_ = ntFloat;
  value_ = Value;
}

void TAsaParam::SetAsCurrency(double Value) {
  SetAsFloat(Value);
  dataType_ = ntCurrency;
}

host::TDateTime TAsaParam::GetAsDateTime() const {
  if (isNull_) return 0;
  return host::VarToDateTime(value_);
}

void TAsaParam::SetDateValue(host::TDateTime Value, TAsaParamDataType Type) {
  isNull_ = false;
  dataType_ = Type;
  value_ = host::Variant::FromDateTime(Value);
}

void TAsaParam::SetAsDate(host::TDateTime Value) {
  SetDateValue(Value, ntDate);
}

void TAsaParam::SetAsTime(host::TDateTime Value) {
  SetDateValue(Value, ntTime);
}

void TAsaParam::SetAsDateTime(host::TDateTime Value) {
  SetDateValue(Value, ntDateTime);
}

bool TAsaParam::GetAsBoolean() const {
  return value_.AsBoolean();
}

void TAsaParam::SetAsBoolean(bool Value) {
  isNull_ = false;
  dataType_ = ntBoolean;
  value_ = Value;
}

std::string TAsaParam::GetAsMemo() const {
  return value_.AsString();
}

void TAsaParam::SetAsMemo(const std::string& Value) {
  isNull_ = false;
  dataType_ = ntMemo;
  value_ = Value;
}

void TAsaParam::SetAsString(const std::string& Value) {
  isNull_ = false;
  dataType_ = ntString;
  value_ = Value;
}

void TAsaParam::SetAsBlob(const std::string& Value) {
  if (Value.empty()) return;
  isNull_ = false;
  dataType_ = ntBlob;
  value_ = host::VarArrayFromBytes(Value.data(), Value.size());
}

void TAsaParam::SetBlobData(const void* Buffer, int Size) {
  if (Buffer == nullptr || Size <= 0) return;
  SetAsBlob(std::string(static_cast<const char*>(Buffer), static_cast<std::size_t>(Size)));
}

void TAsaParam::LoadFromStream(host::TStream* Stream, TAsaParamBlobType BlobType) {
  Stream->SetPosition(0);
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(Stream->Size(), 0)), '\0');
  if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  if (BlobType == ntMemo)
    SetAsMemo(bytes);
  else
    SetAsBlob(bytes);
}

void TAsaParam::LoadFromFile(const std::string& FileName, TAsaParamBlobType BlobType) {
  host::TFileStream file(FileName, host::fmOpenRead);
  LoadFromStream(&file, BlobType);
}

bool TAsaParam::IsEqual(const TAsaParam& Other) const {
  return value_.Type() == Other.value_.Type() && value_ == Other.value_ && Name == Other.Name &&
         Alias == Other.Alias && dataType_ == Other.dataType_ && isNull_ == Other.isNull_;
}

void TAsaParam::AssignField(host::TField* Field) {
  if (Field == nullptr) return;
  Name = Field->FieldName();
  Alias = Field->FieldName();
  if (Field->IsNull())
    Clear();
  else
    SetAsVariant(Field->GetAsVariant());
}

void TAsaParam::Assign(host::TPersistent* Source) {
  if (auto* param = dynamic_cast<TAsaParam*>(Source)) {
    if (param == this) return;
    Name = param->Name;
    Alias = param->Alias;
    dataType_ = param->dataType_;
    if (param->isNull_) {
      Clear();
    } else {
      isNull_ = false;
      value_ = param->value_;
    }
    return;
  }
  if (auto* field = dynamic_cast<host::TField*>(Source)) {
    AssignField(field);
    return;
  }
  if (auto* lines = dynamic_cast<host::TStrings*>(Source)) {
    SetAsMemo(lines->Text());
    return;
  }
  host::TBitmap* bitmap = dynamic_cast<host::TBitmap*>(Source);
  if (auto* picture = dynamic_cast<host::TPicture*>(Source))
    bitmap = dynamic_cast<host::TBitmap*>(picture->Graphic());
  if (bitmap != nullptr) {
    host::TMemoryStream stream;
    bitmap->SaveToStream(&stream);
    LoadFromStream(&stream, ntBlob);
    return;
  }
  host::TPersistent::Assign(Source);
}

// --------------------------------------------------------------- TAsaParams

TAsaParams::TAsaParams(host::TPersistent* AOwner) : owner_(AOwner) {}

TAsaParams::~TAsaParams() {
  Clear();
}

void TAsaParams::AddParam(TAsaParam* P) {
  if (P->params_ == this) return;
  if (P->params_ != nullptr) P->params_->RemoveParam(P);
  list_.push_back(P);
  P->params_ = this;
}

void TAsaParams::RemoveParam(TAsaParam* P) {
  list_.erase(std::remove(list_.begin(), list_.end(), P), list_.end());
  if (P->params_ == this) P->params_ = nullptr;
}

void TAsaParams::Clear() {
  while (!list_.empty())
    delete list_.back();
}

TAsaParam* TAsaParams::GetParam(int Index) const {
  if (Index < 0 || Index >= Count()) host::RaiseListIndexError(Index);
  return list_[static_cast<std::size_t>(Index)];
}

TAsaParam* TAsaParams::CreateParam(const std::string& Name) {
  auto* param = new TAsaParam(this, Name);
  param->Alias = Name;
  return param;
}

TAsaParam* TAsaParams::ParamByName(const std::string& AName) const {
  for (TAsaParam* param : list_)
    if (host::AnsiSameText(param->Name, AName)) return param;
  throw EVelarException(host::Format(VlrLoadStr(VELAR_ERR_PARAM_NOT_FOUND), {AName}));
}

TAsaParam* TAsaParams::ParamByAlias(const std::string& AAlias) const {
  for (TAsaParam* param : list_)
    if (host::AnsiSameText(param->Alias, AAlias)) return param;
  throw EVelarException(host::Format(VlrLoadStr(VELAR_ERR_PARAM_NOT_FOUND), {AAlias}));
}

std::string TAsaParams::GetParamAliases() const {
  std::string aliases;
  for (const TAsaParam* param : list_) {
    if (aliases.empty())
      aliases = param->Alias;
    else
      aliases += ";" + param->Alias;
  }
  return aliases;
}

void TAsaParams::GetParamValues(host::Variant& Values) const {
  const std::string aliases = GetParamAliases();
  if (aliases.empty()) {
    Values = host::Null();
    return;
  }
  if (aliases.find(';') != std::string::npos) {
    Values = host::VarArrayCreate({0, Count() - 1}, host::varVariant);
    for (int i = 0; i < Count(); ++i) {
      const TAsaParam* param = list_[static_cast<std::size_t>(i)];
      host::VarArrayPut(Values, param->IsNull() ? host::Null() : param->Value(), i);
    }
    return;
  }
  const TAsaParam* param = ParamByAlias(aliases);
  Values = param->IsNull() ? host::Null() : param->Value();
}

bool TAsaParams::IsEqual(const TAsaParams& Other) const {
  if (Count() != Other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (!GetParam(i)->IsEqual(*Other.GetParam(i))) return false;
  return true;
}

void TAsaParams::Assign(host::TPersistent* Source) {
  auto* source = dynamic_cast<TAsaParams*>(Source);
  if (source == nullptr) {
    host::TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  Clear();
  for (int i = 0; i < source->Count(); ++i)
    (new TAsaParam(this, std::string()))->Assign(source->GetParam(i));
}

void TAsaParams::AssignTo(host::TPersistent* Dest) {
  if (auto* params = dynamic_cast<TAsaParams*>(Dest)) {
    params->Assign(this);
    return;
  }
  host::TPersistent::AssignTo(Dest);
}

}  // namespace velar
