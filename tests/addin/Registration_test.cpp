// Registration writes exactly the class, ProgID, type-library and Office
// keys, and unregistration leaves none of them.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cwctype>

#include "DllTestSupport.h"

using namespace carvelo::test;

namespace {

const GUID kLibId = {0xB6414E98, 0xAFE6, 0x4641, {0x8C, 0xE2, 0xD3, 0x56, 0xBD, 0xC3, 0x85, 0xEE}};
const std::wstring K = kClassKey;
const std::wstring P = kProgId;

std::vector<std::wstring> Lowered(std::vector<std::wstring> names) {
  for (auto& n : names) std::transform(n.begin(), n.end(), n.begin(), ::towlower);
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring LoadedDllFileName() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(GetModuleHandleW(L"CarveloPPT.dll"), path, MAX_PATH);
  return path;
}

bool TypeLibraryRegistered() {
  ITypeLib* library = nullptr;
  const HRESULT hr = LoadRegTypeLib(kLibId, 1, 0, 0, &library);
  if (library) library->Release();
  return SUCCEEDED(hr);
}

void WriteKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == 0)
    RegCloseKey(key);
}

std::wstring TempFolderWithBlank() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"Carvelo test folder";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

TEST(Registration, WritesTheClassKeysWithExactlyTheirValues) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, K), L"PPTAddin Object");
  EXPECT_EQ(Lowered(SubKeys(HKEY_CLASSES_ROOT, K)),
            (std::vector<std::wstring>{L"inprocserver32", L"progid", L"typelib", L"version"}));
  const auto server = Values(HKEY_CLASSES_ROOT, K + L"\\InprocServer32");
  ASSERT_EQ(server.size(), 2u);
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, K + L"\\InprocServer32"), LoadedDllFileName());
  const auto threading = std::find_if(server.begin(), server.end(), [](const TValue& v) { return !v.name.empty(); });
  ASSERT_NE(threading, server.end());
  EXPECT_EQ(threading->name, L"ThreadingModel");
  EXPECT_EQ(threading->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(threading->text, L"Apartment");
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, K + L"\\ProgID"), L"CarveloPPT.PPTAddin");
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, K + L"\\Version"), L"1.0");
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, K + L"\\TypeLib"), L"{B6414E98-AFE6-4641-8CE2-D356BDC385EE}");
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, P), L"PPTAddin Object");
  EXPECT_EQ(Lowered(SubKeys(HKEY_CLASSES_ROOT, P)), std::vector<std::wstring>{L"clsid"});
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, P + L"\\Clsid"), L"{9082CFD1-243B-4566-B7BE-BFE4957264EF}");
  EXPECT_TRUE(TypeLibraryRegistered());
}

TEST(Registration, TheCurrentUsersOfficeKeyHoldsExactlyTheThreeValues) {
  TRegisteredDll registered;
  ASSERT_EQ(registered.Status(), S_OK);
  auto values = Values(HKEY_CURRENT_USER, kOfficeKey);
  std::sort(values.begin(), values.end(), [](const TValue& a, const TValue& b) { return a.name < b.name; });
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].name, L"Description");
  EXPECT_EQ(values[0].type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(values[0].text, L"Carvelo AddIn for PowerPoint");
  EXPECT_EQ(values[1].name, L"FriendlyName");
  EXPECT_EQ(values[1].type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(values[1].text, L"Carvelo AddIn for PowerPoint");
  EXPECT_EQ(values[2].name, L"LoadBehavior");
  EXPECT_EQ(values[2].type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(values[2].number, 3u);
  EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER, kOfficeKey).empty());
}

TEST(Registration, UnregistrationLeavesNoneOfTheKeys) {
  TAddinDll dll;
  ASSERT_EQ(dll.Register(), S_OK);
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, K));
  ASSERT_EQ(dll.Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, K));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, P));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOfficeKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kInterfaceKey));
  EXPECT_FALSE(TypeLibraryRegistered());
}

TEST(Registration, RegisteringTwiceGivesTheSameKeysAndOneUnregistrationRemovesThem) {
  TAddinDll dll;
  ASSERT_EQ(dll.Register(), S_OK);
  ASSERT_EQ(dll.Register(), S_OK);
  EXPECT_EQ(Values(HKEY_CURRENT_USER, kOfficeKey).size(), 3u);
  ASSERT_EQ(dll.Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, K));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOfficeKey));
}

TEST(Registration, AFileNameWithABlankIsRegisteredInItsShortForm) {
  const std::wstring folder = TempFolderWithBlank();
  const std::wstring copy = folder + L"\\CarveloPPT.dll";
  ASSERT_TRUE(CopyFileW(CARVELO_ADDIN_DLL, copy.c_str(), FALSE));
  {
    TAddinDll dll(copy);
    ASSERT_TRUE(dll);
    ASSERT_EQ(dll.Register(), S_OK);
    const std::wstring registered = DefaultValue(HKEY_CLASSES_ROOT, K + L"\\InprocServer32");
    wchar_t shortPath[MAX_PATH];
    ASSERT_NE(GetShortPathNameW(copy.c_str(), shortPath, MAX_PATH), 0u);
    EXPECT_EQ(registered, shortPath);
    EXPECT_EQ(registered.find(L' '), std::wstring::npos) << "registered: " << std::string(registered.begin(), registered.end());
    EXPECT_EQ(dll.Unregister(), S_OK);
  }
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

// The type library's key already gone (removed by hand, or by an earlier
// unregistration that stopped half-way): the class and Office keys still go.
TEST(Registration, UnregistrationAfterAPartialRemovalRemovesEverything) {
  TAddinDll dll;
  ASSERT_EQ(dll.Register(), S_OK);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, kTypeLibKey), ERROR_SUCCESS);
  EXPECT_EQ(dll.Unregister(), S_OK);
  for (auto [root, key] : {std::pair{HKEY_CLASSES_ROOT, K}, {HKEY_CLASSES_ROOT, P}, {HKEY_CURRENT_USER, std::wstring(kOfficeKey)}})
    EXPECT_FALSE(KeyExists(root, key)) << std::string(key.begin(), key.end());
}

TEST(Registration, UnregistrationGoesOnPastAFailureAndReportsIt) {
  TAddinDll dll;
  ASSERT_EQ(dll.Register(), S_OK);
  WriteKey(K + L"\\Foreign");  // someone else's subkey: the class key cannot go
  EXPECT_TRUE(FAILED(dll.Unregister()));
  EXPECT_EQ(SubKeys(HKEY_CLASSES_ROOT, K), std::vector<std::wstring>{L"Foreign"});
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, P));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOfficeKey));
  EXPECT_FALSE(TypeLibraryRegistered());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, K.c_str());
}

TEST(Registration, AFailedRegistrationTakesBackWhatItWroteAndAnswersTheError) {
  // A volatile ProgID key that was there before: its Clsid subkey cannot be
  // written, half-way through.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, P.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr,
                            &volatileKey, nullptr), ERROR_SUCCESS);
  RegCloseKey(volatileKey);
  TAddinDll dll;
  EXPECT_EQ(dll.Register(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, K));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOfficeKey));
  EXPECT_FALSE(TypeLibraryRegistered());
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, P));  // not this registration's to remove
  RegDeleteTreeW(HKEY_CLASSES_ROOT, P.c_str());
}
