// The value types shared by statements and drivers: the field type of fields
// and host variables, the descriptor of one field or variable, and one
// statement side's set of host variables.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "base/VlrRoutines.h"

namespace velar {

// A statement describes at most this many fields, and each side of a
// statement holds at most this many host variables, inputs and outputs
// together: the descriptor arrays are part of the statement object.
inline constexpr int VelarMaxItems = 256;
// Significant characters of a field or variable name.
inline constexpr int VelarMaxNameLength = 128;

enum TVelarFieldTypes : std::uint8_t {
  ntUnknown = 0,  // no type known; also a Null or unsupported host-variable value
  ntString = 1,
  ntInteger = 2,
  ntFloat = 3,
  ntCurrency = 4,
  ntDate = 5,
  ntTime = 6,
  ntDateTime = 7,
  ntBoolean = 8,
  ntBinary = 9,
  ntMemo = 10,  // long character data, kept in a blob stream
  ntBlob = 11,  // long byte-string data, kept in a blob stream
};

// One described field or host variable.
struct TVelarFieldDesc {
  char Name[VelarMaxNameLength + 1] = {};  // zero-terminated; empty for input variables
  TVelarFieldTypes FieldType = ntUnknown;
  std::int32_t ExtType = 0;   // the driver's own type code
  std::int32_t Size = 0;      // bytes the value occupies in a row or variable buffer
  std::int32_t Length = 0;    // declared length as the driver reports it
  std::int32_t Decimals = 0;  // decimals as the driver reports them
  bool Nulls = false;         // the field accepts nulls
};

// The host variables of one side of a statement. Inputs occupy Items[0] to
// Items[Count - 1], outputs the OutCount items after them; their values are
// packed in item order in Buffer and OutBuffer.
struct TVelarVariables {
  TVelarFieldDesc Items[VelarMaxItems] = {};
  TVelarMemBlock Buffer;
  std::int32_t BufferSize = 0;
  std::int32_t Count = 0;
  TVelarMemBlock OutBuffer;
  std::int32_t OutBufferSize = 0;
  std::int32_t OutCount = 0;
  bool Bound = false;  // bound to the driver's descriptors; need not be bound again
};

// How Find compares key values with a row.
enum TVelarLocateOption : std::uint8_t {
  nloCaseInsensitive = 0,  // texts equal ignoring case
  nloPartialKey = 1,       // the field's text begins with the key's
};

// A set of TVelarLocateOption in one byte.
class TVelarLocateOptions {
 public:
  constexpr TVelarLocateOptions() = default;
  constexpr TVelarLocateOptions(std::initializer_list<TVelarLocateOption> Options) {
    for (TVelarLocateOption option : Options)
      bits_ = static_cast<std::uint8_t>(bits_ | Bit(option));
  }
  constexpr bool Contains(TVelarLocateOption Option) const { return (bits_ & Bit(Option)) != 0; }
  constexpr std::uint8_t Bits() const { return bits_; }

 private:
  static constexpr std::uint8_t Bit(TVelarLocateOption Option) {
    return static_cast<std::uint8_t>(1u << Option);
  }
  std::uint8_t bits_ = 0;
};

// Which graphic of a picture a blob holds.
enum TVelarGraphicType : std::uint8_t { gtBitmap = 0, gtMetafile = 1, gtIcon = 2 };

}  // namespace velar
