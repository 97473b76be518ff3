// Scripted steps set a slide up as a user would, and a slide renders as
// PowerPoint would export it at 96 dpi.
#include <gtest/gtest.h>

#include "HostIds.h"
#include "StandInPictureFile.h"
#include "StandInRender.h"
#include "StandInScript.h"
#include "TempFile_win.h"

using namespace carvelo::com;
using namespace carvelo::host;
using namespace carvelo::standin;
using carvelo::test::TempFile;

namespace {

uint32_t At(const TPixels& p, int x, int y) { return p.data[static_cast<size_t>(y) * p.width + x]; }

// Reads every step of `args`, then runs them; the lines they answer.
std::vector<std::wstring> RunSteps(TStandInPowerPoint& powerPoint, const std::vector<std::wstring>& args) {
  std::vector<TScriptStep> steps;
  for (size_t i = 0; i < args.size(); ++i)
    if (!ReadScriptStep(args, i, steps)) ADD_FAILURE() << "not a step";
  std::vector<std::wstring> lines;
  for (const auto& step : steps) lines.push_back(RunScriptStep(powerPoint, step));
  return lines;
}

}  // namespace

TEST(StandInRender, ShapesBackToFrontOnWhitePicturesStretched) {
  TStandInPowerPoint powerPoint;
  TStandInSlide& slide = powerPoint.Slide(1);
  // Red | blue, 20 x 10 shown at 150 x 75 points = 200 x 100 pixels from
  // (100, 100).
  TPixels halves{20, 10, {}};
  for (int i = 0; i < 200; ++i) halves.data.push_back(i % 20 < 10 ? 0xFF0000 : 0x0000FF);
  slide.AddPicture(75, 75, 150, 75, std::move(halves));
  // A box over the picture's right part, from (240, 120).
  slide.AddShape(L"Rectangle", msoAutoShape, 180, 90, 75, 75);
  const TPixels slidePicture = RenderSlide(slide);
  ASSERT_EQ(slidePicture.width, 960);
  ASSERT_EQ(slidePicture.height, 720);
  EXPECT_EQ(At(slidePicture, 50, 50), 0xFFFFFFu);
  EXPECT_EQ(At(slidePicture, 110, 190), 0xFF0000u);
  EXPECT_EQ(At(slidePicture, 290, 110), 0x0000FFu);
  EXPECT_EQ(At(slidePicture, 243, 123), 0xEBEBC8u) << "the later shape lies on top";
  EXPECT_EQ(At(slidePicture, 305, 110), 0xFFFFFFu);
}

TEST(StandInPictureFile, PngKeepsEveryPixelAndAMissingFileIsNamed) {
  const std::wstring file = TempFile(L"carvelo-standin-pixels.png");
  const TPixels pixels{3, 2, {0x000000, 0xFFFFFF, 0x123456, 0xFF0000, 0x00FF00, 0x0000FF}};
  SavePngFile(pixels, file);
  EXPECT_EQ(LoadPictureFile(file).data, pixels.data);
  DeleteFileW(file.c_str());
  try {
    LoadPictureFile(file);
    ADD_FAILURE() << "a missing file was read";
  } catch (const EPictureFileError& e) {
    EXPECT_NE(e.text.find(file), std::wstring::npos);
  }
}

TEST(StandInScript, InsertsAtTheOriginalSizeShowsAtTheGivenSizeSelectsAndRenders) {
  const std::wstring picture = TempFile(L"carvelo-standin-green.png"), slide = TempFile(L"carvelo-standin-slide.png");
  SavePngFile(TPixels{4, 2, std::vector<uint32_t>(8, 0x00A000)}, picture);
  TStandInPowerPoint powerPoint;
  const auto lines = RunSteps(powerPoint, {L"--insert", picture, L"60", L"120", L"600", L"300", L"--select", L"1",
                                      L"--render", slide});
  ASSERT_EQ(lines.size(), 3u);
  const auto& shapes = powerPoint.Slide(1).ShapeList();
  ASSERT_EQ(shapes.size(), 1u);
  const TStandInShape& shape = *shapes[0].Get();
  EXPECT_EQ(shape.type, msoPicture);
  EXPECT_EQ((std::vector{shape.left, shape.top, shape.width, shape.height}), (std::vector<float>{60, 120, 600, 300}));
  EXPECT_EQ(shape.originalWidth, 3.0f);  // 4 pixels at 96 dpi
  EXPECT_EQ(shape.originalHeight, 1.5f);
  ASSERT_EQ(powerPoint.Window().selection.shapes.size(), 1u);
  EXPECT_EQ(powerPoint.Window().selection.shapes[0].Get(), &shape);
  const TPixels rendered = LoadPictureFile(slide);
  EXPECT_EQ(At(rendered, 480, 360), 0x00A000u);
  EXPECT_EQ(At(rendered, 70, 150), 0xFFFFFFu);
  DeleteFileW(picture.c_str());
  DeleteFileW(slide.c_str());
}

TEST(StandInScript, RefusesWhatAUserCouldNotDo) {
  TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Mine", msoBarTop, false, true);
  bar->SetVisible(true);
  TButtonState go, off, hidden;
  go.caption = L"Go";
  off.caption = L"Off";
  off.enabled = false;
  hidden.caption = L"Hidden";
  hidden.visible = false;
  for (const auto& state : {go, off, hidden}) bar->AddButton(state, static_cast<int>(bar->Buttons().size()) + 1, true);
  EXPECT_EQ(RunSteps(powerPoint, {L"--click", L"Go"}), std::vector<std::wstring>{L"clicked \"Go\""});
  const std::vector<std::vector<std::wstring>> refused = {
      {L"--insert", L"a.png", L"1", L"2", L"3"}, {L"--insert", L"a.png", L"1", L"2", L"wide", L"4"},
      {L"--insert", L"a.png", L"1", L"2", L"0", L"4"}, {L"--select", L"0"}, {L"--select", L"1"},
      {L"--click", L"Off"}, {L"--click", L"Hidden"}, {L"--click", L"Nothing"}, {L"--render"}};
  for (const auto& args : refused) EXPECT_THROW(RunSteps(powerPoint, args), EScriptError) << args[0] << " " << args.back();
  EXPECT_THROW(RunSteps(powerPoint, {L"--insert", L"Z:\\no\\such.png", L"1", L"2", L"3", L"4"}), EPictureFileError);
  EXPECT_TRUE(powerPoint.Slide(1).ShapeList().empty());
}
