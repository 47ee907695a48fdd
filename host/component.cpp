#include "host/component.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "host/exceptions.h"
#include "host/formfile.h"
#include "host/sysutils.h"

namespace host {

namespace {

// Strips the namespaces from a demangled class name, leaving template
// arguments alone: "host::TList<host::TField>" gives "TList<host::TField>".
std::string UnqualifiedName(const std::string& Qualified) {
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < Qualified.size(); ++i) {
    char c = Qualified[i];
    if (c == '<') ++depth;
    if (c == '>') --depth;
    if (depth == 0 && c == ':' && i + 1 < Qualified.size() && Qualified[i + 1] == ':') {
      start = i + 2;
      ++i;
    }
  }
  return Qualified.substr(start);
}

// A component name is an identifier: a letter or underscore, then letters,
// digits and underscores. The empty name (an unnamed component) is allowed.
bool IsValidIdent(const std::string& Name) {
  auto isAlpha = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  };
  if (Name.empty() || !isAlpha(static_cast<unsigned char>(Name[0]))) return false;
  return std::all_of(Name.begin() + 1, Name.end(), [&](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return isAlpha(c) || (c >= '0' && c <= '9');
  });
}

}  // namespace

// ---------------------------------------------------------------- TObject

TObject::~TObject() = default;

// Asks the C++ run time for the name as the source spells it.
std::string DemangledNameOf(const std::type_info& Type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &status), &std::free);
  if (status != 0 || !demangled) return Type.name();
  return demangled.get();
}

// Strips the namespaces from the demangled name, so that the class registry
// and ClassName agree on what a class is called.
std::string ClassNameOf(const std::type_info& Type) {
  return UnqualifiedName(DemangledNameOf(Type));
}

// Derives the name from the run-time type, so that every class reports its own
// name without declaring it. During destruction this is the class whose
// destructor is running.
std::string TObject::ClassName() const {
  return ClassNameOf(typeid(*this));
}

// ------------------------------------------------------------ TPersistent

TPersistent::~TPersistent() = default;

// A class that knows how to copy itself into Dest overrides this; reaching the
// base means neither side knows the other.
void TPersistent::AssignTo(TPersistent* Dest) {
  Dest->AssignError(this);
}

// Classes with data beyond their published properties override this.
void TPersistent::DefineProperties(TFiler* /*Filer*/) {}

// Copies Source into this object. The base offers the source a chance to copy
// itself (AssignTo), which fails unless the source's class knows this one.
void TPersistent::Assign(TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

// A plain persistent object belongs to nothing; parts of a larger object
// override this so that editors can name them.
TPersistent* TPersistent::GetOwner() {
  return nullptr;
}

// The class name, qualified by the owner's name path when there is one, so
// that an editor can say which object a property belongs to.
std::string TPersistent::GetNamePath() {
  std::string path = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) path = ownerPath + "." + path;
  }
  return path;
}

// Raised when neither side of an Assign knows the other's class.
void TPersistent::AssignError(TPersistent* Source) {
  std::string sourceName = Source != nullptr ? Source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

// ------------------------------------------------------------- TComponent

// A component created with an owner joins it at once; the owner frees it.
TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

// Tears the component down in the order that keeps every pointer valid: mark the
// tree as going away, tell the components that asked, free what it owns (last
// first), and finally leave the owner, which tells the siblings.
TComponent::~TComponent() {
  Destroying();
  while (!freeNotifies_.empty()) {
    TComponent* watcher = freeNotifies_.back();
    freeNotifies_.pop_back();
    ForgetFreeNotifier(watcher->freeNotifies_, this);
    watcher->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

// Called once everything read from a form file is in place.
void TComponent::Loaded() {
  state_.Exclude(csLoading);
}

// Forgets AComponent when it goes away and passes the news on to everything
// this component owns, so that siblings can drop their references too. The
// loop tolerates receivers that free components while being told.
void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
  int index = ComponentCount() - 1;
  while (index >= 0) {
    components_[static_cast<std::size_t>(index)]->Notification(AComponent, Operation);
    --index;
    if (index >= ComponentCount()) index = ComponentCount() - 1;
  }
}

// Renames the component after checking that the name is an identifier and
// unique among its owner's components; on failure the old name stays.
void TComponent::SetName(const std::string& NewName) {
  if (NewName == name_) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("\"" + NewName + "\" is not a valid component name.");
  if (owner_ != nullptr)
    owner_->ValidateRename(this, name_, NewName);
  else
    ValidateRename(nullptr, name_, NewName);
  name_ = NewName;
}

// Refuses a name that another component of this owner already has. AComponent
// is the component being renamed (or inserted), which may keep its own name.
void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (NewName.empty() || (AComponent != nullptr && SameText(CurName, NewName))) return;
  TComponent* holder = FindComponent(NewName);
  if (holder != nullptr && holder != AComponent)
    throw EComponentError("A component named \"" + NewName + "\" already exists.");
}

// By default a component's block nests the components it owns.
TComponent* TComponent::GetChildOwner() {
  return this;
}

// Only components with children that they do not own (a data set and its
// fields) list any here.
void TComponent::GetChildren(const TGetChildProc& /*Proc*/, TComponent* /*Root*/) {}

// For components it owns, the position is the place in its own list.
void TComponent::SetChildOrder(TComponent* Child, int Order) {
  if (Child != nullptr && Child->owner_ == this) Child->SetComponentIndex(Order);
}

// Most components stand alone; those that belong to another (a field to its
// data set) override these three.
bool TComponent::HasParent() const {
  return false;
}

TComponent* TComponent::GetParentComponent() const {
  return nullptr;
}

void TComponent::SetParentComponent(TComponent* /*Value*/) {}

namespace {

// Left is the low half of DesignInfo and Top the high half, each a signed
// 16-bit value.
std::int32_t DesignHalf(std::int32_t Info, bool High) {
  return static_cast<std::int16_t>(High ? (static_cast<std::uint32_t>(Info) >> 16) & 0xFFFF
                                        : static_cast<std::uint32_t>(Info) & 0xFFFF);
}

std::int32_t WithDesignHalf(std::int32_t Info, bool High, std::int64_t Value) {
  auto bits = static_cast<std::uint32_t>(static_cast<std::uint16_t>(Value));
  auto info = static_cast<std::uint32_t>(Info);
  info = High ? (info & 0x0000FFFFu) | (bits << 16) : (info & 0xFFFF0000u) | bits;
  return static_cast<std::int32_t>(info);
}

}  // namespace

// Left and Top are written when they differ from the ancestor's (or from 0),
// the way a designer places non-visual components on a form or data module.
void TComponent::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  auto* ancestor = dynamic_cast<TComponent*>(Filer->Ancestor());
  std::int32_t ancestorInfo = ancestor != nullptr ? ancestor->designInfo_ : 0;
  for (bool high : {false, true}) {
    Filer->DefineProperty(
        high ? "Top" : "Left",
        [this, high](TReader& Reader) {
          designInfo_ = WithDesignHalf(designInfo_, high, Reader.ReadInteger());
        },
        [this, high](TWriter& Writer) { Writer.WriteInteger(DesignHalf(designInfo_, high)); },
        DesignHalf(designInfo_, high) != DesignHalf(ancestorInfo, high));
  }
}

// A component's owner is the component that frees it.
TPersistent* TComponent::GetOwner() {
  return owner_;
}

// Editors and messages name a component by its own name.
std::string TComponent::GetNamePath() {
  return name_;
}

// The owned component at Index, checked, in insertion order.
TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) RaiseListIndexError(Index);
  return components_[static_cast<std::size_t>(Index)];
}

// The position of this component in its owner's list, or -1 without an owner.
int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  auto& siblings = owner_->components_;
  auto found = std::find(siblings.begin(), siblings.end(), this);
  return found == siblings.end() ? -1 : static_cast<int>(found - siblings.begin());
}

// Reorders the owner's list; the designer and form files use this to keep
// the order in which components were made.
void TComponent::SetComponentIndex(int Index) {
  if (owner_ == nullptr) return;
  auto& siblings = owner_->components_;
  int current = ComponentIndex();
  if (current < 0) return;
  int last = static_cast<int>(siblings.size()) - 1;
  Index = std::clamp(Index, 0, last);
  if (Index == current) return;
  siblings.erase(siblings.begin() + current);
  siblings.insert(siblings.begin() + Index, this);
}

// The owned component with that name, compared without regard to case.
TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* child : components_)
    if (SameText(child->name_, AName)) return child;
  return nullptr;
}

// Takes AComponent over: it leaves any previous owner and is freed by this one
// from now on. Its name must be unique here; an owner cannot be inserted into
// its own tree, which would make the tree free itself.
void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ == this) return;
  if (AComponent == this || AComponent->OwnsTransitively(this))
    throw EComponentError("A component cannot be inserted into itself or its own components.");
  ValidateRename(AComponent, "", AComponent->name_);
  if (AComponent->owner_ != nullptr) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
  if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
  try {
    Notification(AComponent, opInsert);
  } catch (...) {
    // A refused insertion must not leave the owner holding a component that
    // (when this runs from its constructor) is about to cease to exist.
    auto found = std::find(components_.begin(), components_.end(), AComponent);
    if (found != components_.end()) components_.erase(found);
    AComponent->owner_ = nullptr;
    throw;
  }
}

// Gives AComponent up without freeing it; this owner and its components are
// told first, while AComponent is still listed.
void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->owner_ != this) return;
  Notification(AComponent, opRemove);
  auto found = std::find(components_.begin(), components_.end(), AComponent);
  if (found != components_.end()) components_.erase(found);
  AComponent->owner_ = nullptr;
}

// Frees every owned component, the most recently inserted first, so that a
// component never outlives one created before it that it may depend on.
void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

// The designer marks a root and what it owns; components inserted later
// inherit the mark in InsertComponent.
void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetFlag(csDesigning, Value);
  if (!SetChildren) return;
  for (TComponent* child : components_)
    child->SetDesigning(Value, true);
}

// The form-file reader and writer set and clear these around their work;
// Loaded clears csLoading at the end.
void TComponent::SetLoading(bool Value) {
  SetFlag(csLoading, Value);
}

void TComponent::SetReading(bool Value) {
  SetFlag(csReading, Value);
}

void TComponent::SetWriting(bool Value) {
  SetFlag(csWriting, Value);
}

void TComponent::SetInline(bool Value) {
  SetFlag(csInline, Value);
}

// Marks the tree below this component as going away, so that code run during
// the teardown can skip work that would be wasted or unsafe. Idempotent.
void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* child : components_)
    child->Destroying();
}

// Asks that AComponent be told, through Notification(opRemove), when this
// component goes away. The pairing is kept on both sides, so whichever of the
// two is destroyed first unhooks itself from the other.
void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) != freeNotifies_.end())
    return;
  freeNotifies_.push_back(AComponent);
  AComponent->freeNotifies_.push_back(this);
}

// Undoes FreeNotification, on both sides.
void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  ForgetFreeNotifier(freeNotifies_, AComponent);
  ForgetFreeNotifier(AComponent->freeNotifies_, this);
}

// Includes or excludes one state flag.
void TComponent::SetFlag(TComponentStateFlag Flag, bool Value) {
  if (Value)
    state_.Include(Flag);
  else
    state_.Exclude(Flag);
}

// True when AComponent is owned by this component, directly or further down.
bool TComponent::OwnsTransitively(const TComponent* AComponent) const {
  for (const TComponent* up = AComponent->owner_; up != nullptr; up = up->owner_)
    if (up == this) return true;
  return false;
}

// Drops AComponent from one side of a FreeNotification pairing, if there.
void TComponent::ForgetFreeNotifier(std::vector<TComponent*>& List, TComponent* AComponent) {
  auto found = std::find(List.begin(), List.end(), AComponent);
  if (found != List.end()) List.erase(found);
}

}  // namespace host
