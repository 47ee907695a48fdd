// Published properties, named event handlers and the class registry.
//
// A class declares the properties it publishes once, as a static table built
// from small helpers over its ordinary getters and setters:
//
//   const host::TPropertyTable& TAsaSession::Properties() {
//     static const host::TPropertyTable table(TVelarSession::Properties(), {
//         host::BoolProp("Connected", &TAsaSession::GetConnected,
//                        &TAsaSession::SetConnected),             // no default: always written
//         host::BoolProp("CommitOnDisconnect", &TAsaSession::GetCommitOnDisconnect,
//                        &TAsaSession::SetCommitOnDisconnect, true),
//         host::EnumProp("ServerType", &TAsaSession::GetServerType,
//                        &TAsaSession::SetServerType, stServer, AsaServerTypeInfo()),
//         host::EventProp("AfterConnect", &TAsaSession::AfterConnect),
//     });
//     return table;
//   }
//
// and registers the class once with host::RegisterClass<TAsaSession>(). The
// form-file reader and writer and the designer work from the same table: a
// property editor lists the properties, reads and writes any of them as text,
// and offers the value names of an enumeration.
//
// Events are std::function members. A handler that has a name comes from the
// method table of a root class (a form or data module): the root declares its
// handlers with Method("Session1AfterConnect", &TMainForm::Session1AfterConnect),
// and binding one stores a TMethodClosure in the event, from which the writer
// recovers the name. A handler assigned in code as a plain lambda has no name
// and is not written.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "host/component.h"
#include "host/exceptions.h"
#include "host/typinfo_methods.h"

namespace host {

class TStrings;

// What a published property holds, which decides how it is written and edited.
enum TPropKind : std::uint8_t {
  pkBoolean,      // True / False
  pkInteger,      // a whole number within the range of its C++ type
  pkString,       // single-byte text
  pkEnumeration,  // one of the value names of its enumeration type
  pkStringList,   // the lines of a TStrings the object owns
  pkComponent,    // a reference to another component, written by name
  pkPersistent,   // an owned sub-object whose own properties are written;
                  // a collection (host/collection.h) is written as its items
  pkEvent,        // a std::function, written as the name of its handler
  pkFloat,        // a double, written with "." whatever FormatSettings say
  pkSet,          // members of an enumeration, bit n for value n: [a, b]
};

// "Boolean", "Integer", ... for designers and messages.
const char* PropKindName(TPropKind Kind);

// The value names of an enumeration type, in ordinal order from 0.
struct TEnumTypeInfo {
  std::string Name;                 // the type's name, e.g. "TAsaServerType"
  std::vector<std::string> Values;  // e.g. "stClient", "stServer", "stWorkgroup"

  // The ordinal of a value name compared without regard to case, or -1.
  int IndexOf(std::string_view ValueName) const;
};

// =================================================================== properties

class TPropertyTable;

// One published property. The typed accessors of the kinds a property is not
// raise EInvalidOperation; the text accessors work for every kind.
class TPropInfo {
 public:
  TPropInfo(const TPropInfo&) = delete;
  TPropInfo& operator=(const TPropInfo&) = delete;
  virtual ~TPropInfo();

  const std::string& Name() const { return name_; }
  TPropKind Kind() const { return kind_; }
  // "Boolean", "Integer", "String", the enumeration's type name, "TStrings",
  // the referenced or sub-object class, or the event's signature.
  const std::string& TypeName() const { return typeName_; }
  // The value names of an enumeration property or of a set's members; empty
  // for other kinds.
  const std::vector<std::string>& EnumNames() const { return enumNames_; }
  // The ordinal of a value name, compared without regard to case, or -1.
  int EnumIndexOf(std::string_view ValueName) const;

  // A property with a declared default is written only when its value differs
  // from it, unless it is marked always written. A value property without a
  // declared default is always written. A property that is not stored is
  // never written (the designer still shows it).
  bool HasDefault() const { return hasDefault_; }
  bool AlwaysWritten() const { return alwaysWritten_; }
  bool Stored() const { return stored_; }
  std::int64_t DefaultOrdinal() const { return defaultOrdinal_; }
  const std::string& DefaultString() const { return defaultString_; }
  double DefaultFloat() const { return defaultFloat_; }
  // The range of an ordinal property (Boolean 0..1, enumeration 0..n-1).
  std::int64_t MinValue() const { return minValue_; }
  std::int64_t MaxValue() const { return maxValue_; }

  // Boolean (0 or 1), integer, enumeration and set properties (a set as its
  // member bits).
  virtual std::int64_t GetOrdinal(TPersistent* Instance) const;
  // Raises EConvertError for a value outside MinValue..MaxValue.
  virtual void SetOrdinal(TPersistent* Instance, std::int64_t Value) const;
  // String properties.
  virtual std::string GetString(TPersistent* Instance) const;
  virtual void SetString(TPersistent* Instance, const std::string& Value) const;
  // String-list properties. Setting replaces the lines, through the class's
  // setter when it declared one, otherwise inside one BeginUpdate/EndUpdate.
  virtual TStrings* GetStrings(TPersistent* Instance) const;
  virtual void SetStrings(TPersistent* Instance, TStrings* Value) const;
  // Component references. Setting a component of another class raises
  // EInvalidCast; nullptr clears the reference.
  virtual TComponent* GetComponent(TPersistent* Instance) const;
  virtual void SetComponent(TPersistent* Instance, TComponent* Value) const;
  virtual bool AcceptsComponent(const TComponent* Value) const;
  // Persistent sub-objects: the object, and the table of its declared class.
  virtual TPersistent* GetObject(TPersistent* Instance) const;
  virtual const TPropertyTable& ObjectProperties() const;
  // Events: whether a handler is assigned at all, the named handler it is
  // bound to (nullptr when unassigned or assigned without a name) and the
  // object that handler runs on, and binding a named handler (nullptr clears).
  virtual const std::type_info& EventSignature() const;
  virtual bool IsHandlerAssigned(TPersistent* Instance) const;
  virtual const TMethodEntry* GetHandler(TPersistent* Instance, TObject*& HandlerInstance) const;
  virtual void SetHandler(TPersistent* Instance, const TMethodEntry* Handler,
                          TObject* HandlerInstance) const;
  // Floating-point properties.
  virtual double GetFloat(TPersistent* Instance) const;
  virtual void SetFloat(TPersistent* Instance, double Value) const;

  // The value as a property editor shows it: True/False, decimal digits, the
  // text itself, the value name, the lines joined with "\n", the component's
  // name (qualified by its owners below the root), "(TClassName)" for a
  // sub-object, the handler's name, the number as FloatToStr gives it, the
  // set as "[a, b]". Empty for no reference or no handler.
  std::string GetAsText(TPersistent* Instance) const;
  // Sets the value from such a text; components are looked up from the root
  // of Instance, handlers in that root's method table. Raises EConvertError
  // for text the kind does not accept; a sub-object cannot be set from text.
  void SetAsText(TPersistent* Instance, std::string_view Text) const;
  // The declared default as text, empty without one.
  std::string DefaultText() const;
  // A set property's members as "[a, b]", in ordinal order.
  std::string SetMembersText(std::uint64_t Members) const;
  // The bit of a set member's name, compared without case; EConvertError for
  // a name that is not one of the set's members.
  std::uint64_t SetMemberBit(std::string_view MemberName) const;
  // True when the value equals the declared default; for kinds without a
  // declared default, when the list is empty, the reference or the handler
  // unassigned. Sub-objects never are.
  bool IsDefaultValue(TPersistent* Instance) const;

 protected:
  TPropInfo(std::string Name, TPropKind Kind, std::string TypeName);
  [[noreturn]] void WrongKind(const char* Access) const;
  void CheckRange(std::int64_t Value) const;
  // An ordinal of this property's kind as text: True/False, digits, or the
  // value name.
  std::string OrdinalText(std::int64_t Ordinal) const;

 private:
  friend class TPropDecl;

  std::string name_;
  TPropKind kind_;
  std::string typeName_;
  std::vector<std::string> enumNames_;
  bool hasDefault_ = false;
  bool alwaysWritten_ = false;
  bool stored_ = true;
  std::int64_t defaultOrdinal_ = 0;
  std::string defaultString_;
  double defaultFloat_ = 0;

 protected:
  std::int64_t minValue_ = 0;
  std::int64_t maxValue_ = 0;
};

// A property as declared in a table; the modifiers adjust it before the table
// takes it over.
class TPropDecl {
 public:
  explicit TPropDecl(std::shared_ptr<TPropInfo> Info) : info_(std::move(Info)) {}

  // Written even when equal to its declared default.
  TPropDecl& AlwaysWritten() {
    info_->alwaysWritten_ = true;
    return *this;
  }
  // Never written to form files; still listed for the designer.
  TPropDecl& NotStored() {
    info_->stored_ = false;
    return *this;
  }
  const std::shared_ptr<TPropInfo>& Info() const { return info_; }

  template <class V>
  void SetDefault(V Value);
  // Takes the value names and range of an enumeration type.
  void SetEnumType(const TEnumTypeInfo& Type);
  // Takes the member names of a set of that enumeration; the range is every
  // combination of them.
  void SetSetType(const TEnumTypeInfo& Type);

 private:
  std::shared_ptr<TPropInfo> info_;
};

// The published properties of a class: its parent's first, in their order,
// then its own. A property redeclared under a parent's name (to change its
// default, say) takes the parent's place in the order.
class TPropertyTable {
 public:
  TPropertyTable() = default;
  TPropertyTable(const TPropertyTable& Parent, std::initializer_list<TPropDecl> Own);

  int Count() const { return static_cast<int>(props_.size()); }
  const TPropInfo& Item(int Index) const;
  // The property of that name, compared without regard to case, or nullptr.
  const TPropInfo* Find(std::string_view Name) const;

 private:
  detail::TNamedEntries<TPropInfo> props_;
};

// ---------------------------------------------------------------- helpers

namespace detail {

template <class M>
struct MemberClass;
template <class C, class T>
struct MemberClass<T C::*> {
  static_assert(std::is_base_of_v<TPersistent, C>, "accessors belong to persistent classes");
  using type = C;
};

// Reads through a getter member function or a data member.
template <class G>
decltype(auto) Get(G Getter, TPersistent* Instance) {
  auto* object = static_cast<typename MemberClass<G>::type*>(Instance);
  if constexpr (std::is_member_object_pointer_v<G>)
    return (object->*Getter);
  else
    return (object->*Getter)();
}

// Writes through a setter member function or a data member.
template <class S, class V>
void Put(S Setter, TPersistent* Instance, V&& Value) {
  auto* object = static_cast<typename MemberClass<S>::type*>(Instance);
  if constexpr (std::is_member_object_pointer_v<S>)
    object->*Setter = std::forward<V>(Value);
  else
    (object->*Setter)(std::forward<V>(Value));
}

template <class G>
using ValueOf = std::remove_cvref_t<decltype(Get(std::declval<G>(), nullptr))>;

}  // namespace detail

// Boolean, integer and enumeration properties over a getter and a setter
// (member functions or data members).
template <class G, class S>
class TOrdinalPropInfo final : public TPropInfo {
  using Value = detail::ValueOf<G>;

 public:
  TOrdinalPropInfo(std::string Name, TPropKind Kind, std::string TypeName, G Getter, S Setter)
      : TPropInfo(std::move(Name), Kind, std::move(TypeName)), get_(Getter), set_(Setter) {
    if constexpr (std::is_same_v<Value, bool>) {
      minValue_ = 0;
      maxValue_ = 1;
    } else if constexpr (std::is_integral_v<Value>) {
      using Limits = std::numeric_limits<Value>;
      minValue_ = static_cast<std::int64_t>(Limits::min());
      if constexpr (std::is_unsigned_v<Value> && sizeof(Value) >= sizeof(std::int64_t))
        maxValue_ = std::numeric_limits<std::int64_t>::max();
      else
        maxValue_ = static_cast<std::int64_t>(Limits::max());
    }
  }
  std::int64_t GetOrdinal(TPersistent* Instance) const override {
    return static_cast<std::int64_t>(detail::Get(get_, Instance));
  }
  void SetOrdinal(TPersistent* Instance, std::int64_t NewValue) const override {
    CheckRange(NewValue);
    detail::Put(set_, Instance, static_cast<Value>(NewValue));
  }

 private:
  G get_;
  S set_;
};

template <class G, class S>
class TFloatPropInfo final : public TPropInfo {
 public:
  TFloatPropInfo(std::string Name, G Getter, S Setter)
      : TPropInfo(std::move(Name), pkFloat, "Double"), get_(Getter), set_(Setter) {}
  double GetFloat(TPersistent* Instance) const override {
    return static_cast<double>(detail::Get(get_, Instance));
  }
  void SetFloat(TPersistent* Instance, double Value) const override {
    detail::Put(set_, Instance, static_cast<detail::ValueOf<G>>(Value));
  }

 private:
  G get_;
  S set_;
};

template <class G, class S>
class TStringPropInfo final : public TPropInfo {
 public:
  TStringPropInfo(std::string Name, G Getter, S Setter)
      : TPropInfo(std::move(Name), pkString, "String"), get_(Getter), set_(Setter) {}
  std::string GetString(TPersistent* Instance) const override {
    return detail::Get(get_, Instance);
  }
  void SetString(TPersistent* Instance, const std::string& Value) const override {
    detail::Put(set_, Instance, Value);
  }

 private:
  G get_;
  S set_;
};

namespace detail {

// Replaces the lines of Target with those of Source as one change.
void AssignLines(TStrings* Target, TStrings* Source);

}  // namespace detail

// S is std::nullptr_t when the class declares no setter.
template <class G, class S>
class TStringListPropInfo final : public TPropInfo {
 public:
  TStringListPropInfo(std::string Name, G Getter, S Setter)
      : TPropInfo(std::move(Name), pkStringList, "TStrings"), get_(Getter), set_(Setter) {}
  TStrings* GetStrings(TPersistent* Instance) const override { return detail::Get(get_, Instance); }
  void SetStrings(TPersistent* Instance, TStrings* Value) const override {
    if constexpr (std::is_null_pointer_v<S>)
      detail::AssignLines(GetStrings(Instance), Value);
    else
      detail::Put(set_, Instance, Value);
  }

 private:
  G get_;
  S set_;
};

template <class G, class S>
class TComponentPropInfo final : public TPropInfo {
  using Target = std::remove_pointer_t<detail::ValueOf<G>>;
  static_assert(std::is_base_of_v<TComponent, Target>, "a reference names a component class");

 public:
  TComponentPropInfo(std::string Name, G Getter, S Setter)
      : TPropInfo(std::move(Name), pkComponent, ClassNameOf(typeid(Target))),
        get_(Getter),
        set_(Setter) {}
  TComponent* GetComponent(TPersistent* Instance) const override {
    return detail::Get(get_, Instance);
  }
  void SetComponent(TPersistent* Instance, TComponent* Value) const override {
    Target* target = dynamic_cast<Target*>(Value);
    if (Value != nullptr && target == nullptr)
      throw EInvalidCast(Value->Name() + " is a " + Value->ClassName() + ", not a " + TypeName());
    detail::Put(set_, Instance, target);
  }
  bool AcceptsComponent(const TComponent* Value) const override {
    return dynamic_cast<const Target*>(Value) != nullptr;
  }

 private:
  G get_;
  S set_;
};

template <class G>
class TPersistentPropInfo final : public TPropInfo {
  using Target = std::remove_pointer_t<detail::ValueOf<G>>;
  static_assert(std::is_base_of_v<TPersistent, Target>, "a sub-object is persistent");

 public:
  TPersistentPropInfo(std::string Name, G Getter)
      : TPropInfo(std::move(Name), pkPersistent, ClassNameOf(typeid(Target))), get_(Getter) {}
  TPersistent* GetObject(TPersistent* Instance) const override {
    return detail::Get(get_, Instance);
  }
  const TPropertyTable& ObjectProperties() const override { return Target::Properties(); }

 private:
  G get_;
};

template <class C, class Sig>
class TEventPropInfo final : public TPropInfo {
 public:
  TEventPropInfo(std::string Name, std::function<Sig> C::*Event)
      : TPropInfo(std::move(Name), pkEvent, DemangledNameOf(typeid(Sig))), event_(Event) {}
  const std::type_info& EventSignature() const override { return typeid(Sig); }
  bool IsHandlerAssigned(TPersistent* Instance) const override {
    return static_cast<bool>(detail::Get(event_, Instance));
  }
  const TMethodEntry* GetHandler(TPersistent* Instance, TObject*& HandlerInstance) const override {
    HandlerInstance = nullptr;
    const auto* closure = detail::Get(event_, Instance).template target<TMethodClosure<Sig>>();
    if (closure == nullptr) return nullptr;
    HandlerInstance = closure->Instance;
    return closure->Entry;
  }
  void SetHandler(TPersistent* Instance, const TMethodEntry* Handler,
                  TObject* HandlerInstance) const override {
    if (Handler == nullptr) {
      detail::Put(event_, Instance, std::function<Sig>());
      return;
    }
    if (Handler->Signature() != typeid(Sig))
      throw EInvalidCast("Handler " + Handler->Name() + " does not fit event " + Name());
    detail::Put(event_, Instance,
                std::function<Sig>(TMethodClosure<Sig>{
                    static_cast<const TTypedMethodEntry<Sig>*>(Handler), HandlerInstance}));
  }

 private:
  std::function<Sig> C::*event_;
};

template <class V>
void TPropDecl::SetDefault(V Value) {
  info_->hasDefault_ = true;
  if constexpr (std::is_convertible_v<V, std::string>)
    info_->defaultString_ = std::string(Value);
  else if constexpr (std::is_floating_point_v<V>)
    info_->defaultFloat_ = static_cast<double>(Value);
  else
    info_->defaultOrdinal_ = static_cast<std::int64_t>(Value);
}

// BoolProp("Connected", &T::GetConnected, &T::SetConnected[, false]).
template <class G, class S>
TPropDecl BoolProp(std::string Name, G Getter, S Setter) {
  static_assert(std::is_same_v<detail::ValueOf<G>, bool>, "a Boolean property reads a bool");
  return TPropDecl(std::make_shared<TOrdinalPropInfo<G, S>>(std::move(Name), pkBoolean, "Boolean",
                                                            Getter, Setter));
}
template <class G, class S>
TPropDecl BoolProp(std::string Name, G Getter, S Setter, bool Default) {
  TPropDecl decl = BoolProp(std::move(Name), Getter, Setter);
  decl.SetDefault(Default);
  return decl;
}

// IntProp("Tag", &T::Tag, &T::SetTag[, 0]); the range is that of the type read.
template <class G, class S>
TPropDecl IntProp(std::string Name, G Getter, S Setter) {
  using Value = detail::ValueOf<G>;
  static_assert(std::is_integral_v<Value> && !std::is_same_v<Value, bool>,
                "an integer property reads an integer");
  return TPropDecl(std::make_shared<TOrdinalPropInfo<G, S>>(std::move(Name), pkInteger, "Integer",
                                                            Getter, Setter));
}
template <class G, class S>
TPropDecl IntProp(std::string Name, G Getter, S Setter, std::int64_t Default) {
  TPropDecl decl = IntProp(std::move(Name), Getter, Setter);
  decl.SetDefault(Default);
  return decl;
}

// StringProp("LoginUser", &T::GetLoginUser, &T::SetLoginUser[, ""]).
template <class G, class S>
TPropDecl StringProp(std::string Name, G Getter, S Setter) {
  return TPropDecl(std::make_shared<TStringPropInfo<G, S>>(std::move(Name), Getter, Setter));
}
template <class G, class S>
TPropDecl StringProp(std::string Name, G Getter, S Setter, std::string Default) {
  TPropDecl decl = StringProp(std::move(Name), Getter, Setter);
  decl.SetDefault(std::move(Default));
  return decl;
}

// EnumProp("ServerType", &T::GetServerType, &T::SetServerType, stServer,
//          ServerTypeInfo) where the enumeration's values are 0..n-1.
template <class G, class S>
TPropDecl EnumProp(std::string Name, G Getter, S Setter, detail::ValueOf<G> Default,
                   const TEnumTypeInfo& Type) {
  static_assert(std::is_enum_v<detail::ValueOf<G>>, "an enumeration property reads an enum");
  auto info = std::make_shared<TOrdinalPropInfo<G, S>>(std::move(Name), pkEnumeration, Type.Name,
                                                       Getter, Setter);
  TPropDecl decl(info);
  decl.SetDefault(static_cast<std::int64_t>(Default));
  decl.SetEnumType(Type);
  return decl;
}

// FloatProp("MaxValue", &T::MaxValue, &T::SetMaxValue[, 0.0]).
template <class G, class S>
TPropDecl FloatProp(std::string Name, G Getter, S Setter) {
  static_assert(std::is_floating_point_v<detail::ValueOf<G>>, "a float property reads a double");
  return TPropDecl(std::make_shared<TFloatPropInfo<G, S>>(std::move(Name), Getter, Setter));
}
template <class G, class S>
TPropDecl FloatProp(std::string Name, G Getter, S Setter, double Default) {
  TPropDecl decl = FloatProp(std::move(Name), Getter, Setter);
  decl.SetDefault(Default);
  return decl;
}

// SetProp("ProviderFlags", &T::ProviderFlags, &T::SetProviderFlags, Default,
//         ProviderFlagType): the value is an unsigned integer whose bit n
// stands for the enumeration's value n.
template <class G, class S>
TPropDecl SetProp(std::string Name, G Getter, S Setter, detail::ValueOf<G> Default,
                  const TEnumTypeInfo& Type) {
  static_assert(std::is_unsigned_v<detail::ValueOf<G>> && !std::is_same_v<detail::ValueOf<G>, bool>,
                "a set property reads its members as unsigned bits");
  auto info =
      std::make_shared<TOrdinalPropInfo<G, S>>(std::move(Name), pkSet, Type.Name, Getter, Setter);
  TPropDecl decl(info);
  decl.SetDefault(static_cast<std::int64_t>(Default));
  decl.SetSetType(Type);
  return decl;
}

// StringsProp("SQL", &T::GetSQL[, &T::SetSQL]): the getter returns the list
// the object owns.
template <class G>
TPropDecl StringsProp(std::string Name, G Getter) {
  return TPropDecl(
      std::make_shared<TStringListPropInfo<G, std::nullptr_t>>(std::move(Name), Getter, nullptr));
}
template <class G, class S>
TPropDecl StringsProp(std::string Name, G Getter, S Setter) {
  return TPropDecl(std::make_shared<TStringListPropInfo<G, S>>(std::move(Name), Getter, Setter));
}

// ComponentProp("Session", &T::GetSession, &T::SetSession): the getter returns
// a pointer to the referenced class, the setter takes one.
template <class G, class S>
TPropDecl ComponentProp(std::string Name, G Getter, S Setter) {
  return TPropDecl(std::make_shared<TComponentPropInfo<G, S>>(std::move(Name), Getter, Setter));
}

// PersistentProp("Params", &T::GetParams): a sub-object the object owns; its
// own properties and DefineProperties are written under "Params.".
template <class G>
TPropDecl PersistentProp(std::string Name, G Getter) {
  return TPropDecl(std::make_shared<TPersistentPropInfo<G>>(std::move(Name), Getter));
}

// EventProp("AfterConnect", &T::AfterConnect) over a std::function member.
template <class C, class Sig>
TPropDecl EventProp(std::string Name, std::function<Sig> C::*Event) {
  return TPropDecl(std::make_shared<TEventPropInfo<C, Sig>>(std::move(Name), Event));
}

// ================================================================= registry

// A class known by name: its property table, for component classes its
// method table, and for component classes that can be made with just an
// owner a factory.
class TClassInfo {
 public:
  TClassInfo(std::string Name, const std::type_info& Type, const TPropertyTable& Properties,
             const TMethodTable* Methods, TComponent* (*Factory)(TComponent*));

  const std::string& ClassName() const { return name_; }
  const std::type_info& Type() const { return *type_; }
  const TPropertyTable& Properties() const { return *properties_; }
  // nullptr for classes that are not components.
  const TMethodTable* Methods() const { return methods_; }
  bool CanCreate() const { return factory_ != nullptr; }
  // A new component of this class owned by Owner; EInvalidOperation when the
  // class cannot be created by name.
  TComponent* Create(TComponent* Owner) const;

 private:
  std::string name_;
  const std::type_info* type_;
  const TPropertyTable* properties_;
  const TMethodTable* methods_;
  TComponent* (*factory_)(TComponent*);
};

namespace detail {

const TClassInfo& RegisterClassInfo(const std::type_info& Type, const TPropertyTable& Properties,
                                    const TMethodTable* Methods,
                                    TComponent* (*Factory)(TComponent*));

}  // namespace detail

// Makes T known by its class name (ClassNameOf(typeid(T))) with the table of
// T::Properties() and, for components, T::Methods() and a factory when T can
// be constructed from an owner. Registering a class again returns its entry;
// another class of the same name raises EInvalidOperation.
template <class T>
const TClassInfo& RegisterClass() {
  static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes are registered");
  const TMethodTable* methods = nullptr;
  TComponent* (*factory)(TComponent*) = nullptr;
  if constexpr (std::is_base_of_v<TComponent, T>) {
    methods = &T::Methods();
    if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TComponent*>)
      factory = [](TComponent* Owner) -> TComponent* { return new T(Owner); };
  }
  return detail::RegisterClassInfo(typeid(T), T::Properties(), methods, factory);
}

// The registered class of that name (any case), or nullptr.
const TClassInfo* FindClass(std::string_view Name);
// The same, raising EClassNotFound "Class TFoo not found" when unknown.
const TClassInfo& GetClass(std::string_view Name);
// The registered entry of Object's own (most derived) class, or nullptr.
const TClassInfo* FindClassOf(const TObject* Object);
// Forgets a class; components of it can no longer be read.
void UnRegisterClass(const std::type_info& Type);

// ========================================================= component paths

// The root a component or sub-object belongs to: the last component reached
// by following GetOwner, or nullptr.
TComponent* RootOf(TPersistent* Instance);
// The name of Target as seen from Root: "Root" for the root itself,
// "Child" or "Child.GrandChild" for components Root owns directly or further
// down. False when Target is outside Root's tree or unnamed on the way.
bool TryComponentPath(const TComponent* Target, const TComponent* Root, std::string& Path);
// The component such a path names from Root, or nullptr.
TComponent* FindComponentPath(TComponent* Root, std::string_view Path);

}  // namespace host
