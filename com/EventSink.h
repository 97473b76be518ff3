// TEventSink: the base of the event sinks, a COM object that receives an
// event source's calls through IDispatch for one event interface, connected
// and disconnected through the source's connection point; it keeps the module
// loaded while it lives.
#pragma once

#include <ocidl.h>

#include "ComObject.h"

namespace carvelo::com {

class TEventSink : public TComObject<IDispatch>, public TLiveObject {
 public:
  explicit TEventSink(const IID& eventInterface);
  TEventSink(const TEventSink&) = delete;
  TEventSink& operator=(const TEventSink&) = delete;

  const IID& EventInterface() const noexcept { return eventInterface_; }
  DWORD Cookie() const noexcept { return cookie_; }
  bool Connected() const noexcept { return cookie_ != 0; }

  // Advises the sink at `source`'s connection point for the event interface
  // (disconnecting first when connected); true when a cookie was obtained.
  bool Connect(IUnknown* source);
  // Unadvises the cookie where it was advised; true when no longer connected.
  bool Disconnect();

  // IDispatch: no type information, no names; every call is unknown here.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

 protected:
  ~TEventSink() override = default;

  // IUnknown, IDispatch and the event interface.
  void* InterfaceFor(REFIID iid) noexcept override;

 private:
  IID eventInterface_;
  DWORD cookie_ = 0;
  ComPtr<IConnectionPoint> point_;  // where the cookie was advised
};

}  // namespace carvelo::com
