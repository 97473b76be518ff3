// TBitmap: a picture laid out like a top-down device-independent bitmap.
// Row y (0 at the top) starts at ScanLine(y); every row is padded to a
// multiple of 4 bytes. Pixels are stored as in a DIB: 24-bit pixels are the
// bytes blue, green, red; 32-bit pixels blue, green, red and a fourth byte
// that is either unused or, in a bitmap marked so, the pixel's alpha;
// 16-bit pixels are little-endian words split by three colour masks.
//
// The pixel memory comes from AllocatePixelMemory, so that a platform build
// can back a bitmap with memory of its own (a DIB section on Windows) while
// the resampler and the job keep working through ScanLine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace carvelo {

// Colour masks of a 16-bit pixel.
struct TBitMasks {
  uint32_t Red = 0;
  uint32_t Green = 0;
  uint32_t Blue = 0;
  bool operator==(const TBitMasks&) const = default;
};

inline constexpr TBitMasks Masks555{0x7C00, 0x03E0, 0x001F};
inline constexpr TBitMasks Masks565{0xF800, 0x07E0, 0x001F};

// What the pixel memory of a bitmap looks like.
struct TBitmapLayout {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 24;  // 16, 24 or 32
  TBitMasks Masks;        // used only when BitCount is 16
  size_t Stride = 0;      // bytes per row, a multiple of 4
  size_t ByteSize() const { return Stride * static_cast<size_t>(Height); }
};

// Pixel memory of one bitmap, zero-filled when it is handed out.
class TPixelMemory {
public:
  virtual ~TPixelMemory() = default;
  virtual uint8_t* Bits() = 0;
};

// Allocates the memory for Layout. The portable build takes it from the heap.
std::unique_ptr<TPixelMemory> AllocatePixelMemory(const TBitmapLayout& Layout);

class TBitmap {
public:
  // An empty 24-bit bitmap.
  TBitmap() = default;
  // A zero-filled bitmap. Depth is 15, 16, 24 or 32; 15 and 16 are 16-bit
  // pixels with the 5-5-5 and 5-6-5 masks. Throws std::invalid_argument for
  // a negative size or another depth.
  TBitmap(int32_t Width, int32_t Height, int32_t Depth = 24);
  // A zero-filled 16-bit bitmap with any colour masks.
  TBitmap(int32_t Width, int32_t Height, TBitMasks Masks16);

  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  TBitmap(TBitmap&&) noexcept = default;
  TBitmap& operator=(TBitmap&&) noexcept = default;
  ~TBitmap() = default;

  // A deep copy: same layout, same pixels.
  TBitmap Clone() const;

  int32_t Width() const { return FLayout.Width; }
  int32_t Height() const { return FLayout.Height; }
  int32_t BitCount() const { return FLayout.BitCount; }
  int32_t BytesPerPixel() const { return FLayout.BitCount / 8; }
  const TBitMasks& Masks() const { return FLayout.Masks; }
  size_t Stride() const { return FLayout.Stride; }
  const TBitmapLayout& Layout() const { return FLayout; }
  bool Empty() const { return FLayout.Width == 0 || FLayout.Height == 0; }

  // Whether byte 3 of every pixel is its alpha (0 transparent .. 255 opaque,
  // the colour not multiplied by it). Only a 32-bit bitmap can say so; a
  // new bitmap does not.
  bool HasAlpha() const { return FAlpha; }
  void SetHasAlpha(bool Alpha) { FAlpha = Alpha && FLayout.BitCount == 32; }

  // Row Y from the top; no bound checks.
  uint8_t* ScanLine(int32_t Y) { return FMemory->Bits() + static_cast<size_t>(Y) * FLayout.Stride; }
  const uint8_t* ScanLine(int32_t Y) const { return FMemory->Bits() + static_cast<size_t>(Y) * FLayout.Stride; }

  // The pixel memory itself, for a platform build that owns it.
  TPixelMemory* Memory() const { return FMemory.get(); }

  // Bytes per row of a DIB of this width and bit count.
  static size_t StrideOf(int32_t Width, int32_t BitCount);

private:
  TBitmap(int32_t Width, int32_t Height, int32_t BitCount, TBitMasks Masks);

  TBitmapLayout FLayout{0, 0, 24, {}, 0};
  std::unique_ptr<TPixelMemory> FMemory;
  bool FAlpha = false;
};

// One colour as red, green, blue.
struct TRGB {
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;
  bool operator==(const TRGB&) const = default;
};

// Reads and writes one pixel of any depth; for tests and slow paths only,
// the inner loops work on scan lines.
TRGB GetPixelRGB(const TBitmap& Bitmap, int32_t X, int32_t Y);
void PutPixelRGB(TBitmap& Bitmap, int32_t X, int32_t Y, TRGB Colour);

// A 32-bit copy of Picture whose fourth byte is its alpha: a bitmap with
// alpha is cloned, any other is fully opaque.
TBitmap WithAlpha(const TBitmap& Picture);

// A picture with alpha as it shows over a background, at 24 bits:
// BackgroundAt(X, Y) is the background's TRGB under each pixel. Each channel
// is the picture's weighted by its alpha plus the background's by the rest.
template <class Background>
TBitmap Composited(const TBitmap& Picture, Background&& BackgroundAt) {
  TBitmap Shown(Picture.Width(), Picture.Height(), 24);
  for (int32_t y = 0; y < Picture.Height(); ++y) {
    const uint8_t* In = Picture.ScanLine(y);
    uint8_t* Out = Shown.ScanLine(y);
    for (int32_t x = 0; x < Picture.Width(); ++x, In += 4, Out += 3) {
      const TRGB Back = BackgroundAt(x, y);
      const uint8_t Behind[3] = {Back.B, Back.G, Back.R};
      for (int c = 0; c < 3; ++c) Out[c] = static_cast<uint8_t>((In[c] * In[3] + Behind[c] * (255 - In[3]) + 127) / 255);
    }
  }
  return Shown;
}

// A picture with alpha as it looks on a white page.
TBitmap OverWhite(const TBitmap& Picture);

// A copy of Source at another depth (15, 16, 24 or 32); alpha is kept only
// from 32 bits with alpha to 32 bits. 5- and 6-bit fields
// widen to 8 bits and narrow back by rounding to the nearest level, so that
// 0 and the field's top value map onto 0 and 255 and a round trip through
// 24 bits gives every field back.
TBitmap ConvertDepth(const TBitmap& Source, int32_t Depth);

}  // namespace carvelo
