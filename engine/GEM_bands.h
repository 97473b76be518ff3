// The engine's split of a pass over short-lived worker threads: four bands of
// rows (or any set of jobs), each on its own thread, all joined before the
// pass returns.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

namespace carvelo {

// Rows First up to, not including, End.
struct TBand {
  int32_t First;
  int32_t End;
  bool Empty() const { return First >= End; }
};

// Round with halves to the even neighbour, under the default rounding mode.
inline int32_t Round_Even(double Value) { return static_cast<int32_t>(std::nearbyint(Value)); }

// Four bands of Round(Height / 4) rows starting at row Offset; band 3 ends at
// Last (exclusive), and no band reaches beyond Last.
std::array<TBand, 4> Bands_Of(int32_t Height, int32_t Offset, int32_t Last);
inline std::array<TBand, 4> Bands_Of(int32_t Height) { return Bands_Of(Height, 0, Height); }

// Runs Work on one thread per non-empty band, runs CallerWork (if any) on the
// calling thread meanwhile, and waits for all of them. When a thread cannot be
// started it reports "GEM: <Operation>(): FATAL ERROR! Unable to spawn
// thread!", skips CallerWork, waits for the threads already running and
// returns false.
bool Run_Bands(const char* Operation, const std::array<TBand, 4>& Bands, const std::function<void(TBand)>& Work,
               const std::function<void()>& CallerWork = {});

// Shows a fatal engine message to the user (a message box on Windows,
// standard error elsewhere).
void Report_Fatal(const char* Message);
void Report_Spawn_Failure(const char* Operation);

}  // namespace carvelo
