// Picture files for the stand-in: a PNG or JPEG file read into a picture's
// pixels (to insert it on a slide) and pixels written as a PNG file (slide
// renderings), through the Windows Imaging Component.
#pragma once

#include <windows.h>

#include <string>

#include "StandInPowerPoint.h"

namespace carvelo::standin {

// A picture file that could not be read or written: what went wrong, with
// the file's name.
struct EPictureFileError {
  HRESULT status;
  std::wstring text;
};

// The file's first frame as opaque pixels; a transparent picture is shown
// over white, as on a white slide. Raises EPictureFileError.
TPixels LoadPictureFile(const std::wstring& path);
// Writes `pixels` as a 24-bit PNG file, replacing the file. Raises
// EPictureFileError.
void SavePngFile(const TPixels& pixels, const std::wstring& path);

}  // namespace carvelo::standin
