// The image view as a real window, driven by the messages that input makes.
#include "VuImageBox_win.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace carvelo {
namespace {

// A picture whose every pixel tells where it is.
TBitmap Gradient(int32_t Width, int32_t Height) {
  TBitmap Picture(Width, Height);
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x)
      PutPixelRGB(Picture, x, y, {uint8_t(x), uint8_t(y), uint8_t((x / 256) * 60 + (y / 256) * 16)});
  return Picture;
}

// The thread's modifier keys as GetKeyState reports them, for one scope.
class THeldKeys {
 public:
  explicit THeldKeys(std::initializer_list<int> Keys) {
    BYTE State[256]{};
    for (int Key : Keys) State[Key] = 0x80;
    SetKeyboardState(State);
  }
  ~THeldKeys() {
    BYTE State[256]{};
    SetKeyboardState(State);
  }
};

// A shown window holding one 400 x 300 view on a 1000 x 800 picture.
class TViewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Host = CreateWindowExW(0, L"STATIC", L"View", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 500, 400, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(Host, nullptr);
    Box = std::make_unique<TVuImageBox>(Host, 0, 0, 400, 300);
    Show(Gradient(1000, 800));
    Box->OnScroll = [this] { ++Scrolls; };
  }
  void TearDown() override {
    Box.reset();
    DestroyWindow(Host);
  }

  void Show(const TBitmap& Picture) {
    Box->Image().SetPicture(Picture);
    Box->UpdateImageInfo();
    UpdateWindow(Box->Handle());
  }
  LRESULT Send(UINT Message, WPARAM WParam = 0, LPARAM LParam = 0) {
    return SendMessageW(Box->Handle(), Message, WParam, LParam);
  }
  TPoint Position() const { return {Box->HorzScrollBar().Position, Box->VertScrollBar().Position}; }
  TRGB ShownAt(int X, int Y) {
    UpdateWindow(Box->Handle());
    const HDC DC = GetDC(Box->Handle());
    const COLORREF C = GetPixel(DC, X, Y);
    ReleaseDC(Box->Handle(), DC);
    return {GetRValue(C), GetGValue(C), GetBValue(C)};
  }

  HWND Host = nullptr;
  std::unique_ptr<TVuImageBox> Box;
  int Scrolls = 0;
};

TEST_F(TViewWindow, ScrollBarsAndPaintFollowTheLayout) {
  RECT Client{};
  GetClientRect(Box->Handle(), &Client);
  EXPECT_EQ(Client.right, Box->ClientWidth());
  EXPECT_EQ(Client.bottom, Box->ClientHeight());
  SCROLLINFO Info{};
  Info.cbSize = sizeof Info;
  Info.fMask = SIF_ALL;
  GetScrollInfo(Box->Handle(), SB_HORZ, &Info);
  EXPECT_EQ(Info.nMax, 999);
  EXPECT_EQ(Info.nPage, UINT(Box->ClientWidth()));

  const TBitmap Picture = Gradient(1000, 800);
  for (int32_t Scale : {100, 200}) {
    Box->SetImageScale(Scale);
    for (TPoint P : {TPoint{10, 10}, TPoint{120, 70}, TPoint{101, 99}}) {
      const TPoint Pixel = Box->PicturePixelAt(Box->ViewToPicture(P));
      EXPECT_EQ(ShownAt(P.X, P.Y), GetPixelRGB(Picture, Pixel.X, Pixel.Y)) << Scale << "%: " << P.X << "," << P.Y;
    }
  }
  Show(Gradient(100, 50));  // a small picture, centred without bars
  EXPECT_FALSE(GetWindowLongW(Box->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
  GetClientRect(Box->Handle(), &Client);
  EXPECT_EQ(Box->Image().BoundsRect().Left, (Client.right - 100) / 2);
  EXPECT_EQ(Box->Image().BoundsRect().Top, (Client.bottom - 50) / 2);
  const COLORREF Face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(ShownAt(5, 5), (TRGB{GetRValue(Face), GetGValue(Face), GetBValue(Face)}));
}

TEST_F(TViewWindow, WheelFollowsTheModifierRules) {
  struct {
    WORD Keys;
    int Alt;
    short Delta;
    std::optional<TPoint> Expected;  // none: zoomed about the view's centre
    int32_t Scale;
    int Scrolls;
  } const Cases[] = {
      {0, 0, -120, TPoint{0, 50}, 100, 1},          {0, 0, -240, TPoint{0, 100}, 100, 2},
      {MK_SHIFT, 0, -120, TPoint{50, 0}, 100, 1},   {MK_CONTROL, 0, 120, {}, 125, 0},
      {MK_CONTROL, 0, -120, {}, 90, 0},             {MK_CONTROL | MK_SHIFT, 0, 120, TPoint{0, 0}, 100, 0},
      {0, VK_MENU, -120, TPoint{0, 0}, 100, 0},     {MK_RBUTTON, 0, -120, TPoint{0, 0}, 100, 0},
      {MK_SHIFT | MK_LBUTTON, 0, -120, TPoint{0, 0}, 100, 0},
  };
  for (const auto& c : Cases) {
    Show(Gradient(1000, 800));
    Scrolls = 0;
    {
      THeldKeys Held(c.Alt ? std::initializer_list<int>{c.Alt} : std::initializer_list<int>{});
      EXPECT_EQ(Send(WM_MOUSEWHEEL, MAKEWPARAM(c.Keys, c.Delta), MAKELPARAM(100, 100)), 0);
    }
    if (c.Expected) {
      EXPECT_EQ(Position(), *c.Expected) << c.Keys << "/" << c.Delta;
    }
    EXPECT_EQ(Box->ImageScale(), c.Scale) << c.Keys << "/" << c.Delta;
    EXPECT_EQ(Scrolls, c.Scrolls) << c.Keys << "/" << c.Delta;
  }
  // Half notches add up.
  Show(Gradient(1000, 800));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -60));
  EXPECT_EQ(Position(), (TPoint{0, 0}));
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -60));
  EXPECT_EQ(Position(), (TPoint{0, 50}));
}

TEST_F(TViewWindow, KeysScrollOnlyWithTheirModifiers) {
  EXPECT_EQ(Send(WM_GETDLGCODE) & DLGC_WANTARROWS, DLGC_WANTARROWS);
  {
    THeldKeys Ctrl({VK_CONTROL});
    Send(WM_KEYDOWN, VK_RIGHT);
  }
  const int32_t RightEnd = 1000 - Box->ClientWidth();
  EXPECT_EQ(Position(), (TPoint{RightEnd, 0}));
  {
    THeldKeys Shift({VK_SHIFT});
    Send(WM_KEYDOWN, VK_LEFT);
    Send(WM_KEYDOWN, VK_PRIOR);
  }
  EXPECT_EQ(Position(), (TPoint{RightEnd, 0}));
  Send(WM_KEYDOWN, VK_NEXT);
  EXPECT_EQ(Position(), (TPoint{RightEnd, PageStep(Box->ClientHeight())}));
  Send(WM_KEYDOWN, VK_LEFT);
  EXPECT_EQ(Position().X, RightEnd - 50);
  EXPECT_EQ(Scrolls, 3);
  SCROLLINFO Info{};
  Info.cbSize = sizeof Info;
  Info.fMask = SIF_POS;
  GetScrollInfo(Box->Handle(), SB_HORZ, &Info);
  EXPECT_EQ(Info.nPos, RightEnd - 50);
}

TEST_F(TViewWindow, ScrollBarMessagesScrollAndNotify) {
  Send(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(Position(), (TPoint{0, 50}));
  Send(WM_HSCROLL, SB_BOTTOM);
  EXPECT_EQ(Position(), (TPoint{1000 - Box->ClientWidth(), 50}));
  Send(WM_HSCROLL, SB_ENDSCROLL);
  EXPECT_EQ(Scrolls, 3);
}

TEST_F(TViewWindow, PanningKeepsTheGrabbedPointUnderThePointer) {
  std::vector<std::string> Events;
  const auto Log = [&](const char* What, int32_t X, int32_t Y) {
    Events.push_back(What + std::to_string(X) + "," + std::to_string(Y));
  };
  Box->OnMouseDown = [&](TMouseButton B, TShiftState, int32_t X, int32_t Y) { Log(B == TMouseButton::mbLeft ? "L" : "R", X, Y); };
  Box->OnMouseMove = [&](TShiftState, int32_t X, int32_t Y) { Log("move ", X, Y); };
  Box->OnMouseUp = [&](TMouseButton B, TShiftState, int32_t X, int32_t Y) { Log(B == TMouseButton::mbLeft ? "l" : "r", X, Y); };

  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  EXPECT_EQ(GetCapture(), Box->Handle());
  EXPECT_EQ(GetFocus(), Box->Handle());
  EXPECT_EQ(Box->ScreenCursor(), crSizeAll);
  Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 80));
  Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(Position(), (TPoint{90, 90}));
  EXPECT_EQ(Box->ViewToPicture({10, 10}), (TPoint{100, 100}));
  // The right button comes and goes; the picture keeps the pointer.
  Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(10, 10));
  Send(WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), Box->Handle());
  Send(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Box->ScreenCursor(), crDefault);
  EXPECT_EQ(Scrolls, 0);
  EXPECT_EQ(Events, (std::vector<std::string>{"L100,100", "move 70,80", "move 40,30", "R100,100", "r100,100",
                                              "l100,100"}));

  // Beside a small centred picture a press stays in box coordinates.
  Show(Gradient(100, 50));
  Events.clear();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  Send(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const TPoint Inside = Box->PictureToView({3, 4});
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Inside.X, Inside.Y));
  Send(WM_LBUTTONUP, 0, MAKELPARAM(Inside.X, Inside.Y));
  EXPECT_EQ(Events, (std::vector<std::string>{"L5,5", "l5,5", "L3,4", "l3,4"}));
}

TEST_F(TViewWindow, InvalidScaleValueLeavesTheViewAsItWas) {
  Box->SetImageScale(200);
  const TRect Before = Box->Image().BoundsRect();
  try {
    Box->SetImageScale(32767);
    ADD_FAILURE() << "accepted";
  } catch (const EAssertionFailed& E) {
    EXPECT_STREQ(E.what(), "Invalid scale value");
  }
  EXPECT_EQ(Box->ImageScale(), 200);
  EXPECT_EQ(Box->Image().BoundsRect(), Before);
}

}  // namespace
}  // namespace carvelo
