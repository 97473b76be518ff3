// The image view as Windows controls: TVuImageBox is a child window with
// scroll bars that shows one TVuImage, a windowless picture control that the
// box paints (double-buffered) and hit-tests. Layout, scrolling and input
// rules come from the portable models in VuImageBox.h; this adds the window,
// the painting, the scroll bars, the pointer capture, cursors and focus.
#pragma once

#include <windows.h>

#include "VuImageBox.h"

namespace carvelo {

class TVuImageBox;

// The picture control: drawn by its box onto the box's surface, in the box's
// client coordinates. Its resample timer is a timer of the box's window.
class TVuImage final : public TVuImageModel {
 public:
  // The box owns its picture control and stops the timer when it goes.
  explicit TVuImage(TVuImageBox& Parent) : FParent(Parent) {}

  // Draws the picture into its bounds on a device context of the box's
  // client area: the fast stretch (colour on colour).
  void PaintOn(HDC DC);
  // The timer's tick: the halftone stretch, straight onto the box.
  void PaintResampledNow();

 protected:
  void Invalidate() override;
  void ResampleTimerChanged() override;
  bool HalftoneAvailable() const override;

 private:
  TVuImageBox& FParent;
};

class TVuImageBox final : public TVuImageBoxModel {
 public:
  // A child window of Parent with the given outer bounds. Throws
  // std::runtime_error when the window can't be made.
  TVuImageBox(HWND Parent, int Left, int Top, int Width, int Height);
  ~TVuImageBox() override;

  HWND Handle() const { return FHandle; }
  TVuImage& Image() { return static_cast<TVuImage&>(TVuImageBoxModel::Image()); }
  const TVuImage& Image() const { return static_cast<const TVuImage&>(TVuImageBoxModel::Image()); }

  // Moves or resizes the box within its parent.
  void SetBounds(int Left, int Top, int Width, int Height);
  // The box's own cursor over its client area; the screen cursor, set while
  // panning or zooming, overrides it.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TCursor ScreenCursor() const { return FScreenCursor; }

  static constexpr UINT_PTR ResampleTimerId = 1;

 protected:
  void ScrollBarsChanged() override;
  void SetScreenCursor(TCursor Value) override;
  void TakeFocus() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  void SyncScrollBars();
  void AreaResized();
  void Paint();
  void ScrollBarMessage(int Bar, WORD Code);
  void MouseWheelMessage(WPARAM WParam);
  void ButtonDown(TMouseButton Button, WPARAM WParam, LPARAM LParam);
  void ButtonUp(TMouseButton Button, WPARAM WParam, LPARAM LParam);
  void MouseMoveMessage(WPARAM WParam, LPARAM LParam);
  void CaptureLost();
  void ApplyCursor() const;

  HWND FHandle = nullptr;
  bool FSyncing = false;       // our own scroll bar changes resize the client area
  bool FImageCaptured = false; // the picture holds the pointer from a press to the last release
  bool FReleasing = false;
  TPoint FLastImagePoint;
  int FWheelDelta = 0;         // part of a notch left over from fine-grained wheels
  TCursor FCursor = crDefault;
  TCursor FScreenCursor = crDefault;
};

}  // namespace carvelo
