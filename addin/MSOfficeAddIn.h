// TMSOfficeAddIn: base of an Office COM add-in, on the add-in's own dual
// interface. The host creates it through TMSOAddInFactory and drives it
// through IDTExtensibility2; the base keeps the host application, its name
// and its command bars, and hands each event to an overridable handler. It
// knows nothing of PowerPoint.
#pragma once

#include <string>

#include "AutoObject.h"
#include "AutoObjectFactory.h"
#include "MSOAddIn_Utils.h"
#include "OfficeCommandBars.h"

namespace carvelo::addin {

// What the add-in keeps of its host between connection and disconnection.
class TOfficeHostConnection {
 public:
  static constexpr wchar_t kUnknownHostName[] = L"Unknown MS Office host application";
  static constexpr wchar_t kCommandBarsMessage[] = L"Failed to bind to MS Office application command bars!";

  // Holds `application`, reads its name and, but for Outlook, binds its
  // command bars (with a message when it has none).
  void Connect(IDispatch* application);
  // Lets go of the host: it may unload the module next.
  void Release() noexcept;

  IDispatch* Application() const noexcept { return application_.Get(); }
  const std::wstring& HostName() const noexcept { return hostName_; }
  const host::TCommandBars& CommandBars() const noexcept { return commandBars_; }

 private:
  void ReadHostName();
  void BindCommandBars();
  com::ComPtr<IDispatch> application_;
  std::wstring hostName_;
  host::TCommandBars commandBars_;
};

// `AddInInterface` is the add-in's own dual interface, the object's default
// one, named `iid` in the module's type library.
template <class AddInInterface>
class TMSOfficeAddIn : public com::TAutoObject<AddInInterface, IDTExtensibility2> {
  using TBase = com::TAutoObject<AddInInterface, IDTExtensibility2>;

 public:
  // IDTExtensibility2: each answers the handler's status; no error leaves
  // in any other form.
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                                         SAFEARRAY** custom) override {
    return com::GuardedCall([&] {
      host_.Connect(application);
      return DoOnConnection(connectMode, addInInst, custom);
    });
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) override {
    const HRESULT status = com::GuardedCall([&] { return DoOnDisconnection(removeMode, custom); });
    host_.Release();  // whatever the handler did
    return status;
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override {
    return com::GuardedCall([&] { return DoOnAddInsUpdate(custom); });
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override {
    return com::GuardedCall([&] { return DoOnStartupComplete(custom); });
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override {
    return com::GuardedCall([&] { return DoOnBeginShutdown(custom); });
  }

  IDispatch* HostApplication() const noexcept { return host_.Application(); }
  const std::wstring& HostName() const noexcept { return host_.HostName(); }
  // Empty when the host offers none (or is Outlook).
  const host::TCommandBars& CommandBars() const noexcept { return host_.CommandBars(); }

  // Class-level operations the factory calls after writing or removing the
  // registry entries; nothing to do in the base.
  static void AfterRegister() {}
  static void AfterUnregister() {}

 protected:
  explicit TMSOfficeAddIn(const IID& iid) : TBase(iid) {}

  void* InterfaceFor(REFIID iid) noexcept override {
    if (iid == IID_IDTExtensibility2) return static_cast<IDTExtensibility2*>(this);
    return TBase::InterfaceFor(iid);
  }

  // The handlers, in slot order. The base only shows a notice naming itself.
  virtual HRESULT DoOnConnection(ext_ConnectMode, IDispatch*, SAFEARRAY**) {
    return Notice(L"TMSOfficeAddIn.DoOnConnection");
  }
  virtual HRESULT DoOnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
    return Notice(L"TMSOfficeAddIn.DoOnDisconnection");
  }
  virtual HRESULT DoOnAddInsUpdate(SAFEARRAY**) { return Notice(L"TMSOfficeAddIn.DoOnAddInsUpdate"); }
  virtual HRESULT DoOnStartupComplete(SAFEARRAY**) { return Notice(L"TMSOfficeAddIn.DoOnStartupComplete"); }
  virtual HRESULT DoOnBeginShutdown(SAFEARRAY**) { return Notice(L"TMSOfficeAddIn.DoOnBeginShutdown"); }

 private:
  static HRESULT Notice(const wchar_t* text) {
    ShowNotice(text);
    return S_OK;
  }
  TOfficeHostConnection host_;
};

// The factory of an Office add-in class: the automation-object factory plus
// the host's Addins key, written for the current user at registration.
class TMSOAddInFactory : public com::TAutoObjectFactory {
 public:
  struct TOfficeEntry {
    const wchar_t* officeApplication;  // "PowerPoint"
    const wchar_t* friendlyName;
    const wchar_t* description;
    DWORD loadBehavior;
  };

  TMSOAddInFactory(com::TComServer& server, com::TAutoObjectClass objectClass, const CLSID& clsid,
                   const wchar_t* threadingModel, TOfficeEntry office);

  void UpdateRegistry(bool registering) override;
  // The class's keys, then the current user's Office key.
  std::vector<com::TRegistryKeyPath> RegistryKeys() const override;
  // Software\Microsoft\Office\<application>\Addins\<ProgID>
  std::wstring OfficeAddInKey() const;

 private:
  void WriteOfficeEntry() const;
  TOfficeEntry office_;
};

}  // namespace carvelo::addin
