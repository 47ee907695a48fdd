// Variant arrays: creation, bounds, element access and locking of byte arrays.
#include <cstring>
#include <limits>

#include "host/variant.h"
#include "host/variant_internal.h"

namespace host {

namespace {

using Access = VariantAccess;

// The error for an index outside the bounds.
[[noreturn]] void raiseIndex() {
  throw EVariantError("Variant array index out of bounds");
}

// The element types an array may be created with.
bool isElementType(TVarType type) {
  switch (type) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varOleStr:
    case varBoolean:
    case varVariant:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varString:
      return true;
    default:
      return false;
  }
}

// The array's storage, or the not-an-array error.
detail::VarArrayData& arrayOf(const Variant& value) {
  detail::VarArrayData* array = Access::array(value);
  if (array == nullptr) RaiseNotArray();
  return *array;
}

// Position of an index inside the storage, or an index error.
std::size_t slotOf(const detail::VarArrayData& array, int index) {
  const long long offset = static_cast<long long>(index) - array.lowBound;
  if (offset < 0 || static_cast<unsigned long long>(offset) >= array.count()) raiseIndex();
  return static_cast<std::size_t>(offset);
}

// Arrays have a single dimension, numbered 1.
void checkDimension(int dimension) {
  if (dimension != 1) throw EVariantError("Variant array dimension out of range");
}

// The zero value of an element type: 0, "" or Empty.
Variant initialElement(TVarType elementType) {
  if (elementType == varVariant) return Variant();
  if (elementType == varString || elementType == varOleStr)
    return Access::makeText(elementType, std::string());
  return VarAsType(Variant(0), elementType);
}

// Refuses count elements from lowBound when the high bound would pass the
// end of int.
void checkBounds(int lowBound, std::size_t count) {
  const long long highBound = static_cast<long long>(lowBound) + static_cast<long long>(count) - 1;
  if (count > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
      highBound > std::numeric_limits<int>::max())
    throw EVariantError("Variant array bounds out of range");
}

// Storage for count zero elements.
std::unique_ptr<detail::VarArrayData> newArray(TVarType elementType, int lowBound,
                                               std::size_t count) {
  checkBounds(lowBound, count);
  auto array = std::make_unique<detail::VarArrayData>();
  array->elementType = elementType;
  array->lowBound = lowBound;
  if (elementType == varByte)
    array->bytes.assign(count, 0);
  else
    array->items.assign(count, initialElement(elementType));
  return array;
}

}  // namespace

// A one-dimensional array of zero elements of the given type.
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType) {
  if (bounds.size() != 2) {
    if (bounds.size() > 2 && bounds.size() % 2 == 0)
      throw EVariantError("Variant arrays have one dimension only");
    throw EVariantError("Variant array bounds need a low and a high bound");
  }
  if (!isElementType(elementType))
    throw EVariantError("Variant arrays cannot hold elements of type (" +
                        VarTypeAsText(elementType) + ")");
  const int lowBound = bounds.begin()[0];
  const int highBound = bounds.begin()[1];
  if (static_cast<long long>(highBound) < static_cast<long long>(lowBound) - 1)
    throw EVariantError("Variant array bounds out of range");
  const std::size_t count =
      static_cast<std::size_t>(static_cast<long long>(highBound) - lowBound + 1);
  return Access::makeArray(newArray(elementType, lowBound, count));
}

// A varVariant array of the listed values.
Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

// A varVariant array of values gathered elsewhere.
Variant VarArrayOf(std::span<const Variant> values) {
  auto array = std::make_unique<detail::VarArrayData>();
  array->elementType = varVariant;
  array->items.assign(values.begin(), values.end());
  return Access::makeArray(std::move(array));
}

// One block copy, the way binary column values become variants.
Variant VarArrayFromBytes(const void* data, std::size_t size, int lowBound) {
  checkBounds(lowBound, size);
  auto array = newArray(varByte, lowBound, 0);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (size > 0) array->bytes.assign(bytes, bytes + size);
  return Access::makeArray(std::move(array));
}

// Number of dimensions: 1 for an array, 0 for anything else.
int VarArrayDimCount(const Variant& value) {
  return value.IsArray() ? 1 : 0;
}

// Lowest valid index.
int VarArrayLowBound(const Variant& array, int dimension) {
  const detail::VarArrayData& data = arrayOf(array);
  checkDimension(dimension);
  return data.lowBound;
}

// Highest valid index; low bound - 1 for an empty array.
int VarArrayHighBound(const Variant& array, int dimension) {
  const detail::VarArrayData& data = arrayOf(array);
  checkDimension(dimension);
  return data.highBound();
}

// A copy of one element, bounds-checked.
Variant VarArrayGet(const Variant& array, int index) {
  const detail::VarArrayData& data = arrayOf(array);
  const std::size_t slot = slotOf(data, index);
  if (data.elementType == varByte) return Variant(static_cast<unsigned char>(data.bytes[slot]));
  return data.items[slot];
}

// Converts first, so a value that does not fit leaves the element unchanged.
void VarArrayPut(Variant& array, const Variant& value, int index) {
  detail::VarArrayData& data = arrayOf(array);
  const std::size_t slot = slotOf(data, index);
  if (data.elementType == varByte) {
    data.bytes[slot] = static_cast<std::uint8_t>(VarAsType(value, varByte).AsInteger());
  } else if (data.elementType == varVariant) {
    data.items[slot] = value;
  } else {
    data.items[slot] = VarAsType(value, data.elementType);
  }
}

// Member form of VarArrayGet.
Variant Variant::GetElement(int index) const {
  return VarArrayGet(*this, index);
}

// Member form of VarArrayPut.
void Variant::PutElement(int index, const Variant& value) {
  VarArrayPut(*this, value, index);
}

// The bytes of a byte array for reading, without taking a lock.
std::span<const std::uint8_t> VarArrayBytes(const Variant& array) {
  const detail::VarArrayData& data = arrayOf(array);
  if (data.elementType != varByte)
    throw EVariantError("Variant array of type (" + VarTypeAsText(array.Type()) +
                        ") holds no bytes");
  return std::span<const std::uint8_t>(data.bytes.data(), data.bytes.size());
}

std::span<const Variant> VarArrayItems(const Variant& array) {
  const detail::VarArrayData& data = arrayOf(array);
  if (data.elementType == varByte)
    throw EVariantError("Variant array of type (" + VarTypeAsText(array.Type()) +
                        ") holds bytes, not variants");
  return std::span<const Variant>(data.items.data(), data.items.size());
}

// Counts a lock and hands out the bytes, which stay put until unlocked.
void* VarArrayLock(Variant& array) {
  detail::VarArrayData& data = arrayOf(array);
  if (data.elementType != varByte)
    throw EVariantError("Variant array of type (" + VarTypeAsText(array.Type()) +
                        ") cannot be locked");
  ++data.lockCount;
  return data.bytes.data();
}

// Releases one lock; an unmatched unlock is a caller error.
void VarArrayUnlock(Variant& array) {
  detail::VarArrayData& data = arrayOf(array);
  if (data.lockCount == 0) throw EVariantError("Variant array is not locked");
  --data.lockCount;
}

// Locks for the lifetime of the guard.
VarArrayLockGuard::VarArrayLockGuard(Variant& array)
    : array_(array),
      data_(static_cast<std::uint8_t*>(VarArrayLock(array))),
      size_(arrayOf(array).bytes.size()) {}

// Unlocks without raising: a destructor has no one to report to.
VarArrayLockGuard::~VarArrayLockGuard() {
  detail::VarArrayData* data = Access::array(array_);
  if (data != nullptr && data->lockCount > 0) --data->lockCount;
}

}  // namespace host
