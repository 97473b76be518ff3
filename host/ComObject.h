// Reference counting shared by the hand-written COM objects (event sinks and
// the like): the object starts with one reference, handed to the creator by
// MakeComObject, and deletes itself when the last one goes.
#pragma once

#include <objbase.h>

#include <atomic>
#include <utility>

#include "ComPtr.h"

namespace carvelo::host {

template <class Interface>
class TRefCounted : public Interface {
 public:
  TRefCounted() = default;
  TRefCounted(const TRefCounted&) = delete;
  TRefCounted& operator=(const TRefCounted&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TRefCounted() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace carvelo::host
