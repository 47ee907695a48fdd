// Restores the current directory when a scope that changed it ends, on every
// path: loading the library and connecting both run with the library's
// directory made current, so that what it loads in turn is found there.
//
// The current directory belongs to the whole process, so such scopes take
// turns: each holds one process-wide lock from remembering the directory to
// restoring it, and a scope on another thread cannot remember a directory
// this one has made current for the moment. (A scope may open inside
// another on the same thread.)
#pragma once

#include <mutex>
#include <string>

#include "host/os.h"

namespace velar {

class TAsaCurrentDirRestorer {
 public:
  // Remembers the current directory; when it cannot be determined nothing
  // is restored.
  TAsaCurrentDirRestorer() : turn_(Lock()), remembered_(host::GetCurrentDir()) {}
  ~TAsaCurrentDirRestorer() {
    if (!remembered_.empty()) host::SetCurrentDir(remembered_);
  }
  TAsaCurrentDirRestorer(const TAsaCurrentDirRestorer&) = delete;
  TAsaCurrentDirRestorer& operator=(const TAsaCurrentDirRestorer&) = delete;

 private:
  static std::recursive_mutex& Lock() {
    static std::recursive_mutex lock;
    return lock;
  }
  std::lock_guard<std::recursive_mutex> turn_;
  std::string remembered_;
};

}  // namespace velar
