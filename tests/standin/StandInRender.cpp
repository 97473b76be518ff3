#include "StandInRender.h"

#include <cmath>
#include <new>

#include "Gdi_win.h"
#include "HostIds.h"

namespace carvelo::standin {

namespace {

// The colour of shapes that are drawn as boxes.
constexpr COLORREF kBoxColour = RGB(235, 235, 200);

int Pixel(float points, double scale) { return static_cast<int>(std::lround(points * scale)); }

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void DrawPicture(HDC dc, const RECT& r, const TPixels& pixels) {
  const BITMAPINFO info = TopDown32(pixels.width, pixels.height);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs it set after the mode
  StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, pixels.width, pixels.height,
                pixels.data.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void DrawBox(HDC dc, RECT r, const std::wstring& label) {
  const TBrush fill(CreateSolidBrush(kBoxColour));
  FillRect(dc, &r, fill.Get());
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const TSelected font(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace

RECT ShapeRect(POINT origin, double scale, const TStandInShape& shape) {
  return RECT{origin.x + Pixel(shape.left, scale), origin.y + Pixel(shape.top, scale),
              origin.x + Pixel(shape.left + shape.width, scale), origin.y + Pixel(shape.top + shape.height, scale)};
}

void DrawSlideShapes(HDC dc, POINT origin, double scale, TStandInSlide& slide) {
  for (const auto& shape : slide.ShapeList()) {
    const RECT r = ShapeRect(origin, scale, *shape.Get());
    if (shape->type == host::msoPicture && !shape->pixels.Empty())
      DrawPicture(dc, r, shape->pixels);
    else
      DrawBox(dc, r, shape->name);
  }
}

TPixels RenderSlide(TStandInSlide& slide) {
  const int width = Pixel(kSlideWidthPoints, kPixelsPerPoint), height = Pixel(kSlideHeightPoints, kPixelsPerPoint);
  const BITMAPINFO info = TopDown32(width, height);
  void* bits = nullptr;
  const TGdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const TMemoryDC dc(nullptr);
  if (!bitmap || !dc.Get()) throw std::bad_alloc();
  {
    const TSelected selected(dc.Get(), bitmap.Get());
    const RECT all{0, 0, width, height};
    FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawSlideShapes(dc.Get(), POINT{0, 0}, kPixelsPerPoint, slide);
    GdiFlush();
  }
  const auto* drawn = static_cast<const uint32_t*>(bits);
  TPixels pixels{width, height, std::vector<uint32_t>(drawn, drawn + static_cast<size_t>(width) * height)};
  for (uint32_t& p : pixels.data) p &= 0xFFFFFF;
  return pixels;
}

}  // namespace carvelo::standin
