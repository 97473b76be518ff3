// The clipboard end of the picture round trip: a device-dependent bitmap
// (CF_BITMAP, clipboard format 2) taken out as a 24-bit picture, and a
// picture put in as one.
#pragma once

#include <optional>

#include "Bitmap.h"

namespace carvelo::addin {

// The clipboard's bitmap as a 24-bit picture; nothing when it holds none.
// Throws std::runtime_error when the clipboard cannot be opened or the
// bitmap read.
std::optional<TBitmap> TakeBitmapFromClipboard();

// Empties the clipboard and leaves a copy of Picture on it as its only
// bitmap. Throws std::runtime_error when that fails.
void PutBitmapOnClipboard(const TBitmap& Picture);

}  // namespace carvelo::addin
