#include "JResampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <future>
#include <numeric>
#include <vector>

#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Grey;
using test::Picture;
using test::RedRow;
using test::Uniform;

std::vector<TContributor> ListOf(const TContributorTable& T, int32_t I) {
  const auto L = T.Of(I);
  return {L.begin(), L.end()};
}

// --- Kernel and weight tables ------------------------------------------------

TEST(MitchellKernel, ValuesAtTheKnots) {
  EXPECT_NEAR(static_cast<double>(MitchellKernel(0.0f)), 8.0 / 9.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(MitchellKernel(1.0f)), 1.0 / 18.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(MitchellKernel(1.5f)), -5.0 / 144.0, 1e-15);
  EXPECT_EQ(MitchellKernel(2.0f), 0.0L);
  EXPECT_EQ(MitchellKernel(7.5f), 0.0L);
}

TEST(ContributorTable, EqualSizesBlurWithThreeTapsThatSumToOne) {
  const TContributorTable T(6, 6);
  EXPECT_EQ(ListOf(T, 3), (std::vector<TContributor>{{2, 3641}, {3, 58254}, {4, 3641}}));
  // Mirrored at the edges, differently: the left edge pixel is not repeated
  // (-1 -> 1), the right one is (6 -> 5).
  EXPECT_EQ(ListOf(T, 0), (std::vector<TContributor>{{1, 3641}, {0, 58254}, {1, 3641}}));
  EXPECT_EQ(ListOf(T, 5), (std::vector<TContributor>{{4, 3641}, {5, 58254}, {5, 3641}}));
  EXPECT_EQ(T.Capacity(), 5);
}

TEST(ContributorTable, HalvingUsesSevenTapsScaledByTheFactor) {
  const TContributorTable T(8, 4);
  EXPECT_EQ(T.Capacity(), 9);  // 4 * 8 div 4 + 1
  // Destination 1 sits on source 2; taps at source distances 0, 1, 2, 3. The
  // rounded weights sum to 65535: the centre tap takes the missing one.
  EXPECT_EQ(ListOf(T, 1), (std::vector<TContributor>{
                              {1, -1138}, {0, 1820}, {1, 17522}, {2, 29128}, {3, 17522}, {4, 1820}, {5, -1138}}));
  EXPECT_EQ(ListOf(T, 0).front(), (TContributor{3, -1138}));  // candidate -3 mirrored
}

TEST(ContributorTable, PastTheRightEdgeTheEdgePixelIsRepeated) {
  // N reads N - 1, N + 1 reads N - 2: only lists that reach two past the
  // edge, as the last ones of a shrink and of a growth do, tell this apart.
  const struct {
    int32_t N, M;
    std::vector<TContributor> Last;
  } Cases[] = {
      {8, 4, {{3, -1138}, {4, 1820}, {5, 17522}, {6, 29128}, {7, 17522}, {7, 1820}, {6, -1138}}},
      {2, 4, {{0, -2276}, {1, 35044}, {1, 35044}, {0, -2276}}},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(ListOf(TContributorTable(Case.N, Case.M), Case.M - 1), Case.Last) << Case.N << " -> " << Case.M;
  EXPECT_EQ(MirrorIndex(6, 5), 3);
}

TEST(ContributorTable, EveryListFitsItsRoomAndSumsToOne) {
  for (auto [N, M] : {std::pair{7, 3}, {100, 7}, {13, 13}, {5, 17}, {600, 397}, {3, 1000}, {40, 1}, {1, 9}}) {
    const TContributorTable T(N, M);
    for (int32_t i = 0; i < M; ++i) {
      EXPECT_LE(static_cast<int32_t>(T.Of(i).size()), T.Capacity()) << N << " -> " << M << " at " << i;
      int32_t Sum = 0;
      for (const TContributor& C : T.Of(i)) Sum += C.Weight;
      EXPECT_EQ(Sum, 65536) << N << " -> " << M << " at " << i;
      for (const TContributor& C : T.Of(i)) {
        EXPECT_GE(C.Pixel, 0);
        EXPECT_LT(C.Pixel, N);
      }
    }
  }
}

TEST(ContributorTable, OnePixelAxesNeverReadOutsideTheSource) {
  EXPECT_EQ(MirrorIndex(-1, 1), 0);
  EXPECT_EQ(MirrorIndex(1, 1), 0);
  EXPECT_EQ(MirrorIndex(-1, 5), 1);
  EXPECT_EQ(MirrorIndex(5, 5), 4);
  EXPECT_EQ(MirrorIndex(-12, 5), 4);  // the support wider than the axis: clamped
  for (auto [N, M] : {std::pair{1, 1}, {1, 9}, {9, 1}, {2, 1}, {40, 1}}) {
    const TContributorTable T(N, M);
    for (int32_t i = 0; i < M; ++i)
      for (const TContributor& C : T.Of(i)) {
        EXPECT_GE(C.Pixel, 0);
        EXPECT_LT(C.Pixel, N);
      }
  }
}

TEST(ContributorCache, OneTablePerSizePairBuiltOnceAndSharedByBothAxes) {
  const auto A = GetContributors(31, 47);
  EXPECT_EQ(A, GetContributors(31, 47));
  EXPECT_NE(A, GetContributors(47, 31));

  // A square picture resampled twice between the same sizes builds one table.
  const auto Before = GetContributors(23, 29);
  const TBitmap Source = Uniform(23, 23, Grey(90));
  TBitmap Dest(29, 29, 24);
  MitchellResample(Source, Dest);
  MitchellResample(Source, Dest);
  EXPECT_EQ(GetContributors(23, 29), Before);
}

TEST(ContributorCache, KeepsOnlyTheMostRecentTables) {
  const auto Oldest = GetContributors(1001, 1);
  const auto Kept = GetContributors(1002, 1);
  for (int32_t n = 0; n < int32_t(ContributorCacheCapacity); ++n) {
    GetContributors(2000 + n, 1);
    EXPECT_EQ(GetContributors(1002, 1), Kept);  // a request makes it recent again
  }
  EXPECT_EQ(CachedContributorTables(), ContributorCacheCapacity);
  EXPECT_NE(GetContributors(1001, 1), Oldest);  // dropped and built anew
  EXPECT_EQ(Oldest->SourceSize(), 1001);  // still alive where it is held
}

TEST(ContributorCache, ConcurrentRequestsGetTheSameTable) {
  std::vector<std::future<const TContributorTable*>> Requests;
  for (int k = 0; k < 4; ++k)
    Requests.push_back(std::async(std::launch::async, [] { return GetContributors(211, 97).get(); }));
  const TContributorTable* First = Requests[0].get();
  for (size_t k = 1; k < Requests.size(); ++k) EXPECT_EQ(Requests[k].get(), First);
}

// --- High quality -------------------------------------------------------------

TEST(MitchellResample, EqualSizeMirrorsTheEdgesDifferently) {
  // 0, 255, 0 in one row: the left pixel reads its mirror 255 twice, the
  // right pixel reads itself (0) as its mirror.
  const TBitmap Source = Picture(3, 1, [](int32_t x, int32_t) { return Grey(x == 1 ? 255 : 0); });
  TBitmap Dest(3, 1, 24);
  MitchellResample(Source, Dest);
  EXPECT_EQ(RedRow(Dest, 0), (std::vector<int>{28, 227, 14}));  // 226.67 rounds up
}

// Every list of weights sums to exactly 1.0 and sums are rounded: a flat
// picture comes out exactly as it went in, at every depth, size and quality.
TEST(Resampling, FlatColoursStayFlat) {
  const TRGB Colours[] = {{255, 255, 255}, {0, 0, 0}, {200, 100, 37}, {8, 250, 129}};
  const std::array<int32_t, 4> Sizes[] = {{10, 8, 10, 8}, {10, 8, 25, 19}, {40, 30, 13, 7},
                                           {1, 1, 4, 3},  {97, 5, 3, 1},   {600, 400, 397, 265}};
  for (int32_t Depth : {15, 16, 24, 32})
    for (const TRGB& Colour : Colours)
      for (auto [SW, SH, DW, DH] : Sizes)
        for (auto* Resample : {&MitchellResample, &BilinearResample}) {
          const TBitmap Source = Uniform(SW, SH, Colour, Depth);
          const TRGB Expected = GetPixelRGB(Source, 0, 0);  // as the depth holds it
          TBitmap Dest(DW, DH, Depth);
          Resample(Source, Dest);
          int32_t Off = 0;
          for (int32_t y = 0; y < DH; ++y)
            for (int32_t x = 0; x < DW; ++x) Off += GetPixelRGB(Dest, x, y) != Expected;
          EXPECT_EQ(Off, 0) << Depth << "-bit " << SW << "x" << SH << " -> " << DW << "x" << DH
                            << (Resample == &MitchellResample ? " High" : " Good") << " colour "
                            << int(Colour.R) << "," << int(Colour.G) << "," << int(Colour.B);
        }
}

TEST(MitchellResample, OvershootAtSharpEdgesIsClamped) {
  // A dark-to-bright step enlarged: the negative lobes push sums above 255
  // and below 0 beside the step; the result holds 255 and 0 there.
  const int32_t N = 6, M = 17;
  const TBitmap Source = Picture(N, 1, [](int32_t x, int32_t) { return Grey(x < 3 ? 0 : 255); });
  TBitmap Dest(M, 1, 24);
  MitchellResample(Source, Dest);
  const TContributorTable& T = *GetContributors(N, M);
  bool Over = false, Under = false;
  for (int32_t i = 0; i < M; ++i) {
    int32_t Sum = 0;
    for (const TContributor& C : T.Of(i)) Sum += C.Weight * (C.Pixel < 3 ? 0 : 255);
    const int Value = GetPixelRGB(Dest, i, 0).R;
    if (Sum > 0xFF0000) {
      Over = true;
      EXPECT_EQ(Value, 255) << i;
    }
    if (Sum < 0) {
      Under = true;
      EXPECT_EQ(Value, 0) << i;
    }
  }
  EXPECT_TRUE(Over);
  EXPECT_TRUE(Under);
}

TEST(MitchellResample, EveryDepthFiltersItsOwnFields) {
  // Uniform pictures at their channels' tops stay at the top at every depth.
  for (int32_t Depth : {15, 16, 24, 32}) {
    const TBitmap Source = Uniform(6, 5, {255, 255, 255}, Depth);
    TBitmap Dest(6, 5, Depth);
    MitchellResample(Source, Dest);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(GetPixelRGB(Dest, x, y), (TRGB{255, 255, 255})) << Depth;
  }
  // Byte 3 of a 32-bit destination is not written.
  const TBitmap Source = Uniform(2, 2, Grey(7), 32);
  TBitmap Dest(3, 3, 32);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) Dest.ScanLine(y)[4 * x + 3] = 0xAB;
  MitchellResample(Source, Dest);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(Dest.ScanLine(y)[4 * x + 3], 0xAB);
}

TEST(MitchellResample, MismatchedDepthsLeaveTheDestinationAlone) {
  const TBitmap Source = Uniform(4, 4, Grey(200), 16);
  TBitmap Dest = Uniform(4, 4, Grey(9), 24);
  MitchellResample(Source, Dest);
  BilinearResample(Source, Dest);
  EXPECT_EQ(GetPixelRGB(Dest, 2, 2), Grey(9));
}

// A picture with alpha: opaque, it resamples to exactly the colours it has
// without alpha; where it is partly transparent, the colour of an invisible
// pixel never reaches a visible one, and alpha is filtered like a colour.
TEST(Resampling, AlphaWeighsTheColours) {
  const auto Textured = [](int32_t x, int32_t y) { return TRGB{uint8_t(x * 23 + y), uint8_t(y * 31), uint8_t(x * y)}; };
  const TBitmap Opaque24 = Picture(9, 7, Textured);
  const TBitmap Opaque = WithAlpha(Opaque24);
  // Left half invisible red, right half opaque blue.
  TBitmap Halves = WithAlpha(Picture(8, 4, [](int32_t x, int32_t) { return x < 4 ? TRGB{255, 0, 0} : TRGB{0, 0, 255}; }));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) Halves.ScanLine(y)[4 * x + 3] = 0;
  for (const auto Resample : {&MitchellResample, &BilinearResample}) {
    TBitmap Plain(13, 5, 24), WithIt(13, 5, 32);
    WithIt.SetHasAlpha(true);
    Resample(Opaque24, Plain);
    Resample(Opaque, WithIt);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 13; ++x) {
        ASSERT_EQ(GetPixelRGB(WithIt, x, y), GetPixelRGB(Plain, x, y)) << x << "," << y;
        ASSERT_EQ(WithIt.ScanLine(y)[4 * x + 3], 255);
      }
    TBitmap Half(12, 4, 32);
    Half.SetHasAlpha(true);
    Resample(Halves, Half);
    int32_t Between = 0;
    for (int32_t x = 0; x < 12; ++x) {
      const uint8_t Alpha = Half.ScanLine(1)[4 * x + 3];
      if (Alpha > 0) {
        EXPECT_EQ(GetPixelRGB(Half, x, 1), (TRGB{0, 0, 255})) << x;
      }
      Between += Alpha > 0 && Alpha < 255;
    }
    EXPECT_GT(Between, 0) << "alpha is filtered across the edge";
  }
}

// --- Good quality -------------------------------------------------------------

TEST(BilinearResample, WeightsSumToOneAndSumsRound) {
  TBitmap Mid(3, 3, 24);
  BilinearResample(Picture(2, 2, [](int32_t x, int32_t y) { return Grey(uint8_t(x + y ? 101 : 100)); }), Mid);
  EXPECT_EQ(GetPixelRGB(Mid, 1, 1), Grey(101));  // 100.89
  EXPECT_EQ(GetPixelRGB(Mid, 0, 0), Grey(100));
}

TEST(BilinearResample, InterpolatesFromTheFirstPixelAndRepeatsTheLast) {
  const TBitmap Source = Picture(2, 1, [](int32_t x, int32_t) { return Grey(x == 0 ? 0 : 200); });
  TBitmap Dest(4, 1, 24);
  BilinearResample(Source, Dest);
  EXPECT_EQ(RedRow(Dest, 0), (std::vector<int>{0, 100, 200, 200}));  // 100.5 rounds up
}

TEST(BitsPerPixel, RecognisesTheFourDepthsByCountAndMasks) {
  EXPECT_EQ(GetBitsPerPixel(TBitmap(1, 1, 15)), 15);
  EXPECT_EQ(GetBitsPerPixel(TBitmap(1, 1, 16)), 16);
  EXPECT_EQ(GetBitsPerPixel(TBitmap(1, 1, 24)), 24);
  EXPECT_EQ(GetBitsPerPixel(TBitmap(1, 1, 32)), 32);
  EXPECT_EQ(GetBitsPerPixel(TBitmap(1, 1, TBitMasks{0x0F00, 0x00F0, 0x000F})), 0);
}

}  // namespace
}  // namespace carvelo
