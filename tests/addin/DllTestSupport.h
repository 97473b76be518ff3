// The built CarveloPPT.dll loaded into the test, its four exports, and the
// registry keys its registration writes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#ifndef CARVELO_ADDIN_DLL
#error "CARVELO_ADDIN_DLL names the DLL under test"
#endif

namespace carvelo::test {

inline constexpr wchar_t kClassKey[] = L"CLSID\\{9082CFD1-243B-4566-B7BE-BFE4957264EF}";
inline constexpr wchar_t kProgId[] = L"CarveloPPT.PPTAddin";
inline constexpr wchar_t kOfficeKey[] = L"Software\\Microsoft\\Office\\PowerPoint\\Addins\\CarveloPPT.PPTAddin";
inline constexpr wchar_t kTypeLibKey[] = L"TypeLib\\{B6414E98-AFE6-4641-8CE2-D356BDC385EE}";
inline constexpr wchar_t kInterfaceKey[] = L"Interface\\{7677A494-E8D1-4F1E-A458-03C64C4F8681}";
inline constexpr CLSID kClassId = {0x9082CFD1, 0x243B, 0x4566, {0xB7, 0xBE, 0xBF, 0xE4, 0x95, 0x72, 0x64, 0xEF}};

class TAddinDll {
 public:
  explicit TAddinDll(const std::wstring& path = CARVELO_ADDIN_DLL) : module_(LoadLibraryW(path.c_str())) {}
  ~TAddinDll() {
    if (module_) FreeLibrary(module_);
  }
  TAddinDll(const TAddinDll&) = delete;
  TAddinDll& operator=(const TAddinDll&) = delete;

  explicit operator bool() const noexcept { return module_ != nullptr; }
  FARPROC Export(const char* name) const { return GetProcAddress(module_, name); }
  template <class F>
  F Entry(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(Export(name)));
  }

  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const {
    return Entry<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid, object);
  }
  HRESULT CanUnloadNow() const { return Call("DllCanUnloadNow"); }
  HRESULT Register() const { return Call("DllRegisterServer"); }
  HRESULT Unregister() const { return Call("DllUnregisterServer"); }

 private:
  HRESULT Call(const char* name) const {
    return Entry<HRESULT(STDAPICALLTYPE*)()>(name)();
  }
  HMODULE module_;
};

// Registry reading for the checks.
struct TValue {
  std::wstring name;
  DWORD type;
  std::wstring text;  // REG_SZ
  DWORD number;       // REG_DWORD
};

inline bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline std::vector<std::wstring> SubKeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  RegCloseKey(key);
  return names;
}

// Every value of the key, the default value named "".
inline std::vector<TValue> Values(HKEY root, const std::wstring& path) {
  std::vector<TValue> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    BYTE data[2048] = {};
    DWORD nameLength = 256, size = sizeof data - 2, type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    TValue v{name, type, {}, 0};
    if (type == REG_SZ) v.text = reinterpret_cast<const wchar_t*>(data);
    if (type == REG_DWORD) v.number = *reinterpret_cast<const DWORD*>(data);
    values.push_back(std::move(v));
  }
  RegCloseKey(key);
  return values;
}

inline std::wstring DefaultValue(HKEY root, const std::wstring& path) {
  for (const TValue& v : Values(root, path))
    if (v.name.empty() && v.type == REG_SZ) return v.text;
  return L"<none>";
}

// Registers the DLL for one test and removes every key again afterwards.
class TRegisteredDll {
 public:
  TRegisteredDll() : status_(dll_.Register()) {}
  ~TRegisteredDll() { dll_.Unregister(); }
  TRegisteredDll(const TRegisteredDll&) = delete;
  TRegisteredDll& operator=(const TRegisteredDll&) = delete;
  HRESULT Status() const noexcept { return status_; }

 private:
  TAddinDll dll_;
  HRESULT status_;
};

}  // namespace carvelo::test
