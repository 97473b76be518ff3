// The seams a job has done of those planned, over all the engine's passes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "JobProgress.h"
#include "TestPictures.h"

namespace carvelo {
namespace {

using test::Picture;

struct TTallyCase {
  int32_t Planned;
  std::vector<std::pair<int32_t, int32_t>> Reports;  // Done, Total of a pass
  int32_t Done, FinalPlanned, Permille;
};

TEST(SeamTally, StringsThePassesTogether) {
  const TTallyCase Cases[] = {
      {10, {}, 0, 10, 0},
      {10, {{1, 4}, {2, 4}, {3, 4}}, 3, 10, 300},
      {10, {{1, 4}, {2, 4}, {3, 4}, {4, 4}, {1, 6}, {2, 6}}, 6, 10, 600},
      {3, {{1, 1}, {1, 1}, {1, 1}}, 3, 3, 1000},             // one-seam passes, each a pass of its own
      {4, {{1, 3}, {2, 3}, {3, 3}, {1, 5}, {2, 5}}, 5, 8, 625},  // an unforeseen pass stretches the plan
      {0, {}, 0, 0, 0},
  };
  for (const TTallyCase& Case : Cases) {
    TSeamTally Tally(Case.Planned);
    for (auto [Done, Total] : Case.Reports) Tally.SeamDone(Done, Total);
    EXPECT_EQ(Tally.Done(), Case.Done);
    EXPECT_EQ(Tally.Planned(), Case.FinalPlanned);
    EXPECT_EQ(Tally.Permille(), Case.Permille);
  }
}

TRGB Texture(int32_t x, int32_t y) {
  return {uint8_t(60 + (x * 37 + y * 11) % 90), uint8_t(90 + (x * 13 + y * 29) % 80), uint8_t((x + 3 * y) % 40)};
}

// The plan against the seams the engine really reports, with and without
// marks to remove (a block of 5 columns by 3 rows: 3 rows carved out and
// grown back).
TEST(SeamTally, PlanMeetsTheEngineAtTheEnd) {
  const TBitmap Working = Picture(30, 20, Texture);
  const TBitmap Mask = Picture(30, 20, [](int32_t x, int32_t y) {
    return x >= 10 && x < 15 && y >= 6 && y < 9 ? TRGB{255, 0, 0} : Texture(x, y);
  });
  for (const bool Masked : {false, true}) {
    TBitmap Target(24, 27, 24);
    TCarveJob Job = MakeCarveJob({Working.Clone(), 1, 1}, Target, {}, Masked ? &Mask : nullptr);
    Job.Working = &Working;
    TSeamTally Tally;
    TCarveControl Control;
    Control.Progress = [&](int32_t Done, int32_t Total) { Tally.SeamDone(Done, Total); };
    TCarveWorker Worker(Job, Control);
    Worker.Begin();
    if (Masked) Worker.ReadMask();
    Worker.ReadSource();
    const int32_t Planned = PlannedSeams(Job, Worker.Weights());
    EXPECT_EQ(Planned, Masked ? 6 + 7 + 2 * 3 : 6 + 7);
    Tally.Plan(Planned);
    ASSERT_TRUE(Worker.Carve());
    EXPECT_EQ(Tally.Done(), Tally.Planned()) << Masked;
    EXPECT_EQ(Tally.Permille(), 1000);
  }
}

}  // namespace
}  // namespace carvelo
