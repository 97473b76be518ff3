#include "VuImageBox_win.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "Gdi_win.h"

namespace carvelo {

namespace {

constexpr wchar_t BoxClassName[] = L"CarveloVuImageBox";

HINSTANCE ThisModule() {
  HMODULE Module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &Module);
  return Module;
}

HCURSOR CursorHandle(TCursor Cursor) {
  LPCWSTR Id = IDC_ARROW;
  switch (Cursor) {
    case crCross: Id = IDC_CROSS; break;
    case crIBeam: Id = IDC_IBEAM; break;
    case crSizeNS: Id = IDC_SIZENS; break;
    case crHandPoint: Id = IDC_HAND; break;
    case crSizeAll: Id = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorW(nullptr, Id);
}

// A carvelo::TBitmap is laid out as a top-down DIB: GDI reads its rows as they are.
struct TPictureInfo {
  BITMAPINFOHEADER Header{};
  DWORD Masks[3]{};

  explicit TPictureInfo(const TBitmap& Picture) {
    Header.biSize = sizeof Header;
    Header.biWidth = Picture.Width();
    Header.biHeight = -Picture.Height();
    Header.biPlanes = 1;
    Header.biBitCount = static_cast<WORD>(Picture.BitCount());
    Header.biCompression = Picture.BitCount() == 16 ? BI_BITFIELDS : BI_RGB;
    Masks[0] = Picture.Masks().Red;
    Masks[1] = Picture.Masks().Green;
    Masks[2] = Picture.Masks().Blue;
  }
  const BITMAPINFO* Get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

void StretchPicture(HDC DC, const TBitmap& Picture, const TRect& Into, int Mode) {
  if (Picture.Empty() || Into.Width() <= 0 || Into.Height() <= 0) return;
  const TPictureInfo Info(Picture);
  SetStretchBltMode(DC, Mode);
  if (Mode == HALFTONE) SetBrushOrgEx(DC, 0, 0, nullptr);
  StretchDIBits(DC, Into.Left, Into.Top, Into.Width(), Into.Height(), 0, 0, Picture.Width(), Picture.Height(),
                Picture.ScanLine(0), Info.Get(), DIB_RGB_COLORS, SRCCOPY);
}

TRect Offset(const TRect& R, int32_t Dx, int32_t Dy) { return {R.Left + Dx, R.Top + Dy, R.Right + Dx, R.Bottom + Dy}; }

// The modifier keys and buttons of a pointer message.
TShiftState PointerShift(WPARAM WParam) {
  const auto Keys = GET_KEYSTATE_WPARAM(WParam);
  TShiftState Shift = 0;
  if (Keys & MK_SHIFT) Shift |= ssShift;
  if (Keys & MK_CONTROL) Shift |= ssCtrl;
  if (Keys & MK_LBUTTON) Shift |= ssLeft;
  if (Keys & MK_RBUTTON) Shift |= ssRight;
  if (Keys & MK_MBUTTON) Shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) Shift |= ssAlt;
  return Shift;
}

TShiftState KeyboardShift() {
  TShiftState Shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) Shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) Shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) Shift |= ssAlt;
  return Shift;
}

TPoint PointOf(LPARAM LParam) { return {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)}; }

constexpr WPARAM AnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

}  // namespace

// ---------------------------------------------------------------------------
// TVuImage

void TVuImage::Invalidate() {
  if (!FParent.Handle()) return;
  const RECT R{Left(), Top(), Left() + Width(), Top() + Height()};
  InvalidateRect(FParent.Handle(), &R, FALSE);
}

void TVuImage::ResampleTimerChanged() {
  if (!FParent.Handle()) return;
  KillTimer(FParent.Handle(), TVuImageBox::ResampleTimerId);
  if (ResampleTimerRunning()) SetTimer(FParent.Handle(), TVuImageBox::ResampleTimerId, ResampleDelay(), nullptr);
}

bool TVuImage::HalftoneAvailable() const { return (GetVersion() & 0x80000000u) == 0; }  // the NT family

void TVuImage::PaintOn(HDC DC) {
  const int Saved = SaveDC(DC);
  IntersectClipRect(DC, Left(), Top(), Left() + Width(), Top() + Height());
  Paint([&](const TBitmap& Picture, const TRect& Into) {
    StretchPicture(DC, Picture, Offset(Into, Left(), Top()), COLORONCOLOR);
  });
  RestoreDC(DC, Saved);
}

// The picture is an opaque bitmap, so the halftone stretch reads it as it is;
// the background colour would only show through a transparent graphic.
void TVuImage::PaintResampledNow() {
  if (!FParent.Handle()) return;
  TWindowDC DC(FParent.Handle());
  IntersectClipRect(DC.Get(), Left(), Top(), Left() + Width(), Top() + Height());
  PaintResampled([&](const TBitmap& Picture, const TRect& Into) {
    StretchPicture(DC.Get(), Picture, Offset(Into, Left(), Top()), HALFTONE);
  });
}

// ---------------------------------------------------------------------------
// TVuImageBox

TVuImageBox::TVuImageBox(HWND Parent, int Left, int Top, int Width, int Height)
    : TVuImageBoxModel(std::make_unique<TVuImage>(*this)) {
  const HINSTANCE Module = ThisModule();
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  Class.lpfnWndProc = WindowProc;
  Class.hInstance = Module;
  Class.lpszClassName = BoxClassName;
  RegisterClassExW(&Class);  // already there when another box lives
  CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, BoxClassName, L"",
                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, Left, Top, Width, Height,
                  Parent, nullptr, Module, this);
  if (!FHandle) throw std::runtime_error("the image view's window could not be created");
  SetScrollBarSizes(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
  AreaResized();
}

TVuImageBox::~TVuImageBox() {
  // Losing the pointer on the way out ends a press; its owner hears nothing of it.
  OnScroll = nullptr;
  OnOptionsChange = nullptr;
  OnMouseDown = nullptr;
  OnMouseMove = nullptr;
  OnMouseUp = nullptr;
  if (FHandle) {
    KillTimer(FHandle, ResampleTimerId);
    DestroyWindow(FHandle);
  }
  // Fails while other boxes live; a module that unloads leaves no class behind.
  UnregisterClassW(BoxClassName, ThisModule());
}

void TVuImageBox::SetBounds(int Left, int Top, int Width, int Height) {
  if (FHandle) MoveWindow(FHandle, Left, Top, Width, Height, TRUE);
}

void TVuImageBox::SetCursor(TCursor Value) {
  FCursor = Value;
  ApplyCursor();
}

void TVuImageBox::SetScreenCursor(TCursor Value) {
  FScreenCursor = Value;
  ApplyCursor();
}

void TVuImageBox::ApplyCursor() const {
  if (!FHandle) return;
  POINT P{};
  GetCursorPos(&P);
  if (GetCapture() == FHandle || WindowFromPoint(P) == FHandle)
    ::SetCursor(CursorHandle(FScreenCursor != crDefault ? FScreenCursor : FCursor));
}

void TVuImageBox::TakeFocus() {
  if (FHandle) SetFocus(FHandle);
}

void TVuImageBox::ScrollBarsChanged() {
  if (!FHandle) return;
  SyncScrollBars();
  InvalidateRect(FHandle, nullptr, FALSE);
}

// The window's bars mirror the model's; a hidden bar gets an empty range.
void TVuImageBox::SyncScrollBars() {
  const bool Earlier = FSyncing;
  FSyncing = true;
  const auto Apply = [&](int Bar, const TScrollBarState& State, int32_t ClientExtent) {
    SCROLLINFO Info{};
    Info.cbSize = sizeof Info;
    Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (State.Visible) {
      Info.nMax = State.Range - 1;
      Info.nPage = static_cast<UINT>(ClientExtent);
      Info.nPos = State.Position;
    }
    SetScrollInfo(FHandle, Bar, &Info, TRUE);
  };
  Apply(SB_HORZ, HorzScrollBar(), ClientWidth());
  Apply(SB_VERT, VertScrollBar(), ClientHeight());
  FSyncing = Earlier;
}

// The client area without the bars, as the window has it now.
void TVuImageBox::AreaResized() {
  RECT Client{};
  GetClientRect(FHandle, &Client);
  const LONG Style = GetWindowLongW(FHandle, GWL_STYLE);
  const int Width = Client.right + ((Style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int Height = Client.bottom + ((Style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  Resize(Width, Height);
}

void TVuImageBox::Paint() {
  PAINTSTRUCT PS{};
  const HDC Screen = BeginPaint(FHandle, &PS);
  RECT Client{};
  GetClientRect(FHandle, &Client);
  TMemoryDC Buffer(Screen);
  TGdiBitmap Surface(CreateCompatibleBitmap(Screen, std::max<LONG>(Client.right, 1),
                                                     std::max<LONG>(Client.bottom, 1)));
  if (Buffer.Get() && Surface) {
    TSelected Selected(Buffer.Get(), Surface.Get());
    // What shows around a smaller picture is the system's face colour.
    FillRect(Buffer.Get(), &Client, GetSysColorBrush(COLOR_BTNFACE));
    Image().PaintOn(Buffer.Get());
    BitBlt(Screen, PS.rcPaint.left, PS.rcPaint.top, PS.rcPaint.right - PS.rcPaint.left,
           PS.rcPaint.bottom - PS.rcPaint.top, Buffer.Get(), PS.rcPaint.left, PS.rcPaint.top, SRCCOPY);
  }
  EndPaint(FHandle, &PS);
}

// Lines scroll by 50 pixels as the keys do, pages by the keys' page step;
// both bars follow the thumb while it is dragged.
void TVuImageBox::ScrollBarMessage(int Bar, WORD Code) {
  const bool Horizontal = Bar == SB_HORZ;
  const TScrollBarState& State = Horizontal ? HorzScrollBar() : VertScrollBar();
  const int32_t Page = PageStep(Horizontal ? ClientWidth() : ClientHeight());
  int32_t Position = State.Position;
  switch (Code) {
    case SB_LINEUP: Position -= 50; break;
    case SB_LINEDOWN: Position += 50; break;
    case SB_PAGEUP: Position -= Page; break;
    case SB_PAGEDOWN: Position += Page; break;
    case SB_TOP: Position = 0; break;
    case SB_BOTTOM: Position = State.Range; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO Info{};
      Info.cbSize = sizeof Info;
      Info.fMask = SIF_TRACKPOS;
      GetScrollInfo(FHandle, Bar, &Info);
      Position = Info.nTrackPos;
      break;
    }
    default: break;
  }
  if (Horizontal) SetHorzPosition(Position);
  else SetVertPosition(Position);
  DoScroll();
}

void TVuImageBox::MouseWheelMessage(WPARAM WParam) {
  FWheelDelta += GET_WHEEL_DELTA_WPARAM(WParam);
  const TShiftState Shift = PointerShift(WParam);
  while (FWheelDelta >= WHEEL_DELTA || FWheelDelta <= -WHEEL_DELTA) {
    const bool Up = FWheelDelta > 0;
    FWheelDelta += Up ? -WHEEL_DELTA : WHEEL_DELTA;
    MouseWheel(Up, Shift);
  }
}

// A press on the picture goes to the picture, which then holds the pointer
// until the last button is up; elsewhere the box has it.
void TVuImageBox::ButtonDown(TMouseButton Button, WPARAM WParam, LPARAM LParam) {
  const TPoint P = PointOf(LParam);
  if (GetCapture() != FHandle) {
    FImageCaptured = Image().BoundsRect().Contains(P);
    SetCapture(FHandle);
  }
  if (FImageCaptured) {
    FLastImagePoint = ViewToPicture(P);
    ImageMouseDown(Button, PointerShift(WParam), FLastImagePoint.X, FLastImagePoint.Y);
  } else {
    BoxMouseDown(Button, PointerShift(WParam), P.X, P.Y);
  }
}

void TVuImageBox::ButtonUp(TMouseButton Button, WPARAM WParam, LPARAM LParam) {
  const TPoint P = PointOf(LParam);
  const bool OnImage = FImageCaptured;
  if ((WParam & AnyButton) == 0) {
    FImageCaptured = false;
    FReleasing = true;
    ReleaseCapture();
    FReleasing = false;
  }
  if (OnImage) {
    FLastImagePoint = ViewToPicture(P);
    ImageMouseUp(Button, PointerShift(WParam), FLastImagePoint.X, FLastImagePoint.Y);
  } else if (OnMouseUp) {
    OnMouseUp(Button, PointerShift(WParam), P.X, P.Y);
  }
}

void TVuImageBox::MouseMoveMessage(WPARAM WParam, LPARAM LParam) {
  const TPoint P = PointOf(LParam);
  if (FImageCaptured || (GetCapture() != FHandle && Image().BoundsRect().Contains(P))) {
    FLastImagePoint = ViewToPicture(P);
    ImageMouseMove(PointerShift(WParam), FLastImagePoint.X, FLastImagePoint.Y);
  } else if (OnMouseMove) {
    OnMouseMove(PointerShift(WParam), P.X, P.Y);
  }
}

// Another window took the pointer during a press on the picture: that press
// is over, as if the left button had been released where the pointer was.
void TVuImageBox::CaptureLost() {
  if (FReleasing || !FImageCaptured) return;
  FImageCaptured = false;
  if (ImageMouseIsDown()) ImageMouseUp(TMouseButton::mbLeft, 0, FLastImagePoint.X, FLastImagePoint.Y);
}

LRESULT CALLBACK TVuImageBox::WindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_NCCREATE) {
    auto* Box = static_cast<TVuImageBox*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    Box->FHandle = Window;
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Box));
  }
  auto* Box = reinterpret_cast<TVuImageBox*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!Box) return DefWindowProcW(Window, Message, WParam, LParam);
  if (Message == WM_NCDESTROY) {
    SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    Box->FHandle = nullptr;
    return DefWindowProcW(Window, Message, WParam, LParam);
  }
  try {
    return Box->HandleMessage(Message, WParam, LParam);
  } catch (...) {
    // An event handler's failure must not unwind through the window manager.
    return 0;
  }
}

LRESULT TVuImageBox::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_SIZE:
      if (!FSyncing) AreaResized();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the double-buffered paint covers everything
    case WM_PAINT:
      Paint();
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      ScrollBarMessage(Message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(WParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (KeyDown(static_cast<uint16_t>(WParam), KeyboardShift())) return 0;
      break;
    case WM_MOUSEWHEEL:
      MouseWheelMessage(WParam);
      return 0;
    case WM_LBUTTONDOWN: ButtonDown(TMouseButton::mbLeft, WParam, LParam); return 0;
    case WM_RBUTTONDOWN: ButtonDown(TMouseButton::mbRight, WParam, LParam); return 0;
    case WM_MBUTTONDOWN: ButtonDown(TMouseButton::mbMiddle, WParam, LParam); return 0;
    case WM_LBUTTONUP: ButtonUp(TMouseButton::mbLeft, WParam, LParam); return 0;
    case WM_RBUTTONUP: ButtonUp(TMouseButton::mbRight, WParam, LParam); return 0;
    case WM_MBUTTONUP: ButtonUp(TMouseButton::mbMiddle, WParam, LParam); return 0;
    case WM_MOUSEMOVE:
      MouseMoveMessage(WParam, LParam);
      return 0;
    case WM_CAPTURECHANGED:
      CaptureLost();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(LParam) == HTCLIENT) {
        ::SetCursor(CursorHandle(FScreenCursor != crDefault ? FScreenCursor : FCursor));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (WParam == ResampleTimerId) {
        Image().PaintResampledNow();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(FHandle, Message, WParam, LParam);
}

}  // namespace carvelo
