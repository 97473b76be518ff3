// Decoding a JPEG held in memory (a resource of the module) with libjpeg, into
// rows in the byte order of a 24-bit device-independent bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace carvelo {

struct TJpegPicture {
  int Width = 0;
  int Height = 0;
  // Top row first; blue, green, red per pixel; each row padded to 4 bytes.
  std::vector<uint8_t> Pixels;

  size_t Stride() const { return (static_cast<size_t>(Width) * 3 + 3) & ~size_t{3}; }
};

// Nothing on failure (not a JPEG, damaged headers or data); `error`, when
// given, receives libjpeg's message. Never ends the process.
std::optional<TJpegPicture> DecodeJpeg(std::span<const uint8_t> data, std::string* error = nullptr);

}  // namespace carvelo
