#include "ImageFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include <jerror.h>
#include <png.h>

#include "JpegErrors.h"
#include "OutputFile.h"
#include "PngEncode.h"

// libpng and libjpeg report errors by longjmp. Every function below that
// calls them and sets a jump point holds no object with a destructor of its
// own; the objects they fill live in their callers.

namespace carvelo {

namespace {

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(), [](unsigned char C) { return char(std::tolower(C)); });
  return Text;
}

// A stdio stream closed on every path.
class TFile {
public:
  TFile(FILE* Stream) : FStream(Stream) {}
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  ~TFile() {
    if (FStream) std::fclose(FStream);
  }
  FILE* Get() const { return FStream; }

private:
  FILE* FStream;
};

void CheckSize(uint32_t Width, uint32_t Height) {
  if (Width == 0 || Height == 0) throw TImageError("the picture is empty");
  CheckPictureSize(Width, Height);
}

// --- PNG ------------------------------------------------------------------------

struct TPngMessage {
  char Text[256] = "broken PNG data";
};

void PngError(png_structp Png, png_const_charp Message) {
  auto* Out = static_cast<TPngMessage*>(png_get_error_ptr(Png));
  // libpng says only "Read Error" when the file ends early.
  const bool Short = std::strcmp(Message, "Read Error") == 0;
  std::snprintf(Out->Text, sizeof Out->Text, "%s", Short ? "the PNG data ends too early" : Message);
  png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

constexpr png_alloc_size_t PngChunkMax = 8 << 20;
constexpr png_uint_32 PngChunkCountMax = 1000;

// The size in the header (IHDR, always first) is checked before libpng reads
// anything: a 69-byte file may claim any size.
void CheckPngHeaderSize(const png_byte* Header, size_t Bytes) {
  constexpr size_t SizeEnd = 24;  // signature, chunk length and type, width, height
  if (Bytes < SizeEnd || std::memcmp(Header + 12, "IHDR", 4) != 0) return;  // libpng explains
  CheckSize(png_get_uint_32(Header + 16), png_get_uint_32(Header + 20));
}

struct TPngReader {
  TPngMessage Message;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TPngReader() {
    Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &Message, PngError, PngWarning);
    if (Png) Info = png_create_info_struct(Png);
    if (!Png || !Info) throw TImageError("out of memory");
    // libpng's own limits as a second line: sides, and metadata chunks
    // (compressed text can inflate without bound).
    png_set_user_limits(Png, MaxImageSide, MaxImageSide);
    png_set_chunk_malloc_max(Png, PngChunkMax);
    png_set_chunk_cache_max(Png, PngChunkCountMax);
  }
  ~TPngReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

// Reads the header and asks for 8-bit BGR rows; false on a libpng error.
bool ReadPngHeader(TPngReader& R, FILE* Stream, uint32_t& Width, uint32_t& Height, int& Passes, size_t& RowBytes) {
  if (setjmp(png_jmpbuf(R.Png))) return false;
  png_init_io(R.Png, Stream);
  png_read_info(R.Png, R.Info);
  const int ColourType = png_get_color_type(R.Png, R.Info);
  const int BitDepth = png_get_bit_depth(R.Png, R.Info);
  if (ColourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(R.Png);
  if ((ColourType & PNG_COLOR_MASK_COLOR) == 0) {
    if (BitDepth < 8) png_set_expand_gray_1_2_4_to_8(R.Png);
    png_set_gray_to_rgb(R.Png);
  }
  if (BitDepth == 16) png_set_strip_16(R.Png);
  // Transparency of any kind becomes a fourth byte of alpha.
  if (png_get_valid(R.Png, R.Info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(R.Png);
  png_set_bgr(R.Png);
  Passes = png_set_interlace_handling(R.Png);
  png_read_update_info(R.Png, R.Info);
  Width = png_get_image_width(R.Png, R.Info);
  Height = png_get_image_height(R.Png, R.Info);
  RowBytes = png_get_rowbytes(R.Png, R.Info);
  return true;
}

bool ReadPngRows(TPngReader& R, TBitmap& Bitmap, int Passes) {
  if (setjmp(png_jmpbuf(R.Png))) return false;
  for (int Pass = 0; Pass < Passes; ++Pass)
    for (int32_t y = 0; y < Bitmap.Height(); ++y) png_read_row(R.Png, Bitmap.ScanLine(y), nullptr);
  png_read_end(R.Png, nullptr);
  return true;
}

TBitmap ReadPng(FILE* Stream) {
  constexpr size_t SignatureBytes = 8;
  png_byte Header[24] = {};
  const size_t Read = std::fread(Header, 1, sizeof Header, Stream);
  if (Read < SignatureBytes || png_sig_cmp(Header, 0, SignatureBytes) != 0) throw TImageError("not a PNG file");
  CheckPngHeaderSize(Header, Read);
  if (std::fseek(Stream, SignatureBytes, SEEK_SET) != 0) throw TImageError(std::strerror(errno));
  TPngReader R;
  png_set_sig_bytes(R.Png, int(SignatureBytes));
  uint32_t Width = 0, Height = 0;
  int Passes = 1;
  size_t RowBytes = 0;
  if (!ReadPngHeader(R, Stream, Width, Height, Passes, RowBytes)) throw TImageError(R.Message.Text);
  CheckSize(Width, Height);
  const bool Alpha = RowBytes == size_t{Width} * 4;
  if (RowBytes != size_t{Width} * 3 && !Alpha) throw TImageError("unsupported PNG pixel layout");
  TBitmap Bitmap(int32_t(Width), int32_t(Height), Alpha ? 32 : 24);
  Bitmap.SetHasAlpha(Alpha);
  if (!ReadPngRows(R, Bitmap, Passes)) throw TImageError(R.Message.Text);
  return Bitmap;
}

// The shared encoder: Paeth rows at zlib's quickest level, deflated in bands
// side by side, written as they come.
void WritePng(FILE* Stream, const TBitmap& Bitmap) {
  try {
    EncodePng(Bitmap, [Stream](const uint8_t* Data, size_t Size) {
      if (std::fwrite(Data, 1, Size, Stream) != Size) throw TImageError(std::strerror(errno));
    });
  } catch (const TImageError&) {
    throw;
  } catch (const std::runtime_error& E) {  // the compressor's; running out of memory is told as such
    throw TImageError(E.what());
  }
}

// --- JPEG -----------------------------------------------------------------------

// libjpeg only warns about damaged or missing data, and fills what is missing
// with grey: here that fails the read. Warnings about metadata that is not
// used (the JFIF revision, an ICC profile) pass.
extern "C" void JpegWarningFails(j_common_ptr Info, int Level) {
  const int Code = Info->err->msg_code;
  if (Level < 0 && Code != JWRN_JFIF_MAJOR && Code != JWRN_BOGUS_ICC) (*Info->err->error_exit)(Info);
}

// libjpeg's own memory limit, for the whole-picture buffer of a progressive
// file: two bytes per coefficient, up to four components, for the largest
// picture read.
constexpr long JpegMemoryMax = 8 * long{MaxImagePixels};

struct TJpegReader {
  TJpegErrors Errors;
  jpeg_decompress_struct Info;
  TJpegReader() {
    Info.err = &Errors.Manager;
    Errors.Manager.emit_message = JpegWarningFails;
    jpeg_create_decompress(&Info);
    Info.mem->max_memory_to_use = JpegMemoryMax;
  }
  ~TJpegReader() { jpeg_destroy_decompress(&Info); }
};

bool ReadJpegHeader(TJpegReader& R, FILE* Stream) {
  if (setjmp(R.Errors.Jump)) return false;
  jpeg_stdio_src(&R.Info, Stream);
  jpeg_read_header(&R.Info, TRUE);
  return true;
}

// Allocates libjpeg's buffers: for a progressive file, the whole picture's.
bool StartJpeg(TJpegReader& R) {
  if (setjmp(R.Errors.Jump)) return false;
  R.Info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&R.Info);
  return true;
}

bool ReadJpegRows(TJpegReader& R, TBitmap& Bitmap) {
  if (setjmp(R.Errors.Jump)) return false;
  while (R.Info.output_scanline < R.Info.output_height) {
    JSAMPROW Row = Bitmap.ScanLine(int32_t(R.Info.output_scanline));
    jpeg_read_scanlines(&R.Info, &Row, 1);
  }
  jpeg_finish_decompress(&R.Info);
  return true;
}

TBitmap ReadJpeg(FILE* Stream) {
  TJpegReader R;
  if (!ReadJpegHeader(R, Stream)) throw TImageError(R.Errors.Text);
  CheckSize(R.Info.image_width, R.Info.image_height);
  if (!StartJpeg(R)) throw TImageError(R.Errors.Text);
  if (R.Info.output_components != 3) throw TImageError("unsupported JPEG colour layout");
  TBitmap Bitmap(int32_t(R.Info.output_width), int32_t(R.Info.output_height), 24);
  if (!ReadJpegRows(R, Bitmap)) throw TImageError(R.Errors.Text);
  return Bitmap;
}

struct TJpegWriter {
  TJpegErrors Errors;
  jpeg_compress_struct Info;
  TJpegWriter() {
    Info.err = &Errors.Manager;
    jpeg_create_compress(&Info);
  }
  ~TJpegWriter() { jpeg_destroy_compress(&Info); }
};

constexpr int JpegQuality = 92;

bool WriteJpegRows(TJpegWriter& W, FILE* Stream, const TBitmap& Bitmap) {
  if (setjmp(W.Errors.Jump)) return false;
  jpeg_stdio_dest(&W.Info, Stream);
  W.Info.image_width = JDIMENSION(Bitmap.Width());
  W.Info.image_height = JDIMENSION(Bitmap.Height());
  W.Info.input_components = 3;
  W.Info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&W.Info);
  jpeg_set_quality(&W.Info, JpegQuality, TRUE);
  jpeg_start_compress(&W.Info, TRUE);
  while (W.Info.next_scanline < W.Info.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW Row = const_cast<uint8_t*>(Bitmap.ScanLine(int32_t(W.Info.next_scanline)));
    jpeg_write_scanlines(&W.Info, &Row, 1);
  }
  jpeg_finish_compress(&W.Info);
  return true;
}

void WriteJpeg(FILE* Stream, const TBitmap& Bitmap) {
  TJpegWriter W;
  if (!WriteJpegRows(W, Stream, Bitmap)) throw TImageError(W.Errors.Text);
}

// --- Files ----------------------------------------------------------------------

TImageFormat RequireFormat(const std::string& Path) {
  const auto Format = ImageFormatOf(Path);
  if (!Format) throw TImageError("unsupported file type (use .png, .jpg or .jpeg)");
  return *Format;
}

}  // namespace

std::optional<TImageFormat> ImageFormatOf(const std::string& Path) {
  const std::string Extension = Lower(std::filesystem::path(Path).extension().string());
  if (Extension == ".png") return TImageFormat::Png;
  if (Extension == ".jpg" || Extension == ".jpeg") return TImageFormat::Jpeg;
  return std::nullopt;
}

TBitmap ReadImage(const std::string& Path) {
  const TImageFormat Format = RequireFormat(Path);
  TFile File(std::fopen(Path.c_str(), "rb"));
  if (!File.Get()) throw TImageError(std::strerror(errno));
  return Format == TImageFormat::Png ? ReadPng(File.Get()) : ReadJpeg(File.Get());
}

void WriteImage(const std::string& Path, const TBitmap& Bitmap) {
  const TImageFormat Format = RequireFormat(Path);
  if (Bitmap.Empty()) throw TImageError("the picture is empty");
  const TBitmap* Pixels = &Bitmap;
  TBitmap Converted;
  if (Format == TImageFormat::Png && Bitmap.HasAlpha()) {
    // written with its alpha
  } else if (Bitmap.HasAlpha()) {
    Converted = OverWhite(Bitmap);  // JPEG has no alpha
    Pixels = &Converted;
  } else if (Bitmap.BitCount() != 24) {
    Converted = ConvertDepth(Bitmap, 24);
    Pixels = &Converted;
  }

  TReplacement Replacement(OutputTarget(Path));
  if (Format == TImageFormat::Png)
    WritePng(Replacement.Stream(), *Pixels);
  else
    WriteJpeg(Replacement.Stream(), *Pixels);
  Replacement.Commit();
}

void CheckPictureSize(int64_t Width, int64_t Height) {
  if (Width > MaxImageSide || Height > MaxImageSide)
    throw TImageError("the picture is " + std::to_string(Width) + "x" + std::to_string(Height) +
                      ", more than " + std::to_string(MaxImageSide) + " pixels on a side");
  if (Width * Height > MaxImagePixels)
    throw TImageError("the picture is " + std::to_string(Width) + "x" + std::to_string(Height) + ", more than " +
                      std::to_string(MaxImagePixels) + " pixels in all");
}

}  // namespace carvelo
