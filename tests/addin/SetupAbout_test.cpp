// "Setup" and "About" from the toolbar of a PowerPoint stand-in, with the real
// settings dialog and about window driven by a robot.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ui/Robot_win.h"
#include "AddinTestSupport.h"
#include "about.h"

using namespace carvelo;
using namespace carvelo::robot;
using namespace carvelo::test;
using standin::TStandInPowerPoint;

namespace carvelo {
void PrintTo(const TCarveSettings& s, std::ostream* out) {
  *out << "{Filter " << int(s.Filter) << ", Stretch " << s.Stretch << ", MasqueWeight " << s.MasqueWeight
       << ", SamplingQuality " << s.SamplingQuality << ", ScaleBeforeCarving " << s.ScaleBeforeCarving << "}";
}
}  // namespace carvelo

namespace {

// The add-in with its real commands.
class TAddin final : public TConnectedAddin {
 public:
  static ComPtr<TAddin> Make() { return TConnectedAddin::Make<TAddin>(); }
};

constexpr const wchar_t* HostCaption = L"Presentation1 - PowerPoint (Carvelo stand-in)";

class SetupAndAbout : public ::testing::Test {
 protected:
  void SetUp() override {
    powerPoint.ShowWindow();
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    bar = powerPoint.Bar(L"Carvelo PPT");
    ASSERT_TRUE(bar);
  }
  void TearDown() override { addIn->Disconnect(host::ext_dm_HostShutdown); }

  // The user clicks a toolbar button while `script` works the window
  // `caption` that it opens; the host's window takes no input meanwhile.
  void ClickWhile(const wchar_t* tag, const wchar_t* caption, const std::function<void(HWND)>& script) {
    HWND host = FindWindowW(nullptr, HostCaption);
    ASSERT_NE(host, nullptr);
    standin::TStandInButton::TClickOutcome outcome;
    WithRobot(
        caption,
        [&](HWND window) {
          EXPECT_FALSE(IsWindowEnabled(host));
          script(window);
        },
        [&] { outcome = ClickTag(*bar, tag); });
    EXPECT_EQ(outcome.answers, std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(IsWindowEnabled(host));
  }

  // What the Setup dialog shows.
  static TCarveSettings Shown(HWND dialog) {
    auto checked = [&](const wchar_t* text) {
      return SendMessageW(Child(dialog, L"Button", text), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    TCarveSettings s;
    s.Filter = static_cast<uint8_t>(SendMessageW(Child(dialog, L"ComboBox"), CB_GETCURSEL, 0, 0));
    s.Stretch = static_cast<int32_t>(SendMessageW(NthChild(dialog, TRACKBAR_CLASSW, 0), TBM_GETPOS, 0, 0));
    s.MasqueWeight = static_cast<int32_t>(SendMessageW(NthChild(dialog, TRACKBAR_CLASSW, 1), TBM_GETPOS, 0, 0));
    s.SamplingQuality = checked(L"Low") ? 0 : checked(L"Good") ? 1 : checked(L"High") ? 2 : -1;
    s.ScaleBeforeCarving = checked(L"Scale before Carving");
    return s;
  }

  TStandInPowerPoint powerPoint;
  ComPtr<TAddin> addIn = TAddin::Make();
  ComPtr<standin::TStandInBar> bar;
};

TEST_F(SetupAndAbout, SetupShowsTheSettingsAndOnlyOkStoresThem) {
  ClickWhile(L"Setup$$$", L"Setup", [](HWND d) {
    EXPECT_EQ(Shown(d), TCarveSettings{});
    PressKeyAt(NthChild(d, TRACKBAR_CLASSW, 0), VK_END);
    PressKeyAt(Child(d, L"ComboBox"), VK_END);
    Click(Child(d, L"Button", L"Scale before Carving"));
    Click(Child(d, L"Button", L"OK"));
  });
  TCarveSettings stored;
  stored.Filter = 4;
  stored.Stretch = 800;
  stored.ScaleBeforeCarving = false;
  EXPECT_EQ(addIn->Settings(), stored);

  // The next time the dialog shows what was stored; moving the sliders and
  // cancelling keeps it.
  ClickWhile(L"Setup$$$", L"Setup", [&](HWND d) {
    EXPECT_EQ(Shown(d), stored);
    EXPECT_FALSE(IsWindowEnabled(Child(d, L"Button", L"Sampling quality")));
    PressKeyAt(NthChild(d, TRACKBAR_CLASSW, 0), VK_HOME);
    PressKeyAt(NthChild(d, TRACKBAR_CLASSW, 1), VK_HOME);
    PressKey(d, VK_ESCAPE);
  });
  EXPECT_EQ(addIn->Settings(), stored);
}

TEST_F(SetupAndAbout, ReconnectingRestoresTheDefaults) {
  ClickWhile(L"Setup$$$", L"Setup", [](HWND d) {
    PressKeyAt(NthChild(d, TRACKBAR_CLASSW, 1), VK_HOME);
    Click(Child(d, L"Button", L"Low"));
    Click(Child(d, L"Button", L"OK"));
  });
  ASSERT_NE(addIn->Settings(), TCarveSettings{});

  ASSERT_EQ(addIn->Disconnect(host::ext_dm_UserClosed), S_OK);
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  EXPECT_EQ(addIn->Settings(), TCarveSettings{});
  ClickWhile(L"Setup$$$", L"Setup", [](HWND d) {
    EXPECT_EQ(Shown(d), TCarveSettings{});
    Click(Child(d, L"Button", L"Cancel"));
  });
}

TEST_F(SetupAndAbout, AboutShowsTheTitleAndBuildAndItsLinksReachTheShell) {
  TAboutFrm* about = addIn->AboutWindow();
  ASSERT_NE(about, nullptr);  // made at connection
  std::vector<TShellRequest> requests;
  about->SetShellOpen([&](const TShellRequest& r) { requests.push_back(r); });

  HWND first = nullptr;
  ClickWhile(L"About$$$", L"About", [&](HWND w) {
    first = w;
    ClickAt(w, 330, 85);   // the help link
    ClickAt(w, 320, 128);  // the support address
    PressKey(w, VK_ESCAPE);
  });
  EXPECT_EQ(about->Caption(TAboutLabel::lbl_title) + about->Caption(TAboutLabel::Label10),
            L"carvelo for PowerPoint 1.0 build 01.1201");
  const std::wstring site = about->Caption(TAboutLabel::Label4);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Verb, L"open");
  EXPECT_EQ(requests[0].File, site + L"/Help/PPTAddon.htm");
  EXPECT_EQ(requests[1].Verb, L"open");
  EXPECT_EQ(requests[1].File.rfind(L"mailto:", 0), 0u);
  EXPECT_EQ(requests[1].File, L"mailto:" + about->Caption(TAboutLabel::Label6));

  // The same window opens again, and closes again with Esc.
  ClickWhile(L"About$$$", L"About", [&](HWND w) {
    EXPECT_EQ(w, first);
    PressKey(w, VK_ESCAPE);
  });
  EXPECT_EQ(addIn->AboutWindow(), about);
}

}  // namespace
