// The record-set framework's type names and its database error.
#include "host/db.h"

#include "host/component.h"
#include "host/typinfo.h"

namespace host {

const TEnumTypeInfo& FieldTypeInfo() {
  static const TEnumTypeInfo type{
      "TFieldType",
      {"ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat",
       "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes",
       "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo"}};
  return type;
}

const TEnumTypeInfo& FieldKindInfo() {
  static const TEnumTypeInfo type{"TFieldKind", {"fkData", "fkCalculated", "fkLookup"}};
  return type;
}

const TEnumTypeInfo& AlignmentInfo() {
  static const TEnumTypeInfo type{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
  return type;
}

const TEnumTypeInfo& FieldAttributesInfo() {
  static const TEnumTypeInfo type{
      "TFieldAttributes",
      {"faHiddenCol", "faReadonly", "faRequired", "faLink", "faUnNamed", "faFixed"}};
  return type;
}

const TEnumTypeInfo& ProviderFlagsInfo() {
  static const TEnumTypeInfo type{"TProviderFlags",
                                  {"pfInUpdate", "pfInWhere", "pfInKey", "pfHidden"}};
  return type;
}

// The value name without its "ft" prefix: "Integer", "DateTime".
std::string FieldTypeName(TFieldType Type) {
  const auto& names = FieldTypeInfo().Values;
  auto index = static_cast<std::size_t>(Type);
  return index < names.size() ? names[index].substr(2) : "Unknown";
}

void DatabaseError(const std::string& Message, const TComponent* Component) {
  if (Component != nullptr && !Component->Name().empty())
    throw EDatabaseError(Component->Name() + ": " + Message);
  throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const TResStringRec& Message, std::initializer_list<FormatArg> Args,
                      const TComponent* Component) {
  DatabaseError(Format(LoadResString(Message), Args), Component);
}

}  // namespace host
