// A fixture for statement tests over the test driver: one session and one
// statement "Q" linked to it, a fresh table and log per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/base/test_driver.h"

namespace velar_test {

class StatementFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    DriverLog::Reset();
    TTestSession::ResetDriver();
    TestTable::Reset();
    session = std::make_unique<TTestSession>(nullptr);
    query = std::make_unique<TTestSQL>(nullptr);
    query->SetSession(session.get());
  }
  void TearDown() override {
    query.reset();
    session.reset();
    TTestSession::ResetDriver();
  }

  std::unique_ptr<TTestSession> session;
  std::unique_ptr<TTestSQL> query;
};

}  // namespace velar_test
