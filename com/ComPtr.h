// Owning pointer to a COM interface: one reference held, released on scope
// exit. Interfaces are named by explicit IIDs because GCC ignores
// __declspec(uuid).
#pragma once

#include <objbase.h>

#include <cstddef>
#include <type_traits>
#include <utility>

namespace carvelo::com {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Shares `p`: adds a reference of its own.
  explicit ComPtr(T* p) noexcept : p_(p) { AddRefIfSet(); }
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& other) noexcept : p_(other.Get()) {
    AddRefIfSet();
  }
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIfSet(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller already owns.
  static ComPtr Adopt(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    return r;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Hands the reference over to the caller.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // For out-parameters: drops the current reference first.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  // QueryInterface; an empty pointer when the object lacks the interface.
  template <class U>
  ComPtr<U> As(REFIID iid) const noexcept {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(iid, r.PutVoid());
    return r;
  }

  // Hands out a new reference through an out-parameter (nullptr stays null).
  T* AddRefForCaller() const noexcept {
    if (p_) p_->AddRef();
    return p_;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }

 private:
  void AddRefIfSet() noexcept {
    if (p_) p_->AddRef();
  }
  T* p_ = nullptr;
};

// Whether two interface pointers belong to one COM object (IUnknown identity).
bool SameObject(IUnknown* a, IUnknown* b) noexcept;

}  // namespace carvelo::com
