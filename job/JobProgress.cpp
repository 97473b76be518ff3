#include "JobProgress.h"

#include <algorithm>
#include <cstdlib>

namespace carvelo {

void TSeamTally::SeamDone(int32_t Done, int32_t Total) {
  if (Done <= FInPass) FFinished += FInPass;
  FInPass = Done;
  FPlanned = std::max(FPlanned, FFinished + std::max(Done, Total));
}

int32_t TSeamTally::Permille() const {
  if (FPlanned <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>(1000, int64_t{1000} * Done() / FPlanned));
}

int32_t PlannedSeams(const TCarveJob& Job, const GML_Int& Weights) {
  const int32_t Fit = std::abs(Job.TargetWidth - Job.WorkWidth) + std::abs(Job.TargetHeight - Job.WorkHeight);
  return Job.UseMask ? Fit + 2 * TGEM::Removal_Round_Seams(Weights, AutomaticMode) : Fit;
}

}  // namespace carvelo
