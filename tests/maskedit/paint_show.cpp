// Shows the mask editor on a picture with some marks painted and a square
// being dragged, for the screenshot in docs/ (tests/ui/screenshots.sh):
// writes the window's screen rectangle to a file once it is up, then waits
// for a second file to appear.
//   paint_show <24-bit .bmp> <ready file> <done file>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "../ui/Robot_win.h"
#include "Unit1_win.h"

namespace {

using carvelo::TPaintFrm;
using carvelo::TPoint;

carvelo::TBitmap LoadPicture(const wchar_t* Path) {
  carvelo::TGdiBitmap File(
      static_cast<HBITMAP>(LoadImageW(nullptr, Path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  BITMAP Info{};
  if (!File || !GetObjectW(File.Get(), sizeof Info, &Info)) throw std::runtime_error("the picture can't be read");
  carvelo::TBitmap Picture(Info.bmWidth, Info.bmHeight);
  BITMAPINFO Rows{};
  Rows.bmiHeader = {sizeof(BITMAPINFOHEADER), Info.bmWidth, -Info.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  carvelo::TWindowDC Screen;
  GetDIBits(Screen.Get(), File.Get(), 0, UINT(Info.bmHeight), Picture.ScanLine(0), &Rows, DIB_RGB_COLORS);
  return Picture;
}

// The user's hand: posted input, handled in order by the editor.
class THand {
 public:
  explicit THand(TPaintFrm& Form) : FForm(Form) {}
  void Tool(int Id) {
    RECT R{};
    SendMessageW(FForm.ToolBar1(), TB_GETRECT, Id, reinterpret_cast<LPARAM>(&R));
    carvelo::robot::ClickAt(FForm.ToolBar1(), (R.left + R.right) / 2, (R.top + R.bottom) / 2);
  }
  void PenSize(int Id) { PostMessageW(FForm.Handle(), WM_COMMAND, Id, 0); }
  void Mouse(UINT Message, WPARAM Keys, TPoint P) {
    const TPoint V = FForm.Box().PictureToView(P);
    PostMessageW(FForm.Box().Handle(), Message, Keys, MAKELPARAM(V.X, V.Y));
  }
  // A stroke along part of an ellipse, angles in degrees.
  void Arc(TPoint Centre, int Rx, int Ry, int From, int To) {
    for (int A = From; A <= To; A += 8) {
      const double R = A * 3.14159265358979 / 180;
      const TPoint P{Centre.X + int(std::lround(Rx * std::cos(R))), Centre.Y + int(std::lround(Ry * std::sin(R)))};
      Mouse(A == From ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON, P);
    }
    Mouse(WM_LBUTTONUP, 0, {0, 0});
  }

 private:
  TPaintFrm& FForm;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: paint_show <picture.bmp> <ready file> <done file>\n", stderr);
    return 2;
  }
  const std::wstring Ready = argv[2];
  const std::wstring Done = argv[3];
  try {
    const carvelo::TBitmap Working = LoadPicture(argv[1]);
    TPaintFrm Form;
    std::thread Robot([&] {
      HWND Window = carvelo::robot::WaitForDialog(L"Carvelo - Edit Masque");
      if (!Window) return;
      THand Hand(Form);
      Hand.Tool(TPaintFrm::idtb_green);  // protect the cup's rim
      Hand.PenSize(TPaintFrm::idN31);
      Hand.Arc({290, 112}, 114, 90, 150, 390);
      Hand.Tool(TPaintFrm::idtb_red);  // remove the spoon
      Hand.PenSize(TPaintFrm::idN41);
      Hand.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {411, 74});
      Hand.Mouse(WM_MOUSEMOVE, MK_LBUTTON, {398, 140});
      Hand.Mouse(WM_MOUSEMOVE, MK_LBUTTON, {384, 212});
      Hand.Mouse(WM_LBUTTONUP, 0, {384, 212});
      Hand.Tool(TPaintFrm::idToolButton8);  // and its bowl: a square being dragged
      Hand.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {322, 230});
      Hand.Mouse(WM_MOUSEMOVE, MK_LBUTTON, {412, 331});
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      RECT R{};
      GetWindowRect(Window, &R);
      if (FILE* F = _wfopen(Ready.c_str(), L"w")) {
        std::fprintf(F, "%ldx%ld+%ld+%ld\n", R.right - R.left, R.bottom - R.top, R.left, R.top);
        std::fclose(F);
      }
      carvelo::robot::WaitUntil([&] { return GetFileAttributesW(Done.c_str()) != INVALID_FILE_ATTRIBUTES; });
      Hand.Mouse(WM_LBUTTONUP, 0, {412, 331});
      PostMessageW(Window, WM_CLOSE, 0, 0);
    });
    carvelo::ExecutePaintForm(Form, Working);
    Robot.join();
  } catch (const std::exception& E) {
    std::fprintf(stderr, "paint_show: %s\n", E.what());
    return 1;
  }
  return 0;
}
