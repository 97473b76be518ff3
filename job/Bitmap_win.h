// Bitmaps of the Windows build live in DIB sections, so that the platform's
// stretch and the clipboard reach the very pixels the resampler and the job
// work on through ScanLine.
#pragma once

#include <windows.h>

#include "Bitmap.h"

namespace carvelo {

// The DIB section holding Bitmap's pixels; null for an empty bitmap.
HBITMAP DibSectionOf(const TBitmap& Bitmap);

// The width and height of the picture behind a bitmap handle, its pixels
// unread; false when the handle is no bitmap or the picture is empty.
bool BitmapHandleSize(HBITMAP Handle, int32_t& Width, int32_t& Height);

// A 24-bit copy of the picture behind any bitmap handle (device-dependent
// or a DIB section). Throws std::runtime_error when it cannot be read.
TBitmap BitmapFromHandle(HBITMAP Handle);

// A new DIB section with a 24-bit copy of Bitmap's pixels, owned by the
// caller (for instance to hand over to the clipboard). Throws
// std::bad_alloc when the system has no room for it.
HBITMAP NewHandleOf(const TBitmap& Bitmap);

}  // namespace carvelo
