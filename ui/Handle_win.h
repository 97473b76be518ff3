// One owner for every kind of platform handle: closed by its own function on
// every path, moved but never copied.
#pragma once

#include <windows.h>

#include <utility>

namespace carvelo {

template <class Handle, auto Close>
class TOwnedHandle {
 public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(Handle h) : FHandle(h) {}
  TOwnedHandle(TOwnedHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
  }
  ~TOwnedHandle() { Reset(); }
  Handle Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  // Hands the handle to a new owner (one that closes it itself).
  [[nodiscard]] Handle Release() { return std::exchange(FHandle, nullptr); }

 private:
  void Reset() {
    if (FHandle) Close(FHandle);
    FHandle = nullptr;
  }
  Handle FHandle = nullptr;
};

inline void CloseKernelHandle(HANDLE h) { CloseHandle(h); }
// An owned kernel handle (thread, event, process).
using THandle = TOwnedHandle<HANDLE, CloseKernelHandle>;

}  // namespace carvelo
