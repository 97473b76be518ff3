// PNG pictures through the Windows Imaging Component: the ribbon's icons,
// the "PNG" clipboard format a host offers for a copied picture, and the
// file the carved picture goes back onto the slide from. PNG keeps the
// alpha channel that the device-dependent bitmap drops.
#pragma once

#include <wincodec.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "ComPtr.h"

namespace carvelo::addin {

// The PNG's first frame as 32-bit BGRA rows with straight alpha. Throws
// com::EHostError when it cannot be decoded.
com::ComPtr<IWICBitmapSource> DecodePngPixels(std::span<const uint8_t> png);

// The PNG as a bitmap: 24 bits when every pixel is opaque, else 32 bits with
// alpha. Throws com::EHostError for a PNG that cannot be decoded or whose
// size no picture here may have.
TBitmap PictureFromPng(std::span<const uint8_t> png);

// The picture as a 32-bit PNG with alpha (opaque when it has none).
// Throws com::EHostError when it cannot be encoded.
std::vector<uint8_t> PngOf(const TBitmap& picture);
// The same PNG written to the file at path, replacing it.
void WritePngFile(const TBitmap& picture, const std::wstring& path);

}  // namespace carvelo::addin
