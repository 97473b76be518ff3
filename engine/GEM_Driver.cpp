// The carving driver: width passes that remove or insert vertical seams,
// height passes run as width passes on the transposed picture, chained in the
// fixed order width shrink, height shrink, width growth, height growth.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "GEM.h"
#include "GEM_costs.h"
#include "GEM_energy.h"
#include "GEM_picture.h"
#include "GEM_workers.h"

namespace carvelo {

namespace {

struct TSize {
  int32_t Width;
  int32_t Height;
  bool operator==(const TSize&) const = default;
};

// The seams one round of Remove_Areas needs. A vertical seam takes one pixel
// from each row, so clearing a row of k marks takes at least k of them: a
// round removes as many columns as the most marks that any one row holds,
// and as many rows as the most that any one column holds. A thin slanted
// stroke touches every row and column, yet holds only a mark or two in each;
// a solid block holds in its widest row a mark for every column it covers.
struct TMarks {
  int32_t Columns;  // the most marks in any one row
  int32_t Rows;     // the most marks in any one column
};

TMarks Count_Marks(const GML_Int& Weights) {
  std::vector<int32_t> In_Column(static_cast<size_t>(Weights.Width()), 0);
  TMarks Marks{0, 0};
  for (int32_t Y = 0; Y < Weights.Height(); ++Y) {
    const int32_t* Row = Weights.Row(Y);
    int32_t In_Row = 0;
    for (int32_t X = 0; X < Weights.Width(); ++X)
      if (Row[X] < 0) {
        ++In_Row;
        ++In_Column[static_cast<size_t>(X)];
      }
    Marks.Columns = std::max(Marks.Columns, In_Row);
  }
  for (int32_t In : In_Column) Marks.Rows = std::max(Marks.Rows, In);
  return Marks;
}

// The size one round of Remove_Areas carves the picture to. Mode 0 removes
// rows when a round needs fewer rows than columns, else columns. A round
// always keeps one column and one row, so marks everywhere cannot carve the
// picture away and it can grow back.
TSize Round_Target(TSize Picture, TMarks Marks, uint8_t Mode) {
  const TSize Fewer_Columns{Picture.Width - std::min(Marks.Columns, Picture.Width - 1), Picture.Height};
  const TSize Fewer_Rows{Picture.Width, Picture.Height - std::min(Marks.Rows, Picture.Height - 1)};
  switch (Mode) {
    case 0:
      return Marks.Rows < Marks.Columns ? Fewer_Rows : Fewer_Columns;
    case 1:
      return Fewer_Columns;
    case 2:
      return Fewer_Rows;
    default:
      return Picture;
  }
}

template <typename Map>
TSize Size_Of(const Map& Picture) {
  return {Picture.Width(), Picture.Height()};
}

// A zeroed map of Width x Height with capacity for Room columns.
template <typename Map>
Map With_Room(int32_t Width, int32_t Height, int32_t Room) {
  Map Made(std::max(Width, Room), Height);
  Made.SetWidth(Width);
  return Made;
}

// With_Room with every row in the middle of its room.
template <typename Map>
Map Centred_With_Room(int32_t Width, int32_t Height, int32_t Room) {
  Map Made = With_Room<Map>(Width, Height, Room);
  Made.CentreFreshRows();
  return Made;
}

bool All_Zero(const GML_Int& Map) {
  for (int32_t Y = 0; Y < Map.Height(); ++Y) {
    const int32_t* Row = Map.Row(Y);
    if (std::any_of(Row, Row + Map.Width(), [](int32_t Value) { return Value != 0; })) return false;
  }
  return true;
}

// Copy := Weights. Zero weights are copied as a fresh zeroed map: its
// memory is only handed out by the system where it is written, and zero
// weights are never written by a width pass.
void Copy_Weights(const GML_Int& Weights, GML_Int& Copy) {
  if (All_Zero(Weights))
    Copy = GML_Int(Weights.Width(), Weights.Height());
  else
    Copy.Assign(Weights);
}

// Carves over pool slots when Indexed, with room for Room columns a row,
// over moving colours otherwise, and puts the colours in order after.
template <typename Carve_Fn>
void With_Picture(bool Indexed, GML_Color& Colours, GML_Gray& Gray, int32_t Room, const Carve_Fn& Carve) {
  if (Indexed) {
    TIndexed_Picture Picture(Colours, Gray, Room);
    Carve(Picture);
    Picture.Finish();
  } else {
    TMoving_Picture Picture(Colours, Gray);
    Carve(Picture);
    Picture.Finish();
  }
}

}  // namespace

int32_t TGEM::Removal_Round_Seams(const GML_Int& Weights, uint8_t Mode) {
  const TSize Picture = Size_Of(Weights);
  const TSize Target = Round_Target(Picture, Count_Marks(Weights), Mode);
  return (Picture.Width - Target.Width) + (Picture.Height - Target.Height);
}

void TGEM::Carve_Image(const GML_Color& Source, const GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                       int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Int& WorkWeights, GML_Color& Dest) {
  const TCall Call(*this, "Carve_Image");
  if (TSize{TargetWidth, TargetHeight} == Size_Of(Source)) {
    Remove_Areas(Source, Weights, 0, 10, Stretch, Filter, true, WorkWeights, Dest);
    return;
  }
  Copy_Weights(Weights, WorkWeights);
  Carve_Steps(Source, WorkWeights, TargetWidth, TargetHeight, Stretch, Filter, ForwardEnergy, Dest);
}

void TGEM::Carve_Resize(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                        int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Color& Dest) {
  const TCall Call(*this, "Carve_Resize");
  if (TSize{TargetWidth, TargetHeight} == Size_Of(Source)) {
    Dest.Assign(Source);
    return;
  }
  Carve_Steps(Source, Weights, TargetWidth, TargetHeight, Stretch, Filter, ForwardEnergy, Dest);
}

void TGEM::Carve_Steps(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                       int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Color& Dest) {
  const int32_t Width = Source.Width(), Height = Source.Height();
  const GML_Color* Current = &Source;  // each step carves the previous step's result
  if (TargetWidth < Width) {
    Shrink_Width(Source, Weights, TargetWidth, Filter, ForwardEnergy, Dest);
    Current = &Dest;
  }
  if (TargetHeight < Height && !Stopped()) {
    Carve_Height(*Current, Weights, TargetHeight, Stretch, Filter, ForwardEnergy, Dest);
    Current = &Dest;
  }
  if (Width < TargetWidth && !Stopped()) {
    GML_Color Previous;  // an enlarging pass cannot read the picture it writes
    if (Current == &Dest) {
      std::swap(Previous, Dest);
      Current = &Previous;
    }
    Enlarge_Width(*Current, Weights, TargetWidth, Stretch, Filter, ForwardEnergy, Dest);
    Current = &Dest;
  }
  if (Height < TargetHeight && !Stopped())
    Carve_Height(*Current, Weights, TargetHeight, Stretch, Filter, ForwardEnergy, Dest);
}

void TGEM::Carve_Height(const GML_Color& Picture, GML_Int& Weights, int32_t TargetHeight, int32_t Stretch,
                        uint8_t Filter, bool ForwardEnergy, GML_Color& Dest) {
  GML_Int Turned_Weights;
  Turned_Weights.AssignTransposed(Weights);
  Weights = GML_Int();  // refilled from the turned copy; no need to hold both meanwhile
  GML_Color Carved;
  {
    GML_Color Turned;
    Turned.AssignTransposed(Picture);
    if (&Picture == &Dest) Dest = GML_Color();
    if (TargetHeight < Turned.Width())
      Shrink_Width(Turned, Turned_Weights, TargetHeight, Filter, ForwardEnergy, Carved);
    else
      Enlarge_Width(Turned, Turned_Weights, TargetHeight, Stretch, Filter, ForwardEnergy, Carved);
  }
  Dest.AssignTransposed(Carved);
  Carved = GML_Color();
  Weights.AssignTransposed(Turned_Weights);
}

void TGEM::Shrink_Width(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, uint8_t Filter,
                        bool ForwardEnergy, GML_Color& Dest) {
  const TCall Call(*this, "Shrink_Width");
  if (Energy_Fits_16_Bits(Filter))
    Shrink_Pass<GML_Word>(Source, Weights, TargetWidth, Filter, ForwardEnergy, Dest);
  else
    Shrink_Pass<GML_Int>(Source, Weights, TargetWidth, Filter, ForwardEnergy, Dest);
}

template <typename Energy_Map>
void TGEM::Shrink_Pass(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, uint8_t Filter,
                       bool ForwardEnergy, GML_Color& Dest) {
  const int32_t Width = Source.Width(), Height = Source.Height();
  GML_Gray Gray(Width, Height);
  Energy_Map Energy(Width, Height);
  GML_Int Cost(Width, Height);
  PAPixel Path(static_cast<size_t>(Height));
  const int32_t Seams = Width - TargetWidth;

  const bool Zero_Weights = All_Zero(Weights);  // then they stay zero and their map need not move
  Dest.Assign(Source);
  Grayscale_Image(Source, Gray);
  Detect_Edges(Gray, Energy, Filter);
  const std::vector<int32_t> Zero_Row(Zero_Weights ? static_cast<size_t>(Width) : 0);  // read instead of the map
  const GML_Int* Search_Weights = Zero_Weights ? nullptr : &Weights;
  // Each seam but the first is searched behind the step that removes the
  // seam before it.
  const TSearch_Behind Search_Next = [&](const TRow_Progress& Step) {
    const TRows_Ready Ready{&Step};
    Find_Seam_In(Energy, Search_Weights, Zero_Row.data(), Cost, Path, ForwardEnergy, false, &Ready);
  };
  const auto Carve = [&](auto& Picture) {
    if (Seams > 0) Find_Seam_In(Energy, Search_Weights, Zero_Row.data(), Cost, Path, ForwardEnergy, true);
    for (int32_t Seam = 0; Seam < Seams && !Stopped(); ++Seam) {
      const bool Last = Seam + 1 == Seams;
      Remove_Seam(Picture, Path, Weights, Energy, Cost, Filter, Zero_Weights, Last ? nullptr : &Search_Next);
      Seam_Done(Seam + 1, Seams);
    }
  };
  With_Picture(FControl.Index_Colours && TIndexed_Picture::Fits(Width), Dest, Gray, Width, Carve);
}

void TGEM::Enlarge_Width(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t Stretch,
                         uint8_t Filter, bool ForwardEnergy, GML_Color& Dest) {
  const TCall Call(*this, "Enlarge_Width");
  if (Energy_Fits_16_Bits(Filter))
    Enlarge_Pass<GML_Word>(Source, Weights, TargetWidth, Stretch, Filter, ForwardEnergy, Dest);
  else
    Enlarge_Pass<GML_Int>(Source, Weights, TargetWidth, Stretch, Filter, ForwardEnergy, Dest);
}

template <typename Energy_Map>
void TGEM::Enlarge_Pass(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t Stretch,
                        uint8_t Filter, bool ForwardEnergy, GML_Color& Dest) {
  const int32_t Width = Source.Width(), Height = Source.Height();
  const int32_t Seams = TargetWidth - Width;
  // Every map starts with room for the final width, so no insertion
  // re-allocates a row, and none is allocated twice. Rows in the middle of
  // their room let each insertion move the shorter side of its row, to the
  // left or to the right; an indexed picture's colours never move, so it
  // keeps them at the front of their rows.
  const bool Indexed = FControl.Index_Colours && TIndexed_Picture::Fits(TargetWidth);
  Dest = GML_Color();
  Dest.SetSize(TargetWidth, Height);
  Dest.SetWidth(Width);
  if (!Indexed) Dest.CentreFreshRows();
  GML_Gray Gray = Indexed ? With_Room<GML_Gray>(Width, Height, TargetWidth)
                          : Centred_With_Room<GML_Gray>(Width, Height, TargetWidth);
  Energy_Map Energy = Centred_With_Room<Energy_Map>(Width, Height, TargetWidth);
  GML_Int Cost = Centred_With_Room<GML_Int>(Width, Height, TargetWidth);
  GML_Int Penalty = Centred_With_Room<GML_Int>(Width, Height, TargetWidth);  // no seam has passed yet
  // Weights that start at zero stay zero (an inserted weight is the mean of
  // two): then their map never moves, and their sum with the penalties is the
  // penalty map itself, which needs neither a map nor a pass of its own.
  const bool Weighted = !All_Zero(Weights);
  GML_Int Summed = Weighted ? With_Room<GML_Int>(Width, Height, TargetWidth) : GML_Int();
  const GML_Int& Search_Weights = Weighted ? Summed : Penalty;
  PAPixel Path(static_cast<size_t>(Height));
  if (Weighted) {
    Widen_Map(Weights, TargetWidth);
    Weights.CentreRows();
  } else {
    Weights = With_Room<GML_Int>(Width, Height, TargetWidth);  // the same zeros, grown in place
  }
  Copy_Pixels(Source, Dest);

  Grayscale_Image(Source, Gray);
  Detect_Edges(Gray, Energy, Filter);
  // Each seam but the first is searched behind the step that inserts the
  // seam before it, adding up the weights and penalties row by row.
  const TSearch_Behind Search_Next = [&](const TRow_Progress& Step) {
    const TRows_Ready Ready = Weighted ? TRows_Ready{&Step, &Weights, &Penalty, &Summed} : TRows_Ready{&Step};
    Find_Seam_In(Energy, &Search_Weights, nullptr, Cost, Path, ForwardEnergy, false, &Ready);
  };
  const auto Carve = [&](auto& Picture) {
    if (Seams > 0) {
      if (Weighted) Add_Weights(Weights, Penalty, Summed);
      Find_Seam_In(Energy, &Search_Weights, nullptr, Cost, Path, ForwardEnergy, true);
    }
    for (int32_t Seam = 0; Seam < Seams && !Stopped(); ++Seam) {
      const bool Last = Seam + 1 == Seams;
      if (Weighted && !Last) Summed.SetWidth(Picture.Width() + 1);  // set before the search behind the step reads it
      Insert_Seam(Picture, Path, Weights, Energy, Penalty, Cost, Stretch, Filter, !Weighted,
                  Last ? nullptr : &Search_Next);
      Seam_Done(Seam + 1, Seams);
    }
  };
  With_Picture(Indexed, Dest, Gray, TargetWidth, Carve);
}

void TGEM::Remove_Areas(const GML_Color& Source, const GML_Int& Weights, uint8_t Mode, int32_t Rounds,
                        int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Int& WorkWeights, GML_Color& Dest) {
  const TCall Call(*this, "Remove_Areas");
  GML_Color Picture;
  Picture.Assign(Source);
  WorkWeights.Assign(Weights);
  for (int32_t Round = 0; Round < Rounds; ++Round) {
    if (Stopped()) return;
    const TSize Target = Round_Target(Size_Of(Picture), Count_Marks(WorkWeights), Mode);
    if (Target == Size_Of(Picture)) continue;  // nothing left to carve out this round
    Carve_Resize(Picture, WorkWeights, Target.Width, Target.Height, Stretch, Filter, ForwardEnergy, Dest);
    std::swap(Picture, Dest);
  }
  if (Stopped()) return;
  Carve_Resize(Picture, WorkWeights, Source.Width(), Source.Height(), Stretch, Filter, ForwardEnergy, Dest);
}

void TGEM::Widen_Map(GML_Int& Map, int32_t NewWidth) {
  // Growing the width to NewWidth and back re-allocates each row once,
  // keeping its values, without a second copy of the whole map.
  const int32_t Width = Map.Width();
  Map.SetWidth(std::max(NewWidth, Width));
  Map.SetWidth(Width);
}

void TGEM::Copy_Pixels(const GML_Color& From, GML_Color& To) {
  const size_t Bytes = sizeof(uint32_t) * static_cast<size_t>(From.Width());
  for (int32_t Y = 0; Y < From.Height(); ++Y) std::memcpy(To.Row(Y), From.Row(Y), Bytes);
}

}  // namespace carvelo
