#include "tools/vlrisql/progress_bar.h"

#include <algorithm>

namespace vlrisql {

void ProgressBar::Update(const std::string& Name, int Total, int Done) {
  if (Name != name_) {
    Finish();
    name_ = Name;
    shown_ = -1;
  }
  const int percent =
      Total > 0
          ? static_cast<int>(std::clamp(static_cast<long long>(Done) * 100 / Total, 0LL, 100LL))
          : 100;
  // Plain lines come at 10%, 20%, ... and at the end; the bar also shows 0%.
  const bool due =
      terminal_ ? percent != shown_
                : percent / 10 > std::max(shown_, 0) / 10 || (percent == 100 && shown_ != 100);
  if (!due) return;
  shown_ = percent;
  if (terminal_) {
    const int filled = percent * kWidth / 100;
    std::fprintf(out_, "\r%s [%s%s] %3d%% (%d of %d pages)\x1b[K", name_.c_str(),
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent, Done,
                 Total);
    lineOpen_ = true;
  } else {
    std::fprintf(out_, "%s: %3d%% (%d of %d pages)\n", name_.c_str(), percent, Done, Total);
  }
  std::fflush(out_);
}

void ProgressBar::Finish() {
  if (lineOpen_) std::fputc('\n', out_);
  lineOpen_ = false;
  std::fflush(out_);
}

}  // namespace vlrisql
