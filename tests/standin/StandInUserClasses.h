// Stands in for Windows' merged view of HKEY_CLASSES_ROOT, which Wine lacks.
// On Windows, COM looks up a class in HKCU\Software\Classes before
// HKLM\Software\Classes, so a class registered for one user only is found.
// Wine reads HKLM\Software\Classes alone. With this stand-in a test can show
// that an add-in registered per user is found, loaded and connected; what it
// cannot show is that Windows' own COM does the lookup this way.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ComPtr.h"

namespace carvelo::standin {

// An in-process server loaded by hand; freed when its DllCanUnloadNow
// allows, else kept until the process ends (as COM would keep it).
struct TFreeServerIfUnused {
  void operator()(HMODULE module) const;
};
using TServerModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, TFreeServerIfUnused>;

// Creates the class of `progId` from the current user's classes, as the
// merged view would give them to CoCreateInstance: ProgID\Clsid, then
// CLSID\{...}\InprocServer32, its DllGetClassObject and CreateInstance.
// Keeps the loaded server in `servers`.
HRESULT CreateFromUserClasses(const std::wstring& progId, std::vector<TServerModule>& servers,
                              com::ComPtr<IUnknown>& object);

}  // namespace carvelo::standin
