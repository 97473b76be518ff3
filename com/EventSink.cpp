#include "EventSink.h"

#include "HostError.h"

namespace carvelo::com {

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

}  // namespace carvelo::com
