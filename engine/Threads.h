// A plain lock, and a condition variable built from two counting semaphores
// that delivers each signal to exactly the waiters blocked when it was sent.
// The engine itself does not use them (its helper threads, GEM_workers.h,
// wait on the standard library's primitives); they are kept here, with their
// own test, for code that wants exactly that delivery.
#pragma once

#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace carvelo {

class TLock {
public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }

private:
  std::mutex FMutex;
};

// A counting semaphore. (GCC 12's std::counting_semaphore was seen to lose
// wake-ups under stress here, so this one is a mutex and a condition.)
class TSemaphore {
public:
  explicit TSemaphore(int32_t Initial) : FCount(Initial) {}
  TSemaphore(const TSemaphore&) = delete;
  TSemaphore& operator=(const TSemaphore&) = delete;

  void Acquire() {
    std::unique_lock Guard(FMutex);
    FAvailable.wait(Guard, [this] { return FCount > 0; });
    --FCount;
  }
  void Release(int32_t Count = 1) {
    {
      std::lock_guard Guard(FMutex);
      FCount += Count;
    }
    if (Count == 1)
      FAvailable.notify_one();
    else
      FAvailable.notify_all();
  }

private:
  std::mutex FMutex;
  std::condition_variable FAvailable;
  int32_t FCount;
};

class TCondition {
public:
  TCondition() = default;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;

  // Wakes one blocked waiter, or with All every waiter blocked now. A signal
  // with nobody waiting is lost: waiters check their predicate under the lock.
  void Signal(bool All = false);
  // Releases Lock, blocks until signalled, and enters Lock again.
  void Wait(TLock& Lock);

private:
  TSemaphore FGate{1};   // held by a signaller until its waiters have left
  TSemaphore FQueue{0};  // where waiters block
  std::mutex FCounters;
  // Counted under the gate alone, read by signallers under FCounters.
  std::atomic<int32_t> FWaitersBlocked = 0;
  int32_t FWaitersGone = 0;
  int32_t FWaitersToUnblock = 0;
};

}  // namespace carvelo
