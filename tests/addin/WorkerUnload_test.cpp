// A carving job's worker keeps the library loaded while it runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ComServer.h"
#include "WaitFrm_win.h"

namespace carvelo::com {
namespace {

// Waits for a flag, at most a minute.
bool Await(const std::atomic<bool>& flag) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!flag) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(WorkerUnload, CanUnloadNowWaitsForTheWorker) {
  // As the library's entry module does at load.
  ComServer().AddUnloadCheck([] { return LiveWorkerCount() == 0; });
  ASSERT_TRUE(ComServer().CanUnloadNow());
  TBitmap working(200, 40), target(120, 40);
  TCarveJob job;
  job.WorkWidth = 200, job.WorkHeight = 40, job.TargetWidth = 120, job.TargetHeight = 40;
  job.Working = &working, job.Target = &target;
  std::atomic<bool> held{false}, released{false};
  std::thread host([&] {
    ASSERT_TRUE(Await(held));
    EXPECT_EQ(LiveWorkerCount(), 1u);
    EXPECT_FALSE(ComServer().CanUnloadNow());
    released = true;
  });
  EXPECT_EQ(ExecuteWaitingJob(job,
                              [&](int32_t done, int32_t) {
                                if (done != 1) return;
                                held = true;
                                Await(released);
                              }),
            1);
  released = true;
  host.join();
  ASSERT_TRUE(WaitForLiveWorkers(std::chrono::seconds(60)));
  EXPECT_TRUE(ComServer().CanUnloadNow());
}

}  // namespace
}  // namespace carvelo::com
