#include "Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace carvelo {
namespace {

// Waiters consume tickets under the lock; every ticket handed out must be
// consumed exactly once, whichever way the signals are sent.
struct TicketBox {
  TLock Lock;
  TCondition Changed;
  int32_t Tickets = 0;
  int32_t Consumed = 0;
  bool Closed = false;

  void Take() {
    Lock.Enter();
    while (Tickets == 0 && !Closed) Changed.Wait(Lock);
    if (Tickets > 0) {
      --Tickets;
      ++Consumed;
    }
    Lock.Leave();
  }
};

void RunTickets(bool Broadcast) {
  constexpr int32_t Waiters = 6, Rounds = 400;
  TicketBox Box;
  std::vector<std::thread> Threads;
  for (int32_t i = 0; i < Waiters; ++i)
    Threads.emplace_back([&] {
      for (int32_t r = 0; r < Rounds; ++r) Box.Take();
    });
  for (int32_t r = 0; r < Waiters * Rounds; ++r) {
    Box.Lock.Enter();
    ++Box.Tickets;
    Box.Changed.Signal(Broadcast);
    Box.Lock.Leave();
    if (r % 7 == 0) std::this_thread::yield();
  }
  for (auto& T : Threads) T.join();
  EXPECT_EQ(Box.Consumed, Waiters * Rounds);
  EXPECT_EQ(Box.Tickets, 0);
}

TEST(TCondition, SignalLosesNoWakeUpUnderStress) { RunTickets(false); }

TEST(TCondition, SignalAllLosesNoWakeUpUnderStress) { RunTickets(true); }

TEST(TCondition, SignalAllWakesEveryBlockedWaiter) {
  constexpr int32_t Waiters = 5;
  TLock Lock;
  TCondition Go;
  int32_t Blocked = 0;
  bool Open = false;
  std::atomic<int32_t> Woken = 0;
  std::vector<std::thread> Threads;
  for (int32_t i = 0; i < Waiters; ++i)
    Threads.emplace_back([&] {
      Lock.Enter();
      ++Blocked;
      while (!Open) Go.Wait(Lock);
      Lock.Leave();
      ++Woken;
    });
  for (;;) {  // until all are inside Wait (they count themselves under the lock)
    Lock.Enter();
    const bool All = Blocked == Waiters;
    Lock.Leave();
    if (All) break;
    std::this_thread::yield();
  }
  Lock.Enter();
  Open = true;
  Go.Signal(true);
  Lock.Leave();
  for (auto& T : Threads) T.join();
  EXPECT_EQ(Woken.load(), Waiters);
}

TEST(TCondition, SignalWithNobodyWaitingIsHarmless) {
  TCondition C;
  C.Signal();
  C.Signal(true);
  TLock L;
  bool Ready = false;
  std::thread T([&] {
    L.Enter();
    Ready = true;
    C.Signal();
    L.Leave();
  });
  L.Enter();
  while (!Ready) C.Wait(L);
  L.Leave();
  T.join();
  EXPECT_TRUE(Ready);
}

}  // namespace
}  // namespace carvelo
