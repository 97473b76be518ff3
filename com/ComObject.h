// The base of every hand-written COM object (automation objects, event
// sinks, a test's fake host objects): exact reference counting, and interface queries
// answered from InterfaceFor. The object starts with one reference, handed to
// its creator by MakeComObject, and deletes itself when the last one goes.
// An object the module hands to its host also derives from TLiveObject:
// the module can't unload while one lives (DllCanUnloadNow).
#pragma once

#include <objbase.h>

#include <atomic>
#include <utility>

#include "ComPtr.h"

namespace carvelo::com {

// The objects of this module that keep it loaded.
long LiveObjectCount() noexcept;

class TLiveObject {
 public:
  TLiveObject(const TLiveObject&) = delete;
  TLiveObject& operator=(const TLiveObject&) = delete;

 protected:
  TLiveObject() noexcept;
  ~TLiveObject();
};

template <class Primary, class... Others>
class TComObject : public Primary, public Others... {
 public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  // IUnknown, for every interface of the object.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = InterfaceFor(iid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  TComObject() = default;
  virtual ~TComObject() = default;

  // The interface pointer answered for `iid`, or null. Derived classes
  // answer their interfaces and call this for the rest: IUnknown, the
  // object's identity, is its first interface.
  virtual void* InterfaceFor(REFIID iid) noexcept {
    return iid == IID_IUnknown ? static_cast<Primary*>(this) : nullptr;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace carvelo::com
