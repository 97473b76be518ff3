#include "StretchGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Grey;
using test::Picture;
using test::RedRow;
using test::Uniform;

// --- Scale before carving: the decision and the ratios ------------------------

TEST(PlanScaling, BothShrinkingTakesTheLargerRatio) {
  const TScalePlan P = PlanScaling(100, 50, 0.5, 0.8, true);
  EXPECT_TRUE(P.PreScale);
  EXPECT_EQ(P.S, 0.8);
  EXPECT_EQ(P.WorkWidth, 80);
  EXPECT_EQ(P.WorkHeight, 40);
  EXPECT_EQ(P.FW, 0.625);
  EXPECT_EQ(P.FH, 1.0);
}

TEST(PlanScaling, BothGrowingTakesTheSmallerRatio) {
  const TScalePlan P = PlanScaling(60, 40, 1.5, 2.0, true);
  EXPECT_TRUE(P.PreScale);
  EXPECT_EQ(P.S, 1.5);
  EXPECT_EQ(P.WorkWidth, 90);
  EXPECT_EQ(P.WorkHeight, 60);
  EXPECT_EQ(P.FW, 1.0);
  EXPECT_EQ(P.FH, 2.0 / 1.5);
}

TEST(PlanScaling, EqualRatiosAreOnlyResampled) {
  const TScalePlan P = PlanScaling(60, 40, 0.5, 0.5, true);
  EXPECT_TRUE(P.PreScale);
  EXPECT_EQ(P.WorkWidth, 30);
  EXPECT_EQ(P.WorkHeight, 20);
  EXPECT_EQ(P.FW, 1.0);
  EXPECT_EQ(P.FH, 1.0);
}

TEST(PlanScaling, MixedOrUnchangedDirectionsAreLeftToCarving) {
  for (auto [RW, RH] : {std::pair{0.7, 1.3}, {1.0, 0.5}, {2.0, 1.0}, {1.0, 1.0}}) {
    const TScalePlan P = PlanScaling(60, 40, RW, RH, true);
    EXPECT_FALSE(P.PreScale);
    EXPECT_EQ(P.WorkWidth, 60);
    EXPECT_EQ(P.WorkHeight, 40);
    EXPECT_EQ(P.FW, RW);
    EXPECT_EQ(P.FH, RH);
  }
}

TEST(PlanScaling, SettingOffNeverPreScales) {
  for (auto [RW, RH] : {std::pair{0.5, 0.8}, {1.5, 2.0}, {0.5, 0.5}}) {
    const TScalePlan P = PlanScaling(60, 40, RW, RH, false);
    EXPECT_FALSE(P.PreScale);
    EXPECT_EQ(P.WorkWidth, 60);
    EXPECT_EQ(P.FW, RW);
    EXPECT_EQ(P.FH, RH);
  }
}

TEST(PlanScaling, WorkingSidesRoundHalvesToEvenAndNeverReachZero) {
  EXPECT_EQ(PlanScaling(5, 7, 0.5, 0.5, true).WorkWidth, 2);   // 2.5
  EXPECT_EQ(PlanScaling(5, 7, 0.5, 0.5, true).WorkHeight, 4);  // 3.5
  const TScalePlan Tiny = PlanScaling(3, 1, 0.2, 0.1, true);
  EXPECT_EQ(Tiny.WorkWidth, 1);
  EXPECT_EQ(Tiny.WorkHeight, 1);
  EXPECT_EQ(RoundSide(0.49), 1);
  EXPECT_EQ(RoundSide(6.5), 6);
  EXPECT_THROW(RoundSide(-1), std::invalid_argument);
  EXPECT_THROW(RoundSide(1e12), std::invalid_argument);
}

TEST(PrepareWorkingBitmap, PreScalesAtTheChosenQuality) {
  TBitmap Source = Uniform(40, 20, Grey(255));
  TCarveSettings Settings;
  Settings.SamplingQuality = Quality_Good;
  const TWorkingBitmap W = PrepareWorkingBitmap(Source, 0.5, 0.8, Settings);
  EXPECT_EQ(W.Bitmap.Width(), 32);
  EXPECT_EQ(W.Bitmap.Height(), 16);
  EXPECT_EQ(W.Bitmap.BitCount(), 24);
  EXPECT_EQ(W.FW, 0.625);
  EXPECT_EQ(W.FH, 1.0);
  EXPECT_EQ(GetPixelRGB(W.Bitmap, 10, 10), Grey(255));  // white stays white
}

TEST(PrepareWorkingBitmap, WithoutPreScalingIsA24BitCopy) {
  TBitmap Source = Picture(7, 5, [](int32_t x, int32_t y) { return TRGB{uint8_t(8 * x), uint8_t(8 * y), 248}; }, 15);
  TCarveSettings Settings;
  Settings.ScaleBeforeCarving = false;
  const TWorkingBitmap W = PrepareWorkingBitmap(Source, 0.5, 0.5, Settings);
  ASSERT_EQ(W.Bitmap.Width(), 7);
  ASSERT_EQ(W.Bitmap.Height(), 5);
  EXPECT_EQ(W.Bitmap.BitCount(), 24);
  EXPECT_EQ(W.FW, 0.5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(GetPixelRGB(W.Bitmap, x, y), GetPixelRGB(Source, x, y));
}

TEST(PrepareWorkingBitmap, RefusesWhatCannotBeFitted) {
  TBitmap Empty;
  TBitmap Source = Uniform(4, 4, Grey(1));
  EXPECT_THROW(PrepareWorkingBitmap(Empty, 1, 1, {}), std::invalid_argument);
  EXPECT_THROW(PrepareWorkingBitmap(Source, 0, 1, {}), std::invalid_argument);
  EXPECT_THROW(PrepareWorkingBitmap(Source, 1, -2, {}), std::invalid_argument);
}

// --- StretchGraphic's dispatch ------------------------------------------------

TEST(StretchGraphic, LowTakesOneSourcePixelPerDestinationPixel) {
  TBitmap Source = Picture(3, 2, [](int32_t x, int32_t y) { return Grey(uint8_t(10 * x + 100 * y)); });
  TBitmap Wide(7, 4, 24);
  NearestResample(Source, Wide);
  // floor(i * 3 / 7) = 0 0 0 1 1 2 2; floor(j * 2 / 4) = 0 0 1 1
  EXPECT_EQ(RedRow(Wide, 0), (std::vector<int>{0, 0, 0, 10, 10, 20, 20}));
  EXPECT_EQ(RedRow(Wide, 3), (std::vector<int>{100, 100, 100, 110, 110, 120, 120}));
  TBitmap Narrow(2, 1, 24);
  NearestResample(Source, Narrow);
  EXPECT_EQ(RedRow(Narrow, 0), (std::vector<int>{0, 10}));

  // Low is the platform's stretch, whose choice of pixel is its own: every
  // destination pixel is one source pixel, in order, nothing blended.
  StretchGraphic(Source, Wide, Quality_Low);
  for (int32_t j : {0, 3}) {
    const std::vector<int> Row = RedRow(Wide, j);
    EXPECT_TRUE(std::is_sorted(Row.begin(), Row.end()));
    for (int Red : Row) EXPECT_EQ(Red % 10, 0) << Red;
    EXPECT_EQ(Row.front() / 100, j / 2);
  }
  EXPECT_EQ(Source.BitCount(), 24);
}

TEST(StretchGraphic, GoodAndHighBringTheSourceToTheDestinationDepth) {
  for (int32_t Quality : {Quality_Good, Quality_High}) {
    TBitmap Source = Uniform(4, 4, {255, 0, 0}, 16);
    TBitmap Dest(4, 4, 24);
    StretchGraphic(Source, Dest, Quality);
    EXPECT_EQ(Source.BitCount(), 24);
    EXPECT_EQ(GetBitsPerPixel(Source), 24);
    EXPECT_GE(GetPixelRGB(Dest, 1, 1).R, 254);
  }
  // A 15-bit source already matches a 15-bit request.
  TBitmap Source15 = Uniform(4, 4, Grey(255), 15);
  TBitmap Dest15(3, 3, 15);
  StretchGraphic(Source15, Dest15, Quality_High);
  EXPECT_EQ(Source15.Masks(), Masks555);
}

TEST(StretchGraphic, UnknownQualityOrDepthLeavesTheDestination) {
  TBitmap Source = Uniform(4, 4, Grey(200));
  TBitmap Dest = Uniform(4, 4, Grey(3));
  StretchGraphic(Source, Dest, 3);
  StretchGraphic(Source, Dest, -1);
  EXPECT_EQ(GetPixelRGB(Dest, 0, 0), Grey(3));

  TBitmap Odd(4, 4, TBitMasks{0x0F00, 0x00F0, 0x000F});
  StretchGraphic(Source, Odd, Quality_High);
  EXPECT_EQ(Odd.ScanLine(0)[0], 0);
  EXPECT_EQ(Source.BitCount(), 24);
}

}  // namespace
}  // namespace carvelo
