// The cost recurrence of the seam search, cell by cell: shared by the search
// and the tests that hold its fast row loop against the plain one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "GML_type.h"
#include "GEM_arith.h"

namespace carvelo {

// The rows that one step of the recurrence reads and writes. Energies are
// 32-bit, or 16-bit for the filters whose responses fit (GEM_energy.h).
template <typename Energy>
struct TCost_Rows {
  const Energy* E;     // energy, this row
  const Energy* EUp;   // energy, the row above
  const int32_t* W;    // weights, this row
  const int32_t* MUp;  // cumulative cost, the row above
  int32_t* M;          // cumulative cost, this row
  int32_t Width;
};
using TCostRows = TCost_Rows<int32_t>;

// Where the search reads its weights: a map, or, for a map all of zeros,
// one row of zeros standing for every row (which then never leaves the
// cache).
struct TWeight_Rows {
  const GML_Int* Map;
  const int32_t* Zeros;
  const int32_t* Row(int32_t Y) const { return Map ? Map->Row(Y) : Zeros; }
};

class TRow_Progress;

// What a search running behind a seam step waits for before each row: the
// step's progress and, in an enlargement with weights, the row of the
// summed weights and penalties it then adds up itself.
struct TRows_Ready {
  const TRow_Progress* Step;
  const GML_Int* Weights = nullptr;
  const GML_Int* Penalty = nullptr;
  GML_Int* Summed = nullptr;
};

template <typename Energy_Map>
inline TCost_Rows<typename Energy_Map::Element> Rows_Of(const Energy_Map& E, const TWeight_Rows& W, GML_Int& M,
                                                       int32_t Y) {
  return {E.Row(Y), E.Row(Y - 1), W.Row(Y), M.Row(Y - 1), M.Row(Y), E.Width()};
}

// First and last columns: the neighbours above that lie inside the picture
// (in a one-column picture only the one straight above), energy and weight.
template <typename Rows>
inline int32_t Border_Cost(const Rows& R, int32_t X) {
  int32_t Best = R.MUp[X];
  if (X > 0) Best = std::min(Best, R.MUp[X - 1]);
  if (X + 1 < R.Width) Best = std::min(Best, R.MUp[X + 1]);
  return Saturate(int64_t{Best} + R.E[X] + R.W[X]);
}

template <typename Rows>
inline int32_t Plain_Cost(const Rows& R, int32_t X) {
  const int32_t Best = std::min({R.MUp[X - 1], R.MUp[X], R.MUp[X + 1]});
  return Saturate(int64_t{Best} + R.E[X] + R.W[X]);
}

// Forward energy charges each step by the edges it creates between the
// pixels that become neighbours, which keeps seams off edges; the pixel's own
// energy is not added.
template <typename Rows>
inline int32_t Forward_Cost(const Rows& R, int32_t X) {
  const int64_t Left = R.E[X - 1], Right = R.E[X + 1], Up = R.EUp[X];
  const int64_t Cost_Up = std::abs(Right - Left);
  const int64_t Cost_Left = Cost_Up + std::abs(Up - Left);
  const int64_t Cost_Right = Cost_Up + std::abs(Up - Right);
  const int64_t Best = std::min({R.MUp[X - 1] + Cost_Left, R.MUp[X] + Cost_Up, R.MUp[X + 1] + Cost_Right});
  return Saturate(Best + R.W[X]);
}

template <bool Forward, typename Rows>
inline int32_t Inner_Cost(const Rows& R, int32_t X) {
  return Forward ? Forward_Cost(R, X) : Plain_Cost(R, X);
}

template <bool Forward, typename Rows>
inline int32_t Cost_At(const Rows& R, int32_t X) {
  return (X == 0 || X == R.Width - 1) ? Border_Cost(R, X) : Inner_Cost<Forward>(R, X);
}

// Row 0 has nothing above: energy and weight alone.
template <typename Energy_Map>
inline void Compute_Top_Row(const Energy_Map& E, const TWeight_Rows& W, GML_Int& M, int32_t First, int32_t Last) {
  const auto* En = E.Row(0);
  const int32_t* We = W.Row(0);
  int32_t* Out = M.Row(0);
  for (int32_t X = First; X <= Last; ++X) Out[X] = Add_Saturated(En[X], We[X]);
}

// Inner columns First..Last (all inside 1..Width-2), one at a time: the
// plain version of Inner_Span.
template <bool Forward, typename Rows>
void Inner_Span_Plain(const Rows& R, int32_t First, int32_t Last) {
  for (int32_t X = First; X <= Last; ++X) R.M[X] = Inner_Cost<Forward>(R, X);
}

// Inner columns First..Last, four at a time where the processor can.
template <bool Forward, typename Energy>
void Inner_Span(const TCost_Rows<Energy>& R, int32_t First, int32_t Last);

// Computes and writes columns First..Last; the border columns apart so that
// the inner loop has no tests.
template <bool Forward, typename Rows>
void Compute_Span(const Rows& R, int32_t First, int32_t Last) {
  int32_t X = First;
  if (X > Last) return;
  if (X == 0) R.M[X++] = Border_Cost(R, 0);
  const int32_t Inner_Last = std::min(Last, R.Width - 2);
  if (X <= Inner_Last) Inner_Span<Forward>(R, X, Inner_Last);
  X = std::max(X, Inner_Last + 1);
  if (X <= Last) R.M[X] = Border_Cost(R, X);
}

}  // namespace carvelo
