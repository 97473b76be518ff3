// The mask editor: marks to protect (green) and to remove (red) painted
// straight into a copy of the picture, with pencils, squares and an eraser
// that restores the untouched picture, and Ctrl+Z to take strokes back.
//
// This unit holds the editor's rules without a window: the tool state
// machine, the square's fill rectangle, the creeping dashes of the square's
// outline, the undo stack and the mapping between the view and the picture.
// The window (Unit1_win.h) derives from TPaintFrmModel and supplies the
// pointer confinement, the timer, the view's surface and the platform's wide
// pen; everything here runs and is tested on any platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <unordered_set>
#include <vector>

#include "Bitmap.h"
#include "MarkColours.h"
#include "VuImageBox.h"

namespace carvelo {

// Colours as 0x00BBGGRR.
constexpr TRGB RGBOfColor(uint32_t Color) {
  return {uint8_t(Color & 0xFF), uint8_t((Color >> 8) & 0xFF), uint8_t((Color >> 16) & 0xFF)};
}
constexpr uint32_t ColorOfRGB(TRGB Colour) {
  return uint32_t{Colour.R} | uint32_t{Colour.G} << 8 | uint32_t{Colour.B} << 16;
}

// The pencils' colours, the job's mark colours (MarkColours.h). A pixel of
// exactly one of them is a mark, whether it was painted or not.
inline constexpr uint32_t clProtectMark = ColorOfRGB(ProtectColour);
inline constexpr uint32_t clRemoveMark = ColorOfRGB(RemoveColour);
static_assert(clProtectMark == 0x008000 && clRemoveMark == 0x0000FF);
inline constexpr uint32_t clWhite = 0xFFFFFF;
inline constexpr uint32_t clBlack = 0x000000;

// The pencils' widths, one for each item of the pen-size menu.
inline constexpr std::array<int32_t, 4> PenWidths{3, 6, 9, 12};
// The eraser's square, whatever the pen size.
inline constexpr int32_t EraseSize = 20;
// Each tick moves the outline's dashes by two pixels.
inline constexpr uint32_t Timer1Interval = 100;

// The tool state (FMode).
enum TPaintMode : uint8_t {
  pmMove = 0,
  pmPencilReady = 1,
  pmSquareReady = 2,
  pmPencilDrawing = 3,
  pmSquareDragging = 4,
  pmEraseReady = 5,
  pmErasing = 6,
};

// The square tools' rectangle: where the drag started and where it is now.
struct TSelRect {
  int32_t X1 = 0;
  int32_t Y1 = 0;
  int32_t X2 = 0;
  int32_t Y2 = 0;
  bool operator==(const TSelRect&) const = default;
};

// What a square fills: from the smaller to the larger corner on each axis,
// the larger one excluded, whichever way the drag went.
TRect FillRectOf(const TSelRect& Sel);

// The part of the view repainted to take an outline away: the sorted
// rectangle grown by one pixel, less the rectangle two pixels inside that,
// so only a two-pixel band around the outline is redrawn.
struct TOutlineBand {
  TRect Outer;
  TRect Inner;  // excluded from the repaint; empty for a thin rectangle
};
TOutlineBand OutlineBandOf(const TSelRect& Sel);

// The dash pattern of the outline, shared by every editor window: the phase
// the next outline starts from (128, 32, 8 or 2) and the register that runs
// along the outline while it is drawn.
extern uint8_t DashPhase;
extern uint8_t DashBits;

// The phase after one timer tick: the dashes creep on by two pixels.
uint8_t NextDashPhase(uint8_t Phase);

// Draws the dashed frame of Sel, five pixels black then three white, the
// pattern running on around the corners; each side leaves out its end point,
// which is where the next side starts.
using TPixelSink = std::function<void(int32_t X, int32_t Y, uint32_t Color)>;
void DrawOutline(const TSelRect& Sel, const TPixelSink& SetPixel);

// Undo: each step keeps the pixels its stroke, square or erase changed, as
// the rectangles of a fixed grid that it touched, saved before the first
// change. Steps beyond MaxSteps, or beyond MaxBytes together, are forgotten
// oldest first; the newest step is always kept.
class TUndoStack {
 public:
  static constexpr size_t MaxSteps = 100;
  static constexpr size_t MaxBytes = size_t{128} << 20;
  static constexpr int32_t Tile = 32;

  // A new step; changes saved from now on undo together.
  void BeginStep();
  // Keeps the pixels of Area (clipped to the picture) that this step has not
  // kept yet; call before changing them.
  void Save(const TBitmap& Picture, const TRect& Area);
  // Closes the step; a step that kept nothing is dropped.
  void EndStep();
  bool StepOpen() const { return FOpen; }

  // Puts the newest closed step's pixels back; the rectangle that changed,
  // or an empty one when there was nothing to undo.
  TRect Undo(TBitmap& Picture);

  size_t Count() const { return FSteps.size(); }
  size_t Bytes() const { return FBytes; }
  void Clear();

 private:
  struct TSaved {
    TRect Area;
    std::vector<uint8_t> Pixels;
  };
  using TStep = std::vector<TSaved>;
  void Trim();

  std::deque<TStep> FSteps;
  std::unordered_set<uint64_t> FTilesKept;  // of the open step
  bool FOpen = false;
  size_t FBytes = 0;
};

// Pixels of a bitmap changed in bulk; both bitmaps of a copy have the same
// layout, areas are clipped to the picture.
void FillPixels(TBitmap& Picture, const TRect& Area, TRGB Color);
void CopyPixels(TBitmap& Target, const TBitmap& Source, const TRect& Area);
TRect ClipToPicture(const TRect& Area, const TBitmap& Picture);

// The pixels inside Clip that a straight line of the given width with round
// ends covers: those whose centre lies within half the width of the segment.
using TCoverageSink = std::function<void(int32_t X, int32_t Y)>;
void StrokeCoverageOf(TPoint From, TPoint To, int32_t Width, const TRect& Clip, const TCoverageSink& Covered);

// TPaintFrm without its window: the two pictures, the tools, the state
// machine of the pointer, the outline and undo. The marked picture is the
// view's picture; the reference picture stays as it was handed over.
//
// Pointer positions arrive as the view passes them: relative to the shown
// picture's top-left corner. The editor turns them into picture pixels at
// the view's current scale, so marks land under the pointer at every zoom.
// A left press outside a centred picture (the view passes it in its own
// coordinates) paints nothing.
// A picture with alpha as the editor shows it: over a checkerboard of
// squares of CheckerSquare pixels, CheckerLight at the top-left corner and
// CheckerDark beside it. Its colour channels are never 0 where a pixel is
// not fully opaque, so it shows no mark colour that the picture lacks.
inline constexpr int32_t CheckerSquare = 8;
inline constexpr TRGB CheckerLight{255, 255, 255}, CheckerDark{204, 204, 204};
TBitmap OverCheckerboard(const TBitmap& Picture);

class TPaintFrmModel {
 public:
  explicit TPaintFrmModel(TVuImageBoxModel& Box) : FBox(Box) {}
  TPaintFrmModel(const TPaintFrmModel&) = delete;
  TPaintFrmModel& operator=(const TPaintFrmModel&) = delete;
  virtual ~TPaintFrmModel() = default;

  // Gives the editor the working picture: the reference picture and the
  // marked picture become 24-bit copies of it, a transparent picture shown
  // over a light checkerboard (see OverCheckerboard).
  void SetPictures(const TBitmap& Working);
  const TBitmap& MarkedPicture() const { return FBox.Image().Picture(); }
  const TBitmap& Original() const { return FOriginal; }

  // Before showing: the view takes the picture over (scale 100, scrolled to
  // the start), the Move tool, pen width 3, no rectangle, no undo, the
  // outline's phase restarted and Timer1 running.
  void Prepare();

  // The tool buttons.
  void ToolButton1Click();  // Move
  void tb_eraseClick();     // Erase
  void tb_greenClick();     // Pencil - Protect
  void tb_redClick();       // Pencil - Remove
  void ToolButton5Click();  // Square - Protect
  void ToolButton8Click();  // Square - Delete
  // The pen-size menu: item 0..3 (N11..N41) chosen; it becomes the checked one.
  void PenSizeClick(size_t Item);
  size_t PenSizeItem() const { return FPenSizeItem; }

  // The view's pointer events.
  void BoxMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void BoxMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  void BoxMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void Timer1Timer();

  // Ctrl+Z: takes back the last stroke, square or erase; nothing while one
  // is being drawn. Answers whether something was undone.
  bool Undo();
  const TUndoStack& UndoStack() const { return FUndo; }

  // Every close: the arrow cursor; a square drag that was still going on
  // lets the pointer go and stops the timer.
  void FormClose();

  TPaintMode Mode() const { return FMode; }
  uint32_t MarkColor() const { return FMarkColor; }
  uint32_t PenColor() const { return FPenColor; }
  uint32_t BrushColor() const { return FBrushColor; }
  int32_t PenWidth() const { return FPenWidth; }
  const TSelRect& SelRect() const { return FSelRect; }

 protected:
  // Platform hooks: the view's cursor; the pointer held inside the view;
  // Timer1; one pixel of the view's surface (the outline); repainting a band
  // of the view from the picture at once; the pixels a pencil segment covers
  // (by default the portable round-ended stroke).
  virtual void SetViewCursor(TCursor) {}
  virtual void ConfinePointer(bool /*Confined*/) {}
  virtual void SetTimer1(bool /*Enabled*/) {}
  virtual void SetViewPixel(int32_t /*X*/, int32_t /*Y*/, uint32_t /*Color*/) {}
  virtual void RepaintBand(const TOutlineBand&) {}
  virtual void StrokeCoverage(TPoint From, TPoint To, int32_t Width, const TRect& Clip,
                              const TCoverageSink& Covered) {
    StrokeCoverageOf(From, To, Width, Clip, Covered);
  }

  TVuImageBoxModel& Box() { return FBox; }

 private:
  void SelectTool(TPaintMode Mode, TCursor Cursor);
  TPoint PicturePixel(int32_t X, int32_t Y) const;
  TPoint ViewPoint(int32_t X, int32_t Y) const;
  void DrawSelOutline();
  void EraseSelOutline();
  void PencilSegment(TPoint To);
  void EraseSquare(TPoint At);
  void FillSquare();
  void PictureChanged() { FBox.Image().PictureChanged(); }

  TVuImageBoxModel& FBox;
  TBitmap FOriginal;
  TPaintMode FMode = pmMove;
  uint32_t FMarkColor = clWhite;
  uint32_t FPenColor = clBlack;
  uint32_t FBrushColor = clWhite;
  int32_t FPenWidth = PenWidths[0];
  size_t FPenSizeItem = 0;
  TPoint FPenPos;
  TSelRect FSelRect;
  TUndoStack FUndo;
};

}  // namespace carvelo
