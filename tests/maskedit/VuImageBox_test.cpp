#include "VuImageBox.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace carvelo {
namespace {

constexpr int32_t Bar = 17;  // the model's default scroll bar thickness

struct TBox : TVuImageBoxModel {
  TBox(int32_t PictureWidth, int32_t PictureHeight, int32_t AreaWidth, int32_t AreaHeight)
      : TVuImageBoxModel(std::make_unique<TVuImageModel>()) {
    Resize(AreaWidth, AreaHeight);
    Image().SetPicture(TBitmap(PictureWidth, PictureHeight));
    UpdateImageInfo();
    OnScroll = [this] { ++Scrolls; };
    OnOptionsChange = [this] { ++OptionChanges; };
  }
  void SetScreenCursor(TCursor C) override { Cursor = C; }
  void TakeFocus() override { Events.push_back("focus"); }

  TRect Bounds() const { return Image().BoundsRect(); }
  TPoint Position() const { return {HorzScrollBar().Position, VertScrollBar().Position}; }

  int Scrolls = 0;
  int OptionChanges = 0;
  TCursor Cursor = crDefault;
  std::vector<std::string> Events;
};

TRect At(int32_t Left, int32_t Top, int32_t Width, int32_t Height) { return {Left, Top, Left + Width, Top + Height}; }

TEST(VuImageBox, ScaleStepsStopAtBothEnds) {
  struct {
    int32_t Scale;
    bool Up;
    std::optional<int32_t> Next;
  } const Cases[] = {{100, true, 125},  {125, true, 150},  {175, true, 200},         {1400, true, 1600},
                     {1600, true, {}},  {2000, true, {}},  {100, false, 90},         {10, false, 7},
                     {7, false, {}},    {5, false, {}},    {5, true, 7},             {63, true, 70},
                     {63, false, 60},   {1600, false, 1400}};
  for (const auto& c : Cases) EXPECT_EQ(NextImageScale(c.Scale, c.Up), c.Next) << c.Scale << (c.Up ? " up" : " down");
}

TEST(VuImageBox, ScaledLengthRoundsHalvesToEven) {
  struct {
    int32_t Length, Scale, Expected;
  } const Cases[] = {{5, 150, 8}, {3, 150, 4}, {7, 150, 10}, {1, 50, 0}, {3, 50, 2}, {101, 125, 126}, {640, 7, 45}};
  for (const auto& c : Cases) EXPECT_EQ(ScaledLength(c.Length, c.Scale), c.Expected) << c.Length << " at " << c.Scale;
  EXPECT_EQ(PageStep(283), 263);
  EXPECT_EQ(PageStep(30), 20);  // (30 div 3) * 2 beats 30 - 20
}

TEST(VuImageBox, PictureRect) {
  struct {
    int32_t W, H, Cw, Ch;
    bool Stretch, Proportional, Center;
    TRect Expected;
  } const Cases[] = {
      {40, 20, 100, 100, false, false, false, {0, 0, 40, 20}},   {40, 20, 100, 100, false, false, true, {30, 40, 70, 60}},
      {40, 20, 100, 100, true, false, false, {0, 0, 100, 100}},  {40, 20, 100, 100, true, true, false, {0, 0, 100, 50}},
      {40, 20, 100, 100, true, true, true, {0, 25, 100, 75}},    {200, 50, 100, 100, false, true, false, {0, 0, 100, 25}},
      {20, 40, 100, 100, false, true, false, {0, 0, 20, 40}},    {30, 90, 100, 60, true, true, false, {0, 0, 20, 60}},
      {300, 100, 100, 20, true, true, false, {0, 0, 60, 20}},    {100, 300, 20, 100, true, true, false, {0, 0, 20, 60}},
  };
  for (const auto& c : Cases)
    EXPECT_EQ(PictureRectOf(c.W, c.H, c.Cw, c.Ch, c.Stretch, c.Proportional, c.Center), c.Expected)
        << c.W << "x" << c.H << " in " << c.Cw << "x" << c.Ch;
}

TEST(VuImageBox, WheelModifiersMustMatchExactly) {
  using enum TWheelAction;
  struct {
    TShiftState Shift;
    bool ImageMouseDown;
    TWheelAction Expected;
  } const Cases[] = {{0, false, ScrollVertical}, {ssShift, false, ScrollHorizontal}, {ssCtrl, false, Zoom},
                     {ssCtrl | ssShift, false, None}, {ssAlt, false, None},    {ssLeft, false, None},
                     {ssShift | ssRight, false, None}, {ssLeft, true, Zoom},    {ssShift | ssLeft, true, Zoom}};
  for (const auto& c : Cases) EXPECT_EQ(WheelActionOf(c.Shift, c.ImageMouseDown), c.Expected) << int(c.Shift);
}

TEST(VuImageBox, SmallPictureIsCentredAtItsOwnSize) {
  TBox Box(101, 51, 632, 347);
  EXPECT_EQ(Box.Bounds(), At(265, 148, 101, 51));  // offsets rounded toward zero
  EXPECT_TRUE(Box.Image().AutoSize());
  EXPECT_FALSE(Box.Image().Stretch());
  EXPECT_EQ(Box.Image().PictureRect(), At(0, 0, 101, 51));
  EXPECT_FALSE(Box.HorzScrollBar().Visible || Box.VertScrollBar().Visible);
  Box.SetImageCenter(false);
  EXPECT_EQ(Box.Bounds(), At(0, 0, 101, 51));
}

TEST(VuImageBox, LargePictureScrolls) {
  TBox Box(1000, 800, 632, 347);
  EXPECT_EQ(Box.Bounds(), At(0, 0, 1000, 800));
  EXPECT_TRUE(Box.HorzScrollBar().Visible && Box.VertScrollBar().Visible);
  EXPECT_EQ(Box.ClientWidth(), 632 - Bar);
  EXPECT_EQ(Box.ClientHeight(), 347 - Bar);
  Box.SetHorzPosition(5000);
  Box.SetVertPosition(-3);
  EXPECT_EQ(Box.Position(), (TPoint{1000 - (632 - Bar), 0}));
  EXPECT_EQ(Box.Image().Left(), -(1000 - (632 - Bar)));
}

TEST(VuImageBox, OneBarCanBringTheOther) {
  // 630 wide fits 632, but not beside the vertical bar that the height needs.
  TBox Box(630, 400, 632, 347);
  EXPECT_TRUE(Box.HorzScrollBar().Visible && Box.VertScrollBar().Visible);
  TBox Narrow(600, 400, 632, 347);
  EXPECT_FALSE(Narrow.HorzScrollBar().Visible);
  EXPECT_TRUE(Narrow.VertScrollBar().Visible);
  EXPECT_EQ(Narrow.Bounds(), At((632 - Bar - 600) / 2, 0, 600, 400));
}

TEST(VuImageBox, FitToWindow) {
  TBox Big(1000, 800, 632, 347);
  Big.SetHorzPosition(200);
  Big.SetImageFitToWindow(true);
  EXPECT_EQ(Big.ImageScale(), 43);  // 347 * 100 div 800
  EXPECT_EQ(Big.Bounds(), At(99, 0, 433, 347));
  EXPECT_FALSE(Big.AutoScroll() || Big.HorzScrollBar().Visible || Big.VertScrollBar().Visible);
  EXPECT_TRUE(Big.Image().Stretch());
  EXPECT_EQ(Big.OptionChanges, 0);
  Big.SetImageFitToWindow(false);  // back to 100, scroll position reset
  EXPECT_EQ(Big.ImageScale(), 100);
  EXPECT_EQ(Big.Bounds(), At(0, 0, 1000, 800));
  EXPECT_EQ(Big.Position(), (TPoint{0, 0}));

  TBox Small(101, 51, 632, 347);
  Small.SetImageFitToWindow(true);
  EXPECT_EQ(Small.ImageScale(), 100);
  EXPECT_EQ(Small.Bounds(), At(265, 148, 101, 51));
  Small.SetImageFitOnlyBig(false);  // now it grows to the width
  EXPECT_EQ(Small.ImageScale(), 625);
  EXPECT_EQ(Small.Bounds(), At(0, 14, 632, 319));
}

TEST(VuImageBox, ZoomKeepsThePointAtTheCentre) {
  TBox Box(1000, 800, 400, 300);
  Box.SetHorzPosition(300);
  Box.SetVertPosition(250);
  // Centre (191, 141) of the 383 x 283 client shows picture point (491, 391).
  Box.SetImageScale(200);
  EXPECT_EQ(Box.Bounds(), At(-791, -641, 2000, 1600));
  EXPECT_EQ(Box.Position(), (TPoint{791, 641}));
  EXPECT_EQ(Box.PicturePixelAt(Box.ViewToPicture({191, 141})), (TPoint{491, 391}));
  EXPECT_EQ(Box.PictureToView({982, 782}), (TPoint{191, 141}));
  EXPECT_EQ(Box.OptionChanges, 1);
  EXPECT_EQ(Box.Scrolls, 0);
  Box.SetImageScale(200);  // unchanged: nothing happens
  EXPECT_EQ(Box.OptionChanges, 1);

  Box.Resize(600, 500);  // the point at the new centre stays there
  EXPECT_EQ(Box.Position(), (TPoint{791, 641}));
  Box.Resize(1900, 1500);  // within the scroll limits
  EXPECT_EQ(Box.Position(), (TPoint{117, 117}));
}

TEST(VuImageBox, InvalidScaleValue) {
  TBox Box(1000, 800, 400, 300);
  for (int32_t Wrong : {-1, 32767, 100000}) {
    try {
      Box.SetImageScale(Wrong);
      ADD_FAILURE() << Wrong << " accepted";
    } catch (const EAssertionFailed& E) {
      EXPECT_STREQ(E.what(), "Invalid scale value");
      EXPECT_EQ(E.UnitName(), "VuImageBox");
    }
    EXPECT_EQ(Box.ImageScale(), 100);
  }
  Box.SetImageScale(MaxImageScale);
  EXPECT_EQ(Box.Image().Width(), 327660);
  Box.SetImageScale(0);
  EXPECT_EQ(Box.Bounds(), At(191, 141, 0, 0));
}

TEST(VuImageBox, Keys) {
  // Client 383 x 283: positions reach 617 and 517; pages are 363 and 263.
  struct {
    uint16_t Key;
    TShiftState Shift;
    std::optional<TPoint> Expected;  // none: ignored
  } const Cases[] = {
      {vk::Left, 0, TPoint{250, 250}},   {vk::Left, ssCtrl, TPoint{0, 250}},   {vk::Left, ssShift, {}},
      {vk::Right, 0, TPoint{350, 250}},  {vk::Right, ssCtrl, TPoint{617, 250}}, {vk::Right, ssAlt, {}},
      {vk::Up, 0, TPoint{300, 200}},     {vk::Up, ssCtrl, TPoint{300, 0}},      {vk::Up, ssCtrl | ssShift, {}},
      {vk::Down, 0, TPoint{300, 300}},   {vk::Down, ssCtrl, TPoint{300, 517}},  {vk::Prior, 0, TPoint{300, 0}},
      {vk::Next, 0, TPoint{300, 513}},   {vk::Prior, ssShift, {}},              {vk::Next, ssCtrl, {}},
      {vk::Home, 0, TPoint{0, 250}},     {vk::End, 0, TPoint{617, 250}},        {vk::End, ssCtrl, {}},
      {'A', 0, {}},                      {vk::Left, ssLeft, TPoint{250, 250}},
  };
  for (const auto& c : Cases) {
    TBox Box(1000, 800, 400, 300);
    Box.SetHorzPosition(300);
    Box.SetVertPosition(250);
    EXPECT_EQ(Box.KeyDown(c.Key, c.Shift), c.Expected.has_value()) << c.Key << "/" << int(c.Shift);
    EXPECT_EQ(Box.Position(), c.Expected.value_or(TPoint{300, 250})) << c.Key << "/" << int(c.Shift);
    EXPECT_EQ(Box.Scrolls, c.Expected ? 1 : 0);
  }
}

TEST(VuImageBox, WheelScrollsOrZooms) {
  TBox Box(1000, 800, 400, 300);
  Box.MouseWheel(false, 0);
  Box.MouseWheel(false, ssShift);
  Box.MouseWheel(false, ssAlt);
  EXPECT_EQ(Box.Position(), (TPoint{50, 50}));
  EXPECT_EQ(Box.Scrolls, 2);
  Box.MouseWheel(true, ssCtrl);
  EXPECT_EQ(Box.ImageScale(), 125);
  EXPECT_EQ(Box.Cursor, crDefault);
  // Left button held on the picture: any wheel zooms, the pan stops.
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 10, 10);
  Box.MouseWheel(false, ssLeft | ssShift);
  EXPECT_EQ(Box.ImageScale(), 100);
  EXPECT_FALSE(Box.ImageDragging());
  EXPECT_EQ(Box.Cursor, crSizeNS);
  EXPECT_EQ(Box.OptionChanges, 2);
  EXPECT_EQ(Box.Scrolls, 2);
}

TEST(VuImageBox, PanningKeepsTheGrabbedPointUnderThePointer) {
  TBox Box(1000, 800, 400, 300);
  std::vector<TPoint> Moves;
  Box.OnMouseMove = [&](TShiftState, int32_t X, int32_t Y) { Moves.push_back({X, Y}); };
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 100, 100);
  EXPECT_TRUE(Box.ImageDragging());
  EXPECT_EQ(Box.ImageDraggingPoint(), (TPoint{100, 100}));
  EXPECT_EQ(Box.Cursor, crSizeAll);
  EXPECT_EQ(Box.Events, std::vector<std::string>{"focus"});
  for (TPoint Client : {TPoint{70, 80}, TPoint{10, 10}}) {
    const TPoint Shown = Box.ViewToPicture(Client);
    Box.ImageMouseMove(ssLeft, Shown.X, Shown.Y);
    EXPECT_EQ(Box.ViewToPicture(Client), (TPoint{100, 100}));
  }
  EXPECT_EQ(Box.Position(), (TPoint{90, 90}));
  const TPoint Far = Box.ViewToPicture({-600, -600});
  Box.ImageMouseMove(ssLeft, Far.X, Far.Y);
  EXPECT_EQ(Box.Position(), (TPoint{617, 517}));  // stops at the scroll limits
  EXPECT_EQ(Moves, (std::vector<TPoint>{{70, 80}, {40, 30}, {-510, -510}}));
  Box.ImageMouseUp(TMouseButton::mbLeft, 0, 0, 0);
  EXPECT_FALSE(Box.ImageDragging() || Box.ImageMouseIsDown());
  EXPECT_EQ(Box.Cursor, crDefault);
  EXPECT_EQ(Box.Scrolls, 0);  // panning is no scroll notification

  Box.SetImageDrag(false);  // a drawing tool: the press is the editor's
  Box.ImageMouseDown(TMouseButton::mbLeft, ssLeft, 5, 5);
  Box.ImageMouseMove(ssLeft, 50, 50);
  EXPECT_TRUE(Box.ImageMouseIsDown());
  EXPECT_EQ(Box.Position(), (TPoint{617, 517}));
}

TEST(VuImageBox, PressOutsideThePictureRaisesTheEventBeforeTheFocus) {
  TBox Box(10, 10, 400, 300);
  Box.OnMouseDown = [&](TMouseButton, TShiftState, int32_t X, int32_t Y) {
    Box.Events.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
  };
  Box.BoxMouseDown(TMouseButton::mbRight, ssRight, 3, 4);
  EXPECT_EQ(Box.Events, (std::vector<std::string>{"down 3,4", "focus"}));
}

struct TImageWithoutHalftone : TVuImageModel {
  bool HalftoneAvailable() const override { return false; }
};

TEST(VuImage, ResampleNeedsHalftoneAndFollowsEveryPaint) {
  TImageWithoutHalftone Plain;
  Plain.SetResample(true);
  EXPECT_FALSE(Plain.Resample());

  TVuImageModel Image;
  Image.SetPicture(TBitmap(4, 4));
  EXPECT_EQ(Image.ResampleDelay(), 300u);
  int Draws = 0, Resampled = 0;
  Image.OnPaint = [&] { ++Resampled; };
  const TStretchDraw Draw = [&](const TBitmap&, const TRect& Into) {
    ++Draws;
    EXPECT_EQ(Into, At(0, 0, 4, 4));
  };
  Image.Paint(Draw);
  EXPECT_FALSE(Image.ResampleTimerRunning());
  Image.SetResample(true);
  Image.Paint(Draw);
  EXPECT_TRUE(Image.ResampleTimerRunning());
  Image.PaintResampled(Draw);
  EXPECT_FALSE(Image.ResampleTimerRunning());
  EXPECT_EQ(Draws, 3);
  EXPECT_EQ(Resampled, 1);
}

}  // namespace
}  // namespace carvelo
