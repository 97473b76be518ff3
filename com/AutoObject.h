// TAutoObject: base of the server's automation objects. A COM object that
// keeps the module loaded while it lives, it answers for its interfaces and
// dispatches through the type information of its default dual interface in
// the embedded type library.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

#include "ComObject.h"
#include "ComServer.h"
#include "HostError.h"

namespace carvelo::com {

template <class DefaultInterface, class... Others>
class TAutoObject : public TComObject<DefaultInterface, Others...>, public TLiveObject {
 public:
  // IDispatch, shared by every dual interface of the object.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GuardedCall([&] { *info = DispatchTypeInfo().AddRefForCaller(); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return GuardedCall([&] { return DispGetIDsOfNames(DispatchTypeInfo().Get(), names, count, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override {
    return GuardedCall([&] {
      return DispInvoke(static_cast<DefaultInterface*>(this), DispatchTypeInfo().Get(), id, flags, params, result,
                        info, argError);
    });
  }

  IDispatch* Dispatch() noexcept { return static_cast<IDispatch*>(static_cast<DefaultInterface*>(this)); }

 protected:
  explicit TAutoObject(const IID& defaultIid) : defaultIid_(defaultIid) {}

  // IUnknown, IDispatch and the default interface; derived classes add their
  // further interfaces and call this for the rest.
  void* InterfaceFor(REFIID iid) noexcept override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == defaultIid_) return Dispatch();
    return nullptr;
  }

 private:
  // The vtable side of the default dual interface, as DispInvoke wants it.
  ComPtr<ITypeInfo> DispatchTypeInfo() {
    if (!typeInfo_) {
      ComPtr<ITypeInfo> dispatchSide, vtableSide;
      Check(ComServer().TypeLibrary()->GetTypeInfoOfGuid(defaultIid_, dispatchSide.Put()),
                  "ITypeLib::GetTypeInfoOfGuid");
      HREFTYPE vtable = 0;
      if (SUCCEEDED(dispatchSide->GetRefTypeOfImplType(-1, &vtable)) &&
          SUCCEEDED(dispatchSide->GetRefTypeInfo(vtable, vtableSide.Put())))
        typeInfo_ = vtableSide;
      else
        typeInfo_ = dispatchSide;
    }
    return typeInfo_;
  }

  const IID& defaultIid_;
  ComPtr<ITypeInfo> typeInfo_;
};

}  // namespace carvelo::com
