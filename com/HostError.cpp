#include "HostError.h"

#include <cstdio>

namespace carvelo::com {

namespace {
std::string Describe(HRESULT status, const std::string& what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
  return what + " failed: " + code;
}
}  // namespace

EHostError::EHostError(HRESULT status, const std::string& what, std::wstring hostText)
    : std::runtime_error(Describe(status, what)), status_(status), hostText_(std::move(hostText)) {}

void Check(HRESULT status, const char* what) {
  if (FAILED(status)) throw EHostError(status, what);
}

}  // namespace carvelo::com
