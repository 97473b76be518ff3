#include "Bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Picture;

TEST(Bitmap, RowsAreDwordAlignedAndTopDown) {
  EXPECT_EQ(TBitmap::StrideOf(1, 24), 4u);
  EXPECT_EQ(TBitmap::StrideOf(5, 24), 16u);  // 15 bytes padded
  EXPECT_EQ(TBitmap::StrideOf(3, 16), 8u);   // 6 bytes padded
  EXPECT_EQ(TBitmap::StrideOf(3, 32), 12u);

  TBitmap B(5, 3, 24);
  EXPECT_EQ(B.Stride(), 16u);
  EXPECT_EQ(B.ScanLine(2) - B.ScanLine(0), 32);
  PutPixelRGB(B, 1, 2, {10, 20, 30});
  const uint8_t* P = B.ScanLine(2) + 3;
  EXPECT_EQ(P[0], 30);  // blue first, as in a DIB
  EXPECT_EQ(P[1], 20);
  EXPECT_EQ(P[2], 10);
}

TEST(Bitmap, DepthsAndMasks) {
  EXPECT_EQ(TBitmap(2, 2, 15).Masks(), Masks555);
  EXPECT_EQ(TBitmap(2, 2, 15).BitCount(), 16);
  EXPECT_EQ(TBitmap(2, 2, 16).Masks(), Masks565);
  EXPECT_EQ(TBitmap(2, 2, 32).BytesPerPixel(), 4);
  EXPECT_THROW(TBitmap(2, 2, 8), std::invalid_argument);
  EXPECT_THROW(TBitmap(-1, 2, 24), std::invalid_argument);
  EXPECT_TRUE(TBitmap(0, 7, 24).Empty());
}

TEST(Bitmap, NewBitmapsAreBlack) {
  TBitmap B(3, 2, 32);
  for (int32_t y = 0; y < 2; ++y)
    for (size_t i = 0; i < B.Stride(); ++i) EXPECT_EQ(B.ScanLine(y)[i], 0);
}

TEST(Bitmap, SixteenBitWordsFollowTheirMasks) {
  TBitmap B15(1, 1, 15), B16(1, 1, 16);
  PutPixelRGB(B15, 0, 0, {255, 0, 0});
  PutPixelRGB(B16, 0, 0, {0, 255, 0});
  EXPECT_EQ(B15.ScanLine(0)[0] | B15.ScanLine(0)[1] << 8, 0x7C00);
  EXPECT_EQ(B16.ScanLine(0)[0] | B16.ScanLine(0)[1] << 8, 0x07E0);
}

TEST(Bitmap, ConvertDepthKeepsColoursThatTheDepthCanHold) {
  const TBitmap Source = Picture(4, 3, [](int32_t x, int32_t y) {
    return TRGB{uint8_t(x * 80), uint8_t(y * 120), uint8_t(255 - x * 60)};
  });
  for (int32_t Depth : {24, 32}) {
    const TBitmap Back = ConvertDepth(ConvertDepth(Source, Depth), 24);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(GetPixelRGB(Back, x, y), GetPixelRGB(Source, x, y));
  }
  // Five-bit fields: the extremes map onto 0 and 255, and every level
  // survives a round trip through 24 bits.
  TBitmap B15(32, 1, 15);
  for (int32_t x = 0; x < 32; ++x) {
    const uint32_t Word = uint32_t(x) << 10 | uint32_t(x) << 5 | uint32_t(x);
    B15.ScanLine(0)[2 * x] = uint8_t(Word);
    B15.ScanLine(0)[2 * x + 1] = uint8_t(Word >> 8);
  }
  const TBitmap Wide = ConvertDepth(B15, 24);
  EXPECT_EQ(GetPixelRGB(Wide, 0, 0), (TRGB{0, 0, 0}));
  EXPECT_EQ(GetPixelRGB(Wide, 31, 0), (TRGB{255, 255, 255}));
  const TBitmap Narrow = ConvertDepth(Wide, 15);
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ(Narrow.ScanLine(0)[i], B15.ScanLine(0)[i]);
}

TEST(Bitmap, CloneIsDeep) {
  TBitmap A(2, 2, 24);
  PutPixelRGB(A, 1, 1, {1, 2, 3});
  TBitmap B = A.Clone();
  PutPixelRGB(A, 1, 1, {9, 9, 9});
  EXPECT_EQ(GetPixelRGB(B, 1, 1), (TRGB{1, 2, 3}));
  EXPECT_EQ(B.Layout().Stride, A.Layout().Stride);
}

}  // namespace
}  // namespace carvelo
