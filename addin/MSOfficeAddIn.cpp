#include "MSOfficeAddIn.h"

#include <cwchar>

#include "Registry.h"

namespace carvelo::addin {

using host::ComPtr;
using host::GuardedCall;
using host::TVariant;

void* TMSOfficeAddIn::InterfaceFor(REFIID iid) noexcept {
  if (iid == IID_IDTExtensibility2) return static_cast<IDTExtensibility2*>(this);
  return TAutoObject::InterfaceFor(iid);
}

HRESULT TMSOfficeAddIn::OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                                     SAFEARRAY** custom) {
  return GuardedCall([&] {
    application_ = ComPtr<IDispatch>(application);
    ReadHostName();
    if (hostName_ != L"Outlook") BindCommandBars();
    return DoOnConnection(connectMode, addInInst, custom);
  });
}

void TMSOfficeAddIn::ReadHostName() {
  hostName_.clear();
  const TVariant name = ReadHostProperty(application_.Get(), L"Name");
  try {
    if (!name.IsNothing()) hostName_ = name.ToText();
  } catch (const host::EHostError&) {
    hostName_.clear();
  }
  if (hostName_.empty()) hostName_ = kUnknownHostName;
}

void TMSOfficeAddIn::BindCommandBars() {
  commandBars_ = host::TCommandBars();
  const TVariant bars = ReadHostProperty(application_.Get(), L"CommandBars");
  try {
    if (ComPtr<IDispatch> object = bars.ToObject()) commandBars_ = host::TCommandBars(object);
  } catch (const host::EHostError&) {
    commandBars_ = host::TCommandBars();
  }
  if (!commandBars_) ShowPlainMessage(kCommandBarsMessage);
}

HRESULT TMSOfficeAddIn::OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) {
  const HRESULT status = GuardedCall([&] { return DoOnDisconnection(removeMode, custom); });
  // The host may unload the module next: let go of it whatever the handler did.
  commandBars_ = host::TCommandBars();
  application_.Reset();
  return status;
}

HRESULT TMSOfficeAddIn::OnAddInsUpdate(SAFEARRAY** custom) {
  return GuardedCall([&] { return DoOnAddInsUpdate(custom); });
}

HRESULT TMSOfficeAddIn::OnStartupComplete(SAFEARRAY** custom) {
  return GuardedCall([&] { return DoOnStartupComplete(custom); });
}

HRESULT TMSOfficeAddIn::OnBeginShutdown(SAFEARRAY** custom) {
  return GuardedCall([&] { return DoOnBeginShutdown(custom); });
}

HRESULT TMSOfficeAddIn::DoOnConnection(ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  ShowNotice(L"TMSOfficeAddIn.DoOnConnection");
  return S_OK;
}

HRESULT TMSOfficeAddIn::DoOnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  ShowNotice(L"TMSOfficeAddIn.DoOnDisconnection");
  return S_OK;
}

HRESULT TMSOfficeAddIn::DoOnAddInsUpdate(SAFEARRAY**) {
  ShowNotice(L"TMSOfficeAddIn.DoOnAddInsUpdate");
  return S_OK;
}

HRESULT TMSOfficeAddIn::DoOnStartupComplete(SAFEARRAY**) {
  ShowNotice(L"TMSOfficeAddIn.DoOnStartupComplete");
  return S_OK;
}

HRESULT TMSOfficeAddIn::DoOnBeginShutdown(SAFEARRAY**) {
  ShowNotice(L"TMSOfficeAddIn.DoOnBeginShutdown");
  return S_OK;
}

// ---- factory ----

TMSOAddInFactory::TMSOAddInFactory(TComServer& server, TAutoObjectClass objectClass, const CLSID& clsid,
                                   const wchar_t* threadingModel, TOfficeEntry office)
    : TAutoObjectFactory(server, objectClass, clsid, threadingModel), office_(office) {}

std::wstring TMSOAddInFactory::OfficeAddInKey() const {
  wchar_t key[512];
  std::swprintf(key, 512, L"Software\\Microsoft\\Office\\%ls\\Addins\\%ls", office_.officeApplication,
                ProgId().c_str());
  return key;
}

void TMSOAddInFactory::UpdateRegistry(bool registering) {
  if (registering) {
    TAutoObjectFactory::UpdateRegistry(true);
    WriteOfficeEntry();
    ObjectClass().afterRegister();
    return;
  }
  TFirstFailure failure;
  failure.Run([&] { TAutoObjectFactory::UpdateRegistry(false); });  // the Office key included
  failure.Run([&] { ObjectClass().afterUnregister(); });
  failure.Rethrow();
}

std::vector<TRegistryKeyPath> TMSOAddInFactory::RegistryKeys() const {
  std::vector<TRegistryKeyPath> keys = TAutoObjectFactory::RegistryKeys();
  keys.push_back({HKEY_CURRENT_USER, OfficeAddInKey()});
  return keys;
}

void TMSOAddInFactory::WriteOfficeEntry() const {
  TRegKey key;
  try {
    key = TRegKey::Create(HKEY_CURRENT_USER, OfficeAddInKey());
  } catch (const host::EHostError&) {
    return;  // no Office key: the class is still registered
  }
  key.SetString(L"FriendlyName", office_.friendlyName);
  key.SetString(L"Description", office_.description);
  key.SetDword(L"LoadBehavior", office_.loadBehavior);
}

}  // namespace carvelo::addin
