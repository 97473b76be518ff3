// Locks of the carving engine: a plain lock, and a condition variable built
// from two counting semaphores that delivers each signal to exactly the
// waiters blocked when it was sent.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <semaphore>

namespace carvelo {

class TLock {
public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }

private:
  std::mutex FMutex;
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
  using Semaphore = std::counting_semaphore<INT_MAX>;
  Semaphore FGate{1};   // held by a signaller until its waiters have left
  Semaphore FQueue{0};  // where waiters block
  std::mutex FCounters;
  // Counted under the gate alone, read by signallers under FCounters.
  std::atomic<int32_t> FWaitersBlocked = 0;
  int32_t FWaitersGone = 0;
  int32_t FWaitersToUnblock = 0;
};

}  // namespace carvelo
