// Calculated and lookup fields, field values by name, and the search that
// Locate and Lookup do when a driver has no faster one.
#include <vector>

#include "host/dataset.h"
#include "host/fields.h"

namespace host {

namespace {

// "A;B" as the fields it names, in that order; EDatabaseError for a name
// that is no field.
std::vector<TField*> FieldList(const TDataSet& DataSet, std::string_view Names) {
  std::vector<TField*> fields;
  while (!Names.empty()) {
    std::size_t semicolon = Names.find(';');
    std::string_view name = TrimView(Names.substr(0, semicolon));
    if (!name.empty()) fields.push_back(DataSet.FieldByName(name));
    Names = semicolon == std::string_view::npos ? std::string_view() : Names.substr(semicolon + 1);
  }
  return fields;
}

// The key value for the Index-th of Count key fields: the value itself for
// one field, the element of an array for several.
Variant KeyValue(const Variant& KeyValues, int Index, int Count) {
  if (Count == 1 && !KeyValues.IsArray()) return KeyValues;
  if (!KeyValues.IsArray()) DatabaseError("Several key fields need an array of key values");
  int low = VarArrayLowBound(KeyValues);
  if (VarArrayHighBound(KeyValues) - low + 1 != Count)
    DatabaseError("The number of key values does not match the number of key fields");
  return VarArrayGet(KeyValues, low + Index);
}

// Text compares by the options; other values by the variant rules, which
// read a key given as text as the field's kind of value.
bool ValueMatches(const Variant& Value, const Variant& Key, TLocateOptions Options) {
  if (Key.IsNull() || Key.IsEmpty()) return Value.IsNull();
  if (Value.IsNull()) return false;
  if (VarIsStr(Value)) {
    std::string text = Value.AsString();
    std::string key = Key.AsString();
    if ((Options & loPartialKey) != 0) {
      if (key.size() > text.size()) return false;
      text.resize(key.size());
    }
    return (Options & loCaseInsensitive) != 0 ? AnsiSameText(text, key) : text == key;
  }
  return VarCompareValue(Value, Key) == vrEqual;
}

}  // namespace

// ------------------------------------------------------ calculated fields

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
  if (calcFieldsSize_ <= 0) return;
  TDataSetState saved = state_;
  state_ = dsCalcFields;
  try {
    CalculateFields(Buffer);
  } catch (...) {
    state_ = saved;
    throw;
  }
  state_ = saved;
}

void TDataSet::CalculateFields(TRecordBuffer Buffer) {
  calcBuffer_ = Buffer;
  ClearCalcFields(Buffer);
  for (TField* field : fields_.list_)
    if (field->FieldKind() == fkLookup) field->CalcLookupValue();
  Fire(OnCalcFields);
}

// A changed field changes what the calculated fields of its record say.
void TDataSet::UpdateCalcFields() {
  if (state_ == dsSetKey || !autoCalcFields_ || recordCount_ == 0) return;
  GetCalcFields(ActiveBuffer());
}

// ---------------------------------------------------------- field values

Variant TDataSet::GetFieldValue(const std::string& FieldNames) {
  std::vector<TField*> fields = FieldList(*this, FieldNames);
  if (fields.size() == 1) return fields[0]->GetAsVariant();
  Variant values = VarArrayCreate({0, static_cast<int>(fields.size()) - 1}, varVariant);
  for (std::size_t i = 0; i < fields.size(); ++i)
    VarArrayPut(values, fields[i]->GetAsVariant(), static_cast<int>(i));
  return values;
}

void TDataSet::SetFieldValue(const std::string& FieldNames, const Variant& Value) {
  std::vector<TField*> fields = FieldList(*this, FieldNames);
  auto count = static_cast<int>(fields.size());
  for (int i = 0; i < count; ++i)
    fields[static_cast<std::size_t>(i)]->SetAsVariant(KeyValue(Value, i, count));
}

// --------------------------------------------------------------- search

// Reads from the first record through the driver into the spare buffer and
// looks at each in the calculated-fields state, where the fields read that
// buffer. The window is untouched; the cursor ends on the match, or past the
// last record, and the window's cursor position counts as unknown.
bool TDataSet::FindRecord(const std::string& KeyFields, const Variant& KeyValues,
                          TLocateOptions Options) {
  std::vector<TField*> fields = FieldList(*this, KeyFields);
  if (fields.empty()) return false;
  auto count = static_cast<int>(fields.size());
  std::vector<Variant> keys;
  keys.reserve(fields.size());
  for (int i = 0; i < count; ++i)
    keys.push_back(KeyValue(KeyValues, i, count));
  CursorPosChanged();
  InternalFirst();
  TRecordBuffer buffer = TempBuffer();
  while (GetRecord(buffer, gmNext, true) == grOK) {
    TTempStateScope state(*this, dsCalcFields);
    calcBuffer_ = buffer;
    bool matches = true;
    for (int i = 0; i < count && matches; ++i)
      matches = ValueMatches(fields[static_cast<std::size_t>(i)]->GetAsVariant(),
                             keys[static_cast<std::size_t>(i)], Options);
    if (matches) return true;
  }
  return false;
}

bool TDataSet::Locate(const std::string& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options) {
  DoBeforeScroll();
  CheckBrowseMode();
  if (!FindRecord(KeyFields, KeyValues, Options)) return false;
  Resync(rmExact | rmCenter);
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const std::string& KeyFields, const Variant& KeyValues,
                         const std::string& ResultFields) {
  CheckBrowseMode();
  if (!FindRecord(KeyFields, KeyValues, 0)) return Null();
  TTempStateScope state(*this, dsCalcFields);
  calcBuffer_ = TempBuffer();
  return GetFieldValue(ResultFields);
}

}  // namespace host
