// The image view: one picture shown zoomed, fitted or at its own size,
// centred, and scrollable by scroll bars, keys, the mouse wheel and dragging.
//
// This unit holds everything of the view that is arithmetic and state: the
// zoom steps, where the picture is drawn, the scroll box's ranges and
// positions, the layout of the picture inside the box, and what keys, the
// wheel and the pointer do to it. The Windows controls (VuImageBox_win.h)
// derive from the two models here and add the window, the painting and the
// platform's input; everything here runs and is tested on any platform.
//
// The picture is a carvelo::TBitmap (16, 24 or 32 bits a pixel, as the mask
// editor hands over 24-bit copies of the working picture), owned by the view.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "Bitmap.h"
#include "InputTypes.h"

namespace carvelo {

// The zoom steps, in percent, ascending.
inline constexpr std::array<int32_t, 30> ImageScales{7,   10,  15,  20,  25,  30,  40,  50,  60,  70,
                                                     80,  90,  100, 125, 150, 175, 200, 250, 300, 350,
                                                     400, 450, 500, 600, 700, 800, 1000, 1200, 1400, 1600};
inline constexpr int32_t MaxImageScale = 32766;

// The next step above (Up) or below the scale; none beyond the last step.
std::optional<int32_t> NextImageScale(int32_t Scale, bool Up);

// Round(Length * Scale / 100), halves to the even neighbour.
int32_t ScaledLength(int32_t Length, int32_t Scale);

// How far Page Up, Page Down, Home and End move for a client extent.
int32_t PageStep(int32_t Extent);

// A broken precondition of a caller, naming the unit that found it.
class EAssertionFailed : public std::logic_error {
 public:
  EAssertionFailed(const std::string& Message, std::string UnitName)
      : std::logic_error(Message), FUnit(std::move(UnitName)) {}
  const std::string& UnitName() const { return FUnit; }

 private:
  std::string FUnit;
};

// What one wheel notch does; the modifier state must match exactly.
enum class TWheelAction { None, ScrollVertical, ScrollHorizontal, Zoom };
TWheelAction WheelActionOf(TShiftState Shift, bool ImageMouseDown);

// Where a picture of the given size is drawn in a client area of the given
// size: at its own size, stretched over the whole area, or stretched with
// its aspect kept; moved to the middle when centred.
TRect PictureRectOf(int32_t PictureWidth, int32_t PictureHeight, int32_t ClientWidth, int32_t ClientHeight,
                    bool Stretch, bool Proportional, bool Center);

// Draws the picture stretched into a rectangle of the control.
using TStretchDraw = std::function<void(const TBitmap& Picture, const TRect& Into)>;

// The picture control (TVuImage) without its platform: bounds inside its
// parent, the owned picture, the drawing options and where the picture goes.
class TVuImageModel {
 public:
  TVuImageModel() = default;
  TVuImageModel(const TVuImageModel&) = delete;
  TVuImageModel& operator=(const TVuImageModel&) = delete;
  virtual ~TVuImageModel() = default;

  int32_t Left() const { return FBounds.Left; }
  int32_t Top() const { return FBounds.Top; }
  int32_t Width() const { return FBounds.Width(); }
  int32_t Height() const { return FBounds.Height(); }
  const TRect& BoundsRect() const { return FBounds; }
  void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height);
  void SetLeft(int32_t Left) { SetBounds(Left, Top(), Width(), Height()); }
  void SetTop(int32_t Top) { SetBounds(Left(), Top, Width(), Height()); }

  // The picture. Assigning copies; after drawing on Picture() call
  // PictureChanged, as every change of the picture must be followed by it.
  const TBitmap& Picture() const { return FPicture; }
  TBitmap& Picture() { return FPicture; }
  void SetPicture(const TBitmap& Picture);
  void SetPicture(TBitmap&& Picture);
  bool HasGraphic() const { return !FPicture.Empty(); }
  void PictureChanged();

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value) { SetOption(FCenter, Value); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value) { SetOption(FStretch, Value); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value) { SetOption(FProportional, Value); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { SetOption(FTransparent, Value); }
  bool IncrementalDisplay() const { return FIncrementalDisplay; }
  void SetIncrementalDisplay(bool Value) { FIncrementalDisplay = Value; }
  // Halftone stretching exists only on the Windows NT family; elsewhere the
  // value stays false.
  bool Resample() const { return FResample; }
  void SetResample(bool Value) { SetOption(FResample, Value && HalftoneAvailable()); }
  uint32_t ResampleDelay() const { return FResampleDelay; }
  void SetResampleDelay(uint32_t Milliseconds);
  uint32_t ResampleBackColor() const { return FResampleBackColor; }
  void SetResampleBackColor(uint32_t Color) { FResampleBackColor = Color; }

  // Where the picture is drawn, in control coordinates.
  TRect PictureRect() const;
  // Covers the whole control with an opaque picture.
  bool Opaque() const { return FOpaque; }

  // The ordinary paint: the fast stretch, then the resampled paint follows
  // ResampleDelay ms after the last one.
  void Paint(const TStretchDraw& Draw);
  // The resampled paint, when the timer fires.
  void PaintResampled(const TStretchDraw& DrawHalftone);
  bool ResampleTimerRunning() const { return FTimerRunning; }

  TNotifyEvent OnPaint;     // after each resampled paint
  TNotifyEvent OnProgress;  // load progress; an in-memory bitmap is complete at once and never loads

 protected:
  // Platform hooks: repaint the control later; (re)start or stop the
  // resample timer.
  virtual void Invalidate() {}
  virtual void ResampleTimerChanged() {}
  virtual bool HalftoneAvailable() const { return true; }

 private:
  friend class TVuImageBoxModel;
  void SetOption(bool& Field, bool Value);
  void SetTimerRunning(bool Running);

  std::function<void()> FParentBoundsChanged;  // the scroll box's ranges follow the child

  TRect FBounds{0, 0, 105, 105};
  TBitmap FPicture;
  bool FAutoSize = false;
  bool FCenter = false;
  bool FStretch = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FIncrementalDisplay = false;
  bool FResample = false;
  uint32_t FResampleDelay = 300;
  uint32_t FResampleBackColor = 0xFFFFFF;
  bool FOpaque = false;
  bool FDrawing = false;
  bool FTimerRunning = false;
};

// One scroll bar of the box: the position, the range (how far the content
// reaches) and whether the bar is shown.
struct TScrollBarState {
  int32_t Position = 0;
  int32_t Range = 0;
  bool Visible = false;
};

// The scrolling container (TVuImageBox) without its platform: a scroll box
// whose one child is the picture control, the layout of the picture, and
// what keys, wheel and pointer do. Sizes are the client area without scroll
// bars; a bar, when shown, takes its thickness off the client area.
class TVuImageBoxModel {
 public:
  explicit TVuImageBoxModel(std::unique_ptr<TVuImageModel> Image);
  TVuImageBoxModel(const TVuImageBoxModel&) = delete;
  TVuImageBoxModel& operator=(const TVuImageBoxModel&) = delete;
  virtual ~TVuImageBoxModel() = default;

  TVuImageModel& Image() { return *FImage; }
  const TVuImageModel& Image() const { return *FImage; }

  // The scroll box.
  int32_t ClientWidth() const { return FAreaWidth - (FVert.Visible ? FVerticalBarWidth : 0); }
  int32_t ClientHeight() const { return FAreaHeight - (FHorz.Visible ? FHorizontalBarHeight : 0); }
  const TScrollBarState& HorzScrollBar() const { return FHorz; }
  const TScrollBarState& VertScrollBar() const { return FVert; }
  void SetHorzPosition(int32_t Position) { ScrollTo(Position, FVert.Position); }
  void SetVertPosition(int32_t Position) { ScrollTo(FHorz.Position, Position); }
  bool AutoScroll() const { return FAutoScroll; }
  void SetScrollBarSizes(int32_t VerticalBarWidth, int32_t HorizontalBarHeight);
  // The box got a new size (client area without bars): the ranges follow,
  // then the layout is redone keeping the position.
  void Resize(int32_t AreaWidth, int32_t AreaHeight);

  // The layout.
  int32_t ImageWidth() const { return FImageWidth; }
  int32_t ImageHeight() const { return FImageHeight; }
  int32_t ImageScale() const { return FImageScale; }
  // Throws EAssertionFailed "Invalid scale value" outside 0..32766.
  void SetImageScale(int32_t Value);
  void IncreaseImageScale(bool Up);
  void UpdateImageInfo();
  void UpdateImagePosition(bool ResetPosition);

  bool Focusable() const { return FFocusable; }
  void SetFocusable(bool Value) { FFocusable = Value; }
  bool ImageFitToWindow() const { return FImageFitToWindow; }
  void SetImageFitToWindow(bool Value);
  bool ImageFitOnlyBig() const { return FImageFitOnlyBig; }
  void SetImageFitOnlyBig(bool Value);
  bool ImageCenter() const { return FImageCenter; }
  void SetImageCenter(bool Value);
  bool ImageKeepPosition() const { return FImageKeepPosition; }
  void SetImageKeepPosition(bool Value) { FImageKeepPosition = Value; }
  bool ImageDrag() const { return FImageDrag; }
  void SetImageDrag(bool Value) { FImageDrag = Value; }
  TCursor ImageDragCursor() const { return FImageDragCursor; }
  void SetImageDragCursor(TCursor Value) { FImageDragCursor = Value; }
  TCursor ImageScaleCursor() const { return FImageScaleCursor; }
  void SetImageScaleCursor(TCursor Value) { FImageScaleCursor = Value; }

  // Input. KeyDown answers whether the key was handled (and consumed).
  bool KeyDown(uint16_t Key, TShiftState Shift);
  void MouseWheel(bool Up, TShiftState Shift);
  // Pointer on the picture, in picture coordinates (relative to the shown
  // picture's top-left corner).
  void ImageMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void ImageMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  void ImageMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  // Pointer on the box outside the picture, in box coordinates.
  void BoxMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  bool ImageMouseIsDown() const { return FImageMouseDown; }
  bool ImageDragging() const { return FImageDragging; }
  TPoint ImageDraggingPoint() const { return FImageDraggingPoint; }

  // Coordinates: the box's client area and the shown picture (which already
  // includes the scroll offsets), and a picture pixel under a point of the
  // shown picture at the current scale (the same point at 100 %).
  TPoint PictureToView(TPoint P) const { return {P.X + FImage->Left(), P.Y + FImage->Top()}; }
  TPoint ViewToPicture(TPoint P) const { return {P.X - FImage->Left(), P.Y - FImage->Top()}; }
  TPoint PicturePixelAt(TPoint Shown) const;

  TNotifyEvent OnScroll;         // after scrolling by scroll bar, key or wheel; not by panning
  TNotifyEvent OnOptionsChange;  // after ImageScale changed through its setter
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  // Platform hooks: the scroll bars or the picture's place changed; the
  // screen cursor while panning or zooming; the keyboard focus.
  virtual void ScrollBarsChanged() {}
  virtual void SetScreenCursor(TCursor) {}
  virtual void TakeFocus() {}
  void DoScroll() {
    if (OnScroll) OnScroll();
  }

 private:
  void ImageBoundsChanged();
  void UpdateScrollRanges();
  void ScrollTo(int32_t Horizontal, int32_t Vertical);
  void SetAutoScroll(bool Value);
  int32_t MaxPosition(const TScrollBarState& Bar, int32_t ClientExtent) const;

  std::unique_ptr<TVuImageModel> FImage;
  // scroll box
  int32_t FAreaWidth = 0;
  int32_t FAreaHeight = 0;
  int32_t FVerticalBarWidth = 17;
  int32_t FHorizontalBarHeight = 17;
  bool FAutoScroll = false;
  TScrollBarState FHorz;
  TScrollBarState FVert;
  bool FUpdatingRanges = false;
  // options
  bool FFocusable = true;
  bool FImageFitToWindow = false;
  bool FImageFitOnlyBig = true;
  bool FImageCenter = true;
  bool FImageKeepPosition = true;
  bool FImageDrag = true;
  TCursor FImageDragCursor = crSizeAll;
  TCursor FImageScaleCursor = crSizeNS;
  // layout
  int32_t FImageWidth = 0;
  int32_t FImageHeight = 0;
  int32_t FImageScale = 100;
  // pan
  bool FImageMouseDown = false;
  bool FImageDragging = false;
  TPoint FImageDraggingPoint;
};

}  // namespace carvelo
