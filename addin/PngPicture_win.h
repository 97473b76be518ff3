// PNG pictures read through the Windows Imaging Component: the ribbon's
// icons and the "PNG" clipboard format a host offers for a copied picture,
// which keeps the alpha channel that the device-dependent bitmap drops.
// (They are written by EncodePng.)
#pragma once

#include <wincodec.h>

#include <cstdint>
#include <optional>
#include <span>

#include "Bitmap.h"
#include "CarveJob.h"
#include "ComPtr.h"

namespace carvelo::addin {

// Width and height as the PNG's header gives them, its pixels unread;
// nothing when it has no header or a side no picture here may have.
std::optional<TPictureSize> PngPictureSize(std::span<const uint8_t> png);

// The PNG's first frame as 32-bit BGRA rows with straight alpha. Throws
// com::EHostError when it cannot be decoded.
com::ComPtr<IWICBitmapSource> DecodePngPixels(std::span<const uint8_t> png);

// The PNG as a bitmap: 24 bits when every pixel is opaque, else 32 bits with
// alpha. Throws com::EHostError for a PNG that cannot be decoded or whose
// size no picture here may have.
TBitmap PictureFromPng(std::span<const uint8_t> png);

}  // namespace carvelo::addin
