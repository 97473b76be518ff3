#include "MSOfficeAddIn.h"

#include <cwchar>

#include "Registry.h"

namespace carvelo::addin {

using namespace carvelo::com;

void TOfficeHostConnection::Connect(IDispatch* application) {
  application_ = ComPtr<IDispatch>(application);
  ReadHostName();
  if (hostName_ != L"Outlook") BindCommandBars();
}

void TOfficeHostConnection::Release() noexcept {
  commandBars_ = host::TCommandBars();
  application_.Reset();
}

void TOfficeHostConnection::ReadHostName() {
  hostName_.clear();
  const TVariant name = ReadHostProperty(application_.Get(), L"Name");
  try {
    if (!name.IsNothing()) hostName_ = name.ToText();
  } catch (const EHostError&) {
    hostName_.clear();
  }
  if (hostName_.empty()) hostName_ = kUnknownHostName;
}

void TOfficeHostConnection::BindCommandBars() {
  commandBars_ = host::TCommandBars();
  const TVariant bars = ReadHostProperty(application_.Get(), L"CommandBars");
  try {
    if (ComPtr<IDispatch> object = bars.ToObject()) commandBars_ = host::TCommandBars(object);
  } catch (const EHostError&) {
    commandBars_ = host::TCommandBars();
  }
  if (!commandBars_) ShowPlainMessage(kCommandBarsMessage);
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
  } catch (const com::EHostError&) {
    return;  // no Office key: the class is still registered
  }
  key.SetString(L"FriendlyName", office_.friendlyName);
  key.SetString(L"Description", office_.description);
  key.SetDword(L"LoadBehavior", office_.loadBehavior);
}

}  // namespace carvelo::addin
