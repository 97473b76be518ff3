// Moving the elements of a row, the inner loop of every seam step.
//
// Programs built with MinGW call msvcrt's memmove, which moves 16 bytes a
// step. A seam's row moves are bound by that step: under Wine's msvcrt rows
// moved 8 to 9 GB/s, where 32-byte steps moved 12 to 13 GB/s on the same
// machine. So those builds move rows 32 bytes a step wherever the processor
// has AVX2. Other C libraries choose their widest step themselves (glibc's
// 64-byte one beats the loop here), and their memmove is used as it is.
#include <cstdint>
#include <cstring>

#include "GML_type.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define CARVELO_WIDE_MOVE 1
#endif

namespace carvelo {

#ifdef CARVELO_WIDE_MOVE

namespace {

constexpr size_t Step = 64;

__attribute__((target("avx2"))) inline __m256i Load(const uint8_t* At) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(At));
}
__attribute__((target("avx2"))) inline void Store(uint8_t* At, __m256i Bytes) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(At), Bytes);
}

// Count >= Step. Each step loads its bytes before it stores any, and moves
// away from the bytes still to be read: to the right when the move is to
// the left, and the other way round. The last Step bytes (a move to the
// left) or the first (to the right) are read before the loop and stored
// after it, which covers the end that whole steps leave over.
__attribute__((target("avx2"))) void Move_32(uint8_t* Dst, const uint8_t* Src, size_t Count) {
  if (Dst < Src) {
    const __m256i Tail_Low = Load(Src + Count - Step), Tail_High = Load(Src + Count - Step / 2);
    for (size_t At = 0; At + Step <= Count; At += Step) {
      const __m256i Low = Load(Src + At), High = Load(Src + At + Step / 2);
      Store(Dst + At, Low);
      Store(Dst + At + Step / 2, High);
    }
    Store(Dst + Count - Step, Tail_Low);
    Store(Dst + Count - Step / 2, Tail_High);
  } else {
    const __m256i Head_Low = Load(Src), Head_High = Load(Src + Step / 2);
    for (size_t End = Count; End >= Step; End -= Step) {
      const __m256i Low = Load(Src + End - Step), High = Load(Src + End - Step / 2);
      Store(Dst + End - Step / 2, High);
      Store(Dst + End - Step, Low);
    }
    Store(Dst, Head_Low);
    Store(Dst + Step / 2, Head_High);
  }
}

bool Has_Avx2() {
  static const bool Has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return Has;
}

}  // namespace

bool Move_Bytes_32(void* Dst, const void* Src, size_t Count) {
  if (Count < Step || !Has_Avx2()) return false;
  Move_32(static_cast<uint8_t*>(Dst), static_cast<const uint8_t*>(Src), Count);
  return true;
}

#else

bool Move_Bytes_32(void*, const void*, size_t) { return false; }

#endif

void Move_Bytes(void* Dst, const void* Src, size_t Count) {
#if defined(__MINGW32__)
  if (Move_Bytes_32(Dst, Src, Count)) return;
#endif
  std::memmove(Dst, Src, Count);
}

}  // namespace carvelo
