#include <gtest/gtest.h>

#include <random>

#include "GEM.h"

namespace carvelo {
namespace {

GML_Gray GrayOf(int32_t W, int32_t H, const std::function<uint8_t(int32_t, int32_t)>& Value) {
  GML_Gray Gray(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Gray.Put(x, y, Value(x, y));
  return Gray;
}

GML_Int EnergyOf(const GML_Gray& Gray, uint8_t Filter) {
  GML_Int Energy(Gray.Width(), Gray.Height());
  TGEM().Edge_Detect(Gray, Energy, Filter);
  return Energy;
}

TEST(Luminance, PrimariesAndWhite) {
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(255, 255, 255)), 255);
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(255, 0, 0)), 76);
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(0, 255, 0)), 149);
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(0, 0, 255)), 29);
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(0, 0, 0, 255)), 0);  // the fourth byte is ignored
  EXPECT_EQ(TGEM::Luminance(GML_Pixel(10, 20, 30)), (299 * 10 + 587 * 20 + 114 * 30) / 1000);
}

TEST(Grayscale, EveryRowOfEveryHeight) {
  for (int32_t H = 1; H <= 9; ++H) {
    GML_Color C(3, H);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < 3; ++x) C.Put(x, y, GML_Pixel(uint8_t(40 * x), uint8_t(25 * y), 7));
    GML_Gray Gray(3, H);
    TGEM().Grayscale_Image(C, Gray);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < 3; ++x) ASSERT_EQ(Gray.Get(x, y), TGEM::Luminance(C.Get(x, y))) << H;
  }
}

TEST(PixelEnergy, UniformGreyIsZeroWithEveryFilterBordersIncluded) {
  const GML_Gray Gray = GrayOf(6, 5, [](int32_t, int32_t) { return uint8_t(137); });
  for (uint8_t Filter = 0; Filter <= 5; ++Filter) {
    const GML_Int E = EnergyOf(Gray, Filter);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(E.Get(x, y), 0) << int(Filter);
  }
}

TEST(PixelEnergy, VerticalEdgeFromBlackToWhite) {
  // Columns 0..3 black, 4..7 white.
  const GML_Gray Gray = GrayOf(8, 6, [](int32_t x, int32_t) { return uint8_t(x < 4 ? 0 : 255); });
  const std::pair<uint8_t, int32_t> Expected[] = {{Filter_Prewitt, 765}, {Filter_V1, 765},
                                                  {Filter_V_Square, 585225}, {Filter_Sobel, 1020}};
  for (auto [Filter, Value] : Expected) {
    const GML_Int E = EnergyOf(Gray, Filter);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(E.Get(x, y), (x == 3 || x == 4) ? Value : 0) << int(Filter) << " " << x;
  }
  const GML_Int L = EnergyOf(Gray, Filter_Laplacian);
  for (int32_t y = 0; y < 6; ++y) {
    EXPECT_EQ(L.Get(3, y), 255);
    EXPECT_EQ(L.Get(4, y), 255);
    EXPECT_EQ(L.Get(2, y), 0);
  }
}

TEST(PixelEnergy, SingleBrightPixelWithEachFilter) {
  // A 5x5 picture, 0 everywhere but 100 at (2, 2): responses at its neighbours.
  const GML_Gray Gray = GrayOf(5, 5, [](int32_t x, int32_t y) { return uint8_t(x == 2 && y == 2 ? 100 : 0); });
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 2, 2, Filter_Laplacian), 400);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 1, 2, Filter_Laplacian), 100);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 1, 1, Filter_Prewitt), 200);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 1, 2, Filter_Sobel), 200);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 1, 1, Filter_Sobel), 200);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 1, 2, Filter_V_Square), 10000);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 2, 1, Filter_V1), 0);
  EXPECT_EQ(TGEM::Pixel_Energy(Gray, 2, 2, 9), 0);
}

TEST(PixelEnergy, OneRowPictureReadsItselfAboveAndBelow) {
  const GML_Gray Gray = GrayOf(5, 1, [](int32_t x, int32_t) { return uint8_t(10 * x * x); });
  const GML_Int E = EnergyOf(Gray, Filter_Prewitt);
  // Gx over three identical rows, Gy zero: 3 * (g(x+1) - g(x-1)), clamped at the ends.
  const int32_t Expected[] = {3 * 10, 3 * 40, 3 * 80, 3 * 120, 3 * 70};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(E.Get(x, 0), Expected[x]) << x;
}

TEST(EdgeDetect, FilterFiveAndAboveGiveZeros) {
  std::mt19937 Random(3);
  const GML_Gray Gray = GrayOf(9, 7, [&](int32_t, int32_t) { return uint8_t(Random()); });
  for (uint8_t Filter : {5, 6, 255}) {
    GML_Int E(9, 7);
    E.Fill(-1);
    TGEM().Edge_Detect(Gray, E, Filter);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(E.Get(x, y), 0);
  }
}

// The threaded map equals a plain loop over Pixel_Energy, whatever the size:
// heights 1 to 8 cover bands that are empty or overrun the inner rows.
TEST(EdgeDetect, EqualsThePlainLoopOnRandomPictures) {
  std::mt19937 Random(11);
  std::vector<std::pair<int32_t, int32_t>> Sizes;
  for (int32_t H = 1; H <= 8; ++H)
    for (int32_t W : {1, 2, 3, 4, 7}) Sizes.emplace_back(W, H);
  Sizes.insert(Sizes.end(), {{64, 9}, {13, 10}, {50, 37}, {101, 64}, {3, 200}});
  for (auto [W, H] : Sizes) {
    const GML_Gray Gray = GrayOf(W, H, [&](int32_t, int32_t) { return uint8_t(Random()); });
    for (uint8_t Filter = 0; Filter <= 4; ++Filter) {
      GML_Int E(W, H);
      E.Fill(-12345);  // every row must be written exactly once
      TGEM().Edge_Detect(Gray, E, Filter);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
          ASSERT_EQ(E.Get(x, y), TGEM::Pixel_Energy(Gray, x, y, Filter))
              << W << "x" << H << " filter " << int(Filter) << " at " << x << "," << y;
    }
  }
}

// The unchecked inner path agrees with clamped reads of every neighbour.
TEST(PixelEnergy, InnerPathEqualsClampedReads) {
  std::mt19937 Random(5);
  const GML_Gray Gray = GrayOf(12, 9, [&](int32_t, int32_t) { return uint8_t(Random()); });
  for (uint8_t Filter = 0; Filter <= 4; ++Filter)
    for (int32_t y = 0; y < 9; ++y)
      for (int32_t x = 0; x < 12; ++x) {
        auto g = [&](int32_t dx, int32_t dy) { return int32_t(Gray.GetClamped(x + dx, y + dy)); };
        const int32_t Gx = g(1, 1) + g(1, 0) + g(1, -1) - g(-1, -1) - g(-1, 0) - g(-1, 1);
        const int32_t Gy = g(1, 1) + g(0, 1) + g(-1, 1) - g(1, -1) - g(0, -1) - g(-1, -1);
        const int32_t Sx = g(1, 1) + 2 * g(1, 0) + g(1, -1) - g(-1, -1) - 2 * g(-1, 0) - g(-1, 1);
        const int32_t Sy = g(1, 1) + 2 * g(0, 1) + g(-1, 1) - g(1, -1) - 2 * g(0, -1) - g(-1, -1);
        const int32_t Lap = std::abs(g(1, 0) + g(-1, 0) + g(0, 1) + g(0, -1) - 4 * g(0, 0));
        const int32_t Expected[] = {std::abs(Gx) + std::abs(Gy), std::abs(Gx), Gx * Gx,
                                    std::abs(Sx) + std::abs(Sy), Lap};
        ASSERT_EQ(TGEM::Pixel_Energy(Gray, x, y, Filter), Expected[Filter]);
      }
}

}  // namespace
}  // namespace carvelo
