// Two-dimensional buffers of the carving engine: colour pictures, grey
// pictures and signed 32-bit maps.
//
// Every buffer keeps a logical size (Width x Height) apart from its allocated
// capacity, and stores each row as its own array, so that seam removal and
// insertion can change the width by one column without copying the buffer and
// shift a row inside itself with one memory move.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace carvelo {

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
  Elem* Row(int32_t Y) { return Data[static_cast<size_t>(Y)].get(); }
  const Elem* Row(int32_t Y) const { return Data[static_cast<size_t>(Y)].get(); }

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
  // values and reappear when the width grows back.
  void SetWidth(int32_t W) {
    if (W > FCapacityWidth) {
      for (int32_t y = 0; y < FCapacityHeight; ++y) {
        auto Grown = std::make_unique<Elem[]>(static_cast<size_t>(W));
        std::memcpy(Grown.get(), Data[static_cast<size_t>(y)].get(), sizeof(Elem) * static_cast<size_t>(FCapacityWidth));
        Data[static_cast<size_t>(y)] = std::move(Grown);
      }
      FCapacityWidth = W;
    }
    FWidth = W;
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
  void Allocate(int32_t W, int32_t H) {
    W = std::max(W, 0);
    H = std::max(H, 0);
    std::vector<std::unique_ptr<Elem[]>> Rows(static_cast<size_t>(H));
    for (auto& R : Rows) R = std::make_unique<Elem[]>(static_cast<size_t>(W));
    Data = std::move(Rows);
    FCapacityWidth = W;
    FCapacityHeight = H;
  }
  void SetSizeFields(int32_t W, int32_t H) {
    FWidth = std::max(W, 0);
    FHeight = std::max(H, 0);
  }

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FCapacityWidth = 0;
  int32_t FCapacityHeight = 0;
  std::vector<std::unique_ptr<Elem[]>> Data;  // one separately allocated array per row
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
