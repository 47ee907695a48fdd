// Test support for ASA statements: a connected session over a fresh
// database and a statement "Query" linked to it, with small helpers to set
// up tables and to count the client-library calls a step makes.
#pragma once

#include <memory>
#include <string>

#include "asa/VlrAsa.h"
#include "tests/asa/asa_fixture.h"

namespace asa_test {

using velar::TAsaSQL;

class SqlTest : public AsaTest {
 protected:
  explicit SqlTest(const std::string& LibraryFile = "libdblib6.so") : AsaTest(LibraryFile) {}

  void SetUp() override {
    AsaTest::SetUp();
    session = NewSession();
    session->SetConnected(true);
    query = NewQuery();
  }
  void TearDown() override {
    query.reset();
    other.reset();
    session.reset();
    AsaTest::TearDown();
  }
  std::unique_ptr<TAsaSQL> NewQuery() {
    auto statement = std::make_unique<TAsaSQL>(nullptr);
    statement->SetSession(session.get());
    return statement;
  }
  // Runs SQL on the session's connection and commits it.
  void Run(const char* SQL) {
    Exec(*session, SQL);
    Exec(*session, "COMMIT");
  }
  // How many times the trace since StartTrace names an entry point.
  int Calls(const std::string& EntryPoint) const {
    const std::string trace = standIn.Trace();
    int count = 0;
    std::size_t at = 0;
    while ((at = trace.find(EntryPoint + "\n", at)) != std::string::npos) {
      if (at == 0 || trace[at - 1] == '\n') ++count;
      at += EntryPoint.size();
    }
    return count;
  }

  // The trace since StartTrace without descriptor allocation and message
  // lookups: the calls that do work on the connection.
  std::string WorkTrace() const {
    const std::string trace = standIn.Trace();
    std::string work;
    for (std::size_t at = 0; at < trace.size();) {
      const std::size_t end = trace.find('\n', at);
      const std::string line = trace.substr(at, end - at);
      if (line.rfind("alloc_sqlda", 0) != 0 && line.rfind("free_sqlda", 0) != 0 &&
          line != "sqlerror_message")
        work += line + "\n";
      at = end == std::string::npos ? trace.size() : end + 1;
    }
    return work;
  }

  std::unique_ptr<TAsaSession> session;
  std::unique_ptr<TAsaSession> other;  // a second connection, when a test needs one
  std::unique_ptr<TAsaSQL> query;
};

}  // namespace asa_test
