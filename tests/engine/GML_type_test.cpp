#include "GML_type.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace carvelo {
namespace {

GML_Int Numbered(int32_t W, int32_t H) {
  GML_Int Map(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Map.Put(x, y, 100 * y + x);
  return Map;
}

std::vector<int32_t> RowOf(const GML_Int& Map, int32_t Y, int32_t Count) {
  return std::vector<int32_t>(Map.Row(Y), Map.Row(Y) + Count);
}

TEST(GMLBuffer, CreateZeroesAndSetsAllSizes) {
  GML_Color C(5, 3);
  EXPECT_EQ(C.Width(), 5);
  EXPECT_EQ(C.Height(), 3);
  EXPECT_EQ(C.CapacityWidth(), 5);
  EXPECT_EQ(C.CapacityHeight(), 3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(C.Get(x, y), 0u);
}

TEST(GMLBuffer, PixelWordLayout) {
  GML_Color C(1, 1);
  C.Put(0, 0, GML_Pixel(255, 0, 0, 1));
  EXPECT_EQ(C.Get(0, 0), 0x010000FFu);
  EXPECT_EQ(GML_Pixel(1, 2, 3, 4), 0x04030201u);
}

TEST(GMLBuffer, SetWidthKeepsCapacityAndShowsOldElementsAgain) {
  GML_Int Map = Numbered(6, 2);
  Map.SetWidth(3);
  EXPECT_EQ(Map.Width(), 3);
  EXPECT_EQ(Map.CapacityWidth(), 6);
  Map.SetWidth(6);
  EXPECT_EQ(RowOf(Map, 1, 6), (std::vector<int32_t>{100, 101, 102, 103, 104, 105}));
  // Growing past the capacity keeps the contents and zeroes the new elements.
  Map.SetWidth(8);
  EXPECT_EQ(Map.CapacityWidth(), 8);
  EXPECT_EQ(RowOf(Map, 0, 8), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 0, 0}));
}

TEST(GMLBuffer, ShiftRowOpensAGapDuplicatingTheElement) {
  GML_Int Map = Numbered(5, 1);
  Map.SetWidth(6);
  Map.ShiftRow(2, 0, +1);
  EXPECT_EQ(RowOf(Map, 0, 6), (std::vector<int32_t>{0, 1, 2, 2, 3, 4}));
}

TEST(GMLBuffer, ShiftRowClosesAnElementKeepingTheLast) {
  GML_Int Map = Numbered(5, 1);
  Map.ShiftRow(2, 0, -1);  // removes element 1
  EXPECT_EQ(RowOf(Map, 0, 5), (std::vector<int32_t>{0, 2, 3, 4, 4}));
  Map.SetWidth(4);
  EXPECT_EQ(RowOf(Map, 0, 4), (std::vector<int32_t>{0, 2, 3, 4}));
}

TEST(GMLBuffer, ShiftRowAtWidthLeftwardsDoesNothing) {
  GML_Int Map = Numbered(4, 2);
  Map.ShiftRow(4, 1, -1);
  Map.ShiftRow(9, 0, -1);
  EXPECT_EQ(RowOf(Map, 0, 4), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(RowOf(Map, 1, 4), (std::vector<int32_t>{100, 101, 102, 103}));
}

TEST(GMLBuffer, ShiftRowClampsTheRowAndTheFirstColumn) {
  GML_Int Map = Numbered(4, 2);
  Map.ShiftRow(-3, 7, -1);  // row clamps to 1, column to 0: moves onto itself
  EXPECT_EQ(RowOf(Map, 1, 4), (std::vector<int32_t>{100, 101, 102, 103}));
  Map.ShiftRow(3, 0, +1);  // last column rightwards: nothing to move
  EXPECT_EQ(RowOf(Map, 0, 4), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(GMLBuffer, GetClampedAtAllFourBorders) {
  GML_Int Map = Numbered(4, 3);
  EXPECT_EQ(Map.GetClamped(-1, -1), 0);
  EXPECT_EQ(Map.GetClamped(4, 3), 203);
  EXPECT_EQ(Map.GetClamped(-5, 1), 100);
  EXPECT_EQ(Map.GetClamped(9, 1), 103);
  EXPECT_EQ(Map.GetClamped(2, -2), 2);
  EXPECT_EQ(Map.GetClamped(2, 8), 202);
  // The logical width counts, not the capacity.
  Map.SetWidth(2);
  EXPECT_EQ(Map.GetClamped(3, 0), 1);
}

TEST(GMLBuffer, ReserveClearsButKeepsTheLogicalSize) {
  GML_Int Map = Numbered(4, 3);
  Map.Reserve(10, 5);
  EXPECT_EQ(Map.Width(), 4);
  EXPECT_EQ(Map.Height(), 3);
  EXPECT_EQ(Map.CapacityWidth(), 10);
  EXPECT_EQ(Map.CapacityHeight(), 5);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Map.Get(x, y), 0);
  // Growing within the reserved capacity allocates nothing new.
  int32_t* Before = Map.Row(0);
  Map.SetWidth(10);
  EXPECT_EQ(Map.Row(0), Before);
}

TEST(GMLBuffer, AssignCopiesSizeAndContents) {
  GML_Int Source = Numbered(5, 4);
  Source.SetWidth(3);
  GML_Int Copy(1, 1);
  Copy.Assign(Source);
  EXPECT_EQ(Copy.Width(), 3);
  EXPECT_EQ(Copy.CapacityWidth(), 3);
  EXPECT_EQ(Copy.Height(), 4);
  EXPECT_EQ(RowOf(Copy, 3, 3), (std::vector<int32_t>{300, 301, 302}));
}

TEST(GMLBuffer, AssignTransposedTwiceIsTheIdentity) {
  std::mt19937 Random(7);
  for (auto [W, H] : {std::pair{1, 1}, {1, 9}, {9, 1}, {33, 70}, {64, 31}}) {
    GML_Color Source(W, H);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) Source.Put(x, y, static_cast<uint32_t>(Random()));
    GML_Color T, Back;
    T.AssignTransposed(Source);
    ASSERT_EQ(T.Width(), H);
    ASSERT_EQ(T.Height(), W);
    EXPECT_EQ(T.Get(H - 1, 0), Source.Get(0, H - 1));
    Back.AssignTransposed(T);
    ASSERT_EQ(Back.Width(), W);
    ASSERT_EQ(Back.Height(), H);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) ASSERT_EQ(Back.Get(x, y), Source.Get(x, y));
  }
}

TEST(GMLBuffer, FillSetsOnlyTheLogicalArea) {
  GML_Int Map(4, 2);
  Map.SetWidth(2);
  Map.Fill(-7);
  Map.SetWidth(4);
  EXPECT_EQ(RowOf(Map, 1, 4), (std::vector<int32_t>{-7, -7, 0, 0}));
}

TEST(GMLBuffer, GrayOffersTheSharedOperations) {
  GML_Gray Gray(3, 2);
  Gray.Put(2, 1, 200);
  Gray.SetWidth(4);
  Gray.ShiftRow(0, 1, +1);
  EXPECT_EQ(Gray.Get(3, 1), 200);
  EXPECT_EQ(Gray.GetClamped(10, 10), 200);
}

// The 32-byte row move against memmove, over lengths around its 64-byte
// step and moves by an element of each width, both ways, and far.
TEST(GMLBuffer, WideMoveGivesMemmovesBytes) {
  std::vector<uint8_t> Start(4400);
  for (size_t I = 0; I < Start.size(); ++I) Start[I] = uint8_t(I * 7 + I / 251);
  for (const size_t Count : {size_t(64), size_t(65), size_t(100), size_t(127), size_t(128), size_t(4097)})
    for (const int Shift : {1, 2, 4, -1, -2, -4, 100, -100}) {
      std::vector<uint8_t> Wide = Start, Plain = Start;
      const size_t From = 150, To = size_t(int(From) + Shift);
      if (!Move_Bytes_32(Wide.data() + To, Wide.data() + From, Count)) GTEST_SKIP() << "no AVX2 here";
      std::memmove(Plain.data() + To, Plain.data() + From, Count);
      ASSERT_EQ(Wide, Plain) << Count << " bytes moved by " << Shift;
    }
}

}  // namespace
}  // namespace carvelo

namespace carvelo {
namespace {

// Removals and insertions at random columns, each moving whichever side of
// its row is shorter, against a plain vector; rows centred or not, growing
// within or past their room.
TEST(GMLBuffer, RemoveAtAndInsertAtFollowAPlainRow) {
  std::mt19937 Random(5);
  for (int Round = 0; Round < 40; ++Round) {
    const int32_t Width = 1 + int32_t(Random() % 30), Room = Width + int32_t(Random() % 12);
    GML_Int Map(Room, 2);
    Map.SetWidth(Width);
    if (Round % 2) Map.CentreRows();
    std::vector<int32_t> Model;
    for (int32_t x = 0; x < Width; ++x) {
      Map.Put(x, 1, x);
      Model.push_back(x);
    }
    for (int Step = 0; Step < 60; ++Step) {
      const int32_t W = Map.Width();
      const int32_t X = int32_t(Random() % uint32_t(W));
      if (W > 1 && Random() % 2) {
        Map.RemoveAt(X, 1, W);
        Map.SetWidth(W - 1);
        Model.erase(Model.begin() + X);
      } else {
        Map.SetWidth(W + 1);
        Map.InsertAt(X, 1, W + 1);
        Model.insert(Model.begin() + X, Model[size_t(X)]);
      }
      ASSERT_EQ(RowOf(Map, 1, Map.Width()), Model) << "round " << Round << " step " << Step;
    }
  }
}

}  // namespace
}  // namespace carvelo
