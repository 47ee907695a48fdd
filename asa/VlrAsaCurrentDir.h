// Restores the current directory when a scope that changed it ends, on every
// path: loading the library and connecting both run with the library's
// directory made current, so that what it loads in turn is found there.
#pragma once

#include <string>
#include <utility>

#include "host/os.h"

namespace velar {

class TAsaCurrentDirRestorer {
 public:
  // Remembered is the directory to go back to; empty (it could not be
  // determined) restores nothing.
  explicit TAsaCurrentDirRestorer(std::string Remembered) : remembered_(std::move(Remembered)) {}
  ~TAsaCurrentDirRestorer() {
    if (!remembered_.empty()) host::SetCurrentDir(remembered_);
  }
  TAsaCurrentDirRestorer(const TAsaCurrentDirRestorer&) = delete;
  TAsaCurrentDirRestorer& operator=(const TAsaCurrentDirRestorer&) = delete;

 private:
  std::string remembered_;
};

}  // namespace velar
