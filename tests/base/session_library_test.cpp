#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/base/test_driver.h"

namespace {

using namespace velar_test;

class SessionLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    DriverLog::Reset();
    TTestSession::ResetDriver();
  }
  void TearDown() override { TTestSession::ResetDriver(); }
};

// One load serves every session of the driver; the last one to go unloads.
TEST_F(SessionLibrary, TwoSessionsShareOneLoad) {
  auto first = std::make_unique<TTestSession>(nullptr, "S1");
  auto second = std::make_unique<TTestSession>(nullptr, "S2");

  first->InternalLibraryHandleNeeded();
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
  EXPECT_EQ(TTestSession::Loads, 1);
  EXPECT_TRUE(first->LibraryLoaded());
  ASSERT_NE(TTestSession::Answer, nullptr);
  EXPECT_EQ(TTestSession::Answer(), 42);

  second->InternalLibraryHandleNeeded();
  EXPECT_EQ(TTestSession::ReferenceCount, 2);
  EXPECT_EQ(TTestSession::Loads, 1);
  EXPECT_EQ(DriverLog::Count("S2.InternalLoadLibrary"), 0);
  EXPECT_EQ(second->LoadedLibraryPath(), "") << "only the loading session knows the directory";

  first.reset();
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
  EXPECT_NE(TTestSession::Handle, nullptr);
  EXPECT_EQ(DriverLog::Count("S1.InternalUnLoadLibrary"), 0);

  second.reset();
  EXPECT_EQ(TTestSession::ReferenceCount, 0);
  EXPECT_EQ(TTestSession::Handle, nullptr);
  EXPECT_EQ(TTestSession::Answer, nullptr);
  EXPECT_EQ(DriverLog::Count("S2.InternalUnLoadLibrary"), 1);
}

TEST_F(SessionLibrary, OneSessionCountsOnce) {
  TTestSession session(nullptr);
  session.InternalLibraryHandleNeeded();
  session.InternalLibraryHandleNeeded();
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
  EXPECT_EQ(DriverLog::Count("S.SetLibraryLoaded(1)"), 1);
}

TEST_F(SessionLibrary, SessionThatNeverLoadedReleasesNothing) {
  TTestSession holder(nullptr, "Holder");
  holder.InternalLibraryHandleNeeded();
  { TTestSession idle(nullptr, "Idle"); }
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
  EXPECT_EQ(DriverLog::Count("Idle.SetLibraryLoaded(0)"), 0);
  EXPECT_EQ(DriverLog::Count("Idle.InternalUnLoadLibrary"), 0);
}

TEST_F(SessionLibrary, FailedLoadLeavesTheCountAndRetries) {
  TTestSession session(nullptr);
  DriverLog::FailOn = "InternalLoadLibrary";
  EXPECT_THROW(session.InternalLibraryHandleNeeded(), velar::EVelarException);
  EXPECT_EQ(TTestSession::ReferenceCount, 0);
  EXPECT_FALSE(session.LibraryLoaded());
  EXPECT_EQ(session.LastError(), "InternalLoadLibrary failed");

  DriverLog::FailOn.clear();
  session.InternalLibraryHandleNeeded();
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
  EXPECT_TRUE(session.LibraryLoaded());
}

// A library that loaded but could not be bound is given back at once, so a
// retry loads it afresh instead of loading it a second time over the first.
TEST_F(SessionLibrary, FailedBindingUnloadsBeforeTheRetry) {
  TTestSession session(nullptr);
  DriverLog::FailOn = "InternalLoadProcs";
  EXPECT_THROW(session.InternalLibraryHandleNeeded(), velar::EVelarException);
  EXPECT_EQ(TTestSession::ReferenceCount, 0);
  EXPECT_FALSE(session.LibraryLoaded());
  EXPECT_EQ(DriverLog::Count("S.InternalUnLoadLibrary"), 1);
  EXPECT_EQ(TTestSession::Handle, nullptr);

  DriverLog::FailOn.clear();
  session.InternalLibraryHandleNeeded();
  EXPECT_EQ(TTestSession::Loads, 2);
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
}

// Destruction releases the reference even when the driver's disconnect
// fails, and the statement links are undone regardless.
TEST_F(SessionLibrary, DestructionCompletesPastAFailingDisconnect) {
  auto session = std::make_unique<TTestSession>(nullptr);
  session->SetConnected(true);
  ASSERT_TRUE(session->Connected());
  DriverLog::FailOn = "SetConnected(0)";
  session.reset();
  EXPECT_EQ(TTestSession::ReferenceCount, 0);
  EXPECT_EQ(TTestSession::Handle, nullptr);
}

class LibraryVersion : public SessionLibrary {};

TEST_F(LibraryVersion, ReadsTheLoadedFileAndTakesAReference) {
  TTestSession session(nullptr);
  session.SetLibraryFile("libbase_fixture_versioned.so");
  EXPECT_EQ(session.GetLibraryVersion(), "6.0.2.3456");
  EXPECT_TRUE(session.LibraryLoaded());
  EXPECT_EQ(TTestSession::ReferenceCount, 1);
}

TEST_F(LibraryVersion, LibraryWithoutVersionBlock) {
  TTestSession session(nullptr);
  session.SetLibraryFile("libbase_fixture_plain.so");
  EXPECT_EQ(session.GetLibraryVersion(), "0.0.0.0");
}

TEST_F(LibraryVersion, VersionCarriedOnlyAsText) {
  TTestSession session(nullptr);
  session.SetLibraryFile("libbase_fixture_textversion.so");
  EXPECT_EQ(session.GetLibraryVersion(), "7.1.0.42");
}

}  // namespace
