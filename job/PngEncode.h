// PNG files written fast: every row Paeth-filtered and deflated by zlib at
// a quick level, bands of rows side by side on the processors, so that a
// 12-megapixel picture takes a fraction of a second rather than the seconds
// a general-purpose encoder spends. Portable: the pixels come from a
// TBitmap, the bytes go to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Bitmap.h"

namespace carvelo {

// Where a PNG file's bytes go, in order, as they are made.
using TPngSink = std::function<void(const uint8_t* data, size_t size)>;

// The picture as a PNG file: 8-bit RGBA when it has alpha, else 8-bit RGB
// (the same pixels, a quarter fewer bytes), handed to write piece by piece.
// Throws std::bad_alloc, std::runtime_error when the compressor fails, or
// what write throws.
void EncodePng(const TBitmap& picture, const TPngSink& write);
// The same file's bytes all together.
std::vector<uint8_t> EncodePng(const TBitmap& picture);

}  // namespace carvelo
