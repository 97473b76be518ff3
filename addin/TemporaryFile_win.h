// A file of our own in the user's temporary folder, removed when its owner
// goes, on every path.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace carvelo::addin {

class TTemporaryFile {
 public:
  // Creates a new empty file named "Carvelo-<unique><extension>" in the
  // temporary folder. Throws com::EHostError when none can be created.
  explicit TTemporaryFile(std::wstring_view extension);
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  const std::wstring& Path() const noexcept { return path_; }
  // Writes bytes as the file's whole content. Throws com::EHostError when
  // they cannot all be written (a full disk).
  void Write(std::span<const uint8_t> bytes) const;

 private:
  std::wstring path_;
};

}  // namespace carvelo::addin
