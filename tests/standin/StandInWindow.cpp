// The stand-in's window: the visible command bars as rows of owner-drawn
// buttons (face and caption, greyed when disabled), then the current slide
// drawn as its rendering is, with the selection's frames. A click on a
// button fires its Click.
#include <windowsx.h>

#include "HostIds.h"
#include "StandInHost.h"
#include "StandInRender.h"

namespace carvelo::standin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {

constexpr int kRowHeight = 30, kButtonGap = 4, kBarLabelWidth = 110;
constexpr wchar_t kClassName[] = L"CarveloStandInPowerPoint";

TStandInPowerPoint* HostOf(HWND window) {
  return reinterpret_cast<TStandInPowerPoint*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// A face is drawn as a small tile whose colour follows the face number.
COLORREF FaceColour(int faceId) {
  const unsigned h = static_cast<unsigned>(faceId) * 2654435761u;
  return RGB(60 + (h >> 8) % 160, 60 + (h >> 16) % 160, 60 + (h >> 24) % 160);
}

void Rebuild(HWND window) {
  TStandInPowerPoint* host = HostOf(window);
  if (!host) return;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(window, GW_CHILD)) DestroyWindow(child);
  auto& shown = host->WindowButtons();
  shown.clear();
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  int y = 4;
  for (const auto& bar : host->Bars().Bars()) {
    if (!bar->Visible()) continue;
    HWND label = CreateWindowExW(0, L"STATIC", bar->Name().c_str(), WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 6, y,
                                 kBarLabelWidth - 10, kRowHeight - 4, window, nullptr, nullptr, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    int x = kBarLabelWidth;
    for (const auto& b : bar->Buttons()) {
      if (!b->State().visible) continue;
      shown.push_back(b);
      const int width = 34 + 7 * static_cast<int>(b->State().caption.size());
      HWND button = CreateWindowExW(0, L"BUTTON", b->State().caption.c_str(), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                    x, y, width, kRowHeight - 4, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(shown.size())), nullptr,
                                    nullptr);
      EnableWindow(button, b->State().enabled);
      x += width + kButtonGap;
    }
    y += kRowHeight;
  }
  InvalidateRect(window, nullptr, TRUE);
}

void DrawButton(const DRAWITEMSTRUCT& item, const TStandInButton& button) {
  const TButtonState& s = button.State();
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(item.hDC, &r, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const bool enabled = s.enabled;
  const bool face = s.style != msoButtonCaption, caption = s.style != msoButtonIcon;
  int x = r.left + 6;
  if (face) {
    HBRUSH brush = CreateSolidBrush(enabled ? FaceColour(s.faceId) : RGB(190, 190, 190));
    RECT tile{x, r.top + 5, x + 16, r.bottom - 5};
    FillRect(item.hDC, &tile, brush);
    DeleteObject(brush);
    x += 22;
  }
  if (caption) {
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    SelectObject(item.hDC, GetStockObject(DEFAULT_GUI_FONT));
    RECT text{x, r.top, r.right - 4, r.bottom};
    DrawTextW(item.hDC, s.caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  }
}

// PowerPoint's selection: a frame with small square handles.
void DrawSelectionFrame(HDC dc, const RECT& r) {
  HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left - 3, r.top - 3, r.right + 3, r.bottom + 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  const int xs[] = {r.left - 3, (r.left + r.right) / 2, r.right + 3};
  const int ys[] = {r.top - 3, (r.top + r.bottom) / 2, r.bottom + 3};
  for (int x : xs)
    for (int y : ys) {
      RECT handle{x - 3, y - 3, x + 4, y + 4};
      FillRect(dc, &handle, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      FrameRect(dc, &handle, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

void PaintSlide(HWND window, HDC dc, TStandInPowerPoint& host) {
  int barRows = 0;
  for (const auto& bar : host.Bars().Bars()) barRows += bar->Visible() ? 1 : 0;
  const int top = 8 + barRows * kRowHeight;
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
  // The slide fills the window below the bars.
  const double scale =
      std::min((client.right - 40) / kSlideWidthPoints, (client.bottom - top - 20) / kSlideHeightPoints);
  const int left = 20;
  RECT slide{left, top + 10, left + static_cast<int>(kSlideWidthPoints * scale),
             top + 10 + static_cast<int>(kSlideHeightPoints * scale)};
  FillRect(dc, &slide, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &slide, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const POINT origin{slide.left, slide.top};
  TStandInSlide& shown = host.Slide(host.Window().currentSlide);
  DrawSlideShapes(dc, origin, scale, shown);
  for (const auto& shape : host.Window().selection.shapes)
    if (shape->Slide() == &shown) DrawSelectionFrame(dc, ShapeRect(origin, scale, *shape.Get()));
}

LRESULT CALLBACK StandInWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  TStandInPowerPoint* host = HostOf(window);
  try {
    switch (message) {
      case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
      }
      case WM_COMMAND:
        if (host && HIWORD(wparam) == BN_CLICKED) {
          const size_t id = LOWORD(wparam);
          if (id >= 1 && id <= host->WindowButtons().size()) {
            ComPtr<TStandInButton> button = host->WindowButtons()[id - 1];
            button->Click();
          }
          return 0;
        }
        break;
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (host && item->CtlID >= 1 && item->CtlID <= host->WindowButtons().size()) {
          DrawButton(*item, *host->WindowButtons()[item->CtlID - 1].Get());
          return TRUE;
        }
        break;
      }
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (host) PaintSlide(window, dc, *host);
        EndPaint(window, &ps);
        return 0;
      }
      case WM_USER:
        Rebuild(window);
        return 0;
    }
  } catch (...) {
    return 0;  // nothing may leave a window procedure
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void TStandInPowerPoint::ShowWindow() {
  if (window_) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = StandInWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
  window_ = CreateWindowExW(0, kClassName, L"Presentation1 - PowerPoint (Carvelo stand-in)",
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 900, 640, nullptr, nullptr, wc.hInstance, this);
  if (!window_) return;
  const HWND window = window_;
  // Redraw on any change of bars or shapes, after the change is complete.
  bars_->onChange = [window] { PostMessageW(window, WM_USER, 0, 0); };
  app_->presentation->onChange = [window] { PostMessageW(window, WM_USER, 0, 0); };
  Rebuild(window_);
}

void TStandInPowerPoint::PumpMessages(unsigned milliseconds) const {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

}  // namespace carvelo::standin
