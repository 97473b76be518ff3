// PNG and JPEG files to and from 24-bit bitmaps (32-bit with alpha for a
// transparent PNG), the format chosen by the file name's extension.
#pragma once

#include <optional>
#include <string>

#include "Bitmap.h"
#include "ImageError.h"

namespace carvelo {

enum class TImageFormat { Png, Jpeg };

// .png, .jpg or .jpeg in any letter case; nothing for other names.
std::optional<TImageFormat> ImageFormatOf(const std::string& Path);

// The largest side a picture may have: the engine's arithmetic allows no more.
inline constexpr int32_t MaxImageSide = 32767;
// The most pixels a picture may have (64 megapixels, 8192 x 8192). Carving
// needs up to about 50 bytes per pixel of the larger of the picture being
// carved and the result, so a job stays within about 3.5 GB.
inline constexpr int64_t MaxImagePixels = int64_t{1} << 26;

// Throws TImageError when a picture of Width x Height is over the limits.
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
