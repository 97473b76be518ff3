#include "JpegErrors.h"

#include <cstring>

namespace carvelo {

namespace {

extern "C" void JumpBack(j_common_ptr Info) {
  auto* Errors = reinterpret_cast<TJpegErrors*>(Info->err);
  (*Info->err->format_message)(Info, Errors->Text);
  std::longjmp(Errors->Jump, 1);
}

extern "C" void StayQuiet(j_common_ptr, int) {}

}  // namespace

TJpegErrors::TJpegErrors() {
  jpeg_std_error(&Manager);
  Manager.error_exit = JumpBack;
  Manager.emit_message = StayQuiet;
  std::strcpy(Text, "broken JPEG data");
}

}  // namespace carvelo
