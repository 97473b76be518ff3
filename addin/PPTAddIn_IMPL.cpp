#include "PPTAddIn_IMPL.h"

#include <new>
#include <string>

#include "CarveJob.h"
#include "Clipboard_win.h"
#include "ComObject.h"
#include "HostError.h"
#include "JobMemory.h"
#include "LiveWorkers_win.h"
#include "PictureHandOver.h"
#include "PictureRoundTrip.h"
#include "Unit1_win.h"
#include "WaitFrm_win.h"
#include "about.h"
#include "qsetup.h"

namespace carvelo::addin {

using namespace carvelo::com;
using namespace carvelo::host;

// How long disconnection waits for a stopping worker.
constexpr std::chrono::seconds WorkerStopPatience{5};

const std::array<TPPTAddin::TButtonSpec, TPPTAddin::kButtonCount> TPPTAddin::kButtons = {{
    {L"Quick Fitting", L"Quick Fitting$$$", 2619, &TPPTAddin::QuickFitting_Command},
    {L"Edit Mask", L"Edit Mask$$$", 2901, &TPPTAddin::EditMask_Command},
    {L"Setup", L"Setup$$$", 2946, &TPPTAddin::Setup_Command},
    {L"About", L"About$$$", 5827, &TPPTAddin::About_Command},
}};

ComPtr<IUnknown> TPPTAddin::Create() {
  TPPTAddin* addIn = new TPPTAddin();  // starts with the one reference handed over below
  return ComPtr<IUnknown>::Adopt(static_cast<IPPTAddin*>(addIn));
}

TPPTAddin::TPPTAddin() : TMSOfficeAddIn(kIID_IPPTAddin) {}

TPPTAddin::~TPPTAddin() {
  // A host that still holds a sink must not reach this object any more.
  for (auto& sink : sinks_)
    if (sink) sink->SetHandler(nullptr);
}

HRESULT TPPTAddin::DoOnConnection(ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  BuildCommandBar();  // a failed build leaves the add-in without a toolbar, silently
  CreateAboutWindow();
  SetDefaultSettings();
  return S_OK;
}

HRESULT TPPTAddin::DoOnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY**) {
  TearDownCommandBar(removeMode);
  ribbon_.Reset();
  // An unloaded add-in holds nothing of its host: no events, no application.
  application_.reset();
  // A cancelled job's worker may still be stopping: give it a moment to end
  // before the host may unload the library.
  WaitForLiveWorkers(WorkerStopPatience);
  return S_OK;
}

HRESULT TPPTAddin::DoOnAddInsUpdate(SAFEARRAY**) { return S_OK; }
HRESULT TPPTAddin::DoOnStartupComplete(SAFEARRAY**) { return S_OK; }
HRESULT TPPTAddin::DoOnBeginShutdown(SAFEARRAY**) { return S_OK; }

void TPPTAddin::CreateAboutWindow() {
  // One About window for the add-in's lifetime; a window that can't be made
  // now is tried again by the About command.
  if (about_) return;
  try {
    about_ = std::make_unique<TAboutFrm>();
  } catch (const std::exception&) {
    about_.reset();
  }
}

void TPPTAddin::SetDefaultSettings() { settings_ = TCarveSettings{}; }

// ---- commands ----

void TPPTAddin::QuickFitting_Command() { CarveSelectedPicture({}); }

namespace {

std::wstring Widen(const char* text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  return wide;
}

// Runs a command; whatever stops it is told to the user in one message box.
template <class Command>
void ReportingFailures(Command&& command) {
  try {
    command();
  } catch (const EHostError& e) {
    ShowMessage(e.HostText().empty() ? Widen(e.what()) : e.HostText());
  } catch (const EHandOverFailed& e) {
    ShowMessage(e.Text());
  } catch (const ETooLargeToFit& e) {
    ShowMessage(Widen(e.what()));
  } catch (const std::exception& e) {  // EJobFailed, a bitmap, the clipboard or memory
    ShowMessage(L"The picture could not be fitted: " + Widen(ReasonInUserWords(e).c_str()));
  }
}

// Ends a round trip's bitmaps in their order: the result and the working
// bitmap first, then (as the caller declared it before this) the mask with
// its editor, and the source picture last, with the round trip.
class TWorkingBitmapsReleased {
 public:
  explicit TWorkingBitmapsReleased(TPictureRoundTrip& trip) : trip_(trip) {}
  ~TWorkingBitmapsReleased() { trip_.ReleaseWorkingBitmaps(); }
  TWorkingBitmapsReleased(const TWorkingBitmapsReleased&) = delete;
  TWorkingBitmapsReleased& operator=(const TWorkingBitmapsReleased&) = delete;

 private:
  TPictureRoundTrip& trip_;
};

}  // namespace

void TPPTAddin::CarveSelectedPicture(const TMaskStep& maskStep) {
  if (!application_ || !application_->Connected()) return;
  ReportingFailures([&] {
    TPictureRoundTrip trip(*application_);
    if (!trip.TakeSelectedPicture() || !trip.CopyPictureOut()) return;
    trip.MeasureRatios();
    trip.RequireRoomToFit(settings_, maskStep != nullptr);  // from the size alone, before any pixel is read
    trip.TakeCopiedPicture();
    trip.PrepareBitmaps(settings_);
    std::shared_ptr<const TBitmap> mask;
    const TWorkingBitmapsReleased released(trip);
    if (maskStep && !(mask = maskStep(trip.Working()))) return;
    if (RunCarveJob(MakeCarveJob(trip.Working(), trip.Result(), settings_, mask.get())) != TModalResult::Ok) return;
    if (mask) trip.ResultTo24Bits();
    trip.PasteBack();
  });
}

TModalResult TPPTAddin::RunCarveJob(const TCarveJob& job) { return ExecuteWaitingJob(job); }

void TPPTAddin::EditMask_Command() {
  CarveSelectedPicture([this](const TWorkingBitmap& working) {
    // Cancelling the editor leaves the working bitmap here for the user.
    PutPictureOnClipboard(working.Bitmap);
    return RunMaskEditor(working.Bitmap);
  });
}

std::shared_ptr<const TBitmap> TPPTAddin::RunMaskEditor(const TBitmap& working) {
  auto editor = std::make_shared<TPaintFrm>();
  if (ExecutePaintForm(*editor, working) != TModalResult::Ok) return nullptr;
  // The marked copy lives in the (now hidden) editor: it goes with the last
  // holder of the mask.
  return {editor, &editor->MarkedPicture()};
}

void TPPTAddin::Setup_Command() {
  // Only OK stores: all five settings, in the dialog's order.
  ExecuteSetup(settings_);
}

void TPPTAddin::About_Command() {
  if (!about_) about_ = std::make_unique<TAboutFrm>();
  ExecuteAbout(*about_);
}

// ---- command availability ----

void TPPTAddin::UpdateCommandAvailability() {
  if (const std::optional<bool> available = CarvingAvailability()) SetCarvingCommandsEnabled(*available);
}

std::optional<bool> TPPTAddin::CarvingAvailability() const {
  if (!application_ || !application_->Connected()) return std::nullopt;
  const TDocumentWindow window = application_->ActiveWindow();
  if (window.ViewType() != ppViewNormal) return false;
  const int pane = window.ActivePane().ViewType();
  if (pane != ppViewSlide && pane != ppViewSlideMaster) return std::nullopt;  // e.g. the thumbnails: leave as is
  const TSelection selection = window.Selection();
  // Slides selected in the pane hold no shape to carve, like no selection.
  const int type = selection.Type();
  if (type == ppSelectionNone || type == ppSelectionSlides) return false;
  const TShapeRange shapes = selection.ShapeRange();
  if (shapes.Count() != 1) return false;
  return IsPicture(shapes.Item(1));
}

bool TPPTAddin::CarvingCommandsEnabled() const {
  try {
    if (const std::optional<bool> available = CarvingAvailability()) return *available;
  } catch (const EHostError&) {
    // A host that can't tell its selection now: keep what was shown.
  }
  return carvingEnabled_;
}

void TPPTAddin::SetCarvingCommandsEnabled(bool enabled) {
  carvingEnabled_ = enabled;
  // "Quick Fitting" first; a button missing from a kept toolbar is skipped.
  for (TButton b : {btnQuickFitting, btnEditMask})
    if (buttons_[b]) buttons_[b].SetEnabled(enabled);
}

}  // namespace carvelo::addin
