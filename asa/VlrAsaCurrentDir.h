// Restores the current directory when a scope that changed it ends, on every
// path: loading the library and connecting both run with the library's
// directory made current, so that what it loads in turn is found there.
#pragma once

#include <string>

#include "host/os.h"

namespace velar {

class TAsaCurrentDirRestorer {
 public:
  // Remembers the current directory; when it cannot be determined nothing
  // is restored.
  TAsaCurrentDirRestorer() : remembered_(host::GetCurrentDir()) {}
  ~TAsaCurrentDirRestorer() {
    if (!remembered_.empty()) host::SetCurrentDir(remembered_);
  }
  TAsaCurrentDirRestorer(const TAsaCurrentDirRestorer&) = delete;
  TAsaCurrentDirRestorer& operator=(const TAsaCurrentDirRestorer&) = delete;

 private:
  std::string remembered_;
};

}  // namespace velar
