// The published properties of the field classes, their registration, and
// the field class of each field type.
#include "host/dataset.h"
#include "host/fields.h"
#include "host/typinfo.h"

namespace host {

const TPropertyTable& TField::Properties() {
  static const TPropertyTable table(
      TComponent::Properties(),
      {
          EnumProp("Alignment", &TField::Alignment, &TField::SetAlignment, taLeftJustify,
                   AlignmentInfo()),
          StringProp("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel, ""),
          IntProp("DisplayWidth", &TField::StoredDisplayWidth, &TField::SetDisplayWidth, 0),
          EnumProp("FieldKind", &TField::FieldKind, &TField::SetFieldKind, fkData, FieldKindInfo()),
          StringProp("FieldName", &TField::FieldName, &TField::SetFieldName, ""),
          StringProp("KeyFields", &TField::KeyFields, &TField::SetKeyFields, ""),
          ComponentProp("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet),
          StringProp("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields, ""),
          StringProp("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField,
                     ""),
          StringProp("Origin", &TField::Origin, &TField::SetOrigin, ""),
          SetProp("ProviderFlags", &TField::ProviderFlags, &TField::SetProviderFlags,
                  TProviderFlags((1u << pfInUpdate) | (1u << pfInWhere)), ProviderFlagsInfo()),
          BoolProp("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly, false),
          BoolProp("Required", &TField::Required, &TField::SetRequired, false),
          BoolProp("Visible", &TField::Visible, &TField::SetVisible, true),
          BoolProp("Calculated", &TField::Calculated, &TField::SetCalculated, false).NotStored(),
          BoolProp("Lookup", &TField::Lookup, &TField::SetLookup, false).NotStored(),
          EventProp("OnChange", &TField::OnChange),
          EventProp("OnGetText", &TField::OnGetText),
          EventProp("OnSetText", &TField::OnSetText),
          EventProp("OnValidate", &TField::OnValidate),
      });
  return table;
}

const TPropertyTable& TStringField::Properties() {
  static const TPropertyTable table(
      TField::Properties(),
      {
          IntProp("Size", &TField::Size, &TField::SetSize, 20),
          BoolProp("Transliterate", &TField::Transliterate, &TField::SetTransliterate, true),
      });
  return table;
}

const TPropertyTable& TNumericField::Properties() {
  static const TPropertyTable table(
      TField::Properties(),
      {
          EnumProp("Alignment", &TField::Alignment, &TField::SetAlignment, taRightJustify,
                   AlignmentInfo()),
          StringProp("DisplayFormat", &TNumericField::DisplayFormat,
                     &TNumericField::SetDisplayFormat, ""),
          StringProp("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat, ""),
      });
  return table;
}

const TPropertyTable& TIntegerField::Properties() {
  static const TPropertyTable table(
      TNumericField::Properties(),
      {
          IntProp("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue, 0),
          IntProp("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue, 0),
      });
  return table;
}

const TPropertyTable& TFloatField::Properties() {
  static const TPropertyTable table(
      TNumericField::Properties(),
      {
          BoolProp("Currency", &TFloatField::Currency, &TFloatField::SetCurrency, false),
          FloatProp("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue, 0.0),
          FloatProp("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue, 0.0),
          IntProp("Precision", &TFloatField::Precision, &TFloatField::SetPrecision, 15),
      });
  return table;
}

const TPropertyTable& TCurrencyField::Properties() {
  static const TPropertyTable table(
      TFloatField::Properties(),
      {BoolProp("Currency", &TFloatField::Currency, &TFloatField::SetCurrency, true)});
  return table;
}

const TPropertyTable& TBooleanField::Properties() {
  static const TPropertyTable table(TField::Properties(),
                                    {StringProp("DisplayValues", &TBooleanField::DisplayValues,
                                                &TBooleanField::SetDisplayValues, "")});
  return table;
}

const TPropertyTable& TDateTimeField::Properties() {
  static const TPropertyTable table(TField::Properties(),
                                    {StringProp("DisplayFormat", &TDateTimeField::DisplayFormat,
                                                &TDateTimeField::SetDisplayFormat, "")});
  return table;
}

const TPropertyTable& TBytesField::Properties() {
  static const TPropertyTable table(TField::Properties(),
                                    {IntProp("Size", &TField::Size, &TField::SetSize, 16)});
  return table;
}

const TPropertyTable& TBlobField::Properties() {
  static const TPropertyTable table(
      TField::Properties(),
      {
          EnumProp("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType, ftBlob,
                   FieldTypeInfo()),
          IntProp("Size", &TField::Size, &TField::SetSize, 0),
          BoolProp("Transliterate", &TField::Transliterate, &TField::SetTransliterate, false),
      });
  return table;
}

const TPropertyTable& TMemoField::Properties() {
  static const TPropertyTable table(
      TBlobField::Properties(),
      {
          EnumProp("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType, ftMemo,
                   FieldTypeInfo()),
          BoolProp("Transliterate", &TField::Transliterate, &TField::SetTransliterate, true),
      });
  return table;
}

const TPropertyTable& TGraphicField::Properties() {
  static const TPropertyTable table(
      TBlobField::Properties(), {EnumProp("BlobType", &TBlobField::BlobType,
                                          &TBlobField::SetBlobType, ftGraphic, FieldTypeInfo())});
  return table;
}

namespace {

template <class T>
TField* Make(TComponent* Owner) {
  return new T(Owner);
}

// Form files name field classes; they are known from the start.
const bool kFieldClassesRegistered = [] {
  RegisterClass<TStringField>();
  RegisterClass<TIntegerField>();
  RegisterClass<TSmallintField>();
  RegisterClass<TWordField>();
  RegisterClass<TAutoIncField>();
  RegisterClass<TFloatField>();
  RegisterClass<TCurrencyField>();
  RegisterClass<TBooleanField>();
  RegisterClass<TDateTimeField>();
  RegisterClass<TDateField>();
  RegisterClass<TTimeField>();
  RegisterClass<TBytesField>();
  RegisterClass<TBlobField>();
  RegisterClass<TMemoField>();
  RegisterClass<TGraphicField>();
  return true;
}();

}  // namespace

TFieldFactory DefaultFieldClass(TFieldType Type) {
  switch (Type) {
    case ftString:
      return &Make<TStringField>;
    case ftSmallint:
      return &Make<TSmallintField>;
    case ftInteger:
      return &Make<TIntegerField>;
    case ftWord:
      return &Make<TWordField>;
    case ftBoolean:
      return &Make<TBooleanField>;
    case ftFloat:
      return &Make<TFloatField>;
    case ftCurrency:
      return &Make<TCurrencyField>;
    case ftDate:
      return &Make<TDateField>;
    case ftTime:
      return &Make<TTimeField>;
    case ftDateTime:
      return &Make<TDateTimeField>;
    case ftBytes:
      return &Make<TBytesField>;
    case ftAutoInc:
      return &Make<TAutoIncField>;
    case ftBlob:
      return &Make<TBlobField>;
    case ftMemo:
      return &Make<TMemoField>;
    case ftGraphic:
      return &Make<TGraphicField>;
    default:
      return nullptr;
  }
}

}  // namespace host
