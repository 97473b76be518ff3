// Storage for the buffers' rows.
#include <cstdint>
#include <cstdlib>
#include <new>

#include "GML_type.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace carvelo {

#if defined(__linux__) && defined(MADV_HUGEPAGE)

namespace {

constexpr size_t Big_Page = size_t{2} << 20;

// A block of its own, starting on a big page, given big pages for the whole
// ones it holds. Mapped memory comes zeroed and goes back to the system when
// freed, so that freed maps leave no big pages behind in the heap.
TBlock Map_Block(size_t Bytes) {
  const size_t Length = (Bytes + 4095) / 4096 * 4096;
  void* Mapped = mmap(nullptr, Length + Big_Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Mapped == MAP_FAILED) throw std::bad_alloc();
  const auto Address = reinterpret_cast<uintptr_t>(Mapped);
  const uintptr_t Start = (Address + Big_Page - 1) / Big_Page * Big_Page;
  if (Start > Address) munmap(Mapped, Start - Address);
  const uintptr_t End = Address + Length + Big_Page;
  if (End > Start + Length) munmap(reinterpret_cast<void*>(Start + Length), End - (Start + Length));
  void* Block = reinterpret_cast<void*>(Start);
  madvise(Block, Bytes / Big_Page * Big_Page, MADV_HUGEPAGE);  // a hint: without it the block still works
  return TBlock(Block, TBlock_Free{Length});
}

}  // namespace

#endif

void TBlock_Free::operator()(void* Block) const noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (Mapped_Bytes > 0) {
    munmap(Block, Mapped_Bytes);
    return;
  }
#endif
  std::free(Block);
}

TBlock Allocate_Zeroed(size_t Bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (Bytes >= Big_Page) return Map_Block(Bytes);
#endif
  TBlock Block(std::calloc(Bytes > 0 ? Bytes : 1, 1));
  if (!Block) throw std::bad_alloc();
  return Block;
}

}  // namespace carvelo
