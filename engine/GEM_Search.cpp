// Seam search: the cumulative cost map M, built row by row by two workers
// that split every row at Width div 2 and meet in the middle; the cheapest
// end of the bottom row; and the seam traced back up from it.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include "GEM.h"
#include "GEM_arith.h"
#include "GEM_bands.h"
#include "Threads.h"

namespace carvelo {

namespace {

// How far one worker has got: every row up to Done is final in its columns.
// It stands at -1 from construction, that is before either worker starts.
// Rows take microseconds, so the waiter spins first and only then sleeps.
// The releaser wakes a sleeper once, taking its Sleeping flag, so that the
// rows it finishes while the sleeper wakes up cost no system call each.
// (Sleeping is set before Done is read again and Done is stored before
// Sleeping is taken, all sequentially consistent, so a wake-up cannot be
// missed.) Sleeping uses a mutex and a condition variable: the atomic waits
// and semaphores of some standard libraries can miss a wake-up.
class TRowSignal {
public:
  void Release(int32_t Row) {
    FDone.store(Row);
    if (!FSleeping.exchange(false)) return;
    std::lock_guard Guard(FMutex);
    FAdvanced.notify_all();
  }
  void Wait_For(int32_t Row) {
    for (int32_t Spin = 0; Spin < Spin_Limit; ++Spin)
      if (FDone.load(std::memory_order_acquire) >= Row) return;
    std::unique_lock Guard(FMutex);
    while (true) {
      FSleeping.store(true);
      if (FDone.load() >= Row) break;
      FAdvanced.wait(Guard);
    }
    FSleeping.store(false);
  }

private:
  static constexpr int32_t Spin_Limit = 4000;
  std::atomic<int32_t> FDone{-1};
  std::atomic<bool> FSleeping{false};
  std::mutex FMutex;
  std::condition_variable FAdvanced;
};

// A worker's start gate: a binary semaphore that the search holds until both
// workers are ready, then opens once.
class TGate {
public:
  void Open() {
    std::lock_guard Guard(FMutex);
    FOpen = true;
    FOpened.notify_all();
  }
  void Pass() {
    std::unique_lock Guard(FMutex);
    FOpened.wait(Guard, [this] { return FOpen; });
  }

private:
  std::mutex FMutex;
  std::condition_variable FOpened;
  bool FOpen = false;
};

// What one search worker needs. The search owns everything pointed to.
struct Energy_Params {
  TRowSignal* Own;
  TRowSignal* Other;
  TLock* Lock;
  TCondition* Ready;
  TGate* Gate;
  const GML_Int* E;
  const GML_Int* W;
  GML_Int* M;
  int32_t First;  // first column owned
  int32_t Last;   // last column owned, inclusive
  bool ForwardEnergy;
  const PAPixel* PreviousPath;  // empty on a full search
  int32_t* Ready_Count;         // guarded by Lock
  const bool* Abort;            // set when the other worker could not start
  int32_t Meeting_Column;       // the owned column that reads the other half's row above; -1 if none
};

// The rows that one step of the recurrence reads and writes.
struct TCostRows {
  const int32_t* E;    // energy, this row
  const int32_t* EUp;  // energy, the row above
  const int32_t* W;    // weights, this row
  const int32_t* MUp;  // cumulative cost, the row above
  int32_t* M;          // cumulative cost, this row
  int32_t Width;
};

TCostRows Rows_Of(const GML_Int& E, const GML_Int& W, GML_Int& M, int32_t Y) {
  return {E.Row(Y), E.Row(Y - 1), W.Row(Y), M.Row(Y - 1), M.Row(Y), E.Width()};
}

// First and last columns: the neighbours above that lie inside the picture
// (in a one-column picture only the one straight above), energy and weight.
inline int32_t Border_Cost(const TCostRows& R, int32_t X) {
  int32_t Best = R.MUp[X];
  if (X > 0) Best = std::min(Best, R.MUp[X - 1]);
  if (X + 1 < R.Width) Best = std::min(Best, R.MUp[X + 1]);
  return Saturate(int64_t{Best} + R.E[X] + R.W[X]);
}

inline int32_t Plain_Cost(const TCostRows& R, int32_t X) {
  const int32_t Best = std::min({R.MUp[X - 1], R.MUp[X], R.MUp[X + 1]});
  return Saturate(int64_t{Best} + R.E[X] + R.W[X]);
}

// Forward energy charges each step by the edges it creates between the
// pixels that become neighbours, which keeps seams off edges; the pixel's own
// energy is not added.
inline int32_t Forward_Cost(const TCostRows& R, int32_t X) {
  const int64_t Left = R.E[X - 1], Right = R.E[X + 1], Up = R.EUp[X];
  const int64_t Cost_Up = std::abs(Right - Left);
  const int64_t Cost_Left = Cost_Up + std::abs(Up - Left);
  const int64_t Cost_Right = Cost_Up + std::abs(Up - Right);
  const int64_t Best = std::min({R.MUp[X - 1] + Cost_Left, R.MUp[X] + Cost_Up, R.MUp[X + 1] + Cost_Right});
  return Saturate(Best + R.W[X]);
}

template <bool Forward>
inline int32_t Inner_Cost(const TCostRows& R, int32_t X) {
  return Forward ? Forward_Cost(R, X) : Plain_Cost(R, X);
}

template <bool Forward>
inline int32_t Cost_At(const TCostRows& R, int32_t X) {
  return (X == 0 || X == R.Width - 1) ? Border_Cost(R, X) : Inner_Cost<Forward>(R, X);
}

// Row 0 has nothing above: energy and weight alone.
void Compute_Top_Row(const GML_Int& E, const GML_Int& W, GML_Int& M, int32_t First, int32_t Last) {
  const int32_t* En = E.Row(0);
  const int32_t* We = W.Row(0);
  int32_t* Out = M.Row(0);
  for (int32_t X = First; X <= Last; ++X) Out[X] = Add_Saturated(En[X], We[X]);
}

// Computes and writes columns First..Last; the border columns apart so that
// the inner loop has no tests.
template <bool Forward>
void Compute_Span(const TCostRows& R, int32_t First, int32_t Last) {
  int32_t X = First;
  if (X > Last) return;
  if (X == 0) R.M[X++] = Border_Cost(R, 0);
  const int32_t Inner_Last = std::min(Last, R.Width - 2);
  for (; X <= Inner_Last; ++X) R.M[X] = Inner_Cost<Forward>(R, X);
  if (X <= Last) R.M[X] = Border_Cost(R, X);
}

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
template <bool Forward>
void Update_Span(const TCostRows& R, int32_t First, int32_t Last, TWindow& Window, int32_t Seam) {
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

// One worker's rows. A full search keeps the whole column range as its
// window; an update starts three columns left and two right of the old
// seam's top and widens by one column a side per row, within its own columns.
template <bool Forward>
void Walk_Rows(const Energy_Params& P) {
  const GML_Int& E = *P.E;
  const GML_Int& W = *P.W;
  GML_Int& M = *P.M;
  const PAPixel& Seam = *P.PreviousPath;
  const bool Update = !Seam.empty();
  TWindow Window{P.First, P.Last};
  if (Update) Window = {std::max(P.First, Seam[0].X - 3), std::min(P.Last, Seam[0].X + 2)};

  Compute_Top_Row(E, W, M, Window.Left, Window.Right);
  P.Own->Release(0);
  for (int32_t Y = 1; Y < E.Height(); ++Y) {
    Window.Left = std::max(P.First, Window.Left - 1);
    Window.Right = std::min(P.Last, Window.Right + 1);
    const int32_t Left = Window.Left, Right = Window.Right;  // the columns visited are fixed now
    if (Left <= Right) {
      const TCostRows Rows = Rows_Of(E, W, M, Y);
      const auto Visit = [&](int32_t From, int32_t To) {
        if (Update)
          Update_Span<Forward>(Rows, From, To, Window, Seam[static_cast<size_t>(Y)].X);
        else
          Compute_Span<Forward>(Rows, From, To);
      };
      if (P.Meeting_Column >= Left && P.Meeting_Column <= Right) {
        Visit(Left, P.Meeting_Column - 1);
        P.Other->Wait_For(Y - 1);  // the other half's row above must be final
        Visit(P.Meeting_Column, Right);
      } else {
        Visit(Left, Right);
      }
    }
    P.Own->Release(Y);
  }
}

void Energy_Worker(const Energy_Params& P) {
  P.Lock->Enter();
  ++*P.Ready_Count;
  P.Ready->Signal();
  P.Lock->Leave();
  P.Gate->Pass();
  if (*P.Abort) return;
  if (P.ForwardEnergy)
    Walk_Rows<true>(P);
  else
    Walk_Rows<false>(P);
}

bool Start_Worker(std::thread& Worker, const Energy_Params& Params) {
  try {
    Worker = std::thread(Energy_Worker, std::cref(Params));
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void Wait_Until_Ready(TLock& Lock, TCondition& Ready, const int32_t& Ready_Count, int32_t Workers) {
  Lock.Enter();
  while (Ready_Count < Workers) Ready.Wait(Lock);
  Lock.Leave();
}

// The column of the least value of the bottom row, the leftmost on ties.
int32_t Least_End(const GML_Int& M) {
  const int32_t* Bottom = M.Row(M.Height() - 1);
  int32_t End = 0;
  for (int32_t X = 1; X < M.Width(); ++X)
    if (Bottom[X] < Bottom[End]) End = X;
  return End;
}

struct Add_Weights_Job {
  const GML_Int& A;
  const GML_Int& B;
  GML_Int& Sum;

  void Run(TBand Band) const {
    const int32_t Width = A.Width();
    for (int32_t Y = Band.First; Y < Band.End; ++Y) {
      const int32_t* RowA = A.Row(Y);
      const int32_t* RowB = B.Row(Y);
      int32_t* Out = Sum.Row(Y);
      for (int32_t X = 0; X < Width; ++X) Out[X] = Add_Saturated(RowA[X], RowB[X]);
    }
  }
};

}  // namespace

void TGEM::Add_Weights(const GML_Int& A, const GML_Int& B, GML_Int& Sum) {
  Sum.SetWidth(A.Width());
  const Add_Weights_Job Job{A, B, Sum};
  Run_Bands("Add_Weights", Bands_Of(A.Height()), [&Job](TBand Band) { Job.Run(Band); });
}

void TGEM::Energy_Path(const GML_Int& E, const GML_Int& W, GML_Int& M, bool ForwardEnergy,
                       const PAPixel& PreviousPath) {
  const int32_t Width = E.Width();
  if (Width <= 0 || E.Height() <= 0) return;
  const int32_t Half = Width / 2;
  const bool B_Owns_Columns = Half + 1 < Width;

  TRowSignal Done_A, Done_B;
  TLock Lock;
  TCondition Ready;
  int32_t Ready_Count = 0;
  bool Abort = false;
  TGate Gate_A, Gate_B;  // held until both workers are ready
  const Energy_Params A{&Done_A, &Done_B, &Lock, &Ready, &Gate_A, &E, &W, &M, 0, Half, ForwardEnergy,
                        &PreviousPath, &Ready_Count, &Abort, B_Owns_Columns ? Half : -1};
  const Energy_Params B{&Done_B, &Done_A, &Lock, &Ready, &Gate_B, &E, &W, &M, Half + 1, Width - 1, ForwardEnergy,
                        &PreviousPath, &Ready_Count, &Abort, Half + 1};

  std::thread Worker_A, Worker_B;
  const bool Started = Start_Worker(Worker_A, A) && Start_Worker(Worker_B, B);
  if (Started)
    Wait_Until_Ready(Lock, Ready, Ready_Count, 2);
  else
    Abort = true;  // a lone worker would wait for its partner's rows forever
  Gate_A.Open();
  Gate_B.Open();
  if (Worker_A.joinable()) Worker_A.join();
  if (Worker_B.joinable()) Worker_B.join();
  if (!Started) Report_Spawn_Failure("Energy_Path");
}

int32_t TGEM::Find_Seam(const GML_Int& E, const GML_Int& W, GML_Int& M, PAPixel& Path, bool ForwardEnergy,
                        bool First) {
  M.SetWidth(E.Width());
  if (E.Width() <= 0 || E.Height() <= 0) return 0;
  const PAPixel No_Previous_Path;
  Energy_Path(E, W, M, ForwardEnergy, First ? No_Previous_Path : Path);
  const int32_t End = Least_End(M);
  Trace_Path(M, End, Path);
  return M.Get(End, M.Height() - 1);
}

void TGEM::Trace_Path(const GML_Int& M, int32_t EndX, PAPixel& Path) {
  const int32_t Width = M.Width(), Height = M.Height();
  Path.resize(static_cast<size_t>(Height));
  // Outside the picture every value is the largest there is, so a step never
  // leaves it; ties keep the middle, then the left.
  const auto Value = [Width](const int32_t* Row, int32_t X) {
    return (X >= 0 && X < Width) ? Row[X] : std::numeric_limits<int32_t>::max();
  };
  int32_t X = EndX;
  for (int32_t Y = Height - 1; Y >= 0; --Y) {
    const int32_t* Row = M.Row(Y);
    int32_t Choice = X;
    if (Value(Row, X - 1) < Value(Row, Choice)) Choice = X - 1;
    if (Value(Row, X + 1) < Value(Row, Choice)) Choice = X + 1;
    Path[static_cast<size_t>(Y)] = {Choice, Y};
    X = Choice;
  }
}

}  // namespace carvelo
