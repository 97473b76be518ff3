// What a carving job needs in memory, worked out before any large
// allocation, so that a picture too large for the process is refused at
// once with its size and the limit instead of failing half-way.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "CarveJob.h"
#include "StretchGraph.h"

namespace carvelo {

// Room the host keeps for itself beside a job (its own windows, the undo
// history, the clipboard's next copy): a job must leave this much free.
inline constexpr uint64_t HostReserveBytes = uint64_t{64} << 20;

struct TJobMemory {
  uint64_t Total = 0;         // everything the job holds at its peak
  uint64_t LargestBlock = 0;  // its largest single allocation
};

// The peak of a job on a Width x Height picture with its scale plan and
// target, masked or not. Measured on the engine: 26 bytes per pixel of the
// carving area (the larger of working and target on each axis) at most;
// the rule keeps a margin above that.
TJobMemory JobMemoryNeeded(int32_t Width, int32_t Height, const TScalePlan& Plan, TPictureSize Target, bool Masked);

// What the process can still give: free address space (in total and in its
// largest free region) and memory the system can still commit.
struct TFreeMemory {
  uint64_t AddressSpace = 0;
  uint64_t LargestRegion = 0;
  uint64_t Commit = 0;
};

// Whether Need fits into Free with the host's reserve left over.
bool JobFits(const TJobMemory& Need, const TFreeMemory& Free);

// The refusal of a picture of Width x Height whose job needs Need while
// only Free is there: its size and the largest picture of the same shape
// that would fit, in megapixels rounded down, for a process of Bits bits:
// "This picture (8000 × 6000) is too large to fit here; the largest this
// 32-bit PowerPoint can fit is about 30 megapixels."
std::string TooLargeToFitText(int32_t Width, int32_t Height, const TJobMemory& Need, const TFreeMemory& Free,
                              int Bits);

// Thrown when a job cannot fit; what() is the whole message for the user.
class ETooLargeToFit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why a job failed, in the user's words: a failed allocation is "there is
// not enough memory.", never the library's name for it.
std::string ReasonInUserWords(const std::exception& Failure);

}  // namespace carvelo
