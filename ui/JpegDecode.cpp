#include "JpegDecode.h"

#include <cstdio>

#include "JpegErrors.h"

namespace carvelo {

namespace {

// The module's pictures are window-sized; anything far larger is damage.
constexpr JDIMENSION MaxSide = 16384;

// libjpeg's errors jump back here, never end the process (and the host with
// it). Only plain C objects live between setjmp and the calls that may jump
// back: the picture is filled through a pointer owned by the caller.
bool Decode(const uint8_t* data, size_t size, TJpegPicture* picture, TJpegErrors* errors) {
  jpeg_decompress_struct info{};
  info.err = &errors->Manager;
  if (setjmp(errors->Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  if (info.output_width > MaxSide || info.output_height > MaxSide) {
    std::snprintf(errors->Text, sizeof errors->Text, "JPEG picture too large (%ux%u)", info.output_width,
                  info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  picture->Width = static_cast<int>(info.output_width);
  picture->Height = static_cast<int>(info.output_height);
  picture->Pixels.assign(picture->Stride() * info.output_height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture->Pixels.data() + picture->Stride() * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

std::optional<TJpegPicture> DecodeJpeg(std::span<const uint8_t> data, std::string* error) {
  if (data.empty()) {
    if (error) *error = "empty JPEG data";
    return std::nullopt;
  }
  TJpegPicture picture;
  TJpegErrors errors;
  if (!Decode(data.data(), data.size(), &picture, &errors)) {
    if (error) *error = errors.Text;
    return std::nullopt;
  }
  return picture;
}

}  // namespace carvelo
