#include "Glyphs_win.h"

namespace carvelo {

namespace {

constexpr int GlyphSize = 16;

void Stroke(HDC dc, COLORREF colour, int width, std::initializer_list<POINT> points) {
  TGdiObject<HPEN> pen(CreatePen(PS_SOLID, width, colour));
  TSelected selected(dc, pen.Get());
  const POINT* p = points.begin();
  MoveToEx(dc, p->x, p->y, nullptr);
  for (++p; p != points.end(); ++p) LineTo(dc, p->x, p->y);
}

void Fill(HDC dc, COLORREF colour, RECT r) {
  TBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &r, brush.Get());
}

}  // namespace

TGdiBitmap MakeGlyph(TGlyph glyph, COLORREF background) {
  TWindowDC screen;
  TMemoryDC dc(screen.Get());
  TGdiBitmap bitmap(CreateCompatibleBitmap(screen.Get(), GlyphSize, GlyphSize));
  if (!dc.Get() || !bitmap) return TGdiBitmap();
  {
    TSelected selected(dc.Get(), bitmap.Get());
    Fill(dc.Get(), background, {0, 0, GlyphSize, GlyphSize});
    switch (glyph) {
      case TGlyph::Check:
        Stroke(dc.Get(), RGB(0, 128, 0), 3, {{3, 8}, {6, 11}, {12, 4}});
        break;
      case TGlyph::Cross:
        Stroke(dc.Get(), RGB(192, 0, 0), 2, {{4, 4}, {12, 12}});
        Stroke(dc.Get(), RGB(192, 0, 0), 2, {{12, 4}, {4, 12}});
        break;
      case TGlyph::Door:
        Fill(dc.Get(), RGB(96, 64, 32), {3, 1, 13, 15});
        Fill(dc.Get(), RGB(176, 128, 72), {5, 3, 11, 15});
        Fill(dc.Get(), RGB(255, 215, 0), {9, 8, 11, 10});
        break;
    }
  }
  return bitmap;
}

void SetButtonGlyph(HWND button, const TGdiBitmap& glyph) {
  if (glyph) SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph.Get()));
}

}  // namespace carvelo
