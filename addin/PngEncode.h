// PNG files written fast: every row Paeth-filtered and deflated by zlib at
// a quick level, bands of rows side by side on the processors, so that a
// 12-megapixel picture takes a fraction of a second rather than the seconds
// a general-purpose encoder spends. Portable: the pixels come from a
// TBitmap, the bytes go to the caller.
#pragma once

#include <cstdint>
#include <vector>

#include "Bitmap.h"

namespace carvelo::addin {

// The picture as a PNG file's bytes: 8-bit RGBA when it has alpha, else 8-bit
// RGB (the same pixels, a quarter fewer bytes). Throws std::bad_alloc, or
// std::runtime_error when the compressor fails.
std::vector<uint8_t> EncodePng(const TBitmap& picture);

}  // namespace carvelo::addin
