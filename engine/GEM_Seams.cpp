// Seam removal and insertion. Each edits the picture and shifts the maps row
// by row, and repairs the energy beside the seam, which reads the grey rows
// above and below and so waits until those rows are edited.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "GEM.h"
#include "GEM_arith.h"
#include "GEM_energy.h"
#include "GEM_workers.h"

namespace carvelo {

namespace {

template <typename Energy_Map>
struct Remove_Params {
  int32_t Old_Width;
  int32_t New_Width;
  GML_Color& Dest;
  const PAPixel& Path;
  GML_Int& W;
  Energy_Map& E;
  uint8_t Filter;
  GML_Gray& Gray;
  GML_Int& M;
  bool Move_Weights;
};

template <typename Energy_Map>
struct Add_Params {
  GML_Color& Dest;
  const PAPixel& Path;
  GML_Int& W;
  GML_Int& P;
  Energy_Map& E;
  GML_Int& M;
  uint8_t Filter;
  GML_Gray& Gray;
  int32_t Stretch;
  bool Move_Weights;
};

inline int32_t Seam_Column(const PAPixel& Path, int32_t Y) { return Path[static_cast<size_t>(Y)].X; }

// Every row is an array of its own, whose address the processor cannot
// guess; the seam says where a row a few rows on will be touched, so the
// step asks for those lines while it edits the row in hand.
constexpr int32_t Rows_Ahead = 4;

// Y lies in the band in hand, before End: the rows of other bands move
// meanwhile.
template <typename... Maps>
inline void Prefetch_At_Seam(const PAPixel& Path, int32_t Y, int32_t End, const Maps&... Rows) {
#if defined(__GNUC__)
  if (Y >= End) return;
  const int32_t X = Seam_Column(Path, Y);
  (__builtin_prefetch(Rows.Row(Y) + X), ...);
#else
  (void)Path, (void)Y, (void)End, ((void)Rows, ...);
#endif
}

// A kept neighbour takes half of the removed pixel, unless that pixel was
// marked for removal; its grey value follows its colour either way.
inline void Blend_Neighbour(uint32_t* Pixels, uint8_t* Gray, int32_t Neighbour, uint32_t Removed, bool Blend) {
  if (Blend) Pixels[Neighbour] = TGEM::Average_Color(Removed, Pixels[Neighbour]);
  Gray[Neighbour] = TGEM::Luminance(Pixels[Neighbour]);
}

template <typename Energy_Map>
void Remove_Pixels(const Remove_Params<Energy_Map>& R, int32_t Y, int32_t Band_End) {
  Prefetch_At_Seam(R.Path, Y + Rows_Ahead, Band_End, R.Dest, R.Gray, R.M, R.E);
  if (R.Move_Weights) Prefetch_At_Seam(R.Path, Y + Rows_Ahead, Band_End, R.W);
  const int32_t Width = R.Old_Width;
  const int32_t X = Seam_Column(R.Path, Y);
  uint32_t* Pixels = R.Dest.Row(Y);
  uint8_t* Gray = R.Gray.Row(Y);
  const bool Blend = !R.Move_Weights || R.W.Row(Y)[X] >= 0;  // zero weights are never negative
  if (X - 1 > 0) Blend_Neighbour(Pixels, Gray, X - 1, Pixels[X], Blend);  // column 0 is left alone
  if (X + 1 < Width) Blend_Neighbour(Pixels, Gray, X + 1, Pixels[X], Blend);
  R.Dest.RemoveAt(X, Y, Width);
  R.Gray.RemoveAt(X, Y, Width);
  if (R.Move_Weights) R.W.RemoveAt(X, Y, Width);
  if (X < R.M.Width()) R.M.RemoveAt(X, Y, R.M.Width());
}

// Runs before E's row closes over the seam, so a column c of the narrowed
// grey picture lands in E at c + 1 for the columns right of the seam.
template <typename Energy_Map>
void Repair_Energy_After_Removal(const Remove_Params<Energy_Map>& R, int32_t Y) {
  const int32_t New_Width = R.New_Width;
  const int32_t X = Seam_Column(R.Path, Y);
  auto* Energy = R.E.Row(Y);
  Energy_Span(R.Gray, Y, std::max(X - 3, 0), X - 1, R.Filter, Energy);
  Energy_Span(R.Gray, Y, X, std::min(X + 2, New_Width - 2), R.Filter, Energy + 1);
  R.E.RemoveAt(X, Y, R.E.Width());
}

template <typename Energy_Map>
void Insert_Pixels(const Add_Params<Energy_Map>& A, int32_t Y, int32_t Band_End) {
  Prefetch_At_Seam(A.Path, Y + Rows_Ahead, Band_End, A.Dest, A.P, A.Gray, A.M, A.E);
  if (A.Move_Weights) Prefetch_At_Seam(A.Path, Y + Rows_Ahead, Band_End, A.W);
  const int32_t Width = A.Dest.Width();
  const int32_t X = Seam_Column(A.Path, Y);
  A.Dest.InsertAt(X, Y, Width);
  A.P.InsertAt(X, Y, Width);
  A.Gray.InsertAt(X, Y, Width);
  A.M.InsertAt(X, Y, Width);
  // The new pixel at X sits between the left neighbour and the seam pixel,
  // now at X + 1; beside column 0 it copies the seam pixel.
  uint32_t* Pixels = A.Dest.Row(Y);
  Pixels[X] = TGEM::Average_Color(Pixels[X], A.Dest.GetClamped(X - 1, Y));
  if (A.Move_Weights) {  // zero weights stay zero where they are, their room cleared beforehand
    A.W.InsertAt(X, Y, Width);
    int32_t* Weights = A.W.Row(Y);
    Weights[X] = static_cast<int32_t>((int64_t{Weights[X]} + A.W.GetClamped(X - 1, Y)) / 2);
  }
  A.Gray.Row(Y)[X] = TGEM::Luminance(Pixels[X]);
  // Both copies carry the penalty, so later seams go elsewhere.
  int32_t* Penalty = A.P.Row(Y);
  Penalty[X] = A.Stretch;
  Penalty[X + 1] = Add_Saturated(Penalty[X + 1], A.Stretch);
}

template <typename Energy_Map>
void Repair_Energy_After_Insertion(const Add_Params<Energy_Map>& A, int32_t Y) {
  const int32_t Width = A.E.Width();
  const int32_t X = Seam_Column(A.Path, Y);
  A.E.InsertAt(X, Y, Width);
  Energy_Span(A.Gray, Y, std::max(X - 3, 0), std::min(X + 3, Width - 1), A.Filter, A.E.Row(Y));
}

// Rows of a seam step go to the helpers in bands of at least this many.
constexpr int32_t Seam_Band_Rows = 32;

// One step over all rows: Edit every row (told where its band ends), and
// Repair every row once the rows above and below it are edited, the row just
// above the one in hand as soon as that one is edited. A band repairs its own
// inner rows; the two rows beside a boundary between bands are repaired by
// whichever of the two bands finishes its edits second, so no band waits for
// another.
template <typename Edit, typename Repair>
void Edit_Then_Repair(TWorkers& Workers, int32_t Width, int32_t Height, const Edit& Edit_Row,
                      const Repair& Repair_Row) {
  constexpr int32_t Most_Parts = 64;
  const int32_t Parts = !Seam_Step_Shared(Width, Height) ? 1 : std::min(Workers.Parts_For(Height, Seam_Band_Rows), Most_Parts);  // bands of 2 rows or more
  std::array<std::atomic<int32_t>, Most_Parts> Edited{};  // per boundary: the bands beside it done editing
  Workers.Run(Parts, [&](int32_t Part) {
    const TBand Band = Band_Of(Part, Parts, 0, Height);
    const bool Above = Part > 0, Below = Part + 1 < Parts;
    const int32_t First_Own = Band.First + (Above ? 1 : 0);
    for (int32_t Y = Band.First; Y < Band.End; ++Y) {
      Edit_Row(Y, Band.End);
      if (Y - 1 >= First_Own) Repair_Row(Y - 1);
    }
    if (!Below && Band.End - 1 >= First_Own) Repair_Row(Band.End - 1);
    if (Above && Edited[static_cast<size_t>(Part - 1)].fetch_add(1) == 1) {
      Repair_Row(Band.First - 1);
      Repair_Row(Band.First);
    }
    if (Below && Edited[static_cast<size_t>(Part)].fetch_add(1) == 1) {
      Repair_Row(Band.End - 1);
      Repair_Row(Band.End);
    }
  });
}

}  // namespace

void TGEM::Remove_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& M,
                       uint8_t Filter) {
  const TCall Call(*this, "Remove_Path");
  Remove_Seam(Dest, Path, W, E, Gray, M, Filter, false);
}

void TGEM::Add_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& P,
                    GML_Int& M, int32_t Stretch, uint8_t Filter) {
  const TCall Call(*this, "Add_Path");
  Insert_Seam(Dest, Path, W, E, Gray, P, M, Stretch, Filter, false);
}

template <typename Energy_Map>
void TGEM::Remove_Seam(GML_Color& Dest, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Gray& Gray, GML_Int& M,
                       uint8_t Filter, bool Zero_Weights) {
  const int32_t Old_Width = Dest.Width(), New_Width = Old_Width - 1;
  const Remove_Params<Energy_Map> Params{Old_Width, New_Width, Dest, Path, W, E, Filter, Gray, M, !Zero_Weights};
  Gray.SetWidth(New_Width);  // the repairs read the narrowed grey picture
  Edit_Then_Repair(
      *FWorkers, Old_Width, Dest.Height(), [&Params](int32_t Y, int32_t End) { Remove_Pixels(Params, Y, End); },
      [&Params](int32_t Y) { Repair_Energy_After_Removal(Params, Y); });
  Dest.SetWidth(New_Width);
  W.SetWidth(New_Width);
  E.SetWidth(New_Width);  // M keeps its width: the next search sets it
}

template <typename Energy_Map>
void TGEM::Insert_Seam(GML_Color& Dest, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Gray& Gray, GML_Int& P,
                       GML_Int& M, int32_t Stretch, uint8_t Filter, bool Zero_Weights) {
  const int32_t New_Width = Dest.Width() + 1;
  Dest.SetWidth(New_Width);
  P.SetWidth(New_Width);
  W.SetWidth(New_Width);
  E.SetWidth(New_Width);
  Gray.SetWidth(New_Width);
  M.SetWidth(New_Width);
  const Add_Params<Energy_Map> Params{Dest, Path, W, P, E, M, Filter, Gray, Stretch, !Zero_Weights};
  Edit_Then_Repair(
      *FWorkers, New_Width, Dest.Height(), [&Params](int32_t Y, int32_t End) { Insert_Pixels(Params, Y, End); },
      [&Params](int32_t Y) { Repair_Energy_After_Insertion(Params, Y); });
}

template void TGEM::Remove_Seam(GML_Color&, const PAPixel&, GML_Int&, GML_Int&, GML_Gray&, GML_Int&, uint8_t, bool);
template void TGEM::Remove_Seam(GML_Color&, const PAPixel&, GML_Int&, GML_Word&, GML_Gray&, GML_Int&, uint8_t, bool);
template void TGEM::Insert_Seam(GML_Color&, const PAPixel&, GML_Int&, GML_Int&, GML_Gray&, GML_Int&, GML_Int&, int32_t,
                                uint8_t, bool);
template void TGEM::Insert_Seam(GML_Color&, const PAPixel&, GML_Int&, GML_Word&, GML_Gray&, GML_Int&, GML_Int&, int32_t,
                                uint8_t, bool);

}  // namespace carvelo
