// Free memory of this process, from Windows' own accounts.
#include "JobMemory_win.h"

#include <windows.h>

#include <algorithm>

namespace carvelo {

TFreeMemory FreeMemoryNow() {
  TFreeMemory Free;
  SYSTEM_INFO System{};
  GetSystemInfo(&System);
  // Each free region is one place where a single large block can go.
  auto* Address = static_cast<const char*>(System.lpMinimumApplicationAddress);
  const auto* End = static_cast<const char*>(System.lpMaximumApplicationAddress);
  MEMORY_BASIC_INFORMATION Region{};
  while (Address < End && VirtualQuery(Address, &Region, sizeof Region) == sizeof Region) {
    if (Region.State == MEM_FREE) {
      Free.AddressSpace += Region.RegionSize;
      Free.LargestRegion = std::max<uint64_t>(Free.LargestRegion, Region.RegionSize);
    }
    Address = static_cast<const char*>(Region.BaseAddress) + Region.RegionSize;
  }
  MEMORYSTATUSEX Status{};
  Status.dwLength = sizeof Status;
  // Unknown commit: the address space alone decides.
  Free.Commit = GlobalMemoryStatusEx(&Status) ? Status.ullAvailPageFile : Free.AddressSpace;
  return Free;
}

void RequireJobFits(int32_t Width, int32_t Height, const TJobMemory& Need) {
  const TFreeMemory Free = FreeMemoryNow();
  if (!JobFits(Need, Free)) throw ETooLargeToFit(TooLargeToFitText(Width, Height, Need, Free, ProcessBits));
}

}  // namespace carvelo
