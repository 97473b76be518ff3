// The error a failed host call raises at its call site, and the guard that
// turns any raised error back into a COM status at a COM entry point.
#pragma once

#include <windows.h>

#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace carvelo::com {

class EHostError : public std::runtime_error {
 public:
  // `what` names the host operation, e.g. "CommandBars.Add"; `hostText` is
  // the host's own description of the error, when it gave one.
  EHostError(HRESULT status, const std::string& what, std::wstring hostText = {});
  HRESULT Status() const noexcept { return status_; }
  const std::wstring& HostText() const noexcept { return hostText_; }

 private:
  HRESULT status_;
  std::wstring hostText_;
};

// Raises EHostError when `status` is a failure.
void Check(HRESULT status, const char* what);

// Runs `body` and answers its COM status; a raised error becomes its status
// (E_FAIL when it carries none), so that no exception leaves a COM method,
// window procedure or thread entry. `body` returns HRESULT or nothing.
template <class Body>
HRESULT GuardedCall(Body&& body) noexcept {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (const EHostError& e) {
    return FAILED(e.Status()) ? e.Status() : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace carvelo::com
