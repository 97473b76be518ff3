#include "StandInPictureFile.h"

#include <wincodec.h>

#include <cstdio>

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

// Premultiplied BGRA over white: each channel plus what the alpha leaves
// uncovered.
uint32_t OverWhite(uint32_t premultiplied) {
  const uint32_t uncovered = 255 - (premultiplied >> 24);
  return (premultiplied & 0xFFFFFF) + uncovered * 0x010101;
}

std::vector<BYTE> Rows24(const TPixels& pixels, UINT stride) {
  std::vector<BYTE> rows(static_cast<size_t>(stride) * pixels.height);
  for (int y = 0; y < pixels.height; ++y) {
    BYTE* out = rows.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t p = pixels.data[static_cast<size_t>(y) * pixels.width + x];
      *out++ = static_cast<BYTE>(p);        // blue
      *out++ = static_cast<BYTE>(p >> 8);   // green
      *out++ = static_cast<BYTE>(p >> 16);  // red
    }
  }
  return rows;
}

void EncodePng(IWICImagingFactory& factory, const TPixels& pixels, const std::wstring& path) {
  ComPtr<IWICStream> stream;
  Check(factory.CreateStream(stream.Put()), L"cannot write", path);
  Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), L"cannot create", path);
  ComPtr<IWICBitmapEncoder> encoder;
  Check(factory.CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()), L"no PNG encoder for", path);
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), L"cannot write", path);
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> frameOptions;
  Check(encoder->CreateNewFrame(frame.Put(), frameOptions.Put()), L"cannot write", path);
  Check(frame->Initialize(frameOptions.Get()), L"cannot write", path);
  Check(frame->SetSize(pixels.width, pixels.height), L"cannot write", path);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  Check(frame->SetPixelFormat(&format), L"cannot write", path);
  if (format != GUID_WICPixelFormat24bppBGR) Check(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, L"cannot write", path);
  const UINT stride = (static_cast<UINT>(pixels.width) * 3 + 3) & ~3u;
  std::vector<BYTE> rows = Rows24(pixels, stride);
  Check(frame->WritePixels(pixels.height, stride, static_cast<UINT>(rows.size()), rows.data()), L"cannot write",
        path);
  Check(frame->Commit(), L"cannot write", path);
  Check(encoder->Commit(), L"cannot write", path);
}

}  // namespace

TPixels LoadPictureFile(const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory = Factory(path);
  ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                           decoder.Put()),
        L"cannot read picture file", path);
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.Put()), L"no picture in", path);
  ComPtr<IWICFormatConverter> converter;
  Check(factory->CreateFormatConverter(converter.Put()), L"cannot convert", path);
  Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom),
        L"cannot convert", path);
  UINT width = 0, height = 0;
  Check(converter->GetSize(&width, &height), L"cannot read picture file", path);
  if (width == 0 || height == 0 || static_cast<unsigned long long>(width) * height > kMaxPixels)
    Check(WINCODEC_ERR_IMAGESIZEOUTOFRANGE, L"picture too large or empty in", path);
  TPixels pixels{static_cast<int>(width), static_cast<int>(height),
                 std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  Check(converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(pixels.data.data())),
        L"cannot decode", path);
  for (uint32_t& p : pixels.data) p = OverWhite(p);
  return pixels;
}

void SavePngFile(const TPixels& pixels, const std::wstring& path) {
  if (pixels.Empty() || pixels.data.size() != static_cast<size_t>(pixels.width) * pixels.height)
    Check(E_INVALIDARG, L"no pixels to write to", path);
  ComPtr<IWICImagingFactory> factory = Factory(path);
  // Written beside the file, then moved over it: a failure leaves the old
  // file as it was.
  const std::wstring temporary = path + L".part";
  try {
    EncodePng(*factory, pixels, temporary);
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
