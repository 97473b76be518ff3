// The clipboard end of the picture round trip. A copied picture is read from
// the richest format offered: "PNG" (which keeps alpha), a CF_DIBV5 whose
// alpha is in use, else the bitmap (CF_BITMAP, which the system also makes
// from a CF_DIB). A picture put on the clipboard goes as "PNG" and as a
// bitmap, so that programs that know no PNG still paste it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "Bitmap.h"
#include "CarveJob.h"

namespace carvelo::addin {

// The clipboard's picture: 32 bits with alpha when it has transparent
// pixels, else 24 bits; nothing when the clipboard holds no picture.
// Throws std::runtime_error when the clipboard cannot be opened or the
// bitmap read.
std::optional<TBitmap> TakePictureFromClipboard();

// The size of the clipboard's picture without reading its pixels: the PNG's
// header, else the bitmap's (which the system makes from a DIB here if it
// must, as reading the picture would); nothing when it holds no picture.
// Throws std::runtime_error when the clipboard cannot be opened.
std::optional<TPictureSize> ClipboardPictureSize();

// Empties the clipboard and leaves Picture on it as "PNG", with its alpha,
// and as a bitmap, which shows a transparent picture over white. Throws
// std::runtime_error when that fails.
void PutPictureOnClipboard(const TBitmap& Picture);
// The same with the picture's PNG already made.
void PutPictureOnClipboard(const TBitmap& Picture, std::span<const uint8_t> Png);

}  // namespace carvelo::addin
