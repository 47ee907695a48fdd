// The progress of a backup, from the session's page events. On a terminal a
// bar redrawn in place, once per percent; elsewhere (a log, a pipe) a plain
// line at every tenth, so that a file copied page by page does not print a
// line per page.
#pragma once

#include <cstdio>
#include <string>

namespace vlrisql {

class ProgressBar {
 public:
  ProgressBar(std::FILE* Out, bool Terminal) : out_(Out), terminal_(Terminal) {}
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Page Done (1-based) of the Total pages of Name has been written.
  void Update(const std::string& Name, int Total, int Done);
  // Ends the line of the file being shown.
  void Finish();

  static constexpr int kWidth = 30;

 private:
  std::FILE* out_;
  bool terminal_;
  std::string name_;
  int shown_ = -1;  // the percentage last shown for name_
  bool lineOpen_ = false;
};

}  // namespace vlrisql
