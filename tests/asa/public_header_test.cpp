// What an application sees of the driver: the chief header alone gives the
// session and the SQLCA and SQLDA layouts, and nothing of the driver's own
// table of entry points, library state or the library's codes.
#include <gtest/gtest.h>

#include "asa/VlrAsa.h"

#ifdef DBLIB_SQLDEF_H
#error "asa/VlrAsa.h hands its clients the client library's entry points and codes"
#endif
#ifdef DBE_OK
#error "asa/VlrAsa.h hands its clients the client library's outcome codes"
#endif

namespace {

TEST(PublicHeader, GivesTheSessionWithItsDefaultsAndItsSqlca) {
  velar::TAsaSession session(nullptr);
  EXPECT_EQ(session.LibraryFile(), "libdblib6.so");
  EXPECT_EQ(session.ServerParams(), "start=dbeng6");
  SQLCA* area = session.SQLCA();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(sizeof *area, 136u);
}

}  // namespace
