#include "Clipboard_win.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "Bitmap_win.h"
#include "Handle_win.h"
#include "HostError.h"
#include "PictureLimits.h"
#include "PngEncode.h"
#include "PngPicture_win.h"

namespace carvelo::addin {

namespace {

inline void DestroyOwnerWindow(HWND h) { DestroyWindow(h); }
using TOwnerWindow = TOwnedHandle<HWND, DestroyOwnerWindow>;

inline void FreeGlobal(HGLOBAL h) { GlobalFree(h); }
using TGlobalMemory = TOwnedHandle<HGLOBAL, FreeGlobal>;

// The format that Office and browsers use for PNG pictures.
UINT PngFormat() { return RegisterClipboardFormatW(L"PNG"); }

// A hidden message-only window: Windows wants an owner window for the
// clipboard's data.
TOwnerWindow MakeOwnerWindow() {
  TOwnerWindow window(
      CreateWindowExW(0, L"STATIC", L"Carvelo clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  if (!window) throw std::runtime_error("The clipboard's owner window cannot be made.");
  return window;
}

// The clipboard, open for one transfer. Another program may hold it for a
// moment, so opening is retried briefly.
class TOpenClipboard {
 public:
  explicit TOpenClipboard(HWND owner) {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (OpenClipboard(owner)) return;
      Sleep(10);
    }
    throw std::runtime_error("The clipboard cannot be opened.");
  }
  ~TOpenClipboard() { CloseClipboard(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

// The bytes of a clipboard format held in global memory, locked while this
// lives; empty when the format is not there.
class TLockedFormat {
 public:
  explicit TLockedFormat(UINT format) : memory_(GetClipboardData(format)) {
    if (!memory_) return;
    const void* bytes = GlobalLock(memory_);
    if (bytes) bytes_ = {static_cast<const uint8_t*>(bytes), GlobalSize(memory_)};
  }
  ~TLockedFormat() {
    if (!bytes_.empty()) GlobalUnlock(memory_);
  }
  TLockedFormat(const TLockedFormat&) = delete;
  TLockedFormat& operator=(const TLockedFormat&) = delete;
  std::span<const uint8_t> Bytes() const noexcept { return bytes_; }

 private:
  HGLOBAL memory_;
  std::span<const uint8_t> bytes_;
};

std::optional<TBitmap> PictureFromPngFormat() {
  const TLockedFormat png(PngFormat());
  if (png.Bytes().empty()) return std::nullopt;
  try {
    return PictureFromPng(png.Bytes());
  } catch (const com::EHostError&) {
    return std::nullopt;  // a PNG we cannot read: the other formats may do
  }
}

// A top-down or bottom-up 32-bit DIB whose fourth byte is alpha, as the
// header's masks say: its rows at `bits`.
bool IsBgraDib(const BITMAPV5HEADER& h) {
  const bool bgr = h.bV5Compression == BI_RGB || (h.bV5Compression == BI_BITFIELDS && h.bV5RedMask == 0x00FF0000 &&
                                                  h.bV5GreenMask == 0x0000FF00 && h.bV5BlueMask == 0x000000FF);
  return h.bV5BitCount == 32 && h.bV5Planes == 1 && bgr && h.bV5AlphaMask == 0xFF000000 && h.bV5Width > 0 &&
         h.bV5Height != 0;
}

// The CF_DIBV5 picture when its alpha is in use: some pixel transparent and
// not every one (a fourth byte of zeros is unused, not transparent).
std::optional<TBitmap> PictureFromDibV5() {
  const TLockedFormat dib(CF_DIBV5);
  const std::span<const uint8_t> bytes = dib.Bytes();
  if (bytes.size() < sizeof(BITMAPV5HEADER)) return std::nullopt;
  BITMAPV5HEADER header;
  std::memcpy(&header, bytes.data(), sizeof header);
  if (header.bV5Size < sizeof header || !IsBgraDib(header)) return std::nullopt;
  const int32_t width = header.bV5Width, height = header.bV5Height < 0 ? -header.bV5Height : header.bV5Height;
  if (width > MaxImageSide || height > MaxImageSide) return std::nullopt;
  const size_t offset = header.bV5Size + size_t{header.bV5ClrUsed} * sizeof(RGBQUAD);
  TBitmap picture(width, height, 32);
  if (bytes.size() < offset || bytes.size() - offset < picture.Layout().ByteSize()) return std::nullopt;
  bool transparent = false, visible = false;
  for (int32_t y = 0; y < height; ++y) {
    const int32_t from = header.bV5Height < 0 ? y : height - 1 - y;
    uint8_t* row = picture.ScanLine(y);
    std::memcpy(row, bytes.data() + offset + size_t(from) * picture.Stride(), picture.Stride());
    for (int32_t x = 0; x < width; ++x) {
      transparent |= row[4 * x + 3] != 255;
      visible |= row[4 * x + 3] != 0;
    }
  }
  if (!transparent || !visible) return std::nullopt;
  picture.SetHasAlpha(true);
  return picture;
}

std::optional<TBitmap> PictureFromBitmap() {
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!bitmap) return std::nullopt;
  return BitmapFromHandle(bitmap);  // the clipboard keeps its bitmap
}

TGlobalMemory GlobalCopyOf(std::span<const uint8_t> bytes) {
  TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  void* to = memory ? GlobalLock(memory.Get()) : nullptr;
  if (!to) throw std::bad_alloc();
  std::memcpy(to, bytes.data(), bytes.size());
  GlobalUnlock(memory.Get());
  return memory;
}

}  // namespace

std::optional<TBitmap> TakePictureFromClipboard() {
  const TOwnerWindow owner = MakeOwnerWindow();
  const TOpenClipboard open(owner.Get());
  if (std::optional<TBitmap> png = PictureFromPngFormat()) return png;
  if (std::optional<TBitmap> dib = PictureFromDibV5()) return dib;
  return PictureFromBitmap();
}

std::optional<TPictureSize> ClipboardPictureSize() {
  const TOwnerWindow owner = MakeOwnerWindow();
  const TOpenClipboard open(owner.Get());
  {
    const TLockedFormat png(PngFormat());
    if (std::optional<TPictureSize> size = PngPictureSize(png.Bytes())) return size;
  }
  TPictureSize size;
  if (!BitmapHandleSize(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), size.Width, size.Height))
    return std::nullopt;
  return size;
}

void PutPictureOnClipboard(const TBitmap& Picture) { PutPictureOnClipboard(Picture, EncodePng(Picture)); }

void PutPictureOnClipboard(const TBitmap& Picture, std::span<const uint8_t> Png) {
  TGlobalMemory pngMemory = GlobalCopyOf(Png);
  const TOwnerWindow owner = MakeOwnerWindow();
  const TOpenClipboard open(owner.Get());
  const TBitmap overWhite = Picture.HasAlpha() ? OverWhite(Picture) : TBitmap();
  HBITMAP copy = NewHandleOf(Picture.HasAlpha() ? overWhite : Picture);
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, copy)) {  // on success the clipboard owns the copy
    DeleteObject(copy);
    throw std::runtime_error("The picture cannot be put on the clipboard.");
  }
  if (SetClipboardData(PngFormat(), pngMemory.Get())) (void)pngMemory.Release();
}

}  // namespace carvelo::addin
