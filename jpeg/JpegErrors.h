// libjpeg ends the process on a fatal error unless told otherwise, and
// prints its warnings. A TJpegErrors set as a compress or decompress object's
// error manager (Info.err = &Errors.Manager) jumps back to the caller's
// setjmp(Errors.Jump) instead, with libjpeg's message in Text, and keeps the
// warnings quiet. Between setjmp and the calls that may jump back only plain
// C objects may live: a jump skips destructors.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace carvelo {

struct TJpegErrors {
  jpeg_error_mgr Manager;  // first: libjpeg hands back a pointer to it
  std::jmp_buf Jump;
  char Text[JMSG_LENGTH_MAX];

  TJpegErrors();
  TJpegErrors(const TJpegErrors&) = delete;
  TJpegErrors& operator=(const TJpegErrors&) = delete;
};

}  // namespace carvelo
