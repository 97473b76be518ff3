#include "JpegBitmap_win.h"

#include <cstring>

#include "JpegDecode.h"

namespace carvelo {

TGdiBitmap MakeJpegBitmap(std::span<const uint8_t> jpeg) {
  const auto picture = DecodeJpeg(jpeg);
  if (!picture) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture->Width;
  info.bmiHeader.biHeight = -picture->Height;  // top row first, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TGdiBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (dib && bits) std::memcpy(bits, picture->Pixels.data(), picture->Pixels.size());
  return dib;
}

}  // namespace carvelo
