// Small pictures for the job's tests.
#pragma once

#include <functional>
#include <vector>

#include "Bitmap.h"

namespace carvelo::test {

// A bitmap of the given depth whose pixel (x, y) is Colour(x, y).
inline TBitmap Picture(int32_t W, int32_t H, const std::function<TRGB(int32_t, int32_t)>& Colour, int32_t Depth = 24) {
  TBitmap B(W, H, Depth);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) PutPixelRGB(B, x, y, Colour(x, y));
  return B;
}

inline TBitmap Uniform(int32_t W, int32_t H, TRGB Colour, int32_t Depth = 24) {
  return Picture(W, H, [Colour](int32_t, int32_t) { return Colour; }, Depth);
}

inline TRGB Grey(uint8_t V) { return {V, V, V}; }

// The red channel of row Y.
inline std::vector<int> RedRow(const TBitmap& B, int32_t Y) {
  std::vector<int> Row;
  for (int32_t x = 0; x < B.Width(); ++x) Row.push_back(GetPixelRGB(B, x, Y).R);
  return Row;
}

}  // namespace carvelo::test
