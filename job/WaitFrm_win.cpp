#include "WaitFrm_win.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "DialogForm_win.h"
#include "Glyphs_win.h"
#include "JpegBitmap_win.h"
#include "WorkerThread_win.h"

namespace carvelo {

namespace {

// The picture of Image1, compiled in from WaitFrm.jpg.
constexpr uint8_t PictureBytes[] = {
#include "WaitFrmPicture.inc"
};

constexpr int ClientWidth = 280;
constexpr int ClientHeight = 120;
constexpr int ID_BitBtn1 = IDCANCEL;  // the cancel button: Esc presses it
constexpr int ID_ProgressBar = 101;
constexpr UINT_PTR ProgressTimer = 1;
constexpr UINT ProgressInterval = 100;  // milliseconds between looks at the worker's progress
constexpr int ProgressRange = 1000;

}  // namespace

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

  TModalResult Show() {
    if (FState == TState::Idle) return TModalResult::Cancelled;
    if (FState == TState::Running) {
      SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
      EnableWindow(BitBtn1, TRUE);
      ShowModal();
    }
    // However the loop ended, a job still running is cancelled here.
    if (FState == TState::Running) BitBtn1Click();
    switch (FState) {
      case TState::Done:
        return TModalResult::Ok;
      case TState::Failed:
        return TModalResult::Failed;
      default:
        return TModalResult::Cancelled;
    }
  }

  void BitBtn1Click() {
    if (FState != TState::Running) return;  // a picture written back stays the job's outcome
    FWorker->Terminate();
    FLink->Cancel();
    FState = TState::Cancelled;
    SetModalResult(TModalResult::Cancelled);
  }

  void OnTerminate() {
    if (FState == TState::Cancelled) return;
    if (FState == TState::Running) {
      FFailure = FWorker->Failure().empty() ? "the job ended without its picture" : FWorker->Failure();
      FState = TState::Failed;
    }
    SetModalResult(FState == TState::Done ? TModalResult::Ok : TModalResult::Failed);
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
TModalResult TWaitingFrm::ShowModal() { return FForm->Show(); }
void TWaitingFrm::BitBtn1Click() { FForm->BitBtn1Click(); }
void TWaitingFrm::OnTerminate() { FForm->OnTerminate(); }
const std::string& TWaitingFrm::FailureReason() const { return FForm->FailureReason(); }
HWND__* TWaitingFrm::Handle() const { return FForm->Handle(); }

TModalResult ExecuteWaitingJob(const TCarveJob& job, TSeamObserver observer, TThreadStarter startHelper) {
  std::optional<TWaitingFrm> form;
  try {
    form.emplace();
    form->InitThread(job, std::move(observer), std::move(startHelper));
  } catch (const EJobFailed&) {
    throw;
  } catch (const std::exception& e) {
    throw EJobFailed(ReasonInUserWords(e));
  }
  const TModalResult result = form->ShowModal();
  if (result == TModalResult::Failed) throw EJobFailed(form->FailureReason());
  return result;
}


}  // namespace carvelo
