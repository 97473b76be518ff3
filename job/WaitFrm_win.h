// The progress window of a carving job (interface; the window itself is
// being written on another branch).
#pragma once

#include <stdexcept>

#include "CarveJob.h"

namespace carvelo {

class EJobFailed : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Shows the progress window modally over Job; returns 1 when done (Job.Target
// holds the carved picture), 2 when cancelled (Target unchanged); throws
// EJobFailed on failure.
int ExecuteWaitingJob(const TCarveJob& Job);

}  // namespace carvelo
