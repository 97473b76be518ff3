// The engine's helper threads: started when an engine call begins, woken for
// every step of it (a pass over row bands), joined before the call returns.
//
// A step is cut into parts that the helpers and the calling thread claim one
// at a time, so a helper that the system does not schedule holds up nothing
// but the part it is working on: the caller simply does the rest itself.
// A seam step can also run on a helper while the caller searches the next
// seam a few rows behind it, the one way two cores share a single seam.
// Whether helpers pay is measured rather than assumed: a few steps with them
// and a few without are timed against each other, and the caller runs alone
// for a growing stretch of steps whenever helpers do not make steps clearly
// faster or come too late (a busy machine, or steps bound by the memory
// rather than the processor).
// Waiting threads spin for a few microseconds (steps follow each other that
// fast during a carve) and then sleep, so that waiting never keeps a core
// from another program.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "GEM.h"

namespace carvelo {

// Rows First up to, not including, End.
struct TBand {
  int32_t First;
  int32_t End;
  bool Empty() const { return First >= End; }
};

// Part Index of Parts near-equal bands over rows Offset..Last-1.
inline TBand Band_Of(int32_t Index, int32_t Parts, int32_t Offset, int32_t Last) {
  const int64_t Rows = Last - Offset;
  return {Offset + static_cast<int32_t>(Rows * Index / Parts), Offset + static_cast<int32_t>(Rows * (Index + 1) / Parts)};
}

// A seam step over fewer pixels than about half a million takes some tens of
// microseconds, no more than waking a helper and handing it a band: the
// caller does it alone, and the search does not wake the helpers for it.
inline bool Seam_Step_Shared(int32_t Width, int32_t Height) { return int64_t{Width} * Height >= int64_t{1} << 19; }

// How many rows a seam step has finished, for the search that follows it.
// Only one thread publishes and only one waits.
class TRow_Progress {
public:
  void Publish(int32_t Rows) { FRows.store(Rows, std::memory_order_release); }
  // Returns once Rows rows are finished.
  void Wait_For(int32_t Rows) const {
    if (FRows.load(std::memory_order_acquire) < Rows) Wait_Slowly(Rows);
  }
  // True when a wait outlasted a spin: the stepping thread was not running.
  bool Stalled() const { return FStalled; }

private:
  void Wait_Slowly(int32_t Rows) const;

  std::atomic<int32_t> FRows{0};
  mutable bool FStalled = false;  // the waiting thread's own
};

class TWorkers {
public:
  // Starts Helpers threads through Start (std::thread when empty). When one
  // cannot be started, the ones already running are joined and TEngineError
  // reports "GEM: <Operation>(): FATAL ERROR! Unable to spawn thread!".
  TWorkers(int32_t Helpers, const TThreadStarter& Start, const char* Operation);
  ~TWorkers();
  TWorkers(const TWorkers&) = delete;
  TWorkers& operator=(const TWorkers&) = delete;

  int32_t Threads() const { return static_cast<int32_t>(FHelpers.size()) + 1; }

  // Runs Task(Part) for every Part in 0..Parts-1, each exactly once, on the
  // helpers and the calling thread; returns when all parts are done. Tasks
  // must not throw. A pass over the whole picture is always worth sharing.
  template <typename Task>
  void Run(int32_t Parts, const Task& Work) {
    Run_Parts(Parts, Thunk<Task>, &Work, false);
  }

  // Run for a seam step: shared only in the stretches where sharing is
  // measured to pay.
  template <typename Task>
  void Run_Step(int32_t Parts, const Task& Work) {
    Run_Parts(Parts, Thunk<Task>, &Work, true);
  }

  // A seam step Lead(0) and the search Follow(0) that waits on Progress,
  // which Lead publishes row by row: Lead on a helper and Follow on the
  // caller in the stretches where that pays, else one after the other on
  // the caller. Lead never waits for Follow.
  template <typename Lead, typename Follow>
  void Run_Pair(const Lead& Step, const Follow& Search, const TRow_Progress& Progress) {
    Run_Lead_And_Follow(Thunk<Lead>, &Step, Thunk<Follow>, &Search, Progress);
  }

  // Work over rows Offset..Last-1 in bands of at least Min_Rows rows.
  template <typename Task>
  void Run_Rows(int32_t Offset, int32_t Last, int32_t Min_Rows, const Task& Work) {
    const int32_t Parts = Parts_For(Last - Offset, Min_Rows);
    Run(Parts, [&](int32_t Part) { Work(Band_Of(Part, Parts, Offset, Last)); });
  }

  // Tells sleeping helpers that a step will follow within some tens of
  // microseconds, so that they are awake when it comes.
  void Expect_Step();

  // How many parts a step of Rows rows is cut into: a few per thread, none
  // smaller than Min_Rows, one when there are no helpers.
  int32_t Parts_For(int32_t Rows, int32_t Min_Rows) const;

private:
  using TTaskFunction = void (*)(const void*, int32_t);
  template <typename Task>
  static void Thunk(const void* Context, int32_t Part) {
    (*static_cast<const Task*>(Context))(Part);
  }

  void Run_Parts(int32_t Parts, TTaskFunction Function, const void* Context, bool Judged);
  void Run_Lead_And_Follow(TTaskFunction Lead, const void* Lead_Context, TTaskFunction Follow,
                           const void* Follow_Context, const TRow_Progress& Progress);
  // Publishes a step of Parts parts and wakes the helpers that sleep.
  uint32_t Publish_Step(int32_t Parts, TTaskFunction Function, const void* Context);
  // Hands Lead to a helper and runs Follow; true when a helper took Lead
  // and kept neither thread waiting until it slept or stalled.
  bool Run_Lead_On_Helper(TTaskFunction Lead, const void* Lead_Context, TTaskFunction Follow,
                          const void* Follow_Context, const TRow_Progress& Progress);
  // Runs a step with the helpers; true when they took a fair share of it
  // without keeping the caller waiting until it slept.
  bool Run_Shared(int32_t Parts, TTaskFunction Function, const void* Context);
  // Claims and runs parts of the step numbered Step until none is left;
  // returns how many it ran.
  int32_t Work_On(uint32_t Step);
  bool Sharing() const { return FStretch == TStretch::Probe_Shared || FStretch == TStretch::Shared; }
  // Books a step that took Seconds, shared or not, and moves on to the next
  // stretch when this one is over.
  void Judge_Step(bool Helped, double Seconds);
  void Start_Probe();
  void Share_For_A_While();
  void Go_Alone_For_A_While();
  void Helper_Loop();
  void Stop_Helpers();
  void Wait_For_Step(uint32_t& Seen);
  // True when the wait had to sleep.
  bool Wait_Until_Done(int32_t Parts);

  // Step number (high half) and the next part to claim (low half), changed
  // together so that a late helper can never claim a part of a newer step.
  std::atomic<uint64_t> FClaim{0};
  std::atomic<int32_t> FDone{0};
  TTaskFunction FFunction = nullptr;
  const void* FContext = nullptr;

  // Stretches of steps: a probe times some steps with helpers and as many
  // without; its winner runs the next stretch.
  enum class TStretch { Probe_Shared, Probe_Alone, Shared, Alone };
  TStretch FStretch = TStretch::Probe_Shared;
  int32_t FSteps_Left;              // in the current stretch
  double FProbe_Shared_Seconds = 0;
  double FProbe_Alone_Seconds = 0;
  int32_t FAlone_Length;            // steps of the next stretch alone; grows each time helpers lose

  std::atomic<bool> FStopping{false};
  std::atomic<int32_t> FSleeping_Helpers{0};
  std::atomic<uint32_t> FExpected{0};  // counts the steps announced by Expect_Step
  std::atomic<bool> FCaller_Sleeping{false};
  std::mutex FMutex;
  std::condition_variable FWake_Helpers;
  std::condition_variable FWake_Caller;
  std::vector<std::thread> FHelpers;
};

}  // namespace carvelo

namespace carvelo {

// The scope of an engine call: the outermost public operation starts the
// helpers, the ones it calls share them.
class TGEM::TCall {
public:
  TCall(TGEM& Gem, const char* Operation);
  ~TCall();
  TCall(const TCall&) = delete;
  TCall& operator=(const TCall&) = delete;
  TWorkers& Workers() const { return *FGem.FWorkers; }

private:
  TGEM& FGem;
  std::unique_ptr<TWorkers> FOwn;
};

}  // namespace carvelo
