#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "GEM.h"

namespace carvelo {
namespace {

constexpr int32_t Stretch = 400;
constexpr int32_t Protect = 214748;

// A photo-like picture: smooth gradients with some edges and noise.
GML_Color Textured(int32_t W, int32_t H, uint32_t Seed) {
  std::mt19937 Random(Seed);
  GML_Color C(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t Edge = ((x / 7 + y / 5) % 3 == 0) ? 90 : 0;
      C.Put(x, y, GML_Pixel(uint8_t(2 * x + Edge + Random() % 9), uint8_t(3 * y + Random() % 5),
                            uint8_t((x * y) % 200 + Edge), 1));
    }
  return C;
}

GML_Int Zeros(int32_t W, int32_t H) { return GML_Int(W, H); }

template <typename Map>
std::vector<typename Map::Element> Bytes(const Map& M) {
  std::vector<typename Map::Element> All;
  for (int32_t y = 0; y < M.Height(); ++y) All.insert(All.end(), M.Row(y), M.Row(y) + M.Width());
  return All;
}

template <typename Map>
void ExpectSameContents(const Map& A, const Map& B) {
  ASSERT_EQ(A.Width(), B.Width());
  ASSERT_EQ(A.Height(), B.Height());
  EXPECT_EQ(Bytes(A), Bytes(B));
}

// Records the total of every pass the driver reports.
struct Passes {
  std::vector<int32_t> Totals;
  int32_t Calls = 0;
  TCarveControl Control() {
    TCarveControl Control;
    Control.Progress = [this](int32_t Done, int32_t Total) {
      ++Calls;
      if (Done == 1) Totals.push_back(Total);
      EXPECT_LE(Done, Total);
    };
    return Control;
  }
};

struct Carved {
  GML_Color Dest;
  GML_Int WorkWeights;
};

Carved Carve(TGEM& Engine, const GML_Color& Source, const GML_Int& Weights, int32_t W, int32_t H,
             int32_t AStretch = Stretch) {
  Carved Out;
  Engine.Carve_Image(Source, Weights, W, H, AStretch, Filter_Prewitt, true, Out.WorkWeights, Out.Dest);
  return Out;
}

TEST(CarveImage, EqualSizeWithZeroWeightsCopiesExactly) {
  const GML_Color Source = Textured(23, 17, 1);
  const GML_Int Weights = Zeros(23, 17);
  TGEM Engine;
  const Carved Out = Carve(Engine, Source, Weights, 23, 17);
  ExpectSameContents(Out.Dest, Source);
  ExpectSameContents(Out.WorkWeights, Weights);
}

TEST(CarveImage, PassesRunInTheFixedOrder) {
  const struct {
    int32_t W, H, ToW, ToH;
    std::vector<int32_t> Totals;
  } Cases[] = {
      {100, 50, 80, 60, {20, 10}},  // width shrink, then height growth
      {40, 30, 45, 20, {10, 5}},    // height shrink before width growth
      {40, 30, 30, 25, {10, 5}},    // width shrink, then height shrink
      {30, 20, 36, 27, {6, 7}},     // width growth, then height growth
  };
  for (const auto& Case : Cases) {
    Passes Seen;
    TGEM Engine(Seen.Control());
    const Carved Out = Carve(Engine, Textured(Case.W, Case.H, 2), Zeros(Case.W, Case.H), Case.ToW, Case.ToH);
    EXPECT_EQ(Seen.Totals, Case.Totals) << Case.ToW << "x" << Case.ToH;
    EXPECT_EQ(Out.Dest.Width(), Case.ToW);
    EXPECT_EQ(Out.Dest.Height(), Case.ToH);
    EXPECT_EQ(Out.WorkWeights.Width(), Case.ToW);
    EXPECT_EQ(Out.WorkWeights.Height(), Case.ToH);
  }
}

// Every pixel carries its origin in red and green; weights number the same
// origins. Marked pixels are never blended, so after shrinking both ways each
// surviving pixel must still sit on its own weight.
TEST(CarveImage, WorkWeightsFollowThePictureColumnForColumn) {
  const int32_t W = 40, H = 30;
  GML_Color Source(W, H);
  GML_Int Weights(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      Source.Put(x, y, GML_Pixel(uint8_t(x), uint8_t(y), uint8_t((x * 37 + y * 11) % 256), 1));
      Weights.Put(x, y, -(1 + x + W * y));
    }
  TGEM Engine;
  const Carved Out = Carve(Engine, Source, Weights, 31, 22);
  ASSERT_EQ(Out.WorkWeights.Width(), 31);
  ASSERT_EQ(Out.WorkWeights.Height(), 22);
  for (int32_t y = 0; y < 22; ++y)
    for (int32_t x = 0; x < 31; ++x) {
      const uint32_t Pixel = Out.Dest.Get(x, y);
      const int32_t OriginX = Pixel & 0xFF, OriginY = (Pixel >> 8) & 0xFF;
      ASSERT_EQ(Out.WorkWeights.Get(x, y), -(1 + OriginX + W * OriginY)) << x << "," << y;
    }
  EXPECT_EQ(Weights.Get(5, 5), -(1 + 5 + W * 5));  // the caller's weights stay as they were
}

TEST(CarveImage, EnlargingLeavesRoomReservedAtTheFinalWidth) {
  TGEM Engine;
  const Carved Out = Carve(Engine, Textured(30, 12, 3), Zeros(30, 12), 41, 12);
  EXPECT_EQ(Out.Dest.Width(), 41);
  EXPECT_EQ(Out.Dest.CapacityWidth(), 41);
}

// The fourth byte does not reach the grey picture, so a picture uniform in
// colour has no energy at all, while the fourth byte shows where columns went.
TEST(EnlargeWidth, StretchSpreadsInsertionsAndZeroStacksThem) {
  GML_Color Source(10, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 10; ++x) Source.Put(x, y, GML_Pixel(50, 60, 70, uint8_t(20 * x)));
  const auto FourthBytes = [](const GML_Color& C, int32_t y) {
    std::vector<int32_t> Values;
    for (int32_t x = 0; x < 5; ++x) Values.push_back(int32_t(C.Get(x, y) >> 24));
    return Values;
  };
  for (int32_t AStretch : {0, 800}) {
    GML_Int Weights = Zeros(10, 4);
    GML_Color Dest;
    TGEM().Enlarge_Width(Source, Weights, 12, AStretch, Filter_Prewitt, true, Dest);
    ASSERT_EQ(Dest.Width(), 12);
    for (int32_t y = 0; y < 4; ++y)
      EXPECT_EQ(FourthBytes(Dest, y), AStretch == 0 ? (std::vector<int32_t>{0, 0, 0, 20, 40})
                                                    : (std::vector<int32_t>{0, 0, 10, 20, 40}))
          << AStretch;
  }
}

// Weights for the passes below: marked, all zero, and all zero over spare
// capacity that still holds old values (as after a narrowing pass).
std::vector<GML_Int> PassWeights(int32_t W, int32_t H) {
  std::vector<GML_Int> All;
  All.emplace_back(W, H);
  All.back().Put(W / 2, H / 2, Protect);
  All.back().Put(3, 2, -Protect);
  All.emplace_back(W, H);
  All.emplace_back(W + 7, H);
  All.back().Fill(-7);
  All.back().SetWidth(W);
  All.back().Fill(0);
  return All;
}

// The passes against their loops spelt out with the public steps: weights
// plus penalties summed before every search, every map moved with the seam.
// The filters and stretches take the pass through each way it keeps its
// energies (16 or 32 bits) and its penalties (counts of Stretch or values).
TEST(EnlargeWidth, EqualsTheLoopOfSumSearchInsert) {
  struct TCase {
    uint8_t Filter;
    int32_t Stretch;
  };
  const GML_Color Source = Textured(33, 21, 13);
  for (const TCase Case : {TCase{Filter_Sobel, Stretch}, TCase{Filter_V_Square, Stretch}, TCase{Filter_Prewitt, -300},
                           TCase{Filter_V_Square, -1}})
    for (GML_Int& W : PassWeights(33, 21)) {
      GML_Int Expected_W;
      Expected_W.Assign(W);
      TGEM Engine;
      GML_Color Dest;
      Engine.Enlarge_Width(Source, W, 45, Case.Stretch, Case.Filter, true, Dest);

      GML_Color Expected;
      Expected.Assign(Source);
      GML_Gray Gray(33, 21);
      GML_Int E(33, 21), M(33, 21), P(33, 21), Sum(33, 21);
      Engine.Grayscale_Image(Source, Gray);
      Engine.Edge_Detect(Gray, E, Case.Filter);
      PAPixel Path;
      for (int32_t Seam = 0; Seam < 12; ++Seam) {
        Engine.Add_Weights(Expected_W, P, Sum);
        Engine.Find_Seam(E, Sum, M, Path, true, Seam == 0);
        Engine.Add_Path(Expected, Path, Expected_W, E, Gray, P, M, Case.Stretch, Case.Filter);
      }
      SCOPED_TRACE(testing::Message() << "filter " << int(Case.Filter) << ", stretch " << Case.Stretch);
      ExpectSameContents(Dest, Expected);
      ExpectSameContents(W, Expected_W);
    }
}

TEST(ShrinkWidth, EqualsTheLoopOfSearchRemove) {
  const GML_Color Source = Textured(33, 21, 14);
  for (GML_Int& W : PassWeights(33, 21)) {
    GML_Int Expected_W;
    Expected_W.Assign(W);
    TGEM Engine;
    GML_Color Dest;
    Engine.Shrink_Width(Source, W, 24, Filter_V1, false, Dest);

    GML_Color Expected;
    Expected.Assign(Source);
    GML_Gray Gray(33, 21);
    GML_Int E(33, 21), M(33, 21);
    Engine.Grayscale_Image(Source, Gray);
    Engine.Edge_Detect(Gray, E, Filter_V1);
    PAPixel Path;
    for (int32_t Seam = 0; Seam < 9; ++Seam) {
      Engine.Find_Seam(E, Expected_W, M, Path, false, Seam == 0);
      Engine.Remove_Path(Expected, Path, Expected_W, E, Gray, M, Filter_V1);
    }
    ExpectSameContents(Dest, Expected);
    ExpectSameContents(W, Expected_W);
  }
}

TEST(RemoveAreas, BlockFiveWideThreeHighRemovesRowsAndGrowsBack) {
  const GML_Color Source = Textured(30, 20, 4);
  GML_Int Weights = Zeros(30, 20);
  for (int32_t y = 8; y < 11; ++y)
    for (int32_t x = 10; x < 15; ++x) Weights.Put(x, y, -Protect);
  Passes Seen;
  TGEM Engine(Seen.Control());
  GML_Int WorkWeights;
  GML_Color Dest;
  Engine.Remove_Areas(Source, Weights, 0, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
  EXPECT_EQ(Seen.Totals, (std::vector<int32_t>{3, 3}));  // three rows out, three rows back
  EXPECT_EQ(Dest.Width(), 30);
  EXPECT_EQ(Dest.Height(), 20);
  ASSERT_EQ(WorkWeights.Width(), 30);
  ASSERT_EQ(WorkWeights.Height(), 20);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 30; ++x) ASSERT_GE(WorkWeights.Get(x, y), 0);
}

TEST(RemoveAreas, ModesChooseColumnsOrRows) {
  const GML_Color Source = Textured(30, 20, 5);
  GML_Int Weights = Zeros(30, 20);
  for (int32_t y = 5; y < 9; ++y)
    for (int32_t x = 10; x < 12; ++x) Weights.Put(x, y, -Protect);  // 2 columns, 4 rows
  const std::pair<uint8_t, int32_t> Expected[] = {{0, 2}, {1, 2}, {2, 4}};
  for (auto [Mode, FirstPass] : Expected) {
    Passes Seen;
    TGEM Engine(Seen.Control());
    GML_Int WorkWeights;
    GML_Color Dest;
    Engine.Remove_Areas(Source, Weights, Mode, 1, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
    ASSERT_FALSE(Seen.Totals.empty());
    EXPECT_EQ(Seen.Totals.front(), FirstPass) << int(Mode);
    EXPECT_EQ(Dest.Width(), 30);
    EXPECT_EQ(Dest.Height(), 20);
  }
}

TEST(RemoveAreas, WithoutRemoveMarksOrWithAnUnknownModeCopies) {
  const GML_Color Source = Textured(19, 13, 6);
  GML_Int Weights = Zeros(19, 13);
  Weights.Put(4, 4, Protect);
  GML_Int Marked = Zeros(19, 13);
  Marked.Put(3, 3, -Protect);
  const std::pair<const GML_Int*, uint8_t> Cases[] = {{&Weights, 0}, {&Weights, 1}, {&Weights, 2}, {&Marked, 3}};
  for (auto [Map, Mode] : Cases) {
    Passes Seen;
    TGEM Engine(Seen.Control());
    GML_Int WorkWeights;
    GML_Color Dest;
    Engine.Remove_Areas(Source, *Map, Mode, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
    EXPECT_TRUE(Seen.Totals.empty());
    ExpectSameContents(Dest, Source);
    ExpectSameContents(WorkWeights, *Map);
  }
}

// Each round keeps one column (row): the first removes all but one, later
// rounds find nothing left to remove, and the picture grows back by as many.
TEST(RemoveAreas, MarksOnEveryRowAndColumnNeverCarveThePictureAway) {
  for (auto [W, H] : {std::pair{6, 4}, {4, 6}, {5, 5}, {1, 5}, {5, 1}, {1, 1}, {2, 2}})
    for (uint8_t Mode : {0, 1, 2}) {
      const GML_Color Source = Textured(W, H, 7);
      GML_Int Weights(W, H);
      Weights.Fill(-Protect);
      Passes Seen;
      TGEM Engine(Seen.Control());
      GML_Int WorkWeights;
      GML_Color Dest;
      Engine.Remove_Areas(Source, Weights, Mode, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
      EXPECT_EQ(Dest.Width(), W);
      EXPECT_EQ(Dest.Height(), H);
      EXPECT_EQ(WorkWeights.Width(), W);
      EXPECT_EQ(WorkWeights.Height(), H);
      const bool Rows = Mode == 2 || (Mode == 0 && H < W);
      const int32_t All_But_One = (Rows ? H : W) - 1;
      EXPECT_EQ(Seen.Totals, std::vector<int32_t>(All_But_One > 0 ? 2 : 0, All_But_One))
          << W << "x" << H << " mode " << int(Mode);
    }
}

// On equal counts the automatic mode removes columns: it carves exactly as
// the column mode does, and unlike the row mode.
TEST(RemoveAreas, AutomaticModeRemovesColumnsOnATie) {
  const GML_Color Source = Textured(30, 20, 16);
  for (int32_t Side : {1, 3}) {  // one marked pixel, a square block
    GML_Int Weights = Zeros(30, 20);
    for (int32_t y = 8; y < 8 + Side; ++y)
      for (int32_t x = 12; x < 12 + Side; ++x) Weights.Put(x, y, -Protect);
    const auto Carved_In = [&](uint8_t Mode) {
      TGEM Engine;
      GML_Int WorkWeights;
      GML_Color Dest;
      Engine.Remove_Areas(Source, Weights, Mode, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
      return Bytes(Dest);
    };
    const std::vector<uint32_t> Automatic = Carved_In(0);
    EXPECT_EQ(Automatic, Carved_In(1)) << Side;
    EXPECT_NE(Automatic, Carved_In(2)) << Side;
  }
}

TEST(CarveResize, EqualSizeOnlyCopies) {
  const GML_Color Source = Textured(9, 8, 8);
  GML_Int Weights(9, 8);
  Weights.Fill(-3);
  GML_Color Dest(2, 2);
  Passes Seen;
  TGEM(Seen.Control()).Carve_Resize(Source, Weights, 9, 8, Stretch, Filter_Prewitt, true, Dest);
  ExpectSameContents(Dest, Source);
  EXPECT_EQ(Weights.Get(8, 7), -3);
  EXPECT_EQ(Seen.Calls, 0);
}

TEST(CarveImage, OneColumnAndOneRowPictures) {
  for (auto [W, H, ToW, ToH] : {std::tuple{1, 10, 3, 10}, {3, 10, 1, 10}, {10, 1, 10, 3}, {10, 3, 10, 1},
                                {1, 1, 2, 2}, {2, 2, 1, 1}}) {
    TGEM Engine;
    const Carved Out = Carve(Engine, Textured(W, H, 9), Zeros(W, H), ToW, ToH);
    EXPECT_EQ(Out.Dest.Width(), ToW);
    EXPECT_EQ(Out.Dest.Height(), ToH);
  }
}

TEST(CarveImage, ObserverCountsSeamsAndStopEndsTheCarveEarly) {
  std::vector<std::pair<int32_t, int32_t>> Told;
  std::atomic<bool> Stop = false;
  TCarveControl Control;
  Control.Progress = [&](int32_t Done, int32_t Total) {
    Told.emplace_back(Done, Total);
    if (Done == 3) Stop = true;
  };
  Control.Stop = &Stop;
  TGEM Engine(Control);
  Carve(Engine, Textured(40, 30, 10), Zeros(40, 30), 30, 20);
  EXPECT_EQ(Told, (std::vector<std::pair<int32_t, int32_t>>{{1, 10}, {2, 10}, {3, 10}}));

  Told.clear();
  Stop = false;
  Carve(Engine, Textured(12, 10, 10), Zeros(12, 10), 10, 12);
  EXPECT_EQ(Told, (std::vector<std::pair<int32_t, int32_t>>{{1, 2}, {2, 2}, {1, 2}, {2, 2}}));
}

// Whatever the threads' timing, a carve gives the same bytes every time.
TEST(CarveImage, RepeatedCarvesGiveIdenticalBytes) {
  const GML_Color Source = Textured(61, 41, 11);
  GML_Int Weights = Zeros(61, 41);
  for (int32_t y = 20; y < 30; ++y)
    for (int32_t x = 30; x < 40; ++x) Weights.Put(x, y, (x + y) % 2 ? Protect : -Protect / 3);
  for (auto [W, H] : {std::pair{50, 41}, {61, 30}, {70, 47}, {52, 49}}) {
    TGEM Engine;
    const Carved First = Carve(Engine, Source, Weights, W, H);
    for (int Run = 0; Run < 6; ++Run) {
      const Carved Again = Carve(Engine, Source, Weights, W, H);
      ASSERT_EQ(Bytes(Again.Dest), Bytes(First.Dest)) << W << "x" << H << " run " << Run;
      ASSERT_EQ(Bytes(Again.WorkWeights), Bytes(First.WorkWeights)) << W << "x" << H << " run " << Run;
    }
  }
}

uint64_t Fnv1a(const std::vector<uint32_t>& Words, uint64_t Hash = 14695981039346656037ull) {
  for (uint32_t Word : Words)
    for (int Byte = 0; Byte < 4; ++Byte) Hash = (Hash ^ ((Word >> (8 * Byte)) & 0xFF)) * 1099511628211ull;
  return Hash;
}

// Every build, native or Windows, 32- or 64-bit, must carve to these very
// bytes: they were recorded from the native build.
TEST(CarveImage, EveryBuildCarvesTheSameBytes) {
  const GML_Color Source = Textured(64, 48, 15);
  GML_Int Weights = Zeros(64, 48);
  for (int32_t y = 10; y < 20; ++y) {
    Weights.Put(12, y, -Protect);
    Weights.Put(40, y, Protect);
  }
  const std::pair<std::pair<int32_t, int32_t>, uint64_t> Expected[] = {
      {{50, 56}, 5974410895888731164ull},   // width shrink, height growth
      {{75, 40}, 12463499021257915779ull},  // height shrink, width growth
      {{64, 48}, 11573633025639663007ull},  // the marks carved out and grown back
  };
  for (const auto& [Size, Hash] : Expected) {
    TGEM Engine;
    const Carved Out = Carve(Engine, Source, Weights, Size.first, Size.second);
    const std::vector<int32_t> W = Bytes(Out.WorkWeights);
    EXPECT_EQ(Fnv1a(std::vector<uint32_t>(W.begin(), W.end()), Fnv1a(Bytes(Out.Dest))), Hash)
        << Size.first << "x" << Size.second;
  }
}

// The fourth byte of a pixel (a picture's alpha) travels with its pixel
// through removal, insertion and object removal, and never sways a seam:
// with it equal to the red byte, it still equals red afterwards, and the
// colour bytes are those of the same picture with a constant fourth byte.
TEST(CarveImage, TheFourthByteMovesWithItsPixel) {
  const GML_Color Plain = Textured(64, 48, 19);
  GML_Color Tinted(64, 48);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x) Tinted.Put(x, y, (Plain.Get(x, y) & 0xFFFFFFu) | (Plain.Get(x, y) & 0xFFu) << 24);
  for (const auto& [W, H, Masked] : {std::tuple{50, 56, false}, std::tuple{75, 40, false}, std::tuple{64, 48, true}}) {
    GML_Int Weights = Zeros(64, 48);
    for (int32_t y = 10; Masked && y < 20; ++y) Weights.Put(30, y, -Protect);  // carved out and grown back
    TGEM Engine;
    const Carved A = Carve(Engine, Plain, Weights, W, H), B = Carve(Engine, Tinted, Weights, W, H);
    ASSERT_EQ(A.Dest.Width(), B.Dest.Width());
    ASSERT_EQ(A.Dest.Height(), B.Dest.Height());
    for (int32_t y = 0; y < B.Dest.Height(); ++y)
      for (int32_t x = 0; x < B.Dest.Width(); ++x) {
        const uint32_t Pixel = B.Dest.Get(x, y);
        ASSERT_EQ(Pixel >> 24, Pixel & 0xFFu) << W << "x" << H << " at " << x << "," << y;
        ASSERT_EQ(Pixel & 0xFFFFFFu, A.Dest.Get(x, y) & 0xFFFFFFu) << W << "x" << H << " at " << x << "," << y;
      }
  }
}

// Solid marks hold in their widest row as many marks as the columns they
// cover, and in their tallest column as many as the rows they cover: every
// build carves them to these very bytes, recorded from the native build.
TEST(RemoveAreas, SolidMarksCarveTheSameBytes) {
  const GML_Color Source = Textured(64, 48, 17);
  const std::pair<std::function<bool(int32_t, int32_t)>, uint64_t> Cases[] = {
      // wide: rows out
      {[](int32_t x, int32_t y) { return x >= 20 && x < 31 && y >= 14 && y < 21; }, 13280626665155934117ull},
      // tall: columns out
      {[](int32_t x, int32_t y) { return x >= 8 && x < 13 && y >= 5 && y < 30; }, 18337503331508847486ull},
      // a disc, as wide as high: columns out
      {[](int32_t x, int32_t y) { return (x - 40) * (x - 40) + (y - 24) * (y - 24) <= 36; }, 9992473010709445054ull},
  };
  for (const auto& [Marked, Hash] : Cases) {
    GML_Int Weights = Zeros(64, 48);
    for (int32_t y = 0; y < 48; ++y)
      for (int32_t x = 0; x < 64; ++x)
        if (Marked(x, y)) Weights.Put(x, y, -Protect);
    TGEM Engine;
    GML_Int WorkWeights;
    GML_Color Dest;
    Engine.Remove_Areas(Source, Weights, 0, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
    const std::vector<int32_t> W = Bytes(WorkWeights);
    EXPECT_EQ(Fnv1a(std::vector<uint32_t>(W.begin(), W.end()), Fnv1a(Bytes(Dest))), Hash);
  }
}

// A thin slanted stroke touches every row and every column, but holds at most
// two marks in a row and one in a column: one row goes out and comes back,
// and the picture stays whole instead of being carved down to one row.
TEST(RemoveAreas, AThinSlantedStrokeTakesFewSeams) {
  const int32_t W = 60, H = 40;
  const GML_Color Source = Textured(W, H, 18);
  GML_Int Weights = Zeros(W, H);
  for (int32_t x = 0; x < W; ++x) Weights.Put(x, x * (H - 1) / (W - 1), -Protect);
  Passes Seen;
  TGEM Engine(Seen.Control());
  GML_Int WorkWeights;
  GML_Color Dest;
  Engine.Remove_Areas(Source, Weights, 0, 10, Stretch, Filter_Prewitt, true, WorkWeights, Dest);
  EXPECT_EQ(Seen.Totals, (std::vector<int32_t>{1, 1}));
  int32_t Kept = 0;  // pixels above or below both seams keep their place
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Kept += Dest.Get(x, y) == Source.Get(x, y);
  EXPECT_GT(Kept, W * H / 3);
  for (int32_t Value : Bytes(WorkWeights)) ASSERT_GE(Value, 0);  // the stroke is gone
}

TEST(WidenMap, KeepsSizeAndValuesAndMakesRoom) {
  GML_Int Map(4, 3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) Map.Put(x, y, 10 * y + x);
  const std::vector<int32_t> Before = Bytes(Map);
  TGEM::Widen_Map(Map, 9);
  EXPECT_EQ(Map.Width(), 4);
  EXPECT_EQ(Map.Height(), 3);
  EXPECT_GE(Map.CapacityWidth(), 9);
  EXPECT_EQ(Bytes(Map), Before);
}

TEST(CopyPixels, CopiesFromsSizeWithoutResizing) {
  const GML_Color From = Textured(3, 2, 12);
  GML_Color To(5, 4);
  To.Put(4, 3, 99);
  TGEM::Copy_Pixels(From, To);
  EXPECT_EQ(To.Width(), 5);
  EXPECT_EQ(To.Height(), 4);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(To.Get(x, y), From.Get(x, y));
  EXPECT_EQ(To.Get(4, 3), 99u);
  EXPECT_EQ(To.Get(3, 0), 0u);
}

}  // namespace
}  // namespace carvelo
