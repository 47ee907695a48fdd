// Moving through a data set allocates nothing: the window's buffers rotate
// and the data events reach the links without copying lists to the heap.
// The test counts every allocation of the whole program while it moves,
// through the allocator of the sanitizer build that `make test` runs.
#include <gtest/gtest.h>

#include <cstddef>

#include "tests/host/dataset_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer run time's hook for every allocation and release.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*Malloc)(const volatile void*,
                                                                        std::size_t),
                                                         void (*Free)(const volatile void*));
#endif

namespace {

long gAllocations = 0;
bool gCounting = false;

#if defined(__SANITIZE_ADDRESS__)
void CountAllocation(const volatile void*, std::size_t) {
  if (gCounting) ++gAllocations;
}
void IgnoreFree(const volatile void*) {}

// The sanitizer's allocator tells of every allocation in the program, from
// any library and by any means.
bool InstallCounter() {
  static const bool installed =
      __sanitizer_install_malloc_and_free_hooks(&CountAllocation, &IgnoreFree) != 0;
  return installed;
}
#else
bool InstallCounter() {
  return false;
}
#endif

// Counts the allocations made while it lives.
class TAllocationCount {
 public:
  TAllocationCount() {
    gAllocations = 0;
    gCounting = true;
  }
  ~TAllocationCount() { gCounting = false; }
  long Made() const { return gAllocations; }
};

class MovingWithoutAllocating : public dbtest::RecordSetTest {};

TEST_F(MovingWithoutAllocating, EveryKindOfMoveReadsIntoBuffersAlreadyThere) {
  if (!InstallCounter()) GTEST_SKIP() << "allocations are counted in the sanitizer build";
  host::TDataLink grid;
  grid.SetDataSource(&source);
  grid.SetBufferCount(3);
  host::TDataLink edit;
  edit.SetDataSource(&source);
  data.Open();
  data.Quiet = true;
  host::TField* id = data.FieldByName("ID");
  long sum = 0;
  {
    TAllocationCount count;
    while (!data.Eof()) {
      sum += id->AsInteger();
      data.Next();
    }
    data.MoveBy(-5);
    data.First();
    data.MoveBy(4);
    data.Last();
    data.Prior();
    EXPECT_EQ(count.Made(), 0);
  }
  EXPECT_EQ(sum, 55);
  EXPECT_EQ(id->AsInteger(), 9);
}

}  // namespace
