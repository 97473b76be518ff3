#include "MSOAddIn_Utils.h"

#include <new>
#include <string>

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

void ShowMessageBox(std::wstring_view text, const wchar_t* caption, UINT modality) noexcept {
  try {
    const std::wstring terminated(text);
    MessageBoxW(nullptr, terminated.c_str(), caption, MB_OK | modality);
  } catch (const std::bad_alloc&) {  // no memory for the copy: nothing to show
  }
}

}  // namespace carvelo::addin
