#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "GEM.h"

namespace carvelo {
namespace {

// The maps of a width pass, built as the driver builds them.
struct Pass {
  GML_Color Dest;
  GML_Gray Gray;
  GML_Int E, W, M, P;

  Pass(const GML_Color& Picture, uint8_t Filter = Filter_Prewitt)
      : Gray(Picture.Width(), Picture.Height()),
        E(Picture.Width(), Picture.Height()),
        W(Picture.Width(), Picture.Height()),
        M(Picture.Width(), Picture.Height()),
        P(Picture.Width(), Picture.Height()) {
    Dest.Assign(Picture);
    TGEM().Grayscale_Image(Dest, Gray);
    TGEM().Edge_Detect(Gray, E, Filter);
    for (int32_t y = 0; y < M.Height(); ++y)
      for (int32_t x = 0; x < M.Width(); ++x) M.Put(x, y, 1000 * y + x);  // recognisable after shifts
  }
  void Remove(const PAPixel& Path) { TGEM().Remove_Path(Dest, Path, W, E, Gray, M, Filter_Prewitt); }
  void Add(const PAPixel& Path, int32_t Stretch) {
    TGEM().Add_Path(Dest, Path, W, E, Gray, P, M, Stretch, Filter_Prewitt);
  }
};

GML_Color RandomPicture(std::mt19937& Random, int32_t W, int32_t H) {
  GML_Color C(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) C.Put(x, y, uint32_t(Random()) | 0x01000000u);
  return C;
}

PAPixel Straight(int32_t X, int32_t H) {
  PAPixel Path;
  for (int32_t y = 0; y < H; ++y) Path.push_back({X, y});
  return Path;
}

PAPixel Columns(std::initializer_list<int32_t> X) {
  PAPixel Path;
  for (int32_t x : X) Path.push_back({x, int32_t(Path.size())});
  return Path;
}

template <typename Map>
GML_Gray CopyGray(const Map& From) {
  GML_Gray Copy(From.Width(), From.Height());
  for (int32_t y = 0; y < From.Height(); ++y)
    for (int32_t x = 0; x < From.Width(); ++x) Copy.Put(x, y, From.Get(x, y));
  return Copy;
}

TEST(RemovePath, DownTheLastColumnMovesNothingAndChangesNoRightNeighbour) {
  std::mt19937 Random(1);
  const GML_Color Picture = RandomPicture(Random, 6, 5);
  Pass S(Picture);
  const GML_Gray OldGray = CopyGray(S.Gray);
  S.Remove(Straight(5, 5));

  EXPECT_EQ(S.Dest.Width(), 5);
  EXPECT_EQ(S.Gray.Width(), 5);
  EXPECT_EQ(S.W.Width(), 5);
  EXPECT_EQ(S.E.Width(), 5);
  EXPECT_EQ(S.M.Width(), 6);  // the next search sets it
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      ASSERT_EQ(S.Dest.Get(x, y), Picture.Get(x, y));
      ASSERT_EQ(S.Gray.Get(x, y), OldGray.Get(x, y));
    }
    for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(S.M.Get(x, y), 1000 * y + x);
    // The left neighbour still takes half of the removed pixel.
    EXPECT_EQ(S.Dest.Get(4, y), TGEM::Average_Color(Picture.Get(4, y), Picture.Get(5, y)));
    EXPECT_EQ(S.Gray.Get(4, y), TGEM::Luminance(S.Dest.Get(4, y)));
  }
}

TEST(RemovePath, AtColumnOneLeavesColumnZeroAsItWas) {
  std::mt19937 Random(2);
  const GML_Color Picture = RandomPicture(Random, 5, 4);
  Pass S(Picture);
  for (int32_t y = 0; y < 4; ++y) S.Gray.Put(0, y, 3);  // stale on purpose: no refresh may touch it
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) S.W.Put(x, y, 10 * x);
  S.Remove(Straight(1, 4));

  for (int32_t y = 0; y < 4; ++y) {
    EXPECT_EQ(S.Dest.Get(0, y), Picture.Get(0, y));
    EXPECT_EQ(S.Gray.Get(0, y), 3);
    EXPECT_EQ(S.Dest.Get(1, y), TGEM::Average_Color(Picture.Get(1, y), Picture.Get(2, y)));
    EXPECT_EQ(S.Gray.Get(1, y), TGEM::Luminance(S.Dest.Get(1, y)));
    EXPECT_EQ(S.Dest.Get(2, y), Picture.Get(3, y));
    EXPECT_EQ(S.Dest.Get(3, y), Picture.Get(4, y));
    const std::vector<int32_t> Weights(S.W.Row(y), S.W.Row(y) + 4), Costs(S.M.Row(y), S.M.Row(y) + 4);
    EXPECT_EQ(Weights, (std::vector<int32_t>{0, 20, 30, 40}));
    EXPECT_EQ(Costs, (std::vector<int32_t>{1000 * y, 1000 * y + 2, 1000 * y + 3, 1000 * y + 4}));
  }
}

TEST(RemovePath, MarkedPixelsVanishAndOthersBlendIntoBothNeighbours) {
  std::mt19937 Random(3);
  const GML_Color Picture = RandomPicture(Random, 7, 3);
  Pass S(Picture);
  const int32_t Weight[] = {-5, 0, 7};
  for (int32_t y = 0; y < 3; ++y) {
    S.W.Put(3, y, Weight[y]);
    S.Gray.Put(2, y, 1);  // refreshed either way
    S.Gray.Put(4, y, 1);
  }
  S.Remove(Straight(3, 3));
  for (int32_t y = 0; y < 3; ++y) {
    const uint32_t Removed = Picture.Get(3, y);
    const uint32_t Left = Weight[y] < 0 ? Picture.Get(2, y) : TGEM::Average_Color(Removed, Picture.Get(2, y));
    const uint32_t Right = Weight[y] < 0 ? Picture.Get(4, y) : TGEM::Average_Color(Removed, Picture.Get(4, y));
    EXPECT_EQ(S.Dest.Get(2, y), Left) << y;
    EXPECT_EQ(S.Dest.Get(3, y), Right) << y;
    EXPECT_EQ(S.Gray.Get(2, y), TGEM::Luminance(Left));
    EXPECT_EQ(S.Gray.Get(3, y), TGEM::Luminance(Right));
  }
}

// Columns x-3..x-1 and, as far as the new width allows, the three new
// columns from x on are computed afresh; all others keep the old energy,
// shifted with the picture.
TEST(RemovePath, RepairsTheEnergyBesideTheSeamOnly) {
  std::mt19937 Random(4);
  for (int32_t x0 = 0; x0 < 12; ++x0) {
    const GML_Color Picture = RandomPicture(Random, 12, 9);
    Pass S(Picture);
    GML_Int OldE;
    OldE.Assign(S.E);
    PAPixel Path;
    for (int32_t y = 0; y < 9; ++y) Path.push_back({std::clamp(x0 + (y % 3) - 1, 0, 11), y});
    S.Remove(Path);
    const int32_t NewWidth = 11;
    for (int32_t y = 0; y < 9; ++y) {
      const int32_t x = Path[y].X;
      for (int32_t c = 0; c < NewWidth; ++c) {
        const bool Fresh = (c >= x - 3 && c < x) || (c >= x && c <= x + 2 && c + 1 < NewWidth);
        const int32_t Expected = Fresh ? TGEM::Pixel_Energy(S.Gray, c, y, Filter_Prewitt)
                                       : OldE.Get(c < x ? c : c + 1, y);
        ASSERT_EQ(S.E.Get(c, y), Expected) << "seam " << x << " column " << c << " row " << y;
      }
    }
  }
}

TEST(AddPath, InsertsBesideTheSeamAndKeepsEveryMapInStep) {
  std::mt19937 Random(5);
  const GML_Color Picture = RandomPicture(Random, 5, 3);
  Pass S(Picture);
  S.W.Put(1, 1, -1);
  S.W.Put(2, 1, 100);
  S.W.Put(3, 2, 0);
  S.W.Put(4, 2, -3);
  S.P.Put(2, 1, 7);
  const GML_Gray OldGray = CopyGray(S.Gray);
  const PAPixel Path = Columns({0, 2, 4});
  S.Add(Path, 400);

  EXPECT_EQ(S.Dest.Width(), 6);
  EXPECT_EQ(S.Gray.Width(), 6);
  EXPECT_EQ(S.W.Width(), 6);
  EXPECT_EQ(S.E.Width(), 6);
  EXPECT_EQ(S.M.Width(), 6);
  EXPECT_EQ(S.P.Width(), 6);
  // Beside column 0 the new pixel is a copy of column 0.
  EXPECT_EQ(S.Dest.Get(0, 0), Picture.Get(0, 0));
  EXPECT_EQ(S.Dest.Get(1, 0), Picture.Get(0, 0));
  // Elsewhere it is the mean of the seam pixel and its left neighbour.
  EXPECT_EQ(S.Dest.Get(2, 1), TGEM::Average_Color(Picture.Get(2, 1), Picture.Get(1, 1)));
  EXPECT_EQ(S.Dest.Get(3, 1), Picture.Get(2, 1));
  EXPECT_EQ(S.Dest.Get(5, 2), Picture.Get(4, 2));
  for (int32_t y = 0; y < 3; ++y) {
    const int32_t x = Path[y].X;
    for (int32_t c = 0; c < 6; ++c) {
      const int32_t From = c <= x ? c : c - 1;  // old column now at c
      if (c != x) {
        ASSERT_EQ(S.Dest.Get(c, y), Picture.Get(From, y));
      }
      ASSERT_EQ(S.Gray.Get(c, y), c == x ? TGEM::Luminance(S.Dest.Get(x, y)) : OldGray.Get(From, y));
      ASSERT_EQ(S.M.Get(c, y), 1000 * y + From);
      // Energy from x-3 to x+3 is fresh, the rest shifted.
      if (c >= x - 3 && c <= x + 3) {
        ASSERT_EQ(S.E.Get(c, y), TGEM::Pixel_Energy(S.Gray, c, y, Filter_Prewitt));
      }
    }
  }
  // Weights: the new one is the truncated mean, the copy keeps its own.
  EXPECT_EQ(S.W.Get(2, 1), 49);   // (100 + -1) / 2
  EXPECT_EQ(S.W.Get(3, 1), 100);
  EXPECT_EQ(S.W.Get(4, 2), -1);   // (-3 + 0) / 2 truncates toward zero
  EXPECT_EQ(S.W.Get(0, 0), 0);
  // Penalties: set on the new pixel, added on the copied one.
  EXPECT_EQ(S.P.Get(2, 1), 400);
  EXPECT_EQ(S.P.Get(3, 1), 407);
  EXPECT_EQ(S.P.Get(1, 1), 0);
  EXPECT_EQ(S.P.Get(0, 0), 400);
  EXPECT_EQ(S.P.Get(1, 0), 400);
}

TEST(AddPath, EnergyOutsideTheRepairedColumnsIsShiftedNotRecomputed) {
  std::mt19937 Random(6);
  const GML_Color Picture = RandomPicture(Random, 14, 6);
  Pass S(Picture);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 14; ++x) S.E.Put(x, y, -x - 1);  // impossible energies, so a recomputation shows
  S.Add(Straight(7, 6), 0);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t c = 0; c < 15; ++c) {
      if (c >= 4 && c <= 10) continue;
      ASSERT_EQ(S.E.Get(c, y), c < 7 ? -c - 1 : -c) << c;
    }
}

}  // namespace
}  // namespace carvelo
