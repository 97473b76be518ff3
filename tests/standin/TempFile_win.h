// A file name in the temporary folder, for tests that write files.
#pragma once

#include <windows.h>

#include <string>

namespace carvelo::test {

// The path of NAME in the temporary folder; a file left there by an earlier
// run is removed first.
inline std::wstring TempFile(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  DeleteFileW(path.c_str());
  return path;
}

}  // namespace carvelo::test
