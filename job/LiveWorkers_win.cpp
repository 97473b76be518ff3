#include "LiveWorkers_win.h"

#include <mutex>
#include <vector>

#include "Handle_win.h"

namespace carvelo {

namespace {

THandle Duplicate(HANDLE h) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0)) return {};
  return THandle(copy);
}

bool Ended(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// The worker threads of the process that have not ended yet, by a handle of
// their own, so that a thread counts until it has really gone.
class TLiveWorkers {
 public:
  void Add(HANDLE thread) {
    THandle copy = Duplicate(thread);
    std::lock_guard lock(FLock);
    if (copy) FThreads.push_back(std::move(copy));
  }

  size_t Count() {
    std::lock_guard lock(FLock);
    Prune();
    return FThreads.size();
  }

  bool WaitAll(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      THandle next;
      {
        std::lock_guard lock(FLock);
        Prune();
        if (FThreads.empty()) return true;
        next = Duplicate(FThreads.front().Get());
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !next) return false;
      WaitForSingleObject(next.Get(), static_cast<DWORD>(left.count()));
    }
  }

 private:
  void Prune() { std::erase_if(FThreads, [](const THandle& h) { return Ended(h.Get()); }); }

  std::mutex FLock;
  std::vector<THandle> FThreads;
};

TLiveWorkers& LiveWorkers() {
  static TLiveWorkers workers;
  return workers;
}

}  // namespace

void AddLiveWorker(HANDLE thread) { LiveWorkers().Add(thread); }

size_t LiveWorkerCount() { return LiveWorkers().Count(); }

bool WaitForLiveWorkers(std::chrono::milliseconds timeout) { return LiveWorkers().WaitAll(timeout); }

}  // namespace carvelo
