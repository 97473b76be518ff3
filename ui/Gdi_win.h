// Owners of GDI handles: objects deleted and device contexts released on
// every path, and objects selected into a device context for one scope.
#pragma once

#include <windows.h>

namespace carvelo {

// Owned GDI objects.
template <class Handle>
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(Handle h) : FHandle(h) {}
  TGdiObject(TGdiObject&& other) noexcept : FHandle(other.FHandle) { other.FHandle = nullptr; }
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = other.FHandle;
      other.FHandle = nullptr;
    }
    return *this;
  }
  ~TGdiObject() { Reset(); }
  Handle Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }

 private:
  void Reset() {
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
  }
  Handle FHandle = nullptr;
};
using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TGdiBitmap = TGdiObject<HBITMAP>;

// A window's device context (the screen's for a null window), released on exit.
class TWindowDC {
 public:
  explicit TWindowDC(HWND h = nullptr) : FWindow(h), FDC(GetDC(h)) {}
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  HDC Get() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

// A memory device context compatible with another.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC like) : FDC(CreateCompatibleDC(like)) {}
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  ~TMemoryDC() {
    if (FDC) DeleteDC(FDC);
  }
  HDC Get() const { return FDC; }

 private:
  HDC FDC;
};

// An object selected into a device context for one scope.
class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;
  ~TSelected() { SelectObject(FDC, FOld); }

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

}  // namespace carvelo
