#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "GEM.h"

namespace carvelo {
namespace {

GML_Int MapOf(int32_t W, int32_t H, std::initializer_list<int32_t> Values) {
  GML_Int Map(W, H);
  auto It = Values.begin();
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Map.Put(x, y, *It++);
  return Map;
}

GML_Int Filled(int32_t W, int32_t H, int32_t Value) {
  GML_Int Map(W, H);
  Map.Fill(Value);
  return Map;
}

GML_Int RandomMap(std::mt19937& Random, int32_t W, int32_t H, int32_t Low, int32_t High) {
  std::uniform_int_distribution<int32_t> Value(Low, High);
  GML_Int Map(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Map.Put(x, y, Value(Random));
  return Map;
}

std::vector<int32_t> Row(const GML_Int& Map, int32_t Y) { return {Map.Row(Y), Map.Row(Y) + Map.Width()}; }

std::vector<int32_t> Columns(const PAPixel& Path) {
  std::vector<int32_t> X;
  for (size_t y = 0; y < Path.size(); ++y) {
    EXPECT_EQ(Path[y].Y, int32_t(y));
    X.push_back(Path[y].X);
  }
  return X;
}

// One point per row, inside the picture, neighbouring rows at most one apart.
void ExpectValidSeam(const PAPixel& Path, int32_t W, int32_t H) {
  ASSERT_EQ(int32_t(Path.size()), H);
  for (int32_t y = 0; y < H; ++y) {
    ASSERT_EQ(Path[y].Y, y);
    ASSERT_GE(Path[y].X, 0);
    ASSERT_LT(Path[y].X, W);
    if (y > 0) {
      ASSERT_LE(std::abs(Path[y].X - Path[y - 1].X), 1);
    }
  }
}

// --- A sequential model of the search: both column halves row by row, each
// with its own window, from the written rules alone. -----------------------

int64_t ModelCost(const GML_Int& E, const GML_Int& W, const GML_Int& M, int32_t X, int32_t Y, bool Forward) {
  const int32_t Width = E.Width();
  auto m = [&](int32_t x) { return int64_t(M.Get(x, Y - 1)); };
  auto e = [&](int32_t x, int32_t y) { return int64_t(E.GetClamped(x, y)); };
  if (X == 0 || X == Width - 1) {
    int64_t Best = m(X);
    if (X - 1 >= 0) Best = std::min(Best, m(X - 1));
    if (X + 1 < Width) Best = std::min(Best, m(X + 1));
    return Best + E.Get(X, Y) + W.Get(X, Y);
  }
  if (!Forward) return std::min({m(X - 1), m(X), m(X + 1)}) + E.Get(X, Y) + W.Get(X, Y);
  const int64_t Up = std::llabs(e(X + 1, Y) - e(X - 1, Y));
  const int64_t Left = Up + std::llabs(e(X, Y - 1) - e(X - 1, Y));
  const int64_t Right = Up + std::llabs(e(X, Y - 1) - e(X + 1, Y));
  return std::min({m(X - 1) + Left, m(X) + Up, m(X + 1) + Right}) + W.Get(X, Y);
}

int32_t Clamp32(int64_t V) { return int32_t(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX)); }

void ModelEnergyPath(const GML_Int& E, const GML_Int& W, GML_Int& M, bool Forward, const PAPixel& Previous) {
  const int32_t Width = E.Width(), Height = E.Height(), Half = Width / 2;
  struct Half_ {
    int32_t First, Last, Left, Right;
  } Halves[2] = {{0, Half, 0, 0}, {Half + 1, Width - 1, 0, 0}};
  for (auto& H : Halves) {
    H.Left = Previous.empty() ? H.First : std::max(H.First, Previous[0].X - 3);
    H.Right = Previous.empty() ? H.Last : std::min(H.Last, Previous[0].X + 2);
    for (int32_t X = H.Left; X <= H.Right; ++X) M.Put(X, 0, Clamp32(int64_t(E.Get(X, 0)) + W.Get(X, 0)));
  }
  for (int32_t Y = 1; Y < Height; ++Y)
    for (auto& H : Halves) {
      H.Left = std::max(H.First, H.Left - 1);
      H.Right = std::min(H.Last, H.Right + 1);
      const int32_t From = H.Left, To = H.Right;
      for (int32_t X = From; X <= To; ++X) {
        const int32_t G = Clamp32(ModelCost(E, W, M, X, Y, Forward));
        if (Previous.empty() || G != M.Get(X, Y)) {
          M.Put(X, Y, G);
          continue;
        }
        const int32_t Seam = Previous[Y].X;
        if (X == H.Left && H.Left + 3 < Seam) ++H.Left;
        if (X == H.Right && Seam < H.Right - 2) --H.Right;
      }
    }
}

// ---------------------------------------------------------------------------

TEST(FindSeam, AllZeroMapsGiveZeroCostsAndTheSeamAtColumnZero) {
  for (bool Forward : {false, true})
    for (int32_t W : {1, 2, 3, 4, 7, 64}) {
      const GML_Int E = Filled(W, 9, 0), Weights = Filled(W, 9, 0);
      GML_Int M = Filled(W, 9, 77);
      PAPixel Path;
      EXPECT_EQ(TGEM().Find_Seam(E, Weights, M, Path, Forward, true), 0);
      for (int32_t y = 0; y < 9; ++y) ASSERT_EQ(Row(M, y), std::vector<int32_t>(W, 0)) << W;
      EXPECT_EQ(Columns(Path), std::vector<int32_t>(9, 0)) << W;
    }
}

TEST(FindSeam, PlainRecurrenceExactValues) {
  const GML_Int E = MapOf(3, 3, {1, 2, 3,  //
                                 4, 0, 6,  //
                                 1, 1, 1});
  GML_Int Weights(3, 3);
  Weights.Put(1, 2, 10);
  GML_Int M(3, 3);
  PAPixel Path;
  EXPECT_EQ(TGEM().Find_Seam(E, Weights, M, Path, false, true), 2);
  EXPECT_EQ(Row(M, 0), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(Row(M, 1), (std::vector<int32_t>{5, 1, 8}));    // borders read the one neighbour inside
  EXPECT_EQ(Row(M, 2), (std::vector<int32_t>{2, 12, 2}));   // two equal ends: the left one
  EXPECT_EQ(Columns(Path), (std::vector<int32_t>{0, 1, 0}));
}

TEST(FindSeam, ForwardRecurrenceExactValues) {
  const GML_Int E = MapOf(4, 3, {0, 5, 2, 7,  //
                                 3, 1, 4, 1,  //
                                 2, 2, 9, 0});
  GML_Int Weights(4, 3), M(4, 3);
  PAPixel Path;
  EXPECT_EQ(TGEM().Find_Seam(E, Weights, M, Path, true, true), 2);
  EXPECT_EQ(Row(M, 0), (std::vector<int32_t>{0, 5, 2, 7}));
  EXPECT_EQ(Row(M, 1), (std::vector<int32_t>{3, 3, 2, 3}));  // inner columns leave out their own energy
  EXPECT_EQ(Row(M, 2), (std::vector<int32_t>{5, 10, 4, 2}));
  EXPECT_EQ(Columns(Path), (std::vector<int32_t>{2, 2, 3}));

  Weights.Put(1, 1, -4);  // the weight is added on top of the cheapest step
  TGEM().Find_Seam(E, Weights, M, Path, true, true);
  EXPECT_EQ(M.Get(1, 1), -1);
}

TEST(FindSeam, OneAndTwoColumnPictures) {
  // One column: only the value straight above counts, never one beyond the
  // logical width (the map's spare capacity holds -1000 here).
  const GML_Int E1 = MapOf(1, 3, {2, 3, 4}), W1 = MapOf(1, 3, {1, 0, -1});
  GML_Int M1 = Filled(5, 3, -1000);
  PAPixel Path;
  EXPECT_EQ(TGEM().Find_Seam(E1, W1, M1, Path, true, true), 9);
  EXPECT_EQ(M1.Width(), 1);
  EXPECT_EQ(M1.Get(0, 1), 6);
  EXPECT_EQ(M1.Get(0, 2), 9);
  EXPECT_EQ(Columns(Path), (std::vector<int32_t>{0, 0, 0}));

  const GML_Int E2 = MapOf(2, 3, {4, 1,  //
                                  2, 2,  //
                                  0, 5});
  for (bool Forward : {false, true}) {
    GML_Int M2(2, 3);
    EXPECT_EQ(TGEM().Find_Seam(E2, Filled(2, 3, 0), M2, Path, Forward, true), 3);
    EXPECT_EQ(Row(M2, 1), (std::vector<int32_t>{3, 3}));
    EXPECT_EQ(Row(M2, 2), (std::vector<int32_t>{3, 8}));
    EXPECT_EQ(Columns(Path), (std::vector<int32_t>{1, 0, 0}));
  }

  std::mt19937 Random(8);
  for (int32_t W : {1, 2})
    for (bool Forward : {false, true}) {
      const GML_Int E = RandomMap(Random, W, 40, 0, 1530), Weights = RandomMap(Random, W, 40, -50, 50);
      GML_Int M(W, 40);
      TGEM().Find_Seam(E, Weights, M, Path, Forward, true);
      ExpectValidSeam(Path, W, 40);
      for (int Seam = 0; Seam < 3; ++Seam) {  // updates too
        TGEM().Find_Seam(E, Weights, M, Path, Forward, false);
        ExpectValidSeam(Path, W, 40);
      }
    }
}

TEST(TracePath, TiesKeepTheMiddleThenTheLeft) {
  // Read from the bottom: the end stays; 4 4 4 keeps the middle; 1 _ 1 goes left.
  const GML_Int M = MapOf(5, 3, {9, 1, 5, 1, 9,  //
                                 9, 4, 4, 4, 9,  //
                                 9, 9, 3, 9, 9});
  PAPixel Path;
  TGEM::Trace_Path(M, 2, Path);
  EXPECT_EQ(Columns(Path), (std::vector<int32_t>{1, 2, 2}));
}

TEST(TracePath, NeverStepsOutsideEvenPastSaturatedValues) {
  const GML_Int M = MapOf(2, 3, {INT32_MAX, INT32_MAX,  //
                                 INT32_MAX, 5,          //
                                 INT32_MAX, INT32_MAX});
  PAPixel Path;
  TGEM::Trace_Path(M, 0, Path);
  EXPECT_EQ(Columns(Path), (std::vector<int32_t>{1, 1, 0}));
}

TEST(FindSeam, RemoveMarksDrawTheSeamAndProtectMarksRepelIt) {
  // Uniform grey has zero energy everywhere, so the weights alone decide.
  const auto Columns_To_Try = [](int32_t W) {
    std::vector<int32_t> X;
    for (int32_t x = 0; x < W; ++x)
      if (W <= 8 || x < 2 || x > W - 3 || std::abs(x - W / 2) <= 1) X.push_back(x);  // ends and the middle
    return X;
  };
  for (bool Forward : {false, true})
    for (int32_t W : {2, 3, 4, 5, 8, 33})
      for (int32_t H : {1, 2, 5})
        for (int32_t x0 : Columns_To_Try(W))
          for (int32_t y0 = 0; y0 < H; ++y0)
            for (int32_t Weight : {-214748, 214748}) {
              const GML_Int E = Filled(W, H, 0);
              GML_Int Weights = Filled(W, H, 0), M(W, H);
              Weights.Put(x0, y0, Weight);
              PAPixel Path;
              TGEM().Find_Seam(E, Weights, M, Path, Forward, true);
              if (Weight < 0)
                ASSERT_EQ(Path[y0].X, x0) << W << "x" << H << " at " << x0 << "," << y0;
              else
                ASSERT_NE(Path[y0].X, x0) << W << "x" << H << " at " << x0 << "," << y0;
            }
}

TEST(FindSeam, CostsSaturateInsteadOfWrapping) {
  // Two columns of heavily protected pixels: their sums pass 2^31 after two
  // rows. Wrapped, column 0 would turn hugely negative and win.
  for (bool Forward : {false, true}) {
    GML_Int Weights(3, 6);
    for (int32_t y = 0; y < 6; ++y) {
      Weights.Put(0, y, 1 << 30);
      Weights.Put(1, y, 1 << 30);
      Weights.Put(2, y, 7);
    }
    GML_Int M(3, 6);
    PAPixel Path;
    EXPECT_EQ(TGEM().Find_Seam(Filled(3, 6, 0), Weights, M, Path, Forward, true), 42);
    EXPECT_EQ(Columns(Path), std::vector<int32_t>(6, 2));
    for (int32_t y = 1; y < 6; ++y) EXPECT_EQ(M.Get(0, y), INT32_MAX) << y;
    EXPECT_EQ(M.Get(1, 1), (1 << 30) + 7);
  }
  // Downwards too: -2^31 is still exact, one step further sticks there.
  GML_Int M(1, 4);
  PAPixel Path;
  TGEM().Find_Seam(Filled(1, 4, 0), Filled(1, 4, -(1 << 30)), M, Path, false, true);
  EXPECT_EQ(Row(M, 0)[0], -(1 << 30));
  EXPECT_EQ(Row(M, 1)[0], INT32_MIN);
  EXPECT_EQ(Row(M, 3)[0], INT32_MIN);
}

TEST(FindSeam, InnerColumnsSaturateToo) {
  // Every cell weighs 2^30 (or -2^30), so every sum leaves the range from
  // row 1 or 2 on, in the inner columns as in the border ones.
  for (bool Forward : {false, true})
    for (int32_t W : {3, 6})
      for (int32_t Weight : {1 << 30, -(1 << 30)}) {
        GML_Int M(W, 4);
        PAPixel Path;
        TGEM().Find_Seam(Filled(W, 4, 0), Filled(W, 4, Weight), M, Path, Forward, true);
        for (int32_t y = 1; y < 4; ++y)
          ASSERT_EQ(Row(M, y), std::vector<int32_t>(W, Weight > 0 ? INT32_MAX : INT32_MIN))
              << W << " wide, row " << y << ", forward " << Forward << ", weight " << Weight;
      }
}

// The update belongs to each column half: here the right half's window
// closes in from the middle over unchanged values while the left half's
// window is still busy at its own last column. One window across the whole
// row would have revisited (11, 6) and (12, 6) and repaired them.
TEST(EnergyPath, UpdateWindowsAreClampedToEachHalf) {
  const int32_t W = 20, H = 8;  // left half owns 0..10, right half 11..19
  const GML_Int E = Filled(W, H, 0), Weights = Filled(W, H, 0);
  GML_Int M = Filled(W, H, 0);
  PAPixel Previous;
  for (int32_t y = 0; y < H; ++y) Previous.push_back({18, y});
  // Changed values at the right half's left end keep it widening to column 11...
  const std::pair<int32_t, int32_t> Widening[] = {{14, 1}, {13, 2}, {12, 3}, {11, 4}};
  for (auto [x, y] : Widening) M.Put(x, y, 50);
  M.Put(10, 5, 50);  // ...and one keeps the left half's window open at column 10 in row 5
  M.Put(11, 6, 77);
  M.Put(12, 6, 77);
  const GML_Int Before = [&] {
    GML_Int Copy;
    Copy.Assign(M);
    return Copy;
  }();
  TGEM().Energy_Path(E, Weights, M, true, Previous);

  for (auto [x, y] : Widening) EXPECT_EQ(M.Get(x, y), 0) << x << "," << y;
  EXPECT_EQ(M.Get(10, 5), 0);
  EXPECT_EQ(M.Get(11, 6), 77);
  EXPECT_EQ(M.Get(12, 6), 77);
  GML_Int Model;
  Model.Assign(Before);
  ModelEnergyPath(E, Weights, Model, true, Previous);
  for (int32_t y = 0; y < H; ++y) EXPECT_EQ(Row(M, y), Row(Model, y)) << y;
}

TEST(EnergyPath, UpdateWritesNothingOutsideTheWidenedBand) {
  // M is garbage, so every visited value is rewritten and no window shrinks:
  // the writes cover exactly three columns left and two right of the old
  // seam's top, one more a side per row.
  const int32_t W = 30, H = 9;
  std::mt19937 Random(4);
  // Energies of 1 or more make every recomputed value differ from -5.
  const GML_Int E = RandomMap(Random, W, H, 1, 1000), Weights = Filled(W, H, 0);
  for (int32_t Top : {0, 7, 15, 16, 29}) {
    GML_Int M = Filled(W, H, -5);
    PAPixel Previous;
    for (int32_t y = 0; y < H; ++y) Previous.push_back({Top, y});
    TGEM().Energy_Path(E, Weights, M, false, Previous);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) {
        const bool Inside = x >= Top - 3 - y && x <= Top + 2 + y;
        ASSERT_EQ(M.Get(x, y) == -5, !Inside) << Top << " at " << x << "," << y;
      }
  }
}

TEST(EnergyPath, FullSearchAndUpdatesFollowTheRulesAtEveryWidth) {
  std::mt19937 Random(21);
  for (bool Forward : {false, true})
    for (int32_t W : {1, 2, 3, 4, 5, 6, 9, 16, 31, 64, 200})
      for (int32_t H : {1, 2, 7, 40}) {
        const GML_Int E = RandomMap(Random, W, H, 0, 40), Weights = RandomMap(Random, W, H, -3, 3);
        GML_Int M = RandomMap(Random, W, H, -100, 100), Model;
        Model.Assign(M);
        TGEM().Energy_Path(E, Weights, M, Forward, {});
        ModelEnergyPath(E, Weights, Model, Forward, {});
        for (int32_t y = 0; y < H; ++y) ASSERT_EQ(Row(M, y), Row(Model, y)) << W << "x" << H;

        // Updates after a small change of energy beside a seam, from a map
        // that is partly stale, so that windows both widen and close in.
        for (int Round = 0; Round < 6; ++Round) {
          PAPixel Previous;
          TGEM::Trace_Path(M, std::uniform_int_distribution<int32_t>(0, W - 1)(Random), Previous);
          GML_Int Changed;
          Changed.Assign(E);
          for (int32_t y = 0; y < H; ++y)
            if (Random() % 3 == 0) Changed.Put(Previous[y].X, y, int32_t(Random() % 40));
          if (Random() % 2) M.Put(int32_t(Random() % W), int32_t(Random() % H), -9);
          Model.Assign(M);
          TGEM().Energy_Path(Changed, Weights, M, Forward, Previous);
          ModelEnergyPath(Changed, Weights, Model, Forward, Previous);
          for (int32_t y = 0; y < H; ++y) ASSERT_EQ(Row(M, y), Row(Model, y)) << W << "x" << H << " round " << Round;
        }
      }
}

TEST(AddWeights, SumsOverTheFirstMapsSizeAndSaturates) {
  for (int32_t H = 1; H <= 9; ++H) {  // bands that are empty or uneven
    std::mt19937 Random(H);
    const GML_Int A = RandomMap(Random, 6, H, -1000, 1000), B = RandomMap(Random, 6, H, -1000, 1000);
    GML_Int Sum(9, H);  // wider: takes A's width
    TGEM().Add_Weights(A, B, Sum);
    ASSERT_EQ(Sum.Width(), 6);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(Sum.Get(x, y), A.Get(x, y) + B.Get(x, y));
  }
  const GML_Int A = MapOf(4, 1, {INT32_MAX, INT32_MIN, INT32_MAX - 5, -7});
  const GML_Int B = MapOf(4, 1, {1, -1, 5, INT32_MIN + 7});
  GML_Int Sum(4, 1);
  TGEM().Add_Weights(A, B, Sum);
  EXPECT_EQ(Row(Sum, 0), (std::vector<int32_t>{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}));
}

}  // namespace
}  // namespace carvelo
