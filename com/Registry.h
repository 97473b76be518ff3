// Registry keys held open for one scope, and the few writes and deletes that
// registration needs. Every failure raises EHostError naming the key and
// carrying the system's own error (access denied, say).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "HostError.h"

namespace carvelo::com {

class TRegKey {
 public:
  TRegKey() noexcept = default;
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  TRegKey(TRegKey&& other) noexcept;
  TRegKey& operator=(TRegKey&& other) noexcept;
  ~TRegKey();

  // Opens `path` under `root`, creating it when missing.
  static TRegKey Create(HKEY root, const std::wstring& path);
  // Opens `path` for reading; an empty key when it does not exist.
  static TRegKey OpenForReading(HKEY root, const std::wstring& path);

  HKEY Get() const noexcept { return key_; }
  explicit operator bool() const noexcept { return key_ != nullptr; }

  void SetString(const wchar_t* name, const std::wstring& value) const;  // null name: the default value
  void SetDword(const wchar_t* name, DWORD value) const;

 private:
  explicit TRegKey(HKEY key) noexcept : key_(key) {}
  HKEY key_ = nullptr;
};

// Creates `path` under `root` with `value` as its default value.
void WriteKeyDefault(HKEY root, const std::wstring& path, const std::wstring& value);
// Deletes the key `path` (which must have no subkeys); a missing key is fine.
void DeleteKey(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
// The braced text form of a GUID as keys name it, "{9082CFD1-243B-...}".
std::wstring GuidText(const GUID& guid);

// A key that registration writes.
struct TRegistryKeyPath {
  HKEY root;
  std::wstring path;
};

// Runs every step even when an earlier one failed, so that an unregistration
// removes all it can; Rethrow raises the first failure.
class TFirstFailure {
 public:
  template <class Step>
  void Run(Step&& step) {
    try {
      step();
    } catch (const EHostError& e) {
      if (!first_) first_ = e;
    }
  }
  void Rethrow() const {
    if (first_) throw *first_;
  }

 private:
  std::optional<EHostError> first_;
};

}  // namespace carvelo::com
