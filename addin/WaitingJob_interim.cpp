// Interim: runs the job synchronously until the progress window lands.
#include <stdexcept>

#include "WaitFrm_win.h"

namespace carvelo {

int ExecuteWaitingJob(const TCarveJob& Job) {
  try {
    TCarveWorker Worker(Job);
    return Worker.Run() ? 1 : 2;
  } catch (const std::invalid_argument& e) {
    throw EJobFailed(e.what());
  }
}

}  // namespace carvelo
