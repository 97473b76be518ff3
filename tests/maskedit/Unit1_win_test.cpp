// The mask editor as a real window, driven by the messages that input makes.
#include "Unit1_win.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "../ui/Robot_win.h"

namespace carvelo {
namespace {

constexpr TRGB Green{0, 128, 0}, Red{255, 0, 0};

TBitmap Working() {
  TBitmap Picture(300, 200);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x) PutPixelRGB(Picture, x, y, {uint8_t(x), uint8_t(y), 90});
  return Picture;
}

std::vector<uint8_t> Bytes(const TBitmap& P) { return {P.ScanLine(0), P.ScanLine(0) + P.Layout().ByteSize()}; }

RECT ButtonRect(HWND ToolBar, int Id) {
  RECT R{};
  SendMessageW(ToolBar, TB_GETRECT, Id, reinterpret_cast<LPARAM>(&R));
  return R;
}

// The editor shown without a modal loop; the messages go straight to it.
class TEditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.SetPictures(Working());
    Form.Prepare();
    ShowWindow(Form.Handle(), SW_SHOWNA);
    UpdateWindow(Form.Handle());
  }
  void Tool(int Id) {
    const RECT R = ButtonRect(Form.ToolBar1(), Id);
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageW(Form.ToolBar1(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageW(Form.ToolBar1(), WM_LBUTTONUP, 0, At);
  }
  // Pointer messages at picture pixels (the view shows the picture at 100 %).
  void Mouse(UINT Message, WPARAM Keys, TPoint P) {
    const TPoint V = Form.Box().PictureToView(P);
    SendMessageW(Form.Box().Handle(), Message, Keys, MAKELPARAM(V.X, V.Y));
  }
  void Drag(std::initializer_list<TPoint> Points) {
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, *Points.begin());
    for (auto P = Points.begin() + 1; P + 1 < Points.end(); ++P) Mouse(WM_MOUSEMOVE, MK_LBUTTON, *P);
    Mouse(WM_LBUTTONUP, 0, *(Points.end() - 1));
  }
  void CtrlZ() {
    BYTE Keys[256]{};
    Keys[VK_CONTROL] = 0x80;
    SetKeyboardState(Keys);
    SendMessageW(Form.Box().Handle(), WM_KEYDOWN, 'Z', 1);
    Keys[VK_CONTROL] = 0;
    SetKeyboardState(Keys);
  }
  TRGB At(int32_t X, int32_t Y) const { return GetPixelRGB(Form.MarkedPicture(), X, Y); }
  TRGB Shown(TPoint P) {
    const TPoint V = Form.Box().PictureToView(P);
    const HDC DC = GetDC(Form.Box().Handle());
    const COLORREF C = GetPixel(DC, V.X, V.Y);
    ReleaseDC(Form.Box().Handle(), DC);
    return {GetRValue(C), GetGValue(C), GetBValue(C)};
  }

  TPaintFrm Form;
  const TBitmap Original = Working();
};

TEST_F(TEditorWindow, WindowToolBarAndView) {
  EXPECT_EQ(robot::Text(Form.Handle()), L"Carvelo - Edit Masque");
  EXPECT_TRUE(GetWindowLongW(Form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT Client{};
  GetClientRect(Form.Handle(), &Client);
  EXPECT_EQ(Client.right, 632);
  EXPECT_EQ(Client.bottom, 372);
  EXPECT_EQ(robot::ClientRectOf(Form.Box().Handle()).top, 25);
  const int Ids[] = {TPaintFrm::idToolButton1, TPaintFrm::idtb_erase,    TPaintFrm::idtb_green,
                     TPaintFrm::idtb_red,      TPaintFrm::idToolButton5, TPaintFrm::idToolButton8,
                     TPaintFrm::idToolButton2, TPaintFrm::idToolButton6, TPaintFrm::idToolButton3};
  const int Lefts[] = {0, 23, 46, 69, 92, 115, 150, 235, 258};
  const wchar_t* Tips[] = {L"Move", L"Erase", L"Pencil - Protect", L"Pencil - Remove", L"Square - Protect",
                           L"Square - Delete", nullptr, L"Cancel", L"Carvelo !"};
  for (size_t i = 0; i < std::size(Ids); ++i) {
    EXPECT_EQ(ButtonRect(Form.ToolBar1(), Ids[i]).left, Lefts[i]) << i;
    NMTTDISPINFOW Tip{};
    Tip.hdr = {Form.ToolBar1(), UINT_PTR(Ids[i]), TTN_GETDISPINFOW};
    SendMessageW(Form.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&Tip));
    EXPECT_STREQ(Tip.lpszText, Tips[i]) << i;
  }
  EXPECT_EQ(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(SendMessageW(Form.ToolBar1(), TB_GETIMAGELIST, 0, 0))),
            12);

  // One tool is down at a time.
  for (int Id : {TPaintFrm::idToolButton8, TPaintFrm::idtb_green, TPaintFrm::idToolButton1}) {
    Tool(Id);
    for (size_t i = 0; i < 6; ++i)
      EXPECT_EQ(SendMessageW(Form.ToolBar1(), TB_ISBUTTONCHECKED, Ids[i], 0) != 0, Ids[i] == Id) << Id;
  }
  EXPECT_EQ(Form.Editor().Mode(), pmMove);

  SetWindowPos(Form.Handle(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetClientRect(Form.Handle(), &Client);
  const RECT View = robot::ClientRectOf(Form.Box().Handle());
  EXPECT_EQ(View.right, Client.right);
  EXPECT_EQ(View.bottom, Client.bottom);
}

TEST_F(TEditorWindow, StrokesSquaresErasingAndCtrlZ) {
  Tool(TPaintFrm::idtb_green);
  Drag({{10, 10}, {40, 10}, {40, 30}, {80, 80}});
  for (int32_t y : {9, 10, 11}) EXPECT_EQ(At(25, y), Green) << y;  // the platform's 3-pixel pen
  EXPECT_EQ(At(25, 12), GetPixelRGB(Original, 25, 12));
  EXPECT_EQ(At(60, 55), GetPixelRGB(Original, 60, 55));  // nothing toward the release point
  CtrlZ();
  EXPECT_EQ(Bytes(Form.MarkedPicture()), Bytes(Original));

  SendMessageW(Form.Handle(), WM_COMMAND, TPaintFrm::idN41, 0);  // pen size 12
  EXPECT_EQ(SendMessageW(Form.ToolBar1(), TB_ISBUTTONCHECKED, TPaintFrm::idToolButton2, 0), TRUE);
  TBBUTTONINFOW Info{};
  Info.cbSize = sizeof Info;
  Info.dwMask = TBIF_IMAGE;
  SendMessageW(Form.ToolBar1(), TB_GETBUTTONINFOW, TPaintFrm::idToolButton2, reinterpret_cast<LPARAM>(&Info));
  EXPECT_EQ(Info.iImage, 11);
  Drag({{20, 150}, {120, 150}, {120, 150}});
  EXPECT_EQ(At(70, 145), Green);
  EXPECT_EQ(At(70, 158), GetPixelRGB(Original, 70, 158));

  // A square: the dashed outline on the view while dragging, the fill on release.
  Tool(TPaintFrm::idToolButton8);
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {100, 50});
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, {160, 100});
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, {140, 80});  // the outline moves: the old one goes
  EXPECT_EQ(Shown({100, 50}), (TRGB{0, 0, 0}));
  EXPECT_EQ(Shown({105, 50}), (TRGB{255, 255, 255}));
  EXPECT_EQ(Shown({160, 70}), GetPixelRGB(Original, 160, 70));
  Mouse(WM_LBUTTONUP, 0, {150, 90});
  EXPECT_EQ(At(100, 50), Red);
  EXPECT_EQ(At(149, 89), Red);
  EXPECT_EQ(At(150, 89), GetPixelRGB(Original, 150, 89));
  UpdateWindow(Form.Box().Handle());
  EXPECT_EQ(Shown({120, 70}), Red);

  Tool(TPaintFrm::idtb_erase);
  Drag({{0, 0}, {110, 60}, {0, 0}});
  EXPECT_EQ(At(110, 60), GetPixelRGB(Original, 110, 60));
  EXPECT_EQ(At(129, 79), GetPixelRGB(Original, 129, 79));
  EXPECT_EQ(At(130, 79), Red);
  for (int i = 0; i < 3; ++i) CtrlZ();
  EXPECT_EQ(Bytes(Form.MarkedPicture()), Bytes(Original));
}

// The wheel zooms while a square is dragged: the whole view shows the new
// scale, inside the outline too, and the square lands under the pointer.
TEST_F(TEditorWindow, ZoomDuringASquareDrag) {
  Tool(TPaintFrm::idToolButton5);
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {20, 20});
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, {80, 80});
  SendMessageW(Form.Box().Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON, WHEEL_DELTA), 0);
  ASSERT_EQ(Form.Box().ImageScale(), 125);
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, {80, 80});
  EXPECT_EQ(Shown({74, 64}), GetPixelRGB(Original, 59, 51));
  Mouse(WM_LBUTTONUP, 0, {80, 80});
  EXPECT_EQ(At(63, 63), Green);
  EXPECT_EQ(At(64, 64), GetPixelRGB(Original, 64, 64));
}

// Through the modal loop, with a robot in another thread.
TEST(TPaintFrmModal, CarveloGivesOneWithTheMarks_CancelAndTheCloseBoxGiveTwo) {
  enum class TEnd { Carvelo, Cancel, CloseBox };
  for (TEnd End : {TEnd::Carvelo, TEnd::Cancel, TEnd::CloseBox}) {
    TPaintFrm Form;
    TModalResult Result = TModalResult::None;
    robot::WithRobot(
        L"Carvelo - Edit Masque",
        [&](HWND Window) {
          const auto Click = [&](int Id) {
            const RECT R = ButtonRect(Form.ToolBar1(), Id);
            robot::ClickAt(Form.ToolBar1(), (R.left + R.right) / 2, (R.top + R.bottom) / 2);
          };
          Click(TPaintFrm::idtb_red);
          const HWND View = Form.Box().Handle();
          const TPoint A = Form.Box().PictureToView({10, 20}), B = Form.Box().PictureToView({50, 20});
          PostMessageW(View, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(A.X, A.Y));
          PostMessageW(View, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(B.X, B.Y));
          PostMessageW(View, WM_LBUTTONUP, 0, MAKELPARAM(B.X, B.Y));
          if (End == TEnd::CloseBox) PostMessageW(Window, WM_CLOSE, 0, 0);
          else Click(End == TEnd::Carvelo ? TPaintFrm::idToolButton3 : TPaintFrm::idToolButton6);
        },
        [&] { Result = ExecutePaintForm(Form, Working()); });
    EXPECT_EQ(Result, End == TEnd::Carvelo ? TModalResult::Ok : TModalResult::Cancelled);
    EXPECT_EQ(GetPixelRGB(Form.MarkedPicture(), 30, 20), Red);
    EXPECT_EQ(Form.Box().Cursor(), crArrow);
  }
}

}  // namespace
}  // namespace carvelo
