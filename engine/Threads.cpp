#include "Threads.h"

namespace carvelo {

void TCondition::Signal(bool All) {
  int32_t ToRelease = 0;
  {
    std::lock_guard Guard(FCounters);
    if (FWaitersToUnblock != 0) {
      // An earlier signal is still being delivered: the gate is already ours.
      if (FWaitersBlocked == 0) return;
      if (All) {
        ToRelease = FWaitersBlocked;
        FWaitersToUnblock += ToRelease;
        FWaitersBlocked = 0;
      } else {
        ToRelease = 1;
        FWaitersToUnblock += 1;
        FWaitersBlocked -= 1;
      }
    } else if (FWaitersBlocked > FWaitersGone) {
      FGate.Acquire();  // no new waiter may block until these have left
      if (FWaitersGone != 0) {
        FWaitersBlocked -= FWaitersGone;
        FWaitersGone = 0;
      }
      if (All) {
        ToRelease = FWaitersToUnblock = FWaitersBlocked;
        FWaitersBlocked = 0;
      } else {
        ToRelease = FWaitersToUnblock = 1;
        FWaitersBlocked -= 1;
      }
    } else {
      return;
    }
  }
  FQueue.Release(ToRelease);
}

void TCondition::Wait(TLock& Lock) {
  // Counted under the gate only: a signaller holds FCounters while it waits
  // for the gate, so taking FCounters here could deadlock.
  FGate.Acquire();
  ++FWaitersBlocked;
  FGate.Release();
  Lock.Leave();

  FQueue.Acquire();

  bool LastOfSignal = false;
  {
    std::lock_guard Guard(FCounters);
    if (FWaitersToUnblock != 0) {
      // The last waiter a signal released reopens the gate, unless more
      // waiters were moved onto the same delivery meanwhile.
      LastOfSignal = (--FWaitersToUnblock == 0);
    } else if (++FWaitersGone == INT_MAX / 2) {
      // Woken without a signal to account for (cannot happen without
      // time-outs); keep the counter from growing without bound.
      FGate.Acquire();
      FWaitersBlocked -= FWaitersGone;
      FGate.Release();
      FWaitersGone = 0;
    }
  }
  if (LastOfSignal) FGate.Release();
  Lock.Enter();
}

}  // namespace carvelo
