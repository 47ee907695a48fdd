#include "bench/common/peak_memory.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velar_bench {
namespace {

// One "Key:   123 kB" line of /proc/self/status, in KiB; -1 when absent.
long status_kib(const char* key) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long value = -1;
  size_t length = std::strlen(key);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, key, length) == 0 && line[length] == ':') {
      value = std::strtol(line + length + 1, nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return value;
}

}  // namespace

PeakMemory::PeakMemory() {
  malloc_trim(0);
  // Writing 5 to clear_refs resets VmHWM to the current resident size.
  if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", refs);
    std::fclose(refs);
  }
  start_kib_ = status_kib("VmRSS");
}

long PeakMemory::GrowthKiB() const {
  long peak = status_kib("VmHWM");
  return peak < start_kib_ ? 0 : peak - start_kib_;
}

}  // namespace velar_bench
