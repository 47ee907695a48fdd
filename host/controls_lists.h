// Controls over a list of items: the list box and the combo box. Both keep
// their items in a string list that tells them of insertions and deletions,
// so that the selected item stays the same item (or none, once it is gone).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/controls.h"
#include "host/strings.h"

namespace host {

struct TEnumTypeInfo;

// The items of a list control. A replaced item keeps its place and the
// selection; an inserted or deleted one moves the selection with the items.
class TItemStrings : public TStringList {
 public:
  enum TChange : std::uint8_t { icInsert, icDelete, icClear };
  using TChangeProc = std::function<void(TChange Change, int Index)>;

  explicit TItemStrings(TChangeProc OnItemsChange) : onItemsChange_(std::move(OnItemsChange)) {}
  ~TItemStrings() override;

  void Insert(int Index, const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void SetTextStr(std::string_view Value) override;

 private:
  TChangeProc onItemsChange_;
};

// Keeps a selected index valid across item changes.
int AdjustItemIndex(int ItemIndex, TItemStrings::TChange Change, int Index);

// A framed list of items, one of which may be selected. Moving the selection
// with the keys or the mouse runs OnClick, as choosing an item does; typing
// jumps to the first item that starts with what was typed, and Space runs
// OnDblClick, the item's default action.
class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;

  // Published: Items, ItemHeight (default 16), TabStop (default True),
  // OnClick, OnDblClick.
  static const TPropertyTable& Properties();

  bool KeyDown(TKey Key, TShiftState Shift) override;
  void KeyPress(char Key) override;
  void MouseDown(int Col, int Row) override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;
  void DoEnter() override;

  TStrings* Items() { return &items_; }
  const TStrings* Items() const { return &items_; }
  // -1 for no selection; setting from code runs no event.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int Value);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int Value) { itemHeight_ = Value; }
  // The first item shown.
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int Value);

  // Selects an item as the user does: the selection changes, then OnClick runs.
  void SelectItem(int Index);

 private:
  TStrings* GetItems() { return &items_; }
  void ItemsChanged(TItemStrings::TChange Change, int Index);
  // The rows inside the frame.
  int VisibleRows() const;

  TItemStrings items_;
  int itemIndex_ = -1;
  int itemHeight_ = 16;
  int topIndex_ = 0;
  std::string search_;  // what was typed since the last other key
};

enum TComboBoxStyle : std::uint8_t {
  csDropDown,      // the text can be typed; the items offer values for it
  csSimple,        // the same
  csDropDownList,  // only the items can be chosen
};

// A one-line field with a list of values. Up and Down choose the previous and
// next item, typing chooses the first item that starts with the typed text
// (csDropDownList) or edits the text (csDropDown); each user change runs
// OnChange. Setting ItemIndex from code runs no event.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;

  // Published: Style (default csDropDown), Items, ItemHeight (default 16),
  // Text, TabStop (default True), OnChange, OnClick.
  static const TPropertyTable& Properties();

  bool KeyDown(TKey Key, TShiftState Shift) override;
  void KeyPress(char Key) override;
  void MouseDown(int Col, int Row) override;
  void Paint(TCellCanvas& Canvas, const TCellRect& Cells) override;
  void DoEnter() override;

  // Virtual order, after those of TWinControl: Change.
  virtual void Change();

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle Value) { style_ = Value; }
  TStrings* Items() { return &items_; }
  const TStrings* Items() const { return &items_; }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int Value);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int Value) { itemHeight_ = Value; }

  // Chooses an item as the user does: the text follows, then OnChange runs.
  void SelectItem(int Index);

  TNotifyEvent OnChange;

 private:
  TStrings* GetItems() { return &items_; }
  void ItemsChanged(TItemStrings::TChange Change, int Index);

  TComboBoxStyle style_ = csDropDown;
  TItemStrings items_;
  int itemIndex_ = -1;
  int itemHeight_ = 16;
  std::string search_;
};

const TEnumTypeInfo& ComboBoxStyleInfo();

}  // namespace host
