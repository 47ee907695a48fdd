// Test support for the ASA session: sessions over the stand-in client
// libraries of the build, a fresh database in a fresh directory per test, the
// stand-in's test control (trace, injected outcomes, stopping every engine),
// and SQL run through the session's own entry-point table and SQLCA.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "asa/VlrAsaSession.h"
#include "host/os.h"
#include "tests/support/velar_test.h"

namespace asa_test {

using velar::AsaLibrary;
using velar::EAsaException;
using velar::TAsaSession;
using velar::testing::MessageOf;
using velar::testing::TempDir;

inline std::string LibDir() {
  return VELAR_LIB_DIR;
}

// The stand-in library a test's sessions load, held open by the test itself
// so that its test-control entries stay reachable while the sessions load
// and unload it. Ending the test stops every engine it left running.
class StandIn {
 public:
  explicit StandIn(const std::string& FileName = "libdblib6.so")
      : handle_(host::LoadLibrary(LibDir() + "/" + FileName)) {}
  ~StandIn() {
    if (handle_ == nullptr) return;
    Sym<dblib_test_stop_all_fn>("dblib_test_stop_all")();
    Sym<dblib_test_clear_fn>("dblib_test_clear")();
    host::FreeLibrary(handle_);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  template <class F>
  F Sym(const char* Name) const {
    return reinterpret_cast<F>(host::GetProcAddress(handle_, Name));
  }
  int CreateDatabase(const std::string& File) const {
    return Sym<dblib_test_create_database_fn>("dblib_test_create_database")(File.c_str());
  }
  // The next call of EntryPoint only reports Code and Text.
  void Inject(const char* EntryPoint, int Code, const char* Text = nullptr) const {
    Sym<dblib_test_inject_fn>("dblib_test_inject")(EntryPoint, Code, Text);
  }
  // Starts recording the entry points called, forgetting earlier ones.
  void StartTrace() const { Sym<dblib_test_trace_fn>("dblib_test_trace")(1); }
  std::string Trace() const {
    char text[8192] = {};
    Sym<dblib_test_trace_text_fn>("dblib_test_trace_text")(text, sizeof text);
    return text;
  }
  // Whether an engine of that name runs, asked on an SQLCA of the test's own.
  bool EngineRuns(const char* Name) const {
    sqlca probe{};
    Sym<db_init_fn>("db_init")(&probe);
    const bool found = Sym<db_find_engine_fn>("db_find_engine")(&probe, Name) != 0;
    Sym<db_fini_fn>("db_fini")(&probe);
    return found;
  }

 private:
  host::TLibraryHandle handle_;
};

// A fixture over one stand-in library with a fresh database "test.db" (user
// DBA, password SQL). Every session a test makes must be gone when it ends,
// so the library is unloaded between tests.
class AsaTest : public ::testing::Test {
 protected:
  explicit AsaTest(const std::string& LibraryFile = "libdblib6.so")
      : libraryFile(LibraryFile), standIn(LibraryFile) {}

  void SetUp() override {
    ASSERT_TRUE(standIn.Loaded()) << host::LastLibraryError();
    ASSERT_FALSE(dir.Path().empty());
    database = dir.File("test.db");
    ASSERT_EQ(standIn.CreateDatabase(database), 0);
  }
  void TearDown() override {
    EXPECT_EQ(AsaLibrary.ReferenceCount, 0) << "a session outlived its test";
    EXPECT_EQ(AsaLibrary.Handle, nullptr);
  }

  // A session that loads this fixture's library from the build and logs in
  // to Database (default: the fixture's) as DBA.
  std::unique_ptr<TAsaSession> NewSession(const std::string& Database = "") {
    auto session = std::make_unique<TAsaSession>(nullptr);
    session->SetLibraryPath(LibDir());
    session->SetLibraryFile(libraryFile);
    session->SetLoginDatabase(Database.empty() ? database : Database);
    session->SetLoginUser("DBA");
    session->SetLoginPassword("SQL");
    return session;
  }

  // Runs one statement on the session's connection and checks it, raising
  // the session's error text when it fails.
  static void Exec(TAsaSession& Session, const char* SQL) {
    AsaLibrary.Procs.dbpp_execute_imm(Session.SQLCA(), SQL, static_cast<unsigned short>(0));
    Session.Check(nullptr, 0, 0, true);
  }
  // The one integer a query returns, or -1 when it fails.
  static std::int64_t QueryInt(TAsaSession& Session, const char* SQL) {
    const velar::TAsaProcs& procs = AsaLibrary.Procs;
    std::int16_t number = 0;
    procs.dbpp_prepare(Session.SQLCA(), nullptr, velar::szVelarLibraryName, &number, SQL,
                       static_cast<sqlda*>(nullptr), static_cast<unsigned short>(0));
    if (!Session.Check(nullptr, 0, 0, false)) return -1;
    std::int64_t value = -1;
    {
      velar::TAsaDescriptor output(1);
      output->sqld = 1;
      output->sqlvar[0].sqltype = DBT_BIGINT;
      output->sqlvar[0].sqldata = &value;
      procs.dbpp_execute_into(Session.SQLCA(), nullptr, velar::szVelarLibraryName, &number,
                              static_cast<sqlda*>(nullptr), output.get());
      if (!Session.Check(nullptr, 0, 0, false)) value = -1;
    }
    procs.dbpp_dropstmt(Session.SQLCA(), nullptr, velar::szVelarLibraryName, &number);
    return value;
  }

  std::string libraryFile;
  StandIn standIn;
  TempDir dir;
  std::string database;
};

}  // namespace asa_test
