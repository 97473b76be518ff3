#include "GEM_picture.h"

#include <cstring>

namespace carvelo {

TIndexed_Picture::TIndexed_Picture(GML_Color& Colours, GML_Gray& Grey, int32_t Room)
    : FColours(Colours), FGrey(Grey), FNext_Free(static_cast<size_t>(Colours.Height()), Colours.Width()) {
  const int32_t Width = Colours.Width(), Height = Colours.Height();
  FSlots = GML_Word(std::max(Width, Room), Height);
  FSlots.SetWidth(Width);
  FSlots.CentreFreshRows();  // insertions move the shorter side of a row
  for (int32_t Y = 0; Y < Height; ++Y) {
    uint16_t* Slots = FSlots.Row(Y);
    for (int32_t X = 0; X < Width; ++X) Slots[X] = static_cast<uint16_t>(X);
  }
}

template <typename Out>
void TIndexed_Picture::Energy(int32_t Y, int32_t First, int32_t Last, uint8_t Filter, Out* Energy) const {
  constexpr int32_t Piece = 16;  // the spans beside a seam are shorter
  const int32_t Width = FSlots.Width(), Height = FSlots.Height();
  uint8_t Rows[3][Piece + 2];
  for (int32_t Start = First; Start <= Last; Start += Piece) {
    const int32_t Count = std::min(Piece, Last - Start + 1);
    for (int32_t R = 0; R < 3; ++R) {
      const int32_t Row = std::clamp(Y + R - 1, 0, Height - 1);
      const uint16_t* Slots = FSlots.Row(Row);
      const uint8_t* Grey = FGrey.Row(Row);
      for (int32_t C = 0; C < Count + 2; ++C) Rows[R][C] = Grey[Slots[std::clamp(Start - 1 + C, 0, Width - 1)]];
    }
    Energy_Of_Rows(Rows[0], Rows[1], Rows[2], Count, Filter, Energy + Start);
  }
}

template void TIndexed_Picture::Energy(int32_t, int32_t, int32_t, uint8_t, int32_t*) const;
template void TIndexed_Picture::Energy(int32_t, int32_t, int32_t, uint8_t, uint16_t*) const;

void TIndexed_Picture::Finish() {
  const int32_t Width = FSlots.Width();
  std::vector<uint32_t> Row(static_cast<size_t>(Width));
  for (int32_t Y = 0; Y < FSlots.Height(); ++Y) {
    const uint16_t* Slots = FSlots.Row(Y);
    const uint32_t* Pool = FColours.Row(Y);
    for (int32_t X = 0; X < Width; ++X) Row[static_cast<size_t>(X)] = Pool[Slots[X]];
    std::memcpy(FColours.Row(Y), Row.data(), sizeof(uint32_t) * Row.size());
  }
  FColours.SetWidth(Width);
  FSlots = GML_Word();
}

}  // namespace carvelo
