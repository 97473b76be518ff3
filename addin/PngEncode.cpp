#include "PngEncode.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace carvelo::addin {

namespace {

// zlib's quickest level: a 12-megapixel photograph comes out about a quarter
// larger than at zlib's default level, in a sixth of the time.
constexpr int kDeflateLevel = Z_BEST_SPEED;
constexpr uint8_t kPaeth = 4;  // the PNG row filter type

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, std::string_view type, const uint8_t* data, size_t size) {
  PutBigEndian(out, static_cast<uint32_t>(size));
  const size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  if (size) out.insert(out.end(), data, data + size);
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutBigEndian(out, static_cast<uint32_t>(crc));
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

// Deflates the filtered rows into IDAT chunks as its buffer fills.
class TIdatWriter {
 public:
  explicit TIdatWriter(std::vector<uint8_t>& out) : out_(out) {
    if (deflateInit(&stream_, kDeflateLevel) != Z_OK) throw std::runtime_error("the PNG compressor cannot start");
  }
  ~TIdatWriter() { deflateEnd(&stream_); }
  TIdatWriter(const TIdatWriter&) = delete;
  TIdatWriter& operator=(const TIdatWriter&) = delete;

  void Write(const uint8_t* data, size_t size, bool last) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    const int flush = last ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
      stream_.next_out = buffer_.data();
      stream_.avail_out = static_cast<uInt>(buffer_.size());
      const int status = deflate(&stream_, flush);
      if (status == Z_STREAM_ERROR) throw std::runtime_error("the PNG compressor failed");
      const size_t produced = buffer_.size() - stream_.avail_out;
      if (produced) PutChunk(out_, "IDAT", buffer_.data(), produced);
      if (last ? status == Z_STREAM_END : stream_.avail_out != 0) return;
    }
  }

 private:
  std::vector<uint8_t>& out_;
  z_stream stream_{};
  std::array<uint8_t, 1 << 18> buffer_;
};

}  // namespace

std::vector<uint8_t> EncodePng(const TBitmap& picture) {
  if (picture.Empty()) throw std::runtime_error("an empty picture has no PNG");
  const TBitmap converted = picture.HasAlpha() || picture.BitCount() == 24 ? TBitmap() : ConvertDepth(picture, 24);
  const TBitmap& source = converted.Empty() ? picture : converted;
  const int channels = source.HasAlpha() ? 4 : 3;
  const int32_t width = source.Width(), height = source.Height();

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
  PutChunk(out, "IHDR", header.data(), header.size());

  const size_t rowBytes = static_cast<size_t>(width) * channels;
  std::vector<uint8_t> row(rowBytes), above(rowBytes, 0), filtered(rowBytes + 1);
  {
    TIdatWriter idat(out);
    for (int32_t y = 0; y < height; ++y) {
      ToRgb(source.ScanLine(y), width, channels, source.BytesPerPixel(), row.data());
      PaethFilter(row.data(), above.data(), rowBytes, channels, filtered.data());
      idat.Write(filtered.data(), filtered.size(), y + 1 == height);
      row.swap(above);
    }
  }
  PutChunk(out, "IEND", nullptr, 0);
  return out;
}

}  // namespace carvelo::addin
