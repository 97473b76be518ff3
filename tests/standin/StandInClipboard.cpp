#include "StandInClipboard.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "StandInObject.h"
#include "StandInPictureFile.h"

namespace carvelo::standin {

namespace {

UINT PngFormat() {
  static const UINT format = RegisterClipboardFormatW(L"PNG");
  return format;
}

UINT ShapeFormat() {
  static const UINT format = RegisterClipboardFormatW(L"Carvelo Stand-in Shape");
  return format;
}

// Windows wants an owner window for SetClipboardData.
HWND ClipboardOwner() {
  static const HWND owner = CreateWindowExW(0, L"STATIC", L"stand-in clipboard owner", 0, 0, 0, 0, 0,
                                            HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  return owner;
}

class TOpenClipboard {
 public:
  TOpenClipboard() {
    for (int attempt = 0; attempt < 50 && !open_; ++attempt) {
      open_ = OpenClipboard(ClipboardOwner()) != FALSE;
      if (!open_) Sleep(10);
    }
    if (!open_) Raise(CLIPBRD_E_CANT_OPEN, L"The clipboard cannot be opened.");
  }
  ~TOpenClipboard() { CloseClipboard(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;

 private:
  bool open_ = false;
};

struct TDeleteBitmap {
  void operator()(HBITMAP b) const { DeleteObject(b); }
};

HGLOBAL GlobalCopy(const void* bytes, size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) Raise(E_OUTOFMEMORY, L"Not enough memory.");
  std::memcpy(GlobalLock(memory), bytes, size);
  GlobalUnlock(memory);
  return memory;
}

bool TakePng(TPixels& pixels) {
  HGLOBAL memory = GetClipboardData(PngFormat());
  const void* bytes = memory ? GlobalLock(memory) : nullptr;
  if (!bytes) return false;
  try {
    pixels = DecodePicture({static_cast<const uint8_t*>(bytes), GlobalSize(memory)}, L"the clipboard's PNG");
  } catch (const EPictureFileError&) {
    GlobalUnlock(memory);
    return false;
  }
  GlobalUnlock(memory);
  return true;
}

HBITMAP BitmapOf(const TPixels& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) Raise(E_OUTOFMEMORY, L"Not enough memory for the picture.");
  auto* to = static_cast<uint32_t*>(bits);
  for (const uint32_t p : pixels.data) *to++ = pixels.alpha ? Over(p, 0xFFFFFF) : p;
  return bitmap;
}

}  // namespace

void PutPictureOnClipboard(const TPixels& pixels, bool withPng) {
  HBITMAP bitmap = BitmapOf(pixels);
  HGLOBAL png = nullptr;
  if (withPng) {
    const std::vector<uint8_t> bytes = pixels.png ? std::vector<uint8_t>() : PngBytes(pixels);
    const std::vector<uint8_t>& file = pixels.png ? *pixels.png : bytes;
    png = GlobalCopy(file.data(), file.size());
  }
  TOpenClipboard open;
  EmptyClipboard();
  // The clipboard owns what it takes.
  if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
  if (png && !SetClipboardData(PngFormat(), png)) GlobalFree(png);
}

void PutShapeOnClipboard(const std::wstring& shapeName) {
  HGLOBAL memory = GlobalCopy(shapeName.c_str(), (shapeName.size() + 1) * sizeof(wchar_t));
  TOpenClipboard open;
  EmptyClipboard();
  if (!SetClipboardData(ShapeFormat(), memory)) GlobalFree(memory);
}

bool ClipboardHoldsShape() { return IsClipboardFormatAvailable(ShapeFormat()) != FALSE; }
bool ClipboardHoldsPng() { return IsClipboardFormatAvailable(PngFormat()) != FALSE; }

bool TakePictureFromClipboard(TPixels& pixels, TPictureFormat format) {
  TOpenClipboard open;
  if (format == TPictureFormat::Png) return TakePng(pixels);
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!bitmap) return false;
  BITMAP header{};
  if (!GetObjectW(bitmap, sizeof header, &header)) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = header.bmWidth;
  info.bmiHeader.biHeight = -header.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  TPixels read;
  read.width = header.bmWidth;
  read.height = header.bmHeight;
  read.data.resize(static_cast<size_t>(read.width) * read.height);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, read.height, read.data.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != read.height) return false;
  for (uint32_t& p : read.data) p &= 0x00FFFFFF;
  pixels = std::move(read);
  return true;
}

}  // namespace carvelo::standin
