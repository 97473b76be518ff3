// Owners of GDI handles: objects deleted and device contexts released on
// every path, and objects selected into a device context for one scope.
#pragma once

#include <windows.h>

#include "Handle_win.h"

namespace carvelo {

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
// Owned GDI objects.
template <class Handle>
using TGdiObject = TOwnedHandle<Handle, DeleteGdiObject>;
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
