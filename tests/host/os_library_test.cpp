#include <gtest/gtest.h>

#include <unistd.h>
#include "tests/support/velar_test.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "host/os.h"

namespace {

namespace fs = std::filesystem;

const std::string kVersionedLibrary = std::string(VELAR_LIB_DIR) + "/libos_fixture_versioned.so";

// Sets an environment variable for the test's duration.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

using velar::testing::TempDir;

class OsLibrary : public ::testing::Test {};

TEST_F(OsLibrary, LoadsLooksUpAndFrees) {
  host::TLibraryHandle handle = host::LoadLibrary(kVersionedLibrary);
  ASSERT_NE(handle, nullptr) << host::LastLibraryError();
  auto answer = reinterpret_cast<int (*)()>(host::GetProcAddress(handle, "os_fixture_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(host::GetProcAddress(handle, "no_such_entry"), nullptr);
  EXPECT_NE(host::LastLibraryError().find("no_such_entry"), std::string::npos);
  EXPECT_TRUE(host::FreeLibrary(handle));
}

TEST_F(OsLibrary, FailuresKeepTheSystemsReason) {
  EXPECT_EQ(host::LoadLibrary("/nonexistent/libnothing.so"), nullptr);
  EXPECT_NE(host::LastLibraryError().find("libnothing.so"), std::string::npos);
  // An empty name must not hand back the running program.
  EXPECT_EQ(host::LoadLibrary(""), nullptr);
  EXPECT_FALSE(host::LastLibraryError().empty());
  EXPECT_EQ(host::GetProcAddress(nullptr, "os_fixture_answer"), nullptr);
  EXPECT_FALSE(host::FreeLibrary(nullptr));
}

class OsSearchPath : public ::testing::Test {
 protected:
  TempDir libraryDir, programDir;
};

TEST_F(OsSearchPath, LooksInTheProgramsDirectoryThenLibraryPathThenPath) {
  // The test program itself lies in the executable's directory.
  const std::string self = std::string(VELAR_BIN_DIR) + "/host_tests";
  libraryDir.Touch("host_tests");
  libraryDir.Touch("shared.so");
  programDir.Touch("shared.so");
  programDir.Touch("tool.so");
  ScopedEnv libraryPath("LD_LIBRARY_PATH", "/nonexistent::" + libraryDir.Path());
  ScopedEnv path("PATH", programDir.Path() + "/");

  EXPECT_EQ(fs::canonical(host::SearchPath("host_tests")), fs::canonical(self));
  EXPECT_EQ(host::SearchPath("shared.so"), libraryDir.Path() + "/shared.so");
  EXPECT_EQ(host::SearchPath("tool.so"), programDir.Path() + "/tool.so");
  EXPECT_EQ(host::SearchPath("absent.so"), "");
  EXPECT_EQ(host::SearchPath(""), "");
}

TEST_F(OsSearchPath, GivesAbsolutePathsOfRegularFilesAndSkipsEmptyEntries) {
  fs::create_directory(libraryDir.Path() + "/dir.so");
  libraryDir.Touch("here.so");
  const std::string saved = host::GetCurrentDir();
  ASSERT_TRUE(host::SetCurrentDir(libraryDir.Path()));
  {
    // An empty entry is not taken as the current directory.
    ScopedEnv libraryPath("LD_LIBRARY_PATH", ":");
    ScopedEnv path("PATH", "");
    EXPECT_EQ(host::SearchPath("here.so"), "");
  }
  {
    // A relative entry is completed, so the result survives a directory change.
    ScopedEnv libraryPath("LD_LIBRARY_PATH", ".");
    ScopedEnv path("PATH", "");
    EXPECT_EQ(host::SearchPath("here.so"), host::GetCurrentDir() + "/./here.so");
    EXPECT_EQ(host::SearchPath("dir.so"), "");
  }
  ASSERT_TRUE(host::SetCurrentDir(saved));
}

class OsCurrentDir : public ::testing::Test {};

TEST_F(OsCurrentDir, AFailedChangeLeavesTheDirectoryAndTheReason) {
  const std::string before = host::GetCurrentDir();
  ASSERT_FALSE(before.empty());
  EXPECT_FALSE(host::SetCurrentDir("/nonexistent/velar/dir"));
  EXPECT_EQ(host::GetLastOSError(), ENOENT);
  EXPECT_EQ(host::LastOSErrorMessage(), std::strerror(ENOENT));
  EXPECT_EQ(host::GetCurrentDir(), before);
  TempDir dir;
  ASSERT_TRUE(host::SetCurrentDir(dir.Path()));
  EXPECT_EQ(fs::path(host::GetCurrentDir()), fs::canonical(dir.Path()));
  ASSERT_TRUE(host::SetCurrentDir(before));
}

}  // namespace
