// Small value types the forms, controls and design-time layers share: a set
// over an enumeration, key codes with their shift state, modal results, and
// the character-cell geometry that terminal screens are drawn in.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace host {

// A set of values of a small enumeration (ordinals 0 to 31), held as bits so
// that it can be compared and reported as one number.
template <class E>
class TEnumSet {
  static_assert(std::is_enum_v<E>, "a set is over an enumeration");

 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> Values) {
    for (E value : Values)
      Include(value);
  }

  constexpr bool Contains(E Value) const { return (bits_ & Bit(Value)) != 0; }
  constexpr TEnumSet& Include(E Value) {
    bits_ |= Bit(Value);
    return *this;
  }
  constexpr TEnumSet& Exclude(E Value) {
    bits_ &= ~Bit(Value);
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  // The set as a number: bit n stands for the value of ordinal n.
  constexpr std::uint32_t Bits() const { return bits_; }
  constexpr bool operator==(const TEnumSet&) const = default;

 private:
  static constexpr std::uint32_t Bit(E Value) {
    return std::uint32_t{1} << static_cast<unsigned>(Value);
  }
  std::uint32_t bits_ = 0;
};

// ------------------------------------------------------------------- keys

// A key that is not a character: the codes follow the usual virtual-key
// numbering, so that letters double as their own codes for Ctrl+letter.
using TKey = std::uint16_t;

constexpr TKey VK_BACK = 8;
constexpr TKey VK_TAB = 9;
constexpr TKey VK_RETURN = 13;
constexpr TKey VK_ESCAPE = 27;
constexpr TKey VK_SPACE = 32;
constexpr TKey VK_PRIOR = 33;  // page up
constexpr TKey VK_NEXT = 34;   // page down
constexpr TKey VK_END = 35;
constexpr TKey VK_HOME = 36;
constexpr TKey VK_LEFT = 37;
constexpr TKey VK_UP = 38;
constexpr TKey VK_RIGHT = 39;
constexpr TKey VK_DOWN = 40;
constexpr TKey VK_INSERT = 45;
constexpr TKey VK_DELETE = 46;
constexpr TKey VK_F1 = 112;  // VK_F1 + n - 1 is Fn, up to F12

enum TShiftFlag : std::uint8_t { ssShift, ssAlt, ssCtrl };
using TShiftState = TEnumSet<TShiftFlag>;

// ---------------------------------------------------------- modal results

// What closed a modal form; the button values match the message-box answers.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// --------------------------------------------------------- cell geometry

// Forms are laid out in pixels and drawn on character cells: one cell is
// this many pixels of the layout, so that a dialog of the usual size fits an
// 80 x 24 terminal and controls keep their relative places.
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 12;

struct TCellRect {
  int Col = 0;
  int Row = 0;
  int Cols = 0;
  int Rows = 0;

  constexpr int Right() const { return Col + Cols; }   // one past the last column
  constexpr int Bottom() const { return Row + Rows; }  // one past the last row
  constexpr bool Contains(int C, int R) const {
    return C >= Col && C < Right() && R >= Row && R < Bottom();
  }
  constexpr bool operator==(const TCellRect&) const = default;
};

struct TSize {
  int Width = 0;
  int Height = 0;
};

}  // namespace host
