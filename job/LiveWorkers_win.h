// The process-wide registry of carving workers whose thread has not ended
// yet, cancelled ones included: while there are any, the module that runs
// their code must stay loaded.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>

namespace carvelo {

// Counts `thread` (through a handle of the registry's own) until it ends.
void AddLiveWorker(HANDLE thread);
size_t LiveWorkerCount();
// Waits until every worker thread has ended, at most Timeout; true when none
// is left.
bool WaitForLiveWorkers(std::chrono::milliseconds Timeout);

}  // namespace carvelo
