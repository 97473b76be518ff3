#include "OutputFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>

#include "ImageError.h"

namespace carvelo {

namespace fs = std::filesystem;

namespace {

// A signal handler can reach nothing but globals: the temporary file being
// written, for the handlers of the signals that end the program. Only
// async-signal-safe calls touch them in the handler.
char PendingPath[PATH_MAX];
volatile std::sig_atomic_t PendingSet = 0;

constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemovePendingAndEnd(int Signal) {
  if (PendingSet) ::unlink(PendingPath);
  ::raise(Signal);  // the action is the default again (SA_RESETHAND): end as the signal says
}

// Once per process; a signal the program was told to ignore stays ignored.
void InstallHandlers() {
  static std::once_flag Installed;
  std::call_once(Installed, [] {
    for (int Signal : EndingSignals) {
      struct sigaction Old = {};
      if (::sigaction(Signal, nullptr, &Old) != 0 || Old.sa_handler == SIG_IGN) continue;
      struct sigaction Action = {};
      Action.sa_handler = RemovePendingAndEnd;
      Action.sa_flags = SA_RESETHAND;
      sigemptyset(&Action.sa_mask);
      ::sigaction(Signal, &Action, nullptr);
    }
  });
}

// Holds the ending signals back for one scope, so that a file and its
// registration for the handlers change together.
class TSignalsHeld {
public:
  TSignalsHeld() {
    sigset_t Set;
    sigemptyset(&Set);
    for (int Signal : EndingSignals) sigaddset(&Set, Signal);
    pthread_sigmask(SIG_BLOCK, &Set, &FOld);
  }
  TSignalsHeld(const TSignalsHeld&) = delete;
  TSignalsHeld& operator=(const TSignalsHeld&) = delete;
  ~TSignalsHeld() { pthread_sigmask(SIG_SETMASK, &FOld, nullptr); }

private:
  sigset_t FOld;
};

TImageError SystemError(int Code) { return TImageError(std::strerror(Code)); }

bool IsReadOnly(const fs::path& File, const fs::file_status& Status) {
  // No write bit at all counts even for root, as other tools warn then too.
  using fs::perms;
  const perms Write = perms::owner_write | perms::group_write | perms::others_write;
  return (Status.permissions() & Write) == perms::none || ::access(File.c_str(), W_OK) != 0;
}

}  // namespace

fs::path OutputTarget(const std::string& Path) {
  constexpr int MaxLinks = 40;  // as the kernel allows
  fs::path Target = Path;
  std::error_code Error;
  for (int Links = 0; fs::is_symlink(fs::symlink_status(Target, Error)); ++Links) {
    if (Links == MaxLinks) throw SystemError(ELOOP);
    const fs::path Next = fs::read_symlink(Target, Error);
    if (Error) throw TImageError(Error.message());
    Target = Next.is_absolute() ? Next : Target.parent_path() / Next;
  }
  const fs::file_status Status = fs::status(Target, Error);
  if (fs::is_directory(Status)) throw TImageError("it is a folder");
  if (fs::exists(Status) && IsReadOnly(Target, Status)) throw TImageError("the file is read-only");
  return Target;
}

void CheckOutputWritable(const std::string& Path) { TReplacement Probe(OutputTarget(Path)); }

TReplacement::TReplacement(const fs::path& Target) : FTarget(Target) {
  InstallHandlers();
  const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : ".";
  // A short name, whatever the target's length.
  const std::string Stem = ".carvelo-" + std::to_string(::getpid()) + "-";
  int Descriptor = -1;
  {
    const TSignalsHeld Held;
    for (int Attempt = 0; Attempt < 100 && Descriptor < 0; ++Attempt) {
      FTemporary = Folder / (Stem + std::to_string(Attempt) + ".tmp");
      Descriptor = ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (Descriptor < 0 && errno != EEXIST) break;
    }
    if (Descriptor < 0) throw SystemError(errno);
    FPending = true;
    const std::string& Text = FTemporary.native();
    if (Text.size() < sizeof PendingPath) {
      std::memcpy(PendingPath, Text.c_str(), Text.size() + 1);
      PendingSet = 1;
    }
  }
  // The replacement keeps the permissions of the file it replaces.
  struct stat Existing;
  if (::stat(Target.c_str(), &Existing) == 0) ::fchmod(Descriptor, Existing.st_mode & 07777);
  FStream = ::fdopen(Descriptor, "wb");
  if (!FStream) {
    const int Code = errno;
    ::close(Descriptor);
    Discard();
    throw SystemError(Code);
  }
}

TReplacement::~TReplacement() {
  if (FStream) std::fclose(FStream);
  Discard();
}

void TReplacement::Discard() noexcept {
  if (!FPending) return;
  const TSignalsHeld Held;
  ::unlink(FTemporary.c_str());
  PendingSet = 0;
  FPending = false;
}

void TReplacement::Commit() {
  const bool Failed = std::ferror(FStream) != 0;
  FILE* Stream = FStream;
  FStream = nullptr;
  errno = 0;
  if (std::fclose(Stream) != 0 || Failed) throw SystemError(errno ? errno : EIO);
  const TSignalsHeld Held;
  if (std::rename(FTemporary.c_str(), FTarget.c_str()) != 0) throw SystemError(errno);
  PendingSet = 0;
  FPending = false;
}

}  // namespace carvelo
