// The DLL as COM reaches it: its exports, class object, object and lock
// counts, and the add-in object's interfaces and type information.
#include <gtest/gtest.h>

#include <windows.h>
#include <unknwn.h>

#include "ComPtr.h"
#include "DllTestSupport.h"
#include "OfficeAddInInterface.h"

using namespace carvelo;
using namespace carvelo::test;
using com::ComPtr;

namespace {
const IID kIID_IPPTAddin = {0x7677A494, 0xE8D1, 0x4F1E, {0xA4, 0x58, 0x03, 0xC6, 0x4C, 0x4F, 0x86, 0x81}};
}

TEST(AddinDll, ExportsTheFourEntryPointsUndecorated) {
  TAddinDll dll;
  ASSERT_TRUE(dll);
  for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
    EXPECT_NE(dll.Export(name), nullptr) << name;
  EXPECT_EQ(dll.Export("DllRegisterServer@0"), nullptr);
}

TEST(AddinDll, AnUnknownClassIdGivesClassNotAvailableAndANullObject) {
  TAddinDll dll;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(dll.GetClassObject(IID_IDispatch, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
}

TEST(AddinDll, TheClassObjectAnswersOnlyTheFactoryInterfaces) {
  TAddinDll dll;
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(dll.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_TRUE(factory);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(dll.GetClassObject(kClassId, IID_IUnknown, unknown.PutVoid()), S_OK);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(dll.GetClassObject(kClassId, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(unknown.Get(), IID_IUnknown, aggregated.PutVoid()), CLASS_E_NOAGGREGATION);
}

TEST(AddinDll, CanUnloadNowFollowsTheObjectAndLockCounts) {
  TAddinDll dll;
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  ComPtr<IUnknown> first, second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, first.PutVoid()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, second.PutVoid()), S_OK);
  EXPECT_NE(first.Get(), second.Get());  // a new object per request
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  first.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  second.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST(AddinDll, TheAddInObjectIsAnAutomationObjectWithTheConnectionInterface) {
  TAddinDll dll;
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  ComPtr<IDispatch> addIn;
  ASSERT_EQ(factory->CreateInstance(nullptr, kIID_IPPTAddin, addIn.PutVoid()), S_OK);
  ComPtr<host::IDTExtensibility2> extensibility;
  ASSERT_EQ(addIn->QueryInterface(host::IID_IDTExtensibility2, extensibility.PutVoid()), S_OK);
  EXPECT_TRUE(com::SameObject(addIn.Get(), extensibility.Get()));

  UINT count = 0;
  EXPECT_EQ(addIn->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(addIn->GetTypeInfo(0, 0, info.Put()), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"IPPTAddin");
  SysFreeString(name);
  wchar_t member[] = L"Anything";
  LPOLESTR names[] = {member};
  DISPID id = 0;
  EXPECT_EQ(addIn->GetIDsOfNames(IID_NULL, names, 1, 0x400, &id), DISP_E_UNKNOWNNAME);
}

TEST(AddinDll, TheEmbeddedTypeLibraryIsCarveloPPT10) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(CARVELO_ADDIN_DLL, REGKIND_NONE, library.Put()), S_OK);
  TLIBATTR* a = nullptr;
  ASSERT_EQ(library->GetLibAttr(&a), S_OK);
  EXPECT_EQ(a->wMajorVerNum, 1);
  EXPECT_EQ(a->wMinorVerNum, 0);
  const GUID libId = {0xB6414E98, 0xAFE6, 0x4641, {0x8C, 0xE2, 0xD3, 0x56, 0xBD, 0xC3, 0x85, 0xEE}};
  EXPECT_TRUE(IsEqualGUID(a->guid, libId));
  library->ReleaseTLibAttr(a);
  EXPECT_EQ(library->GetTypeInfoCount(), 2u);
  struct {
    const GUID& id;
    const wchar_t* name;
    const wchar_t* help;
  } entries[] = {{libId, L"CarveloPPT", L"CarveloPPT Library"},
                 {kIID_IPPTAddin, L"IPPTAddin", L"Dispatch interface for PPTAddin Object"},
                 {kClassId, L"PPTAddin", L"PPTAddin Object"}};
  for (const auto& e : entries) {
    BSTR name = nullptr, help = nullptr;
    if (&e.id == &libId) {
      ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    } else {
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(library->GetTypeInfoOfGuid(e.id, info.Put()), S_OK);
      ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    }
    EXPECT_STREQ(name, e.name);
    EXPECT_STREQ(help, e.help);
    SysFreeString(name);
    SysFreeString(help);
  }
}
