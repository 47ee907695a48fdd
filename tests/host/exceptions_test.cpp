#include "host/exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(Exceptions, CaughtThroughTheirBasesWithTheirMessage) {
  try {
    throw host::EReadError("Line 3: bad value");
  } catch (const host::EStreamError& e) {
    EXPECT_STREQ(e.what(), "Line 3: bad value");
    EXPECT_EQ(e.Message, "Line 3: bad value");
  }
  host::Exception e("x");
  e.Message = "changed";
  EXPECT_STREQ(e.what(), "changed");
}

}  // namespace
