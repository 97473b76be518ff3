#include "ComObject.h"

namespace carvelo::com {

namespace {
std::atomic<long>& LiveObjects() noexcept {
  static std::atomic<long> count{0};
  return count;
}
}  // namespace

long LiveObjectCount() noexcept { return LiveObjects(); }

TLiveObject::TLiveObject() noexcept { ++LiveObjects(); }

TLiveObject::~TLiveObject() { --LiveObjects(); }

}  // namespace carvelo::com
