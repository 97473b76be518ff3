// Filtered resampling of whole bitmaps: the "High" quality (a separable
// Mitchell-Netravali cubic with cached weight tables) and the "Good" quality
// (fixed-point bilinear). Both work on scan lines in 16.16 fixed point; only
// the weight tables are built in floating point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "Bitmap.h"

namespace carvelo {

// The depth a filtered resampler sees in a bitmap: 15 (16-bit 5-5-5), 16
// (16-bit 5-6-5), 24, 32, or 0 for anything else (16-bit with other masks).
int32_t GetBitsPerPixel(const TBitmap& Bitmap);

// One source pixel's share of one destination pixel; Weight is 16.16 fixed
// point (65536 = 1.0).
struct TContributor {
  int32_t Pixel;
  int32_t Weight;
  bool operator==(const TContributor&) const = default;
};

// For one axis resampled from SourceSize to DestSize pixels: for every
// destination index the source pixels that reach it, with their weights.
class TContributorTable {
public:
  TContributorTable(int32_t SourceSize, int32_t DestSize);

  int32_t SourceSize() const { return FSourceSize; }
  int32_t DestSize() const { return FDestSize; }
  // Room for contributors of one destination index: 5 when enlarging (or
  // equal), 4 * n / m + 1 when shrinking; the kernel's support never needs more.
  int32_t Capacity() const { return FCapacity; }
  std::span<const TContributor> Of(int32_t DestIndex) const {
    const auto First = static_cast<size_t>(FStart[static_cast<size_t>(DestIndex)]);
    const auto End = static_cast<size_t>(FStart[static_cast<size_t>(DestIndex) + 1]);
    return std::span<const TContributor>(FPairs).subspan(First, End - First);
  }

private:
  void Add(int64_t Candidate, long double Weight);
  // Rounding leaves a list's sum a little off 1.0; its largest weight takes
  // the difference, so that flat areas keep their exact colour.
  void MakeWeightsSumToOne(int32_t DestIndex);

  int32_t FSourceSize;
  int32_t FDestSize;
  int32_t FCapacity;
  std::vector<TContributor> FPairs;  // every destination index's contributors, one after the other
  std::vector<int32_t> FStart;       // FStart[i]..FStart[i + 1] are index i's pairs
};

// The Mitchell-Netravali cubic with B = C = 1/3, evaluated at extended
// precision; 0 from distance 2 on.
long double MitchellKernel(float Distance);

// Where candidate source index J of an axis of N pixels reads: mirrored at
// both edges (-1 -> 1, N -> N - 1). An index that mirroring still leaves
// outside (a support wider than the axis, as for N = 1 or a shrink to one
// pixel) is clamped to the nearest edge pixel.
int32_t MirrorIndex(int64_t J, int32_t N);

// How many tables the cache keeps: the most recently used ones.
inline constexpr size_t ContributorCacheCapacity = 16;

// The table for (SourceSize, DestSize), built on first request and cached;
// both axes share it. Safe to call from any thread; the table stays valid as
// long as the returned pointer is held. Both sizes must be at least 1.
std::shared_ptr<const TContributorTable> GetContributors(int32_t SourceSize, int32_t DestSize);

// How many tables the cache holds.
size_t CachedContributorTables();

// Resample Source onto the whole of Dest. Both bitmaps must have the same
// depth, one of 15, 16, 24, 32, and both or neither alpha; otherwise (or
// when either is empty) Dest is left as it was. Byte 3 of a 32-bit
// destination pixel without alpha is not written; alpha is filtered like a
// colour, and the colours weighted by it.
void MitchellResample(const TBitmap& Source, TBitmap& Dest);
void BilinearResample(const TBitmap& Source, TBitmap& Dest);

}  // namespace carvelo
