// Command availability: on every selection change the two carving buttons
// follow the view, the pane and the selection, "Quick Fitting" first.
#include <gtest/gtest.h>

#include "AddinTestSupport.h"

using namespace carvelo;
using namespace carvelo::com;
using namespace carvelo::host;
using namespace carvelo::test;
using standin::TStandInPowerPoint;

namespace {

class Availability : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    bar = powerPoint.Bar(L"Carvelo PPT");
    ASSERT_TRUE(bar);
    auto& slide = powerPoint.Slide(1);
    picture = slide.AddPicture(10, 10, 200, 100, standin::TPixels{2, 1, {0, 0}});
    secondPicture = slide.AddPicture(300, 10, 200, 100, standin::TPixels{2, 1, {0, 0}});
    textBox = slide.AddShape(L"TextBox", msoTextBox, 10, 300, 200, 40);
  }
  void TearDown() override { addIn->ShutDown(); }

  // The writes of Enabled since the last look, as (tag, value).
  std::vector<std::pair<std::wstring, bool>> Writes() {
    auto writes = std::move(powerPoint.Bars().enabledWrites);
    powerPoint.Bars().enabledWrites.clear();
    return writes;
  }
  static std::vector<std::pair<std::wstring, bool>> Both(bool enabled) {
    return {{L"Quick Fitting$$$", enabled}, {L"Edit Mask$$$", enabled}};
  }
  bool Enabled(size_t index) const { return bar->Buttons()[index]->State().enabled; }

  TStandInPowerPoint powerPoint;
  ComPtr<TObservedAddin> addIn = TObservedAddin::Make();
  ComPtr<standin::TStandInBar> bar;
  ComPtr<standin::TStandInShape> picture, secondPicture, textBox;
};

}  // namespace

TEST_F(Availability, OnePictureEnablesBothQuickFittingFirst) {
  EXPECT_EQ(powerPoint.SelectShapes({picture}), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(true));
  EXPECT_TRUE(Enabled(0));
  EXPECT_TRUE(Enabled(1));
}

TEST_F(Availability, NothingSelectedDisablesBoth) {
  powerPoint.SelectShapes({picture});
  Writes();
  EXPECT_EQ(powerPoint.SelectNothing(), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(false));
  EXPECT_FALSE(Enabled(0));
  EXPECT_FALSE(Enabled(1));
  // Slides selected in the slide pane hold no picture either.
  powerPoint.SelectShapes({picture});
  Writes();
  EXPECT_EQ(powerPoint.SelectSlides(), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(false));
}

TEST_F(Availability, APictureInAPlaceholderEnablesBoth) {
  auto held = powerPoint.Slide(1).AddPlaceholderPicture(10, 200, 200, 100, standin::TPixels{2, 1, {0, 0}});
  EXPECT_EQ(powerPoint.SelectShapes({held}), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(true));
}

TEST_F(Availability, TwoShapesDisableBoth) {
  EXPECT_EQ(powerPoint.SelectShapes({picture, secondPicture}), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(false));
}

TEST_F(Availability, ATextBoxDisablesBothWhetherItsTextOrTheShapeIsSelected) {
  EXPECT_EQ(powerPoint.SelectText(textBox), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(false));
  powerPoint.SelectShapes({textBox});
  EXPECT_EQ(Writes(), Both(false));
}

TEST_F(Availability, AViewOtherThanNormalDisablesBoth) {
  powerPoint.SelectShapes({picture});
  Writes();
  EXPECT_EQ(powerPoint.SetViews(ppViewSlideSorter, ppViewSlide), std::vector<HRESULT>{S_OK});
  EXPECT_EQ(Writes(), Both(false));
  powerPoint.SetViews(ppViewOutline, ppViewSlide);
  EXPECT_EQ(Writes(), Both(false));
}

TEST_F(Availability, APaneOtherThanSlideOrMasterChangesNothing) {
  powerPoint.SelectShapes({picture});
  Writes();
  EXPECT_EQ(powerPoint.SetViews(ppViewNormal, ppViewThumbnails), std::vector<HRESULT>{S_OK});
  EXPECT_TRUE(Writes().empty());
  powerPoint.SelectNothing();
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(Enabled(0));
  EXPECT_TRUE(Enabled(1));
}

TEST_F(Availability, TheSlideMasterPaneFollowsTheSelection) {
  powerPoint.SetViews(ppViewNormal, ppViewSlideMaster);
  Writes();
  powerPoint.SelectShapes({picture});
  EXPECT_EQ(Writes(), Both(true));
}

TEST_F(Availability, SetupAndAboutAreNeverDisabled) {
  powerPoint.SelectNothing();
  powerPoint.SetViews(ppViewSlideSorter, ppViewSlide);
  for (const auto& [tag, value] : Writes()) EXPECT_TRUE(tag == L"Quick Fitting$$$" || tag == L"Edit Mask$$$") << tag;
  EXPECT_TRUE(Enabled(2));
  EXPECT_TRUE(Enabled(3));
}
