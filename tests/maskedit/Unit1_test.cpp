// The mask editor's rules: tools, strokes, squares, the eraser, the outline
// and undo, on a 100 x 80 picture centred in a 400 x 300 view.
#include "Unit1.h"

#include "MarkColours.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace carvelo {
namespace {

constexpr TRGB Green = RGBOfColor(clProtectMark), Red = RGBOfColor(clRemoveMark);

class TRecordingEditor final : public TPaintFrmModel {
 public:
  using TPaintFrmModel::TPaintFrmModel;
  TCursor Cursor = crDefault;
  bool Confined = false, Timer = false;
  std::vector<TOutlineBand> Bands;
  std::vector<uint32_t> Pixels;  // colours of the outline's pixels, in drawing order

 protected:
  void SetViewCursor(TCursor C) override { Cursor = C; }
  void ConfinePointer(bool On) override { Confined = On; }
  void SetTimer1(bool On) override { Timer = On; }
  void SetViewPixel(int32_t, int32_t, uint32_t Color) override { Pixels.push_back(Color); }
  void RepaintBand(const TOutlineBand& Band) override { Bands.push_back(Band); }
};

class TEditor : public ::testing::Test {
 protected:
  TEditor() : Box(std::make_unique<TVuImageModel>()), Editor(Box) {
    Box.Resize(400, 300);
    TBitmap Working(100, 80);
    for (int32_t y = 0; y < 80; ++y)
      for (int32_t x = 0; x < 100; ++x) PutPixelRGB(Working, x, y, {uint8_t(x + 100), uint8_t(y), 7});
    PutPixelRGB(Working, 55, 45, Green);  // a picture pixel that already counts as a mark
    Editor.SetPictures(Working);
    Box.OnMouseDown = [this](TMouseButton B, TShiftState S, int32_t X, int32_t Y) { Editor.BoxMouseDown(B, S, X, Y); };
    Box.OnMouseMove = [this](TShiftState S, int32_t X, int32_t Y) { Editor.BoxMouseMove(S, X, Y); };
    Box.OnMouseUp = [this](TMouseButton B, TShiftState S, int32_t X, int32_t Y) { Editor.BoxMouseUp(B, S, X, Y); };
    Editor.Prepare();
  }

  // A left drag through the points, released at the last one.
  void Drag(std::initializer_list<TPoint> Points) {
    const TPoint* P = Points.begin();
    Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, P->X, P->Y);
    for (++P; P + 1 < Points.end(); ++P) Box.ImageMouseMove(ssLeft, P->X, P->Y);
    Box.ImageMouseUp(TMouseButton::mbLeft, 0, (Points.end() - 1)->X, (Points.end() - 1)->Y);
  }
  TRGB At(int32_t X, int32_t Y) const { return GetPixelRGB(Editor.MarkedPicture(), X, Y); }
  TRGB Original(int32_t X, int32_t Y) const { return GetPixelRGB(Editor.Original(), X, Y); }
  // The pixels that differ from the reference picture, as their bounding box and count.
  std::pair<TRect, int> Changed() const {
    TRect R{1000, 1000, -1, -1};
    int Count = 0;
    for (int32_t y = 0; y < 80; ++y)
      for (int32_t x = 0; x < 100; ++x)
        if (At(x, y) != Original(x, y)) {
          ++Count;
          R = {std::min(R.Left, x), std::min(R.Top, y), std::max(R.Right, x + 1), std::max(R.Bottom, y + 1)};
        }
    return {Count ? R : TRect{}, Count};
  }
  std::vector<uint8_t> Snapshot() const {
    const TBitmap& P = Editor.MarkedPicture();
    return {P.ScanLine(0), P.ScanLine(0) + P.Layout().ByteSize()};
  }

  TVuImageBoxModel Box;
  TRecordingEditor Editor;
};

TEST_F(TEditor, ToolsSetModeColourDragAndCursor) {
  EXPECT_EQ(Editor.Mode(), pmMove);
  EXPECT_EQ(Editor.MarkColor(), clWhite);
  EXPECT_EQ(Editor.PenWidth(), 3);
  EXPECT_TRUE(Editor.Timer);
  struct { void (TPaintFrmModel::*Click)(); TPaintMode Mode; uint32_t Mark; TCursor Cursor; } const Cases[] = {
      {&TPaintFrmModel::tb_greenClick, pmPencilReady, clProtectMark, crHandPoint},
      {&TPaintFrmModel::ToolButton8Click, pmSquareReady, clRemoveMark, crCross},
      {&TPaintFrmModel::tb_eraseClick, pmEraseReady, clRemoveMark, crHandPoint},
      {&TPaintFrmModel::tb_redClick, pmPencilReady, clRemoveMark, crHandPoint},
      {&TPaintFrmModel::ToolButton5Click, pmSquareReady, clProtectMark, crCross},
      {&TPaintFrmModel::ToolButton1Click, pmMove, clProtectMark, crArrow},
  };
  for (const auto& c : Cases) {
    (Editor.*c.Click)();
    EXPECT_EQ(Editor.Mode(), c.Mode);
    EXPECT_EQ(Editor.MarkColor(), c.Mark);
    EXPECT_EQ(Editor.Cursor, c.Cursor);
    EXPECT_EQ(Box.ImageDrag(), c.Mode == pmMove);
  }
  Drag({{10, 10}, {30, 30}, {40, 40}});  // the Move tool paints nothing
  EXPECT_EQ(Changed().second, 0);
}

TEST_F(TEditor, PencilDrawsMovesOnlyNeverToTheReleasePoint) {
  Editor.tb_greenClick();
  Drag({{10, 10}, {10, 10}});  // a click
  Drag({{10, 10}, {10, 10}, {10, 10}});  // a click with a move that goes nowhere
  EXPECT_EQ(Changed().second, 0);
  EXPECT_EQ(Editor.UndoStack().Count(), 0u);

  Drag({{10, 10}, {30, 10}, {30, 20}, {60, 60}});
  EXPECT_EQ(Changed().first, (TRect{9, 9, 32, 22}));  // width 3 around (10,10)-(30,10)-(30,20)
  EXPECT_EQ(At(20, 11), Green);
  EXPECT_EQ(Editor.Mode(), pmPencilReady);

  // Releasing the right button ends a left stroke.
  Editor.tb_redClick();
  Editor.PenSizeClick(3);  // 12 pixels, for this stroke on
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 40, 60);
  Box.ImageMouseMove(ssLeft, 80, 60);
  Box.ImageMouseUp(TMouseButton::mbRight, ssLeft, 80, 60);
  Box.ImageMouseMove(ssLeft, 80, 10);
  EXPECT_EQ(Editor.Mode(), pmPencilReady);
  EXPECT_EQ(At(60, 54), Red);  // within 6 pixels of the line
  EXPECT_EQ(At(60, 53), Original(60, 53));
  EXPECT_EQ(At(80, 30), Original(80, 30));
}

TEST_F(TEditor, SquareFillsUpToTheLargerCornerWhicheverWayItIsDragged) {
  struct { TPoint From, To; TRect Filled; } const Cases[] = {
      {{10, 10}, {20, 15}, {10, 10, 20, 15}},
      {{20, 15}, {10, 10}, {10, 10, 20, 15}},
      {{20, 10}, {10, 15}, {10, 10, 20, 15}},
      {{10, 10}, {10, 30}, {}},  // no width: nothing
      {{90, 70}, {130, 99}, {90, 70, 100, 80}},  // clipped to the picture
  };
  for (const auto& c : Cases) {
    Editor.ToolButton8Click();
    Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, c.From.X, c.From.Y);
    EXPECT_TRUE(Editor.Confined);
    // The rectangle lives in the view while dragging: the picture sits at (150, 110).
    EXPECT_EQ(Editor.SelRect(), (TSelRect{c.From.X + 150, c.From.Y + 110, c.From.X + 150, c.From.Y + 110}));
    Box.ImageMouseMove(ssLeft, 50, 50);
    Box.ImageMouseUp(TMouseButton::mbLeft, 0, c.To.X, c.To.Y);
    EXPECT_FALSE(Editor.Confined);
    EXPECT_FALSE(Editor.Timer);
    EXPECT_EQ(Editor.SelRect(), (TSelRect{c.From.X, c.From.Y, c.To.X, c.To.Y}));
    const auto [Rect, Count] = Changed();
    EXPECT_EQ(Rect, c.Filled);
    EXPECT_EQ(Count, c.Filled.Width() * c.Filled.Height());
    EXPECT_EQ(At(c.Filled.Left, c.Filled.Top), Count ? Red : Original(c.Filled.Left, c.Filled.Top));
    while (Editor.Undo()) {}
  }
}

TEST_F(TEditor, EraseRestoresTheReferenceSquareUnderThePointerExactly) {
  Editor.ToolButton5Click();
  Drag({{0, 0}, {100, 80}});
  Editor.tb_eraseClick();
  Editor.PenSizeClick(3);  // the eraser ignores the pen size
  Drag({{30, 30}, {30, 30}});
  EXPECT_EQ(Changed().second, 7999);  // all green; (55, 45) was green before
  Drag({{30, 30}, {50, 40}, {90, 0}});
  EXPECT_EQ(Changed().second, 7999 - 399);
  for (TPoint P : {TPoint{50, 40}, TPoint{69, 59}, TPoint{55, 45}}) EXPECT_EQ(At(P.X, P.Y), Original(P.X, P.Y));
  for (TPoint P : {TPoint{49, 40}, TPoint{70, 40}, TPoint{50, 60}}) EXPECT_EQ(At(P.X, P.Y), Green);
  EXPECT_EQ(At(55, 45), Green);  // restored: a green pixel of the picture itself
}

TEST_F(TEditor, UndoRestoresEveryStepExactlyAndNotWhileDrawing) {
  std::vector<std::vector<uint8_t>> Before;
  for (int i = 0; i < 24; ++i) {
    Before.push_back(Snapshot());
    switch (i % 3) {
      case 0: Editor.tb_greenClick(); Drag({{i, 5}, {i + 40, 60}, {99, 79}}); break;
      case 1: Editor.ToolButton8Click(); Drag({{i * 3, 70}, {i, 2}}); break;
      case 2: Editor.tb_eraseClick(); Drag({{0, 0}, {i * 2, 30}, {i * 3, 40}, {0, 0}}); break;
    }
    EXPECT_NE(Snapshot(), Before.back()) << i;
  }
  Editor.tb_greenClick();
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 1, 1);
  Box.ImageMouseMove(ssLeft, 9, 9);
  EXPECT_FALSE(Editor.Undo());
  Box.ImageMouseUp(TMouseButton::mbLeft, 0, 9, 9);
  ASSERT_TRUE(Editor.Undo());
  for (int i = 23; i >= 0; --i) {
    ASSERT_TRUE(Editor.Undo()) << i;
    EXPECT_EQ(Snapshot(), Before[i]) << i;
  }
  EXPECT_FALSE(Editor.Undo());
  EXPECT_EQ(Editor.UndoStack().Bytes(), 0u);
}

TEST_F(TEditor, MarksLandUnderThePointerAtEveryScale_PressesBesideThePictureDoNothing) {
  Editor.tb_redClick();
  Box.BoxMouseDown(TMouseButton::mbLeft, ssLeft, 5, 5);  // on the view's background
  Box.ImageMouseMove(ssLeft, 20, 20);
  EXPECT_EQ(Editor.Mode(), pmPencilReady);
  EXPECT_EQ(Changed().second, 0);

  Box.SetImageScale(200);  // the picture now fills the view, shown 200 x 160
  Drag({{40, 20}, {80, 20}, {80, 20}});
  EXPECT_EQ(Changed().first, (TRect{19, 9, 42, 12}));
  Editor.ToolButton8Click();
  Drag({{100, 100}, {121, 141}});
  EXPECT_EQ(Editor.SelRect(), (TSelRect{50, 50, 60, 70}));
  EXPECT_EQ(At(59, 69), Red);
  EXPECT_EQ(At(60, 69), Original(60, 69));
}

// A transparent picture is shown, and marked, over a light checkerboard:
// what is opaque shows as it is, what is transparent shows the squares, and
// nothing in between shows a mark colour.
TEST(TCheckerboard, ATransparentPictureShowsOverLightSquaresAndNoMarkColour) {
  TBitmap Logo(24, 16, 32);
  Logo.SetHasAlpha(true);
  const uint8_t Alphas[] = {0, 1, 128, 254, 255};
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      uint8_t* P = Logo.ScanLine(y) + 4 * x;
      const TRGB Mark = x % 2 ? RemoveColour : ProtectColour;
      P[0] = Mark.B, P[1] = Mark.G, P[2] = Mark.R, P[3] = Alphas[(x + y) % 5];
    }
  TVuImageBoxModel Box(std::make_unique<TVuImageModel>());
  TRecordingEditor Editor(Box);
  Editor.SetPictures(Logo);
  const TBitmap& Shown = Editor.MarkedPicture();
  ASSERT_EQ(Shown.BitCount(), 24);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x) {
      const uint8_t Alpha = Alphas[(x + y) % 5];
      const TRGB Colour = GetPixelRGB(Shown, x, y), Mark = x % 2 ? RemoveColour : ProtectColour;
      const TRGB Square = (x / CheckerSquare + y / CheckerSquare) % 2 ? CheckerDark : CheckerLight;
      if (Alpha == 255) EXPECT_EQ(Colour, Mark) << x << "," << y;
      else if (Alpha == 0) EXPECT_EQ(Colour, Square) << x << "," << y;
      else EXPECT_TRUE(Colour != RemoveColour && Colour != ProtectColour) << x << "," << y;
    }
  EXPECT_EQ(GetPixelRGB(Editor.Original(), 8, 0), GetPixelRGB(Shown, 8, 0)) << "erasing restores the same";
}

TEST(TOutline, DashesFiveBlackThreeWhiteCreepingTwoPixelsPerTick) {
  // A 4 x 3 frame has 14 pixels; the pattern runs on around the corners.
  const auto Colours = [](uint8_t Phase) {
    std::string S;
    DashPhase = Phase;
    DrawOutline({0, 0, 4, 3}, [&](int32_t, int32_t, uint32_t C) { S += C == clWhite ? 'w' : 'b'; });
    return S;
  };
  EXPECT_EQ(Colours(128), "bbbbbwwwbbbbbw");
  EXPECT_EQ(Colours(32), "wwbbbbbwwwbbbb");
  EXPECT_EQ(Colours(8), "bwwwbbbbbwwwbb");
  EXPECT_EQ(Colours(2), "bbbwwwbbbbbwww");
  EXPECT_EQ(NextDashPhase(128), 32);
  EXPECT_EQ(NextDashPhase(2), 128);

  std::vector<TPoint> Walk;
  DrawOutline({2, 1, 0, 3}, [&](int32_t X, int32_t Y, uint32_t) { Walk.push_back({X, Y}); });
  EXPECT_EQ(Walk, (std::vector<TPoint>{{2, 1}, {1, 1}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3}, {2, 2}}));
  std::size_t None = 0;
  DrawOutline({5, 5, 5, 5}, [&](int32_t, int32_t, uint32_t) { ++None; });
  EXPECT_EQ(None, 0u);

  EXPECT_EQ(OutlineBandOf({10, 20, 4, 10}).Outer, (TRect{3, 9, 11, 21}));
  EXPECT_EQ(OutlineBandOf({10, 20, 4, 10}).Inner, (TRect{5, 11, 9, 19}));
  EXPECT_EQ(OutlineBandOf({4, 10, 6, 20}).Inner, TRect{});
}

TEST_F(TEditor, SquareDragDrawsAndErasesTheOutlineInTheView) {
  Editor.ToolButton5Click();
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 10, 10);
  Editor.Pixels.clear();
  Editor.Bands.clear();
  Box.ImageMouseMove(ssLeft, 14, 13);
  EXPECT_EQ(Editor.Bands.size(), 1u);
  EXPECT_EQ(Editor.Bands[0].Outer, (TRect{159, 119, 161, 121}));  // the band of the empty rectangle before
  EXPECT_EQ(Editor.Pixels.size(), 14u);
  Editor.Timer1Timer();
  EXPECT_EQ(Editor.Pixels.size(), 28u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(Editor.Pixels[14 + i + 2], Editor.Pixels[i]);  // on by two pixels
}

}  // namespace
}  // namespace carvelo
