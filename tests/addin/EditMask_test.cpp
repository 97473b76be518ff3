// "Edit Mask" end to end: the real command, clicked on the toolbar of a
// PowerPoint stand-in, opens the real mask editor; a robot paints on it with
// posted pointer messages as a user would, then starts the carve or leaves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AddinTestSupport.h"
#include "Bitmap.h"
#include "MessageBoxRobot.h"
#include "StandInClipboard.h"
#include "StandInPictureFile.h"
#include "StandInRender.h"
#include "Unit1_win.h"
#include "../ui/Robot_win.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TPixels;
using standin::TStandInShape;

namespace {

// The editor's toolbar buttons.
constexpr int ebPencilRemove = TPaintFrm::idtb_red, ebSquareProtect = TPaintFrm::idToolButton5,
              ebSquareDelete = TPaintFrm::idToolButton8;
enum TEditorEnd { endStart, endCancel, endCloseBox };

// One drag over the picture with a tool, in picture pixels.
struct TStroke {
  int tool;
  std::vector<POINT> path;
};

struct TChildSearch {
  const wchar_t* windowClass;
  HWND found;
};
BOOL CALLBACK MatchChildClass(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<TChildSearch*>(param);
  wchar_t name[64] = {};
  GetClassNameW(child, name, 64);
  if (wcscmp(name, search->windowClass) != 0) return TRUE;
  search->found = child;
  return FALSE;
}
HWND FindChildOfClass(HWND parent, const wchar_t* windowClass) {
  TChildSearch search{windowClass, nullptr};
  EnumChildWindows(parent, MatchChildClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Drives the editor from its own thread: the strokes, then the way out.
class TEditorRobot {
 public:
  TEditorRobot(SIZE picture, std::vector<TStroke> strokes, TEditorEnd end)
      : thread_([=, this] { Drive(picture, strokes, end); }) {}
  // Whether the editor showed up for the robot to drive.
  bool Finish() {
    thread_.join();
    return sawEditor_;
  }

 private:
  void Drive(SIZE picture, const std::vector<TStroke>& strokes, TEditorEnd end) {
    HWND editor = nullptr;
    if (!robot::WaitUntil([&] { return (editor = FindWindowW(nullptr, L"Carvelo - Edit Masque")) && IsWindowVisible(editor); }))
      return;
    sawEditor_ = true;
    HWND toolbar = FindChildOfClass(editor, TOOLBARCLASSNAMEW);
    HWND box = FindChildOfClass(editor, L"CarveloVuImageBox");
    // A picture smaller than the view is shown centred in it.
    RECT client{};
    GetClientRect(box, &client);
    const POINT origin{std::max(0L, (client.right - picture.cx) / 2), std::max(0L, (client.bottom - picture.cy) / 2)};
    const auto onBox = [&](POINT p) { return MAKELPARAM(p.x + origin.x, p.y + origin.y); };
    for (const TStroke& stroke : strokes) {
      PressButton(toolbar, stroke.tool);
      PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, onBox(stroke.path.front()));
      for (POINT p : stroke.path) PostMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, onBox(p));
      PostMessageW(box, WM_LBUTTONUP, 0, onBox(stroke.path.back()));
    }
    if (end == endCloseBox) PostMessageW(editor, WM_SYSCOMMAND, SC_CLOSE, 0);
    else PressButton(toolbar, end == endStart ? TPaintFrm::idToolButton3 : TPaintFrm::idToolButton6);
    robot::WaitUntil([&] { return !IsWindowVisible(editor); });
  }
  static void PressButton(HWND toolbar, int id) {
    RECT r{};
    SendMessageW(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&r));
    robot::ClickAt(toolbar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  bool sawEditor_ = false;
  std::thread thread_;
};

class TAddin final : public TConnectedAddin {
 public:
  static ComPtr<TAddin> Make() { return TConnectedAddin::Make<TAddin>(); }
  ~TAddin() override { Disconnect(); }
};

// Pictures: a smooth gradient to carve through, with things painted on it.
TPixels Gradient(int width, int height) {
  TPixels p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.data.push_back(uint32_t(0x40 + x) << 16 | uint32_t(0x60 + y) << 8 | 0x90u);
  return p;
}
// Busy noise, which seams avoid.
TPixels Noise(int width, int height) {
  TPixels p{width, height, {}};
  uint32_t state = 12345;
  for (int i = 0; i < width * height; ++i) {
    state = state * 1664525u + 1013904223u;
    p.data.push_back((state >> 8 & 0x7F7F7F) + 0x202020);
  }
  return p;
}
void Fill(TPixels& p, RECT r, uint32_t colour) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) p.data[size_t(y) * p.width + x] = colour;
}
// A quiet block, which seams would take first.
void PaintFace(TPixels& p, RECT r) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) p.data[size_t(y) * p.width + x] = 0xC09070u + uint32_t(y - r.top) * 0x10000u;
}
// A busy block, which seams keep out of.
void PaintBusy(TPixels& p, RECT r) {
  const TPixels noise = Noise(r.right - r.left, r.bottom - r.top);
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) p.data[size_t(y) * p.width + x] = noise.data[size_t(y - r.top) * noise.width + x - r.left];
}
// A one-pixel line from (x0, y0), one step right every three rows down.
constexpr uint32_t kLineColour = 0x303030;
void PaintLine(TPixels& p, POINT from, int rows) {
  for (int i = 0; i < rows; ++i) p.data[size_t(from.y + i) * p.width + from.x + i / 3] = kLineColour;
}
std::vector<POINT> AlongLine(POINT from, int rows) {
  std::vector<POINT> path;
  for (int i = 0; i < rows; i += 6) path.push_back({from.x + i / 3, from.y + i});
  path.push_back({from.x + (rows - 1) / 3, from.y + rows - 1});
  return path;
}

bool Holds(const TPixels& p, uint32_t colour) { return std::ranges::find(p.data, colour) != p.data.end(); }
TPixels Cut(const TPixels& p, RECT r) {
  TPixels block{r.right - r.left, r.bottom - r.top, {}};
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) block.data.push_back(p.data[size_t(y) * p.width + x]);
  return block;
}
// Whether `block` appears, pixel for pixel, somewhere in `p`.
bool Contains(const TPixels& p, const TPixels& block) {
  for (int y = 0; y + block.height <= p.height; ++y)
    for (int x = 0; x + block.width <= p.width; ++x)
      if (Cut(p, {x, y, x + block.width, y + block.height}).data == block.data) return true;
  return false;
}

// A slide's shapes: each one's place and size, then its pixels.
std::vector<std::vector<uint32_t>> StateOf(standin::TStandInSlide& slide) {
  std::vector<std::vector<uint32_t>> state;
  for (const auto& s : slide.ShapeList()) {
    for (float side : {s->left, s->top, s->width, s->height}) state.push_back({std::bit_cast<uint32_t>(side)});
    state.push_back(s->pixels.data);
  }
  return state;
}

TEST(EditMask, CarvesWithTheMarksPaintedInTheEditorOrLeavesTheSlideAsItWas) {
  constexpr RECT object{60, 30, 74, 44}, face{40, 30, 60, 50}, busy{92, 8, 104, 20};
  TPixels withObject = Gradient(120, 80), withFace = Noise(120, 80), withLine = Gradient(120, 80);
  Fill(withObject, object, 0x202020);
  PaintFace(withFace, face);
  PaintLine(withLine, {30, 10}, 60);
  PaintBusy(withLine, busy);
  const auto square = [](int tool, RECT r) { return TStroke{tool, {{r.left, r.top}, {r.right, r.bottom}}}; };
  const TStroke overObject = square(ebSquareDelete, {56, 26, 78, 48});

  struct TCase {
    const char* name;
    const TPixels& picture;
    float width;  // displayed, in points; 90 is the picture's own width
    std::vector<TStroke> strokes;
    TEditorEnd end;
    std::optional<uint32_t> gone;  // a colour no longer in the carved picture
    std::optional<RECT> kept;      // a part found whole in it
    SIZE size;                     // of the carved picture; {} when nothing changes
  };
  const TCase cases[] = {
      {"a red square removes an object, the picture kept at its size", withObject, 90, {overObject}, endStart,
       0x202020u, {}, {120, 80}},
      {"a green square protects a quiet block while the picture is squeezed", withFace, 54,
       {square(ebSquareProtect, {38, 28, 62, 52})}, endStart, {}, face, {72, 80}},
      {"a red pencil along a thin slanted line removes only the line", withLine, 90,
       {{ebPencilRemove, AlongLine({30, 10}, 60)}}, endStart, kLineColour, busy, {120, 80}},
      {"Cancel changes nothing", withObject, 90, {overObject}, endCancel, {}, {}, {}},
      {"the close box changes nothing", withObject, 90, {overObject}, endCloseBox, {}, {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    standin::TStandInPowerPoint powerPoint;
    auto& slide = powerPoint.Slide(1);
    const ComPtr<TAddin> addIn = TAddin::Make();
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    auto old = slide.AddPicture(100, 50, c.width, 60, c.picture);
    const auto before = StateOf(slide);
    powerPoint.SelectShapes({old});
    {
      standin::TMessageBoxRobot boxes({L"Carvelo - Processing", L"Carvelo - Edit Masque"});
      TEditorRobot editor({c.picture.width, c.picture.height}, c.strokes, c.end);
      EXPECT_EQ(ClickTag(*powerPoint.Bar(L"Carvelo PPT"), L"Edit Mask$$$").answers, std::vector<HRESULT>{S_OK});
      EXPECT_TRUE(editor.Finish());
      EXPECT_TRUE(boxes.Seen().empty());
    }
    if (c.size.cx == 0) {
      EXPECT_EQ(StateOf(slide), before);
      TPixels clipboard;  // the working bitmap stays there for the user
      EXPECT_TRUE(standin::TakePictureFromClipboard(clipboard) && clipboard.data == c.picture.data);
      continue;
    }
    EXPECT_TRUE(old->Deleted());
    ASSERT_EQ(slide.ShapeList().size(), 1u);
    const TStandInShape& carved = *slide.ShapeList().front().Get();
    EXPECT_EQ((std::vector<float>{carved.left, carved.top, carved.width, carved.height}),
              (std::vector<float>{100, 50, c.width, 60}));
    EXPECT_EQ(carved.pixels.width, c.size.cx);
    EXPECT_EQ(carved.pixels.height, c.size.cy);
    EXPECT_FALSE(c.gone && Holds(carved.pixels, *c.gone));
    EXPECT_TRUE(!c.kept || Contains(carved.pixels, Cut(c.picture, *c.kept)));
  }
}

}  // namespace

// The slide before and after the sample photo's spoon is painted red and
// carved out, for the documentation: runs when CARVELO_SLIDE_SHOTS names
// the folder for the two pictures.
TEST(EditMask, SlideShotsOfAnObjectRemoval) {
  const char* folder = std::getenv("CARVELO_SLIDE_SHOTS");
  if (!folder) GTEST_SKIP() << "set CARVELO_SLIDE_SHOTS to a folder to take the pictures";
  const std::wstring out(folder, folder + strlen(folder));
  const TPixels photo = standin::LoadPictureFile(CARVELO_EXAMPLES L"/coffee_600x400.png");
  // Pencil strokes side by side down the handle's end, squares over the
  // neck and the bowl.
  std::vector<TStroke> strokes;
  for (int dx = -12; dx <= 12; dx += 3) strokes.push_back({ebPencilRemove, {{411 + dx, 64}, {413 + dx, 100}, {411 + dx, 150}}});
  strokes.push_back({ebSquareDelete, {{370, 196}, {398, 236}}});
  strokes.push_back({ebSquareDelete, {{318, 234}, {416, 334}}});

  standin::TStandInPowerPoint powerPoint;
  auto& slide = powerPoint.Slide(1);
  const ComPtr<TAddin> addIn = TAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  powerPoint.SelectShapes({slide.AddPicture(135, 120, 450, 300, photo)});
  standin::SavePngFile(standin::RenderSlide(slide), out + L"/slide-editmask-before.png");
  {
    TEditorRobot editor({photo.width, photo.height}, strokes, endStart);
    ClickTag(*powerPoint.Bar(L"Carvelo PPT"), L"Edit Mask$$$");
    EXPECT_TRUE(editor.Finish());
  }
  standin::SavePngFile(standin::RenderSlide(slide), out + L"/slide-editmask-after.png");
}
