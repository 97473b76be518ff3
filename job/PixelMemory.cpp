// Heap-backed pixel memory of the portable build.
#include <vector>

#include "Bitmap.h"

namespace carvelo {

namespace {

class THeapPixelMemory final : public TPixelMemory {
public:
  explicit THeapPixelMemory(size_t Bytes) : FBytes(Bytes) {}
  uint8_t* Bits() override { return FBytes.data(); }

private:
  std::vector<uint8_t> FBytes;  // value-initialised: zero-filled
};

}  // namespace

std::unique_ptr<TPixelMemory> AllocatePixelMemory(const TBitmapLayout& Layout) {
  return std::make_unique<THeapPixelMemory>(Layout.ByteSize());
}

}  // namespace carvelo
