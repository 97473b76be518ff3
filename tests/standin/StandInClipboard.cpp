#include "StandInClipboard.h"

#include <windows.h>

#include <cstring>

#include "StandInObject.h"

namespace carvelo::standin {

namespace {

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
  std::memcpy(bits, pixels.data.data(), pixels.data.size() * sizeof(uint32_t));
  return bitmap;
}

}  // namespace

void PutPictureOnClipboard(const TPixels& pixels) {
  HBITMAP bitmap = BitmapOf(pixels);
  TOpenClipboard open;
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);  // the clipboard owns it on success
}

void PutShapeOnClipboard(const std::wstring& shapeName) {
  const size_t bytes = (shapeName.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) Raise(E_OUTOFMEMORY, L"Not enough memory.");
  std::memcpy(GlobalLock(memory), shapeName.c_str(), bytes);
  GlobalUnlock(memory);
  TOpenClipboard open;
  EmptyClipboard();
  if (!SetClipboardData(ShapeFormat(), memory)) GlobalFree(memory);
}

bool ClipboardHoldsShape() { return IsClipboardFormatAvailable(ShapeFormat()) != FALSE; }

bool TakePictureFromClipboard(TPixels& pixels) {
  TOpenClipboard open;
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
