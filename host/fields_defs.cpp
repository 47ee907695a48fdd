#include "host/fields_defs.h"

#include "host/dataset.h"
#include "host/fields.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

// ---------------------------------------------------------------- TFieldDef

// Numbered by its position, as definitions read from a form file are.
TFieldDef::TFieldDef(TCollection* Collection) : TCollectionItem(Collection) {
  fieldNo_ = Index() + 1;
}

TFieldDef::TFieldDef(TFieldDefs* Owner, const std::string& Name, TFieldType DataType, int Size,
                     bool Required, int FieldNo)
    : TCollectionItem(Owner), name_(Name), dataType_(DataType), size_(Size) {
  SetRequired(Required);
  fieldNo_ = FieldNo != 0 ? FieldNo : Index() + 1;
}

TFieldDef::~TFieldDef() = default;

const TPropertyTable& TFieldDef::Properties() {
  static const TPropertyTable table(
      TPersistent::Properties(),
      {
          StringProp("Name", &TFieldDef::Name, &TFieldDef::SetName),
          SetProp("Attributes", &TFieldDef::Attributes, &TFieldDef::SetAttributes,
                  TFieldAttributes{0}, FieldAttributesInfo()),
          EnumProp("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType, ftUnknown,
                   FieldTypeInfo()),
          IntProp("Precision", &TFieldDef::Precision, &TFieldDef::SetPrecision, 0),
          IntProp("Size", &TFieldDef::Size, &TFieldDef::SetSize, 0),
      });
  return table;
}

// Copies another definition; the field number stays this one's.
void TFieldDef::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TFieldDef*>(Source);
  if (source == nullptr) {
    TCollectionItem::Assign(Source);
    return;
  }
  name_ = source->name_;
  dataType_ = source->dataType_;
  size_ = source->size_;
  precision_ = source->precision_;
  attributes_ = source->attributes_;
  Changed(false);
}

std::string TFieldDef::GetDisplayName() {
  return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
}

void TFieldDef::SetName(const std::string& Value) {
  name_ = Value;
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType Value) {
  dataType_ = Value;
  Changed(false);
}

void TFieldDef::SetSize(int Value) {
  size_ = Value;
  Changed(false);
}

void TFieldDef::SetPrecision(int Value) {
  precision_ = Value;
  Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes Value) {
  attributes_ = Value;
  Changed(false);
}

void TFieldDef::SetRequired(bool Value) {
  auto bit = static_cast<TFieldAttributes>(1u << faRequired);
  SetAttributes(Value ? static_cast<TFieldAttributes>(attributes_ | bit)
                      : static_cast<TFieldAttributes>(attributes_ & ~bit));
}

TFieldDefs* TFieldDef::Defs() const {
  return static_cast<TFieldDefs*>(Collection());
}

// A field of the definition's type, with its name, size and requiredness,
// in the definitions' data set.
TField* TFieldDef::CreateField(TComponent* Owner) {
  TDataSet* dataSet = Defs() != nullptr ? Defs()->DataSet() : nullptr;
  TFieldFactory factory =
      dataSet != nullptr ? dataSet->GetFieldClass(dataType_) : DefaultFieldClass(dataType_);
  if (factory == nullptr)
    DatabaseError("Field '" + name_ + "' is of type " + FieldTypeName(dataType_) +
                      ", which has no field class",
                  dataSet);
  TField* field = factory(Owner);
  try {
    field->SetFieldName(name_);
    field->SetSize(size_);
    field->SetRequired(Required());
    if ((attributes_ & (1u << faReadonly)) != 0) field->SetReadOnly(true);
    if (auto* floatField = dynamic_cast<TFloatField*>(field); floatField && precision_ > 0)
      floatField->SetPrecision(precision_);
    field->SetDataSet(dataSet);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

// -------------------------------------------------------------- TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* DataSet)
    : TCollection(
          DataSet, [](TCollection* Owner) -> TCollectionItem* { return new TFieldDef(Owner); },
          TFieldDef::Properties()),
      dataSet_(DataSet) {
  SetPropName("FieldDefs");
}

TFieldDefs::~TFieldDefs() = default;

TFieldDef* TFieldDefs::Items(int Index) const {
  return static_cast<TFieldDef*>(TCollection::Items(Index));
}

TFieldDef* TFieldDefs::AddFieldDef() {
  return static_cast<TFieldDef*>(TCollection::Add());
}

TFieldDef* TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  return new TFieldDef(this, Name, DataType, Size, Required, 0);
}

int TFieldDefs::IndexOf(std::string_view Name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), Name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::FindDef(std::string_view Name) const {
  int index = IndexOf(Name);
  return index >= 0 ? Items(index) : nullptr;
}

TFieldDef* TFieldDefs::Find(std::string_view Name) const {
  TFieldDef* def = FindDef(Name);
  if (def == nullptr) DatabaseErrorFmt(SFieldDefNotFound, {Name}, dataSet_);
  return def;
}

// Asks the data set again; definitions already up to date stay as they are.
void TFieldDefs::Update() {
  if (updated_ || dataSet_ == nullptr) return;
  dataSet_->InitFieldDefs();
  updated_ = true;
}

void TFieldDefs::Update(TCollectionItem* /*Item*/) {
  if (dataSet_ != nullptr && !dataSet_->ComponentState().Contains(csLoading))
    dataSet_->DataEvent(dePropertyChange, 0);
}

}  // namespace host
