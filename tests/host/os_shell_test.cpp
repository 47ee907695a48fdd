#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/application.h"
#include "host/os.h"
#include "tests/support/velar_test.h"

namespace {

class OsShellOpen : public ::testing::Test {
 protected:
  void TearDown() override { host::SetShellOpenHandler(nullptr); }
};

TEST_F(OsShellOpen, TargetsGoToTheInstalledHandler) {
  std::vector<std::string> opened;
  host::SetShellOpenHandler([&](const std::string& target) {
    opened.push_back(target);
    return target.rfind("mailto:", 0) == 0;
  });
  EXPECT_TRUE(host::ShellOpen("mailto:support@example.org"));
  EXPECT_FALSE(host::ShellOpen("https://example.org/"));
  EXPECT_EQ(opened,
            (std::vector<std::string>{"mailto:support@example.org", "https://example.org/"}));

  host::TShellOpenHandler previous = host::SetShellOpenHandler(nullptr);
  ASSERT_TRUE(previous);
  EXPECT_TRUE(previous("mailto:x"));
  EXPECT_EQ(opened.size(), 3u);
}

// Runs the default opener with PATH holding only a directory of our own.
class DefaultOpener : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = scratch.Path();
    ASSERT_FALSE(dir.empty());
    if (const char* value = std::getenv("PATH")) oldPath = value;
    ::setenv("PATH", dir.c_str(), 1);
  }
  void TearDown() override {
    if (oldPath)
      ::setenv("PATH", oldPath->c_str(), 1);
    else
      ::unsetenv("PATH");
  }
  velar::testing::TempDir scratch{"os_shell"};
  std::string dir;
  std::optional<std::string> oldPath;
};

TEST_F(DefaultOpener, ReportsAMissingOpener) {
  EXPECT_FALSE(host::ShellOpen("https://example.org/"));
}

TEST_F(DefaultOpener, PassesTheTargetAsOneArgumentAndNeverAsShellText) {
  // A stand-in xdg-open that records its first argument.
  const std::string script = dir + "/xdg-open";
  std::ofstream(script)
      << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && /bin/mv \"$0.tmp\" \"$0.log\"\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const std::string target = "https://example.org/a b?x=1&y=2; touch " + dir + "/injected";
  ASSERT_TRUE(host::ShellOpen(target));
  const std::string log = script + ".log";
  for (int i = 0; i < 500 && !std::filesystem::exists(log); ++i)
    ::usleep(10000);
  std::ifstream in(log);
  std::string recorded((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(recorded, target);
  EXPECT_FALSE(std::filesystem::exists(dir + "/injected"));
}

class ApplicationMessageBox : public ::testing::Test {
 protected:
  void TearDown() override { host::Application->SetMessageBoxHandler(nullptr); }
};

TEST_F(ApplicationMessageBox, GoesToTheInstalledHandler) {
  std::vector<std::tuple<std::string, std::string, int>> shown;
  host::Application->SetMessageBoxHandler(
      [&](const std::string& text, const std::string& caption, int flags) {
        shown.emplace_back(text, caption, flags);
        return host::IDCANCEL;
      });
  int answer = host::Application->MessageBox("Could not connect", "VelarDB",
                                             host::MB_OK | host::MB_ICONERROR);
  EXPECT_EQ(answer, host::IDCANCEL);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], std::make_tuple(std::string("Could not connect"), std::string("VelarDB"),
                                      host::MB_OK | host::MB_ICONERROR));
}

TEST_F(ApplicationMessageBox, TheDefaultWritesToStandardError) {
  ::testing::internal::CaptureStderr();
  int answer =
      host::Application->MessageBox("Disk full", "VelarDB", host::MB_OK | host::MB_ICONERROR);
  std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, host::IDOK);
  EXPECT_EQ(written, "VelarDB: Disk full\n");
}

}  // namespace
