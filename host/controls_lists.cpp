// List box and combo box, and the item list that keeps their selection.
#include "host/controls_lists.h"

#include <algorithm>

#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

// ------------------------------------------------------------ TItemStrings

TItemStrings::~TItemStrings() = default;

void TItemStrings::Insert(int Index, const std::string& S) {
  TStringList::Insert(Index, S);
  onItemsChange_(icInsert, Index);
}

// Appending moves no selection; a sorted list may place the line earlier.
int TItemStrings::AddObject(const std::string& S, TObject* AObject) {
  const int before = Count();
  const int index = TStringList::AddObject(S, AObject);
  if (Count() > before) onItemsChange_(icInsert, index);
  return index;
}

void TItemStrings::Delete(int Index) {
  TStringList::Delete(Index);
  onItemsChange_(icDelete, Index);
}

void TItemStrings::Clear() {
  TStringList::Clear();
  onItemsChange_(icClear, 0);
}

void TItemStrings::SetTextStr(std::string_view Value) {
  TStringList::SetTextStr(Value);
  onItemsChange_(icClear, 0);
}

int AdjustItemIndex(int ItemIndex, TItemStrings::TChange Change, int Index) {
  if (ItemIndex < 0) return -1;
  switch (Change) {
    case TItemStrings::icInsert:
      return Index <= ItemIndex ? ItemIndex + 1 : ItemIndex;
    case TItemStrings::icDelete:
      if (Index == ItemIndex) return -1;
      return Index < ItemIndex ? ItemIndex - 1 : ItemIndex;
    case TItemStrings::icClear:
      return -1;
  }
  return ItemIndex;
}

namespace {

// The first item at or after From (wrapping) that starts with Prefix,
// ignoring case; -1 when none does.
int FindItemStarting(const TStrings& Items, std::string_view Prefix, int From) {
  const int count = Items.Count();
  for (int step = 0; step < count; ++step) {
    int index = (From + step) % count;
    const std::string& item = Items.Strings(index);
    if (item.size() >= Prefix.size() &&
        SameText(std::string_view(item).substr(0, Prefix.size()), Prefix))
      return index;
  }
  return -1;
}

// Type-ahead: what was typed so far plus Key, or Key alone from the next item
// when the longer text matches nothing.
int TypeAhead(const TStrings& Items, std::string& Search, char Key, int Current) {
  Search += Key;
  int found = FindItemStarting(Items, Search, 0);
  if (found < 0 && Search.size() > 1) {
    Search.assign(1, Key);
    found = FindItemStarting(Items, Search, Current + 1);
  }
  return found;
}

// The item a moving key goes to from Current among Count items, Page rows
// to a page; false for keys that do not move. An empty list has no target
// (-1).
bool MoveTarget(TKey Key, int Current, int Count, int Page, int& Target) {
  switch (Key) {
    case VK_UP:
      Target = Current < 0 ? 0 : Current - 1;
      break;
    case VK_DOWN:
      Target = Current + 1;
      break;
    case VK_HOME:
      Target = 0;
      break;
    case VK_END:
      Target = Count - 1;
      break;
    case VK_PRIOR:
      Target = std::max(0, Current - Page);
      break;
    case VK_NEXT:
      Target = Current + Page;
      break;
    default:
      return false;
  }
  Target = Count == 0 ? -1 : std::clamp(Target, 0, Count - 1);
  return true;
}

std::uint8_t ListStyle(const TControl& Control) {
  return Control.EnabledInTree() ? 0 : kCellDim;
}

}  // namespace

// --------------------------------------------------------------- TListBox

TListBox::TListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      items_([this](TItemStrings::TChange Change, int Index) { ItemsChanged(Change, Index); }) {
  SetTabStop(true);
}

TListBox::~TListBox() = default;

const TPropertyTable& TListBox::Properties() {
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          StringsProp("Items", &TListBox::GetItems),
          IntProp("ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight, 16),
          BoolProp("TabStop", &TListBox::TabStop, &TListBox::SetTabStop, true),
          EventProp("OnClick", &TListBox::OnClick),
          EventProp("OnDblClick", &TListBox::OnDblClick),
      });
  return table;
}

// Moving keys choose an item only when the selection really moves, as a
// list does not report choosing the item it already has.
bool TListBox::KeyDown(TKey Key, TShiftState Shift) {
  search_.clear();
  int target = -1;
  if (!MoveTarget(Key, itemIndex_, items_.Count(), VisibleRows(), target))
    return TWinControl::KeyDown(Key, Shift);
  if (target >= 0 && target != itemIndex_) SelectItem(target);
  return true;
}

void TListBox::KeyPress(char Key) {
  if (Key == ' ') {
    search_.clear();
    if (itemIndex_ >= 0) DblClick();
    return;
  }
  if (static_cast<unsigned char>(Key) < 0x20 || Key == 0x7F || items_.Count() == 0) return;
  const int found = TypeAhead(items_, search_, Key, itemIndex_);
  if (found >= 0 && found != itemIndex_) SelectItem(found);
}

// Rows inside the frame map to items from TopIndex.
void TListBox::MouseDown(int /*Col*/, int Row) {
  search_.clear();
  const int framed = CellBounds().Rows >= 3 ? 1 : 0;
  const int index = topIndex_ + Row - framed;
  if (Row >= framed && index < items_.Count()) SelectItem(index);
}

void TListBox::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  const std::uint8_t style = ListStyle(*this);
  TCellRect inner = Cells;
  if (Cells.Rows >= 3 && Cells.Cols >= 3) {
    Canvas.Frame(Cells, style);
    inner = TCellRect{Cells.Col + 1, Cells.Row + 1, Cells.Cols - 2, Cells.Rows - 2};
  }
  SetTopIndex(topIndex_);
  const bool focused = Focused();
  TCellRect previous = Canvas.SetClip(inner);
  Canvas.Fill(inner, ' ', style);
  for (int row = 0; row < inner.Rows; ++row) {
    const int index = topIndex_ + row;
    if (index >= items_.Count()) break;
    std::uint8_t itemStyle = style;
    if (index == itemIndex_) {
      itemStyle |= focused ? kCellReverse : kCellBold;
      Canvas.Fill(TCellRect{inner.Col, inner.Row + row, inner.Cols, 1}, ' ', itemStyle);
      if (focused) Canvas.SetCaret(inner.Col, inner.Row + row);
    }
    Canvas.Write(inner.Col, inner.Row + row, items_.Strings(index), itemStyle);
  }
  Canvas.RestoreClip(previous);
}

void TListBox::DoEnter() {
  search_.clear();
  TWinControl::DoEnter();
}

// An index outside the items means no selection; the list scrolls so that
// the selected item is in view.
void TListBox::SetItemIndex(int Value) {
  itemIndex_ = Value >= 0 && Value < items_.Count() ? Value : -1;
  SetTopIndex(topIndex_);
}

void TListBox::SetTopIndex(int Value) {
  const int rows = std::max(1, VisibleRows());
  int top = std::clamp(Value, 0, std::max(0, items_.Count() - rows));
  if (itemIndex_ >= 0) {
    if (itemIndex_ < top) top = itemIndex_;
    if (itemIndex_ >= top + rows) top = itemIndex_ - rows + 1;
  }
  topIndex_ = top;
}

void TListBox::SelectItem(int Index) {
  SetItemIndex(Index);
  Click();
}

void TListBox::ItemsChanged(TItemStrings::TChange Change, int Index) {
  itemIndex_ = AdjustItemIndex(itemIndex_, Change, Index);
  SetTopIndex(topIndex_);
}

int TListBox::VisibleRows() const {
  const int rows = CellBounds().Rows;
  return rows >= 3 ? rows - 2 : rows;
}

// -------------------------------------------------------------- TComboBox

const TEnumTypeInfo& ComboBoxStyleInfo() {
  static const TEnumTypeInfo type{"TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList"}};
  return type;
}

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      items_([this](TItemStrings::TChange Change, int Index) { ItemsChanged(Change, Index); }) {
  SetTabStop(true);
}

TComboBox::~TComboBox() = default;

const TPropertyTable& TComboBox::Properties() {
  static const TPropertyTable table(
      TWinControl::Properties(),
      {
          EnumProp("Style", &TComboBox::Style, &TComboBox::SetStyle, csDropDown,
                   ComboBoxStyleInfo()),
          StringsProp("Items", &TComboBox::GetItems),
          IntProp("ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight, 16),
          StringProp("Text", &TComboBox::Text, &TComboBox::SetText, ""),
          BoolProp("TabStop", &TComboBox::TabStop, &TComboBox::SetTabStop, true),
          EventProp("OnChange", &TComboBox::OnChange),
          EventProp("OnClick", &TComboBox::OnClick),
      });
  return table;
}

// A drop-down list has no page to move by; Backspace takes back a typed
// character.
bool TComboBox::KeyDown(TKey Key, TShiftState Shift) {
  search_.clear();
  int target = -1;
  if (Key != VK_PRIOR && Key != VK_NEXT && MoveTarget(Key, itemIndex_, items_.Count(), 1, target)) {
    if (target >= 0 && target != itemIndex_) SelectItem(target);
    return true;
  }
  if (Key == VK_BACK) {
    if (style_ == csDropDownList || Text().empty()) return true;
    text_.pop_back();
    itemIndex_ = items_.IndexOf(text_);
    Change();
    return true;
  }
  return TWinControl::KeyDown(Key, Shift);
}

void TComboBox::KeyPress(char Key) {
  if (static_cast<unsigned char>(Key) < 0x20 || Key == 0x7F) return;
  if (style_ != csDropDownList) {
    text_ += Key;
    itemIndex_ = items_.IndexOf(text_);
    Change();
    return;
  }
  if (items_.Count() == 0) return;
  const int found = TypeAhead(items_, search_, Key, itemIndex_);
  if (found >= 0 && found != itemIndex_) SelectItem(found);
}

// Without a drop-down window a click steps to the next value.
void TComboBox::MouseDown(int /*Col*/, int /*Row*/) {
  search_.clear();
  if (items_.Count() > 0) SelectItem((itemIndex_ + 1) % items_.Count());
}

void TComboBox::Paint(TCellCanvas& Canvas, const TCellRect& Cells) {
  const std::uint8_t field = static_cast<std::uint8_t>(ListStyle(*this) | kCellUnderline);
  TCellRect line{Cells.Col, Cells.Row, std::max(2, Cells.Cols), 1};
  TCellRect previous = Canvas.SetClip(line);
  Canvas.Fill(line, ' ', field);
  const bool focused = Focused();
  const int textWidth = line.Cols - 2;
  std::string shown = Text().substr(0, static_cast<std::size_t>(textWidth));
  Canvas.Write(line.Col, line.Row, shown,
               focused ? static_cast<std::uint8_t>(field | kCellReverse) : field);
  Canvas.Write(line.Right() - 1, line.Row, "v", field);
  if (focused) Canvas.SetCaret(line.Col + static_cast<int>(shown.size()), line.Row);
  Canvas.RestoreClip(previous);
}

void TComboBox::DoEnter() {
  search_.clear();
  TWinControl::DoEnter();
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

// The text shows the chosen item; no item leaves an empty text.
void TComboBox::SetItemIndex(int Value) {
  itemIndex_ = Value >= 0 && Value < items_.Count() ? Value : -1;
  text_ = itemIndex_ >= 0 ? items_.Strings(itemIndex_) : std::string();
}

void TComboBox::SelectItem(int Index) {
  SetItemIndex(Index);
  Change();
}

// The text stays what it was unless the chosen item went away.
void TComboBox::ItemsChanged(TItemStrings::TChange Change, int Index) {
  const int before = itemIndex_;
  itemIndex_ = AdjustItemIndex(itemIndex_, Change, Index);
  if (before >= 0 && itemIndex_ < 0 && style_ == csDropDownList) text_.clear();
}

}  // namespace host
