#include "PngEncode.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>

namespace carvelo {

namespace {

// zlib's quickest level: a 12-megapixel photograph comes out about a quarter
// larger than at zlib's default level, in a sixth of the time.
constexpr int kDeflateLevel = Z_BEST_SPEED;
constexpr uint8_t kPaeth = 4;  // the PNG row filter type

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, and the CRC of type and data. The data goes
// on as it is, uncopied.
void SendChunk(const TPngSink& write, std::string_view type, const uint8_t* data, size_t size) {
  std::vector<uint8_t> head;
  PutBigEndian(head, static_cast<uint32_t>(size));
  head.insert(head.end(), type.begin(), type.end());
  write(head.data(), head.size());
  if (size) write(data, size);
  uLong crc = crc32(0, head.data() + 4, static_cast<uInt>(type.size()));
  if (size) crc = crc32(crc, data, static_cast<uInt>(size));  // a null buffer would restart it
  std::vector<uint8_t> tail;
  PutBigEndian(tail, static_cast<uint32_t>(crc));
  write(tail.data(), tail.size());
}

uint8_t PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// One row as PNG wants it: red, green, blue (and alpha) per pixel.
void ToRgb(const uint8_t* in, int32_t width, int channels, int32_t inBytes, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, in += inBytes, out += channels) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (channels == 4) out[3] = in[3];
  }
}

// The filter byte, then each byte less its Paeth prediction from the pixel
// to the left, the one above and the one above-left.
void PaethFilter(const uint8_t* row, const uint8_t* above, size_t bytes, int channels, uint8_t* out) {
  *out++ = kPaeth;
  for (size_t i = 0; i < bytes; ++i) {
    const int a = i >= size_t(channels) ? row[i - channels] : 0;
    const int c = i >= size_t(channels) ? above[i - channels] : 0;
    out[i] = static_cast<uint8_t>(row[i] - PaethPredictor(a, above[i], c));
  }
}

// A raw deflate stream of zlib's quickest level, handing on what it makes.
class TDeflater {
 public:
  TDeflater() {
    if (deflateInit2(&stream_, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("the PNG compressor cannot start");
  }
  ~TDeflater() { deflateEnd(&stream_); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // Deflates all of data, flush as deflate takes it; take gets the output.
  void Write(const uint8_t* data, size_t size, int flush, const TPngSink& take) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
      stream_.next_out = buffer_.data();
      stream_.avail_out = static_cast<uInt>(buffer_.size());
      const int status = deflate(&stream_, flush);
      if (status == Z_STREAM_ERROR) throw std::runtime_error("the PNG compressor failed");
      const size_t produced = buffer_.size() - stream_.avail_out;
      if (produced) take(buffer_.data(), produced);
      if (flush == Z_FINISH ? status == Z_STREAM_END : stream_.avail_out != 0) return;
    }
  }

 private:
  z_stream stream_{};
  std::array<uint8_t, 1 << 18> buffer_;
};

// A band of rows, filtered and deflated apart from the others, so that bands
// deflate side by side. Every band but the last ends on a byte boundary (a
// sync flush) and the last ends the stream, so the bands written one after
// the other are one deflate stream; their checksums add up to its checksum.
struct TDeflatedBand {
  std::vector<uint8_t> bytes;  // kept for later, unless the band is sent as it is deflated
  uLong adler = adler32(0, nullptr, 0);
  size_t length = 0;  // the filtered bytes deflated
  std::exception_ptr failure;
};

// Deflates rows first..end-1 into band, or, with idat, sends them on in IDAT
// chunks as they come.
void DeflateBand(const TBitmap& source, int channels, int32_t first, int32_t end, bool last, TDeflatedBand& band,
                 const TPngSink* idat) {
  const int32_t width = source.Width();
  const size_t rowBytes = static_cast<size_t>(width) * channels;
  std::vector<uint8_t> row(rowBytes), above(rowBytes, 0), filtered(rowBytes + 1);
  if (first > 0) ToRgb(source.ScanLine(first - 1), width, channels, source.BytesPerPixel(), above.data());
  const TPngSink take = [&](const uint8_t* data, size_t size) {
    if (idat)
      SendChunk(*idat, "IDAT", data, size);
    else
      band.bytes.insert(band.bytes.end(), data, data + size);
  };
  TDeflater deflater;
  for (int32_t y = first; y < end; ++y) {
    ToRgb(source.ScanLine(y), width, channels, source.BytesPerPixel(), row.data());
    PaethFilter(row.data(), above.data(), rowBytes, channels, filtered.data());
    band.adler = adler32(band.adler, filtered.data(), static_cast<uInt>(filtered.size()));
    band.length += filtered.size();
    const int flush = y + 1 < end ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
    deflater.Write(filtered.data(), filtered.size(), flush, take);
    row.swap(above);
  }
}

// Bands of at least kBandRows rows, one for each processor up to four, and
// always enough for every band to hold less than a gigabyte of filtered
// rows, which zlib's z_off_t counts everywhere (32 bits on Windows).
constexpr int32_t kBandRows = 256;
constexpr unsigned kMostBands = 4;

int32_t BandsFor(int32_t height, size_t rowBytes) {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  const int64_t wanted = std::clamp<int64_t>(height / kBandRows, 1, std::min(processors, kMostBands));
  const int64_t needed = static_cast<int64_t>((static_cast<uint64_t>(height) * (rowBytes + 1)) >> 30) + 1;
  return static_cast<int32_t>(std::min<int64_t>(std::max(wanted, needed), height));
}

// The IDAT chunks of the picture's filtered rows, one zlib stream: its
// header, the bands' deflate streams (the first sent as it is deflated, on
// this thread; the others deflated meanwhile on threads of their own), the
// checksum of them all.
void SendRows(const TBitmap& source, int channels, const TPngSink& write) {
  constexpr uint8_t kZlibHeader[] = {0x78, 0x01};  // deflate, 32K window, quickest level
  SendChunk(write, "IDAT", kZlibHeader, sizeof kZlibHeader);
  const int32_t height = source.Height();
  const int32_t count = BandsFor(height, static_cast<size_t>(source.Width()) * channels);
  std::vector<TDeflatedBand> bands(static_cast<size_t>(count));
  const auto deflateBand = [&](int32_t b) {
    try {
      DeflateBand(source, channels, height * b / count, height * (b + 1) / count, b + 1 == count,
                  bands[static_cast<size_t>(b)], b == 0 ? &write : nullptr);
    } catch (...) {
      bands[static_cast<size_t>(b)].failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<size_t>(count - 1));  // no reallocation while threads run
  for (int32_t b = 1; b < count; ++b) {
    try {
      helpers.emplace_back(deflateBand, b);
    } catch (const std::system_error&) {
      deflateBand(b);  // no thread to be had: this one does the band too
    }
  }
  deflateBand(0);
  for (std::thread& helper : helpers) helper.join();

  constexpr size_t kIdatBytes = size_t{1} << 18;
  uLong adler = adler32(0, nullptr, 0);
  for (const TDeflatedBand& band : bands) {
    if (band.failure) std::rethrow_exception(band.failure);
    for (size_t at = 0; at < band.bytes.size(); at += kIdatBytes)
      SendChunk(write, "IDAT", band.bytes.data() + at, std::min(kIdatBytes, band.bytes.size() - at));
    adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
  }
  std::vector<uint8_t> checksum;
  PutBigEndian(checksum, static_cast<uint32_t>(adler));
  SendChunk(write, "IDAT", checksum.data(), checksum.size());
}

}  // namespace

void EncodePng(const TBitmap& picture, const TPngSink& write) {
  if (picture.Empty()) throw std::runtime_error("an empty picture has no PNG");
  const TBitmap converted = picture.HasAlpha() || picture.BitCount() == 24 ? TBitmap() : ConvertDepth(picture, 24);
  const TBitmap& source = converted.Empty() ? picture : converted;
  const int channels = source.HasAlpha() ? 4 : 3;

  constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  write(kSignature, sizeof kSignature);
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(source.Width()));
  PutBigEndian(header, static_cast<uint32_t>(source.Height()));
  header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
  SendChunk(write, "IHDR", header.data(), header.size());
  SendRows(source, channels, write);
  SendChunk(write, "IEND", nullptr, 0);
}

std::vector<uint8_t> EncodePng(const TBitmap& picture) {
  std::vector<uint8_t> out;
  EncodePng(picture, [&out](const uint8_t* data, size_t size) { out.insert(out.end(), data, data + size); });
  return out;
}

}  // namespace carvelo
