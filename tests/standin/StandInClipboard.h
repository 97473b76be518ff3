// The clipboard as the stand-in's Copy and Paste use it: a picture goes as a
// device-dependent bitmap (CF_BITMAP) and, unless told otherwise, also as
// "PNG" with its alpha; any other shape only in a private format, so that a
// paste of it yields no picture.
#pragma once

#include <string>

#include "StandInPixels.h"

namespace carvelo::standin {

// Guess: the bitmap shows a transparent picture over white.
void PutPictureOnClipboard(const TPixels& pixels, bool withPng = true);
void PutShapeOnClipboard(const std::wstring& shapeName);

// Which of the clipboard's picture formats a paste takes.
enum class TPictureFormat { Png, Bitmap };
// False when the clipboard holds no picture in `format`.
bool TakePictureFromClipboard(TPixels& pixels, TPictureFormat format = TPictureFormat::Bitmap);
bool ClipboardHoldsPng();
// True when the clipboard holds a non-picture shape of the stand-in.
bool ClipboardHoldsShape();

}  // namespace carvelo::standin
