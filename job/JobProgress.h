// How far a job has got: seams done of the seams planned over all the
// engine's passes. The engine reports each pass on its own (Done of Total
// seams of that pass); the tally strings the passes together.
#pragma once

#include <cstdint>

#include "CarveJob.h"

namespace carvelo {

class TSeamTally {
public:
  explicit TSeamTally(int32_t Planned = 0) : FPlanned(Planned) {}

  // The seams the whole job is expected to take.
  void Plan(int32_t Planned) { FPlanned = Planned; }
  // One report of the engine: Done seams of the current pass's Total. A count
  // that does not go up starts a new pass. A pass longer than planned
  // stretches the plan, so the tally never reads past its end.
  void SeamDone(int32_t Done, int32_t Total);

  int32_t Done() const { return FFinished + FInPass; }
  int32_t Planned() const { return FPlanned; }
  // Done of Planned in thousandths; 0 while nothing is planned.
  int32_t Permille() const;

private:
  int32_t FPlanned;
  int32_t FFinished = 0;  // seams of the passes before the current one
  int32_t FInPass = 0;
};

// The seams a job is expected to take once its weights are read: the
// change of width and height, and for a masked job the columns or rows
// that the first round of area removal carves out and grows back. Later
// rounds cannot be foreseen; the tally stretches for them.
int32_t PlannedSeams(const TCarveJob& Job, const GML_Int& Weights);

}  // namespace carvelo
