// The "Carvelo PPT" toolbar: built once, found again after a restart, left
// as the user keeps it, deleted only when the user unloads the add-in, and
// each button's click reaching its own command.
#include <gtest/gtest.h>

#include "AddinTestSupport.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TStandInBar;
using standin::TStandInPowerPoint;

namespace {

const wchar_t* const kTags[] = {L"Quick Fitting$$$", L"Edit Mask$$$", L"Setup$$$", L"About$$$"};

size_t BarsNamed(const TStandInPowerPoint& powerPoint, const std::wstring& name) {
  size_t n = 0;
  for (const auto& bar : powerPoint.Bars().Bars()) n += bar->Name() == name;
  return n;
}

// One start of the host with the add-in connected, ended by a shutdown.
void RunSessionWithAddIn(const std::wstring& barsFile) {
  TStandInPowerPoint powerPoint(KeepingBarsIn(barsFile));
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  addIn->ShutDown();
}

}  // namespace

TEST(Toolbar, FirstConnectionBuildsAVisibleTopToolbarWithTheFourButtonsInOrder) {
  TStandInPowerPoint powerPoint;
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Position(), host::msoBarTop);
  EXPECT_FALSE(bar->Temporary());
  struct {
    const wchar_t* caption;
    int faceId;
  } expected[] = {{L"Quick Fitting", 2619}, {L"Edit Mask", 2901}, {L"Setup", 2946}, {L"About", 5827}};
  ASSERT_EQ(bar->Buttons().size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const auto& b = *bar->Buttons()[i].Get();
    EXPECT_EQ(b.State().caption, expected[i].caption);
    EXPECT_EQ(b.State().tooltip, expected[i].caption);
    EXPECT_EQ(b.State().tag, kTags[i]);
    EXPECT_EQ(b.State().faceId, expected[i].faceId);
    EXPECT_EQ(b.State().style, host::msoButtonIconAndCaption);
    EXPECT_FALSE(b.Temporary());
    EXPECT_EQ(b.SinkCount(), 1u) << "button " << i;
  }
  EXPECT_TRUE(com::SameObject(addIn->CommandBar().Get(), bar->Dispatch()));
  addIn->ShutDown();
}

TEST(Toolbar, AClickOnEachButtonRunsItsOwnCommandAndLeavesCancelDefault) {
  TStandInPowerPoint powerPoint;
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  for (size_t i = 0; i < 4; ++i) {
    const auto before = addIn->runs;
    const auto outcome = ClickTag(*bar.Get(), kTags[i]);
    EXPECT_EQ(outcome.answers, std::vector<HRESULT>{S_OK});
    EXPECT_EQ(outcome.cancelDefault, VARIANT_FALSE);
    for (size_t c = 0; c < 4; ++c) EXPECT_EQ(addIn->runs[c], before[c] + (c == i ? 1 : 0)) << i << "," << c;
  }
  addIn->ShutDown();
}

TEST(Toolbar, ARestartFindsTheKeptToolbarWithoutBuildingItTwiceAndItsButtonsWork) {
  const std::wstring file = TempFile(L"carvelo-toolbar-restart.txt");
  RunSessionWithAddIn(file);
  TStandInPowerPoint restarted(KeepingBarsIn(file));
  ASSERT_EQ(BarsNamed(restarted, L"Carvelo PPT"), 1u);
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(restarted.Application()), S_OK);
  EXPECT_EQ(BarsNamed(restarted, L"Carvelo PPT"), 1u);
  const auto bar = restarted.Bar(L"Carvelo PPT");
  EXPECT_EQ(bar->Buttons().size(), 4u);
  ClickTag(*bar.Get(), L"Setup$$$");
  EXPECT_EQ(addIn->runs[TPPTAddin::btnSetup], 1);
  addIn->ShutDown();
  DeleteFileW(file.c_str());
}

TEST(Toolbar, AKeptToolbarTheUserHidStaysHiddenAndStillWorks) {
  const std::wstring file = TempFile(L"carvelo-toolbar-hidden.txt");
  RunSessionWithAddIn(file);
  TStandInPowerPoint restarted(KeepingBarsIn(file));
  restarted.Bar(L"Carvelo PPT")->SetVisible(false);  // the user hides it
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(restarted.Application()), S_OK);
  const auto bar = restarted.Bar(L"Carvelo PPT");
  EXPECT_FALSE(bar->Visible());
  ClickTag(*bar.Get(), L"About$$$");
  EXPECT_EQ(addIn->runs[TPPTAddin::btnAbout], 1);
  addIn->ShutDown();
  DeleteFileW(file.c_str());
}

TEST(Toolbar, ABarWhoseNameDiffersOnlyInLetterCaseIsNotTaken) {
  TStandInPowerPoint powerPoint;
  auto other = powerPoint.Bars().AddBar(L"carvelo ppt", host::msoBarTop, false, false);
  auto addIn = TObservedAddin::Make();
  EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  EXPECT_TRUE(other->Buttons().empty());
  EXPECT_FALSE(other->Visible());
  EXPECT_FALSE(com::SameObject(addIn->CommandBar().Get(), other->Dispatch()));
  addIn->ShutDown();
}

TEST(Toolbar, UnloadingDeletesTheToolbarShutdownKeepsItUnwired) {
  {
    TStandInPowerPoint powerPoint;
    auto addIn = TObservedAddin::Make();
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    const auto bar = powerPoint.Bar(L"Carvelo PPT");
    EXPECT_EQ(addIn->Disconnect(host::ext_dm_UserClosed), S_OK);
    EXPECT_FALSE(powerPoint.Bar(L"Carvelo PPT"));
    EXPECT_TRUE(bar->Deleted());
  }
  TStandInPowerPoint powerPoint;
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  EXPECT_EQ(addIn->Disconnect(host::ext_dm_HostShutdown), S_OK);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->Buttons().size(), 4u);
  for (const auto& b : bar->Buttons()) EXPECT_EQ(b->SinkCount(), 0u);
  ClickTag(*bar.Get(), kTags[0]);
  EXPECT_EQ(addIn->runs[TPPTAddin::btnQuickFitting], 0);
}

TEST(Toolbar, AKeptToolbarMissingAButtonIsNotRepairedAndTheOthersWork) {
  const std::wstring file = TempFile(L"carvelo-toolbar-missing.txt");
  RunSessionWithAddIn(file);
  TStandInPowerPoint restarted(KeepingBarsIn(file));
  auto bar = restarted.Bar(L"Carvelo PPT");
  bar->RemoveButton(bar->Buttons()[1].Get());  // the user deleted "Edit Mask"
  auto picture = restarted.Slide(1).AddPicture(0, 0, 10, 10, standin::TPixels{1, 1, {0}});
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(restarted.Application()), S_OK);
  EXPECT_EQ(bar->Buttons().size(), 3u);
  EXPECT_FALSE(addIn->Button(TPPTAddin::btnEditMask));
  EXPECT_EQ(restarted.SelectShapes({picture}), std::vector<HRESULT>{S_OK});
  ASSERT_EQ(restarted.Bars().enabledWrites.size(), 1u);
  EXPECT_EQ(restarted.Bars().enabledWrites[0].first, L"Quick Fitting$$$");
  ClickTag(*bar.Get(), L"Quick Fitting$$$");
  ClickTag(*bar.Get(), L"Setup$$$");
  EXPECT_EQ(addIn->runs[TPPTAddin::btnQuickFitting], 1);
  EXPECT_EQ(addIn->runs[TPPTAddin::btnSetup], 1);
  addIn->ShutDown();
  DeleteFileW(file.c_str());
}
