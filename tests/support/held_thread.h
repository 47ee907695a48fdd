// Test support for work that another program does meanwhile: a body runs on
// a thread of its own, takes what it holds (an open transaction), and then
// waits until the test lets it go on to commit or roll back.
//
//   velar::testing::HeldThread holder([&](const auto& held) {
//     ... begin the transaction ...
//     if (held()) commit(); else rollback();
//   });
//   ... the test runs while the transaction is open ...
//   holder.Release(false);  // roll back (the destructor commits)
#pragma once

#include <chrono>
#include <functional>
#include <latch>
#include <thread>

namespace velar::testing {

// Milliseconds since Since, for tests that time how long a wait took.
inline long long ElapsedMs(std::chrono::steady_clock::time_point Since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               Since)
      .count();
}

class HeldThread {
 public:
  // held() tells the test that the body holds, waits for Release and
  // answers whether to commit. The constructor returns once the body holds
  // (the body must call held() exactly once).
  using Held = std::function<bool()>;
  explicit HeldThread(std::function<void(const Held& held)> body)
      : thread_([this, body] {
          body([this] {
            holding_.count_down();
            released_.wait();
            return commit_;
          });
        }) {
    holding_.wait();
  }
  ~HeldThread() { Release(); }
  HeldThread(const HeldThread&) = delete;
  HeldThread& operator=(const HeldThread&) = delete;

  // Lets the body go on, and waits until it has finished.
  void Release(bool Commit = true) {
    if (done_) return;
    done_ = true;
    commit_ = Commit;
    released_.count_down();
    thread_.join();
  }

 private:
  std::latch holding_{1};
  std::latch released_{1};
  bool commit_ = true;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace velar::testing
