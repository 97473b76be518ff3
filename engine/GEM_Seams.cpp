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
#include "GEM_picture.h"
#include "GEM_workers.h"

namespace carvelo {

namespace {

// Every map's width is set before the rows are edited (a search behind the
// step reads them meanwhile), so the widths the edits need are kept here.
template <typename Energy_Map, typename Picture>
struct Remove_Params {
  int32_t Old_Width;
  int32_t New_Width;
  int32_t Old_Energy_Width;
  int32_t Old_Cost_Width;
  Picture& Pic;
  const PAPixel& Path;
  GML_Int& W;
  Energy_Map& E;
  uint8_t Filter;
  GML_Int& M;
  bool Move_Weights;
};

template <typename Energy_Map, typename Picture>
struct Add_Params {
  Picture& Pic;
  const PAPixel& Path;
  GML_Int& W;
  GML_Int& P;
  Energy_Map& E;
  GML_Int& M;
  uint8_t Filter;
  int32_t Stretch;
  bool Move_Weights;
};

// Every row is an array of its own, whose address the processor cannot
// guess; the seam says where a row a few rows on will be touched, so the
// step asks for those lines while it edits the row in hand.
constexpr int32_t Rows_Ahead = 4;

// Y lies in the band in hand, before End: the rows of other bands move
// meanwhile.
template <typename... Maps>
inline void Prefetch_At_Seam(const PAPixel& Path, int32_t Y, int32_t End, const Maps&... Rows) {
  if (Y >= End) return;
  const int32_t X = Seam_Column(Path, Y);
  (Prefetch_Line(Rows.Row(Y) + X), ...);
}

template <typename Energy_Map, typename Picture>
void Remove_Pixels(const Remove_Params<Energy_Map, Picture>& R, int32_t Y, int32_t Band_End) {
  R.Pic.Prefetch(R.Path, Y, Band_End);
  Prefetch_At_Seam(R.Path, Y + Rows_Ahead, Band_End, R.M, R.E);
  if (R.Move_Weights) Prefetch_At_Seam(R.Path, Y + Rows_Ahead, Band_End, R.W);
  const int32_t Width = R.Old_Width;
  const int32_t X = Seam_Column(R.Path, Y);
  const bool Blend = !R.Move_Weights || R.W.Row(Y)[X] >= 0;  // zero weights are never negative
  R.Pic.Remove(X, Y, Width, Blend);
  if (R.Move_Weights) R.W.RemoveAt(X, Y, Width);
  if (X < R.Old_Cost_Width) R.M.RemoveAt(X, Y, R.Old_Cost_Width);
}

// Runs before E's row closes over the seam, so a column c of the narrowed
// grey picture lands in E at c + 1 for the columns right of the seam.
template <typename Energy_Map, typename Picture>
void Repair_Energy_After_Removal(const Remove_Params<Energy_Map, Picture>& R, int32_t Y) {
  const int32_t New_Width = R.New_Width;
  const int32_t X = Seam_Column(R.Path, Y);
  auto* Energy = R.E.Row(Y);
  R.Pic.Energy(Y, std::max(X - 3, 0), X - 1, R.Filter, Energy);
  R.Pic.Energy(Y, X, std::min(X + 2, New_Width - 2), R.Filter, Energy + 1);
  R.E.RemoveAt(X, Y, R.Old_Energy_Width);
}

template <typename Energy_Map, typename Picture>
void Insert_Pixels(const Add_Params<Energy_Map, Picture>& A, int32_t Y, int32_t Band_End) {
  A.Pic.Prefetch(A.Path, Y, Band_End);
  Prefetch_At_Seam(A.Path, Y + Rows_Ahead, Band_End, A.P, A.M, A.E);
  if (A.Move_Weights) Prefetch_At_Seam(A.Path, Y + Rows_Ahead, Band_End, A.W);
  const int32_t Width = A.Pic.Width();
  const int32_t X = Seam_Column(A.Path, Y);
  A.Pic.Insert(X, Y, Width);
  A.P.InsertAt(X, Y, Width);
  A.M.InsertAt(X, Y, Width);
  if (A.Move_Weights) {  // zero weights stay zero where they are, their room cleared beforehand
    A.W.InsertAt(X, Y, Width);
    int32_t* Weights = A.W.Row(Y);
    Weights[X] = static_cast<int32_t>((int64_t{Weights[X]} + A.W.GetClamped(X - 1, Y)) / 2);
  }
  // Both copies carry the penalty, so later seams go elsewhere.
  int32_t* Penalty = A.P.Row(Y);
  Penalty[X] = A.Stretch;
  Penalty[X + 1] = Add_Saturated(Penalty[X + 1], A.Stretch);
}

template <typename Energy_Map, typename Picture>
void Repair_Energy_After_Insertion(const Add_Params<Energy_Map, Picture>& A, int32_t Y) {
  const int32_t Width = A.E.Width();
  const int32_t X = Seam_Column(A.Path, Y);
  A.E.InsertAt(X, Y, Width);
  A.Pic.Energy(Y, std::max(X - 3, 0), std::min(X + 3, Width - 1), A.Filter, A.E.Row(Y));
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
  Workers.Run_Step(Parts, [&](int32_t Part) {
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

// The step in row order on one thread, publishing each row whose energy is
// repaired, for the search of the next seam that follows a few rows behind.
template <typename Edit, typename Repair>
void Edit_Then_Repair_In_Order(int32_t Height, const Edit& Edit_Row, const Repair& Repair_Row,
                               TRow_Progress& Progress) {
  for (int32_t Y = 0; Y < Height; ++Y) {
    Edit_Row(Y, Height);
    if (Y == 0) continue;
    Repair_Row(Y - 1);
    Progress.Publish(Y);
  }
  if (Height > 0) Repair_Row(Height - 1);
  Progress.Publish(Height);
}

// A seam step, banded over the helpers, or, with a search of the next seam
// to follow it, in row order beside that search.
template <typename Edit, typename Repair>
void Step_Seam(TWorkers& Workers, int32_t Width, int32_t Height, const Edit& Edit_Row, const Repair& Repair_Row,
               const TSearch_Behind* Next) {
  if (!Next) return Edit_Then_Repair(Workers, Width, Height, Edit_Row, Repair_Row);
  TRow_Progress Progress;
  Workers.Run_Pair([&](int32_t) { Edit_Then_Repair_In_Order(Height, Edit_Row, Repair_Row, Progress); },
                   [&](int32_t) { (*Next)(Progress); }, Progress);
}

}  // namespace

void TGEM::Remove_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& M,
                       uint8_t Filter) {
  const TCall Call(*this, "Remove_Path");
  TMoving_Picture Picture(Dest, Gray);
  Remove_Seam(Picture, Path, W, E, M, Filter, false);
}

void TGEM::Add_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& P,
                    GML_Int& M, int32_t Stretch, uint8_t Filter) {
  const TCall Call(*this, "Add_Path");
  TMoving_Picture Picture(Dest, Gray);
  Insert_Seam(Picture, Path, W, E, P, M, Stretch, Filter, false);
}

template <typename Energy_Map, typename Picture>
void TGEM::Remove_Seam(Picture& Pic, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Int& M, uint8_t Filter,
                       bool Zero_Weights, const TSearch_Behind* Next) {
  const int32_t Old_Width = Pic.Width(), New_Width = Old_Width - 1;
  const Remove_Params<Energy_Map, Picture> Params{
      Old_Width, New_Width, E.Width(), M.Width(), Pic, Path, W, E, Filter, M, !Zero_Weights};
  Pic.Set_Width(New_Width);  // the repairs read the narrowed grey picture
  W.SetWidth(New_Width);
  E.SetWidth(New_Width);
  if (Next) M.SetWidth(New_Width);  // else the next search sets it; one behind the step must not
  Step_Seam(
      *FWorkers, Old_Width, Pic.Height(), [&Params](int32_t Y, int32_t End) { Remove_Pixels(Params, Y, End); },
      [&Params](int32_t Y) { Repair_Energy_After_Removal(Params, Y); }, Next);
}

template <typename Energy_Map, typename Picture>
void TGEM::Insert_Seam(Picture& Pic, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Int& P, GML_Int& M,
                       int32_t Stretch, uint8_t Filter, bool Zero_Weights, const TSearch_Behind* Next) {
  const int32_t New_Width = Pic.Width() + 1;
  Pic.Set_Width(New_Width);
  P.SetWidth(New_Width);
  W.SetWidth(New_Width);
  E.SetWidth(New_Width);
  M.SetWidth(New_Width);
  const Add_Params<Energy_Map, Picture> Params{Pic, Path, W, P, E, M, Filter, Stretch, !Zero_Weights};
  Step_Seam(
      *FWorkers, New_Width, Pic.Height(), [&Params](int32_t Y, int32_t End) { Insert_Pixels(Params, Y, End); },
      [&Params](int32_t Y) { Repair_Energy_After_Insertion(Params, Y); }, Next);
}

#define CARVELO_SEAM_STEPS(Energy_Map, Picture)                                                                    \
  template void TGEM::Remove_Seam(Picture&, const PAPixel&, GML_Int&, Energy_Map&, GML_Int&, uint8_t, bool,         \
                                  const TSearch_Behind*);                                                          \
  template void TGEM::Insert_Seam(Picture&, const PAPixel&, GML_Int&, Energy_Map&, GML_Int&, GML_Int&, int32_t,     \
                                  uint8_t, bool, const TSearch_Behind*);
CARVELO_SEAM_STEPS(GML_Int, TMoving_Picture)
CARVELO_SEAM_STEPS(GML_Word, TMoving_Picture)
CARVELO_SEAM_STEPS(GML_Int, TIndexed_Picture)
CARVELO_SEAM_STEPS(GML_Word, TIndexed_Picture)
#undef CARVELO_SEAM_STEPS

}  // namespace carvelo
