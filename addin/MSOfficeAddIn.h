// TMSOfficeAddIn: base of an Office COM add-in. The host creates it through
// TMSOAddInFactory and drives it through IDTExtensibility2; the base keeps
// the host application, its name and its command bars, and hands each event
// to an overridable handler. It knows nothing of PowerPoint.
#pragma once

#include <string>

#include "AutoObject.h"
#include "AutoObjectFactory.h"
#include "CarveloPPT_TLB.h"
#include "MSOAddIn_Utils.h"
#include "OfficeCommandBars.h"

namespace carvelo::addin {

class TMSOfficeAddIn : public TAutoObject<IPPTAddin, IDTExtensibility2> {
 public:
  static constexpr wchar_t kUnknownHostName[] = L"Unknown MS Office host application";
  static constexpr wchar_t kCommandBarsMessage[] = L"Failed to bind to MS Office application command bars!";

  // IDTExtensibility2: each answers the handler's status; no error leaves
  // in any other form.
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  IDispatch* HostApplication() const noexcept { return application_.Get(); }
  const std::wstring& HostName() const noexcept { return hostName_; }
  // Empty when the host offers none (or is Outlook).
  const host::TCommandBars& CommandBars() const noexcept { return commandBars_; }

  // Class-level operations the factory calls after writing or removing the
  // registry entries; nothing to do in the base.
  static void AfterRegister() {}
  static void AfterUnregister() {}

 protected:
  TMSOfficeAddIn() : TAutoObject(kIID_IPPTAddin) {}

  void* InterfaceFor(REFIID iid) noexcept override;

  // The handlers, in slot order. The base only shows a notice naming itself.
  virtual HRESULT DoOnConnection(ext_ConnectMode connectMode, IDispatch* addInInst, SAFEARRAY** custom);
  virtual HRESULT DoOnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom);
  virtual HRESULT DoOnAddInsUpdate(SAFEARRAY** custom);
  virtual HRESULT DoOnStartupComplete(SAFEARRAY** custom);
  virtual HRESULT DoOnBeginShutdown(SAFEARRAY** custom);

 private:
  void ReadHostName();
  void BindCommandBars();
  host::ComPtr<IDispatch> application_;
  std::wstring hostName_;
  host::TCommandBars commandBars_;
};

// The factory of an Office add-in class: the automation-object factory plus
// the host's Addins key, written for the current user at registration.
class TMSOAddInFactory : public TAutoObjectFactory {
 public:
  struct TOfficeEntry {
    const wchar_t* officeApplication;  // "PowerPoint"
    const wchar_t* friendlyName;
    const wchar_t* description;
    DWORD loadBehavior;
  };

  TMSOAddInFactory(TComServer& server, TAutoObjectClass objectClass, const CLSID& clsid,
                   const wchar_t* threadingModel, TOfficeEntry office);

  void UpdateRegistry(bool registering) override;
  // The class's keys, then the current user's Office key.
  std::vector<TRegistryKeyPath> RegistryKeys() const override;
  // Software\Microsoft\Office\<application>\Addins\<ProgID>
  std::wstring OfficeAddInKey() const;

 private:
  void WriteOfficeEntry() const;
  TOfficeEntry office_;
};

}  // namespace carvelo::addin
