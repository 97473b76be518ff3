// The Setup command and its dialog, driven through the real window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Robot_win.h"
#include "qsetup.h"

namespace carvelo {

void PrintTo(const TCarveSettings& s, std::ostream* out) {
  *out << "{Filter " << int(s.Filter) << ", Stretch " << s.Stretch << ", MasqueWeight " << s.MasqueWeight
       << ", SamplingQuality " << s.SamplingQuality << ", ScaleBeforeCarving " << s.ScaleBeforeCarving << "}";
}

namespace {

using namespace robot;

// The dialog's controls as a person finds them.
struct TSetupControls {
  HWND Dialog, ComboBox1, TrackBar1, TrackBar2, Ok, Cancel, ScaleRG, Low, Good, High, chkScale;

  explicit TSetupControls(HWND dialog)
      : Dialog(dialog),
        ComboBox1(Child(dialog, L"ComboBox")),
        TrackBar1(NthChild(dialog, TRACKBAR_CLASSW, 0)),
        TrackBar2(NthChild(dialog, TRACKBAR_CLASSW, 1)),
        Ok(Child(dialog, L"Button", L"OK")),
        Cancel(Child(dialog, L"Button", L"Cancel")),
        ScaleRG(Child(dialog, L"Button", L"Sampling quality")),
        Low(Child(dialog, L"Button", L"Low")),
        Good(Child(dialog, L"Button", L"Good")),
        High(Child(dialog, L"Button", L"High")),
        chkScale(Child(dialog, L"Button", L"Scale before Carving")) {}

  bool Complete() const {
    return ComboBox1 && TrackBar1 && TrackBar2 && Ok && Cancel && ScaleRG && Low && Good && High && chkScale;
  }

  // What the dialog shows, read back as settings.
  TCarveSettings Shown() const {
    TCarveSettings s;
    s.Filter = static_cast<uint8_t>(SendMessageW(ComboBox1, CB_GETCURSEL, 0, 0));
    s.Stretch = static_cast<int32_t>(SendMessageW(TrackBar1, TBM_GETPOS, 0, 0));
    s.MasqueWeight = static_cast<int32_t>(SendMessageW(TrackBar2, TBM_GETPOS, 0, 0));
    s.SamplingQuality = Checked(Low) ? 0 : Checked(Good) ? 1 : Checked(High) ? 2 : -1;
    s.ScaleBeforeCarving = Checked(chkScale);
    return s;
  }

  static bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

TCarveSettings Settings(uint8_t filter, int32_t stretch, int32_t weight, int32_t quality, bool scale) {
  TCarveSettings s;
  s.Filter = filter;
  s.Stretch = stretch;
  s.MasqueWeight = weight;
  s.SamplingQuality = quality;
  s.ScaleBeforeCarving = scale;
  return s;
}

// Runs the Setup command on `settings` while `script` works the dialog.
TModalResult RunSetup(TCarveSettings& settings, const std::function<void(TSetupControls&)>& script) {
  TModalResult result = TModalResult::None;
  WithRobot(
      L"Setup",
      [&](HWND dialog) {
        TSetupControls controls(dialog);
        ASSERT_TRUE(controls.Complete());
        script(controls);
      },
      [&] { result = ExecuteSetup(settings); });
  return result;
}

TEST(SetupDialog, ShowsTheLayoutOfTheForm) {
  TCarveSettings settings;
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    HWND d = c.Dialog;
    EXPECT_EQ(Text(d), L"Setup");
    RECT client{};
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, 471);
    EXPECT_EQ(client.bottom, 238);
    const LONG exStyle = GetWindowLongW(d, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(d, GW_OWNER), nullptr);
    RECT window{};
    GetWindowRect(d, &window);
    EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2);
    EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 2);

    // The background is the colour of inactive borders, in a free corner.
    if (HDC dc = GetDC(d)) {
      EXPECT_EQ(GetPixel(dc, 460, 230), GetSysColor(COLOR_INACTIVEBORDER));
      ReleaseDC(d, dc);
    }

    auto expectBox = [](HWND h, int left, int top, int width, int height) {
      const RECT r = ClientRectOf(h);
      EXPECT_EQ(r.left, left) << Text(h).c_str();
      EXPECT_EQ(r.top, top);
      EXPECT_EQ(r.right - r.left, width);
      EXPECT_EQ(r.bottom - r.top, height);
    };
    expectBox(c.ComboBox1, 49, 24, 83, 21);
    expectBox(c.TrackBar1, 49, 64, 150, 31);
    expectBox(c.TrackBar2, 49, 136, 150, 33);
    expectBox(c.Ok, 159, 192, 75, 25);
    expectBox(c.Cancel, 240, 192, 75, 25);
    expectBox(c.ScaleRG, 288, 49, 161, 72);
    // The check box is 129 wide, or wider when the font needs it for its caption.
    const RECT check = ClientRectOf(c.chkScale);
    EXPECT_EQ(check.left, 288);
    EXPECT_EQ(check.top, 26);
    EXPECT_EQ(check.bottom - check.top, 17);
    EXPECT_GE(check.right - check.left, 129);
    if (HDC dc = GetDC(c.chkScale)) {
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c.chkScale, WM_GETFONT, 0, 0)));
      SIZE caption{};
      GetTextExtentPoint32W(dc, L"Scale before Carving", 20, &caption);
      SelectObject(dc, old);
      ReleaseDC(c.chkScale, dc);
      EXPECT_LE(GetSystemMetrics(SM_CXMENUCHECK) + caption.cx, check.right - check.left);
    }

    // The radio items sit inside the group, one under the other.
    const RECT group = ClientRectOf(c.ScaleRG);
    int previousTop = group.top;
    for (HWND item : {c.Low, c.Good, c.High}) {
      const RECT r = ClientRectOf(item);
      EXPECT_GT(r.top, previousTop);
      EXPECT_GE(r.left, group.left);
      EXPECT_LE(r.bottom, group.bottom);
      previousTop = r.top;
    }

    const struct {
      const wchar_t* Text;
      int Left, Top;
    } labels[] = {{L"Filter", 8, 27},          {L"Stretch", 8, 72}, {L"Interpolation", 205, 72},
                  {L"Masque Weight", 8, 117}, {L"o%", 26, 147},    {L"100%", 205, 147}};
    for (const auto& label : labels) {
      HWND h = Child(d, L"Static", label.Text);
      ASSERT_NE(h, nullptr) << std::string(label.Text, label.Text + wcslen(label.Text));
      const RECT r = ClientRectOf(h);
      EXPECT_EQ(r.left, label.Left);
      EXPECT_EQ(r.top, label.Top);
    }

    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(c.ComboBox1, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t item[64] = {};
      SendMessageW(c.ComboBox1, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      items.emplace_back(item);
    }
    EXPECT_EQ(items, (std::vector<std::wstring>{L"PREWITT", L"V1", L"V_SQUARE", L"SOBEL", L"LAPLACIAN "}));
    EXPECT_EQ(GetWindowLongW(c.ComboBox1, GWL_STYLE) & 3, CBS_DROPDOWNLIST);

    EXPECT_EQ(SendMessageW(c.TrackBar1, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(c.TrackBar1, TBM_GETRANGEMAX, 0, 0), 800);
    EXPECT_EQ(SendMessageW(c.TrackBar1, TBM_GETNUMTICS, 0, 0), 800 / 25 + 1);
    EXPECT_EQ(SendMessageW(c.TrackBar2, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(c.TrackBar2, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageW(c.TrackBar2, TBM_GETNUMTICS, 0, 0), 100 / 4 + 1);

    // OK is the default button (Enter), and the font is Tahoma 8 point.
    EXPECT_EQ(LOWORD(SendMessageW(d, DM_GETDEFID, 0, 0)), GetDlgCtrlID(c.Ok));
    EXPECT_EQ(GetWindowLongW(c.Ok, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c.ComboBox1, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");

    // Tab order from the list, which has the focus when the dialog opens.
    EXPECT_EQ(FocusOf(d), c.ComboBox1);
    std::vector<HWND> order;
    HWND h = c.ComboBox1;
    for (int i = 0; i < 7; ++i) order.push_back(h = GetNextDlgTabItem(d, h, FALSE));
    EXPECT_EQ(order, (std::vector<HWND>{c.TrackBar1, c.TrackBar2, c.Ok, c.Cancel, c.High, c.chkScale, c.ComboBox1}));

    Click(c.Cancel);
  });
  EXPECT_EQ(result, TModalResult::Cancelled);
}

// OK without touching anything stores exactly what was shown.
TEST(SetupDialog, OkWithoutTouchingStoresWhatWasShown) {
  for (const TCarveSettings& before : {TCarveSettings{}, Settings(3, 123, 57, 1, true), Settings(2, 0, 0, 0, false)}) {
    TCarveSettings settings = before;
    TCarveSettings shown;
    const TModalResult result = RunSetup(settings, [&](TSetupControls& c) {
      shown = c.Shown();
      EXPECT_EQ(IsWindowEnabled(c.ScaleRG) != FALSE, before.ScaleBeforeCarving);
      Click(c.Ok);
    });
    EXPECT_EQ(result, TModalResult::Ok);
    EXPECT_EQ(shown, before);
    EXPECT_EQ(settings, before);
  }
}

TEST(SetupDialog, EveryControlIsStoredOnOk) {
  TCarveSettings settings;
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    SendMessageW(c.Dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c.ComboBox1), TRUE);
    PressKeyAt(c.ComboBox1, VK_DOWN);  // PREWITT -> V1
    PressKeyAt(c.TrackBar1, VK_PRIOR);  // one page (2) towards the start
    PressKeyAt(c.TrackBar2, VK_LEFT);   // one line (1)
    Click(c.Good);
    Click(c.chkScale);
    Click(c.Ok);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings, Settings(1, 398, 99, 1, false));
}

enum class TDismiss { CancelButton, Escape, CloseBox };

class SetupDismissed : public ::testing::TestWithParam<TDismiss> {};

// Moving the sliders (and everything else) and then leaving without OK
// changes nothing.
TEST_P(SetupDismissed, ChangesNothing) {
  const TCarveSettings before = Settings(1, 300, 40, 1, true);
  TCarveSettings settings = before;
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    PressKeyAt(c.TrackBar1, VK_END);
    PressKeyAt(c.TrackBar2, VK_HOME);
    PressKeyAt(c.ComboBox1, VK_END);
    Click(c.Low);
    Click(c.chkScale);
    EXPECT_EQ(c.Shown(), Settings(4, 800, 0, 0, false));
    switch (GetParam()) {
      case TDismiss::CancelButton:
        Click(c.Cancel);
        break;
      case TDismiss::Escape:
        PressKey(c.Dialog, VK_ESCAPE);
        break;
      case TDismiss::CloseBox:
        PostMessageW(c.Dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
  });
  EXPECT_EQ(result, TModalResult::Cancelled);
  EXPECT_EQ(settings, before);
}

INSTANTIATE_TEST_SUITE_P(Setup, SetupDismissed,
                         ::testing::Values(TDismiss::CancelButton, TDismiss::Escape, TDismiss::CloseBox),
                         [](const auto& info) {
                           switch (info.param) {
                             case TDismiss::CancelButton: return std::string("CancelButton");
                             case TDismiss::Escape: return std::string("Escape");
                             default: return std::string("CloseBox");
                           }
                         });

// With "Scale before Carving" off, the dialog opens with the box clear and the
// quality group greyed, the old choice still selected; checking the box
// enables the group again.
TEST(SetupDialog, ScaleOffGreysTheQualityGroupUntilChecked) {
  TCarveSettings settings = Settings(0, 400, 100, 0, false);
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    EXPECT_FALSE(TSetupControls::Checked(c.chkScale));
    EXPECT_FALSE(IsWindowEnabled(c.ScaleRG));
    for (HWND item : {c.Low, c.Good, c.High}) EXPECT_FALSE(IsWindowEnabled(item));
    EXPECT_TRUE(TSetupControls::Checked(c.Low));

    Click(c.chkScale);
    EXPECT_TRUE(TSetupControls::Checked(c.chkScale));
    EXPECT_TRUE(IsWindowEnabled(c.ScaleRG));
    for (HWND item : {c.Low, c.Good, c.High}) EXPECT_TRUE(IsWindowEnabled(item));

    Click(c.chkScale);  // and off again greys it again
    EXPECT_FALSE(IsWindowEnabled(c.ScaleRG));
    Click(c.chkScale);
    Click(c.Ok);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings, Settings(0, 400, 100, 0, true));
}

TEST(SetupDialog, LaplacianWithItsTrailingBlankStoresFilter4) {
  TCarveSettings settings;
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    PressKeyAt(c.ComboBox1, VK_END);
    EXPECT_EQ(Text(c.ComboBox1), L"LAPLACIAN ");
    Click(c.Ok);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings.Filter, 4);
}

TEST(SetupDialog, SliderEndsAreStored) {
  TCarveSettings settings;
  TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    PressKeyAt(c.TrackBar1, VK_END);
    PressKeyAt(c.TrackBar2, VK_HOME);
    Click(c.Ok);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings.Stretch, 800);
  EXPECT_EQ(settings.MasqueWeight, 0);

  result = RunSetup(settings, [](TSetupControls& c) {
    EXPECT_EQ(SendMessageW(c.TrackBar1, TBM_GETPOS, 0, 0), 800);
    EXPECT_EQ(SendMessageW(c.TrackBar2, TBM_GETPOS, 0, 0), 0);
    PressKeyAt(c.TrackBar1, VK_HOME);
    PressKeyAt(c.TrackBar2, VK_END);
    Click(c.Ok);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings.Stretch, 0);
  EXPECT_EQ(settings.MasqueWeight, 100);
}

// Enter anywhere presses the default button.
TEST(SetupDialog, EnterPressesOk) {
  TCarveSettings settings;
  const TModalResult result = RunSetup(settings, [](TSetupControls& c) {
    PressKeyAt(c.TrackBar2, VK_HOME);
    PressKey(c.Dialog, VK_RETURN);
  });
  EXPECT_EQ(result, TModalResult::Ok);
  EXPECT_EQ(settings.MasqueWeight, 0);
}

// The dialog can be driven without showing it: loading "Scale before
// Carving" off runs the check box's click handler.
TEST(SetupDialog, LoadingScaleOffGreysTheGroupBeforeShowing) {
  TSetupFrm dialog;
  EXPECT_TRUE(dialog.ScaleChecked());
  EXPECT_TRUE(dialog.QualityGroupEnabled());
  dialog.SetQualityIndex(1);
  dialog.SetScaleChecked(false);
  EXPECT_FALSE(dialog.QualityGroupEnabled());
  EXPECT_EQ(dialog.QualityIndex(), 1);
  dialog.SetScaleChecked(true);
  EXPECT_TRUE(dialog.QualityGroupEnabled());
}

}  // namespace
}  // namespace carvelo
