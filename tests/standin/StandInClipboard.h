// The clipboard as the stand-in's Copy and Paste use it: a picture goes as a
// device-dependent bitmap (CF_BITMAP), any other shape only in a private
// format, so that a paste of it yields no picture.
#pragma once

#include <string>

#include "StandInPixels.h"

namespace carvelo::standin {

void PutPictureOnClipboard(const TPixels& pixels);
void PutShapeOnClipboard(const std::wstring& shapeName);
// False when the clipboard holds no bitmap.
bool TakePictureFromClipboard(TPixels& pixels);
// True when the clipboard holds a non-picture shape of the stand-in.
bool ClipboardHoldsShape();

}  // namespace carvelo::standin
