// A JPEG held in memory (a picture compiled into the module) as a bitmap the
// windows can draw.
#pragma once

#include <cstdint>
#include <span>

#include "Gdi_win.h"

namespace carvelo {

// A 24-bit top-down DIB section of the decoded picture; empty when the data
// cannot be decoded or the section not made.
TGdiBitmap MakeJpegBitmap(std::span<const uint8_t> jpeg);

}  // namespace carvelo
