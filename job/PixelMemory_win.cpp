// Pixel memory of the Windows build: one top-down DIB section per bitmap.
#include <cstring>
#include <new>
#include <stdexcept>

#include "Bitmap_win.h"
#include "Gdi_win.h"

namespace carvelo {

namespace {

// BITMAPINFO with room for the three colour masks of a 16-bit picture.
struct TDibInfo {
  BITMAPINFOHEADER Header{};
  DWORD Masks[3]{};
};

TDibInfo DibInfoOf(const TBitmapLayout& Layout) {
  TDibInfo Info;
  Info.Header.biSize = sizeof(BITMAPINFOHEADER);
  Info.Header.biWidth = Layout.Width;
  Info.Header.biHeight = -Layout.Height;  // top-down, as ScanLine counts rows
  Info.Header.biPlanes = 1;
  Info.Header.biBitCount = static_cast<WORD>(Layout.BitCount);
  Info.Header.biCompression = Layout.BitCount == 16 ? BI_BITFIELDS : BI_RGB;
  Info.Masks[0] = Layout.Masks.Red;
  Info.Masks[1] = Layout.Masks.Green;
  Info.Masks[2] = Layout.Masks.Blue;
  return Info;
}

HBITMAP CreateDib(const TBitmapLayout& Layout, uint8_t*& Bits) {
  const TDibInfo Info = DibInfoOf(Layout);
  void* Memory = nullptr;
  HBITMAP Handle = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&Info), DIB_RGB_COLORS, &Memory,
                                    nullptr, 0);
  if (!Handle) throw std::bad_alloc();
  Bits = static_cast<uint8_t*>(Memory);
  return Handle;
}

class TDibPixelMemory final : public TPixelMemory {
public:
  explicit TDibPixelMemory(const TBitmapLayout& Layout) {
    if (Layout.ByteSize() == 0) return;  // an empty bitmap has no section
    FHandle = TGdiBitmap(CreateDib(Layout, FBits));
    std::memset(FBits, 0, Layout.ByteSize());
  }

  // Whoever draws on the section through the platform flushes afterwards.
  uint8_t* Bits() override { return FBits; }
  HBITMAP Handle() const { return FHandle.Get(); }

private:
  TGdiBitmap FHandle;
  uint8_t* FBits = nullptr;
};

}  // namespace

std::unique_ptr<TPixelMemory> AllocatePixelMemory(const TBitmapLayout& Layout) {
  return std::make_unique<TDibPixelMemory>(Layout);
}

HBITMAP DibSectionOf(const TBitmap& Bitmap) {
  const auto* Memory = dynamic_cast<const TDibPixelMemory*>(Bitmap.Memory());
  return Memory ? Memory->Handle() : nullptr;
}

bool BitmapHandleSize(HBITMAP Handle, int32_t& Width, int32_t& Height) {
  BITMAP Header{};
  if (!Handle || GetObjectW(Handle, sizeof Header, &Header) != sizeof Header || Header.bmWidth <= 0 ||
      Header.bmHeight == 0)
    return false;
  Width = Header.bmWidth;
  Height = Header.bmHeight < 0 ? -Header.bmHeight : Header.bmHeight;
  return true;
}

TBitmap BitmapFromHandle(HBITMAP Handle) {
  int32_t Width = 0, Height = 0;
  if (!BitmapHandleSize(Handle, Width, Height)) throw std::runtime_error("the bitmap cannot be read");
  TBitmap Picture(Width, Height, 24);
  TDibInfo Info = DibInfoOf(Picture.Layout());
  const TWindowDC Screen;
  if (GetDIBits(Screen.Get(), Handle, 0, static_cast<UINT>(Height), Picture.ScanLine(0),
                reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS) != Height)
    throw std::runtime_error("the bitmap's pixels cannot be read");
  return Picture;
}

HBITMAP NewHandleOf(const TBitmap& Bitmap) {
  const TBitmap Converted = Bitmap.BitCount() == 24 ? TBitmap() : ConvertDepth(Bitmap, 24);
  const TBitmap& Picture = Bitmap.BitCount() == 24 ? Bitmap : Converted;
  uint8_t* Bits = nullptr;
  HBITMAP Handle = CreateDib(Picture.Layout(), Bits);
  std::memcpy(Bits, Picture.ScanLine(0), Picture.Layout().ByteSize());
  return Handle;
}

}  // namespace carvelo
