// Loading the client library: the search, the directory, the failure texts,
// one load shared by all sessions, the entry-point table, the generation
// probe and the SQLCA's initialisation.
#include <stdlib.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "tests/asa/asa_fixture.h"

namespace asa_test {
namespace {

// Names of the table entries that hold an address.
std::vector<std::string> BoundEntries() {
  std::vector<std::string> bound;
  velar::VisitAsaProcs(AsaLibrary.Procs, [&](const char* Name, const auto& Entry, bool) {
    if (velar::IsAsaProcBound(Entry)) bound.push_back(Name);
  });
  return bound;
}

sqlca* ContextSqlca() {
  return *static_cast<sqlca* const*>(AsaLibrary.LegacyContext.sqlca_pointer_field);
}

class LibraryLoadTest : public AsaTest {};

TEST_F(LibraryLoadTest, TwoSessionsShareOneLoadAndTheLastUnloadsAndClearsTheTable) {
  auto first = NewSession();
  auto second = NewSession();
  first->InternalLibraryHandleNeeded();
  first->InternalLibraryHandleNeeded();
  const host::TLibraryHandle handle = AsaLibrary.Handle;
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(AsaLibrary.ReferenceCount, 1);
  EXPECT_EQ(BoundEntries().size(), 41u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(first->SQLCA()->sqlcaid), 5), "SQLCA");
  EXPECT_EQ(first->SQLCA()->sqlcabc, 136);

  second->InternalLibraryHandleNeeded();
  EXPECT_EQ(AsaLibrary.ReferenceCount, 2);
  EXPECT_EQ(AsaLibrary.Handle, handle);
  EXPECT_EQ(first->LoadedLibraryPath(), LibDir() + "/");
  EXPECT_EQ(second->LoadedLibraryPath(), "") << "only the loading session records the directory";
  EXPECT_EQ(ContextSqlca(), second->SQLCA()) << "the context names the session initialised last";
  EXPECT_EQ(*AsaLibrary.LegacyContext.interface_version, 6);

  second.reset();
  EXPECT_EQ(AsaLibrary.LegacyContext.sqlca_pointer_field, nullptr)
      << "no address inside a destroyed session is kept";
  EXPECT_EQ(AsaLibrary.Handle, handle);
  first->SetConnected(true);
  EXPECT_EQ(QueryInt(*first, "SELECT 41"), 41) << "the survivor still works";

  first.reset();
  EXPECT_EQ(AsaLibrary.ReferenceCount, 0);
  EXPECT_EQ(AsaLibrary.Handle, nullptr);
  EXPECT_TRUE(BoundEntries().empty());
}

TEST_F(LibraryLoadTest, FailuresNameTheFileOrDirectoryAndKeepTheCurrentDirectory) {
  auto session = NewSession();
  session->SetLibraryPath("");
  session->SetLibraryFile("libvelar_absent_client.so");
  const std::string before = host::GetCurrentDir();
  const std::string text = MessageOf<EAsaException>([&] { session->SetConnected(true); });
  EXPECT_EQ(text,
            "Could not load the Database Interface library. (libvelar_absent_client.so,"
            "libvelar_absent_client.so: cannot open shared object file: No such file or "
            "directory)");
  EXPECT_EQ(session->LastError(), text);
  EXPECT_FALSE(session->LibraryLoaded());
  EXPECT_EQ(AsaLibrary.ReferenceCount, 0);

  session->SetLibraryPath(dir.Path());  // changed into for the load, and left again
  EXPECT_THROW(session->InternalLibraryHandleNeeded(), EAsaException);
  EXPECT_EQ(host::GetCurrentDir(), before);
  session->SetLibraryPath("  " + dir.File("nowhere") + " ");
  EXPECT_EQ(MessageOf<EAsaException>([&] { session->InternalLibraryHandleNeeded(); }),
            "Could not find database library path. (" + dir.File("nowhere") +
                "/,No such file or directory)");
  EXPECT_EQ(host::GetCurrentDir(), before);

  session->SetLibraryPath(LibDir());
  session->SetLibraryFile("libdblib6.so");
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected()) << "a failed load is tried again";
}

TEST_F(LibraryLoadTest, DirectoryFromTheSearchOrRelativeToTheCurrentOne) {
  const char* saved = ::getenv("LD_LIBRARY_PATH");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("LD_LIBRARY_PATH", LibDir().c_str(), 1);
  auto found = NewSession();
  found->SetLibraryPath("");
  const std::string version = found->GetLibraryVersion();
  saved != nullptr ? ::setenv("LD_LIBRARY_PATH", previous.c_str(), 1)
                   : ::unsetenv("LD_LIBRARY_PATH");
  EXPECT_EQ(found->LoadedLibraryPath(), LibDir() + "/");
  EXPECT_EQ(version, "6.0.4.3594");
  found.reset();

  const std::filesystem::path lib(LibDir());
  const std::string before = host::GetCurrentDir();
  ASSERT_TRUE(host::SetCurrentDir(lib.parent_path().string()));
  auto relative = NewSession();
  relative->SetLibraryPath(lib.filename().string());
  relative->InternalLibraryHandleNeeded();
  EXPECT_EQ(host::GetCurrentDir(), lib.parent_path().string());
  host::SetCurrentDir(before);
  EXPECT_EQ(relative->LoadedLibraryPath(), lib.filename().string() + "/");
}

TEST_F(LibraryLoadTest, FileNamedWithItsDirectoryLoadsWithoutLibraryPath) {
  auto absolute = NewSession();
  absolute->SetLibraryPath("");
  absolute->SetLibraryFile(LibDir() + "/libdblib6.so");
  absolute->SetConnected(true);
  EXPECT_EQ(absolute->LoadedLibraryPath(), LibDir() + "/");
  EXPECT_EQ(absolute->GetLibraryVersion(), "6.0.4.3594");
  absolute.reset();

  const std::filesystem::path lib(LibDir());
  const std::string before = host::GetCurrentDir();
  ASSERT_TRUE(host::SetCurrentDir(lib.parent_path().string()));
  auto relative = NewSession();
  relative->SetLibraryPath("");
  relative->SetLibraryFile(lib.filename().string() + "/libdblib7.so");
  relative->InternalLibraryHandleNeeded();
  const std::string version = relative->GetLibraryVersion();
  host::SetCurrentDir(before);
  EXPECT_EQ(relative->LoadedLibraryPath(), LibDir() + "/");
  EXPECT_EQ(version, "7.0.4.3407");
  EXPECT_EQ(AsaLibrary.Generation, velar::agVersion7) << "the name still tells generation 7";
  relative->SetConnected(true);
  EXPECT_EQ(QueryInt(*relative, "SELECT 7"), 7);
}

TEST_F(LibraryLoadTest, AbsoluteFileIgnoresLibraryPathAsTheLoaderDoes) {
  auto session = NewSession();
  session->SetLibraryPath(dir.Path());
  session->SetLibraryFile(LibDir() + "/libdblib6.so");
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
  EXPECT_EQ(session->GetLibraryVersion(), "6.0.4.3594");
}

TEST_F(LibraryLoadTest, FailedInitialisationGivesTheReferenceBack) {
  auto session = NewSession();
  standIn.Inject("db_init", -309, "out of memory");
  EXPECT_EQ(MessageOf<EAsaException>([&] { session->SetConnected(true); }),
            "Unable to initialize database interface");
  EXPECT_EQ(session->LastError(), "Unable to initialize database interface");
  EXPECT_FALSE(session->LibraryLoaded());
  EXPECT_EQ(AsaLibrary.Handle, nullptr);
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected()) << "the next attempt starts afresh";
}

class GenerationTest : public AsaTest {
 protected:
  // The generation and interface version a fresh session finds in File.
  std::pair<velar::TAsaLibraryGeneration, int> Probe(const std::string& File,
                                                     const std::string& Dir = LibDir()) {
    auto session = NewSession();
    session->SetLibraryPath(Dir);
    session->SetLibraryFile(File);
    session->InternalLibraryHandleNeeded();
    return {AsaLibrary.Generation, *AsaLibrary.LegacyContext.interface_version};
  }
};

TEST_F(GenerationTest, EachLibraryServesItsGenerationAndSevenNeedsTheName) {
  using P = std::pair<velar::TAsaLibraryGeneration, int>;
  EXPECT_EQ(Probe("libdblib7.so"), P(velar::agVersion7, 7));
  EXPECT_EQ(Probe("libdblib6.so"), P(velar::agVersion6, 6));
  EXPECT_EQ(Probe("libdblib5.so"), P(velar::agUnversioned, 4));
  std::filesystem::copy_file(LibDir() + "/libdblib7.so", dir.File("libvendorclient.so"));
  EXPECT_EQ(Probe("libvendorclient.so", dir.Path()), P(velar::agVersion6, 6));
}

class OldLibraryTest : public AsaTest {
 protected:
  OldLibraryTest() : AsaTest("libdblib5.so") {}
};

TEST_F(OldLibraryTest, OptionalEntriesStayNullAndAMissingOneReportsTheLibraryAsTooOld) {
  auto session = NewSession();
  session->SetConnected(true);
  EXPECT_EQ(AsaLibrary.Procs.db_version_check, nullptr);
  EXPECT_EQ(AsaLibrary.Procs.db_string_ping_server, nullptr);
  EXPECT_EQ(AsaLibrary.Procs.db_locate_servers, nullptr);
  EXPECT_EQ(BoundEntries().size(), 38u) << "dbpp_explain is bound to its fallback";
  EXPECT_EQ(MessageOf<velar::EVelarException>(
                [&] { AsaLibrary.Procs.dbpp_explain(session->SQLCA(), "c", 0, nullptr); }),
            "Function not supported by this version of the Database Interface library.");
  EXPECT_EQ(session->LastError(), "") << "the fallback raises without the session";
  EXPECT_EQ(QueryInt(*session, "SELECT 5"), 5) << "the rest of an old library works";
}

}  // namespace
}  // namespace asa_test
