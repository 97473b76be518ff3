// PNG and JPEG files to and from 24-bit bitmaps (32-bit with alpha for a
// transparent PNG), the format chosen by the file name's extension.
#pragma once

#include <optional>
#include <string>

#include "Bitmap.h"
#include "ImageError.h"
#include "PictureLimits.h"

namespace carvelo {

enum class TImageFormat { Png, Jpeg };

// .png, .jpg or .jpeg in any letter case; nothing for other names.
std::optional<TImageFormat> ImageFormatOf(const std::string& Path);

// Throws TImageError when a picture of Width x Height is over the engine's
// limits (PictureLimits.h).
void CheckPictureSize(int64_t Width, int64_t Height);

// The picture in Path as 24 bits per pixel, or, for a PNG with transparency
// (an alpha channel or a transparent colour), 32 bits with alpha; grey and
// palette pictures become RGB,
// 16-bit channels keep their high byte. The size in the header is checked
// against the limits before any pixel buffer is made; damaged or truncated
// data fails the read.
TBitmap ReadImage(const std::string& Path);

// Writes Bitmap to Path, replacing it only when the whole file was written:
// the file is first written beside Path under a temporary name, then renamed
// (see OutputFile.h: links are written through, read-only files refused).
// On failure Path is as it was and the temporary file is gone. A bitmap
// with alpha is written to a PNG with its alpha, to a JPEG as it looks on
// a white page.
void WriteImage(const std::string& Path, const TBitmap& Bitmap);

}  // namespace carvelo
