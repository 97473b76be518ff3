// TAutoObjectFactory: the class factory of an automation class. It is
// created once, at module load, registers itself with the COM server, makes
// a new object on every creation request (multiple instancing), and writes
// or removes the class's standard registry entries under the classes root.
#pragma once

#include <unknwn.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "ComServer.h"
#include "Registry.h"

namespace carvelo::com {

// What a factory needs of its class: making an object, and the class-level
// operations run once its registry entries are written or removed.
struct TAutoObjectClass {
  ComPtr<IUnknown> (*create)();
  void (*afterRegister)();
  void (*afterUnregister)();
};

template <class T>
TAutoObjectClass AutoObjectClassOf() {
  return {&T::Create, &T::AfterRegister, &T::AfterUnregister};
}

class TAutoObjectFactory : public TServedFactory {
 public:
  TAutoObjectFactory(TComServer& server, TAutoObjectClass objectClass, const CLSID& clsid,
                     const wchar_t* threadingModel);
  virtual ~TAutoObjectFactory() = default;
  TAutoObjectFactory(const TAutoObjectFactory&) = delete;
  TAutoObjectFactory& operator=(const TAutoObjectFactory&) = delete;

  const CLSID& ClassId() const noexcept override { return clsid_; }
  // From the type library's class entry: its name and its doc string.
  std::wstring ClassName() const;
  std::wstring Description() const;
  // The type library's name, a dot and the class name.
  std::wstring ProgId() const;

  // Writes (true) or removes (false) the class's registry entries; raises
  // EHostError on the first failure. Removing goes on past a failure and
  // removes every key it can.
  void UpdateRegistry(bool registering) override;
  // Every key that registration writes, subkeys before their parents: the
  // order they are removed in.
  std::vector<TRegistryKeyPath> RegistryKeys() const override;

  // IUnknown: the factory lives as long as the module, so references are
  // not counted; server locks are (LockServer).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 protected:
  const TAutoObjectClass& ObjectClass() const noexcept { return class_; }

 private:
  void RegisterClass() const;
  std::wstring ClassKey() const;  // CLSID\{...}
  TComServer& server_;
  TAutoObjectClass class_;
  CLSID clsid_;
  std::wstring threadingModel_;
};

}  // namespace carvelo::com
