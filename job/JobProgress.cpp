#include "JobProgress.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

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

namespace {

// The columns or rows that the first round of automatic area removal carves
// out: as many columns as the most remove marks in one row, or as many rows
// as the most in one column, whichever are fewer, always leaving one.
int32_t FirstRemovalRound(const GML_Int& Weights) {
  const int32_t Width = Weights.Width(), Height = Weights.Height();
  std::vector<int32_t> InColumn(static_cast<size_t>(Width), 0);
  int32_t Columns = 0;
  for (int32_t y = 0; y < Height; ++y) {
    const int32_t* Row = Weights.Row(y);
    int32_t InRow = 0;
    for (int32_t x = 0; x < Width; ++x)
      if (Row[x] < 0) {
        ++InRow;
        ++InColumn[static_cast<size_t>(x)];
      }
    Columns = std::max(Columns, InRow);
  }
  const int32_t Rows = InColumn.empty() ? 0 : *std::max_element(InColumn.begin(), InColumn.end());
  return Rows < Columns ? std::min(Rows, Height - 1) : std::min(Columns, std::max(Width - 1, 0));
}

}  // namespace

int32_t PlannedSeams(const TCarveJob& Job, const GML_Int& Weights) {
  const int32_t Fit = std::abs(Job.TargetWidth - Job.WorkWidth) + std::abs(Job.TargetHeight - Job.WorkHeight);
  return Job.UseMask ? Fit + 2 * FirstRemovalRound(Weights) : Fit;
}

}  // namespace carvelo
