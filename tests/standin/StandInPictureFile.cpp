#include "StandInPictureFile.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ComPtr.h"

namespace carvelo::standin {

using com::ComPtr;

namespace {

// Pictures beyond this many pixels are refused before their pixels are
// allocated (PowerPoint itself shrinks such pictures on insertion).
constexpr unsigned long long kMaxPixels = 1ull << 28;

std::wstring Hex(HRESULT status) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(status));
  return text;
}

// Raises EPictureFileError when `status` is a failure.
void Check(HRESULT status, const wchar_t* what, const std::wstring& path) {
  if (FAILED(status))
    throw EPictureFileError{status, std::wstring(what) + L" \"" + path + L"\" (" + Hex(status) + L")"};
}

ComPtr<IWICImagingFactory> Factory(const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         factory.PutVoid()),
        L"no imaging component for", path);
  return factory;
}

TPixels Decode(IWICImagingFactory& factory, IWICBitmapDecoder& decoder, const std::wstring& path) {
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder.GetFrame(0, frame.Put()), L"no picture in", path);
  ComPtr<IWICFormatConverter> converter;
  Check(factory.CreateFormatConverter(converter.Put()), L"cannot convert", path);
  Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom),
        L"cannot convert", path);
  UINT width = 0, height = 0;
  Check(converter->GetSize(&width, &height), L"cannot read picture", path);
  if (width == 0 || height == 0 || static_cast<unsigned long long>(width) * height > kMaxPixels)
    Check(WINCODEC_ERR_IMAGESIZEOUTOFRANGE, L"picture too large or empty in", path);
  TPixels pixels{static_cast<int>(width), static_cast<int>(height),
                 std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  Check(converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(pixels.data.data())),
        L"cannot decode", path);
  pixels.alpha = std::any_of(pixels.data.begin(), pixels.data.end(), [](uint32_t p) { return p >> 24 != 255; });
  if (!pixels.alpha)
    for (uint32_t& p : pixels.data) p &= 0xFFFFFF;
  return pixels;
}

// Rows of blue, green, red (and alpha, for pixels with alpha), each padded
// to `stride` bytes.
std::vector<BYTE> Rows(const TPixels& pixels, UINT stride) {
  std::vector<BYTE> rows(static_cast<size_t>(stride) * pixels.height);
  for (int y = 0; y < pixels.height; ++y) {
    BYTE* out = rows.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t p = pixels.data[static_cast<size_t>(y) * pixels.width + x];
      *out++ = static_cast<BYTE>(p);        // blue
      *out++ = static_cast<BYTE>(p >> 8);   // green
      *out++ = static_cast<BYTE>(p >> 16);  // red
      if (pixels.alpha) *out++ = static_cast<BYTE>(p >> 24);
    }
  }
  return rows;
}

void EncodePng(IWICImagingFactory& factory, IStream& stream, const TPixels& pixels, const std::wstring& path) {
  ComPtr<IWICBitmapEncoder> encoder;
  Check(factory.CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()), L"no PNG encoder for", path);
  Check(encoder->Initialize(&stream, WICBitmapEncoderNoCache), L"cannot write", path);
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> frameOptions;
  Check(encoder->CreateNewFrame(frame.Put(), frameOptions.Put()), L"cannot write", path);
  Check(frame->Initialize(frameOptions.Get()), L"cannot write", path);
  Check(frame->SetSize(pixels.width, pixels.height), L"cannot write", path);
  const WICPixelFormatGUID wanted = pixels.alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID format = wanted;
  Check(frame->SetPixelFormat(&format), L"cannot write", path);
  if (format != wanted) Check(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, L"cannot write", path);
  const UINT stride = (static_cast<UINT>(pixels.width) * (pixels.alpha ? 4 : 3) + 3) & ~3u;
  std::vector<BYTE> rows = Rows(pixels, stride);
  Check(frame->WritePixels(pixels.height, stride, static_cast<UINT>(rows.size()), rows.data()), L"cannot write",
        path);
  Check(frame->Commit(), L"cannot write", path);
  Check(encoder->Commit(), L"cannot write", path);
}

void RequirePixels(const TPixels& pixels, const std::wstring& path) {
  if (pixels.Empty() || pixels.data.size() != static_cast<size_t>(pixels.width) * pixels.height)
    Check(E_INVALIDARG, L"no pixels to write to", path);
}

}  // namespace

TPixels LoadPictureFile(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) Check(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"cannot read picture file", path);
  auto bytes = std::make_shared<std::vector<uint8_t>>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  TPixels pixels = DecodePicture(*bytes, path);
  static constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes->size() > sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes->begin()))
    pixels.png = std::move(bytes);
  return pixels;
}

TPixels DecodePicture(std::span<const uint8_t> bytes, const std::wstring& what) {
  ComPtr<IWICImagingFactory> factory = Factory(what);
  ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Put()), L"cannot read", what);
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
        L"cannot read", what);
  ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put()),
        L"cannot read picture in", what);
  return Decode(*factory.Get(), *decoder.Get(), what);
}

std::vector<uint8_t> PngBytes(const TPixels& pixels) {
  const std::wstring what = L"the clipboard's PNG";
  RequirePixels(pixels, what);
  ComPtr<IWICImagingFactory> factory = Factory(what);
  ComPtr<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), L"cannot write", what);
  EncodePng(*factory.Get(), *stream.Get(), pixels, what);
  STATSTG status{};
  Check(stream->Stat(&status, STATFLAG_NONAME), L"cannot write", what);
  std::vector<uint8_t> bytes(static_cast<size_t>(status.cbSize.QuadPart));
  Check(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), L"cannot write", what);
  ULONG read = 0;
  Check(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), L"cannot write", what);
  return bytes;
}

void SavePngFile(const TPixels& pixels, const std::wstring& path) {
  RequirePixels(pixels, path);
  ComPtr<IWICImagingFactory> factory = Factory(path);
  // Written beside the file, then moved over it: a failure leaves the old
  // file as it was.
  const std::wstring temporary = path + L".part";
  try {
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Put()), L"cannot write", temporary);
    Check(stream->InitializeFromFilename(temporary.c_str(), GENERIC_WRITE), L"cannot create", temporary);
    EncodePng(*factory.Get(), *stream.Get(), pixels, temporary);
  } catch (...) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const HRESULT status = HRESULT_FROM_WIN32(GetLastError());
    DeleteFileW(temporary.c_str());
    Check(status, L"cannot replace", path);
  }
}

}  // namespace carvelo::standin
