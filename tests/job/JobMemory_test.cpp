#include "JobMemory.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#ifdef _WIN32
#include "JobMemory_win.h"
#endif

namespace carvelo {
namespace {

constexpr uint64_t MB = 1'000'000;

// A phone photo and a large scan, each squeezed to 75 % of its width.
TJobMemory SqueezedJob(int32_t Width, int32_t Height, bool Masked = false) {
  const TScalePlan Plan = PlanScaling(Width, Height, 0.75, 1, true);
  return JobMemoryNeeded(Width, Height, Plan, FittedSize(Plan.WorkWidth, Plan.WorkHeight, Plan.FW, Plan.FH), Masked);
}

// What a 32-bit process typically has left: 1.8 GB of address space, 900 MB
// in one piece, plenty of commit.
constexpr TFreeMemory Free32{1800 * MB, 900 * MB, 8000 * MB};

TEST(JobMemory, TheRuleCountsEngineBitmapsAndMask) {
  struct TCase {
    int32_t Width, Height;
    bool Masked;
    uint64_t Total, LargestBlock;
  };
  // Picture 8000 x 6000 to 6000 x 6000: bitmaps 4 B x (2 x 48 + 48 + 2 x 36) M,
  // engine 32 B x 48 M, a mask 12 B x 48 M and its two bitmaps 8 B x 48 M more.
  for (const TCase& Case : {TCase{8000, 6000, false, 2400 * MB, 192 * MB},
                            TCase{8000, 6000, true, 3360 * MB, 192 * MB},
                            TCase{4000, 3000, false, 600 * MB, 48 * MB}}) {
    const TJobMemory Need = SqueezedJob(Case.Width, Case.Height, Case.Masked);
    EXPECT_EQ(Need.Total, Case.Total) << Case.Width << (Case.Masked ? " masked" : "");
    EXPECT_EQ(Need.LargestBlock, Case.LargestBlock) << Case.Width;
  }
  // Growing counts the carving area at the target's width.
  const TScalePlan Grow = PlanScaling(1000, 1000, 1.5, 1, true);
  EXPECT_EQ(JobMemoryNeeded(1000, 1000, Grow, {1500, 1000}, false).LargestBlock, 6 * MB);
}

TEST(JobMemory, FitsOnlyWithTheReserveLeftAndTheLargestBlockInOnePiece) {
  const TJobMemory Need{1000 * MB, 100 * MB};
  struct TCase {
    TFreeMemory Free;
    bool Fits;
  };
  for (const TCase& Case : {TCase{{1000 * MB + HostReserveBytes, 100 * MB, 8000 * MB}, true},
                            TCase{{1000 * MB + HostReserveBytes - 1, 100 * MB, 8000 * MB}, false},
                            TCase{{8000 * MB, 100 * MB - 1, 8000 * MB}, false},
                            TCase{{8000 * MB, 8000 * MB, 1000 * MB}, false}})
    EXPECT_EQ(JobFits(Need, Case.Free), Case.Fits) << Case.Free.AddressSpace << " " << Case.Free.LargestRegion;
  EXPECT_TRUE(JobFits(SqueezedJob(4000, 3000), Free32)) << "a phone photo fits a 32-bit PowerPoint";
  EXPECT_FALSE(JobFits(SqueezedJob(8000, 6000), Free32));
}

TEST(JobMemory, TheRefusalSaysTheSizeAndTheLimit) {
  // (1800 MB - the reserve) / 2400 MB of 48 megapixels: 34.66.
  EXPECT_EQ(TooLargeToFitText(8000, 6000, SqueezedJob(8000, 6000), Free32, 32),
            "This picture (8000 \u00d7 6000) is too large to fit here; the largest this 32-bit PowerPoint can fit "
            "is about 34 megapixels.");
  EXPECT_EQ(TooLargeToFitText(8000, 6000, SqueezedJob(8000, 6000), {100 * MB, 100 * MB, 100 * MB}, 64),
            "This picture (8000 \u00d7 6000) is too large to fit here; the largest this 64-bit PowerPoint can fit "
            "is less than one megapixel.");
}

TEST(JobMemory, FailuresAreToldInTheUsersWords) {
  EXPECT_EQ(ReasonInUserWords(std::bad_alloc()), "there is not enough memory.");
  EXPECT_EQ(ReasonInUserWords(std::runtime_error("the mask is 3 x 3")), "the mask is 3 x 3");
  EXPECT_EQ(ReasonInUserWords(std::runtime_error("")), "an unknown error");
}

#ifdef _WIN32
TEST(JobMemory, ThisProcessIsAskedWhatItHasFree) {
  const TFreeMemory Free = FreeMemoryNow();
  EXPECT_GT(Free.LargestRegion, uint64_t{256} << 20);
  EXPECT_LE(Free.LargestRegion, Free.AddressSpace);
  EXPECT_GT(Free.Commit, 0u);
  EXPECT_NO_THROW(RequireJobFits(4000, 3000, SqueezedJob(4000, 3000)));
  try {
    RequireJobFits(8000, 6000, {Free.AddressSpace + 1, 1});
    ADD_FAILURE() << "a job larger than the address space was let through";
  } catch (const ETooLargeToFit& E) {
    EXPECT_NE(std::string(E.what()).find(std::to_string(ProcessBits) + "-bit PowerPoint"), std::string::npos);
  }
}
#endif

}  // namespace
}  // namespace carvelo
