// Field definitions: what a data set's driver says its records hold (name,
// type, size, whether a value is required, the driver's field number). A data
// set fills its TFieldDefs in InternalInitFieldDefs; fields bind to the
// definitions by name, and default fields are made from them. The list is a
// collection, so a data set that keeps its definitions in the form file
// writes them as "FieldDefs = <item ... end>".
#pragma once

#include <string>
#include <string_view>

#include "host/collection.h"
#include "host/db.h"

namespace host {

class TFieldDefs;
class TPropertyTable;

class TFieldDef : public TCollectionItem {
 public:
  // An empty definition at the end of Collection (the form-file reader's way).
  explicit TFieldDef(TCollection* Collection);
  // A definition at the end of Owner. FieldNo 0 takes the position + 1.
  TFieldDef(TFieldDefs* Owner, const std::string& Name, TFieldType DataType, int Size,
            bool Required, int FieldNo);
  ~TFieldDef() override;

  // Published: Name, Attributes, DataType, Precision, Size.
  static const TPropertyTable& Properties();

  void Assign(TPersistent* Source) override;
  std::string GetDisplayName() override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value);
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType Value);
  int Size() const { return size_; }
  void SetSize(int Value);
  int Precision() const { return precision_; }
  void SetPrecision(int Value);
  TFieldAttributes Attributes() const { return attributes_; }
  void SetAttributes(TFieldAttributes Value);
  bool Required() const { return (attributes_ & (1u << faRequired)) != 0; }
  void SetRequired(bool Value);
  // The driver's number of the field (the data set's GetFieldData uses it).
  int FieldNo() const { return fieldNo_; }
  void SetFieldNo(int Value) { fieldNo_ = Value; }

  // A new field of the definition's type, owned by Owner and belonging to
  // the definitions' data set; EDatabaseError for a type without a field
  // class.
  TField* CreateField(TComponent* Owner);

 private:
  TFieldDefs* Defs() const;

  std::string name_;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  TFieldAttributes attributes_ = 0;
  int fieldNo_ = 0;
};

class TFieldDefs : public TCollection {
 public:
  explicit TFieldDefs(TDataSet* DataSet);
  ~TFieldDefs() override;

  TDataSet* DataSet() const { return dataSet_; }

  // The definition at Index, checked.
  TFieldDef* Items(int Index) const;
  TFieldDef* AddFieldDef();
  // Adds a definition numbered by its position.
  TFieldDef* Add(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  // The position of the definition of that name (without case), or -1.
  int IndexOf(std::string_view Name) const;
  // The definition of that name; EDatabaseError "Field definition '%s' not
  // found" when there is none.
  TFieldDef* Find(std::string_view Name) const;
  // The definition of that name, or nullptr.
  TFieldDef* FindDef(std::string_view Name) const;

  // Brings the definitions up to date from the data set: from its open
  // cursor, or by opening it for the definitions alone and closing again.
  void Update();
  // True while the definitions match the data set's.
  bool Updated() const { return updated_; }
  void SetUpdated(bool Value) { updated_ = Value; }

 protected:
  // A change to the definitions makes the data set's fields layout stale.
  void Update(TCollectionItem* Item) override;

 private:
  TDataSet* dataSet_;
  bool updated_ = false;
};

}  // namespace host
