#include "AutoObjectFactory.h"

#include <oleauto.h>

#include <cstdio>

#include "ComServer.h"
#include "ComValues.h"
#include "HostError.h"
#include "Registry.h"

namespace carvelo::com {

namespace {
// The module's file name as registered: its short form when it has a blank.
std::wstring ServerFileName(const std::wstring& path) {
  if (path.find(L' ') == std::wstring::npos) return path;
  std::wstring shortPath(path.size() + 1, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
  if (length == 0 || length >= shortPath.size()) return path;
  shortPath.resize(length);
  return shortPath;
}

std::wstring VersionText(ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  Check(library->GetLibAttr(&attributes), "ITypeLib::GetLibAttr");
  wchar_t text[32];
  std::swprintf(text, 32, L"%d.%d", attributes->wMajorVerNum, attributes->wMinorVerNum);
  library->ReleaseTLibAttr(attributes);
  return text;
}

std::wstring LibraryIdText(ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  Check(library->GetLibAttr(&attributes), "ITypeLib::GetLibAttr");
  const GUID id = attributes->guid;
  library->ReleaseTLibAttr(attributes);
  return GuidText(id);
}
}  // namespace

TAutoObjectFactory::TAutoObjectFactory(TComServer& server, TAutoObjectClass objectClass, const CLSID& clsid,
                                       const wchar_t* threadingModel)
    : server_(server), class_(objectClass), clsid_(clsid), threadingModel_(threadingModel) {
  server_.AddFactory(this);
}

std::wstring TAutoObjectFactory::ClassName() const {
  ComPtr<ITypeInfo> info;
  Check(server_.TypeLibrary()->GetTypeInfoOfGuid(clsid_, info.Put()), "ITypeLib::GetTypeInfoOfGuid");
  TBstr name;
  Check(info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), "ITypeInfo::GetDocumentation");
  return name.Str();
}

std::wstring TAutoObjectFactory::Description() const {
  ComPtr<ITypeInfo> info;
  Check(server_.TypeLibrary()->GetTypeInfoOfGuid(clsid_, info.Put()), "ITypeLib::GetTypeInfoOfGuid");
  TBstr text;
  Check(info->GetDocumentation(MEMBERID_NIL, nullptr, text.Put(), nullptr, nullptr), "ITypeInfo::GetDocumentation");
  return text.Str();
}

std::wstring TAutoObjectFactory::ProgId() const {
  TBstr libraryName;
  Check(server_.TypeLibrary()->GetDocumentation(-1, libraryName.Put(), nullptr, nullptr, nullptr),
        "ITypeLib::GetDocumentation");
  return libraryName.Str() + L"." + ClassName();
}

std::wstring TAutoObjectFactory::ClassKey() const { return L"CLSID\\" + GuidText(clsid_); }

void TAutoObjectFactory::UpdateRegistry(bool registering) {
  if (registering) {
    RegisterClass();
    return;
  }
  TFirstFailure failure;
  for (const TRegistryKeyPath& key : RegistryKeys()) failure.Run([&] { DeleteKey(key.root, key.path); });
  failure.Rethrow();
}

std::vector<TRegistryKeyPath> TAutoObjectFactory::RegistryKeys() const {
  const std::wstring k = ClassKey(), p = ProgId();
  return {{HKEY_CLASSES_ROOT, k + L"\\TypeLib"},        {HKEY_CLASSES_ROOT, k + L"\\Version"},
          {HKEY_CLASSES_ROOT, k + L"\\ProgID"},         {HKEY_CLASSES_ROOT, p + L"\\Clsid"},
          {HKEY_CLASSES_ROOT, p},                       {HKEY_CLASSES_ROOT, k + L"\\InprocServer32"},
          {HKEY_CLASSES_ROOT, k}};
}

void TAutoObjectFactory::RegisterClass() const {
  const std::wstring k = ClassKey(), p = ProgId(), description = Description();
  ComPtr<ITypeLib> library = server_.TypeLibrary();
  WriteKeyDefault(HKEY_CLASSES_ROOT, k, description);
  {
    TRegKey server = TRegKey::Create(HKEY_CLASSES_ROOT, k + L"\\InprocServer32");
    server.SetString(nullptr, ServerFileName(server_.ModuleFileName()));
    server.SetString(L"ThreadingModel", threadingModel_);
  }
  WriteKeyDefault(HKEY_CLASSES_ROOT, p, description);
  WriteKeyDefault(HKEY_CLASSES_ROOT, p + L"\\Clsid", GuidText(clsid_));
  WriteKeyDefault(HKEY_CLASSES_ROOT, k + L"\\ProgID", p);
  WriteKeyDefault(HKEY_CLASSES_ROOT, k + L"\\Version", VersionText(library.Get()));
  WriteKeyDefault(HKEY_CLASSES_ROOT, k + L"\\TypeLib", LibraryIdText(library.Get()));
}

HRESULT TAutoObjectFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT TAutoObjectFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return GuardedCall([&] {
    ComPtr<IUnknown> created = class_.create();
    return created->QueryInterface(iid, object);
  });
}

HRESULT TAutoObjectFactory::LockServer(BOOL lock) {
  server_.Lock(lock != FALSE);
  return S_OK;
}

}  // namespace carvelo::com
