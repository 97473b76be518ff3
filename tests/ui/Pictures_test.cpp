// The portable bitmap and GDI's bitmaps in one file, as the picture round
// trip between the job and a slide needs them.
#include <windows.h>

#include <gtest/gtest.h>

#include "Bitmap.h"
#include "Glyphs_win.h"

namespace carvelo {
namespace {

TEST(Pictures, AGlyphCopiedIntoAPortableBitmapKeepsItsBackground) {
  const TGdiBitmap glyph = MakeGlyph(TGlyph::Check, RGB(255, 255, 255));
  ASSERT_TRUE(glyph);
  TBitmap pixels(16, 16, 32);  // zero-filled: black
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const TWindowDC screen;
  ASSERT_EQ(GetDIBits(screen.Get(), glyph.Get(), 0, 16, pixels.ScanLine(0), &info, DIB_RGB_COLORS), 16);
  EXPECT_EQ(GetPixelRGB(pixels, 0, 0), (TRGB{255, 255, 255}));
}

}  // namespace
}  // namespace carvelo
