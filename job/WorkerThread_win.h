// The worker behind the progress window: TWorkerThread runs a carving job on
// a thread of its own, and TJobLink is what the window and the worker share,
// the hand-overs to the user-interface thread (Synchronize), Cancel's stop
// request and the progress. The worker copies the command's pictures into
// engine buffers and the carved picture back only through hand-overs, so the
// command's bitmaps are only ever touched on the user-interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "CarveJob.h"
#include "Handle_win.h"
#include "JobMemory.h"
#include "JobOutcome.h"
#include "JobProgress.h"
#include "LiveWorkers_win.h"

namespace carvelo {

// Posted to the window: a hand-over from the worker is waiting.
inline constexpr UINT WM_SYNCHRONIZE = WM_APP + 1;

// Thrown inside the worker when a hand-over is refused: the job was
// cancelled, which is no failure.
struct EJobStopped {};

// What the window and its worker share. The worker may outlive the window:
// a cancelled job goes on until the engine looks at its stop request.
class TJobLink {
 public:
  explicit TJobLink(HWND window, TSeamObserver observer) : FWindow(window), FObserver(std::move(observer)) {}

  // Worker: has Step run on the user-interface thread and waits for it.
  // False when the job was cancelled first: then Step never runs.
  bool Synchronize(const std::function<void()>& step) {
    std::unique_lock lock(FLock);
    if (FCancelled || !FWindow) return false;
    FPending = &step;
    FPendingDone = false;
    FPendingError = nullptr;
    if (!PostMessageW(FWindow, WM_SYNCHRONIZE, 0, 0)) {
      FPending = nullptr;
      return false;
    }
    FChanged.wait(lock, [&] { return FPendingDone || FCancelled; });
    FPending = nullptr;
    if (!FPendingDone) return false;
    if (FPendingError) std::rethrow_exception(std::exchange(FPendingError, nullptr));
    return true;
  }

  // User-interface thread: runs the waiting hand-over, unless the job was
  // cancelled. The lock is held throughout, so the worker's step and the
  // buffers it uses stay put.
  void RunPending() {
    std::lock_guard lock(FLock);
    if (FCancelled || !FPending || FPendingDone) return;
    try {
      (*FPending)();
    } catch (...) {
      FPendingError = std::current_exception();
    }
    FPendingDone = true;
    FChanged.notify_all();
  }

  // User-interface thread: from now on no step of the job reaches the
  // user-interface thread, the engine is asked to stop and the observer is
  // told nothing more. Never waits for the worker.
  void Cancel() {
    {
      std::lock_guard lock(FLock);
      FCancelled = true;
      FWindow = nullptr;
      FChanged.notify_all();
    }
    FStop = true;
  }

  // User-interface thread, as the window goes: cancels, and lets go of the
  // observer once a call that is under way has returned.
  void Release() {
    Cancel();
    std::lock_guard lock(FObserverLock);
    FObserver = nullptr;
  }

  bool Cancelled() {
    std::lock_guard lock(FLock);
    return FCancelled;
  }

  const std::atomic<bool>* StopRequest() const { return &FStop; }

  // Worker: one seam more.
  void Progress(const TSeamTally& tally) {
    FPermille = tally.Permille();
    std::lock_guard lock(FObserverLock);
    if (FObserver && !FStop) FObserver(tally.Done(), tally.Planned());
  }
  int32_t Permille() const { return FPermille; }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  HWND FWindow;
  bool FCancelled = false;
  const std::function<void()>* FPending = nullptr;
  bool FPendingDone = false;
  std::exception_ptr FPendingError;
  std::atomic<bool> FStop{false};
  std::atomic<int32_t> FPermille{0};
  std::mutex FObserverLock;
  TSeamObserver FObserver;
};

// The job on a thread of its own, created suspended and started explicitly.
// The thread keeps the object alive until it ends, so a cancelled worker
// finishes and frees everything by itself while nobody waits for it.
class TWorkerThread {
 public:
  std::function<void()> OnTerminate;    // run on the user-interface thread after Execute
  std::function<void()> OnResultWritten;  // run on the user-interface thread with WriteResult

  // Throws std::invalid_argument for a job that can't be run and EJobFailed
  // when the thread can't be made.
  static std::shared_ptr<TWorkerThread> Create(const TCarveJob& job, std::shared_ptr<TJobLink> link,
                                               TThreadStarter startHelper) {
    auto worker = std::make_shared<TWorkerThread>(job, std::move(link), std::move(startHelper));
    worker->CreateSuspended(worker);
    return worker;
  }

  TWorkerThread(const TCarveJob& job, std::shared_ptr<TJobLink> link, TThreadStarter startHelper)
      : FJob(job),
        FLink(std::move(link)),
        FStartHelper(std::move(startHelper)),
        FWorker(std::in_place, job, Control()) {}

  void Start() {
    if (!std::exchange(FStarted, true)) ResumeThread(FThread.Get());
  }
  void Terminate() { FTerminated = true; }
  // Why the job failed, empty when it did not; read after OnTerminate.
  const std::string& Failure() const { return FFailure; }

 private:
  struct TThreadStart {
    std::shared_ptr<TWorkerThread> Worker;
    HMODULE Module = nullptr;
  };

  void CreateSuspended(const std::shared_ptr<TWorkerThread>& self) {
    auto start = std::make_unique<TThreadStart>();
    start->Worker = self;
    // The thread holds the module: its code stays loaded until the thread
    // has left it, whenever the host frees the library.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadProc),
                       &start->Module);
    DWORD id = 0;
    FThread = THandle(CreateThread(nullptr, 0, &ThreadProc, start.get(), CREATE_SUSPENDED, &id));
    if (!FThread) {
      const std::error_code error(static_cast<int>(GetLastError()), std::system_category());
      if (start->Module) FreeLibrary(start->Module);
      throw EJobFailed("the worker thread could not be started (" + error.message() + ")");
    }
    AddLiveWorker(FThread.Get());
    start.release();  // the thread's now
  }

  static DWORD WINAPI ThreadProc(void* parameter) {
    HMODULE module = nullptr;
    {
      std::unique_ptr<TThreadStart> start(static_cast<TThreadStart*>(parameter));
      module = start->Module;
      start->Worker->Run();
    }  // the last reference to a cancelled worker goes here
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
  }

  void Run() noexcept {
    try {
      if (!FLink->Cancelled()) Execute();
    } catch (const EJobStopped&) {
    } catch (const std::exception& e) {
      FFailure = ReasonInUserWords(e);
    } catch (...) {
      FFailure = "an unknown error";
    }
    FWorker.reset();  // every buffer of the job, whatever the outcome
    try {
      FLink->Synchronize([this] {
        if (OnTerminate) OnTerminate();
      });
    } catch (...) {
      // The handler reports nothing; a window that is gone has its result.
    }
  }

  void Execute() {
    FWorker->Begin();
    if (FJob.UseMask) Synchronize([this] { FWorker->ReadMask(); });
    Synchronize([this] { FWorker->ReadSource(); });
    FTally.Plan(PlannedSeams(FJob, FWorker->Weights()));
    if (!FWorker->Carve()) {
      if (FLink->Cancelled() || FTerminated) throw EJobStopped{};
      throw std::runtime_error("the carving stopped before its end");
    }
    Synchronize([this] {
      FWorker->WriteResult();
      if (OnResultWritten) OnResultWritten();
    });
    FWorker->End();
  }

  void Synchronize(const std::function<void()>& step) {
    if (FTerminated || !FLink->Synchronize(step)) throw EJobStopped{};
  }

  // The engine's hooks: the seams it reports, Cancel's stop request, and
  // how its helpers start.
  TCarveControl Control() {
    TCarveControl control;
    control.Progress = [this](int32_t done, int32_t total) { SeamDone(done, total); };
    control.Stop = FLink->StopRequest();
    control.Start_Helper = FStartHelper;
    return control;
  }

  void SeamDone(int32_t done, int32_t total) {
    FTally.SeamDone(done, total);
    FLink->Progress(FTally);
  }

  const TCarveJob FJob;
  std::shared_ptr<TJobLink> FLink;
  TThreadStarter FStartHelper;
  std::optional<TCarveWorker> FWorker;
  TSeamTally FTally;
  THandle FThread;
  bool FStarted = false;
  std::atomic<bool> FTerminated{false};
  std::string FFailure;
};

}  // namespace carvelo
