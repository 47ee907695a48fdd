// Published-property tables, method tables, and the text form of property
// values that designers and the form-file code share.
#include "host/typinfo.h"

#include <algorithm>

#include "host/strings.h"
#include "host/sysutils.h"

namespace host {

// ------------------------------------------------------------- kinds, enums

// Names the kinds the way a property editor labels them.
const char* PropKindName(TPropKind Kind) {
  switch (Kind) {
    case pkBoolean:
      return "Boolean";
    case pkInteger:
      return "Integer";
    case pkString:
      return "String";
    case pkEnumeration:
      return "Enumeration";
    case pkStringList:
      return "StringList";
    case pkComponent:
      return "Component";
    case pkPersistent:
      return "Persistent";
    case pkEvent:
      return "Event";
    case pkFloat:
      return "Float";
    case pkSet:
      return "Set";
  }
  return "Unknown";
}

namespace {

// Value names are identifiers, which the framework compares without case.
int IndexOfValueName(const std::vector<std::string>& Names, std::string_view ValueName) {
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], ValueName)) return static_cast<int>(i);
  return -1;
}

}  // namespace

// The ordinal of a value name of the type.
int TEnumTypeInfo::IndexOf(std::string_view ValueName) const {
  return IndexOfValueName(Values, ValueName);
}

// ------------------------------------------------------------- TPropInfo

// The kind-specific classes fill in the accessors, range and defaults.
TPropInfo::TPropInfo(std::string Name, TPropKind Kind, std::string TypeName)
    : name_(std::move(Name)), kind_(Kind), typeName_(std::move(TypeName)) {}

TPropInfo::~TPropInfo() = default;

// Reached when a caller uses an accessor of another kind: a programming
// error, reported with the property so that it is found at once.
void TPropInfo::WrongKind(const char* Access) const {
  throw EInvalidOperation(std::string("Property ") + name_ + " is of kind " + PropKindName(kind_) +
                          " and has no " + Access + " access.");
}

// Refuses an ordinal outside the property's type before it reaches the
// setter, where a narrowing cast would silently change it.
void TPropInfo::CheckRange(std::int64_t Value) const {
  if (Value < minValue_ || Value > maxValue_)
    throw EConvertError(IntToStr(Value) + " is out of range for property " + name_ + " (" +
                        IntToStr(minValue_) + ".." + IntToStr(maxValue_) + ")");
}

// The ordinal of a value name of the property's enumeration.
int TPropInfo::EnumIndexOf(std::string_view ValueName) const {
  return IndexOfValueName(enumNames_, ValueName);
}

// An enumeration ordinal outside its names (set through a cast) shows as its
// number rather than as nothing.
std::string TPropInfo::OrdinalText(std::int64_t Ordinal) const {
  if (kind_ == pkBoolean) return Ordinal != 0 ? "True" : "False";
  if (kind_ == pkSet) return SetMembersText(static_cast<std::uint64_t>(Ordinal));
  if (kind_ == pkEnumeration && Ordinal >= 0 &&
      Ordinal < static_cast<std::int64_t>(enumNames_.size()))
    return enumNames_[static_cast<std::size_t>(Ordinal)];
  return IntToStr(Ordinal);
}

// The accessors of the base refuse: each kind's class overrides its own.
std::int64_t TPropInfo::GetOrdinal(TPersistent*) const {
  WrongKind("ordinal");
}
void TPropInfo::SetOrdinal(TPersistent*, std::int64_t) const {
  WrongKind("ordinal");
}
std::string TPropInfo::GetString(TPersistent*) const {
  WrongKind("string");
}
void TPropInfo::SetString(TPersistent*, const std::string&) const {
  WrongKind("string");
}
TStrings* TPropInfo::GetStrings(TPersistent*) const {
  WrongKind("string list");
}
void TPropInfo::SetStrings(TPersistent*, TStrings*) const {
  WrongKind("string list");
}
TComponent* TPropInfo::GetComponent(TPersistent*) const {
  WrongKind("component");
}
void TPropInfo::SetComponent(TPersistent*, TComponent*) const {
  WrongKind("component");
}
bool TPropInfo::AcceptsComponent(const TComponent*) const {
  return false;
}
TPersistent* TPropInfo::GetObject(TPersistent*) const {
  WrongKind("sub-object");
}
const TPropertyTable& TPropInfo::ObjectProperties() const {
  WrongKind("sub-object");
}
const std::type_info& TPropInfo::EventSignature() const {
  WrongKind("event");
}
bool TPropInfo::IsHandlerAssigned(TPersistent*) const {
  WrongKind("event");
}
const TMethodEntry* TPropInfo::GetHandler(TPersistent*, TObject*&) const {
  WrongKind("event");
}
void TPropInfo::SetHandler(TPersistent*, const TMethodEntry*, TObject*) const {
  WrongKind("event");
}
double TPropInfo::GetFloat(TPersistent*) const {
  WrongKind("floating-point");
}
void TPropInfo::SetFloat(TPersistent*, double) const {
  WrongKind("floating-point");
}

// Members in ordinal order, so that equal sets always read alike.
std::string TPropInfo::SetMembersText(std::uint64_t Members) const {
  std::string text = "[";
  for (std::size_t i = 0; i < enumNames_.size() && i < 64; ++i) {
    if ((Members & (std::uint64_t{1} << i)) == 0) continue;
    if (text.size() > 1) text += ", ";
    text += enumNames_[i];
  }
  return text + "]";
}

std::uint64_t TPropInfo::SetMemberBit(std::string_view MemberName) const {
  const int ordinal = EnumIndexOf(MemberName);
  if (ordinal < 0 || ordinal >= 64)
    throw EConvertError("'" + std::string(MemberName) + "' is not a member of " + typeName_);
  return std::uint64_t{1} << ordinal;
}

namespace {

// The name of a referenced component for display: its path from the root the
// property's object lives in, or else from its own root, qualified by that
// root's name, so a reference into another form still reads sensibly.
std::string ReferenceText(TComponent* Target, TPersistent* Instance) {
  if (Target == nullptr) return std::string();
  std::string path;
  if (TryComponentPath(Target, RootOf(Instance), path)) return path;
  TComponent* targetRoot = RootOf(Target);
  if (targetRoot != Target && TryComponentPath(Target, targetRoot, path))
    return targetRoot->Name() + "." + path;
  return Target->Name();
}

}  // namespace

// One text form per kind, so that a property editor needs no kind-specific
// code to show a value.
std::string TPropInfo::GetAsText(TPersistent* Instance) const {
  switch (kind_) {
    case pkBoolean:
    case pkInteger:
    case pkEnumeration:
    case pkSet:
      return OrdinalText(GetOrdinal(Instance));
    case pkFloat:
      return FloatToStr(GetFloat(Instance));
    case pkString:
      return GetString(Instance);
    case pkStringList: {
      TStrings* lines = GetStrings(Instance);
      return lines != nullptr ? lines->Text() : std::string();
    }
    case pkComponent:
      return ReferenceText(GetComponent(Instance), Instance);
    case pkPersistent: {
      TPersistent* object = GetObject(Instance);
      return object != nullptr ? "(" + object->ClassName() + ")" : std::string();
    }
    case pkEvent: {
      TObject* handlerInstance = nullptr;
      const TMethodEntry* handler = GetHandler(Instance, handlerInstance);
      return handler != nullptr ? handler->Name() : std::string();
    }
  }
  return std::string();
}

// The inverse of GetAsText. Each kind checks its text before anything is set,
// so a refused text leaves the value as it was.
void TPropInfo::SetAsText(TPersistent* Instance, std::string_view Text) const {
  switch (kind_) {
    case pkBoolean: {
      if (SameText(Text, "True"))
        SetOrdinal(Instance, 1);
      else if (SameText(Text, "False"))
        SetOrdinal(Instance, 0);
      else
        throw EConvertError("'" + std::string(Text) + "' is not a valid value for " + name_ +
                            " (True or False)");
      return;
    }
    case pkInteger: {
      std::int64_t value = 0;
      if (!TryStrToInt64(Text, value))
        throw EConvertError("'" + std::string(Text) + "' is not a valid integer value");
      SetOrdinal(Instance, value);
      return;
    }
    case pkString:
      SetString(Instance, std::string(Text));
      return;
    case pkEnumeration: {
      const int ordinal = EnumIndexOf(Text);
      if (ordinal < 0)
        throw EConvertError("'" + std::string(Text) + "' is not a value of " + typeName_);
      SetOrdinal(Instance, ordinal);
      return;
    }
    case pkStringList: {
      TStringList lines;
      lines.SetText(Text);
      SetStrings(Instance, &lines);
      return;
    }
    case pkComponent: {
      if (Text.empty()) {
        SetComponent(Instance, nullptr);
        return;
      }
      TComponent* target = FindComponentPath(RootOf(Instance), Text);
      if (target == nullptr)
        throw EConvertError("There is no component named " + std::string(Text) + ".");
      SetComponent(Instance, target);
      return;
    }
    case pkPersistent:
      throw EConvertError("Property " + name_ + " is an object and cannot be set from text.");
    case pkEvent: {
      if (Text.empty()) {
        SetHandler(Instance, nullptr, nullptr);
        return;
      }
      TComponent* root = RootOf(Instance);
      const TClassInfo* rootClass = FindClassOf(root);
      const TMethodEntry* handler = nullptr;
      if (rootClass != nullptr && rootClass->Methods() != nullptr)
        handler = rootClass->Methods()->Find(Text);
      if (handler == nullptr)
        throw EConvertError("There is no handler named " + std::string(Text) + ".");
      SetHandler(Instance, handler, root);
      return;
    }
    case pkFloat: {
      double value = 0;
      if (!TryStrToFloat(Text, value))
        throw EConvertError("'" + std::string(Text) + "' is not a valid floating point value");
      SetFloat(Instance, value);
      return;
    }
    case pkSet: {
      std::string_view inner = TrimView(Text);
      if (!inner.empty() && inner.front() == '[' && inner.back() == ']')
        inner = inner.substr(1, inner.size() - 2);
      std::uint64_t members = 0;
      while (!TrimView(inner).empty()) {
        std::size_t comma = inner.find(',');
        members |= SetMemberBit(TrimView(inner.substr(0, comma)));
        inner = comma == std::string_view::npos ? std::string_view() : inner.substr(comma + 1);
      }
      SetOrdinal(Instance, static_cast<std::int64_t>(members));
      return;
    }
  }
}

// The declared default as a property editor would show the value.
std::string TPropInfo::DefaultText() const {
  if (!hasDefault_) return std::string();
  switch (kind_) {
    case pkBoolean:
    case pkInteger:
    case pkEnumeration:
    case pkSet:
      return OrdinalText(defaultOrdinal_);
    case pkFloat:
      return FloatToStr(defaultFloat_);
    case pkString:
      return defaultString_;
    default:
      return std::string();
  }
}

// Decides, with AlwaysWritten, whether the writer may leave a value out.
bool TPropInfo::IsDefaultValue(TPersistent* Instance) const {
  switch (kind_) {
    case pkBoolean:
    case pkInteger:
    case pkEnumeration:
    case pkSet:
      return hasDefault_ && GetOrdinal(Instance) == defaultOrdinal_;
    case pkFloat:
      return hasDefault_ && GetFloat(Instance) == defaultFloat_;
    case pkString:
      return hasDefault_ && GetString(Instance) == defaultString_;
    case pkStringList: {
      TStrings* lines = GetStrings(Instance);
      return lines == nullptr || lines->Count() == 0;
    }
    case pkComponent:
      return GetComponent(Instance) == nullptr;
    case pkPersistent:
      return false;
    case pkEvent:
      return !IsHandlerAssigned(Instance);
  }
  return false;
}

// Records the value names; the range follows from their number.
void TPropDecl::SetEnumType(const TEnumTypeInfo& Type) {
  info_->enumNames_ = Type.Values;
  info_->minValue_ = 0;
  info_->maxValue_ = static_cast<std::int64_t>(Type.Values.size()) - 1;
}

// Every combination of the members is a valid value, as far as the type that
// holds the bits reaches.
void TPropDecl::SetSetType(const TEnumTypeInfo& Type) {
  info_->enumNames_ = Type.Values;
  info_->minValue_ = 0;
  const std::size_t count = std::min<std::size_t>(Type.Values.size(), 63);
  info_->maxValue_ =
      std::min(info_->maxValue_, static_cast<std::int64_t>((std::uint64_t{1} << count) - 1));
}

// -------------------------------------------------------- TPropertyTable

// Copies the parent's entries (shared, not duplicated) and adds or replaces
// with the class's own.
TPropertyTable::TPropertyTable(const TPropertyTable& Parent, std::initializer_list<TPropDecl> Own)
    : props_(Parent.props_) {
  for (const TPropDecl& decl : Own)
    detail::AddOrReplaceNamed(props_, decl.Info());
}

// The property at Index, checked.
const TPropInfo& TPropertyTable::Item(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  return *props_[static_cast<std::size_t>(Index)];
}

// Property names are identifiers and compare without case; tables are short,
// so a scan is the cheapest lookup.
const TPropInfo* TPropertyTable::Find(std::string_view Name) const {
  return detail::FindNamed(props_, Name);
}

namespace detail {

// String-list properties without a setter are filled in place; Assign makes
// the replacement one change for the list's listeners.
void AssignLines(TStrings* Target, TStrings* Source) {
  if (Target == nullptr) throw EInvalidOperation("The property has no string list to fill.");
  Target->Assign(Source);
}

}  // namespace detail

// ------------------------------------------ tables of the framework classes

// A plain persistent object publishes nothing.
const TPropertyTable& TPersistent::Properties() {
  static const TPropertyTable table;
  return table;
}

// Name is listed for the designer but held by the object header of a form
// file; Tag is an ordinary integer property.
const TPropertyTable& TComponent::Properties() {
  static const TPropertyTable table(
      TPersistent::Properties(),
      {
          StringProp("Name", &TComponent::Name, &TComponent::SetName).NotStored(),
          IntProp("Tag", &TComponent::Tag, &TComponent::SetTag, 0),
      });
  return table;
}

// A component that is no root offers no handlers.
const TMethodTable& TComponent::Methods() {
  static const TMethodTable table;
  return table;
}

}  // namespace host
