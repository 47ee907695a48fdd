#include "tools/vlrisql/interrupt.h"

#include <signal.h>

#include <atomic>

namespace vlrisql {

namespace {

// Lock-free, so that the signal handler may store into it.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  ::sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() {
  return interrupted.load(std::memory_order_relaxed);
}

void ClearInterrupt() {
  interrupted.store(false, std::memory_order_relaxed);
}

void RequestInterrupt() {
  interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace vlrisql
