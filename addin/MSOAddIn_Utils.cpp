#include "MSOAddIn_Utils.h"

namespace carvelo::addin {

com::TVariant ReadHostProperty(IDispatch* host, const wchar_t* name) noexcept {
  com::TVariant value;
  if (!host) return value;
  try {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(host->GetIDsOfNames(IID_NULL, names, 1, kUserDefaultLocale, &id))) return value;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (FAILED(host->Invoke(id, IID_NULL, kUserDefaultLocale, DISPATCH_PROPERTYGET, &none, value.Put(), nullptr,
                            nullptr)))
      return com::TVariant();
  } catch (...) {
    return com::TVariant();
  }
  return value;
}

void ShowNotice(const wchar_t* text) noexcept { MessageBoxW(nullptr, text, L"Message", MB_OK); }

void ShowPlainMessage(const wchar_t* text) noexcept { MessageBoxW(nullptr, text, nullptr, MB_OK); }

}  // namespace carvelo::addin
