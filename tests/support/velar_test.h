// Helpers every test suite shares: the message of an expected exception and a
// scratch directory that removes itself.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace velar::testing {

// The message of the E that Action raises, or a note that it raised none, so
// that a test can compare the exact text a user would see.
template <typename E, typename Action>
std::string MessageOf(Action&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "<no exception>";
}

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "velar") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Creates a small file and answers its path.
  std::string Touch(const std::string& name) const {
    std::ofstream(File(name)) << "x";
    return File(name);
  }

 private:
  std::string path_;
};

}  // namespace velar::testing
