// TWaitingFrm, the progress window of a carving job, with the worker thread
// that runs the job behind it (WorkerThread_win.h; the workers still alive
// are counted in LiveWorkers_win.h). The command's bitmaps are only ever
// touched on the user-interface thread; the carving runs on the worker.
//
// The command shows the window modally: Ok means the job is done and the
// target bitmap holds the carved picture, Cancelled that the user cancelled,
// and a failed job (the engine gave up, an exception inside the worker) ends
// with Failed, never as done. After Cancel no step of the job touches
// the command's bitmaps again; the worker stops as soon as the engine looks
// at its stop request and frees everything it owns by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "CarveJob.h"
#include "JobOutcome.h"
#include "ModalResult.h"

struct HINSTANCE__;
struct HWND__;

namespace carvelo {

class TWaitingFrm {
 public:
  // Without an owner. `module` holds the manifest; by default the module
  // this code is linked into. Throws when the window can't be made.
  explicit TWaitingFrm(HINSTANCE__* module = nullptr);
  TWaitingFrm(const TWaitingFrm&) = delete;
  TWaitingFrm& operator=(const TWaitingFrm&) = delete;
  // Cancels a job that is still running; never waits for the worker.
  ~TWaitingFrm();

  // Copies the job, creates the worker suspended, hooks its termination
  // handler and starts it. StartHelper starts the engine's helper threads
  // (std::thread when empty). Throws std::invalid_argument for a job that
  // can't be run and EJobFailed when the thread can't be started.
  void InitThread(const TCarveJob& Job, TSeamObserver Observer = {}, TThreadStarter StartHelper = {});
  // Shows the window until the job ends or is cancelled; the modal result.
  TModalResult ShowModal();

  // Cancel and Esc: stops the job and closes the window as cancelled.
  void BitBtn1Click();
  // Run on the user-interface thread once the worker's Execute returned.
  void OnTerminate();

  // Why the job failed (after TModalResult::Failed).
  const std::string& FailureReason() const;
  HWND__* Handle() const;

 private:
  class TForm;
  std::unique_ptr<TForm> FForm;
};

// Shows the progress window modally over Job (the command owns the
// bitmaps). Returns Ok when the job is done and Job.Target holds the carved
// picture, Cancelled when the user cancelled (Target unchanged). Throws
// EJobFailed on failure, a job that can't be run included.
TModalResult ExecuteWaitingJob(const TCarveJob& Job, TSeamObserver Observer = {}, TThreadStarter StartHelper = {});

}  // namespace carvelo
