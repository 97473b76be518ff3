// Saturating 32-bit arithmetic for seam costs and weights.
//
// A cost that would leave the 32-bit range sticks at the limit instead of
// wrapping, so a long seam through protected pixels can never turn negative
// and look cheapest. Wherever no sum leaves the range the result is that of
// plain 32-bit arithmetic.
#pragma once

#include <cstdint>
#include <limits>

namespace carvelo {

// Clamps a sum formed in 64 bits, where nothing can overflow.
inline int32_t Saturate(int64_t Value) {
  constexpr int64_t Lowest = std::numeric_limits<int32_t>::min();
  constexpr int64_t Highest = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(Value < Lowest ? Lowest : (Value > Highest ? Highest : Value));
}

// A + B clamped to the 32-bit range, in 32-bit operations only so that loops
// over whole rows vectorise: the sum wraps in unsigned arithmetic, and it
// overflowed exactly when A and B share a sign that the sum lacks.
inline int32_t Add_Saturated(int32_t A, int32_t B) {
  const uint32_t Sum = static_cast<uint32_t>(A) + static_cast<uint32_t>(B);
  const bool Overflow = ((static_cast<uint32_t>(A) ^ Sum) & (static_cast<uint32_t>(B) ^ Sum)) >> 31;
  const int32_t Limit = (A >> 31) ^ std::numeric_limits<int32_t>::max();  // MAX for A >= 0, MIN below
  return Overflow ? Limit : static_cast<int32_t>(Sum);
}

}  // namespace carvelo
