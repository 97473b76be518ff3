// TPowerPointApplication: the add-in's connection to the running PowerPoint
// (or a new one), receiving the application's events through its event
// interface.
#pragma once

#include <functional>

#include "Dispatch.h"
#include "PowerPointModel.h"

namespace carvelo::host {

class TApplicationEventsSink;

class TPowerPointApplication {
 public:
  // Called with the event's selection; runs on the host's UI thread.
  using TSelectionChangeHandler = std::function<void(IDispatch* selection)>;

  TPowerPointApplication();
  ~TPowerPointApplication();
  TPowerPointApplication(const TPowerPointApplication&) = delete;
  TPowerPointApplication& operator=(const TPowerPointApplication&) = delete;

  // Binds to `given` when it is PowerPoint's application (what the host
  // hands its add-ins at connection), else to the PowerPoint registered as
  // running, else starts one, and listens to its events. Raises EHostError
  // when none works.
  void Connect(IDispatch* given = nullptr);
  // Stops listening and lets the application go.
  void Disconnect() noexcept;
  bool Connected() const noexcept { return static_cast<bool>(application_); }
  // Whether the event connection was made (the host offers the events).
  bool ListensToEvents() const noexcept;

  void SetOnWindowSelectionChange(TSelectionChangeHandler handler);

  const com::TDispatch& Application() const noexcept { return application_; }
  TDocumentWindow ActiveWindow() const;
  TPresentation ActivePresentation() const;
  // Application.StartNewUndoEntry where the host has it (PowerPoint 2010
  // and later): the changes that follow undo as one step.
  void StartNewUndoEntry() const;

 private:
  com::TDispatch application_;
  com::ComPtr<TApplicationEventsSink> sink_;
};

}  // namespace carvelo::host
