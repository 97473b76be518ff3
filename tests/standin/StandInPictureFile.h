// Picture files for the stand-in: a PNG or JPEG file read into a picture's
// pixels (to insert it on a slide), pixels written as a PNG file (slide
// renderings), and PNG bytes as the clipboard carries them, through the
// Windows Imaging Component.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "StandInPixels.h"

namespace carvelo::standin {

// A picture file that could not be read or written: what went wrong, with
// the file's name.
struct EPictureFileError {
  HRESULT status;
  std::wstring text;
};

// The file's first frame; pixels with alpha when some are not opaque.
// Raises EPictureFileError.
TPixels LoadPictureFile(const std::wstring& path);
// The same for a picture file's bytes in memory (`what` names it in errors).
TPixels DecodePicture(std::span<const uint8_t> bytes, const std::wstring& what);
// The pixels as PNG bytes, 32-bit with their alpha when they have one.
std::vector<uint8_t> PngBytes(const TPixels& pixels);
// Writes `pixels` as a PNG file (32-bit for pixels with alpha, else 24-bit),
// replacing the file. Raises EPictureFileError.
void SavePngFile(const TPixels& pixels, const std::wstring& path);

}  // namespace carvelo::standin
