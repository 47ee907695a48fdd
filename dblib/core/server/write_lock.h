// The write lock of a started database, and the table that grants it.
//
// SQLite lets one connection of a database write at a time. Within this
// process the library takes that turn itself, before SQLite is asked: a
// connection takes its database's write lock when its transaction begins
// to change data and keeps it until the transaction ends. Waiting here
// instead of in SQLite's own lock is what makes a wait observable: the
// waiter wakes the moment the lock is given back, and the table knows who
// waits for whom, so that a wait that can never end is recognised.
//
// Who waits for whom (the wait-for graph): a waiting connection waits for
// the holder of the lock it wants. A holder that is running a request goes
// on by itself (or waits, and the graph follows that wait). A holder between
// requests is moved on by the thread that ran it last; when that thread is
// itself waiting, the holder waits for what that thread waits for. A path
// that leads back to the connection about to wait closes a cycle: the wait
// could never end, and that connection is told so instead of waiting.
//
// Connections of other processes are not seen here; SQLite's own lock keeps
// them apart (see Connection's busy handler).
//
// Locking: one mutex for the whole table, held only for bookkeeping, never
// while a caller's callback runs or SQLite is called. It is the innermost
// lock of the library: nothing else is locked while it is held.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace dblib {

class WriteLock;

// A connection as the lock table sees it. Its fields belong to the table
// (read and written under its mutex); the connection only names itself.
class LockOwner {
 public:
  LockOwner() = default;
  LockOwner(const LockOwner&) = delete;
  LockOwner& operator=(const LockOwner&) = delete;

 private:
  friend class LockTable;
  WriteLock* holds_ = nullptr;        // the lock it holds, if any
  std::atomic<bool> holding_{false};  // holds_ is set: read without the mutex
  WriteLock* waits_for_ = nullptr;    // the lock it waits for, if any
  std::thread::id thread_;            // the thread of its current or last request
  bool running_ = false;              // a request of it is running
};

// One database's lock: its holder and the connections queued for it, first
// come first served.
class WriteLock {
 public:
  WriteLock() = default;
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  friend class LockTable;
  LockOwner* holder_ = nullptr;
  std::vector<LockOwner*> queue_;
  bool closed_ = false;  // the database stopped
  std::condition_variable changed_;
};

// What an attempt to take a lock came to.
enum class Grant {
  Granted,   // the caller holds the lock now (or held it already)
  Waiting,   // another connection holds it; the caller is queued
  Deadlock,  // waiting would close a cycle; the caller is not queued
  Closed,    // the database stopped; the caller is not queued
};

class LockTable {
 public:
  static LockTable& get();

  // Takes lock for owner when it is free and nobody queued before; else
  // queues owner (Waiting), unless that wait could never end (Deadlock).
  Grant acquire(WriteLock& lock, LockOwner& owner);
  // For a queued owner: gives the lock when it is owner's turn, else judges
  // the wait (Waiting or Deadlock) and sleeps until the lock changes hands
  // or slice has passed. A Deadlock or Closed answer leaves the queue.
  Grant wait(WriteLock& lock, LockOwner& owner, std::chrono::milliseconds slice);
  // Leaves the queue (cancelled, timed out).
  void stop_waiting(LockOwner& owner);
  // Gives back the lock owner holds, if any, to the next in the queue.
  void release(LockOwner& owner);
  // Whether owner holds a lock now.
  bool holds(const LockOwner& owner);
  // A request of owner begins or ends on the calling thread; only a holder's
  // requests matter to the graph, so owners that hold nothing cost nothing
  // but a look.
  void request_began(LockOwner& owner);
  void request_ended(LockOwner& owner);
  // The database stopped: its holder no longer holds, and every waiter is
  // woken to find the lock closed.
  void close(WriteLock& lock);

 private:
  static bool turn_of(const WriteLock& lock, const LockOwner& owner);
  bool closes_cycle(const LockOwner& waiter, const WriteLock& lock) const;
  const LockOwner* waiting_on_thread(std::thread::id thread) const;
  void leave_queue(WriteLock& lock, LockOwner& owner);

  std::mutex mutex_;
  std::vector<LockOwner*> waiting_;  // every queued owner, of every lock
};

}  // namespace dblib
