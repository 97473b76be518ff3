// The about window and the About command, driven through the real window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "JpegDecode.h"
#include "Robot_win.h"
#include "about.h"
#include "about_res.h"

namespace carvelo {
namespace {

using namespace robot;

constexpr int ClientWidth = 528;
constexpr int ClientHeight = 346;

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

// The picture as the module carries it, decoded.
TJpegPicture StoredPicture() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_ABOUT_PICTURE), MAKEINTRESOURCEW(10));
  EXPECT_NE(found, nullptr);
  if (!found) return {};
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  auto picture = DecodeJpeg({bytes, SizeofResource(module, found)});
  EXPECT_TRUE(picture.has_value());
  return picture ? *picture : TJpegPicture{};
}

COLORREF PictureColour(const TJpegPicture& picture, int x, int y) {
  const uint8_t* p = picture.Pixels.data() + picture.Stride() * y + 3 * x;
  return RGB(p[2], p[1], p[0]);
}

// Pixels in a client rectangle much darker than the picture under them: text.
int DarkPixels(HDC dc, const TJpegPicture& picture, RECT r) {
  int dark = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF shown = GetPixel(dc, x, y);
      const COLORREF under = PictureColour(picture, x, y);
      const int drop = (GetRValue(under) + GetGValue(under) + GetBValue(under)) -
                       (GetRValue(shown) + GetGValue(shown) + GetBValue(shown));
      if (drop > 3 * 80) ++dark;
    }
  return dark;
}

// Runs `ui` while `script` works the window "About".
void WithAbout(const std::function<void(HWND)>& script, const std::function<void()>& ui) {
  WithRobot(L"About", script, ui);
}

TEST(AboutWindow, ShowsTheFormOverTheStoredPicture) {
  TAboutFrm about;
  ASSERT_TRUE(about.HasPicture());
  const TJpegPicture picture = StoredPicture();
  ASSERT_EQ(picture.Width, ClientWidth);
  ASSERT_EQ(picture.Height, ClientHeight);

  TModalResult result = TModalResult::None;
  WithAbout(
      [&](HWND w) {
        RECT client{}, window{};
        GetClientRect(w, &client);
        GetWindowRect(w, &window);
        EXPECT_EQ(client.right, ClientWidth);
        EXPECT_EQ(client.bottom, ClientHeight);
        EXPECT_EQ(window.right - window.left, ClientWidth + 2);  // a 1-pixel border all round
        EXPECT_EQ(window.bottom - window.top, ClientHeight + 2);
        EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - (ClientWidth + 2)) / 2);
        EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - (ClientHeight + 2)) / 2);
        EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION);
        EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);

        HWND close = Child(w, L"Button", L"Close");
        ASSERT_NE(close, nullptr);
        const RECT r = ClientRectOf(close);
        EXPECT_EQ(r.left, 419);
        EXPECT_EQ(r.top, 308);
        EXPECT_EQ(r.right - r.left, 90);
        EXPECT_EQ(r.bottom - r.top, 25);

        if (HDC frame = GetWindowDC(w)) {
          for (POINT p : {POINT{0, 0}, POINT{ClientWidth + 1, 0}, POINT{0, ClientHeight + 1},
                          POINT{ClientWidth + 1, ClientHeight + 1}, POINT{200, 0}, POINT{0, 200}})
            EXPECT_EQ(GetPixel(frame, p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
          ReleaseDC(w, frame);
        }
        if (HDC dc = GetDC(w)) {
          // The art where no text goes is the decoded picture, pixel for pixel.
          for (POINT p : {POINT{0, 0}, POINT{150, 100}, POINT{218, 80}, POINT{40, 200}, POINT{527, 345}})
            EXPECT_EQ(GetPixel(dc, p.x, p.y), PictureColour(picture, p.x, p.y)) << p.x << "," << p.y;
          // The title line, the build text after it, the legal notice and the
          // rights line are drawn over it.
          EXPECT_GT(DarkPixels(dc, picture, {313, 8, 460, 22}), 40);
          EXPECT_GT(DarkPixels(dc, picture, {465, 8, 520, 22}), 20);
          EXPECT_GT(DarkPixels(dc, picture, {314, 156, 432, 208}), 100);
          EXPECT_GT(DarkPixels(dc, picture, {14, 320, 250, 334}), 40);
          ReleaseDC(w, dc);
        }
        PressKey(w, VK_ESCAPE);
      },
      [&] { result = ExecuteAbout(about); });
  EXPECT_EQ(result, TModalResult::Cancelled);
}

// The About command sets the title line and the help link; showing sets the
// build text.
TEST(AboutWindow, AboutCommandSetsTheTitleLineAndTheHelpLink) {
  TAboutFrm about;
  about.SetCaption(TAboutLabel::lbl_title, L"something else");
  about.SetCaption(TAboutLabel::Label9, L"elsewhere.htm");
  EXPECT_EQ(about.Caption(TAboutLabel::Label10), L"");
  WithAbout([](HWND w) { PressKey(w, VK_ESCAPE); }, [&] { ExecuteAbout(about); });
  EXPECT_EQ(about.Caption(TAboutLabel::lbl_title), L"carvelo for PowerPoint 1.0 build ");
  EXPECT_EQ(about.Caption(TAboutLabel::Label10), L"01.1201");
  EXPECT_EQ(about.Caption(TAboutLabel::lbl_title) + about.Caption(TAboutLabel::Label10),
            L"carvelo for PowerPoint 1.0 build 01.1201");
  EXPECT_EQ(about.Caption(TAboutLabel::Label9), L"Help/PPTAddon.htm");
}

TEST(AboutWindow, LinksAskTheShellToOpenTheirAddresses) {
  TAboutFrm about;
  std::vector<TShellRequest> requests;
  about.SetShellOpen([&](const TShellRequest& r) { requests.push_back(r); });
  const std::wstring site = about.Caption(TAboutLabel::Label4);
  const std::wstring support = about.Caption(TAboutLabel::Label6);
  ASSERT_EQ(site.rfind(L"https://", 0), 0u);

  WithAbout(
      [](HWND w) {
        ClickAt(w, 330, 85);   // the help link (Label9)
        ClickAt(w, 320, 128);  // the support address (Label6)
        ClickAt(w, 320, 32);   // the web site (Label4)
        ClickAt(w, 320, 60);   // "Carvelo Help online:", not a link
        // Pressed on a link, released elsewhere: no click.
        PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(330, 85));
        PostMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
        PressKey(w, VK_ESCAPE);
      },
      [&] { ExecuteAbout(about); });

  const std::wstring here = CurrentDirectory();
  EXPECT_EQ(requests, (std::vector<TShellRequest>{
                          {L"open", site + L"/Help/PPTAddon.htm", here, SW_SHOWNORMAL},
                          {L"open", L"mailto:" + support, here, SW_SHOWNORMAL},
                          {L"open", site, here, SW_SHOWNORMAL},
                      }));
  EXPECT_EQ(support.find(L'@') != std::wstring::npos, true);
}

// The pointer turns into the pointing hand over a link and back off it.
TEST(AboutWindow, PointingHandOverLinks) {
  TAboutFrm about;
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  WithAbout(
      [&](HWND w) {
        auto pointAt = [&](int x, int y) {
          POINT p{x, y};
          ClientToScreen(w, &p);
          SetCursorPos(p.x, p.y);
        };
        auto cursor = [] {
          CURSORINFO info{};
          info.cbSize = sizeof info;
          GetCursorInfo(&info);
          return info.hCursor;
        };
        pointAt(100, 100);
        EXPECT_TRUE(WaitUntil([&] { return cursor() == arrow; }));
        for (POINT link : {POINT{330, 85}, POINT{320, 128}, POINT{320, 32}}) {
          pointAt(link.x, link.y);
          EXPECT_TRUE(WaitUntil([&] { return cursor() == hand; })) << link.x << "," << link.y;
          pointAt(320, 60);
          EXPECT_TRUE(WaitUntil([&] { return cursor() == arrow; })) << link.x << "," << link.y;
        }
        PressKey(w, VK_ESCAPE);
      },
      [&] { ExecuteAbout(about); });
}

// Esc and the Close button close the window with 2; it stays alive and
// opens again.
TEST(AboutWindow, EscOrCloseClosesAndItOpensAgain) {
  TAboutFrm about;
  HWND first = nullptr;
  TModalResult result = TModalResult::None;
  WithAbout(
      [&](HWND w) {
        first = w;
        PressKey(w, VK_ESCAPE);
      },
      [&] { result = ExecuteAbout(about); });
  EXPECT_EQ(result, TModalResult::Cancelled);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(IsWindow(first));
  EXPECT_FALSE(IsWindowVisible(first));

  result = TModalResult::None;
  WithAbout(
      [&](HWND w) {
        EXPECT_EQ(w, first);
        Click(Child(w, L"Button", L"Close"));
      },
      [&] { result = ExecuteAbout(about); });
  EXPECT_EQ(result, TModalResult::Cancelled);

  result = TModalResult::None;
  WithAbout([&](HWND w) { PressKey(w, VK_ESCAPE); }, [&] { result = about.ShowModal(); });
  EXPECT_EQ(result, TModalResult::Cancelled);
}

}  // namespace
}  // namespace carvelo
