// PowerPoint (the stand-in) loads the registered DLL from the registry
// alone, gets the toolbar, clicks reach the add-in, the carving buttons
// follow the selection, and unloading or shutting down behaves.
#include <gtest/gtest.h>

#include "DllTestSupport.h"
#include "HostIds.h"
#include "MessageBoxRobot.h"
#include "StandInHost.h"
#include "TempFile_win.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TStandInPowerPoint;

namespace {

standin::TStandInOptions KeepingBarsIn(const std::wstring& file) {
  standin::TStandInOptions options;
  options.barsFile = file;
  return options;
}

DWORD LoadBehavior() {
  for (const TValue& v : Values(HKEY_CURRENT_USER, kOfficeKey))
    if (v.name == L"LoadBehavior" && v.type == REG_DWORD) return v.number;
  return 0xFFFFFFFF;
}

}  // namespace

TEST(EndToEnd, NothingIsLoadedUntilTheAddInIsRegistered) {
  TAddinDll dll;
  dll.Unregister();
  TStandInPowerPoint powerPoint;
  powerPoint.LoadAddIns();
  EXPECT_EQ(powerPoint.AddIn(kProgId), nullptr);
  EXPECT_FALSE(powerPoint.Bar(L"Carvelo PPT"));
}

TEST(EndToEnd, TheRegisteredAddInLoadsBuildsItsToolbarAndAnswersClicksAndSelection) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  TStandInPowerPoint powerPoint;
  auto picture = powerPoint.Slide(1).AddPicture(10, 10, 100, 50, standin::TPixels{2, 1, {0, 0}});
  powerPoint.LoadAddIns();
  const standin::TLoadedAddIn* addIn = powerPoint.AddIn(kProgId);
  ASSERT_NE(addIn, nullptr);
  EXPECT_EQ(addIn->connectStatus, S_OK);
  ASSERT_NE(addIn->ribbon, nullptr);
  EXPECT_TRUE(addIn->ribbon->Applied());
  EXPECT_EQ(addIn->ribbon->UiErrors(), std::vector<std::wstring>{});
  const standin::TRibbonNode* ribbonQuickFitting = addIn->ribbon->Button(L"Quick Fitting");
  ASSERT_NE(ribbonQuickFitting, nullptr);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  EXPECT_TRUE(bar->Visible());
  ASSERT_EQ(bar->Buttons().size(), 4u);
  standin::TMessageBoxRobot robot;  // answers whatever a command shows
  for (const auto& button : bar->Buttons()) {
    EXPECT_EQ(button->SinkCount(), 1u);
    const auto outcome = button->Click();
    EXPECT_EQ(outcome.answers, std::vector<HRESULT>{S_OK}) << std::string(button->State().tag.begin(), button->State().tag.end());
  }
  EXPECT_EQ(powerPoint.SelectShapes({picture}), std::vector<HRESULT>{S_OK});
  EXPECT_TRUE(bar->Buttons()[0]->State().enabled);
  EXPECT_TRUE(addIn->ribbon->Enabled(*ribbonQuickFitting));
  EXPECT_EQ(powerPoint.SelectNothing(), std::vector<HRESULT>{S_OK});
  EXPECT_FALSE(bar->Buttons()[0]->State().enabled);
  EXPECT_FALSE(addIn->ribbon->Enabled(*ribbonQuickFitting));
  EXPECT_FALSE(bar->Buttons()[1]->State().enabled);
  EXPECT_TRUE(bar->Buttons()[2]->State().enabled);
  powerPoint.Quit();
  EXPECT_TRUE(powerPoint.Bar(L"Carvelo PPT")) << "shutdown keeps the toolbar";
  for (const auto& button : bar->Buttons()) EXPECT_EQ(button->SinkCount(), 0u);
  EXPECT_EQ(powerPoint.App().SinkCount(), 0u) << "the add-in let go of the application's events";
}

TEST(EndToEnd, AfterShutdownNoObjectOfTheAddInIsLeft) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  TAddinDll dll;  // the same module the stand-in loads
  {
    TStandInPowerPoint powerPoint;
    powerPoint.LoadAddIns();
    ASSERT_NE(powerPoint.AddIn(kProgId), nullptr);
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    powerPoint.Quit();
  }
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST(EndToEnd, ARestartReusesTheKeptToolbar) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  const std::wstring file = TempFile(L"carvelo-e2e-restart.txt");
  {
    TStandInPowerPoint first(KeepingBarsIn(file));
    first.LoadAddIns();
  }
  TStandInPowerPoint second(KeepingBarsIn(file));
  second.LoadAddIns();
  ASSERT_NE(second.AddIn(kProgId), nullptr);
  EXPECT_EQ(second.AddIn(kProgId)->connectStatus, S_OK);
  size_t bars = 0;
  for (const auto& bar : second.Bars().Bars()) bars += bar->Name() == L"Carvelo PPT";
  EXPECT_EQ(bars, 1u);
  for (const auto& button : second.Bar(L"Carvelo PPT")->Buttons()) EXPECT_EQ(button->SinkCount(), 1u);
  second.Quit();
  DeleteFileW(file.c_str());
}

TEST(EndToEnd, UnloadingByTheUserDeletesTheToolbarAndItIsNotLoadedAgain) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  const std::wstring file = TempFile(L"carvelo-e2e-unload.txt");
  {
    TStandInPowerPoint powerPoint(KeepingBarsIn(file));
    powerPoint.LoadAddIns();
    ASSERT_TRUE(powerPoint.Bar(L"Carvelo PPT"));
    EXPECT_EQ(powerPoint.UnloadAddIn(kProgId), S_OK);
    EXPECT_FALSE(powerPoint.Bar(L"Carvelo PPT"));
    EXPECT_EQ(LoadBehavior(), 2u);
  }
  TStandInPowerPoint restarted(KeepingBarsIn(file));
  restarted.LoadAddIns();
  EXPECT_EQ(restarted.AddIn(kProgId), nullptr);
  EXPECT_FALSE(restarted.Bar(L"Carvelo PPT"));
  DeleteFileW(file.c_str());
}

TEST(EndToEnd, QuickFittingInTheLoadedDllReplacesTheSelectedPictureByAWiderOne) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  TStandInPowerPoint powerPoint;
  standin::TPixels pixels{40, 32, {}};
  for (uint32_t i = 0; i < 40 * 32; ++i) pixels.data.push_back((i % 40) * 0x060000 + (i / 40) * 0x0700 + 0x30);
  auto picture = powerPoint.Slide(1).AddPicture(10, 20, 45, 24, pixels);  // 30 x 24 points at its own size
  powerPoint.LoadAddIns();
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  powerPoint.SelectShapes({picture});
  {
    standin::TMessageBoxRobot robot({L"Carvelo - Processing"});
    EXPECT_EQ(bar->Buttons()[0]->Click().answers, std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(robot.Seen().empty());
  }
  EXPECT_TRUE(picture->Deleted());
  ASSERT_EQ(powerPoint.Slide(1).ShapeList().size(), 1u);
  const standin::TStandInShape& fitted = *powerPoint.Slide(1).ShapeList().front().Get();
  EXPECT_EQ(std::vector<float>({fitted.left, fitted.top, fitted.width, fitted.height}),
            std::vector<float>({10, 20, 45, 24}));
  EXPECT_EQ(fitted.pixels.width, 60);  // 1.5 times as wide, carved
  EXPECT_EQ(fitted.pixels.height, 32);
  powerPoint.Quit();
}
