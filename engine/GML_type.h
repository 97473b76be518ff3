// Two-dimensional buffers of the carving engine: colour pictures, grey
// pictures and signed 32-bit maps.
//
// Every buffer keeps a logical size (Width x Height) apart from its allocated
// capacity, and stores each row as its own array, so that seam removal and
// insertion can change the width by one column without copying the buffer and
// shift a row inside itself with one memory move. A row need not start at the
// front of its array: removing or inserting an element moves whichever side
// of it is shorter, and the row's start follows when that is the left side.
//
// The rows' arrays lie one after the other in one block: a carve walks down
// the rows of several maps at once, and a large block can be given big pages,
// which spares the processor a page-table walk for nearly every row.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace carvelo {

// Asks for the line holding Address; a hint only. GCC takes a function
// whose only effect is a prefetch for one without effects and drops the
// calls to it that it has not inlined yet: the empty volatile statement
// keeps them.
template <typename Elem>
inline void Prefetch_Line(const Elem* Address) {
#if defined(__GNUC__)
  __builtin_prefetch(Address);
  asm volatile("");
#else
  (void)Address;
#endif
}

// Moves Count bytes as memmove does (the two areas may overlap), in the
// widest steps this machine and C library allow.
void Move_Bytes(void* Dst, const void* Src, size_t Count);
// The same in 32-byte steps, when Count is at least 64 and the processor has
// AVX2; false (nothing moved) otherwise.
bool Move_Bytes_32(void* Dst, const void* Src, size_t Count);

// Zeroed storage for the rows of a buffer; blocks of several megabytes are
// given big pages where the system offers them.
struct TBlock_Free {
  size_t Mapped_Bytes = 0;  // a block mapped from the system on its own; 0: from the heap
  void operator()(void* Block) const noexcept;
};
using TBlock = std::unique_ptr<void, TBlock_Free>;
TBlock Allocate_Zeroed(size_t Bytes);

template <typename Elem>
class GML_Buffer {
  static_assert(std::is_trivially_copyable_v<Elem>);

public:
  using Element = Elem;

  GML_Buffer() = default;
  // Create(Width, Height): Height rows of Width zeroed elements.
  GML_Buffer(int32_t AWidth, int32_t AHeight) { Allocate(AWidth, AHeight); SetSizeFields(AWidth, AHeight); }
  GML_Buffer(const GML_Buffer&) = delete;
  GML_Buffer& operator=(const GML_Buffer&) = delete;
  GML_Buffer(GML_Buffer&&) noexcept = default;
  GML_Buffer& operator=(GML_Buffer&&) noexcept = default;
  ~GML_Buffer() = default;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t CapacityWidth() const { return FCapacityWidth; }
  int32_t CapacityHeight() const { return FCapacityHeight; }

  // Row Y as a plain array: the fast path of inner loops.
  Elem* Row(int32_t Y) { return FRows[static_cast<size_t>(Y)]; }
  const Elem* Row(int32_t Y) const { return FRows[static_cast<size_t>(Y)]; }

  // No bound checks: callers use these only inside the buffer.
  Elem Get(int32_t X, int32_t Y) const { return Row(Y)[X]; }
  void Put(int32_t X, int32_t Y, Elem Value) { Row(Y)[X] = Value; }

  // A read outside the picture returns the nearest border element.
  Elem GetClamped(int32_t X, int32_t Y) const {
    return Row(std::clamp(Y, 0, FHeight - 1))[std::clamp(X, 0, FWidth - 1)];
  }

  // Discards the contents and allocates W x H zeroed elements; the logical
  // size stays as it was (callers reserve room for a run of insertions).
  void Reserve(int32_t W, int32_t H) { Allocate(W, H); }

  // Grows every row when W exceeds the capacity (keeping its contents);
  // capacity never shrinks, so elements beyond a reduced width keep their
  // values and reappear when the width grows back (for rows whose start has
  // not moved).
  void SetWidth(int32_t W) {
    if (W > FCapacityWidth) {
      TBlock Grown = Allocate_Zeroed(sizeof(Elem) * static_cast<size_t>(W + 1) * static_cast<size_t>(FCapacityHeight));
      Elem* Rows = static_cast<Elem*>(Grown.get());
      for (int32_t y = 0; y < FCapacityHeight; ++y) {
        Elem* Moved = Rows + static_cast<size_t>(y) * static_cast<size_t>(W + 1);
        std::memcpy(Moved, Row(y), sizeof(Elem) * static_cast<size_t>(FCapacityWidth - Start_Of(y)));
        FRows[static_cast<size_t>(y)] = Moved;
      }
      Data = std::move(Grown);
      FCapacityWidth = W;
    } else if (W > FWidth) {
      for (int32_t y = 0; y < FCapacityHeight; ++y) Make_Room(y, W);
    }
    FWidth = W;
  }

  // Removes element X (0 <= X < Length <= Width) from the first Length
  // elements of row Y: elements X+1..Length-1 move one place to the left.
  // Element Length-1 is left undefined; the caller narrows the width next.
  void RemoveAt(int32_t X, int32_t Y, int32_t Length) {
    Elem* R = Row(Y);
    if (X < Length - 1 - X && Start_Of(Y) + Length <= FCapacityWidth) {
      Move_Bytes(R + 1, R, sizeof(Elem) * static_cast<size_t>(X));
      ++FRows[static_cast<size_t>(Y)];
    } else {
      Move_Bytes(R + X, R + X + 1, sizeof(Elem) * static_cast<size_t>(Length - 1 - X));
    }
  }

  // Opens a gap at X (0 <= X < Length - 1) in the first Length elements of
  // row Y, Length being the width just grown by one: elements X..Length-2
  // move one place to the right, element X is then at X and X+1.
  void InsertAt(int32_t X, int32_t Y, int32_t Length) {
    Elem* R = Row(Y);
    if (X + 1 < Length - 1 - X && Start_Of(Y) > 0) {
      Move_Bytes(R - 1, R, sizeof(Elem) * static_cast<size_t>(X + 1));
      --FRows[static_cast<size_t>(Y)];
    } else {
      Move_Bytes(R + X + 1, R + X, sizeof(Elem) * static_cast<size_t>(Length - 1 - X));
    }
  }

  // Moves every row to the middle of its array, so that insertions can move
  // the shorter side of a row on either side.
  void CentreRows() {
    const int32_t Start = (FCapacityWidth - FWidth) / 2;
    for (int32_t y = 0; y < FCapacityHeight; ++y) {
      Elem* Base = Base_Of(y);
      std::memmove(Base + Start, Row(y), sizeof(Elem) * static_cast<size_t>(FWidth));
      FRows[static_cast<size_t>(y)] = Base + Start;
    }
  }

  // CentreRows for a buffer just allocated, all of whose elements are zero:
  // only the rows' starts move, so its memory stays untouched (and is only
  // handed out by the system where it is written).
  void CentreFreshRows() {
    const int32_t Start = (FCapacityWidth - FWidth) / 2;
    for (int32_t y = 0; y < FCapacityHeight; ++y) FRows[static_cast<size_t>(y)] = Base_Of(y) + Start;
  }

  // Moves the tail of row Y by Delta elements. After SetWidth(Width + 1),
  // ShiftRow(X, Y, +1) opens a gap at X (element X is then duplicated at X
  // and X + 1); ShiftRow(X + 1, Y, -1) closes the element at X, the last
  // element keeping its value until the width shrinks past it.
  void ShiftRow(int32_t X, int32_t Y, int32_t Delta) {
    if (X >= FWidth && Delta < 0) return;
    if (FWidth <= 0 || FHeight <= 0) return;
    X = std::clamp(X, 0, FWidth - 1);
    Y = std::clamp(Y, 0, FHeight - 1);
    const int32_t D = std::clamp(X + Delta, 0, FWidth - 1);
    int32_t Count = FWidth - X;
    if (Delta > 0) Count -= Delta;
    if (Count <= 0) return;
    Elem* R = Row(Y);
    std::memmove(R + D, R + X, sizeof(Elem) * static_cast<size_t>(Count));
  }

protected:
  // Assign(Source): a copy of Source's logical size and contents.
  void AssignFrom(const GML_Buffer& Source) {
    if (&Source == this) return;
    Allocate(Source.FWidth, Source.FHeight);
    SetSizeFields(Source.FWidth, Source.FHeight);
    const size_t Bytes = sizeof(Elem) * static_cast<size_t>(FWidth);
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(Row(y), Source.Row(y), Bytes);
  }

  // Element (Y, X) := Source element (X, Y), in tiles to stay in the cache.
  void AssignTransposedFrom(const GML_Buffer& Source) {
    const int32_t SW = Source.FWidth, SH = Source.FHeight;
    SetSizeTo(SH, SW);
    constexpr int32_t Tile = 32;
    for (int32_t y0 = 0; y0 < SH; y0 += Tile) {
      const int32_t y1 = std::min(SH, y0 + Tile);
      for (int32_t x0 = 0; x0 < SW; x0 += Tile) {
        const int32_t x1 = std::min(SW, x0 + Tile);
        for (int32_t x = x0; x < x1; ++x) {
          Elem* Out = Row(x);
          for (int32_t y = y0; y < y1; ++y) Out[y] = Source.Row(y)[x];
        }
      }
    }
  }

  // SetSize(W, H): discards the contents, W x H zeroed elements.
  void SetSizeTo(int32_t W, int32_t H) {
    Allocate(W, H);
    SetSizeFields(W, H);
  }

  void FillWith(Elem Value) {
    for (int32_t y = 0; y < FHeight; ++y) std::fill_n(Row(y), FWidth, Value);
  }

private:
  // Every row has one spare element past the capacity, so that a row whose
  // start moved right still holds its old width until the width shrinks.
  void Allocate(int32_t W, int32_t H) {
    W = std::max(W, 0);
    H = std::max(H, 0);
    TBlock Block = Allocate_Zeroed(sizeof(Elem) * static_cast<size_t>(W + 1) * static_cast<size_t>(H));
    std::vector<Elem*> Starts(static_cast<size_t>(H));
    Elem* Rows = static_cast<Elem*>(Block.get());
    for (size_t y = 0; y < Starts.size(); ++y) Starts[y] = Rows + y * static_cast<size_t>(W + 1);
    Data = std::move(Block);
    FRows = std::move(Starts);
    FCapacityWidth = W;
    FCapacityHeight = H;
  }
  Elem* Base_Of(int32_t Y) const {
    return static_cast<Elem*>(Data.get()) + static_cast<size_t>(Y) * static_cast<size_t>(FCapacityWidth + 1);
  }
  int32_t Start_Of(int32_t Y) const { return static_cast<int32_t>(Row(Y) - Base_Of(Y)); }
  // Moves row Y to the middle of the room left in its array when Width
  // elements from its start would run past the capacity, so that rows grown
  // one element at a time move whole only a few times.
  void Make_Room(int32_t Y, int32_t Width) {
    const int32_t Start = Start_Of(Y);
    if (Start + Width <= FCapacityWidth) return;
    Elem* Base = Base_Of(Y);
    const int32_t New_Start = (FCapacityWidth - Width) / 2;
    std::memmove(Base + New_Start, Base + Start, sizeof(Elem) * static_cast<size_t>(FCapacityWidth - Start));
    FRows[static_cast<size_t>(Y)] = Base + New_Start;
  }
  void SetSizeFields(int32_t W, int32_t H) {
    FWidth = std::max(W, 0);
    FHeight = std::max(H, 0);
  }

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FCapacityWidth = 0;
  int32_t FCapacityHeight = 0;
  TBlock Data;               // the rows' arrays, CapacityWidth + 1 elements each
  std::vector<Elem*> FRows;  // where each row starts in its array
};

// A colour picture. A pixel is one 32-bit word 0xQQBBGGRR: byte 0 red, byte 1
// green, byte 2 blue, byte 3 a fourth channel that is only ever averaged.
class GML_Color : public GML_Buffer<uint32_t> {
public:
  using GML_Buffer::GML_Buffer;
  void Assign(const GML_Color& Source) { AssignFrom(Source); }
  void AssignTransposed(const GML_Color& Source) { AssignTransposedFrom(Source); }
  void SetSize(int32_t W, int32_t H) { SetSizeTo(W, H); }
};

// An 8-bit grey picture.
class GML_Gray : public GML_Buffer<uint8_t> {
public:
  using GML_Buffer::GML_Buffer;
};

// A map of unsigned 16-bit values: the edge energy of the filters whose
// responses fit, which halves the bytes that every seam moves and reads.
class GML_Word : public GML_Buffer<uint16_t> {
public:
  using GML_Buffer::GML_Buffer;
};

// A map of signed 32-bit values: edge energy, cumulative seam cost, weights.
class GML_Int : public GML_Buffer<int32_t> {
public:
  using GML_Buffer::GML_Buffer;
  void Assign(const GML_Int& Source) { AssignFrom(Source); }
  void AssignTransposed(const GML_Int& Source) { AssignTransposedFrom(Source); }
  void SetSize(int32_t W, int32_t H) { SetSizeTo(W, H); }
  void Fill(int32_t Value) { FillWith(Value); }
};

// Pixel word from its channels.
constexpr uint32_t GML_Pixel(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Fourth = 0) {
  return uint32_t(Red) | uint32_t(Green) << 8 | uint32_t(Blue) << 16 | uint32_t(Fourth) << 24;
}

}  // namespace carvelo
