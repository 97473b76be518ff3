#include "Registry.h"

#include <objbase.h>

#include <utility>

#include "Dispatch.h"
#include "HostError.h"

namespace carvelo::com {

namespace {
void CheckRegistry(LSTATUS status, const std::string& what) {
  if (status != ERROR_SUCCESS) throw EHostError(HRESULT_FROM_WIN32(status), what);
}
}  // namespace

TRegKey::TRegKey(TRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

TRegKey& TRegKey::operator=(TRegKey&& other) noexcept {
  if (this != &other) {
    if (key_) RegCloseKey(key_);
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

TRegKey::~TRegKey() {
  if (key_) RegCloseKey(key_);
}

TRegKey TRegKey::Create(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  CheckRegistry(RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                nullptr, &key, nullptr),
                "creating registry key " + Narrow(path));
  return TRegKey(key);
}

TRegKey TRegKey::OpenForReading(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return TRegKey();
  return TRegKey(key);
}

void TRegKey::SetString(const wchar_t* name, const std::wstring& value) const {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  CheckRegistry(RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes),
                "writing registry value " + Narrow(name ? name : L"(default)"));
}

void TRegKey::SetDword(const wchar_t* name, DWORD value) const {
  CheckRegistry(RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
                "writing registry value " + Narrow(name));
}

void WriteKeyDefault(HKEY root, const std::wstring& path, const std::wstring& value) {
  TRegKey::Create(root, path).SetString(nullptr, value);
}

void DeleteKey(HKEY root, const std::wstring& path) {
  const LSTATUS status = RegDeleteKeyW(root, path.c_str());
  if (status != ERROR_FILE_NOT_FOUND) CheckRegistry(status, "deleting registry key " + Narrow(path));
}

bool KeyExists(HKEY root, const std::wstring& path) {
  return static_cast<bool>(TRegKey::OpenForReading(root, path));
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace carvelo::com
