// The library's entry module: the four exports of an in-process COM server,
// the add-in's class factory, created when the library is loaded, and what
// besides live objects keeps the library loaded.
#include <windows.h>

#include "ComServer.h"
#include "HostError.h"
#include "PPTAddIn_IMPL.h"
#include "WaitFrm_win.h"

namespace {

using namespace carvelo::addin;
using namespace carvelo::com;

// The add-in class as PowerPoint finds it in the current user's Addins key.
TMSOAddInFactory AddInFactory(ComServer(), AutoObjectClassOf<TPPTAddin>(), kCLSID_PPTAddin, L"Apartment",
                              {L"PowerPoint", L"Carvelo AddIn for PowerPoint", L"Carvelo AddIn for PowerPoint", 3});

// A carving job's worker that is still running (or stopping after Cancel)
// runs this library's code.
bool NoCarveWorkerRunning() { return carvelo::LiveWorkerCount() == 0; }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ComServer().SetModule(instance);
    try {
      ComServer().AddUnloadCheck(&NoCarveWorkerRunning);
    } catch (...) {
      return FALSE;
    }
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  TServedFactory* factory = ComServer().FindFactory(clsid);
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return ComServer().CanUnloadNow() ? S_OK : S_FALSE; }

// Both answer the failing step's own error, so that regsvr32 shows it.
STDAPI DllRegisterServer() { return ComServer().Register(); }

STDAPI DllUnregisterServer() { return ComServer().Unregister(); }
