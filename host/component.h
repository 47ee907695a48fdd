// The object layer of the host framework: the root object, persistent objects
// that can copy themselves into one another, and components, which form an
// ownership tree (an owner frees what it owns) and tell one another when they
// go away so that no reference outlives its target.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace host {

class TObject;
class TPersistent;
class TComponent;
class TFiler;          // form-file streaming; defined in host/formfile.h
class TPropertyTable;  // published properties; defined in host/typinfo.h
class TMethodTable;    // named event handlers; defined in host/typinfo.h

// The readable, fully qualified name of a C++ type: "host::TStringList",
// "void (host::TObject*)"; the compiler's own name when it cannot be read.
std::string DemangledNameOf(const std::type_info& Type);
// The unqualified name of a C++ class, as ClassName reports it: "TStringList".
std::string ClassNameOf(const std::type_info& Type);

// An event handler with the sender as its only argument; empty means unassigned.
using TNotifyEvent = std::function<void(TObject*)>;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject();

  // The unqualified name of the object's most derived class, e.g. "TStringList".
  virtual std::string ClassName() const;
};

// An object whose state can be copied from another object with Assign, and
// whose extra data can be streamed through DefineProperties.
class TPersistent : public TObject {
 public:
  ~TPersistent() override;

  // Virtual order (a contract for subclasses): AssignTo, DefineProperties,
  // Assign, GetOwner, GetNamePath.
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(TFiler* Filer);
  virtual void Assign(TPersistent* Source);
  virtual TPersistent* GetOwner();
  virtual std::string GetNamePath();

  // The published properties of the class (none here). A class that publishes
  // properties declares its own Properties(), built on its parent's table;
  // one that declares none inherits its parent's through name lookup.
  static const TPropertyTable& Properties();

 protected:
  [[noreturn]] void AssignError(TPersistent* Source);
};

enum TOperation : std::uint8_t { opInsert, opRemove };

enum TComponentStateFlag : std::uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csInline,  // read from an "inline" block: a frame embedded in another root
};

// The set of TComponentStateFlag values a component is in.
class TComponentState {
 public:
  constexpr TComponentState() = default;
  constexpr bool Contains(TComponentStateFlag Flag) const { return (bits_ & Bit(Flag)) != 0; }
  constexpr void Include(TComponentStateFlag Flag) { bits_ |= Bit(Flag); }
  constexpr void Exclude(TComponentStateFlag Flag) {
    bits_ &= static_cast<std::uint8_t>(~Bit(Flag));
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TComponentState&) const = default;

 private:
  static constexpr std::uint8_t Bit(TComponentStateFlag Flag) {
    return static_cast<std::uint8_t>(1u << Flag);
  }
  std::uint8_t bits_ = 0;
};

// A component belongs to at most one owner, which frees it. Deleting a component
// directly is allowed at any time: it leaves its owner first. Other components
// that hold a pointer to it learn of its end through Notification(opRemove):
// its owner and everything the owner owns do so always, any other component
// after asking with FreeNotification.
//
// Notification(C, opRemove) for a component C that is being destroyed runs from
// TComponent's destructor, when C's derived parts are already gone: a receiver
// compares the pointer and clears its reference, and reads nothing of C beyond
// the TComponent members. Likewise Notification(C, opInsert) for a component
// created with an owner runs from TComponent's constructor, before C's derived
// parts exist. A derived destructor that wants csDestroying set while it runs
// calls Destroying() first.
class TComponent : public TPersistent {
 public:
  // Receives the components a component writes nested in its block.
  using TGetChildProc = std::function<void(TComponent*)>;

  explicit TComponent(TComponent* AOwner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  ~TComponent() override;

  // Virtual order (a contract for subclasses): Loaded, Notification, SetName,
  // ValidateRename, GetChildOwner, GetChildren, SetChildOrder, HasParent,
  // GetParentComponent, SetParentComponent; after those of TPersistent.
  virtual void Loaded();
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void SetName(const std::string& NewName);
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);

  // Form files nest a component's block in its owner's, except for components
  // that have a parent component (a data set's fields): those are owned by the
  // parent's GetChildOwner (the form) and written nested in the parent, which
  // hands them to the writer through GetChildren. Reading a nested block
  // makes the component in GetChildOwner of the enclosing one and, when it
  // HasParent, gives it the enclosing one through SetParentComponent.
  virtual TComponent* GetChildOwner();
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  // Puts Child, read nested in this component with a "[n]" index, at
  // position Order among this component's children.
  virtual void SetChildOrder(TComponent* Child, int Order);
  virtual bool HasParent() const;
  virtual TComponent* GetParentComponent() const;
  virtual void SetParentComponent(TComponent* Value);

  TPersistent* GetOwner() override;
  std::string GetNamePath() override;
  // Non-visual components keep their place on the designer's surface in
  // DesignInfo, stored in form files as Left and Top.
  void DefineProperties(TFiler* Filer) override;

  // Published: Name (held by the form file's object header, not written as a
  // property) and Tag, default 0.
  static const TPropertyTable& Properties();
  // The named event handlers a root class offers to the components it owns
  // (none here); a form or data module class declares its own Methods().
  static const TMethodTable& Methods();

  const std::string& Name() const { return name_; }
  TComponent* Owner() const { return owner_; }
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t Value) { tag_ = Value; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  // Moves the component to Index in its owner's list (clamped to the list).
  void SetComponentIndex(int Index);
  TComponent* FindComponent(const std::string& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();

  TComponentState ComponentState() const { return state_; }
  // The designer marks the root and, by default, everything it owns.
  void SetDesigning(bool Value, bool SetChildren = true);
  // The form-file reader and writer bracket their work with these.
  void SetLoading(bool Value);
  void SetReading(bool Value);
  void SetWriting(bool Value);
  // Marks this component and its owned tree as being destroyed.
  void Destroying();
  // The reader marks the components of an "inline" block.
  void SetInline(bool Value);

  // A sub-component is an internal part its owner's constructor makes (a data
  // set's own statement, say); form files do not write it, as the owner makes
  // it again. Any other component, named or not, is written.
  bool IsSubComponent() const { return subComponent_; }
  void SetSubComponent(bool Value) { subComponent_ = Value; }

  // The designer's position of a non-visual component: Left in the low 16
  // bits, Top in the high 16 bits, both signed.
  std::int32_t DesignInfo() const { return designInfo_; }
  void SetDesignInfo(std::int32_t Value) { designInfo_ = Value; }

  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 private:
  void SetFlag(TComponentStateFlag Flag, bool Value);
  bool OwnsTransitively(const TComponent* AComponent) const;
  static void ForgetFreeNotifier(std::vector<TComponent*>& List, TComponent* AComponent);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::intptr_t tag_ = 0;
  std::int32_t designInfo_ = 0;
  bool subComponent_ = false;
  TComponentState state_;
  std::vector<TComponent*> components_;    // owned, in insertion order
  std::vector<TComponent*> freeNotifies_;  // both sides of every FreeNotification pair
};

}  // namespace host
