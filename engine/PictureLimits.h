// The largest pictures the engine carves. Every part that takes a picture in
// (the command-line tool's reader, its size option) asks these.
#pragma once

#include <cstdint>

namespace carvelo {

// The largest side a picture may have: the engine's arithmetic allows no more.
inline constexpr int32_t MaxImageSide = 32767;
// The most pixels a picture may have (64 megapixels, 8192 x 8192). Carving
// needs up to about 50 bytes per pixel of the larger of the picture being
// carved and the result, so a job stays within about 3.5 GB.
inline constexpr int64_t MaxImagePixels = int64_t{1} << 26;

}  // namespace carvelo
