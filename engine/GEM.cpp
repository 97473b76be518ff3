// The grey picture and the edge-energy map.
#include "GEM.h"

#include <algorithm>
#include <cstdlib>

#include "GEM_energy.h"
#include "GEM_workers.h"

namespace carvelo {

namespace {

// The filter response on the 3 x 3 neighbourhood given as three rows
// (above, here, below) and three columns (l, c, r) into them.
inline int32_t Filter_Response(const uint8_t* Up, const uint8_t* Mid, const uint8_t* Down, int32_t l, int32_t c,
                               int32_t r, uint8_t Filter) {
  switch (Filter) {
    case Filter_Prewitt: {
      const int32_t Gx = Down[r] + Mid[r] + Up[r] - Up[l] - Mid[l] - Down[l];
      const int32_t Gy = Down[r] + Down[c] + Down[l] - Up[r] - Up[c] - Up[l];
      return std::abs(Gx) + std::abs(Gy);
    }
    case Filter_V1: {
      const int32_t Gx = Down[r] + Mid[r] + Up[r] - Up[l] - Mid[l] - Down[l];
      return std::abs(Gx);
    }
    case Filter_V_Square: {
      const int32_t Gx = Down[r] + Mid[r] + Up[r] - Up[l] - Mid[l] - Down[l];
      return Gx * Gx;
    }
    case Filter_Sobel: {
      const int32_t Gx = Down[r] + 2 * Mid[r] + Up[r] - Up[l] - 2 * Mid[l] - Down[l];
      const int32_t Gy = Down[r] + 2 * Down[c] + Down[l] - Up[r] - 2 * Up[c] - Up[l];
      return std::abs(Gx) + std::abs(Gy);
    }
    case Filter_Laplacian:
      return std::abs(Mid[r] + Mid[l] + Down[c] + Up[c] - 4 * Mid[c]);
    default:
      return 0;
  }
}

// Columns First..Last of row Y, all inside the picture's inner rows and
// columns, with one filter: the unchecked path without a test per pixel.
template <uint8_t Filter, typename Out>
void Inner_Energy(const GML_Gray& Gray, int32_t Y, int32_t First, int32_t Last, Out* Energy) {
  const uint8_t* Up = Gray.Row(Y - 1);
  const uint8_t* Mid = Gray.Row(Y);
  const uint8_t* Down = Gray.Row(Y + 1);
  for (int32_t x = First; x <= Last; ++x)
    Energy[x] = static_cast<Out>(Filter_Response(Up, Mid, Down, x - 1, x, x + 1, Filter));
}

}  // namespace

template <typename Out>
void Energy_Span(const GML_Gray& Gray, int32_t Y, int32_t First, int32_t Last, uint8_t Filter, Out* Energy) {
  const int32_t W = Gray.Width(), H = Gray.Height();
  const bool Inner_Row = Y > 0 && Y < H - 1;
  const int32_t Inner_First = Inner_Row ? std::max(First, 1) : Last + 1;
  const int32_t Inner_Last = Inner_Row ? std::min(Last, W - 2) : Last;
  if (Inner_First > Inner_Last) {
    for (int32_t x = First; x <= Last; ++x) Energy[x] = static_cast<Out>(TGEM::Pixel_Energy(Gray, x, Y, Filter));
    return;
  }
  for (int32_t x = First; x < Inner_First; ++x) Energy[x] = static_cast<Out>(TGEM::Pixel_Energy(Gray, x, Y, Filter));
  switch (Filter) {  // one loop per filter keeps the switch out of the loop
    case Filter_Prewitt:
      Inner_Energy<Filter_Prewitt>(Gray, Y, Inner_First, Inner_Last, Energy);
      break;
    case Filter_V1:
      Inner_Energy<Filter_V1>(Gray, Y, Inner_First, Inner_Last, Energy);
      break;
    case Filter_V_Square:
      Inner_Energy<Filter_V_Square>(Gray, Y, Inner_First, Inner_Last, Energy);
      break;
    case Filter_Sobel:
      Inner_Energy<Filter_Sobel>(Gray, Y, Inner_First, Inner_Last, Energy);
      break;
    case Filter_Laplacian:
      Inner_Energy<Filter_Laplacian>(Gray, Y, Inner_First, Inner_Last, Energy);
      break;
    default:
      std::fill(Energy + Inner_First, Energy + Inner_Last + 1, Out{0});
      break;
  }
  for (int32_t x = Inner_Last + 1; x <= Last; ++x) Energy[x] = static_cast<Out>(TGEM::Pixel_Energy(Gray, x, Y, Filter));
}

template <typename Out>
void Energy_Of_Rows(const uint8_t* Up, const uint8_t* Mid, const uint8_t* Down, int32_t Count, uint8_t Filter,
                    Out* Energy) {
  for (int32_t I = 0; I < Count; ++I) Energy[I] = static_cast<Out>(Filter_Response(Up, Mid, Down, I, I + 1, I + 2, Filter));
}

template void Energy_Of_Rows(const uint8_t*, const uint8_t*, const uint8_t*, int32_t, uint8_t, int32_t*);
template void Energy_Of_Rows(const uint8_t*, const uint8_t*, const uint8_t*, int32_t, uint8_t, uint16_t*);
template void Energy_Span(const GML_Gray&, int32_t, int32_t, int32_t, uint8_t, int32_t*);
template void Energy_Span(const GML_Gray&, int32_t, int32_t, int32_t, uint8_t, uint16_t*);

void TGEM::Grayscale_Image(const GML_Color& Source, GML_Gray& Gray) {
  const TCall Call(*this, "Grayscale_Image");
  const int32_t W = Source.Width();
  Call.Workers().Run_Rows(0, Source.Height(), 16, [&](TBand Band) {
    for (int32_t y = Band.First; y < Band.End; ++y) {
      const uint32_t* In = Source.Row(y);
      uint8_t* Out = Gray.Row(y);
      for (int32_t x = 0; x < W; ++x) Out[x] = Luminance(In[x]);
    }
  });
}

int32_t TGEM::Pixel_Energy(const GML_Gray& Gray, int32_t X, int32_t Y, uint8_t Filter) {
  const int32_t W = Gray.Width(), H = Gray.Height();
  if (X > 0 && X < W - 1 && Y > 0 && Y < H - 1)
    return Filter_Response(Gray.Row(Y - 1), Gray.Row(Y), Gray.Row(Y + 1), X - 1, X, X + 1, Filter);
  // Near a border: gather the clamped neighbourhood first.
  uint8_t Rows[3][3];
  for (int32_t dy = -1; dy <= 1; ++dy)
    for (int32_t dx = -1; dx <= 1; ++dx) Rows[dy + 1][dx + 1] = Gray.GetClamped(X + dx, Y + dy);
  return Filter_Response(Rows[0], Rows[1], Rows[2], 0, 1, 2, Filter);
}

void TGEM::Edge_Detect(const GML_Gray& Gray, GML_Int& Energy, uint8_t Filter) { Detect_Edges(Gray, Energy, Filter); }

template <typename Energy_Map>
void TGEM::Detect_Edges(const GML_Gray& Gray, Energy_Map& Energy, uint8_t Filter) {
  const TCall Call(*this, "Edge_Detect");
  if (Gray.Height() <= 0 || Gray.Width() <= 0) return;
  Call.Workers().Run_Rows(0, Gray.Height(), 8, [&](TBand Band) {
    for (int32_t y = Band.First; y < Band.End; ++y) Energy_Span(Gray, y, 0, Gray.Width() - 1, Filter, Energy.Row(y));
  });
}

template void TGEM::Detect_Edges(const GML_Gray&, GML_Int&, uint8_t);
template void TGEM::Detect_Edges(const GML_Gray&, GML_Word&, uint8_t);

}  // namespace carvelo
