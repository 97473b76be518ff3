#include "CarveJob.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace carvelo {

namespace {

// Reads through a 24-bit copy when the bitmap has another layout.
class T24BitView {
public:
  explicit T24BitView(const TBitmap& Bitmap) {
    if (Bitmap.BitCount() != 24) FCopy = ConvertDepth(Bitmap, 24);
    FBitmap = FCopy ? &*FCopy : &Bitmap;
  }
  const TBitmap& operator*() const { return *FBitmap; }

private:
  std::optional<TBitmap> FCopy;
  const TBitmap* FBitmap;
};


}  // namespace

void RequireBitmapCovers(const TBitmap& Bitmap, int32_t Width, int32_t Height, const char* What) {
  if (Bitmap.Width() < Width || Bitmap.Height() < Height)
    throw std::invalid_argument(std::string(What) + " of " + std::to_string(Bitmap.Width()) + "x" +
                                std::to_string(Bitmap.Height()) + " is smaller than the job's " +
                                std::to_string(Width) + "x" + std::to_string(Height));
}

int32_t MarkWeight(int32_t MasqueWeight) {
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(FullMarkWeight) * MasqueWeight / 100.0));
}

void ReadMask(const TBitmap& Mask, int32_t MasqueWeight, GML_Int& Weights) {
  RequireBitmapCovers(Mask, Weights.Width(), Weights.Height(), "the mask");
  const T24BitView View(Mask);
  const int32_t Mark = MarkWeight(MasqueWeight);
  for (int32_t y = 0; y < Weights.Height(); ++y) {
    const uint8_t* In = (*View).ScanLine(y);
    int32_t* Out = Weights.Row(y);
    for (int32_t x = 0; x < Weights.Width(); ++x, In += 3) Out[x] = MaskWeightOf({In[2], In[1], In[0]}, Mark);
  }
}

void ReadSource(const TBitmap& Working, GML_Color& Source) {
  RequireBitmapCovers(Working, Source.Width(), Source.Height(), "the working picture");
  if (Working.HasAlpha()) {
    for (int32_t y = 0; y < Source.Height(); ++y) {
      const uint8_t* In = Working.ScanLine(y);
      uint32_t* Out = Source.Row(y);
      for (int32_t x = 0; x < Source.Width(); ++x, In += 4) Out[x] = GML_Pixel(In[2], In[1], In[0], In[3]);
    }
    return;
  }
  const T24BitView View(Working);
  for (int32_t y = 0; y < Source.Height(); ++y) {
    const uint8_t* In = (*View).ScanLine(y);
    uint32_t* Out = Source.Row(y);
    for (int32_t x = 0; x < Source.Width(); ++x, In += 3) Out[x] = EngineWordOf({In[2], In[1], In[0]});
  }
}

namespace {

// Blue, green, red (and, with alpha, byte 3 of the engine word) per pixel.
template <bool Alpha>
void WriteRows(const GML_Color& Result, TBitmap& Target, int32_t Width, int32_t Height) {
  constexpr size_t Bytes = Alpha ? 4 : 3;
  for (int32_t y = 0; y < Height; ++y) {
    const uint32_t* In = Result.Row(y);
    uint8_t* Out = Target.ScanLine(y);
    for (int32_t x = 0; x < Width; ++x, Out += Bytes) {
      const TRGB C = ColourOfEngineWord(In[x]);
      Out[0] = C.B;
      Out[1] = C.G;
      Out[2] = C.R;
      if constexpr (Alpha) Out[3] = static_cast<uint8_t>(In[x] >> 24);
    }
  }
}

}  // namespace

void WriteResult(const GML_Color& Result, TBitmap& Target) {
  const int32_t Width = std::min(Result.Width(), Target.Width());
  const int32_t Height = std::min(Result.Height(), Target.Height());
  if (Target.HasAlpha()) return WriteRows<true>(Result, Target, Width, Height);
  if (Target.BitCount() == 24) return WriteRows<false>(Result, Target, Width, Height);
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x) PutPixelRGB(Target, x, y, ColourOfEngineWord(Result.Get(x, y)));
}

TBitmap MakeResultBitmap(const TWorkingBitmap& Working, TPictureSize Size) {
  TBitmap Result(Size.Width, Size.Height, Working.Bitmap.HasAlpha() ? 32 : 24);
  Result.SetHasAlpha(Working.Bitmap.HasAlpha());
  return Result;
}

TPictureSize FittedSize(int32_t W, int32_t H, double FW, double FH) {
  return {RoundSide(static_cast<double>(W) * FW), RoundSide(static_cast<double>(H) * FH)};
}

TCarveJob MakeCarveJob(const TWorkingBitmap& Working, TBitmap& Target, const TCarveSettings& Settings,
                       const TBitmap* Mask) {
  TCarveJob Job;
  Job.WorkWidth = Working.Bitmap.Width();
  Job.WorkHeight = Working.Bitmap.Height();
  Job.TargetWidth = Target.Width();
  Job.TargetHeight = Target.Height();
  Job.FW = Working.FW;
  Job.FH = Working.FH;
  Job.Settings = Settings;
  Job.Mask = Mask;
  Job.Working = &Working.Bitmap;
  Job.Target = &Target;
  Job.UseMask = Mask != nullptr;
  return Job;
}

}  // namespace carvelo
