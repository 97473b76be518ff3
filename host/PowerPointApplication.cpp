#include "PowerPointApplication.h"

#include "EventSink.h"
#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

using namespace carvelo::com;

// Receives the application's events; only WindowSelectionChange is wanted.
class TApplicationEventsSink final : public TEventSink {
 public:
  TApplicationEventsSink() : TEventSink(DIID_PowerPointEApplication) {}

  void SetHandler(TPowerPointApplication::TSelectionChangeHandler handler) { handler_ = std::move(handler); }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override {
    if (id != DISPID_WindowSelectionChange)
      return TEventSink::Invoke(id, iid, lcid, flags, params, result, info, argError);
    if (!handler_) return S_OK;
    return GuardedCall([&] {
      IDispatch* selection = nullptr;
      if (params && params->cArgs >= 1) {
        const VARIANT& arg = params->rgvarg[params->cArgs - 1];
        if (V_VT(&arg) == VT_DISPATCH) selection = V_DISPATCH(&arg);
      }
      handler_(selection);
    });
  }

 private:
  TPowerPointApplication::TSelectionChangeHandler handler_;
};

namespace {
// The application the host handed over, when it answers PowerPoint's
// application interface.
ComPtr<IDispatch> GivenPowerPoint(IDispatch* given) {
  ComPtr<IDispatch> application;
  if (given) given->QueryInterface(IID_PowerPointApplication, application.PutVoid());
  return application;
}

// The running PowerPoint from the Running Object Table, else a new one. A
// starting PowerPoint may not be in the table yet: only for a host that
// hands over nothing usable.
ComPtr<IDispatch> RunningOrNewPowerPoint() {
  ComPtr<IUnknown> running;
  ComPtr<IDispatch> application;
  if (SUCCEEDED(GetActiveObject(CLSID_PowerPointApplication, nullptr, running.Put())) &&
      SUCCEEDED(running->QueryInterface(IID_PowerPointApplication, application.PutVoid())))
    return application;
  Check(CoCreateInstance(CLSID_PowerPointApplication, nullptr, CLSCTX_LOCAL_SERVER, IID_PowerPointApplication,
                         application.PutVoid()),
        "PowerPoint.Application");
  return application;
}
}  // namespace

TPowerPointApplication::TPowerPointApplication() : sink_(MakeComObject<TApplicationEventsSink>()) {}

TPowerPointApplication::~TPowerPointApplication() {
  Disconnect();
  // The host may still hold the sink: it must not call back into our owner.
  sink_->SetHandler(nullptr);
}

void TPowerPointApplication::Connect(IDispatch* given) {
  Disconnect();
  ComPtr<IDispatch> application = GivenPowerPoint(given);
  application_ = TDispatch(application ? std::move(application) : RunningOrNewPowerPoint());
  sink_->Connect(application_.Get());
}

void TPowerPointApplication::Disconnect() noexcept {
  sink_->Disconnect();
  application_ = TDispatch();
}

bool TPowerPointApplication::ListensToEvents() const noexcept { return sink_->Connected(); }

void TPowerPointApplication::SetOnWindowSelectionChange(TSelectionChangeHandler handler) {
  sink_->SetHandler(std::move(handler));
}

TDocumentWindow TPowerPointApplication::ActiveWindow() const {
  return TDocumentWindow(application_.Object(L"ActiveWindow"));
}

void TPowerPointApplication::StartNewUndoEntry() const {
  if (application_.HasMember(L"StartNewUndoEntry")) application_.CallMethod(L"StartNewUndoEntry");
}

TPresentation TPowerPointApplication::ActivePresentation() const {
  return TPresentation(application_.Object(L"ActivePresentation"));
}

}  // namespace carvelo::host
