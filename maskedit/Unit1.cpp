#include "Unit1.h"

#include <algorithm>
#include <cstring>

namespace carvelo {

uint8_t DashPhase = 128;
uint8_t DashBits = 0;

namespace {

bool IsEmpty(const TRect& R) { return R.Width() <= 0 || R.Height() <= 0; }

TRect Union(const TRect& A, const TRect& B) {
  if (IsEmpty(A)) return B;
  if (IsEmpty(B)) return A;
  return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom)};
}

}  // namespace

// ---------------------------------------------------------------------------
// Rectangles

TRect FillRectOf(const TSelRect& Sel) {
  return {std::min(Sel.X1, Sel.X2), std::min(Sel.Y1, Sel.Y2), std::max(Sel.X1, Sel.X2), std::max(Sel.Y1, Sel.Y2)};
}

TOutlineBand OutlineBandOf(const TSelRect& Sel) {
  const TRect Sorted = FillRectOf(Sel);
  const TRect Outer{Sorted.Left - 1, Sorted.Top - 1, Sorted.Right + 1, Sorted.Bottom + 1};
  TRect Inner{Outer.Left + 2, Outer.Top + 2, Outer.Right - 2, Outer.Bottom - 2};
  if (Inner.Width() <= 0 || Inner.Height() <= 0) Inner = {};
  return {Outer, Inner};
}

TRect ClipToPicture(const TRect& Area, const TBitmap& Picture) {
  TRect R{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, Picture.Width()),
          std::min(Area.Bottom, Picture.Height())};
  if (R.Width() <= 0 || R.Height() <= 0) return {};
  return R;
}


// ---------------------------------------------------------------------------
// The outline

uint8_t NextDashPhase(uint8_t Phase) {
  const uint8_t Next = Phase / 4;
  return Next == 0 ? 128 : Next;
}

namespace {

void DrawDashPixel(int32_t X, int32_t Y, const TPixelSink& SetPixel) {
  DashBits = static_cast<uint8_t>(DashBits * 2);
  if (DashBits == 0) DashBits = 1;
  SetPixel(X, Y, DashBits >= 32 ? clWhite : clBlack);
}

// One side of the frame, every pixel but its end point (the frame's sides
// are straight along an axis, so each step is one pixel).
void DashRun(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, const TPixelSink& SetPixel) {
  const int32_t Dx = (X2 > X1) - (X2 < X1);
  const int32_t Dy = (Y2 > Y1) - (Y2 < Y1);
  for (int32_t X = X1, Y = Y1; X != X2 || Y != Y2; X += Dx, Y += Dy) DrawDashPixel(X, Y, SetPixel);
}

}  // namespace

void DrawOutline(const TSelRect& Sel, const TPixelSink& SetPixel) {
  DashBits = DashPhase;
  DashRun(Sel.X1, Sel.Y1, Sel.X2, Sel.Y1, SetPixel);
  DashRun(Sel.X2, Sel.Y1, Sel.X2, Sel.Y2, SetPixel);
  DashRun(Sel.X2, Sel.Y2, Sel.X1, Sel.Y2, SetPixel);
  DashRun(Sel.X1, Sel.Y2, Sel.X1, Sel.Y1, SetPixel);
}

// ---------------------------------------------------------------------------
// Pixels

void FillPixels(TBitmap& Picture, const TRect& Area, TRGB Color) {
  const TRect R = ClipToPicture(Area, Picture);
  if (IsEmpty(R)) return;
  if (Picture.BitCount() != 24) {
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
      for (int32_t X = R.Left; X < R.Right; ++X) PutPixelRGB(Picture, X, Y, Color);
    return;
  }
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    uint8_t* P = Picture.ScanLine(Y) + size_t(R.Left) * 3;
    for (int32_t X = R.Left; X < R.Right; ++X, P += 3) {
      P[0] = Color.B;
      P[1] = Color.G;
      P[2] = Color.R;
    }
  }
}

void CopyPixels(TBitmap& Target, const TBitmap& Source, const TRect& Area) {
  const TRect R = ClipToPicture(ClipToPicture(Area, Target), Source);
  if (IsEmpty(R)) return;
  const size_t Bpp = size_t(Target.BytesPerPixel());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    std::memcpy(Target.ScanLine(Y) + R.Left * Bpp, Source.ScanLine(Y) + R.Left * Bpp, size_t(R.Width()) * Bpp);
}

void StrokeCoverageOf(TPoint From, TPoint To, int32_t Width, const TRect& Clip, const TCoverageSink& Covered) {
  const double Radius = Width / 2.0;
  const int32_t Reach = Width / 2 + 1;
  const double Dx = To.X - From.X, Dy = To.Y - From.Y;
  const double Length2 = Dx * Dx + Dy * Dy;
  const int32_t Bottom = std::min(std::max(From.Y, To.Y) + Reach + 1, Clip.Bottom);
  const int32_t Right = std::min(std::max(From.X, To.X) + Reach + 1, Clip.Right);
  for (int32_t Y = std::max(std::min(From.Y, To.Y) - Reach, Clip.Top); Y < Bottom; ++Y)
    for (int32_t X = std::max(std::min(From.X, To.X) - Reach, Clip.Left); X < Right; ++X) {
      // The segment's point nearest to the pixel, both measured from pixel centres.
      const double Px = X - From.X, Py = Y - From.Y;
      const double T = Length2 > 0 ? std::clamp((Px * Dx + Py * Dy) / Length2, 0.0, 1.0) : 0.0;
      const double Ex = Px - T * Dx, Ey = Py - T * Dy;
      if (Ex * Ex + Ey * Ey <= Radius * Radius) Covered(X, Y);
    }
}

// ---------------------------------------------------------------------------
// TUndoStack

void TUndoStack::BeginStep() {
  if (FOpen) EndStep();
  FSteps.emplace_back();
  FTilesKept.clear();
  FOpen = true;
}

void TUndoStack::Save(const TBitmap& Picture, const TRect& Area) {
  const TRect R = ClipToPicture(Area, Picture);
  if (!FOpen || IsEmpty(R)) return;
  const size_t Bpp = size_t(Picture.BytesPerPixel());
  for (int32_t Ty = R.Top / Tile; Ty <= (R.Bottom - 1) / Tile; ++Ty)
    for (int32_t Tx = R.Left / Tile; Tx <= (R.Right - 1) / Tile; ++Tx) {
      if (!FTilesKept.insert((uint64_t(uint32_t(Ty)) << 32) | uint32_t(Tx)).second) continue;
      TSaved Saved{ClipToPicture({Tx * Tile, Ty * Tile, (Tx + 1) * Tile, (Ty + 1) * Tile}, Picture), {}};
      const size_t RowBytes = size_t(Saved.Area.Width()) * Bpp;
      Saved.Pixels.resize(RowBytes * size_t(Saved.Area.Height()));
      for (int32_t Y = Saved.Area.Top; Y < Saved.Area.Bottom; ++Y)
        std::memcpy(Saved.Pixels.data() + size_t(Y - Saved.Area.Top) * RowBytes,
                    Picture.ScanLine(Y) + Saved.Area.Left * Bpp, RowBytes);
      FBytes += Saved.Pixels.size();
      FSteps.back().push_back(std::move(Saved));
    }
}

void TUndoStack::EndStep() {
  if (!FOpen) return;
  FOpen = false;
  FTilesKept.clear();
  if (FSteps.back().empty()) FSteps.pop_back();
  Trim();
}

void TUndoStack::Trim() {
  while (FSteps.size() > MaxSteps || (FBytes > MaxBytes && FSteps.size() > 1)) {
    for (const TSaved& Saved : FSteps.front()) FBytes -= Saved.Pixels.size();
    FSteps.pop_front();
  }
}

TRect TUndoStack::Undo(TBitmap& Picture) {
  if (FOpen || FSteps.empty()) return {};
  TRect Changed;
  const size_t Bpp = size_t(Picture.BytesPerPixel());
  for (const TSaved& Saved : FSteps.back()) {
    const size_t RowBytes = size_t(Saved.Area.Width()) * Bpp;
    for (int32_t Y = Saved.Area.Top; Y < Saved.Area.Bottom; ++Y)
      std::memcpy(Picture.ScanLine(Y) + Saved.Area.Left * Bpp,
                  Saved.Pixels.data() + size_t(Y - Saved.Area.Top) * RowBytes, RowBytes);
    FBytes -= Saved.Pixels.size();
    Changed = Union(Changed, Saved.Area);
  }
  FSteps.pop_back();
  return Changed;
}

void TUndoStack::Clear() {
  FSteps.clear();
  FTilesKept.clear();
  FOpen = false;
  FBytes = 0;
}

// ---------------------------------------------------------------------------
// TPaintFrmModel

TBitmap OverCheckerboard(const TBitmap& Picture) {
  return Composited(Picture, [](int32_t x, int32_t y) {
    return (x / CheckerSquare + y / CheckerSquare) % 2 == 0 ? CheckerLight : CheckerDark;
  });
}

void TPaintFrmModel::SetPictures(const TBitmap& Working) {
  FOriginal = Working.HasAlpha() ? OverCheckerboard(Working) : ConvertDepth(Working, 24);
  FBox.Image().SetPicture(FOriginal.Clone());
}

void TPaintFrmModel::Prepare() {
  FBox.UpdateImageInfo();
  FMode = pmMove;
  FBox.SetImageDrag(true);
  FMarkColor = clWhite;
  FPenWidth = PenWidths[0];
  FPenSizeItem = 0;
  FSelRect = {};
  FUndo.Clear();
  DashPhase = 128;
  SetTimer1(true);
}

void TPaintFrmModel::SelectTool(TPaintMode Mode, TCursor Cursor) {
  FMode = Mode;
  FBox.SetImageDrag(Mode == pmMove);
  SetViewCursor(Cursor);
}

void TPaintFrmModel::ToolButton1Click() { SelectTool(pmMove, crArrow); }

void TPaintFrmModel::tb_eraseClick() { SelectTool(pmEraseReady, crHandPoint); }

void TPaintFrmModel::tb_greenClick() {
  SelectTool(pmPencilReady, crHandPoint);
  FMarkColor = FPenColor = clProtectMark;
}

void TPaintFrmModel::tb_redClick() {
  SelectTool(pmPencilReady, crHandPoint);
  FMarkColor = FPenColor = clRemoveMark;
}

void TPaintFrmModel::ToolButton5Click() {
  SelectTool(pmSquareReady, crCross);
  FMarkColor = FBrushColor = clProtectMark;
}

void TPaintFrmModel::ToolButton8Click() {
  SelectTool(pmSquareReady, crCross);
  FMarkColor = FBrushColor = clRemoveMark;
}

void TPaintFrmModel::PenSizeClick(size_t Item) {
  if (Item >= PenWidths.size()) return;
  FPenSizeItem = Item;
  FPenWidth = PenWidths[Item];
}

// The view passes positions relative to the shown picture; at another scale
// than 100 the picture pixel under the pointer is found by dividing.
TPoint TPaintFrmModel::PicturePixel(int32_t X, int32_t Y) const { return FBox.PicturePixelAt({X, Y}); }

TPoint TPaintFrmModel::ViewPoint(int32_t X, int32_t Y) const { return FBox.PictureToView({X, Y}); }

void TPaintFrmModel::BoxMouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
  // A press on the view's background arrives in the view's coordinates:
  // only a press on the picture starts a mark.
  if (Button != TMouseButton::mbLeft || !FBox.ImageMouseIsDown()) return;
  switch (FMode) {
    case pmPencilReady:
      FPenPos = PicturePixel(X, Y);
      FUndo.BeginStep();
      FMode = pmPencilDrawing;
      break;
    case pmSquareReady:
      EraseSelOutline();
      FSelRect.X1 = FSelRect.X2 = ViewPoint(X, Y).X;
      FSelRect.Y1 = FSelRect.Y2 = ViewPoint(X, Y).Y;
      ConfinePointer(true);
      SetTimer1(true);
      FMode = pmSquareDragging;
      break;
    case pmEraseReady:
      FUndo.BeginStep();
      FMode = pmErasing;
      break;
    default:
      break;
  }
}

void TPaintFrmModel::BoxMouseMove(TShiftState, int32_t X, int32_t Y) {
  switch (FMode) {
    case pmPencilDrawing:
      PencilSegment(PicturePixel(X, Y));
      break;
    case pmSquareDragging:
      EraseSelOutline();
      FSelRect.X2 = ViewPoint(X, Y).X;
      FSelRect.Y2 = ViewPoint(X, Y).Y;
      DrawSelOutline();
      break;
    case pmErasing:
      EraseSquare(PicturePixel(X, Y));
      break;
    default:
      break;
  }
}

void TPaintFrmModel::BoxMouseUp(TMouseButton, TShiftState, int32_t X, int32_t Y) {
  switch (FMode) {
    case pmPencilDrawing:
      // No segment to the release point.
      FPenPos = PicturePixel(X, Y);
      FUndo.EndStep();
      FMode = pmPencilReady;
      break;
    case pmSquareDragging:
      ConfinePointer(false);
      SetTimer1(false);
      EraseSelOutline();
      FSelRect.X2 = ViewPoint(X, Y).X;
      FSelRect.Y2 = ViewPoint(X, Y).Y;
      FillSquare();
      FMode = pmSquareReady;
      break;
    case pmErasing:
      FUndo.EndStep();
      FMode = pmEraseReady;
      break;
    default:
      break;
  }
}

void TPaintFrmModel::Timer1Timer() {
  DashPhase = NextDashPhase(DashPhase);
  DrawSelOutline();
}

void TPaintFrmModel::DrawSelOutline() {
  DrawOutline(FSelRect, [this](int32_t X, int32_t Y, uint32_t Color) { SetViewPixel(X, Y, Color); });
}

void TPaintFrmModel::EraseSelOutline() { RepaintBand(OutlineBandOf(FSelRect)); }

void TPaintFrmModel::PencilSegment(TPoint To) {
  if (To == FPenPos) return;  // no movement, no mark
  TBitmap& Marked = FBox.Image().Picture();
  const TRGB Color = RGBOfColor(FPenColor);
  StrokeCoverage(FPenPos, To, FPenWidth, {0, 0, Marked.Width(), Marked.Height()}, [&](int32_t X, int32_t Y) {
    FUndo.Save(Marked, {X, Y, X + 1, Y + 1});
    PutPixelRGB(Marked, X, Y, Color);
  });
  FPenPos = To;
  PictureChanged();
}

void TPaintFrmModel::EraseSquare(TPoint At) {
  TBitmap& Marked = FBox.Image().Picture();
  const TRect Square{At.X, At.Y, At.X + EraseSize, At.Y + EraseSize};
  FUndo.Save(Marked, Square);
  CopyPixels(Marked, FOriginal, Square);
  PictureChanged();
}

// The release point is in the view; the picture's position in the view
// (scroll offsets included) and the scale give its pixels.
void TPaintFrmModel::FillSquare() {
  const TPoint P1 = FBox.PicturePixelAt(FBox.ViewToPicture({FSelRect.X1, FSelRect.Y1}));
  const TPoint P2 = FBox.PicturePixelAt(FBox.ViewToPicture({FSelRect.X2, FSelRect.Y2}));
  FSelRect = {P1.X, P1.Y, P2.X, P2.Y};
  TBitmap& Marked = FBox.Image().Picture();
  const TRect Fill = ClipToPicture(FillRectOf(FSelRect), Marked);
  if (IsEmpty(Fill)) return;
  FUndo.BeginStep();
  FUndo.Save(Marked, Fill);
  FillPixels(Marked, Fill, RGBOfColor(FBrushColor));
  FUndo.EndStep();
  PictureChanged();
}

bool TPaintFrmModel::Undo() {
  if (FMode == pmPencilDrawing || FMode == pmSquareDragging || FMode == pmErasing) return false;
  if (IsEmpty(FUndo.Undo(FBox.Image().Picture()))) return false;
  PictureChanged();
  return true;
}

void TPaintFrmModel::FormClose() {
  if (FMode == pmSquareDragging) {
    ConfinePointer(false);
    SetTimer1(false);
    EraseSelOutline();
    FMode = pmSquareReady;
  }
  FUndo.EndStep();
  if (FMode == pmPencilDrawing) FMode = pmPencilReady;
  if (FMode == pmErasing) FMode = pmEraseReady;
  SetViewCursor(crArrow);
}

}  // namespace carvelo
