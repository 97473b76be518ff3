#include "StandInUserClasses.h"

namespace carvelo::standin {

namespace {

constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";

// The default value of HKCU\Software\Classes\<path>; empty when missing.
std::wstring UserClassesDefault(const std::wstring& path) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, (kUserClasses + path).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                   &bytes) != ERROR_SUCCESS)
    return {};
  return value;
}

using TGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using TCanUnloadNow = HRESULT(STDAPICALLTYPE*)();

template <class T>
T Export(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void TFreeServerIfUnused::operator()(HMODULE module) const {
  const auto canUnload = Export<TCanUnloadNow>(module, "DllCanUnloadNow");
  if (canUnload && canUnload() == S_OK) FreeLibrary(module);
}

HRESULT CreateFromUserClasses(const std::wstring& progId, std::vector<TServerModule>& servers,
                              com::ComPtr<IUnknown>& object) {
  const std::wstring classId = UserClassesDefault(progId + L"\\Clsid");
  CLSID clsid{};
  if (classId.empty() || FAILED(CLSIDFromString(classId.c_str(), &clsid))) return CO_E_CLASSSTRING;
  const std::wstring file = UserClassesDefault(L"CLSID\\" + classId + L"\\InprocServer32");
  if (file.empty()) return REGDB_E_CLASSNOTREG;
  TServerModule server(LoadLibraryW(file.c_str()));
  if (!server) return HRESULT_FROM_WIN32(GetLastError());
  const auto getClassObject = Export<TGetClassObject>(server.get(), "DllGetClassObject");
  if (!getClassObject) return CO_E_ERRORINDLL;
  com::ComPtr<IClassFactory> factory;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, factory.PutVoid());
  if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid());
  factory.Reset();
  servers.push_back(std::move(server));
  return hr;
}

}  // namespace carvelo::standin
