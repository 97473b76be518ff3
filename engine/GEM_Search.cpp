// Seam search: the cumulative cost map M, built row by row; the cheapest end
// of the bottom row; and the seam traced back up from it.
//
// An update after the first seam of a pass treats the two column halves of
// the map (split at Width div 2) apart, each with a window of its own that
// widens and closes in by the rules below; both halves advance row by row.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "GEM.h"
#include "GEM_arith.h"
#include "GEM_costs.h"
#include "GEM_workers.h"

namespace carvelo {

namespace {

// The columns a worker recomputes in the row in hand.
struct TWindow {
  int32_t Left;
  int32_t Right;
};

// An end of the window that finds its value unchanged while clear of the old
// seam (more than three columns to its left, more than two to its right)
// closes in for the next row.
inline void Close_In(TWindow& Window, int32_t X, int32_t Seam) {
  if (X == Window.Left && Window.Left + 3 < Seam) ++Window.Left;
  if (X == Window.Right && Seam < Window.Right - 2) --Window.Right;
}

// Recomputes columns First..Last, storing only values that changed. Only the
// window's ends watch for unchanged values: the left end over a run of them
// (each one moves it on to the next column), the right end at the last
// column. Between them storing an unchanged value changes nothing, so the
// inner columns take the plain loop of a full search.
template <bool Forward, typename Rows>
void Update_Span(const Rows& R, int32_t First, int32_t Last, TWindow& Window, int32_t Seam) {
  int32_t X = First;
  for (; X <= Last && X == Window.Left; ++X) {
    const int32_t Cost = Cost_At<Forward>(R, X);
    if (Cost != R.M[X])
      R.M[X] = Cost;
    else
      Close_In(Window, X, Seam);
  }
  const bool Ends_At_Right = Last == Window.Right;
  Compute_Span<Forward>(R, X, Ends_At_Right ? Last - 1 : Last);
  if (!Ends_At_Right || X > Last) return;
  const int32_t Cost = Cost_At<Forward>(R, Last);
  if (Cost != R.M[Last])
    R.M[Last] = Cost;
  else
    Close_In(Window, Last, Seam);
}

// One column half of an update: the columns it owns and its window.
struct Energy_Params {
  int32_t First;  // first column owned
  int32_t Last;   // last column owned, inclusive
  TWindow Window;
};

// A full search computes every value of every row.
template <bool Forward, typename Energy_Map>
void Full_Search(const Energy_Map& E, const TWeight_Rows& W, GML_Int& M) {
  const int32_t Width = E.Width();
  Compute_Top_Row(E, W, M, 0, Width - 1);
  for (int32_t Y = 1; Y < E.Height(); ++Y) Compute_Span<Forward>(Rows_Of(E, W, M, Y), 0, Width - 1);
}

inline void Add_Row(const int32_t* A, const int32_t* B, int32_t* Sum, int32_t Width) {
  for (int32_t X = 0; X < Width; ++X) Sum[X] = Add_Saturated(A[X], B[X]);
}

// Behind a seam step: waits until the step has finished row Y, then adds
// up that row's weights when the search reads a sum.
inline void Open_Row(const TRows_Ready* Ready, int32_t Y) {
  if (!Ready) return;
  Ready->Step->Wait_For(Y + 1);
  if (Ready->Summed)
    Add_Row(Ready->Weights->Row(Y), Ready->Penalty->Row(Y), Ready->Summed->Row(Y), Ready->Summed->Width());
}

// An update starts each half's window three columns left and two right of
// the old seam's top, within the half, and widens it by one column a side
// per row.
template <bool Forward, typename Energy_Map>
void Update_Search(const Energy_Map& E, const TWeight_Rows& W, GML_Int& M, const PAPixel& Seam, TWorkers* Workers,
                   const TRows_Ready* Ready) {
  const int32_t Width = E.Width(), Half = Width / 2, Top = Seam[0].X;
  Energy_Params Halves[2] = {{0, Half, {}}, {Half + 1, Width - 1, {}}};
  Open_Row(Ready, 0);
  for (Energy_Params& P : Halves) {
    P.Window = {std::max(P.First, Top - 3), std::min(P.Last, Top + 2)};
    Compute_Top_Row(E, W, M, P.Window.Left, P.Window.Right);
  }
  const int32_t Wake_Row = E.Height() - E.Height() / 8;
  for (int32_t Y = 1; Y < E.Height(); ++Y) {
    Open_Row(Ready, Y);
    if (Y == Wake_Row && Workers && Seam_Step_Shared(Width, E.Height())) Workers->Expect_Step();  // the step follows soon
    const auto Rows = Rows_Of(E, W, M, Y);
    const int32_t Seam_X = Seam[static_cast<size_t>(Y)].X;
    for (Energy_Params& P : Halves) {
      P.Window.Left = std::max(P.First, P.Window.Left - 1);
      P.Window.Right = std::min(P.Last, P.Window.Right + 1);
      if (P.Window.Left <= P.Window.Right)  // the columns visited are fixed now
        Update_Span<Forward>(Rows, P.Window.Left, P.Window.Right, P.Window, Seam_X);
    }
  }
}

// The column of the least value of the bottom row, the leftmost on ties.
int32_t Least_End(const GML_Int& M) {
  const int32_t* Bottom = M.Row(M.Height() - 1);
  int32_t End = 0;
  for (int32_t X = 1; X < M.Width(); ++X)
    if (Bottom[X] < Bottom[End]) End = X;
  return End;
}

// A search behind a step (Ready) is always an update.
template <typename Energy_Map>
void Search_Costs(const Energy_Map& E, const TWeight_Rows& W, GML_Int& M, bool ForwardEnergy,
                  const PAPixel& PreviousPath, TWorkers* Workers, const TRows_Ready* Ready = nullptr) {
  if (E.Width() <= 0 || E.Height() <= 0) return;
  const bool Update = !PreviousPath.empty();
  if (ForwardEnergy)
    Update ? Update_Search<true>(E, W, M, PreviousPath, Workers, Ready) : Full_Search<true>(E, W, M);
  else
    Update ? Update_Search<false>(E, W, M, PreviousPath, Workers, Ready) : Full_Search<false>(E, W, M);
}

}  // namespace

void TGEM::Add_Weights(const GML_Int& A, const GML_Int& B, GML_Int& Sum) {
  const TCall Call(*this, "Add_Weights");
  Sum.SetWidth(A.Width());
  const int32_t Width = A.Width();
  Call.Workers().Run_Rows(0, A.Height(), 16, [&](TBand Band) {
    for (int32_t Y = Band.First; Y < Band.End; ++Y) Add_Row(A.Row(Y), B.Row(Y), Sum.Row(Y), Width);
  });
}

void TGEM::Energy_Path(const GML_Int& E, const GML_Int& W, GML_Int& M, bool ForwardEnergy,
                       const PAPixel& PreviousPath) {
  Search_Costs(E, {&W, nullptr}, M, ForwardEnergy, PreviousPath, FWorkers);
}

int32_t TGEM::Find_Seam(const GML_Int& E, const GML_Int& W, GML_Int& M, PAPixel& Path, bool ForwardEnergy,
                        bool First) {
  return Find_Seam_In(E, &W, nullptr, M, Path, ForwardEnergy, First);
}

template <typename Energy_Map>
int32_t TGEM::Find_Seam_In(const Energy_Map& E, const GML_Int* W, const int32_t* Zero_Row, GML_Int& M, PAPixel& Path,
                           bool ForwardEnergy, bool First, const TRows_Ready* Ready) {
  if (!Ready) M.SetWidth(E.Width());  // behind a step the map's width is set, and the step is using it
  if (E.Width() <= 0 || E.Height() <= 0) return 0;
  const PAPixel No_Previous_Path;
  Search_Costs(E, {W, Zero_Row}, M, ForwardEnergy, First ? No_Previous_Path : Path, FWorkers, Ready);
  const int32_t End = Least_End(M);
  Trace_Path(M, End, Path);
  return M.Get(End, M.Height() - 1);
}

template int32_t TGEM::Find_Seam_In(const GML_Int&, const GML_Int*, const int32_t*, GML_Int&, PAPixel&, bool, bool,
                                    const TRows_Ready*);
template int32_t TGEM::Find_Seam_In(const GML_Word&, const GML_Int*, const int32_t*, GML_Int&, PAPixel&, bool, bool,
                                    const TRows_Ready*);

void TGEM::Trace_Path(const GML_Int& M, int32_t EndX, PAPixel& Path) {
  const int32_t Width = M.Width(), Height = M.Height();
  Path.resize(static_cast<size_t>(Height));
  // Outside the picture every value is the largest there is, so a step never
  // leaves it; ties keep the middle, then the left.
  const auto Value = [Width](const int32_t* Row, int32_t X) {
    return (X >= 0 && X < Width) ? Row[X] : std::numeric_limits<int32_t>::max();
  };
  // The path moves at most a column a row, so the values it can reach a few
  // rows up are known now: asking for them early keeps the walk from
  // waiting on the memory at every row of a large picture.
  constexpr int32_t Rows_Ahead = 8;
  int32_t X = EndX;
  for (int32_t Y = Height - 1; Y >= 0; --Y) {
    if (Y >= Rows_Ahead) {
      const int32_t* Ahead = M.Row(Y - Rows_Ahead);
      Prefetch_Line(Ahead + std::max(0, X - Rows_Ahead - 1));
      Prefetch_Line(Ahead + std::min(Width - 1, X + Rows_Ahead + 1));
    }
    const int32_t* Row = M.Row(Y);
    int32_t Choice = X;
    if (Value(Row, X - 1) < Value(Row, Choice)) Choice = X - 1;
    if (Value(Row, X + 1) < Value(Row, Choice)) Choice = X + 1;
    Path[static_cast<size_t>(Y)] = {Choice, Y};
    X = Choice;
  }
}

}  // namespace carvelo
