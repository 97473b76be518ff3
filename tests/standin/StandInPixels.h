// A picture's pixels as the stand-in keeps, draws and hands them over.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace carvelo::standin {

// 0x00RRGGBB, rows top to bottom; with `alpha`, 0xAARRGGBB with the
// colour not multiplied by its alpha (a picture with transparent pixels).
struct TPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  bool alpha = false;
  // The PNG file these pixels were read from, if any. Guess: PowerPoint
  // keeps an inserted picture's file and offers it on Copy as it is.
  std::shared_ptr<const std::vector<uint8_t>> png = nullptr;
  bool Empty() const noexcept { return data.empty(); }
};

// A pixel of `pixels` as it shows over `behind` (0x00RRGGBB), rounded.
inline uint32_t Over(uint32_t pixel, uint32_t behind) noexcept {
  const uint32_t a = pixel >> 24;
  uint32_t shown = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t c = (pixel >> shift & 0xFF) * a + (behind >> shift & 0xFF) * (255 - a);
    shown |= (c + 127) / 255 << shift;
  }
  return shown;
}

}  // namespace carvelo::standin
