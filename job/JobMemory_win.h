// What this process can still allocate, read from Windows.
#pragma once

#include "JobMemory.h"

namespace carvelo {

// Free address space (its total and its largest region, from a walk over
// the process's regions) and the memory the system can still commit.
TFreeMemory FreeMemoryNow();

// The bits of this process's pointers: 32 or 64.
inline constexpr int ProcessBits = static_cast<int>(sizeof(void*) * 8);

// Throws ETooLargeToFit when the job of Need cannot fit now.
void RequireJobFits(int32_t Width, int32_t Height, const TJobMemory& Need);

}  // namespace carvelo
