#include "VuImageBox.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace carvelo {

namespace {

constexpr int32_t LineStep = 50;  // keys and wheel notches scroll by this

// Trunc of a real value, saturated to the 32-bit range.
int32_t TruncToInt(double Value) {
  constexpr double Lowest = std::numeric_limits<int32_t>::min();
  constexpr double Highest = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(std::trunc(Value), Lowest, Highest));
}

int32_t FloorDiv(int64_t Numerator, int64_t Denominator) {
  int64_t Q = Numerator / Denominator;
  if ((Numerator % Denominator != 0) && ((Numerator < 0) != (Denominator < 0))) --Q;
  return static_cast<int32_t>(Q);
}

}  // namespace

std::optional<int32_t> NextImageScale(int32_t Scale, bool Up) {
  if (Up) {
    const auto Above = std::upper_bound(ImageScales.begin(), ImageScales.end(), Scale);
    if (Above != ImageScales.end()) return *Above;
  } else {
    const auto Below = std::lower_bound(ImageScales.begin(), ImageScales.end(), Scale);
    if (Below != ImageScales.begin()) return *(Below - 1);
  }
  return std::nullopt;
}

int32_t ScaledLength(int32_t Length, int32_t Scale) {
  // Exact: a quotient by 100 is never within rounding error of a half unless it is one.
  const double Value = std::nearbyint(static_cast<double>(Length) * Scale / 100.0);
  return TruncToInt(Value);
}

int32_t PageStep(int32_t Extent) { return std::max(Extent - 20, (Extent / 3) * 2); }

TWheelAction WheelActionOf(TShiftState Shift, bool ImageMouseDown) {
  if (ImageMouseDown) return TWheelAction::Zoom;
  switch (Shift) {
    case 0:
      return TWheelAction::ScrollVertical;
    case ssShift:
      return TWheelAction::ScrollHorizontal;
    case ssCtrl:
      return TWheelAction::Zoom;
    default:
      return TWheelAction::None;
  }
}

TRect PictureRectOf(int32_t PictureWidth, int32_t PictureHeight, int32_t ClientWidth, int32_t ClientHeight,
                    bool Stretch, bool Proportional, bool Center) {
  int32_t W = PictureWidth;
  int32_t H = PictureHeight;
  const int32_t Cw = ClientWidth;
  const int32_t Ch = ClientHeight;
  if (Stretch || (Proportional && (W > Cw || H > Ch))) {
    if (Proportional && W > 0 && H > 0) {
      const double Aspect = static_cast<double>(W) / H;
      if (W > H) {
        W = Cw;
        H = TruncToInt(Cw / Aspect);
        if (H > Ch) {
          H = Ch;
          W = TruncToInt(Ch * Aspect);
        }
      } else {
        H = Ch;
        W = TruncToInt(Ch * Aspect);
        if (W > Cw) {
          W = Cw;
          H = TruncToInt(Cw / Aspect);
        }
      }
    } else {
      W = Cw;
      H = Ch;
    }
  }
  TRect R{0, 0, W, H};
  if (Center) {
    const int32_t Dx = (Cw - W) / 2;
    const int32_t Dy = (Ch - H) / 2;
    R = {Dx, Dy, Dx + W, Dy + H};
  }
  return R;
}

// ---------------------------------------------------------------------------
// TVuImageModel

void TVuImageModel::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  const TRect Bounds{Left, Top, Left + Width, Top + Height};
  if (Bounds == FBounds) return;
  Invalidate();  // where it was
  FBounds = Bounds;
  Invalidate();
  if (FParentBoundsChanged) FParentBoundsChanged();
}

void TVuImageModel::SetPicture(const TBitmap& Picture) {
  FPicture = Picture.Clone();
  PictureChanged();
}

void TVuImageModel::SetPicture(TBitmap&& Picture) {
  FPicture = std::move(Picture);
  PictureChanged();
}

void TVuImageModel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
}

void TVuImageModel::PictureChanged() {
  if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
  if (HasGraphic()) {
    const TRect Drawn = PictureRect();
    const bool CoversControl =
        Drawn.Left <= 0 && Drawn.Top <= 0 && Drawn.Right >= Width() && Drawn.Bottom >= Height();
    FOpaque = !FTransparent && CoversControl;
  } else {
    FOpaque = false;
  }
  if (!FDrawing) Invalidate();
}

void TVuImageModel::SetOption(bool& Field, bool Value) {
  if (Field == Value) return;
  Field = Value;
  PictureChanged();
}

void TVuImageModel::SetResampleDelay(uint32_t Milliseconds) {
  FResampleDelay = Milliseconds;
  if (FTimerRunning) ResampleTimerChanged();
}

TRect TVuImageModel::PictureRect() const {
  return PictureRectOf(FPicture.Width(), FPicture.Height(), Width(), Height(), FStretch, FProportional, FCenter);
}

void TVuImageModel::SetTimerRunning(bool Running) {
  FTimerRunning = Running;
  ResampleTimerChanged();
}

void TVuImageModel::Paint(const TStretchDraw& Draw) {
  struct TDrawingFlag {
    bool& Flag;
    bool Earlier;
    explicit TDrawingFlag(bool& F) : Flag(F), Earlier(F) { Flag = true; }
    ~TDrawingFlag() { Flag = Earlier; }
  } Drawing(FDrawing);
  if (HasGraphic()) Draw(FPicture, PictureRect());
  if (FResample) {
    SetTimerRunning(false);
    SetTimerRunning(true);
  }
}

void TVuImageModel::PaintResampled(const TStretchDraw& DrawHalftone) {
  SetTimerRunning(false);
  if (HasGraphic()) DrawHalftone(FPicture, PictureRect());
  if (OnPaint) OnPaint();
}

// ---------------------------------------------------------------------------
// TVuImageBoxModel: the scroll box

TVuImageBoxModel::TVuImageBoxModel(std::unique_ptr<TVuImageModel> Image) : FImage(std::move(Image)) {
  FImage->SetAutoSize(false);
  FImage->SetIncrementalDisplay(true);
  FImage->FParentBoundsChanged = [this] { ImageBoundsChanged(); };
}

void TVuImageBoxModel::SetScrollBarSizes(int32_t VerticalBarWidth, int32_t HorizontalBarHeight) {
  FVerticalBarWidth = VerticalBarWidth;
  FHorizontalBarHeight = HorizontalBarHeight;
  UpdateScrollRanges();
}

void TVuImageBoxModel::Resize(int32_t AreaWidth, int32_t AreaHeight) {
  FAreaWidth = std::max(AreaWidth, 0);
  FAreaHeight = std::max(AreaHeight, 0);
  UpdateScrollRanges();
  UpdateImagePosition(false);
}

void TVuImageBoxModel::ImageBoundsChanged() {
  if (!FUpdatingRanges) UpdateScrollRanges();
}

int32_t TVuImageBoxModel::MaxPosition(const TScrollBarState& Bar, int32_t ClientExtent) const {
  return std::max(Bar.Range - ClientExtent, 0);
}

// With automatic scrolling each range reaches to the child's far edge, and a
// bar shows while its range exceeds the client extent, which the other bar
// may narrow. Positions past the new ranges come back, moving the child.
void TVuImageBoxModel::UpdateScrollRanges() {
  if (FUpdatingRanges) return;
  FUpdatingRanges = true;
  if (FAutoScroll) {
    FHorz.Range = std::max(FHorz.Position + FImage->Left() + FImage->Width(), 0);
    FVert.Range = std::max(FVert.Position + FImage->Top() + FImage->Height(), 0);
  } else {
    FHorz.Range = 0;
    FVert.Range = 0;
  }
  bool Horizontal = FHorz.Range > FAreaWidth;
  bool Vertical = FVert.Range > FAreaHeight;
  if (Horizontal && !Vertical) Vertical = FVert.Range > FAreaHeight - FHorizontalBarHeight;
  if (Vertical && !Horizontal) Horizontal = FHorz.Range > FAreaWidth - FVerticalBarWidth;
  FHorz.Visible = Horizontal;
  FVert.Visible = Vertical;
  FUpdatingRanges = false;
  ScrollTo(FHorz.Position, FVert.Position);
  ScrollBarsChanged();
}

void TVuImageBoxModel::ScrollTo(int32_t Horizontal, int32_t Vertical) {
  Horizontal = std::clamp(Horizontal, 0, MaxPosition(FHorz, ClientWidth()));
  Vertical = std::clamp(Vertical, 0, MaxPosition(FVert, ClientHeight()));
  const int32_t Dx = FHorz.Position - Horizontal;
  const int32_t Dy = FVert.Position - Vertical;
  if (Dx == 0 && Dy == 0) return;
  FHorz.Position = Horizontal;
  FVert.Position = Vertical;
  // The content moves with the scroll positions; its reach stays the same.
  const bool Updating = FUpdatingRanges;
  FUpdatingRanges = true;
  FImage->SetBounds(FImage->Left() + Dx, FImage->Top() + Dy, FImage->Width(), FImage->Height());
  FUpdatingRanges = Updating;
  ScrollBarsChanged();
}

void TVuImageBoxModel::SetAutoScroll(bool Value) {
  if (FAutoScroll == Value) return;
  FAutoScroll = Value;
  UpdateScrollRanges();
}

// ---------------------------------------------------------------------------
// TVuImageBoxModel: the layout

void TVuImageBoxModel::SetImageScale(int32_t Value) {
  if (Value < 0 || Value > MaxImageScale) throw EAssertionFailed("Invalid scale value", "VuImageBox");
  if (Value == FImageScale) return;
  FImageScale = Value;
  FImageFitToWindow = false;
  UpdateImagePosition(false);
  if (OnOptionsChange) OnOptionsChange();
}

void TVuImageBoxModel::IncreaseImageScale(bool Up) {
  if (const auto Next = NextImageScale(FImageScale, Up)) SetImageScale(*Next);
}

void TVuImageBoxModel::SetImageFitToWindow(bool Value) {
  if (FImageFitToWindow == Value) return;
  FImageFitToWindow = Value;
  if (!Value) FImageScale = 100;
  UpdateImagePosition(true);
}

void TVuImageBoxModel::SetImageFitOnlyBig(bool Value) {
  if (FImageFitOnlyBig == Value) return;
  FImageFitOnlyBig = Value;
  UpdateImagePosition(true);
}

void TVuImageBoxModel::SetImageCenter(bool Value) {
  if (FImageCenter == Value) return;
  FImageCenter = Value;
  UpdateImagePosition(true);
}

void TVuImageBoxModel::UpdateImageInfo() {
  FImageWidth = 0;
  FImageHeight = 0;
  FImageScale = 100;
  if (!FImage->HasGraphic()) return;
  FImageWidth = FImage->Picture().Width();
  FImageHeight = FImage->Picture().Height();
  UpdateImagePosition(true);
}

void TVuImageBoxModel::UpdateImagePosition(bool ResetPosition) {
  TVuImageModel& Img = *FImage;
  const bool Keep = FImageKeepPosition && !ResetPosition;

  // Where the view's centre lies on the shown picture, as a fraction of it.
  int32_t Cw = ClientWidth();
  int32_t Ch = ClientHeight();
  double Rx = 0;
  double Ry = 0;
  if (Img.Width() > 0)
    Rx = static_cast<double>(Img.Left() >= 0 ? Cw / 2 - Img.Left() : Cw / 2 + FHorz.Position) / Img.Width();
  if (Img.Height() > 0)
    Ry = static_cast<double>(Img.Top() >= 0 ? Ch / 2 - Img.Top() : Ch / 2 + FVert.Position) / Img.Height();

  if (!Keep) ScrollTo(0, 0);
  SetAutoScroll(!FImageFitToWindow);
  Img.SetAutoSize(!FImageFitToWindow && FImageScale == 100);
  Img.SetStretch(!Img.AutoSize());
  Img.SetLeft(0);
  Img.SetTop(0);
  Cw = ClientWidth();  // the scroll bars may have come or gone
  Ch = ClientHeight();

  int32_t W = 0;
  int32_t H = 0;
  if (FImageFitToWindow) {
    W = FImageWidth;
    H = FImageHeight;
    if (FImageFitOnlyBig && Cw >= FImageWidth && Ch >= FImageHeight) {
      FImageScale = 100;
    } else if (Cw > 0 && Ch > 0 && FImageWidth > 0 && FImageHeight > 0) {
      const double Aspect = static_cast<double>(FImageWidth) / FImageHeight;
      if (static_cast<double>(Cw) / Ch >= Aspect) {
        H = Ch;
        W = TruncToInt(Ch * Aspect);
        FImageScale = static_cast<int32_t>(int64_t{Ch} * 100 / FImageHeight);
      } else {
        W = Cw;
        H = TruncToInt(Cw / Aspect);
        FImageScale = static_cast<int32_t>(int64_t{Cw} * 100 / FImageWidth);
      }
    }
  } else {
    W = ScaledLength(FImageWidth, FImageScale);
    H = ScaledLength(FImageHeight, FImageScale);
  }

  const int32_t Ox = FImageCenter && Cw > W ? (Cw - W) / 2 : 0;
  const int32_t Oy = FImageCenter && Ch > H ? (Ch - H) / 2 : 0;
  Img.SetBounds(Ox - FHorz.Position, Oy - FVert.Position, W, H);

  if (Keep) {
    const int32_t Horizontal = Ox != 0 ? 0 : std::min(std::max(W - Cw, 0), TruncToInt(W * Rx) - Cw / 2);
    const int32_t Vertical = Oy != 0 ? 0 : std::min(std::max(H - Ch, 0), TruncToInt(H * Ry) - Ch / 2);
    ScrollTo(Horizontal, Vertical);
  }
}

TPoint TVuImageBoxModel::PicturePixelAt(TPoint Shown) const {
  if (FImage->Width() <= 0 || FImage->Height() <= 0) return Shown;
  return {FloorDiv(int64_t{Shown.X} * FImageWidth, FImage->Width()),
          FloorDiv(int64_t{Shown.Y} * FImageHeight, FImage->Height())};
}

// ---------------------------------------------------------------------------
// TVuImageBoxModel: input

bool TVuImageBoxModel::KeyDown(uint16_t Key, TShiftState Shift) {
  const TShiftState Modifiers = Shift & KeyModifiers;
  const bool Plain = Modifiers == 0;
  const bool CtrlAlone = Modifiers == ssCtrl;
  int32_t Horizontal = FHorz.Position;
  int32_t Vertical = FVert.Position;
  switch (Key) {
    case vk::Left:
      if (Plain) Horizontal -= LineStep;
      else if (CtrlAlone) Horizontal = 0;
      else return false;
      break;
    case vk::Right:
      if (Plain) Horizontal += LineStep;
      else if (CtrlAlone) Horizontal = FHorz.Range;
      else return false;
      break;
    case vk::Up:
      if (Plain) Vertical -= LineStep;
      else if (CtrlAlone) Vertical = 0;
      else return false;
      break;
    case vk::Down:
      if (Plain) Vertical += LineStep;
      else if (CtrlAlone) Vertical = FVert.Range;
      else return false;
      break;
    case vk::Prior:
    case vk::Next:
      if (!Plain) return false;
      Vertical += Key == vk::Prior ? -PageStep(ClientHeight()) : PageStep(ClientHeight());
      break;
    case vk::Home:
    case vk::End:
      if (!Plain) return false;
      Horizontal += Key == vk::Home ? -PageStep(ClientWidth()) : PageStep(ClientWidth());
      break;
    default:
      return false;
  }
  ScrollTo(Horizontal, Vertical);
  DoScroll();
  return true;
}

void TVuImageBoxModel::MouseWheel(bool Up, TShiftState Shift) {
  const int32_t Step = Up ? -LineStep : LineStep;
  switch (WheelActionOf(Shift, FImageMouseDown)) {
    case TWheelAction::ScrollVertical:
      SetVertPosition(FVert.Position + Step);
      DoScroll();
      break;
    case TWheelAction::ScrollHorizontal:
      SetHorzPosition(FHorz.Position + Step);
      DoScroll();
      break;
    case TWheelAction::Zoom:
      IncreaseImageScale(Up);
      FImageDragging = false;
      if (FImageMouseDown) SetScreenCursor(FImageScaleCursor);
      break;
    case TWheelAction::None:
      break;
  }
}

void TVuImageBoxModel::ImageMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FFocusable) TakeFocus();
  if (Button == TMouseButton::mbLeft) {
    FImageMouseDown = true;
    if (FImageDrag) {
      FImageDragging = true;
      FImageDraggingPoint = {X, Y};
      SetScreenCursor(FImageDragCursor);
    }
  }
  if (OnMouseDown) OnMouseDown(Button, Shift, X, Y);
}

// The picture moves with the scroll position, so the grabbed point stays
// under the pointer until a scroll limit is reached.
void TVuImageBoxModel::ImageMouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (FImageDrag && FImageDragging)
    ScrollTo(FHorz.Position + (FImageDraggingPoint.X - X), FVert.Position + (FImageDraggingPoint.Y - Y));
  if (OnMouseMove) OnMouseMove(Shift, X, Y);
}

void TVuImageBoxModel::ImageMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == TMouseButton::mbLeft) {
    FImageMouseDown = false;
    FImageDragging = false;
    SetScreenCursor(crDefault);
  }
  if (OnMouseUp) OnMouseUp(Button, Shift, X, Y);
}

void TVuImageBoxModel::BoxMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseDown) OnMouseDown(Button, Shift, X, Y);
  if (FFocusable) TakeFocus();
}

}  // namespace carvelo
