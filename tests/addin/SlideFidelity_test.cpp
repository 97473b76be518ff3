// What the slide keeps when a carving command replaces a picture: its
// place in the stacking order, name, texts, rotation, flips, tags, actions
// and animation effects, in one undo step; a failure at any step of the
// hand-over leaves the slide as it was; a picture in a placeholder is
// fitted too; and the add-in works with a PowerPoint that is not (yet) in
// the Running Object Table.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AddinTestSupport.h"
#include "Bitmap.h"
#include "MessageBoxRobot.h"
#include "PictureHandOver.h"
#include "StandInScript.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TPixels;
using standin::TStandInOptions;
using standin::TStandInPowerPoint;
using standin::TStandInShape;
using standin::TStandInSlide;

namespace {

// MsoAnimEffect values for the scene's effects.
constexpr int msoAnimEffectAppear = 1, msoAnimEffectFade = 10, msoAnimEffectSpin = 15;

using TAddin = TUnpaintedMaskAddin;

TPixels Gradient(int width, int height) {
  TPixels p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.data.push_back(uint32_t(0x30 + 3 * x) << 16 | uint32_t(0x50 + 2 * y) << 8 | 0x80u);
  return p;
}

class TScene {
 public:
  explicit TScene(TStandInOptions options = {}) : powerPoint(std::move(options)) {
    EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    bar = powerPoint.Bar(L"Carvelo PPT");
  }

  // A background, the picture with everything a user gives it, and a title
  // in front; effects on the title before and after the picture's own, and
  // one on the title that a click on the picture starts.
  ComPtr<TStandInShape> ArrangeThreeShapes() {
    auto back = slide.AddShape(L"Rectangle", host::msoAutoShape, 0, 0, 720, 540);
    auto picture = slide.AddPicture(120, 90, 90, 40, Gradient(48, 32));
    auto title = slide.AddShape(L"TextBox", host::msoTextBox, 40, 20, 640, 60);
    picture->name = L"Harbour";
    picture->alternativeText = L"Boats moored in the old harbour";
    picture->title = L"Harbour at dawn";
    picture->rotation = 30;
    picture->horizontalFlip = true;
    picture->tags = {{L"SOURCE", L"archive 12"}};
    picture->actions[0] = {host::ppActionHyperlink, L"https://example.org/harbour", L"", L"More pictures", L""};
    picture->line = {true, 2.5f, 0x336699, 4};
    picture->shadow = {true, 3, 4};
    slide.AddEffect(slide.mainSequence, title, msoAnimEffectFade);
    slide.AddEffect(slide.mainSequence, picture, msoAnimEffectAppear);
    slide.AddEffect(slide.mainSequence, title, msoAnimEffectSpin);
    slide.interactiveSequences.emplace_back();
    slide.AddEffect(slide.interactiveSequences.back(), title, msoAnimEffectSpin, picture);
    (void)back;
    return picture;
  }

  // Clicks the button with `tag` with `picture` selected: the messages shown.
  std::vector<std::wstring> Click(const std::wstring& tag, const ComPtr<TStandInShape>& picture) {
    powerPoint.SelectShapes({picture});
    standin::TMessageBoxRobot robot({L"Carvelo - Processing"});
    if (!bar) ADD_FAILURE() << "no toolbar";
    else EXPECT_EQ(ClickTag(*bar, tag).answers, std::vector<HRESULT>{S_OK});
    std::vector<std::wstring> texts;
    for (const auto& seen : robot.Seen()) texts.push_back(seen.text);
    return texts;
  }

  TStandInPowerPoint powerPoint;
  TStandInSlide& slide = powerPoint.Slide(1);
  ComPtr<TAddin> addIn = TAddin::Make();
  ComPtr<standin::TStandInBar> bar;
};

const wchar_t* const kCommands[] = {L"Quick Fitting$$$", L"Edit Mask$$$"};

TEST(SlideFidelity, TheCarvedPictureKeepsEverythingButThePixelsInOneUndoStep) {
  for (const wchar_t* command : kCommands) {
    SCOPED_TRACE(testing::Message() << command);
    TScene scene;
    const auto picture = scene.ArrangeThreeShapes();
    const std::wstring before = standin::DescribeSlide(scene.slide);

    EXPECT_EQ(scene.Click(command, picture), std::vector<std::wstring>{});

    EXPECT_TRUE(picture->Deleted());
    EXPECT_EQ(standin::DescribeSlide(scene.slide), before);
    const TStandInShape& carved = *scene.slide.ShapeList().at(1).Get();
    EXPECT_EQ(carved.type, host::msoPicture);
    EXPECT_EQ((std::vector<int>{carved.pixels.width, carved.pixels.height}), (std::vector<int>{120, 53}))
        << "carved to the displayed proportions";
    EXPECT_EQ(scene.powerPoint.App().undoEntries, 1);
    // The paste selected the new picture, and the availability rule, run
    // from inside the command, followed it.
    ASSERT_EQ(scene.powerPoint.Window().selection.shapes.size(), 1u);
    EXPECT_EQ(scene.powerPoint.Window().selection.shapes[0].Get(), &carved);
    EXPECT_TRUE(scene.bar->Buttons()[0]->State().enabled);
  }
}

TEST(SlideFidelity, AFailureAtAnyStepOfTheHandOverLeavesTheSlideAsItWas) {
  struct TCase {
    const wchar_t* member;  // the call that fails
    int occurrence;         // its how-manieth call in the command
  };
  const TCase cases[] = {
      {L"Shape.Size", 1},         {L"Shape.ZOrder", 1},          {L"Effect.Shape", 1},
      {L"Timing.TriggerShape", 1}, {L"Shape.Name", 1},           {L"Shape.Name", 2},
      {L"Shape.AlternativeText", 1}, {L"Shape.Title", 1},        {L"Tags.Add", 1},
      {L"ActionSetting.Action", 1}, {L"Hyperlink.Address", 1},   {L"Shape.Rotation", 1},
      {L"Shape.Flip", 1},         {L"Shape.LockAspectRatio", 4}, {L"Shape.Delete", 1},
      {L"Line", 1},               {L"Shadow", 1},
  };
  const std::wstring failed = std::wstring(addin::kHandOverFailed) + L"Injected failure";
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.member << " #" << c.occurrence);
    TScene scene;
    const auto picture = scene.ArrangeThreeShapes();
    const std::wstring before = standin::DescribeSlide(scene.slide);
    const auto shapesBefore = scene.slide.ShapeList();
    int calls = 0;
    scene.slide.Presentation()->onHostCall = [&](std::wstring_view member) {
      if (member == c.member && ++calls == c.occurrence) standin::Raise(E_FAIL, L"Injected failure");
    };

    EXPECT_EQ(scene.Click(L"Quick Fitting$$$", picture), std::vector<std::wstring>{failed});

    scene.slide.Presentation()->onHostCall = nullptr;
    EXPECT_GE(calls, c.occurrence) << "the failing call was not reached";
    EXPECT_EQ(standin::DescribeSlide(scene.slide), before);
    EXPECT_TRUE(scene.slide.ShapeList() == shapesBefore) << "the old picture is the one on the slide";
  }
}

TEST(SlideFidelity, APictureInAPlaceholderIsFittedAndNoEmptyPlaceholderStays) {
  TScene scene;
  const auto picture = scene.slide.AddPlaceholderPicture(60, 120, 90, 40, Gradient(48, 32));
  const std::wstring name = picture->name;
  EXPECT_EQ(scene.Click(L"Quick Fitting$$$", picture), std::vector<std::wstring>{});
  ASSERT_EQ(scene.slide.ShapeList().size(), 1u);
  const TStandInShape& carved = *scene.slide.ShapeList().front().Get();
  EXPECT_EQ(carved.type, host::msoPicture);
  EXPECT_EQ(carved.name, name);
  EXPECT_EQ((std::vector<float>{carved.left, carved.top, carved.width, carved.height}),
            (std::vector<float>{60, 120, 90, 40}));
  EXPECT_EQ((std::vector<int>{carved.pixels.width, carved.pixels.height}), (std::vector<int>{120, 53}));
}

TEST(SlideFidelity, QuickFittingIsUndistortedWhetherCopyGivesThePicturesOwnPixelsOrThePictureAsDisplayed) {
  for (const bool asDisplayed : {false, true}) {
    SCOPED_TRACE(asDisplayed ? "copied as displayed" : "copied as its own pixels");
    TStandInOptions options;
    options.copyAsDisplayed = asDisplayed;
    TScene scene(options);
    // 48 x 32 pixels shown at 90 x 30 points: 2.5 times as wide, 1.25 times as high.
    const auto picture = scene.slide.AddPicture(10, 10, 90, 30, Gradient(48, 32));
    EXPECT_EQ(scene.Click(L"Quick Fitting$$$", picture), std::vector<std::wstring>{});
    ASSERT_EQ(scene.slide.ShapeList().size(), 1u);
    const TStandInShape& carved = *scene.slide.ShapeList().front().Get();
    EXPECT_EQ((std::vector<int>{carved.pixels.width, carved.pixels.height}), (std::vector<int>{120, 40}));
  }
}

TEST(SlideFidelity, TheAddinWorksWithAPowerPointNotInTheRunningObjectTable) {
  TStandInOptions options;
  options.registerInRot = false;
  TScene scene(options);
  ASSERT_TRUE(scene.bar) << "the toolbar was built";
  const auto picture = scene.slide.AddPicture(10, 10, 54, 30, Gradient(48, 32));
  EXPECT_EQ(scene.Click(L"Quick Fitting$$$", picture), std::vector<std::wstring>{});
  EXPECT_TRUE(picture->Deleted());
  ASSERT_EQ(scene.slide.ShapeList().size(), 1u);
}

}  // namespace
