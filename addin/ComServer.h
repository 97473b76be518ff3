// TComServer: what the in-process server keeps for its whole load: the
// module handle, the counts of live objects and server locks that
// DllCanUnloadNow reads, the registered class factories, and the type
// library embedded in the module.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <vector>

#include "ComObject.h"

namespace carvelo::addin {

class TAutoObjectFactory;

class TComServer {
 public:
  void SetModule(HMODULE module) noexcept { module_ = module; }
  HMODULE Module() const noexcept { return module_; }
  // The module's full file name.
  std::wstring ModuleFileName() const;

  void Lock(bool lock) noexcept { lock ? ++locks_ : --locks_; }
  // The live objects are counted where they are made (host::TLiveObject). A
  // carving job's worker that is still running (or stopping after Cancel)
  // holds the module as well.
  long ObjectCount() const noexcept { return host::LiveObjectCount(); }
  bool CanUnloadNow() const noexcept;

  // Factories register themselves when they are created, at module load.
  void AddFactory(TAutoObjectFactory* factory);
  TAutoObjectFactory* FindFactory(REFCLSID clsid) const noexcept;
  const std::vector<TAutoObjectFactory*>& Factories() const noexcept { return factories_; }

  // The type library embedded in the module as TYPELIB 1; raises on failure.
  host::ComPtr<ITypeLib> TypeLibrary() const;
  void RegisterTypeLibrary() const;
  void UnregisterTypeLibrary() const;
  bool TypeLibraryRegistered() const;

  // DllRegisterServer: the type library, then every factory. When a step
  // fails, what this registration created is removed again and the step's
  // own error is answered (access denied when not run as administrator).
  HRESULT Register() noexcept;
  // DllUnregisterServer: removes everything it can, going on past a failure,
  // and answers the first failure.
  HRESULT Unregister() noexcept;

 private:
  HMODULE module_ = nullptr;
  std::atomic<long> locks_{0};
  std::vector<TAutoObjectFactory*> factories_;
};

TComServer& ComServer() noexcept;

}  // namespace carvelo::addin
