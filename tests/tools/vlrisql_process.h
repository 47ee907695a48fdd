// Test support for vlrisql as a user runs it: the built program started as
// a process with arguments and standard input, its output and exit status
// collected, in a fresh directory with a fresh database.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/velar_test.h"

namespace vlrisql_test {

inline std::string Program() {
  return VELAR_BIN_DIR "/vlrisql";
}

struct TRun {
  int Status = -1;  // the exit status; 128 + the signal when one ended it
  std::string Out;
  std::string Err;
  long MaxRssKb = 0;  // the process's peak resident memory
};

// A started program whose standard streams are pipes of the test's.
class TProcess {
 public:
  // Env entries ("NAME=value") are added to the test's own environment.
  TProcess(const std::string& Program, const std::vector<std::string>& Args,
           const std::string& Directory, const std::vector<std::string>& Env = {}) {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
        ::close(fd);
      if (::chdir(Directory.c_str()) != 0) ::_exit(126);
      for (const std::string& entry : Env)
        ::putenv(const_cast<char*>(entry.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(Program.c_str()));
      for (const std::string& arg : Args)
        argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(Program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    ::fcntl(in_, F_SETFL, O_NONBLOCK);
  }
  ~TProcess() {
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      Finish(5000);
    }
    for (int fd : {in_, out_, err_})
      if (fd >= 0) ::close(fd);
  }
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  pid_t Pid() const { return pid_; }
  const TRun& Result() const { return run_; }

  // Writes Input to the program's standard input and closes it.
  void SendInput(const std::string& Input) { input_ = Input; }

  // Exchanges data until Until is true of what was read (or the program
  // ends); false when the time ran out first.
  bool PumpUntil(const std::function<bool(const TRun&)>& Until, int TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Until(run_)) {
      if (out_ < 0 && err_ < 0) return Until(run_);
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return false;
      Pump(static_cast<int>(std::min<long long>(left, 100)));
    }
    return true;
  }

  // Runs the program to its end; false when it did not end in time.
  bool Finish(int TimeoutMs) {
    PumpUntil([](const TRun&) { return false; }, TimeoutMs);
    if (out_ >= 0 || err_ >= 0) return false;
    int status = 0;
    rusage usage{};
    if (::wait4(pid_, &status, 0, &usage) != pid_) return false;
    ended_ = true;
    run_.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run_.MaxRssKb = usage.ru_maxrss;
    return true;
  }

 private:
  void Pump(int TimeoutMs) {
    if (in_ >= 0 && written_ == input_.size()) {
      ::close(in_);
      in_ = -1;
    }
    pollfd fds[3] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}, {in_, POLLOUT, 0}};
    if (::poll(fds, 3, TimeoutMs) <= 0) return;
    ReadFrom(fds[0], out_, run_.Out);
    ReadFrom(fds[1], err_, run_.Err);
    if (in_ >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t wrote = ::write(in_, input_.data() + written_, input_.size() - written_);
      if (wrote > 0)
        written_ += static_cast<std::size_t>(wrote);
      else
        written_ = input_.size();  // the program stopped reading
    }
  }
  static void ReadFrom(const pollfd& Fd, int& Handle, std::string& Text) {
    if (Handle < 0 || (Fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return;
    char buffer[65536];
    const ssize_t got = ::read(Handle, buffer, sizeof buffer);
    if (got > 0) {
      Text.append(buffer, static_cast<std::size_t>(got));
    } else {
      ::close(Handle);
      Handle = -1;
    }
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string input_;
  std::size_t written_ = 0;
  bool ended_ = false;
  TRun run_;
};

// A fresh directory with a database "test.db" (DBA/SQL) made by vlrdbinit.
class VlrisqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    database = dir.File("test.db");
    ASSERT_EQ(Create(database), 0);
  }

  // Runs vlrdbinit with Args before the file name; its exit status.
  int Create(const std::string& File, std::vector<std::string> Args = {}) {
    Args.push_back(File);
    TProcess process(VELAR_BIN_DIR "/vlrdbinit", Args, dir.Path());
    return process.Finish(60000) ? process.Result().Status : -1;
  }

  // Runs vlrisql to its end with Args and Input, in the test's directory.
  TRun Run(const std::vector<std::string>& Args, const std::string& Input = "",
           const std::vector<std::string>& Env = {}) {
    TProcess process(Program(), Args, dir.Path(), Env);
    process.SendInput(Input);
    EXPECT_TRUE(process.Finish(120000)) << "vlrisql did not end";
    return process.Result();
  }
  // Runs statements (or commands) on test.db.
  TRun Sql(const std::string& Input, const std::vector<std::string>& Extra = {}) {
    std::vector<std::string> args = {"test.db"};
    args.insert(args.end(), Extra.begin(), Extra.end());
    return Run(args, Input);
  }

  static std::string ReadFile(const std::string& Name) {
    std::ifstream file(Name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  velar::testing::TempDir dir{"vlrisql"};
  std::string database;
};

}  // namespace vlrisql_test
