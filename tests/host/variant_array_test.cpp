#include <gtest/gtest.h>

#include "tests/support/velar_test.h"

#include <cstring>
#include <span>

#include "host/variant.h"

namespace {

using namespace host;

using velar::testing::MessageOf;

// ---------------------------------------------------------------------------
// Byte arrays: bounds, element access and locked access to the bytes.

class ByteArrayTest : public ::testing::Test {};

TEST_F(ByteArrayTest, BoundsAndElementsFromZero) {
  Variant array = VarArrayCreate({0, 9}, varByte);
  EXPECT_EQ(VarType(array), varArray | varByte);
  EXPECT_TRUE(VarIsArray(array));
  EXPECT_EQ(VarArrayDimCount(array), 1);
  EXPECT_EQ(VarArrayLowBound(array, 1), 0);
  EXPECT_EQ(VarArrayHighBound(array, 1), 9);
  EXPECT_EQ(VarArrayGet(array, 9).AsInteger(), 0);
  VarArrayPut(array, 200, 9);
  EXPECT_EQ(VarType(VarArrayGet(array, 9)), varByte);
  EXPECT_EQ(VarArrayGet(array, 9).AsInteger(), 200);
  EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayGet(array, 10); }),
            "Variant array index out of bounds");
  EXPECT_THROW(VarArrayGet(array, -1), EVariantError);
  EXPECT_THROW(VarArrayPut(array, 1, 10), EVariantError);
}

TEST_F(ByteArrayTest, LowBoundOtherThanZeroMapsToTheFirstByte) {
  Variant array = VarArrayCreate({5, 7}, varByte);
  EXPECT_EQ(VarArrayLowBound(array), 5);
  EXPECT_EQ(VarArrayHighBound(array), 7);
  array.PutElement(5, 1);
  array.PutElement(6, 2);
  array.PutElement(7, 3);
  EXPECT_THROW(array.PutElement(4, 0), EVariantError);
  EXPECT_THROW(array.GetElement(8), EVariantError);
  const auto* bytes = static_cast<const std::uint8_t*>(VarArrayLock(array));
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[2], 3);
  VarArrayUnlock(array);
  EXPECT_EQ(VarArrayBytes(array).size(), 3u);
}

TEST_F(ByteArrayTest, ValuesAreConvertedAndCheckedBeforeStoring) {
  Variant array = VarArrayCreate({0, 0}, varByte);
  array.PutElement(0, "7");
  EXPECT_EQ(array.GetElement(0).AsInteger(), 7);
  EXPECT_THROW(array.PutElement(0, 256), EVariantError);
  EXPECT_THROW(array.PutElement(0, -1), EVariantError);
  EXPECT_THROW(array.PutElement(0, "x"), EConvertError);
  EXPECT_EQ(array.GetElement(0).AsInteger(), 7);  // failed puts changed nothing
}

TEST_F(ByteArrayTest, LockGivesContiguousWritableBytes) {
  Variant array = VarArrayFromBytes("hello", 5);
  {
    VarArrayLockGuard lock(array);
    ASSERT_EQ(lock.size(), 5u);
    std::memcpy(lock.data(), "HELLO", 5);
    // The array cannot be dropped under a lock holder's feet.
    EXPECT_EQ(MessageOf<EVariantError>([&] { array = Variant(1); }), "Variant array is locked");
    EXPECT_THROW(array.Clear(), EVariantError);
  }
  EXPECT_EQ(array.AsString(), "HELLO");
  EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayUnlock(array); }),
            "Variant array is not locked");
  array = Variant(1);  // unlocked again, so this is allowed
  EXPECT_EQ(VarType(array), varInteger);
}

TEST_F(ByteArrayTest, EmptyArraysHaveHighBoundBelowLowBound) {
  const Variant none = VarArrayCreate({0, -1}, varByte);
  EXPECT_EQ(VarArrayHighBound(none), -1);
  EXPECT_EQ(VarArrayBytes(none).size(), 0u);
  const Variant fromNothing = VarArrayFromBytes(nullptr, 0, 1);
  EXPECT_EQ(VarArrayLowBound(fromNothing), 1);
  EXPECT_EQ(VarArrayHighBound(fromNothing), 0);
  EXPECT_EQ(fromNothing.AsString(), "");
}

TEST_F(ByteArrayTest, CopiesOwnTheirBytes) {
  Variant original = VarArrayFromBytes("abc", 3);
  const Variant copy = original;
  {
    VarArrayLockGuard lock(original);
    lock.data()[0] = 'X';
    Variant copyOfLocked = original;
    copyOfLocked = Variant();  // a copy does not inherit the lock
  }
  EXPECT_EQ(copy.AsString(), "abc");
  EXPECT_EQ(original.AsString(), "Xbc");
}

// ---------------------------------------------------------------------------
// Arrays of variants and of other element types.

class VariantArrayTest : public ::testing::Test {};

TEST_F(VariantArrayTest, ElementsHoldAnyVariantIncludingArrays) {
  Variant array = VarArrayCreate({0, 3}, varVariant);
  EXPECT_TRUE(array.GetElement(0).IsEmpty());
  array.PutElement(0, 1);
  array.PutElement(1, "two");
  array.PutElement(2, Null());
  array.PutElement(3, VarArrayFromBytes("xy", 2));
  EXPECT_EQ(VarType(array.GetElement(0)), varInteger);
  EXPECT_EQ(array.GetElement(1).AsString(), "two");
  EXPECT_TRUE(array.GetElement(2).IsNull());
  EXPECT_EQ(VarType(array.GetElement(3)), varArray | varByte);
  EXPECT_EQ(array.GetElement(3).AsString(), "xy");
}

TEST_F(VariantArrayTest, VarArrayOfBuildsAZeroBasedArray) {
  const Variant values = VarArrayOf({7, "x", 2.5});
  EXPECT_EQ(VarType(values), varArray | varVariant);
  EXPECT_EQ(VarArrayLowBound(values), 0);
  EXPECT_EQ(VarArrayHighBound(values), 2);
  EXPECT_EQ(VarArrayGet(values, 2).AsDouble(), 2.5);
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({})), -1);
}

TEST_F(VariantArrayTest, DeepCopyReachesNestedArrays) {
  Variant inner = VarArrayFromBytes("abc", 3);
  Variant outer = VarArrayOf({inner, "text"});
  const Variant copy = outer;
  outer.PutElement(1, "changed");
  Variant nested = outer.GetElement(0);
  nested.PutElement(0, 'z' + 0);
  outer.PutElement(0, nested);
  EXPECT_EQ(copy.GetElement(1).AsString(), "text");
  EXPECT_EQ(copy.GetElement(0).AsString(), "abc");
  EXPECT_EQ(outer.GetElement(0).AsString(), "zbc");
}

TEST_F(VariantArrayTest, TypedArraysConvertOnPutAndStartAtTheirZero) {
  Variant integers = VarArrayCreate({1, 2}, varInteger);
  EXPECT_EQ(VarType(integers.GetElement(1)), varInteger);
  EXPECT_EQ(integers.GetElement(1).AsInteger(), 0);
  integers.PutElement(1, 2.5);
  integers.PutElement(2, "41");
  EXPECT_EQ(VarType(integers.GetElement(1)), varInteger);
  EXPECT_EQ(integers.GetElement(1).AsInteger(), 2);
  EXPECT_EQ(integers.GetElement(2).AsInteger(), 41);
  EXPECT_THROW(integers.PutElement(1, "abc"), EConvertError);
  EXPECT_THROW(integers.PutElement(1, Null()), EVariantError);
  const Variant strings = VarArrayCreate({0, 1}, varString);
  EXPECT_EQ(VarType(strings.GetElement(0)), varString);
  EXPECT_EQ(strings.GetElement(0).AsString(), "");
  EXPECT_EQ(VarArrayCreate({0, 0}, varDate).GetElement(0).AsDateTime(), 0.0);
}

// The elements in place are the elements VarArrayGet copies out, in order
// from the low bound, and they follow later writes.
TEST_F(VariantArrayTest, ItemsAreTheElementsInPlace) {
  Variant values = VarArrayOf({1, "a long text that no short string holds", 2.5});
  std::span<const Variant> items = VarArrayItems(values);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].TextView(), "a long text that no short string holds");
  EXPECT_EQ(items[1].TextView().data(), VarArrayItems(values)[1].TextView().data());
  VarArrayPut(values, "b", 2);
  EXPECT_EQ(items[2].AsString(), "b");
  Variant shifted = VarArrayCreate({3, 4}, varInteger);
  VarArrayPut(shifted, 7, 3);
  EXPECT_EQ(VarArrayItems(shifted)[0].AsInteger(), 7);
  EXPECT_THROW(VarArrayItems(VarArrayFromBytes("ab", 2)), EVariantError);
  EXPECT_THROW(VarArrayItems(Variant(5)), EVariantError);
}

TEST_F(VariantArrayTest, MisuseIsReportedWithAText) {
  Variant scalar = 5;
  EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayLowBound(scalar); }), "Variant is not an array");
  EXPECT_THROW(VarArrayGet(scalar, 0), EVariantError);
  EXPECT_THROW(VarArrayLock(scalar), EVariantError);
  EXPECT_EQ(VarArrayDimCount(scalar), 0);
  Variant variants = VarArrayOf({1});
  EXPECT_THROW(VarArrayLock(variants), EVariantError);
  EXPECT_THROW(VarArrayBytes(variants), EVariantError);
  EXPECT_THROW(VarArrayHighBound(variants, 2), EVariantError);
  EXPECT_THROW(VarArrayCreate({0}, varByte), EVariantError);
  EXPECT_THROW(VarArrayCreate({0, 1, 0, 1}, varByte), EVariantError);
  EXPECT_THROW(VarArrayCreate({5, 3}, varByte), EVariantError);
  EXPECT_THROW(VarArrayCreate({0, 1}, varNull), EVariantError);
  EXPECT_THROW(VarArrayCreate({0, 1}, varArray | varByte), EVariantError);
  // Bounds at the edge of int neither overflow nor wrap.
  EXPECT_TRUE(
      VarArrayCreate({2147483647, 2147483647}, varVariant).GetElement(2147483647).IsEmpty());
  EXPECT_THROW(VarArrayFromBytes("ab", 2, 2147483647), EVariantError);
  EXPECT_THROW(VarArrayCreate({-2147483647 - 1, 0}, varVariant).GetElement(1), EVariantError);
}

}  // namespace
