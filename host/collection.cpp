#include "host/collection.h"

#include <algorithm>
#include <memory>

#include "host/exceptions.h"

namespace host {

// ---------------------------------------------------------- TCollectionItem

// An item made with a collection belongs to it from the start.
TCollectionItem::TCollectionItem(TCollection* Collection) {
  SetCollection(Collection);
}

// Leaves the collection, so that deleting an item directly keeps the list
// free of dangling entries.
TCollectionItem::~TCollectionItem() {
  SetCollection(nullptr);
}

// Items show as their class name unless a subclass knows better.
std::string TCollectionItem::GetDisplayName() {
  return ClassName();
}

// Moves the item inside its collection.
void TCollectionItem::SetIndex(int Value) {
  if (collection_ != nullptr) collection_->MoveItem(this, Value);
}

TPersistent* TCollectionItem::GetOwner() {
  return collection_;
}

// An item is named by its collection's path and its position.
std::string TCollectionItem::GetNamePath() {
  if (collection_ == nullptr) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

// Leaves the old collection (which is told) and joins the new one at its end.
void TCollectionItem::SetCollection(TCollection* Value) {
  if (collection_ == Value) return;
  if (collection_ != nullptr) collection_->RemoveItem(this);
  if (Value != nullptr) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& items = collection_->items_;
  auto found = std::find(items.begin(), items.end(), this);
  return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

// Editors and owners hear of changes through the collection's Update.
void TCollectionItem::Changed(bool AllItems) {
  if (collection_ == nullptr) return;
  if (collection_->updateCount_ > 0) {
    collection_->changePending_ = true;
    return;
  }
  collection_->Update(AllItems ? nullptr : this);
}

// -------------------------------------------------------------- TCollection

TCollection::TCollection(TPersistent* Owner, TItemFactory Factory,
                         const TPropertyTable& ItemProperties)
    : owner_(Owner), factory_(std::move(Factory)), itemProperties_(&ItemProperties) {}

// Frees the items, last first; no Update runs while the collection goes.
TCollection::~TCollection() {
  ++updateCount_;
  while (!items_.empty())
    delete items_.back();
}

void TCollection::Update(TCollectionItem* /*Item*/) {}

void TCollection::Notify(TCollectionItem* /*Item*/, bool /*Adding*/) {}

// Rebuilds the items from another collection's, as one change.
void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (source == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : source->items_)
      Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TCollection::GetNamePath() {
  TPersistent* owner = GetOwner();
  if (owner == nullptr || propName_.empty()) return ClassName();
  std::string ownerPath = owner->GetNamePath();
  return ownerPath.empty() ? propName_ : ownerPath + "." + propName_;
}

// A new item of the item class at the end.
TCollectionItem* TCollection::Add() {
  if (!factory_) throw EInvalidOperation(ClassName() + " cannot make items");
  TCollectionItem* item = factory_(this);
  if (item->collection_ != this) item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* item = Add();
  MoveItem(item, Index);
  return item;
}

void TCollection::Delete(int Index) {
  delete Items(Index);
}

// Frees every item, as one change.
void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty())
    delete items_.back();
  changePending_ = true;
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  return items_[static_cast<std::size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++updateCount_;
}

// The outermost EndUpdate reports what changed inside as one change.
void TCollection::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changePending_) {
    changePending_ = false;
    Update(nullptr);
  }
}

void TCollection::Changed() {
  if (updateCount_ > 0) {
    changePending_ = true;
    return;
  }
  Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  items_.push_back(Item);
  Item->collection_ = this;
  Item->id_ = nextId_++;
  Notify(Item, true);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, false);
  auto found = std::find(items_.begin(), items_.end(), Item);
  if (found != items_.end()) items_.erase(found);
  Item->collection_ = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int Index) {
  auto found = std::find(items_.begin(), items_.end(), Item);
  if (found == items_.end()) return;
  int current = static_cast<int>(found - items_.begin());
  Index = std::clamp(Index, 0, Count() - 1);
  if (Index == current) return;
  items_.erase(found);
  items_.insert(items_.begin() + Index, Item);
  Changed();
}

}  // namespace host
