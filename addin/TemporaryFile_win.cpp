#include "TemporaryFile_win.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "Handle_win.h"
#include "HostError.h"

namespace carvelo::addin {

namespace {

std::wstring TemporaryFolder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) throw com::EHostError(HRESULT_FROM_WIN32(GetLastError()), "GetTempPath");
  return std::wstring(folder, length);
}

}  // namespace

TTemporaryFile::TTemporaryFile(std::wstring_view extension) {
  const std::wstring folder = TemporaryFolder();
  const std::wstring stem = L"Carvelo-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  // A name taken by another file (or another add-in instance) is skipped.
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = folder + stem + std::to_wstring(GetTickCount() + attempt) + std::wstring(extension);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      path_ = std::move(path);
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  throw com::EHostError(HRESULT_FROM_WIN32(GetLastError()), "CreateFile in the temporary folder");
}

void TTemporaryFile::Write(std::span<const uint8_t> bytes) const {
  const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw com::EHostError(HRESULT_FROM_WIN32(GetLastError()), "CreateFile");
  const THandle owned(file);
  // In pieces: WriteFile takes at most 4 GB at once.
  for (size_t done = 0; done < bytes.size();) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written != piece)
      throw com::EHostError(HRESULT_FROM_WIN32(GetLastError()), "WriteFile to the temporary folder");
    done += piece;
  }
}

TTemporaryFile::~TTemporaryFile() { DeleteFileW(path_.c_str()); }

}  // namespace carvelo::addin
