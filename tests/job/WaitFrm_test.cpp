// The progress window and its worker, driven through the real window.
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "LiveWorkers_win.h"
#include "Robot_win.h"
#include "TestPictures.h"
#include "WaitFrm_win.h"

namespace carvelo {
namespace {

using namespace robot;
using test::Picture;
using test::Uniform;

constexpr wchar_t Caption[] = L"Carvelo - Processing";
constexpr auto WorkerPatience = std::chrono::seconds(60);

TRGB Texture(int32_t x, int32_t y) {
  return {uint8_t(60 + (x * 37 + y * 11) % 90), uint8_t(90 + (x * 13 + y * 29) % 80), uint8_t((x + 3 * y) % 40)};
}

// A command's pictures: the working bitmap, the result bitmap, a mask.
struct TPictures {
  TBitmap Working;
  TBitmap Target;
  TBitmap Mask;
  TCarveJob Job() {
    TCarveJob job;
    job.WorkWidth = Working.Width();
    job.WorkHeight = Working.Height();
    job.TargetWidth = Target.Width();
    job.TargetHeight = Target.Height();
    job.Working = &Working;
    job.Target = &Target;
    job.UseMask = !Mask.Empty();
    job.Mask = job.UseMask ? &Mask : nullptr;
    return job;
  }
};

TPictures Pictures(int32_t w, int32_t h, int32_t targetWidth, int32_t targetHeight) {
  return {Picture(w, h, Texture), Uniform(targetWidth, targetHeight, {1, 2, 3}), {}};
}

std::vector<uint8_t> Bytes(const TBitmap& b) {
  const uint8_t* first = b.ScanLine(0);
  return {first, first + b.Stride() * static_cast<size_t>(b.Height())};
}

// The carve as the portable job makes it on the calling thread.
std::vector<uint8_t> CarvedHere(TPictures& p) {
  TBitmap target = p.Target.Clone();
  TCarveJob job = p.Job();
  job.Target = &target;
  EXPECT_TRUE(TCarveWorker(job).Run());
  return Bytes(target);
}

HWND Button(HWND window) { return GetDlgItem(window, IDCANCEL); }
HWND Bar(HWND window) { return Child(window, PROGRESS_CLASSW); }

TEST(WaitingFrm, DoneJobHoldsThePortableCarve) {
  struct {
    bool Masked;
    int32_t Width, Height;
  } const cases[] = {{false, 31, 36}, {true, 31, 36}, {false, 40, 30}, {true, 40, 30}};
  for (const auto& c : cases) {
    TPictures p = Pictures(40, 30, c.Width, c.Height);
    if (c.Masked) p.Mask = Picture(40, 30, [](int32_t x, int32_t y) { return x / 4 == 3 ? TRGB{255, 0, 0} : Texture(x, y); });
    const std::vector<uint8_t> expected = CarvedHere(p);
    EXPECT_EQ(ExecuteWaitingJob(p.Job()), TModalResult::Ok) << c.Masked << " " << c.Width;
    EXPECT_EQ(Bytes(p.Target), expected) << c.Masked << " " << c.Width;
  }
}

TEST(WaitingFrm, LooksAsLaidOutAndShowsTheSeamsDone) {
  TPictures p = Pictures(120, 40, 60, 40);
  std::atomic<bool> barSeen{false};
  std::vector<std::pair<int32_t, int32_t>> reports;
  TModalResult result = TModalResult::None;
  // Halfway the worker waits until the bar shows it.
  const TSeamObserver observer = [&](int32_t done, int32_t planned) {
    reports.emplace_back(done, planned);
    if (done == planned / 2) WaitUntil([&] { return barSeen.load(); });
  };
  WithRobot(
      Caption,
      [&](HWND w) {
        RECT client{};
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, 280);
        EXPECT_EQ(client.bottom, 120);
        const LONG style = GetWindowLongW(w, GWL_STYLE), exStyle = GetWindowLongW(w, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_CAPTION);
        EXPECT_FALSE(style & WS_SYSMENU);  // no close box
        EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
        EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
        const RECT button = ClientRectOf(Button(w));
        EXPECT_EQ(Text(Button(w)), L"Cancel");
        EXPECT_EQ(button.left, 104);
        EXPECT_EQ(button.top, 87);
        EXPECT_EQ(button.right - button.left, 75);
        EXPECT_EQ(button.bottom - button.top, 25);
        const RECT bar = ClientRectOf(Bar(w));
        EXPECT_LE(bar.bottom, button.top);
        EXPECT_GT(bar.right - bar.left, 200);
        EXPECT_TRUE(WaitUntil([&] { return SendMessageW(Bar(w), PBM_GETPOS, 0, 0) >= 450; }));
        barSeen = true;
      },
      [&] { result = ExecuteWaitingJob(p.Job(), observer); });
  EXPECT_EQ(result, TModalResult::Ok);
  ASSERT_EQ(reports.size(), 60u);
  for (size_t i = 0; i < reports.size(); ++i) EXPECT_EQ(reports[i], std::make_pair(int32_t(i + 1), 60));
}

TEST(WaitingFrm, CancelAndEscCloseAtOnceAndLeaveTheTargetAlone) {
  for (bool esc : {false, true}) {
    TPictures p = Pictures(300, 60, 100, 60);
    const std::vector<uint8_t> before = Bytes(p.Target);
    std::atomic<bool> carving{false}, closed{false};
    TModalResult result = TModalResult::None;
    {
      TWaitingFrm form;
      // The worker stays in the carve until the window has closed.
      form.InitThread(p.Job(), [&](int32_t, int32_t) {
        carving = true;
        WaitUntil([&] { return closed.load(); });
      });
      WithRobot(
          Caption,
          [&](HWND w) {
            ASSERT_TRUE(WaitUntil([&] { return carving.load(); }));
            esc ? PressKey(w, VK_ESCAPE) : Click(Button(w));
          },
          [&] {
            result = form.ShowModal();
            closed = true;
          });
    }
    EXPECT_EQ(result, TModalResult::Cancelled) << esc;
    ASSERT_TRUE(WaitForLiveWorkers(WorkerPatience));
    EXPECT_EQ(Bytes(p.Target), before) << esc;
  }
}

TEST(WaitingFrm, WriteBackAskedForAfterCancelIsRefused) {
  // The click is queued at the last seam, before the worker asks for the
  // write-back: the window handles it first.
  TPictures p = Pictures(40, 30, 30, 30);
  const std::vector<uint8_t> before = Bytes(p.Target);
  TWaitingFrm form;
  form.InitThread(p.Job(), [&, h = form.Handle()](int32_t done, int32_t planned) {
    if (done == planned) PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  EXPECT_EQ(form.ShowModal(), TModalResult::Cancelled);
  ASSERT_TRUE(WaitForLiveWorkers(WorkerPatience));
  EXPECT_EQ(Bytes(p.Target), before);
}

TEST(WaitingFrm, FailuresEndTheJobAsFailedWithTheReason) {
  TPictures p = Pictures(40, 30, 30, 30);
  const std::vector<uint8_t> before = Bytes(p.Target);
  // An exception inside the worker.
  try {
    ExecuteWaitingJob(p.Job(), [](int32_t done, int32_t) {
      if (done == 3) throw std::runtime_error("out of seams");
    });
    ADD_FAILURE() << "no failure";
  } catch (const EJobFailed& e) {
    EXPECT_STREQ(e.what(), "out of seams");
  }
  // An engine call that cannot start its helper threads.
  try {
    ExecuteWaitingJob(p.Job(), {}, [](std::function<void()>) -> std::thread {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    ADD_FAILURE() << "no failure";
  } catch (const EJobFailed& e) {
    EXPECT_STREQ(e.what(), "GEM: Carve_Image(): FATAL ERROR! Unable to spawn thread!");
  }
  // A job that can't be run.
  TCarveJob tooBig = p.Job();
  tooBig.TargetWidth = 31;
  EXPECT_THROW(ExecuteWaitingJob(tooBig), EJobFailed);
  EXPECT_EQ(Bytes(p.Target), before);
}

// The process's kernel handles, from the system's handle table (Wine
// answers this one; its GetProcessHandleCount says 0).
int CountHandles() {
  std::vector<uint8_t> buffer(1 << 20);
  NTSTATUS status;
  ULONG needed = 0;
  while ((status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                            &needed)) == static_cast<NTSTATUS>(0xC0000004L))  // too small
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;
  const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
  int n = 0;
  for (ULONG i = 0; i < table->Count; ++i) n += table->Handle[i].OwnerPid == GetCurrentProcessId();
  return n;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// What the platform lets a process count of itself. (Wine answers 0 for the
// GDI and USER counts; it does count threads, windows and kernel handles.)
struct TResourceCounts {
  int Windows = [] {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
  }();
  DWORD Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  DWORD User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  int Handles = CountHandles();
  int Threads = [] {
    int n = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
      n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
  }();
};

// Cancels at random moments of carves, every other one with a mask:
// CARVELO_CANCEL_STRESS times (a few by default). A moment is a number of
// seams done, from none (while the pictures are read) to a little more than
// the job takes (then it ends as done). Every cancelled target must stay as
// it was, also after its worker has gone, and nothing may be left behind.
TEST(WaitingFrm, CancelStressLeavesNoTraceAndNoChange) {
  const char* setting = std::getenv("CARVELO_CANCEL_STRESS");
  const int rounds = setting ? std::atoi(setting) : 24;
  // The runtime makes a few things once, when threads first meet on a lock
  // in some way (events and semaphores, under Wine): the first jobs bring
  // most of them, and a late one may still come. A leak grows with the jobs.
  constexpr int WarmUpRounds = 4;
  constexpr int OneTimeSlack = 2;
  std::array<TPictures, 2> models{Pictures(120, 70, 80, 90), Pictures(120, 70, 80, 90)};
  models[1].Mask = Picture(120, 70, [](int32_t x, int32_t y) { return x / 8 == 5 ? TRGB{255, 0, 0} : Texture(x, y); });
  const std::array<std::vector<uint8_t>, 2> carved{CarvedHere(models[0]), CarvedHere(models[1])};
  const std::vector<uint8_t> untouched = Bytes(models[0].Target);
  const auto copy = [](const TPictures& m) { return TPictures{m.Working.Clone(), m.Target.Clone(), m.Mask.Clone()}; };

  // Each job once to the end, for its seams.
  std::array<int32_t, 2> planned{};
  for (int m = 0; m < 2; ++m) {
    TPictures p = copy(models[m]);
    ASSERT_EQ(ExecuteWaitingJob(p.Job(), [&](int32_t, int32_t seams) { planned[m] = seams; }), TModalResult::Ok);
  }

  std::mt19937 random(20261209);
  std::vector<TPictures> jobs;
  jobs.reserve(WarmUpRounds + rounds);  // the pictures stay where their jobs saw them
  std::vector<TModalResult> results;
  const auto runJobs = [&](int count) {
    for (int i = 0; i < count; ++i) {
      const int m = static_cast<int>(jobs.size() % 2);
      jobs.push_back(copy(models[m]));
      const int32_t moment = std::uniform_int_distribution<int32_t>(0, planned[m] * 11 / 10)(random);
      std::atomic<int32_t> seams{0};
      std::atomic<bool> ended{false};
      TWaitingFrm form;
      form.InitThread(jobs.back().Job(), [&](int32_t done, int32_t) { seams = done; });
      std::thread robot([&, h = form.Handle()] {
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (seams < moment && !ended && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(Button(h)));
      });
      results.push_back(form.ShowModal());
      ended = true;
      robot.join();
    }
  };
  runJobs(WarmUpRounds);
  ASSERT_TRUE(WaitForLiveWorkers(WorkerPatience));
  const TResourceCounts before;
  runJobs(rounds);
  ASSERT_TRUE(WaitForLiveWorkers(WorkerPatience));
  EXPECT_EQ(LiveWorkerCount(), 0u);
  const TResourceCounts after;

  int cancelled = 0;
  for (size_t i = 0; i < jobs.size(); ++i) {
    ASSERT_TRUE(results[i] == TModalResult::Cancelled || results[i] == TModalResult::Ok) << i;
    cancelled += results[i] == TModalResult::Cancelled;
    EXPECT_EQ(Bytes(jobs[i].Target), results[i] == TModalResult::Ok ? carved[i % 2] : untouched) << i;
  }
  std::printf("cancelled %d of %zu jobs; threads %d, windows %d, handles %d (%d before), GDI %lu, USER %lu\n", cancelled,
              jobs.size(), after.Threads, after.Windows, after.Handles, before.Handles, after.Gdi, after.User);
  EXPECT_GT(cancelled, 0);
  EXPECT_EQ(after.Threads, before.Threads);
  EXPECT_EQ(after.Windows, before.Windows);
  EXPECT_LE(after.Handles, before.Handles + OneTimeSlack);
  EXPECT_LE(after.Gdi, before.Gdi + OneTimeSlack);
  EXPECT_LE(after.User, before.User + OneTimeSlack);
}

}  // namespace
}  // namespace carvelo
