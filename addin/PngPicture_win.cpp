#include "PngPicture_win.h"

#include <algorithm>
#include <cstring>

#include "HostError.h"
#include "PictureLimits.h"

namespace carvelo::addin {

using com::Check;
using com::ComPtr;
using com::EHostError;

namespace {

ComPtr<IWICImagingFactory> ImagingFactory() {
  ComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         factory.PutVoid()),
        "CoCreateInstance(WICImagingFactory)");
  return factory;
}

bool EveryPixelOpaque(const TBitmap& picture) {
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint8_t* row = picture.ScanLine(y);
    for (int32_t x = 0; x < picture.Width(); ++x)
      if (row[4 * x + 3] != 255) return false;
  }
  return true;
}

// The colour bytes of a 32-bit picture as a 24-bit one.
TBitmap WithoutAlpha(const TBitmap& picture) {
  TBitmap opaque(picture.Width(), picture.Height(), 24);
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint8_t* in = picture.ScanLine(y);
    uint8_t* out = opaque.ScanLine(y);
    for (int32_t x = 0; x < picture.Width(); ++x, in += 4, out += 3) std::memcpy(out, in, 3);
  }
  return opaque;
}

// One row of BGRA for a 24-bit row: every pixel opaque.
void OpaqueRow(const uint8_t* in, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
    std::memcpy(out, in, 3);
    out[3] = 255;
  }
}

void Encode(IWICImagingFactory& factory, IStream& stream, const TBitmap& picture) {
  if (picture.Empty()) throw EHostError(E_INVALIDARG, "an empty picture has no PNG");
  const TBitmap converted =
      picture.HasAlpha() || picture.BitCount() == 24 ? TBitmap() : ConvertDepth(picture, 24);
  const TBitmap& source = converted.Empty() ? picture : converted;
  ComPtr<IWICBitmapEncoder> encoder;
  Check(factory.CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()), "IWICImagingFactory::CreateEncoder");
  Check(encoder->Initialize(&stream, WICBitmapEncoderNoCache), "IWICBitmapEncoder::Initialize");
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  Check(encoder->CreateNewFrame(frame.Put(), options.Put()), "IWICBitmapEncoder::CreateNewFrame");
  Check(frame->Initialize(options.Get()), "IWICBitmapFrameEncode::Initialize");
  const UINT width = static_cast<UINT>(source.Width()), height = static_cast<UINT>(source.Height());
  Check(frame->SetSize(width, height), "IWICBitmapFrameEncode::SetSize");
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  Check(frame->SetPixelFormat(&format), "IWICBitmapFrameEncode::SetPixelFormat");
  if (format != GUID_WICPixelFormat32bppBGRA)
    throw EHostError(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, "the PNG encoder refuses 32-bit BGRA");
  if (source.HasAlpha()) {
    Check(frame->WritePixels(height, static_cast<UINT>(source.Stride()), static_cast<UINT>(source.Layout().ByteSize()),
                             const_cast<BYTE*>(source.ScanLine(0))),
          "IWICBitmapFrameEncode::WritePixels");
  } else {
    std::vector<uint8_t> row(size_t{width} * 4);
    for (UINT y = 0; y < height; ++y) {
      OpaqueRow(source.ScanLine(static_cast<int32_t>(y)), source.Width(), row.data());
      Check(frame->WritePixels(1, width * 4, width * 4, row.data()), "IWICBitmapFrameEncode::WritePixels");
    }
  }
  Check(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  Check(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

}  // namespace

ComPtr<IWICBitmapSource> DecodePngPixels(std::span<const uint8_t> png) {
  const ComPtr<IWICImagingFactory> factory = ImagingFactory();
  ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Put()), "IWICImagingFactory::CreateStream");
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size())),
        "IWICStream::InitializeFromMemory");
  ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(stream.Get(), &GUID_VendorMicrosoft, WICDecodeMetadataCacheOnDemand,
                                         decoder.Put()),
        "IWICImagingFactory::CreateDecoderFromStream");
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.Put()), "IWICBitmapDecoder::GetFrame");
  ComPtr<IWICFormatConverter> converter;
  Check(factory->CreateFormatConverter(converter.Put()), "IWICImagingFactory::CreateFormatConverter");
  Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom),
        "IWICFormatConverter::Initialize");
  ComPtr<IWICBitmapSource> source;
  Check(converter->QueryInterface(IID_IWICBitmapSource, source.PutVoid()), "IWICFormatConverter::QueryInterface");
  return source;
}

TBitmap PictureFromPng(std::span<const uint8_t> png) {
  const ComPtr<IWICBitmapSource> source = DecodePngPixels(png);
  UINT width = 0, height = 0;
  Check(source->GetSize(&width, &height), "IWICBitmapSource::GetSize");
  if (width == 0 || height == 0 || width > UINT(MaxImageSide) || height > UINT(MaxImageSide) ||
      int64_t{width} * height > MaxImagePixels)
    throw EHostError(WINCODEC_ERR_IMAGESIZEOUTOFRANGE, "the PNG picture's size is out of range");
  TBitmap picture(static_cast<int32_t>(width), static_cast<int32_t>(height), 32);
  Check(source->CopyPixels(nullptr, static_cast<UINT>(picture.Stride()), static_cast<UINT>(picture.Layout().ByteSize()),
                           picture.ScanLine(0)),
        "IWICBitmapSource::CopyPixels");
  if (EveryPixelOpaque(picture)) return WithoutAlpha(picture);
  picture.SetHasAlpha(true);
  return picture;
}

std::vector<uint8_t> PngOf(const TBitmap& picture) {
  const ComPtr<IWICImagingFactory> factory = ImagingFactory();
  ComPtr<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), "CreateStreamOnHGlobal");
  Encode(*factory.Get(), *stream.Get(), picture);
  STATSTG status{};
  Check(stream->Stat(&status, STATFLAG_NONAME), "IStream::Stat");
  std::vector<uint8_t> bytes(static_cast<size_t>(status.cbSize.QuadPart));
  Check(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), "IStream::Seek");
  ULONG read = 0;
  Check(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), "IStream::Read");
  if (read != bytes.size()) throw EHostError(E_FAIL, "the PNG could not be read back");
  return bytes;
}

void WritePngFile(const TBitmap& picture, const std::wstring& path) {
  const ComPtr<IWICImagingFactory> factory = ImagingFactory();
  ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Put()), "IWICImagingFactory::CreateStream");
  Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "IWICStream::InitializeFromFilename");
  Encode(*factory.Get(), *stream.Get(), picture);
}

}  // namespace carvelo::addin
