// Where an output file goes and how it is replaced: a temporary file beside
// it, renamed over it once complete. The temporary file is removed on every
// failure and when SIGINT, SIGTERM or SIGHUP ends the program.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace carvelo {

// The file that writing Path replaces: Path itself or, when Path is a
// symbolic link, the link's final target (which need not exist yet), as
// other image tools write through links. Throws TImageError when that is a
// folder or a read-only file: the rename would otherwise replace it silently.
std::filesystem::path OutputTarget(const std::string& Path);

// Throws TImageError unless Path can be written: OutputTarget's checks, then
// a temporary file created in the target's folder and removed again.
void CheckOutputWritable(const std::string& Path);

// The temporary file that replaces Target once complete.
class TReplacement {
public:
  explicit TReplacement(const std::filesystem::path& Target);
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;
  // Removes the temporary file unless Commit succeeded.
  ~TReplacement();

  FILE* Stream() const { return FStream; }
  // Closes the temporary file and renames it over the target; throws
  // TImageError when the data could not be written.
  void Commit();

private:
  void Discard() noexcept;

  std::filesystem::path FTarget;
  std::filesystem::path FTemporary;
  FILE* FStream = nullptr;
  bool FPending = false;  // the temporary file exists
};

}  // namespace carvelo
