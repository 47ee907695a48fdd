#include "dblib/core/server/write_lock.h"

#include <algorithm>

namespace dblib {

LockTable& LockTable::get() {
  static LockTable table;
  return table;
}

// A newcomer queues behind those already waiting, even when the lock has
// just been given back, so that nobody waits for ever behind newcomers. A
// wait that would close a cycle is refused before it is entered, so the
// graph never holds one and only the connection that would close it is
// told.
Grant LockTable::acquire(WriteLock& lock, LockOwner& owner) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (owner.holds_ == &lock) return Grant::Granted;
  if (lock.closed_) return Grant::Closed;
  owner.thread_ = std::this_thread::get_id();
  owner.running_ = true;
  if (lock.holder_ == nullptr && lock.queue_.empty()) {
    lock.holder_ = &owner;
    owner.holds_ = &lock;
    owner.holding_ = true;
    return Grant::Granted;
  }
  if (closes_cycle(owner, lock)) return Grant::Deadlock;
  lock.queue_.push_back(&owner);
  owner.waits_for_ = &lock;
  waiting_.push_back(&owner);
  return Grant::Waiting;
}

// Whose turn it is: the lock is free and owner heads the queue.
bool LockTable::turn_of(const WriteLock& lock, const LockOwner& owner) {
  return lock.holder_ == nullptr && !lock.queue_.empty() && lock.queue_.front() == &owner;
}

// The cycle is judged before sleeping, every time: a wait that was sound
// when it began can become endless when another connection starts to wait.
Grant LockTable::wait(WriteLock& lock, LockOwner& owner, std::chrono::milliseconds slice) {
  std::unique_lock<std::mutex> guard(mutex_);
  auto settled = [&] { return lock.closed_ || turn_of(lock, owner); };
  if (!settled()) {
    if (closes_cycle(owner, lock)) {
      leave_queue(lock, owner);
      return Grant::Deadlock;
    }
    lock.changed_.wait_for(guard, slice, settled);
  }
  if (lock.closed_) {
    leave_queue(lock, owner);
    return Grant::Closed;
  }
  if (!turn_of(lock, owner)) return Grant::Waiting;
  leave_queue(lock, owner);
  lock.holder_ = &owner;
  owner.holds_ = &lock;
  owner.holding_ = true;
  owner.running_ = true;
  owner.thread_ = std::this_thread::get_id();
  return Grant::Granted;
}

void LockTable::stop_waiting(LockOwner& owner) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (owner.waits_for_ != nullptr) leave_queue(*owner.waits_for_, owner);
}

// The lock may have been closed under its holder meanwhile; then there is
// nothing left to give back.
void LockTable::release(LockOwner& owner) {
  std::lock_guard<std::mutex> guard(mutex_);
  WriteLock* lock = owner.holds_;
  if (lock == nullptr) return;
  if (lock->holder_ == &owner) lock->holder_ = nullptr;
  owner.holds_ = nullptr;
  owner.holding_ = false;
  lock->changed_.notify_all();
}

bool LockTable::holds(const LockOwner& owner) {
  return owner.holding_.load();
}

void LockTable::request_began(LockOwner& owner) {
  if (!owner.holding_.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> guard(mutex_);
  owner.running_ = true;
  owner.thread_ = std::this_thread::get_id();
}

void LockTable::request_ended(LockOwner& owner) {
  if (!owner.holding_.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> guard(mutex_);
  owner.running_ = false;
}

void LockTable::close(WriteLock& lock) {
  std::lock_guard<std::mutex> guard(mutex_);
  lock.closed_ = true;
  if (lock.holder_ != nullptr) {
    lock.holder_->holds_ = nullptr;
    lock.holder_->holding_ = false;
    lock.holder_ = nullptr;
  }
  lock.changed_.notify_all();
}

// Follows the graph from the holder of lock (see the header). Every step
// either follows a waiting owner's wait or moves to a waiting owner, so a
// path longer than twice their number runs in a cycle that does not pass
// the waiter: somebody else's, found when they waited.
bool LockTable::closes_cycle(const LockOwner& waiter, const WriteLock& lock) const {
  const LockOwner* node = lock.holder_;
  for (size_t step = 0; node != nullptr && step <= 2 * waiting_.size() + 2; ++step) {
    if (node == &waiter) return true;
    if (node->waits_for_ != nullptr) {
      node = node->waits_for_->holder_;
      continue;
    }
    if (node->running_) return false;
    if (node->thread_ == waiter.thread_) return true;
    node = waiting_on_thread(node->thread_);
  }
  return false;
}

// The innermost wait of a thread: a wait callback may itself run a request
// that waits, and the thread is held by the later wait.
const LockOwner* LockTable::waiting_on_thread(std::thread::id thread) const {
  for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) {
    if ((*it)->thread_ == thread) return *it;
  }
  return nullptr;
}

// The next in the queue may be at its head now, so the queue is woken.
void LockTable::leave_queue(WriteLock& lock, LockOwner& owner) {
  std::erase(lock.queue_, &owner);
  std::erase(waiting_, &owner);
  owner.waits_for_ = nullptr;
  lock.changed_.notify_all();
}

}  // namespace dblib
