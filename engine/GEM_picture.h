// The colour and grey pictures that a width pass carves, in two forms with
// one interface for the seam steps:
//
// - TMoving_Picture, the plain form: the colours and grey values themselves
//   move with every removed or inserted column.
// - TIndexed_Picture, the fast form: colours and grey values stay where
//   they are in a pool per row, and only a 16-bit map of pool slots moves,
//   2 bytes a pixel instead of 5. Every slot is used by one pixel at most,
//   so a removal blends the neighbours' slots in place and an insertion
//   takes the next free slot of its row.
//
// Both give the same colours, grey values and energies, byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "GEM.h"
#include "GEM_energy.h"
#include "GML_type.h"

namespace carvelo {

inline int32_t Seam_Column(const PAPixel& Path, int32_t Y) { return Path[static_cast<size_t>(Y)].X; }

// A kept neighbour takes half of the removed pixel, unless that pixel was
// marked for removal; its grey value follows its colour either way.
inline void Blend_Neighbour(uint32_t& Colour, uint8_t& Grey, uint32_t Removed, bool Blend) {
  if (Blend) Colour = TGEM::Average_Color(Removed, Colour);
  Grey = TGEM::Luminance(Colour);
}

// The pixel that an insertion at X puts between its left neighbour and the
// seam pixel (beside column 0: the seam pixel's copy).
inline uint32_t Inserted_Colour(uint32_t Seam_Pixel, uint32_t Left) { return TGEM::Average_Color(Seam_Pixel, Left); }

class TMoving_Picture {
public:
  TMoving_Picture(GML_Color& Colours, GML_Gray& Grey) : FColours(Colours), FGrey(Grey) {}

  int32_t Width() const { return FColours.Width(); }
  int32_t Height() const { return FColours.Height(); }
  void Set_Width(int32_t Width) {
    FColours.SetWidth(Width);
    FGrey.SetWidth(Width);
  }
  // Asks for what the step will touch a few rows on in the band ending at
  // End (the rows of other bands move meanwhile).
  void Prefetch(const PAPixel& Path, int32_t Y, int32_t End) const {
    constexpr int32_t Ahead = 4;
    if (Y + Ahead >= End) return;
    const int32_t X = Seam_Column(Path, Y + Ahead);
    Prefetch_Line(FColours.Row(Y + Ahead) + X);
    Prefetch_Line(FGrey.Row(Y + Ahead) + X);
  }
  // Takes column X out of the first Width of row Y; column 0 is left alone.
  void Remove(int32_t X, int32_t Y, int32_t Width, bool Blend) {
    uint32_t* Pixels = FColours.Row(Y);
    uint8_t* Grey = FGrey.Row(Y);
    if (X - 1 > 0) Blend_Neighbour(Pixels[X - 1], Grey[X - 1], Pixels[X], Blend);
    if (X + 1 < Width) Blend_Neighbour(Pixels[X + 1], Grey[X + 1], Pixels[X], Blend);
    FColours.RemoveAt(X, Y, Width);
    FGrey.RemoveAt(X, Y, Width);
  }
  // Opens column X of row Y, whose width is already Width.
  void Insert(int32_t X, int32_t Y, int32_t Width) {
    FColours.InsertAt(X, Y, Width);
    FGrey.InsertAt(X, Y, Width);
    uint32_t* Pixels = FColours.Row(Y);
    Pixels[X] = Inserted_Colour(Pixels[X], FColours.GetClamped(X - 1, Y));
    FGrey.Row(Y)[X] = TGEM::Luminance(Pixels[X]);
  }
  template <typename Out>
  void Energy(int32_t Y, int32_t First, int32_t Last, uint8_t Filter, Out* Energy) const {
    Energy_Span(FGrey, Y, First, Last, Filter, Energy);
  }
  // The carved picture is the colour map itself.
  void Finish() {}

private:
  GML_Color& FColours;
  GML_Gray& FGrey;
};

class TIndexed_Picture {
public:
  // Colours and Grey hold the picture in their first Width columns and have
  // room for every pixel the pass will make; the pass owns both meanwhile.
  TIndexed_Picture(GML_Color& Colours, GML_Gray& Grey, int32_t Room);

  // Whether a pass to Room columns fits 16-bit slots.
  static bool Fits(int32_t Room) { return Room >= 1 && Room <= 65536; }

  int32_t Width() const { return FSlots.Width(); }
  int32_t Height() const { return FSlots.Height(); }
  void Set_Width(int32_t Width) { FSlots.SetWidth(Width); }
  // The slots four rows on, and the pool entries two rows on that the slots
  // asked for two rows ago point at.
  void Prefetch(const PAPixel& Path, int32_t Y, int32_t End) const {
    constexpr int32_t Slots_Ahead = 4, Pool_Ahead = 2;
    if (Y + Slots_Ahead < End) Prefetch_Line(FSlots.Row(Y + Slots_Ahead) + Seam_Column(Path, Y + Slots_Ahead));
    if (Y + Pool_Ahead >= End) return;
    const int32_t Row = Y + Pool_Ahead;
    const uint16_t Slot = FSlots.Row(Row)[Seam_Column(Path, Row)];
    Prefetch_Line(FColours.Row(Row) + Slot);
    Prefetch_Line(FGrey.Row(Row) + Slot);
    Prefetch_Line(FColours.Row(Row) + FNext_Free[static_cast<size_t>(Row)]);
  }
  void Remove(int32_t X, int32_t Y, int32_t Width, bool Blend) {
    const uint16_t* Slots = FSlots.Row(Y);
    uint32_t* Pixels = FColours.Row(Y);
    uint8_t* Grey = FGrey.Row(Y);
    const uint32_t Removed = Pixels[Slots[X]];
    if (X - 1 > 0) Blend_Neighbour(Pixels[Slots[X - 1]], Grey[Slots[X - 1]], Removed, Blend);
    if (X + 1 < Width) Blend_Neighbour(Pixels[Slots[X + 1]], Grey[Slots[X + 1]], Removed, Blend);
    FSlots.RemoveAt(X, Y, Width);
  }
  void Insert(int32_t X, int32_t Y, int32_t Width) {
    FSlots.InsertAt(X, Y, Width);
    uint16_t* Slots = FSlots.Row(Y);
    uint32_t* Pixels = FColours.Row(Y);
    const auto Slot = static_cast<uint16_t>(FNext_Free[static_cast<size_t>(Y)]++);
    Pixels[Slot] = Inserted_Colour(Pixels[Slots[X]], Pixels[FSlots.GetClamped(X - 1, Y)]);
    FGrey.Row(Y)[Slot] = TGEM::Luminance(Pixels[Slot]);
    Slots[X] = Slot;
  }
  // The grey values around the span are gathered first: the same clamped
  // neighbourhoods that the moving picture's filter reads.
  template <typename Out>
  void Energy(int32_t Y, int32_t First, int32_t Last, uint8_t Filter, Out* Energy) const;
  // Puts every row's colours in column order at the front of its row and
  // gives the colour map the carved width.
  void Finish();

private:
  GML_Color& FColours;
  GML_Gray& FGrey;
  GML_Word FSlots;                  // column -> slot of its row's pool
  std::vector<int32_t> FNext_Free;  // per row
};

}  // namespace carvelo
