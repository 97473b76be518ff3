// "Quick Fitting" end to end: the real command, clicked on the toolbar of a
// PowerPoint stand-in, takes the selected picture out through the clipboard
// and pastes the carved one back; what it carves must be, bit for bit, what
// the portable job makes of the same picture and size.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <cstring>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "AddinTestSupport.h"
#include "CarveJob.h"
#include "MessageBoxRobot.h"
#include "PictureRoundTrip.h"
#include "WaitFrm_win.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TPixels;
using standin::TStandInPowerPoint;
using standin::TStandInShape;
using standin::TStandInSlide;

namespace carvelo {
void PrintTo(const TPictureSize& s, std::ostream* out) { *out << s.Width << " x " << s.Height; }
}  // namespace carvelo

namespace {

class TAddin final : public TConnectedAddin {
 public:
  static ComPtr<TAddin> Make() { return TConnectedAddin::Make<TAddin>(); }
  using TPPTAddin::CarveSettings;

  // When set, starts the engine's helper threads in place of the platform,
  // so that a test can make the engine give up.
  TThreadStarter startHelper;
  TModalResult RunCarveJob(const TCarveJob& job) override {
    return startHelper ? ExecuteWaitingJob(job, {}, startHelper) : TPPTAddin::RunCarveJob(job);
  }
};

// A picture with something to carve around: a gradient with a dark block.
TPixels Pattern(int width, int height) {
  TPixels p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool block = x > width / 3 && x < width / 2 && y > height / 4 && y < 3 * height / 4;
      p.data.push_back(block ? 0x202020u : uint32_t(0x30 + 4 * x) << 16 | uint32_t(0x40 + 3 * y) << 8 | 0x90u);
    }
  return p;
}

TBitmap BitmapOf(const TPixels& p) {
  TBitmap b(p.width, p.height, 24);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.data[size_t(y) * p.width + x];
      PutPixelRGB(b, x, y, {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
  return b;
}

TPixels PixelsOf(const TBitmap& b) {
  TPixels p{b.Width(), b.Height(), {}};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const TRGB c = GetPixelRGB(b, x, y);
      p.data.push_back(uint32_t(c.R) << 16 | uint32_t(c.G) << 8 | c.B);
    }
  return p;
}

// What the portable job makes of `picture` shown at width x height points:
// the ratios against its size at 96 dpi, the working bitmap, the carve.
TPixels Carved(const TPixels& picture, float width, float height, const TCarveSettings& settings) {
  const double rw = double(width) / double(picture.width * 0.75f);
  const double rh = double(height) / double(picture.height * 0.75f);
  TBitmap source = BitmapOf(picture);
  const TWorkingBitmap working = PrepareWorkingBitmap(source, rw, rh, settings);
  const TPictureSize size = FittedSize(working.Bitmap.Width(), working.Bitmap.Height(), working.FW, working.FH);
  TBitmap result(size.Width, size.Height, 24);
  EXPECT_TRUE(TCarveWorker(MakeCarveJob(working, result, settings, nullptr)).Run());
  return PixelsOf(result);
}

// A slide's shapes as the user sees them.
struct TShapeState {
  IDispatch* shape;
  float left, top, width, height;
  int lock;
  bool operator==(const TShapeState&) const = default;
};
void PrintTo(const TShapeState& s, std::ostream* out) {
  *out << "{at " << s.left << ", " << s.top << ", " << s.width << " x " << s.height << ", lock " << s.lock << "}";
}
std::vector<TShapeState> StateOf(TStandInSlide& slide) {
  std::vector<TShapeState> state;
  for (const auto& s : slide.ShapeList())
    state.push_back({s->Dispatch(), s->left, s->top, s->width, s->height, s->lockAspectRatio});
  return state;
}

std::vector<std::wstring> Texts(const std::vector<standin::TMessageBoxRobot::TSeen>& seen) {
  std::vector<std::wstring> texts;
  for (const auto& s : seen) texts.push_back(s.text);
  return texts;
}

// A PowerPoint stand-in with the add-in connected.
class TScene {
 public:
  TScene() {
    EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    bar = powerPoint.Bar(L"Carvelo PPT");
  }
  ~TScene() { addIn->Disconnect(); }

  // Clicks "Quick Fitting" with `shapes` selected; the texts of the message
  // boxes it showed.
  std::vector<std::wstring> FitSelected(std::vector<ComPtr<TStandInShape>> shapes) {
    powerPoint.SelectShapes(std::move(shapes));
    standin::TMessageBoxRobot robot({L"Carvelo - Processing"});
    if (!bar) ADD_FAILURE() << "no toolbar";
    else EXPECT_EQ(ClickTag(*bar, L"Quick Fitting$$$").answers, std::vector<HRESULT>{S_OK});
    return Texts(robot.Seen());
  }

  // The same with "Quick Fitting" clicked on the add-in's ribbon tab.
  std::vector<std::wstring> FitSelectedOnTheRibbon(std::vector<ComPtr<TStandInShape>> shapes) {
    standin::TStandInRibbon& ribbon = powerPoint.LoadRibbon(static_cast<IPPTAddin*>(addIn.Get()));
    powerPoint.SelectShapes(std::move(shapes));
    standin::TMessageBoxRobot robot({L"Carvelo - Processing"});
    const standin::TRibbonNode* button = ribbon.Button(L"Quick Fitting");
    if (!button) ADD_FAILURE() << "no ribbon button";
    else EXPECT_EQ(ribbon.Click(*button), std::optional<HRESULT>(S_OK));
    return Texts(robot.Seen());
  }

  TStandInPowerPoint powerPoint;
  TStandInSlide& slide = powerPoint.Slide(1);
  ComPtr<TAddin> addIn = TAddin::Make();
  ComPtr<standin::TStandInBar> bar;
};

TEST(QuickFitting, ReplacesTheStretchedPictureByTheCarvedOneInItsPlace) {
  // A 48 x 32 pixel picture is 36 x 24 points at 96 dpi.
  struct TCase {
    const char* name;
    float width, height;  // as the user sized it
    int32_t quality;
    int lock;
    TPictureSize size;  // of the carved picture
  };
  const TCase cases[] = {
      {"grown in both, pre-scaled by 1.25", 54, 30, Quality_Good, host::msoTrue, {72, 40}},
      {"the same with the aspect ratio unlocked", 54, 30, Quality_Good, host::msoFalse, {72, 40}},
      {"shrunk in both, pre-scaled by 0.75", 21, 18, Quality_High, host::msoTrue, {28, 24}},
      {"at its original size", 36, 24, Quality_High, host::msoTrue, {48, 32}},
      {"squeezed in width only", 27, 24, Quality_High, host::msoTrue, {36, 32}},
      {"narrower and taller", 27, 30, Quality_Good, host::msoTrue, {36, 40}},
  };
  const TPixels picture = Pattern(48, 32);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TScene scene;
    TStandInSlide& slide = scene.slide;
    scene.addIn->CarveSettings().SamplingQuality = c.quality;
    auto old = slide.AddPicture(100, 50, c.width, c.height, picture);
    old->lockAspectRatio = c.lock;

    EXPECT_EQ(scene.FitSelected({old}), std::vector<std::wstring>{});

    EXPECT_TRUE(old->Deleted());
    ASSERT_EQ(slide.ShapeList().size(), 1u);
    const TStandInShape& fitted = *slide.ShapeList().front().Get();
    EXPECT_EQ(fitted.type, host::msoPicture);
    EXPECT_EQ((TShapeState{nullptr, fitted.left, fitted.top, fitted.width, fitted.height, fitted.lockAspectRatio}),
              (TShapeState{nullptr, 100, 50, c.width, c.height, c.lock}));
    EXPECT_EQ((TPictureSize{fitted.pixels.width, fitted.pixels.height}), c.size);
    const TPixels expected = Carved(picture, c.width, c.height, scene.addIn->Settings());
    EXPECT_TRUE(fitted.pixels.data == expected.data) << "the carved pixels differ from the job's";
  }
}

TEST(QuickFitting, ARibbonClickFitsThePictureAsTheToolbarClickDoes) {
  struct TFitted {
    float left, top, width, height;
    TPixels pixels;
    bool operator==(const TFitted& o) const {
      return left == o.left && top == o.top && width == o.width && height == o.height &&
             pixels.width == o.pixels.width && pixels.height == o.pixels.height && pixels.data == o.pixels.data;
    }
  };
  const auto fit = [](bool onTheRibbon) {
    TScene scene;
    auto old = scene.slide.AddPicture(100, 50, 54, 30, Pattern(48, 32));
    const auto messages = onTheRibbon ? scene.FitSelectedOnTheRibbon({old}) : scene.FitSelected({old});
    EXPECT_EQ(messages, std::vector<std::wstring>{});
    EXPECT_TRUE(old->Deleted());
    EXPECT_EQ(scene.slide.ShapeList().size(), 1u);
    const TStandInShape& s = *scene.slide.ShapeList().front().Get();
    return TFitted{s.left, s.top, s.width, s.height, s.pixels};
  };
  const TFitted byToolbar = fit(false), byRibbon = fit(true);
  EXPECT_EQ(byToolbar.pixels.width, 72);
  EXPECT_TRUE(byRibbon == byToolbar) << "the ribbon's click left another slide";
}

TEST(QuickFitting, RefusesWhatItCannotFitAndLeavesTheSlideAsItWas) {
  using TArrange = std::function<std::vector<ComPtr<TStandInShape>>(TScene&)>;
  struct TCase {
    const char* name;
    TArrange arrange;  // makes the slide and answers the selection
    std::vector<std::wstring> messages;
  };
  const std::wstring notOne(addin::kNotOnePicture), notPicture(addin::kNotAPicture);
  static constexpr char kSpawnFailure[] = "GEM: Carve_Image(): FATAL ERROR! Unable to spawn thread!";
  auto picture = [](TStandInSlide& s) { return s.AddPicture(10, 10, 54, 30, Pattern(48, 32)); };
  const TCase cases[] = {
      {"two pictures", [&](TScene& s) { return std::vector{picture(s.slide), picture(s.slide)}; }, {notOne}},
      {"a text box",
       [](TScene& s) { return std::vector{s.slide.AddShape(L"TextBox", host::msoTextBox, 0, 0, 90, 20)}; },
       {notPicture}},
      {"a group", [](TScene& s) { return std::vector{s.slide.AddShape(L"Group", host::msoGroup, 0, 0, 90, 60)}; },
       {notPicture}},
      {"a picture that leaves no bitmap on the clipboard",
       [](TScene& s) { return std::vector{s.slide.AddShape(L"Picture", host::msoPicture, 0, 0, 90, 60)}; },
       {}},
      {"no active presentation",
       [&](TScene& s) {
         s.powerPoint.App().presentation = nullptr;
         return std::vector{picture(s.slide)};
       },
       {L"Application (unknown member) : Invalid request. There is no active presentation."}},
      {"an engine that cannot start its workers",
       [&](TScene& s) {
         s.addIn->startHelper = [](std::function<void()>) -> std::thread {
           throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
         };
         return std::vector{picture(s.slide)};
       },
       {L"The picture could not be fitted: " + std::wstring(kSpawnFailure, kSpawnFailure + strlen(kSpawnFailure))}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TScene scene;
    const auto selection = c.arrange(scene);
    const auto before = StateOf(scene.slide);
    EXPECT_EQ(scene.FitSelected(selection), c.messages);
    EXPECT_EQ(StateOf(scene.slide), before);
  }
}

}  // namespace
