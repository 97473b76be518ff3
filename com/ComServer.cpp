#include "ComServer.h"

#include <oleauto.h>

#include "HostError.h"
#include "Registry.h"

namespace carvelo::com {

TComServer& ComServer() noexcept {
  static TComServer server;
  return server;
}

std::wstring TComServer::ModuleFileName() const {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module_, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) Check(HRESULT_FROM_WIN32(GetLastError()), "GetModuleFileName");
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

void TComServer::AddUnloadCheck(TUnloadCheck check) { unloadChecks_.push_back(check); }

bool TComServer::CanUnloadNow() const noexcept {
  if (ObjectCount() != 0 || locks_ != 0) return false;
  for (TUnloadCheck check : unloadChecks_) {
    try {
      if (!check()) return false;
    } catch (...) {
      return false;
    }
  }
  return true;
}

void TComServer::AddFactory(TServedFactory* factory) { factories_.push_back(factory); }

TServedFactory* TComServer::FindFactory(REFCLSID clsid) const noexcept {
  for (TServedFactory* f : factories_)
    if (f->ClassId() == clsid) return f;
  return nullptr;
}

ComPtr<ITypeLib> TComServer::TypeLibrary() const {
  ComPtr<ITypeLib> library;
  Check(LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_NONE, library.Put()), "LoadTypeLibEx");
  return library;
}

void TComServer::RegisterTypeLibrary() const {
  const std::wstring path = ModuleFileName();
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
  Check(RegisterTypeLib(TypeLibrary().Get(), const_cast<LPOLESTR>(path.c_str()), folder.data()), "RegisterTypeLib");
}

namespace {
TLIBATTR LibraryAttributes(ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  Check(library->GetLibAttr(&attributes), "ITypeLib::GetLibAttr");
  const TLIBATTR a = *attributes;
  library->ReleaseTLibAttr(attributes);
  return a;
}
}  // namespace

bool TComServer::TypeLibraryRegistered() const {
  return KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidText(LibraryAttributes(TypeLibrary().Get()).guid));
}

void TComServer::UnregisterTypeLibrary() const {
  // Looked up at run time: systems without it skip this step.
  using TUnRegisterTypeLib = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  HMODULE oleaut = GetModuleHandleW(L"OLEAUT32.DLL");
  if (!oleaut) return;
  const auto unregister =
      reinterpret_cast<TUnRegisterTypeLib>(reinterpret_cast<void*>(GetProcAddress(oleaut, "UnRegisterTypeLib")));
  // Already gone (by hand, or by an earlier unregistration): nothing to do,
  // while the system's function would fail.
  if (!unregister || !TypeLibraryRegistered()) return;
  const TLIBATTR a = LibraryAttributes(TypeLibrary().Get());
  Check(unregister(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind), "UnRegisterTypeLib");
}

HRESULT TComServer::Register() noexcept {
  std::vector<TRegistryKeyPath> created;  // absent before: removed again on failure
  bool typeLibraryWasRegistered = true;
  const HRESULT status = GuardedCall([&] {
    typeLibraryWasRegistered = TypeLibraryRegistered();
    for (TServedFactory* factory : factories_)
      for (TRegistryKeyPath& key : factory->RegistryKeys())
        if (!KeyExists(key.root, key.path)) created.push_back(std::move(key));
    RegisterTypeLibrary();
    for (TServedFactory* factory : factories_) factory->UpdateRegistry(true);
  });
  if (SUCCEEDED(status)) return S_OK;
  // Subkeys come before their parents, as the factories list them.
  for (const TRegistryKeyPath& key : created) GuardedCall([&] { DeleteKey(key.root, key.path); });
  if (!typeLibraryWasRegistered) GuardedCall([&] { UnregisterTypeLibrary(); });
  return status;
}

HRESULT TComServer::Unregister() noexcept {
  return GuardedCall([&] {
    TFirstFailure failure;
    failure.Run([&] { UnregisterTypeLibrary(); });
    for (TServedFactory* factory : factories_) failure.Run([&] { factory->UpdateRegistry(false); });
    failure.Rethrow();
  });
}

}  // namespace carvelo::com
