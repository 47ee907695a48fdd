// The standard property editors, one per kind of property.
#include <algorithm>

#include "host/design.h"
#include "host/dialogs.h"
#include "host/strings.h"
#include "host/sysutils.h"

namespace host {

// -------------------------------------------------------- TIntegerProperty

TPropertyAttributes TIntegerProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paRevertable};
}

// The text is checked before anything is set; out-of-range values raise.
void TIntegerProperty::SetValue(const std::string& Value) {
  std::int64_t number = 0;
  if (!TryStrToInt64(Trim(Value), number))
    throw EConvertError("'" + Value + "' is not a valid integer value");
  SetOrdValue(number);
}

// ----------------------------------------------------------- TEnumProperty

TPropertyAttributes TEnumProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paValueList, paSortList, paRevertable};
}

void TEnumProperty::GetValues(const TGetStrProc& Proc) {
  for (const std::string& name : GetPropInfo().EnumNames())
    Proc(name);
}

void TBoolProperty::GetValues(const TGetStrProc& Proc) {
  Proc("False");
  Proc("True");
}

// --------------------------------------------------------- TStringProperty

TPropertyAttributes TStringProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paRevertable};
}

std::string TStringProperty::GetValue() {
  return GetStrValue();
}

void TStringProperty::SetValue(const std::string& Value) {
  SetStrValue(Value);
}

// ---------------------------------------------------------- TClassProperty

TPropertyAttributes TClassProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paSubProperties, paReadOnly};
}

void TClassProperty::GetProperties(const TGetPropEditProc& Proc) {
  TPersistent* object = GetObjectValue();
  if (object == nullptr) return;
  const TClassInfo* info = FindClassOf(object);
  const TPropertyTable& table =
      info != nullptr ? info->Properties() : GetPropInfo().ObjectProperties();
  for (int i = 0; i < table.Count(); ++i)
    Proc(GetPropertyEditor(Designer(), object, table.Item(i)));
}

std::string TClassProperty::GetValue() {
  TPersistent* object = GetObjectValue();
  return object != nullptr ? "(" + object->ClassName() + ")" : std::string();
}

// ------------------------------------------------------ TComponentProperty

TPropertyAttributes TComponentProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paValueList, paSortList, paRevertable};
}

// The root itself and every named component of it that the property takes.
void TComponentProperty::GetValues(const TGetStrProc& Proc) {
  TComponent* root = Designer() != nullptr ? Designer()->GetRoot() : RootOf(GetComponent());
  if (root == nullptr) return;
  std::vector<std::string> names;
  if (GetPropInfo().AcceptsComponent(root) && !root->Name().empty()) names.push_back(root->Name());
  for (int i = 0; i < root->ComponentCount(); ++i) {
    TComponent* component = root->Components(i);
    if (!component->Name().empty() && GetPropInfo().AcceptsComponent(component))
      names.push_back(component->Name());
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& A, const std::string& B) { return AnsiCompareText(A, B) < 0; });
  for (const std::string& name : names)
    Proc(name);
}

// --------------------------------------------------------- TMethodProperty

TPropertyAttributes TMethodProperty::GetAttributes() {
  return TPropertyAttributes{paMultiSelect, paValueList, paSortList, paRevertable};
}

void TMethodProperty::GetValues(const TGetStrProc& Proc) {
  TComponent* root = Designer() != nullptr ? Designer()->GetRoot() : RootOf(GetComponent());
  const TClassInfo* rootClass = FindClassOf(root);
  if (rootClass == nullptr || rootClass->Methods() == nullptr) return;
  for (const std::string& name : rootClass->Methods()->NamesFor(GetPropInfo().EventSignature()))
    Proc(name);
}

// ----------------------------------------------------- TStringListProperty

TPropertyAttributes TStringListProperty::GetAttributes() {
  return TPropertyAttributes{paDialog, paRevertable, paReadOnly};
}

std::string TStringListProperty::GetValue() {
  return "(TStrings)";
}

// The lines are edited on a copy and set as one change when confirmed.
void TStringListProperty::Edit() {
  TStringList lines;
  if (TStrings* current = GetPropInfo().GetStrings(GetComponent())) lines.Assign(current);
  if (!EditStringList(GetComponent()->GetNamePath() + "." + GetName(), &lines)) return;
  GetPropInfo().SetStrings(GetComponent(), &lines);
  Modified();
}

}  // namespace host
