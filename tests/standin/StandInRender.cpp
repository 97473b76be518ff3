#include "StandInRender.h"

#include <algorithm>
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

void DrawBox(HDC dc, RECT r, const std::wstring& label) {
  const TBrush fill(CreateSolidBrush(kBoxColour));
  FillRect(dc, &r, fill.Get());
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const TSelected font(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

// A 32-bit top-down drawing surface of its own.
struct TSurface {
  explicit TSurface(int w, int h) : width(w), height(h) {
    const BITMAPINFO info = TopDown32(w, h);
    void* memory = nullptr;
    bitmap = TGdiBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!bitmap || !dc.Get()) throw std::bad_alloc();
    bits = static_cast<uint32_t*>(memory);
  }
  int width, height;
  TGdiBitmap bitmap;
  TMemoryDC dc{nullptr};
  uint32_t* bits = nullptr;
};

uint32_t Premultiplied(uint32_t p) {
  const uint32_t a = p >> 24;
  uint32_t out = a << 24;
  for (int shift = 0; shift < 24; shift += 8) out |= ((p >> shift & 0xFF) * a + 127) / 255 << shift;
  return out;
}

// A picture with alpha shows what lies behind it through its transparent
// pixels.
void BlendPicture(HDC dc, const RECT& r, const TPixels& pixels) {
  TSurface source(pixels.width, pixels.height);
  for (size_t i = 0; i < pixels.data.size(); ++i) source.bits[i] = Premultiplied(pixels.data[i]);
  const TSelected selected(source.dc.Get(), source.bitmap.Get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.dc.Get(), 0, 0, pixels.width,
             pixels.height, blend);
}

void DrawPicture(HDC dc, const RECT& r, const TPixels& pixels) {
  if (pixels.alpha) return BlendPicture(dc, r, pixels);
  const BITMAPINFO info = TopDown32(pixels.width, pixels.height);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs it set after the mode
  StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, pixels.width, pixels.height,
                pixels.data.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// A premultiplied pixel over an opaque one.
uint32_t Behind(uint32_t front, uint32_t back) {
  const uint32_t uncovered = 255 - (front >> 24);
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8)
    out |= std::min(255u, (front >> shift & 0xFF) + ((back >> shift & 0xFF) * uncovered + 127) / 255) << shift;
  return out;
}

void DrawUpright(HDC dc, const RECT& r, const TStandInShape& shape) {
  if (shape.IsPicture() && !shape.pixels.Empty())
    DrawPicture(dc, r, shape.pixels);
  else
    DrawBox(dc, r, shape.name);
}

// A rotated or mirrored shape: drawn upright on its own surface, then each
// pixel of its turned bounding box in `dc` takes the upright pixel it came
// from (nearest), so that any device context shows it.
void DrawTurned(HDC dc, const RECT& r, const TStandInShape& shape) {
  const int w = std::max(1L, r.right - r.left), h = std::max(1L, r.bottom - r.top);
  TSurface upright(w, h);
  {
    const TSelected selected(upright.dc.Get(), upright.bitmap.Get());
    const RECT all{0, 0, w, h};
    DrawUpright(upright.dc.Get(), all, shape);
    GdiFlush();
  }
  // A transparent picture is drawn premultiplied on an empty surface, and
  // covers the slide only as far as its alpha goes.
  const bool blended = shape.IsPicture() && shape.pixels.alpha;
  const double angle = shape.rotation * 3.14159265358979323846 / 180, c = std::cos(angle), s = std::sin(angle);
  const double halfW = w / 2.0, halfH = h / 2.0;
  const double reachX = std::fabs(c) * halfW + std::fabs(s) * halfH, reachY = std::fabs(s) * halfW + std::fabs(c) * halfH;
  const double centreX = (r.left + r.right) / 2.0, centreY = (r.top + r.bottom) / 2.0;
  const int left = static_cast<int>(std::floor(centreX - reachX)), top = static_cast<int>(std::floor(centreY - reachY));
  const int boxW = static_cast<int>(std::ceil(2 * reachX)) + 1, boxH = static_cast<int>(std::ceil(2 * reachY)) + 1;
  TSurface box(boxW, boxH);
  const TSelected selected(box.dc.Get(), box.bitmap.Get());
  BitBlt(box.dc.Get(), 0, 0, boxW, boxH, dc, left, top, SRCCOPY);
  GdiFlush();
  for (int y = 0; y < boxH; ++y)
    for (int x = 0; x < boxW; ++x) {
      // Back from the slide to the upright shape: turn anticlockwise, then mirror.
      const double dx = left + x + 0.5 - centreX, dy = top + y + 0.5 - centreY;
      double u = c * dx + s * dy, v = -s * dx + c * dy;
      if (shape.horizontalFlip) u = -u;
      if (shape.verticalFlip) v = -v;
      const int ux = static_cast<int>(std::floor(u + halfW)), uy = static_cast<int>(std::floor(v + halfH));
      if (ux < 0 || ux >= w || uy < 0 || uy >= h) continue;
      uint32_t& to = box.bits[static_cast<size_t>(y) * boxW + x];
      const uint32_t from = upright.bits[static_cast<size_t>(uy) * w + ux];
      to = blended ? Behind(from, to) : from;
    }
  BitBlt(dc, left, top, boxW, boxH, box.dc.Get(), 0, 0, SRCCOPY);
}

}  // namespace

RECT ShapeRect(POINT origin, double scale, const TStandInShape& shape) {
  return RECT{origin.x + Pixel(shape.left, scale), origin.y + Pixel(shape.top, scale),
              origin.x + Pixel(shape.left + shape.width, scale), origin.y + Pixel(shape.top + shape.height, scale)};
}

void DrawSlideShapes(HDC dc, POINT origin, double scale, TStandInSlide& slide) {
  for (const auto& shape : slide.ShapeList()) {
    const RECT r = ShapeRect(origin, scale, *shape.Get());
    if (shape->rotation != 0 || shape->horizontalFlip || shape->verticalFlip)
      DrawTurned(dc, r, *shape.Get());
    else
      DrawUpright(dc, r, *shape.Get());
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
