#include "StretchGraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <stdexcept>
#include <vector>

#include "JResampling.h"

namespace carvelo {

namespace {

// floor(i * n / m) for every destination index i of an axis.
std::vector<int32_t> NearestIndices(int32_t SourceSize, int32_t DestSize) {
  std::vector<int32_t> Index(static_cast<size_t>(DestSize));
  for (int32_t i = 0; i < DestSize; ++i)
    Index[static_cast<size_t>(i)] = static_cast<int32_t>(int64_t{i} * SourceSize / DestSize);
  return Index;
}

void NearestSameDepth(const TBitmap& Source, TBitmap& Dest) {
  const size_t Bytes = static_cast<size_t>(Dest.BytesPerPixel());
  const std::vector<int32_t> Columns = NearestIndices(Source.Width(), Dest.Width());
  const std::vector<int32_t> Rows = NearestIndices(Source.Height(), Dest.Height());
  for (int32_t j = 0; j < Dest.Height(); ++j) {
    const uint8_t* In = Source.ScanLine(Rows[static_cast<size_t>(j)]);
    uint8_t* Out = Dest.ScanLine(j);
    for (int32_t i = 0; i < Dest.Width(); ++i, Out += Bytes)
      std::memcpy(Out, In + static_cast<size_t>(Columns[static_cast<size_t>(i)]) * Bytes, Bytes);
  }
}

bool SameLayout(const TBitmap& A, const TBitmap& B) {
  return A.BitCount() == B.BitCount() && (A.BitCount() != 16 || A.Masks() == B.Masks());
}

}  // namespace

void NearestResample(const TBitmap& Source, TBitmap& Dest) {
  if (Source.Empty() || Dest.Empty()) return;
  if (SameLayout(Source, Dest)) {
    NearestSameDepth(Source, Dest);
    return;
  }
  const int32_t Depth = GetBitsPerPixel(Dest);
  if (Depth == 0) return;  // a 16-bit layout of its own: nothing to convert to
  NearestSameDepth(ConvertDepth(Source, Depth), Dest);
}

void MatchPixelFormat(TBitmap& Bitmap, int32_t Depth) {
  if (GetBitsPerPixel(Bitmap) == Depth) return;
  Bitmap = ConvertDepth(Bitmap, Depth);
}

void StretchGraphic(TBitmap& Source, TBitmap& Dest, int32_t Quality) {
  if (Quality == Quality_Low) {
    // The platform's stretch knows no alpha; the nearest pixel carries it.
    if (Dest.HasAlpha() && !Source.HasAlpha())
      NearestResample(WithAlpha(Source), Dest);
    else if (Dest.HasAlpha())
      NearestResample(Source, Dest);
    else
      PlatformStretch(Source, Dest);
    return;
  }
  if (Quality != Quality_Good && Quality != Quality_High) return;
  const int32_t Depth = GetBitsPerPixel(Dest);
  if (Depth == 0) return;
  if (Dest.HasAlpha() && !Source.HasAlpha()) Source = WithAlpha(Source);
  if (!Dest.HasAlpha()) Source.SetHasAlpha(false);  // its colours as they are
  MatchPixelFormat(Source, Depth);
  if (Quality == Quality_Good)
    BilinearResample(Source, Dest);
  else
    MitchellResample(Source, Dest);
}

int32_t RoundSide(double Value) {
  if (!(Value >= 0) || Value > std::numeric_limits<int32_t>::max())
    throw std::invalid_argument("picture side out of range: " + std::to_string(Value));
  const auto Rounded = static_cast<int32_t>(std::nearbyint(Value));
  return Rounded < 1 ? 1 : Rounded;
}

bool IsUsableRatio(double R) { return std::isfinite(R) && R > 0; }

TScalePlan PlanScaling(int32_t W, int32_t H, double RW, double RH, bool ScaleBeforeCarving) {
  TScalePlan Plan;
  const bool BothShrink = RW < 1 && RH < 1;
  const bool BothGrow = RW > 1 && RH > 1;
  Plan.PreScale = ScaleBeforeCarving && (BothShrink || BothGrow);
  if (!Plan.PreScale) {
    Plan.WorkWidth = W;
    Plan.WorkHeight = H;
    Plan.FW = RW;
    Plan.FH = RH;
    return Plan;
  }
  // The ratio nearer to 1 is done by resampling, the rest by carving.
  Plan.S = BothShrink ? std::max(RW, RH) : std::min(RW, RH);
  Plan.WorkWidth = RoundSide(static_cast<double>(W) * Plan.S);
  Plan.WorkHeight = RoundSide(static_cast<double>(H) * Plan.S);
  if (RW != RH) {
    if (Plan.S == RW)
      Plan.FH = RH / Plan.S;
    else
      Plan.FW = RW / Plan.S;
  }
  return Plan;
}

TWorkingBitmap PrepareWorkingBitmap(TBitmap& Source, double RW, double RH, const TCarveSettings& Settings) {
  if (Source.Empty()) throw std::invalid_argument("the picture is empty");
  if (!IsUsableRatio(RW) || !IsUsableRatio(RH)) throw std::invalid_argument("the picture's ratios must be positive numbers");

  const TScalePlan Plan = PlanScaling(Source.Width(), Source.Height(), RW, RH, Settings.ScaleBeforeCarving);
  const bool Alpha = Source.HasAlpha();
  TWorkingBitmap Working{TBitmap(Plan.WorkWidth, Plan.WorkHeight, Alpha ? 32 : 24), Plan.FW, Plan.FH};
  Working.Bitmap.SetHasAlpha(Alpha);
  if (Plan.PreScale)
    StretchGraphic(Source, Working.Bitmap, Settings.SamplingQuality);
  else if (Alpha)
    NearestResample(Source, Working.Bitmap);  // equal sizes: a plain copy, alpha included
  else
    PlatformStretch(Source, Working.Bitmap);  // equal sizes: a plain copy at 24 bits
  return Working;
}

TWorkingBitmap PrepareWorkingBitmap(TBitmap&& Source, double RW, double RH, const TCarveSettings& Settings) {
  // Carved at its own size and already laid out as the working bitmap is
  // (24 bits, or 32 with alpha), the picture is the working bitmap itself.
  const bool Working_Layout = Source.BitCount() == (Source.HasAlpha() ? 32 : 24);
  if (Source.Empty() || !Working_Layout || !IsUsableRatio(RW) || !IsUsableRatio(RH))
    return PrepareWorkingBitmap(Source, RW, RH, Settings);
  const TScalePlan Plan = PlanScaling(Source.Width(), Source.Height(), RW, RH, Settings.ScaleBeforeCarving);
  if (Plan.PreScale) return PrepareWorkingBitmap(Source, RW, RH, Settings);
  return TWorkingBitmap{std::move(Source), Plan.FW, Plan.FH};
}

}  // namespace carvelo
