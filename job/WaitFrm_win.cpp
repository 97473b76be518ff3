#include "WaitFrm_win.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "DialogForm_win.h"
#include "Glyphs_win.h"
#include "Handle_win.h"
#include "JobMemory.h"
#include "JobProgress.h"
#include "JpegBitmap_win.h"

namespace carvelo {

namespace {

// The picture of Image1, compiled in from WaitFrm.jpg.
constexpr uint8_t PictureBytes[] = {
#include "WaitFrmPicture.inc"
};

constexpr int ClientWidth = 280;
constexpr int ClientHeight = 120;
constexpr UINT WM_SYNCHRONIZE = WM_APP + 1;  // a hand-over from the worker is waiting
constexpr int ID_BitBtn1 = IDCANCEL;         // the cancel button: Esc presses it
constexpr int ID_ProgressBar = 101;
constexpr UINT_PTR ProgressTimer = 1;
constexpr UINT ProgressInterval = 100;  // milliseconds between looks at the worker's progress
constexpr int ProgressRange = 1000;

THandle Duplicate(HANDLE h) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0)) return {};
  return THandle(copy);
}

bool Ended(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// The worker threads of the process that have not ended yet, by a handle of
// their own, so that a thread counts until it has really gone.
class TLiveWorkers {
 public:
  void Add(HANDLE thread) {
    THandle copy = Duplicate(thread);
    std::lock_guard lock(FLock);
    if (copy) FThreads.push_back(std::move(copy));
  }

  size_t Count() {
    std::lock_guard lock(FLock);
    Prune();
    return FThreads.size();
  }

  bool WaitAll(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      THandle next;
      {
        std::lock_guard lock(FLock);
        Prune();
        if (FThreads.empty()) return true;
        next = Duplicate(FThreads.front().Get());
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !next) return false;
      WaitForSingleObject(next.Get(), static_cast<DWORD>(left.count()));
    }
  }

 private:
  void Prune() { std::erase_if(FThreads, [](const THandle& h) { return Ended(h.Get()); }); }

  std::mutex FLock;
  std::vector<THandle> FThreads;
};

TLiveWorkers& LiveWorkers() {
  static TLiveWorkers workers;
  return workers;
}

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

}  // namespace

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
    LiveWorkers().Add(FThread.Get());
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

class TWaitingFrm::TForm final : public TDialogForm {
 public:
  explicit TForm(HINSTANCE module)
      : TDialogForm(module, TFormStyle{.Caption = L"Carvelo - Processing",
                                       .Style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN | DS_3DLOOK,
                                       .ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                       .ClientWidth = ClientWidth,
                                       .ClientHeight = ClientHeight,
                                       .BorderWidth = 0,
                                       .Color = RGB(255, 255, 255)}),
        FPicture(MakeJpegBitmap(PictureBytes)) {
    Create();
  }

  ~TForm() override { EndJob(); }

  void InitThread(const TCarveJob& job, TSeamObserver observer, TThreadStarter startHelper) {
    EndJob();
    FState = TState::Running;
    FLink = std::make_shared<TJobLink>(Handle(), std::move(observer));
    FWorker = TWorkerThread::Create(job, FLink, std::move(startHelper));
    FWorker->OnTerminate = [this] { OnTerminate(); };
    FWorker->OnResultWritten = [this] { ResultWritten(); };
    FWorker->Start();
  }

  int Show() {
    if (FState == TState::Idle) return JobCancelledResult;
    if (FState == TState::Running) {
      SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
      EnableWindow(BitBtn1, TRUE);
      ShowModal();
    }
    // However the loop ended, a job still running is cancelled here.
    if (FState == TState::Running) BitBtn1Click();
    switch (FState) {
      case TState::Done:
        return JobDoneResult;
      case TState::Failed:
        return JobFailedResult;
      default:
        return JobCancelledResult;
    }
  }

  void BitBtn1Click() {
    if (FState != TState::Running) return;  // a picture written back stays the job's outcome
    FWorker->Terminate();
    FLink->Cancel();
    FState = TState::Cancelled;
    SetModalResult(JobCancelledResult);
  }

  void OnTerminate() {
    if (FState == TState::Cancelled) return;
    if (FState == TState::Running) {
      FFailure = FWorker->Failure().empty() ? "the job ended without its picture" : FWorker->Failure();
      FState = TState::Failed;
    }
    SetModalResult(FState == TState::Done ? JobDoneResult : JobFailedResult);
  }

  const std::string& FailureReason() const { return FFailure; }

  HWND BitBtn1 = nullptr;
  HWND ProgressBar = nullptr;

 private:
  enum class TState { Idle, Running, Done, Cancelled, Failed };

  // The picture is in the target: from here the job can only end as done.
  void ResultWritten() {
    if (FState != TState::Running) return;
    FState = TState::Done;
    SendMessageW(ProgressBar, PBM_SETPOS, ProgressRange, 0);
    EnableWindow(BitBtn1, FALSE);
  }

  // Lets go of the worker; one still running is cancelled, never waited for.
  void EndJob() {
    if (!FWorker) return;
    if (FState == TState::Running) BitBtn1Click();
    FLink->Release();  // the handlers below point into this window
    FWorker->Start();  // a worker that never ran ends at once
    FWorker.reset();
    FLink.reset();
  }

  void FormCreate() override {
    ProgressBar = AddControl(PROGRESS_CLASSW, L"", PBS_SMOOTH, 20, 72, 240, 6, ID_ProgressBar);
    SendMessageW(ProgressBar, PBM_SETRANGE32, 0, ProgressRange);
    BitBtn1 = AddControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 104, 87, 75, 25, ID_BitBtn1);
    FCancelGlyph = MakeGlyph(TGlyph::Cross, GetSysColor(COLOR_BTNFACE));
    SetButtonGlyph(BitBtn1, FCancelGlyph);
  }

  void FormShow() override { SetTimer(Handle(), ProgressTimer, ProgressInterval, nullptr); }

  std::optional<LRESULT> FormMessage(UINT message, WPARAM w, LPARAM l) override {
    switch (message) {
      case WM_SYNCHRONIZE:
        if (FLink) FLink->RunPending();
        return 0;
      case WM_TIMER:
        if (w != ProgressTimer) return std::nullopt;
        if (FLink && FState == TState::Running) SendMessageW(ProgressBar, PBM_SETPOS, FLink->Permille(), 0);
        return 0;
      case WM_COMMAND:
        // The button, and Esc from the dialog manager.
        if (LOWORD(w) != ID_BitBtn1 || (HIWORD(w) != BN_CLICKED && l != 0)) return std::nullopt;
        BitBtn1Click();
        return 0;
      case WM_CLOSE:  // no close box, but Alt+F4 still asks
        BitBtn1Click();
        return 0;
      case WM_SHOWWINDOW:
        if (!w) KillTimer(Handle(), ProgressTimer);
        return std::nullopt;
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers everything
      case WM_PAINT:
        Paint();
        return 0;
      default:
        return std::nullopt;
    }
  }

  // Image1: the picture over the whole client area, white where it has none.
  void Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, ColorBrush());
    if (FPicture) {
      TMemoryDC source(dc);
      TSelected picture(source.Get(), FPicture.Get());
      BitBlt(dc, 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
    }
    EndPaint(Handle(), &paint);
  }

  TGdiBitmap FPicture;
  TGdiBitmap FCancelGlyph;
  TState FState = TState::Idle;
  std::shared_ptr<TJobLink> FLink;
  std::shared_ptr<TWorkerThread> FWorker;
  std::string FFailure;
};

TWaitingFrm::TWaitingFrm(HINSTANCE__* module) : FForm(std::make_unique<TForm>(module)) {}
TWaitingFrm::~TWaitingFrm() = default;

void TWaitingFrm::InitThread(const TCarveJob& job, TSeamObserver observer, TThreadStarter startHelper) {
  FForm->InitThread(job, std::move(observer), std::move(startHelper));
}
int TWaitingFrm::ShowModal() { return FForm->Show(); }
void TWaitingFrm::BitBtn1Click() { FForm->BitBtn1Click(); }
void TWaitingFrm::OnTerminate() { FForm->OnTerminate(); }
const std::string& TWaitingFrm::FailureReason() const { return FForm->FailureReason(); }
HWND__* TWaitingFrm::Handle() const { return FForm->Handle(); }

int ExecuteWaitingJob(const TCarveJob& job, TSeamObserver observer, TThreadStarter startHelper) {
  std::optional<TWaitingFrm> form;
  try {
    form.emplace();
    form->InitThread(job, std::move(observer), std::move(startHelper));
  } catch (const EJobFailed&) {
    throw;
  } catch (const std::exception& e) {
    throw EJobFailed(ReasonInUserWords(e));
  }
  const int result = form->ShowModal();
  if (result == JobFailedResult) throw EJobFailed(form->FailureReason());
  return result;
}

size_t LiveWorkerCount() { return LiveWorkers().Count(); }

bool WaitForLiveWorkers(std::chrono::milliseconds timeout) { return LiveWorkers().WaitAll(timeout); }

}  // namespace carvelo
