#include "PowerPointApplication.h"

#include <ocidl.h>

#include "ComObject.h"
#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

// Receives the application's events; only WindowSelectionChange is wanted.
class TApplicationEventsSink final : public TRefCounted<IDispatch> {
 public:
  void SetHandler(TPowerPointApplication::TSelectionChangeHandler handler) { handler_ = std::move(handler); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_PowerPointEApplication) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (id != DISPID_WindowSelectionChange) return DISP_E_MEMBERNOTFOUND;
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
ComPtr<IConnectionPoint> EventsConnectionPoint(IDispatch* application) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (SUCCEEDED(application->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())))
    container->FindConnectionPoint(DIID_PowerPointEApplication, point.Put());
  return point;
}

// The running PowerPoint from the Running Object Table, else a new one.
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

void TPowerPointApplication::Connect() {
  Disconnect();
  application_ = TDispatch(RunningOrNewPowerPoint());
  ListenToEvents();
}

void TPowerPointApplication::ListenToEvents() {
  if (ComPtr<IConnectionPoint> point = EventsConnectionPoint(application_.Get())) {
    DWORD cookie = 0;
    if (SUCCEEDED(point->Advise(sink_.Get(), &cookie))) cookie_ = cookie;
  }
}

void TPowerPointApplication::Disconnect() noexcept {
  if (cookie_ != 0 && application_) {
    if (ComPtr<IConnectionPoint> point = EventsConnectionPoint(application_.Get())) point->Unadvise(cookie_);
  }
  cookie_ = 0;
  application_ = TDispatch();
}

void TPowerPointApplication::SetOnWindowSelectionChange(TSelectionChangeHandler handler) {
  sink_->SetHandler(std::move(handler));
}

TDocumentWindow TPowerPointApplication::ActiveWindow() const {
  return TDocumentWindow(application_.Object(L"ActiveWindow"));
}

TPresentation TPowerPointApplication::ActivePresentation() const {
  return TPresentation(application_.Object(L"ActivePresentation"));
}

}  // namespace carvelo::host
