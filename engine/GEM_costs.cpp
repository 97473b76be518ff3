// The search's row loop, four cells at a time with SSE2.
//
// The plain cells add in 64 bits and saturate once. Four 32-bit lanes give
// the very same values wherever no partial sum can leave the 32-bit range:
// energies of 0 up to 2^28 (every filter stays far below; 16-bit ones
// always) and costs above of less than 2^30. Then each candidate cost is exact, so is their least, and
// adding the weight with saturation is the plain cell's Saturate. Groups of
// four that fall outside (costs near saturation, energies from elsewhere)
// take the plain cells.
#include "GEM_costs.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CARVELO_SSE2 1
#endif

namespace carvelo {

#ifdef CARVELO_SSE2

namespace {

inline __m128i Load(const int32_t* At) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(At)); }

inline __m128i Abs(__m128i V) {
  const __m128i Sign = _mm_srai_epi32(V, 31);
  return _mm_sub_epi32(_mm_xor_si128(V, Sign), Sign);
}

inline __m128i Min(__m128i A, __m128i B) {
  const __m128i A_Greater = _mm_cmpgt_epi32(A, B);
  return _mm_xor_si128(A, _mm_and_si128(_mm_xor_si128(A, B), A_Greater));
}

// Add_Saturated lane by lane.
inline __m128i Add_Saturated(__m128i A, __m128i B) {
  const __m128i Sum = _mm_add_epi32(A, B);
  const __m128i Overflow = _mm_srai_epi32(_mm_and_si128(_mm_xor_si128(A, Sum), _mm_xor_si128(B, Sum)), 31);
  const __m128i Limit = _mm_xor_si128(_mm_srai_epi32(A, 31), _mm_set1_epi32(0x7FFFFFFF));
  return _mm_xor_si128(Sum, _mm_and_si128(_mm_xor_si128(Sum, Limit), Overflow));
}

// Four 16-bit energies widened to 32 bits.
inline __m128i Load(const uint16_t* At) {
  return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(At)), _mm_setzero_si128());
}

// True when the energies (several or'ed together) lie in 0..2^28-1 in every
// lane and so do the three costs above below 2^30. Energies of 16 bits
// always do.
template <typename Energy>
inline bool In_Exact_Range(__m128i Energies, __m128i Up_Left, __m128i Up, __m128i Up_Right) {
  const __m128i Limit = _mm_set1_epi32((1 << 30) - 1);
  __m128i Out = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi32(Up_Left, Limit), _mm_cmpgt_epi32(Up, Limit)),
                             _mm_cmpgt_epi32(Up_Right, Limit));
  if constexpr (sizeof(Energy) > 2)
    Out = _mm_or_si128(Out, _mm_and_si128(Energies, _mm_set1_epi32(static_cast<int32_t>(0xF0000000u))));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(Out, _mm_setzero_si128())) == 0xFFFF;
}

}  // namespace

template <bool Forward, typename Energy>
void Inner_Span(const TCost_Rows<Energy>& R, int32_t First, int32_t Last) {
  int32_t X = First;
  for (; X + 3 <= Last; X += 4) {
    const __m128i Up_Left = Load(R.MUp + X - 1), Up = Load(R.MUp + X), Up_Right = Load(R.MUp + X + 1);
    __m128i Result;
    if constexpr (Forward) {
      const __m128i Left = Load(R.E + X - 1), Right = Load(R.E + X + 1), Above = Load(R.EUp + X);
      if (!In_Exact_Range<Energy>(_mm_or_si128(_mm_or_si128(Left, Right), Above), Up_Left, Up, Up_Right)) {
        Inner_Span_Plain<Forward>(R, X, X + 3);
        continue;
      }
      const __m128i Cost_Up = Abs(_mm_sub_epi32(Right, Left));
      const __m128i Cost_Left = _mm_add_epi32(Cost_Up, Abs(_mm_sub_epi32(Above, Left)));
      const __m128i Cost_Right = _mm_add_epi32(Cost_Up, Abs(_mm_sub_epi32(Above, Right)));
      const __m128i Best = Min(Min(_mm_add_epi32(Up_Left, Cost_Left), _mm_add_epi32(Up, Cost_Up)),
                               _mm_add_epi32(Up_Right, Cost_Right));
      Result = Add_Saturated(Best, Load(R.W + X));
    } else {
      const __m128i Here = Load(R.E + X);
      if (!In_Exact_Range<Energy>(Here, Up_Left, Up, Up_Right)) {
        Inner_Span_Plain<Forward>(R, X, X + 3);
        continue;
      }
      const __m128i Best = Min(Min(Up_Left, Up), Up_Right);
      Result = Add_Saturated(_mm_add_epi32(Best, Here), Load(R.W + X));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(R.M + X), Result);
  }
  Inner_Span_Plain<Forward>(R, X, Last);
}

#else

template <bool Forward, typename Energy>
void Inner_Span(const TCost_Rows<Energy>& R, int32_t First, int32_t Last) {
  Inner_Span_Plain<Forward>(R, First, Last);
}

#endif

template void Inner_Span<true>(const TCost_Rows<int32_t>&, int32_t, int32_t);
template void Inner_Span<false>(const TCost_Rows<int32_t>&, int32_t, int32_t);
template void Inner_Span<true>(const TCost_Rows<uint16_t>&, int32_t, int32_t);
template void Inner_Span<false>(const TCost_Rows<uint16_t>&, int32_t, int32_t);

}  // namespace carvelo
