#include "PngPicture_win.h"

#include <cstring>
#include <string_view>

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

uint32_t BigEndianAt(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// Sides that a picture here may have.
bool SidesInRange(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && width <= uint32_t(MaxImageSide) && height <= uint32_t(MaxImageSide);
}

// The header chunk's data follows the signature and the chunk's length and
// type.
constexpr size_t kSignature = 8, kHeaderData = kSignature + 8;

bool HasHeader(std::span<const uint8_t> png) {
  return png.size() >= kHeaderData + 13 && std::memcmp(png.data() + kSignature + 4, "IHDR", 4) == 0;
}

// Whether the PNG's header says it has no alpha: a grey, colour or palette
// picture without a transparency chunk before its pixel data.
bool PngHasNoAlpha(std::span<const uint8_t> png) {
  constexpr size_t kColourTypeInHeader = 9;
  if (!HasHeader(png)) return false;
  size_t at = kSignature;
  const uint8_t colourType = png[kHeaderData + kColourTypeInHeader];
  if (colourType != 0 && colourType != 2 && colourType != 3) return false;
  while (png.size() >= at + 12) {
    const std::string_view type(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    if (type == "tRNS") return false;
    if (type == "IDAT") return true;
    const size_t length = BigEndianAt(png, at);
    if (length > png.size() - at - 12) return false;
    at += length + 12;
  }
  return false;
}

ComPtr<IWICBitmapSource> Decoded(std::span<const uint8_t> png, const WICPixelFormatGUID& format) {
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
  Check(converter->Initialize(frame.Get(), format, WICBitmapDitherTypeNone, nullptr, 0, WICBitmapPaletteTypeCustom),
        "IWICFormatConverter::Initialize");
  ComPtr<IWICBitmapSource> source;
  Check(converter->QueryInterface(IID_IWICBitmapSource, source.PutVoid()), "IWICFormatConverter::QueryInterface");
  return source;
}

}  // namespace

std::optional<TPictureSize> PngPictureSize(std::span<const uint8_t> png) {
  if (!HasHeader(png)) return std::nullopt;
  const uint32_t width = BigEndianAt(png, kHeaderData), height = BigEndianAt(png, kHeaderData + 4);
  if (!SidesInRange(width, height)) return std::nullopt;
  return TPictureSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

ComPtr<IWICBitmapSource> DecodePngPixels(std::span<const uint8_t> png) {
  return Decoded(png, GUID_WICPixelFormat32bppBGRA);
}

TBitmap PictureFromPng(std::span<const uint8_t> png) {
  // A picture without alpha is decoded straight to 24 bits: no second copy.
  const bool opaque = PngHasNoAlpha(png);
  const ComPtr<IWICBitmapSource> source = Decoded(png, opaque ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGRA);
  UINT width = 0, height = 0;
  Check(source->GetSize(&width, &height), "IWICBitmapSource::GetSize");
  if (!SidesInRange(width, height) || int64_t{width} * height > MaxImagePixels)
    throw EHostError(WINCODEC_ERR_IMAGESIZEOUTOFRANGE, "the PNG picture's size is out of range");
  TBitmap picture(static_cast<int32_t>(width), static_cast<int32_t>(height), opaque ? 24 : 32);
  Check(source->CopyPixels(nullptr, static_cast<UINT>(picture.Stride()), static_cast<UINT>(picture.Layout().ByteSize()),
                           picture.ScanLine(0)),
        "IWICBitmapSource::CopyPixels");
  if (opaque) return picture;
  if (EveryPixelOpaque(picture)) return ConvertDepth(picture, 24);
  picture.SetHasAlpha(true);
  return picture;
}

}  // namespace carvelo::addin
