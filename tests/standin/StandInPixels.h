// A picture's pixels as the stand-in keeps, draws and hands them over.
#pragma once

#include <cstdint>
#include <vector>

namespace carvelo::standin {

// 0x00RRGGBB, rows top to bottom.
struct TPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  bool Empty() const noexcept { return data.empty(); }
};

}  // namespace carvelo::standin
