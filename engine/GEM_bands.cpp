#include "GEM_bands.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>

namespace carvelo {

std::array<TBand, 4> Bands_Of(int32_t Height, int32_t Offset, int32_t Last) {
  const int32_t c = Round_Even(Height / 4.0);
  std::array<TBand, 4> Bands{};
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t First = Offset + i * c;
    const int32_t End = (i == 3) ? Last : Offset + (i + 1) * c;
    Bands[static_cast<size_t>(i)] = {First, std::min(End, Last)};
  }
  return Bands;
}

void Report_Spawn_Failure(const char* Operation) {
  Report_Fatal(("GEM: " + std::string(Operation) + "(): FATAL ERROR! Unable to spawn thread!").c_str());
}

bool Run_Bands(const char* Operation, const std::array<TBand, 4>& Bands, const std::function<void(TBand)>& Work,
               const std::function<void()>& CallerWork) {
  std::array<std::thread, 4> Workers;  // no allocation per pass beyond the threads' own
  bool Started = true;
  for (size_t i = 0; i < Bands.size(); ++i) {
    const TBand Band = Bands[i];
    if (Band.Empty()) continue;
    try {
      Workers[i] = std::thread([&Work, Band] { Work(Band); });
    } catch (const std::system_error&) {
      Started = false;
      break;
    }
  }
  if (Started && CallerWork) CallerWork();
  for (auto& T : Workers)
    if (T.joinable()) T.join();
  if (!Started) Report_Spawn_Failure(Operation);
  return Started;
}

}  // namespace carvelo
