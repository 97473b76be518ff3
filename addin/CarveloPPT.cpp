// The library's entry module: the four exports of an in-process COM server
// and the add-in's class factory, created when the library is loaded.
#include <windows.h>

#include "ComServer.h"
#include "HostError.h"
#include "PPTAddIn_IMPL.h"

namespace {

using namespace carvelo::addin;

// The add-in class as PowerPoint finds it in the current user's Addins key.
TMSOAddInFactory AddInFactory(ComServer(), AutoObjectClassOf<TPPTAddin>(), kCLSID_PPTAddin, L"Apartment",
                              {L"PowerPoint", L"Carvelo AddIn for PowerPoint", L"Carvelo AddIn for PowerPoint", 3});

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ComServer().SetModule(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  TAutoObjectFactory* factory = ComServer().FindFactory(clsid);
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return ComServer().CanUnloadNow() ? S_OK : S_FALSE; }

// Both answer the failing step's own error, so that regsvr32 shows it.
STDAPI DllRegisterServer() { return ComServer().Register(); }

STDAPI DllUnregisterServer() { return ComServer().Unregister(); }
