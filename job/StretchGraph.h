// Resampling a picture to another size at one of three qualities, and the
// scale-before-carving step that turns the picture of a carving command into
// its working bitmap and the ratios left to carving.
#pragma once

#include <cstdint>

#include "Bitmap.h"
#include "JResampling.h"
#include "Settings.h"

namespace carvelo {

// The platform's plain stretch (colour-on-colour: every destination pixel
// takes one source pixel, nothing is blended), over Dest's whole rectangle.
// The portable build uses NearestResample; a platform build may link its own.
void PlatformStretch(const TBitmap& Source, TBitmap& Dest);

// Nearest-pixel stretch: destination index i of an axis of m pixels takes
// source index floor(i * n / m) of the source's n pixels. Colours are
// converted when the depths differ; the source is not changed.
void NearestResample(const TBitmap& Source, TBitmap& Dest);

// Converts Bitmap in place to Depth (15, 16, 24 or 32) when the depth a
// filtered resampler sees in it differs.
void MatchPixelFormat(TBitmap& Bitmap, int32_t Depth);

// Fills Dest, already of the wanted size and depth, from Source at Quality
// 0 "Low", 1 "Good" or 2 "High". Good and High first bring Source itself to
// Dest's depth (and to alpha, when Dest has it). A Dest of a depth the
// filters do not handle, or any other quality, leaves Dest as it was.
void StretchGraphic(TBitmap& Source, TBitmap& Dest, int32_t Quality);

// Round with halves to even, for a side of a bitmap: a side that would round
// to 0 becomes 1, so that no later step divides by it. Throws
// std::invalid_argument when the value is not a usable size.
int32_t RoundSide(double Value);

// Whether R can be a picture's ratio of displayed to original size.
bool IsUsableRatio(double R);

// What scale-before-carving does for a picture of W x H shown at rw x rh.
struct TScalePlan {
  bool PreScale = false;  // resample uniformly by S first
  double S = 1;           // the common factor, the ratio nearer to 1
  int32_t WorkWidth = 0;  // size of the working bitmap
  int32_t WorkHeight = 0;
  double FW = 1;          // ratios left to carving
  double FH = 1;
};
TScalePlan PlanScaling(int32_t W, int32_t H, double RW, double RH, bool ScaleBeforeCarving);

struct TWorkingBitmap {
  TBitmap Bitmap;  // 24 bits per pixel, or 32 with alpha for a picture that has alpha
  double FW = 1;
  double FH = 1;
};

// The working bitmap of a carving command and the residual ratios. Source
// may be converted to 24 bits on the way (see StretchGraphic). Throws
// std::invalid_argument for an empty picture or a ratio that is not a
// positive number.
TWorkingBitmap PrepareWorkingBitmap(TBitmap& Source, double RW, double RH, const TCarveSettings& Settings);
// The same for a picture that is not needed afterwards: when it is carved at
// its own size in the working bitmap's layout, it becomes the working bitmap
// without a copy.
TWorkingBitmap PrepareWorkingBitmap(TBitmap&& Source, double RW, double RH, const TCarveSettings& Settings);

}  // namespace carvelo
