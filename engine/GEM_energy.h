// The filter response over a span of one row, shared by the full energy map
// and the repairs beside each seam.
#pragma once

#include <cstdint>

#include "GEM.h"

namespace carvelo {

// Every filter but "V_SQUARE" answers at most 2040 (GEM.h), which a 16-bit
// energy map holds; "V_SQUARE" goes up to 585225 and keeps 32 bits.
constexpr bool Energy_Fits_16_Bits(uint8_t Filter) { return Filter != Filter_V_Square; }

// Energy[C] := the response of Filter at (C, Y) of Gray for C in
// First..Last: clamped reads at the picture's borders, the unchecked path
// wherever the whole neighbourhood is inside.
template <typename Out>
void Energy_Span(const GML_Gray& Gray, int32_t Y, int32_t First, int32_t Last, uint8_t Filter, Out* Energy);

// Energy[I] := the response of Filter at column I + 1 of three gathered rows
// (above, here, below) of Count + 2 grey values, for I in 0..Count-1.
template <typename Out>
void Energy_Of_Rows(const uint8_t* Up, const uint8_t* Mid, const uint8_t* Down, int32_t Count, uint8_t Filter,
                    Out* Energy);

}  // namespace carvelo
