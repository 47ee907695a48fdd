// Collections: an ordered list of items of one class that a persistent object
// owns and publishes as a property. Form files write a collection as its
// items, each with its own published properties:
//
//   FieldDefs = <
//     item
//       Name = 'ID'
//       DataType = ftInteger
//     end>
//
// and reading rebuilds the items from scratch, in file order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/component.h"

namespace host {

class TCollection;
class TPropertyTable;

// One item; the collection it belongs to frees it. Deleting an item directly
// is allowed: it leaves its collection first.
class TCollectionItem : public TPersistent {
 public:
  // Joins Collection at its end when one is given.
  explicit TCollectionItem(TCollection* Collection);
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  ~TCollectionItem() override;

  // Virtual order (a contract for subclasses): GetDisplayName, SetIndex;
  // after those of TPersistent.
  virtual std::string GetDisplayName();
  virtual void SetIndex(int Value);

  // The collection, so that editors can name the item.
  TPersistent* GetOwner() override;
  // "Owner.Collection[2]".
  std::string GetNamePath() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (or to none).
  void SetCollection(TCollection* Value);
  // The position in the collection, or -1 outside one.
  int Index() const;
  // A number unique in the collection for the item's lifetime.
  int ID() const { return id_; }

 protected:
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
 public:
  // Makes an item of the collection's item class inside the collection.
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;

  // Owner is what GetOwner answers (the object publishing the collection);
  // ItemProperties is the table of the item class, used for items whose own
  // class is not registered.
  TCollection(TPersistent* Owner, TItemFactory Factory, const TPropertyTable& ItemProperties);
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  ~TCollection() override;

  // Virtual order (a contract for subclasses): Update, Notify; after those
  // of TPersistent.
  //
  // Update runs after a change outside BeginUpdate/EndUpdate: for one item,
  // or for nullptr when the list as a whole changed.
  virtual void Update(TCollectionItem* Item);
  // An item was added (Adding true) or is about to leave.
  virtual void Notify(TCollectionItem* Item, bool Adding);

  // Another collection: the items are rebuilt as copies of its items (each
  // item Assign-ed from the source's), as one change.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return owner_; }
  // The owner's name path and the property name, when the owner is known.
  std::string GetNamePath() override;
  // The name under which the owner publishes the collection.
  void SetPropName(const std::string& Name) { propName_ = Name; }

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // The item at Index; EListError outside the list.
  TCollectionItem* Items(int Index) const;
  TCollectionItem* FindItemID(int ID) const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  const TPropertyTable& ItemProperties() const { return *itemProperties_; }

 protected:
  // Runs Update now, or at the end of the outermost update.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int Index);

  TPersistent* owner_;
  TItemFactory factory_;
  const TPropertyTable* itemProperties_;
  std::string propName_;
  std::vector<TCollectionItem*> items_;  // owned
  int nextId_ = 0;
  int updateCount_ = 0;
  bool changePending_ = false;
};

}  // namespace host
