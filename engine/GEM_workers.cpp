#include "GEM_workers.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace carvelo {

namespace {

// A spinning thread tells the processor so (and leaves the core's other
// hardware thread the pipeline).
inline void Spin_Pause() {
#if defined(__SSE2__) || defined(_M_X64)
  _mm_pause();
#endif
}

using std::chrono::microseconds;

// How long a waiting thread spins before it sleeps or gives up: steps of a
// carve follow each other faster than the first, while a busy system's time
// slice is far longer. A helper woken ahead of a step waits for it a little
// longer, as does a caller for a helper to claim its lead; a row of a step
// that has not come after the last is a stall (rows come every microsecond
// or so while a step runs).
constexpr microseconds Step_Spin{30}, Woken_Spin{100}, Claim_Spin{100}, Stall_Spin{200};

// Polls Is_Done until it says true or Limit has passed (the clock read every
// few pauses, whose length differs between processors). False when the time
// ran out.
template <typename Done>
bool Spin_Until(const Done& Is_Done, microseconds Limit = Step_Spin) {
  const auto Start = std::chrono::steady_clock::now();
  while (true) {
    for (int32_t Spin = 0; Spin < 32; ++Spin) {
      if (Is_Done()) return true;
      Spin_Pause();
    }
    if (std::chrono::steady_clock::now() - Start > Limit) return false;
  }
}

constexpr uint64_t Claim_Word(uint32_t Step, int32_t Parts, int32_t Next) {
  return uint64_t{Step} << 32 | uint64_t(uint32_t(Parts)) << 16 | uint64_t(uint32_t(Next));
}
constexpr uint32_t Step_Of(uint64_t Word) { return static_cast<uint32_t>(Word >> 32); }
constexpr int32_t Parts_Of(uint64_t Word) { return static_cast<int32_t>((Word >> 16) & 0xFFFF); }
constexpr int32_t Next_Of(uint64_t Word) { return static_cast<int32_t>(Word & 0xFFFF); }

constexpr int32_t Max_Parts = 0xFFFF;

// Steps timed each way by a probe; steps shared after helpers win one; the
// stretches run alone after they lose, the shortest and the longest.
constexpr int32_t Probe_Steps = 8;
constexpr int32_t Shared_Steps = 256;
constexpr int32_t Fewest_Alone_Steps = 64, Most_Alone_Steps = 8192;
// Helpers win when shared steps take less than this share of the time of
// steps run alone: a second core taken from other programs must buy a
// clear gain.
constexpr double Helpers_Must_Take = 0.9;

}  // namespace

void TRow_Progress::Wait_Slowly(int32_t Rows) const {
  const auto Finished = [&] { return FRows.load(std::memory_order_acquire) >= Rows; };
  if (Spin_Until(Finished, Stall_Spin)) return;
  FStalled = true;
  while (!Finished()) std::this_thread::yield();
}

TWorkers::TWorkers(int32_t Helpers, const TThreadStarter& Start, const char* Operation)
    : FSteps_Left(Probe_Steps), FAlone_Length(Fewest_Alone_Steps) {
  FHelpers.reserve(static_cast<size_t>(std::max(Helpers, 0)));
  try {
    for (int32_t i = 0; i < Helpers; ++i) {
      std::function<void()> Loop = [this] { Helper_Loop(); };
      FHelpers.push_back(Start ? Start(std::move(Loop)) : std::thread(std::move(Loop)));
    }
  } catch (const std::system_error&) {
    Stop_Helpers();
    throw TEngineError("GEM: " + std::string(Operation) + "(): FATAL ERROR! Unable to spawn thread!");
  }
}

TWorkers::~TWorkers() { Stop_Helpers(); }

void TWorkers::Stop_Helpers() {
  {
    std::lock_guard Guard(FMutex);
    FStopping.store(true);
  }
  FWake_Helpers.notify_all();
  for (std::thread& Helper : FHelpers)
    if (Helper.joinable()) Helper.join();
  FHelpers.clear();
}

int32_t TWorkers::Parts_For(int32_t Rows, int32_t Min_Rows) const {
  if (FHelpers.empty() || Rows <= 0) return 1;
  const int32_t Most = std::max(1, Rows / std::max(Min_Rows, 1));
  return std::clamp(4 * Threads(), 1, std::min(Most, Max_Parts));
}

void TWorkers::Run_Parts(int32_t Parts, TTaskFunction Function, const void* Context, bool Judged) {
  if (Parts <= 0) return;
  if (FHelpers.empty() || Parts == 1) {
    for (int32_t Part = 0; Part < Parts; ++Part) Function(Context, Part);
    return;
  }
  if (!Judged) {
    Run_Shared(Parts, Function, Context);
    return;
  }
  const auto Start = std::chrono::steady_clock::now();
  bool Helped = false;
  if (Sharing())
    Helped = Run_Shared(Parts, Function, Context);
  else
    for (int32_t Part = 0; Part < Parts; ++Part) Function(Context, Part);
  Judge_Step(Helped, std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
}

uint32_t TWorkers::Publish_Step(int32_t Parts, TTaskFunction Function, const void* Context) {
  const uint32_t Step = Step_Of(FClaim.load()) + 1;
  FFunction = Function;
  FContext = Context;
  FDone.store(0);
  FClaim.store(Claim_Word(Step, Parts, 0));
  if (FSleeping_Helpers.load() > 0) {
    { std::lock_guard Guard(FMutex); }  // a helper between its check and its wait has reached the wait
    FWake_Helpers.notify_all();
  }
  return Step;
}

bool TWorkers::Run_Shared(int32_t Parts, TTaskFunction Function, const void* Context) {
  const uint32_t Step = Publish_Step(Parts, Function, Context);
  const int32_t Own_Parts = Work_On(Step);
  const bool Kept_Waiting = Wait_Until_Done(Parts);
  return Parts - Own_Parts >= std::max(1, Parts / 4) && !Kept_Waiting;
}

void TWorkers::Run_Lead_And_Follow(TTaskFunction Lead, const void* Lead_Context, TTaskFunction Follow,
                                   const void* Follow_Context, const TRow_Progress& Progress) {
  if (FHelpers.empty()) {
    Lead(Lead_Context, 0);
    Follow(Follow_Context, 0);
    return;
  }
  const auto Start = std::chrono::steady_clock::now();
  bool Helped = false;
  if (Sharing()) {
    Helped = Run_Lead_On_Helper(Lead, Lead_Context, Follow, Follow_Context, Progress);
  } else {
    Lead(Lead_Context, 0);
    Follow(Follow_Context, 0);
  }
  Judge_Step(Helped, std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
}

bool TWorkers::Run_Lead_On_Helper(TTaskFunction Lead, const void* Lead_Context, TTaskFunction Follow,
                                  const void* Follow_Context, const TRow_Progress& Progress) {
  const uint32_t Step = Publish_Step(1, Lead, Lead_Context);
  // A helper spinning since the last step claims the lead within a
  // microsecond or two; when none has, the caller takes it back (unless one
  // claims it meanwhile) and runs both.
  const bool Claimed = Spin_Until([&] { return Next_Of(FClaim.load(std::memory_order_acquire)) > 0; }, Claim_Spin);
  const int32_t Own_Parts = Claimed ? 0 : Work_On(Step);
  Follow(Follow_Context, 0);
  const bool Kept_Waiting = Wait_Until_Done(1);
  return Own_Parts == 0 && !Kept_Waiting && !Progress.Stalled();
}

void TWorkers::Judge_Step(bool Helped, double Seconds) {
  // Helpers that come too late to take a fair share, or keep the caller
  // waiting until it sleeps (descheduled by a busy system), lose at once.
  switch (FStretch) {
    case TStretch::Probe_Shared:
      FProbe_Shared_Seconds += Seconds;
      if (!Helped) return Go_Alone_For_A_While();
      if (--FSteps_Left == 0) {
        FStretch = TStretch::Probe_Alone;
        FSteps_Left = Probe_Steps;
      }
      return;
    case TStretch::Probe_Alone:
      FProbe_Alone_Seconds += Seconds;
      if (--FSteps_Left > 0) return;
      if (FProbe_Shared_Seconds < Helpers_Must_Take * FProbe_Alone_Seconds) return Share_For_A_While();
      return Go_Alone_For_A_While();
    case TStretch::Shared:
      if (!Helped) return Go_Alone_For_A_While();
      if (--FSteps_Left == 0) Start_Probe();
      return;
    case TStretch::Alone:
      if (--FSteps_Left == 0) Start_Probe();
      return;
  }
}

void TWorkers::Start_Probe() {
  FStretch = TStretch::Probe_Shared;
  FSteps_Left = Probe_Steps;
  FProbe_Shared_Seconds = FProbe_Alone_Seconds = 0;
}

void TWorkers::Share_For_A_While() {
  FStretch = TStretch::Shared;
  FSteps_Left = Shared_Steps;
  FAlone_Length = Fewest_Alone_Steps;
}

void TWorkers::Go_Alone_For_A_While() {
  FStretch = TStretch::Alone;
  FSteps_Left = FAlone_Length;
  FAlone_Length = std::min(Most_Alone_Steps, FAlone_Length * 2);
}

int32_t TWorkers::Work_On(uint32_t Step) {
  uint64_t Word = FClaim.load();
  int32_t Done_Here = 0;
  while (true) {
    if (Step_Of(Word) != Step || Next_Of(Word) >= Parts_Of(Word)) return Done_Here;
    if (!FClaim.compare_exchange_weak(Word, Word + 1)) continue;
    ++Done_Here;
    // The step cannot end while this part is outstanding, so its task stays.
    FFunction(FContext, Next_Of(Word));
    if (FDone.fetch_add(1) + 1 == Parts_Of(Word) && FCaller_Sleeping.load()) {
      { std::lock_guard Guard(FMutex); }
      FWake_Caller.notify_one();
    }
    Word = FClaim.load();
  }
}

void TWorkers::Helper_Loop() {
  uint32_t Seen = 0;
  while (true) {
    Wait_For_Step(Seen);
    if (FStopping.load()) return;
    Seen = Step_Of(FClaim.load());
    Work_On(Seen);
  }
}

void TWorkers::Wait_For_Step(uint32_t& Seen) {
  const auto Step_Or_Stop = [&] {
    return Step_Of(FClaim.load(std::memory_order_acquire)) != Seen || FStopping.load(std::memory_order_relaxed);
  };
  microseconds Limit = Step_Spin;
  while (true) {
    if (Spin_Until(Step_Or_Stop, Limit)) return;
    std::unique_lock Guard(FMutex);
    const uint32_t Expected = FExpected.load();
    FSleeping_Helpers.fetch_add(1);
    while (!Step_Or_Stop() && FExpected.load() == Expected) FWake_Helpers.wait(Guard);
    FSleeping_Helpers.fetch_sub(1);
    if (Step_Or_Stop()) return;
    Limit = Woken_Spin;
  }
}

void TWorkers::Expect_Step() {
  const bool Probe_Next = FStretch == TStretch::Alone && FSteps_Left == 1;
  if (FHelpers.empty() || !(Sharing() || Probe_Next)) return;
  FExpected.fetch_add(1);
  if (FSleeping_Helpers.load() > 0) {
    { std::lock_guard Guard(FMutex); }
    FWake_Helpers.notify_all();
  }
}

bool TWorkers::Wait_Until_Done(int32_t Parts) {
  if (Spin_Until([&] { return FDone.load(std::memory_order_acquire) == Parts; })) return false;
  std::unique_lock Guard(FMutex);
  FCaller_Sleeping.store(true);
  const bool Slept = FDone.load() != Parts;
  while (FDone.load() != Parts) FWake_Caller.wait(Guard);
  FCaller_Sleeping.store(false);
  return Slept;
}

}  // namespace carvelo

namespace carvelo {

namespace {

int32_t Helper_Count(int32_t Asked) {
  if (Asked >= 0) return Asked;
  const int32_t Processors = static_cast<int32_t>(std::thread::hardware_concurrency());
  return std::clamp(Processors - 1, 0, 3);
}

}  // namespace

TGEM::TCall::TCall(TGEM& Gem, const char* Operation) : FGem(Gem) {
  if (Gem.FWorkers) return;
  FOwn = std::make_unique<TWorkers>(Helper_Count(Gem.FControl.Helpers), Gem.FControl.Start_Helper, Operation);
  Gem.FWorkers = FOwn.get();
}

TGEM::TCall::~TCall() {
  if (FOwn) FGem.FWorkers = nullptr;
}

}  // namespace carvelo
