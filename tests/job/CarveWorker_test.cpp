// The whole job with the real engine.
#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

#include "CarveJob.h"
#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Grey;
using test::Picture;
using test::Uniform;

TRGB Texture(int32_t x, int32_t y) {
  return {uint8_t(60 + (x * 37 + y * 11) % 90), uint8_t(90 + (x * 13 + y * 29) % 80), uint8_t((x + 3 * y) % 40)};
}

bool IsObject(int32_t x, int32_t y) { return x >= 9 && x < 13 && y >= 4 && y < 12; }

TBitmap MaskedPicture() {
  return Picture(30, 18, [](int32_t x, int32_t y) { return IsObject(x, y) ? TRGB{20, 40, 250} : Texture(x, y); });
}

TBitmap RemoveMarks() {
  return Picture(30, 18, [](int32_t x, int32_t y) { return IsObject(x, y) ? TRGB{255, 0, 0} : Grey(255); });
}

GML_Color EngineCopy(const TBitmap& B) {
  GML_Color C(B.Width(), B.Height());
  ReadSource(B, C);
  return C;
}

TEST(CarveWorker, FitsTheWorkingPictureIntoTheWholeTarget) {
  const TWorkingBitmap Working{Picture(30, 18, Texture), 1.2, 0.5};
  TBitmap Target = Uniform(36, 9, {1, 2, 3});
  const TCarveJob Job = MakeCarveJob(Working, Target, {}, nullptr);
  EXPECT_FALSE(Job.UseMask);
  EXPECT_EQ(Job.TargetWidth, 36);
  ASSERT_TRUE(TCarveWorker(Job).Run());
  int Untouched = 0;
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 36; ++x) Untouched += GetPixelRGB(Target, x, y) == TRGB{1, 2, 3};
  EXPECT_EQ(Untouched, 0);
}

TEST(CarveWorker, SameSizeWithoutMaskIsAnExactCopy) {
  const TWorkingBitmap Working{Picture(30, 18, Texture), 1, 1};
  TBitmap Target(30, 18, 24);
  ASSERT_TRUE(TCarveWorker(MakeCarveJob(Working, Target, {}, nullptr)).Run());
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(GetPixelRGB(Target, x, y), Texture(x, y));
}

TEST(CarveWorker, MaskedJobAtTheSameSizeOnlyRemovesTheMarks) {
  // The second engine call works with the carved weights: once the marked
  // object is gone nothing negative is left, so the fit changes nothing
  // more. With the painted map it would carve the picture a second time.
  const TWorkingBitmap Working{MaskedPicture(), 1, 1};
  const TBitmap Mask = RemoveMarks();
  TBitmap Target(30, 18, 24);
  TCarveWorker Worker(MakeCarveJob(Working, Target, {}, &Mask));
  ASSERT_TRUE(Worker.Run());

  GML_Int Weights(30, 18), Work;
  ReadMask(Mask, 100, Weights);
  GML_Color Removed;
  TGEM().Remove_Areas(EngineCopy(Working.Bitmap), Weights, 0, 10, 400, 0, true, Work, Removed);
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      ASSERT_EQ(GetPixelRGB(Target, x, y), ColourOfEngineWord(Removed.Get(x, y))) << x << "," << y;
      ASSERT_LE(GetPixelRGB(Target, x, y).B, 150);  // the blue object is gone
    }
}

TEST(CarveWorker, MaskWeightZeroMakesTheMarksNeutral) {
  const TWorkingBitmap Working{MaskedPicture(), 1, 1};
  const TBitmap Mask = RemoveMarks();
  TBitmap Target(30, 18, 24);
  TCarveSettings Settings;
  Settings.MasqueWeight = 0;
  ASSERT_TRUE(TCarveWorker(MakeCarveJob(Working, Target, Settings, &Mask)).Run());
  int Blue = 0;
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 30; ++x) Blue += GetPixelRGB(Target, x, y) == TRGB{20, 40, 250};
  EXPECT_EQ(Blue, 4 * 8);
}

TEST(CarveWorker, AStoppedJobLeavesTheTargetAlone) {
  const TWorkingBitmap Working{Picture(30, 18, Texture), 0.5, 1};
  TBitmap Target = Uniform(15, 18, Grey(7));
  const std::atomic<bool> Stop{true};
  TCarveControl Control;
  Control.Stop = &Stop;
  EXPECT_FALSE(TCarveWorker(MakeCarveJob(Working, Target, {}, nullptr), Control).Run());
  EXPECT_EQ(GetPixelRGB(Target, 3, 3), Grey(7));
}

// A system out of threads: the job fails with the engine's message and the
// result bitmap keeps what it held; nothing is reported as carved.
TEST(CarveWorker, AHelperThatCannotStartFailsTheJobWithTheEnginesMessage) {
  const TWorkingBitmap Working{Picture(30, 18, Texture), 0.5, 1};
  for (bool Masked : {false, true}) {
    TBitmap Target = Uniform(15, 18, Grey(7));
    const TBitmap Mask = RemoveMarks();
    TCarveControl Control;
    Control.Helpers = 1;
    Control.Start_Helper = [](std::function<void()>) -> std::thread {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    TCarveWorker Worker(MakeCarveJob(Working, Target, {}, Masked ? &Mask : nullptr), Control);
    try {
      Worker.Run();
      ADD_FAILURE() << "no error";
    } catch (const TEngineError& E) {
      EXPECT_STREQ(E.what(), Masked ? "GEM: Remove_Areas(): FATAL ERROR! Unable to spawn thread!"
                                    : "GEM: Carve_Image(): FATAL ERROR! Unable to spawn thread!");
    }
    EXPECT_EQ(GetPixelRGB(Target, 3, 3), Grey(7));
  }
}

TEST(CarveWorker, RefusesARecordItCannotRun) {
  const TWorkingBitmap Working{Picture(10, 8, Texture), 1, 1};
  TBitmap Target(10, 8, 24), Small(4, 4, 24);
  TCarveJob Job = MakeCarveJob(Working, Target, {}, nullptr);
  TCarveJob Bad = Job;
  Bad.TargetWidth = 0;
  EXPECT_THROW(TCarveWorker{Bad}, std::invalid_argument);
  Bad = Job;
  Bad.UseMask = true;
  EXPECT_THROW(TCarveWorker{Bad}, std::invalid_argument);
  Bad = Job;
  Bad.Mask = &Small;
  Bad.UseMask = true;
  EXPECT_THROW(TCarveWorker{Bad}, std::invalid_argument);
  Bad = Job;
  Bad.Settings.Stretch = 801;
  EXPECT_THROW(TCarveWorker{Bad}, std::invalid_argument);
  Bad = Job;
  Bad.Target = &Small;
  EXPECT_THROW(TCarveWorker{Bad}, std::invalid_argument);
}

}  // namespace
}  // namespace carvelo
