// What a carving job run behind the progress window reports to its command:
// the seams as they are done, and its failure.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace carvelo {

// Thrown when a job fails (the engine could not start its workers, an
// exception inside Execute); what() is the reason in plain words. The
// target bitmap is untouched.
class EJobFailed : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Called on the worker thread after every seam with the seams done so far
// and the seams planned for the whole job; not called again once the job is
// cancelled. Releasing the window waits for a call under way, so that the
// observer is never called after ExecuteWaitingJob has returned. An
// exception thrown here fails the job like any other inside the worker.
using TSeamObserver = std::function<void(int32_t Done, int32_t Planned)>;

}  // namespace carvelo
