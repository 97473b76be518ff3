// TComServer: what the in-process server keeps for its whole load: the
// module handle, the counts of live objects and server locks that
// DllCanUnloadNow reads, the further checks the module adds to it, the
// registered class factories, and the type library embedded in the module.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <vector>

#include "ComObject.h"
#include "Registry.h"

namespace carvelo::com {

// A class factory as the server keeps it: found by its class id, handed out
// through IClassFactory, and writing or removing its class's registry
// entries (raising EHostError on the first failure).
class TServedFactory : public IClassFactory {
 public:
  virtual const CLSID& ClassId() const noexcept = 0;
  virtual void UpdateRegistry(bool registering) = 0;
  // Every key that registration writes, subkeys before their parents.
  virtual std::vector<TRegistryKeyPath> RegistryKeys() const = 0;

 protected:
  ~TServedFactory() = default;
};

class TComServer {
 public:
  void SetModule(HMODULE module) noexcept { module_ = module; }
  HMODULE Module() const noexcept { return module_; }
  // The module's full file name.
  std::wstring ModuleFileName() const;

  void Lock(bool lock) noexcept { lock ? ++locks_ : --locks_; }
  // The live objects are counted where they are made (TLiveObject).
  long ObjectCount() const noexcept { return LiveObjectCount(); }
  // Something else of the module's that must end before it unloads (a thread
  // still running its code, say) answers false here; a check that raises
  // counts as false. The module's entry code adds them at load.
  using TUnloadCheck = bool (*)();
  void AddUnloadCheck(TUnloadCheck check);
  // No live object, no server lock, and every unload check agrees.
  bool CanUnloadNow() const noexcept;

  // Factories register themselves when they are created, at module load.
  void AddFactory(TServedFactory* factory);
  TServedFactory* FindFactory(REFCLSID clsid) const noexcept;
  const std::vector<TServedFactory*>& Factories() const noexcept { return factories_; }

  // The type library embedded in the module as TYPELIB 1; raises on failure.
  ComPtr<ITypeLib> TypeLibrary() const;
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
  std::vector<TUnloadCheck> unloadChecks_;
  std::vector<TServedFactory*> factories_;
};

TComServer& ComServer() noexcept;

}  // namespace carvelo::com
