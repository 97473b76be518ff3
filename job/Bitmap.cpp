#include "Bitmap.h"

#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace carvelo {

namespace {

int32_t BitCountOfDepth(int32_t Depth) {
  switch (Depth) {
    case 15:
    case 16: return 16;
    case 24: return 24;
    case 32: return 32;
    default: throw std::invalid_argument("unsupported bitmap depth " + std::to_string(Depth));
  }
}

TBitMasks MasksOfDepth(int32_t Depth) {
  if (Depth == 15) return Masks555;
  if (Depth == 16) return Masks565;
  return {};
}

// One colour field of a 16-bit pixel: where it sits and its top value.
struct TField {
  uint32_t Mask;
  int Shift;
  uint32_t Top;
};

TField FieldOf(uint32_t Mask) {
  if (Mask == 0) return {0, 0, 0};
  const int Shift = std::countr_zero(Mask);
  return {Mask, Shift, Mask >> Shift};
}

uint8_t WidenField(uint32_t Word, const TField& F) {
  if (F.Top == 0) return 0;
  const uint32_t Level = (Word & F.Mask) >> F.Shift;
  return static_cast<uint8_t>((Level * 255 + F.Top / 2) / F.Top);
}

uint32_t NarrowToField(uint8_t Value, const TField& F) {
  const uint32_t Level = (uint32_t(Value) * F.Top + 127) / 255;
  return (Level << F.Shift) & F.Mask;
}

struct TFields16 {
  TField R, G, B;
  explicit TFields16(const TBitMasks& M) : R(FieldOf(M.Red)), G(FieldOf(M.Green)), B(FieldOf(M.Blue)) {}
};

// Unpacks Count pixels of one scan line into colours.
void UnpackRow(const TBitmap& Bitmap, const uint8_t* Line, TRGB* Out, int32_t Count) {
  switch (Bitmap.BitCount()) {
    case 24:
      for (int32_t x = 0; x < Count; ++x, Line += 3) Out[x] = {Line[2], Line[1], Line[0]};
      break;
    case 32:
      for (int32_t x = 0; x < Count; ++x, Line += 4) Out[x] = {Line[2], Line[1], Line[0]};
      break;
    default: {
      const TFields16 F(Bitmap.Masks());
      for (int32_t x = 0; x < Count; ++x, Line += 2) {
        const uint32_t Word = uint32_t(Line[0]) | uint32_t(Line[1]) << 8;
        Out[x] = {WidenField(Word, F.R), WidenField(Word, F.G), WidenField(Word, F.B)};
      }
    }
  }
}

// Packs Count colours into one scan line; the unused byte of a 32-bit pixel is 0.
void PackRow(TBitmap& Bitmap, const TRGB* In, uint8_t* Line, int32_t Count) {
  switch (Bitmap.BitCount()) {
    case 24:
      for (int32_t x = 0; x < Count; ++x, Line += 3) {
        Line[0] = In[x].B;
        Line[1] = In[x].G;
        Line[2] = In[x].R;
      }
      break;
    case 32:
      for (int32_t x = 0; x < Count; ++x, Line += 4) {
        Line[0] = In[x].B;
        Line[1] = In[x].G;
        Line[2] = In[x].R;
        Line[3] = 0;
      }
      break;
    default: {
      const TFields16 F(Bitmap.Masks());
      for (int32_t x = 0; x < Count; ++x, Line += 2) {
        const uint32_t Word = NarrowToField(In[x].R, F.R) | NarrowToField(In[x].G, F.G) | NarrowToField(In[x].B, F.B);
        Line[0] = static_cast<uint8_t>(Word);
        Line[1] = static_cast<uint8_t>(Word >> 8);
      }
    }
  }
}

}  // namespace

size_t TBitmap::StrideOf(int32_t Width, int32_t BitCount) {
  const size_t Bits = static_cast<size_t>(Width) * static_cast<size_t>(BitCount);
  return (Bits + 31) / 32 * 4;
}

TBitmap::TBitmap(int32_t Width, int32_t Height, int32_t Depth)
    : TBitmap(Width, Height, BitCountOfDepth(Depth), MasksOfDepth(Depth)) {}

TBitmap::TBitmap(int32_t Width, int32_t Height, TBitMasks Masks16) : TBitmap(Width, Height, 16, Masks16) {}

TBitmap::TBitmap(int32_t Width, int32_t Height, int32_t BitCount, TBitMasks Masks) {
  if (Width < 0 || Height < 0)
    throw std::invalid_argument("bitmap size " + std::to_string(Width) + "x" + std::to_string(Height));
  FLayout = {Width, Height, BitCount, Masks, StrideOf(Width, BitCount)};
  FMemory = AllocatePixelMemory(FLayout);
}

TBitmap TBitmap::Clone() const {
  TBitmap Copy(FLayout.Width, FLayout.Height, FLayout.BitCount, FLayout.Masks);
  if (FMemory && FLayout.ByteSize() > 0) std::memcpy(Copy.FMemory->Bits(), FMemory->Bits(), FLayout.ByteSize());
  Copy.FAlpha = FAlpha;
  return Copy;
}

TRGB GetPixelRGB(const TBitmap& Bitmap, int32_t X, int32_t Y) {
  TRGB Colour;
  UnpackRow(Bitmap, Bitmap.ScanLine(Y) + static_cast<size_t>(X) * Bitmap.BytesPerPixel(), &Colour, 1);
  return Colour;
}

void PutPixelRGB(TBitmap& Bitmap, int32_t X, int32_t Y, TRGB Colour) {
  PackRow(Bitmap, &Colour, Bitmap.ScanLine(Y) + static_cast<size_t>(X) * Bitmap.BytesPerPixel(), 1);
}

TBitmap OverWhite(const TBitmap& Picture) {
  return Composited(Picture, [](int32_t, int32_t) { return TRGB{255, 255, 255}; });
}

TBitmap WithAlpha(const TBitmap& Picture) {
  if (Picture.HasAlpha()) return Picture.Clone();
  TBitmap Result = ConvertDepth(Picture, 32);
  for (int32_t y = 0; y < Result.Height(); ++y) {
    uint8_t* Line = Result.ScanLine(y);
    for (int32_t x = 0; x < Result.Width(); ++x) Line[4 * static_cast<size_t>(x) + 3] = 255;
  }
  Result.SetHasAlpha(true);
  return Result;
}

TBitmap ConvertDepth(const TBitmap& Source, int32_t Depth) {
  if (Depth == 32 && Source.HasAlpha()) return Source.Clone();
  TBitmap Result(Source.Width(), Source.Height(), Depth);
  std::vector<TRGB> Row(static_cast<size_t>(Source.Width()));
  for (int32_t y = 0; y < Source.Height(); ++y) {
    UnpackRow(Source, Source.ScanLine(y), Row.data(), Source.Width());
    PackRow(Result, Row.data(), Result.ScanLine(y), Source.Width());
  }
  return Result;
}

}  // namespace carvelo
