#include "EventSink.h"

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

namespace {
ComPtr<IConnectionPoint> ConnectionPointOf(IUnknown* source, const IID& eventInterface) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (source && SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())))
    container->FindConnectionPoint(eventInterface, point.Put());
  return point;
}
}  // namespace

TEventSink::TEventSink(const IID& eventInterface) : eventInterface_(eventInterface) {}

bool TEventSink::Connect(IUnknown* source) {
  if (Connected()) Disconnect();
  ComPtr<IConnectionPoint> point = ConnectionPointOf(source, eventInterface_);
  DWORD cookie = 0;
  if (!point || FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie)) || cookie == 0) return false;
  cookie_ = cookie;
  point_ = std::move(point);
  return true;
}

bool TEventSink::Disconnect() {
  if (cookie_ != 0 && point_ && SUCCEEDED(point_->Unadvise(cookie_))) {
    cookie_ = 0;
    point_.Reset();
  }
  return cookie_ == 0;
}

void* TEventSink::InterfaceFor(REFIID iid) noexcept {
  if (iid == IID_IDispatch || iid == eventInterface_) return static_cast<IDispatch*>(this);
  return TComObject::InterfaceFor(iid);
}

HRESULT TEventSink::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}

HRESULT TEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT TEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TEventSink::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

TCommandBarButtonEventsSink::TCommandBarButtonEventsSink() : TEventSink(DIID_CommandBarButtonEvents) {}

HRESULT TCommandBarButtonEventsSink::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                            VARIANT* result, EXCEPINFO* info, UINT* argError) {
  if (id == DISPID_CommandBarButtonClick && params && params->cArgs == 2) return RunClick(*params);
  return TEventSink::Invoke(id, iid, lcid, flags, params, result, info, argError);
}

HRESULT TCommandBarButtonEventsSink::RunClick(DISPPARAMS& params) {
  if (!handler_) return S_OK;
  // Click(Ctrl, CancelDefault) arrives last argument first.
  VARIANT& control = params.rgvarg[1];
  VARIANT& cancel = params.rgvarg[0];
  IDispatch* clicked = V_VT(&control) == VT_DISPATCH ? V_DISPATCH(&control) : nullptr;
  const bool byReference = V_VT(&cancel) == (VT_BOOL | VT_BYREF) && V_BOOLREF(&cancel);
  VARIANT_BOOL flag = byReference ? *V_BOOLREF(&cancel) : VARIANT_FALSE;
  // Keep the handler alive even if it replaces itself while running.
  const TClickHandler handler = handler_;
  const HRESULT status = GuardedCall([&] { handler(clicked, flag); });
  if (byReference) *V_BOOLREF(&cancel) = flag;
  return status;
}

}  // namespace carvelo::host
