#include "pictures/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "dataset/errors.h"

namespace marbleset::pictures {

namespace {

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + start),
              static_cast<uInt>(out.size() - start));
  PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

bool AllOpaque(const Raster& raster) {
  return std::all_of(raster.Pixels().begin(), raster.Pixels().end(),
                     [](Argb pixel) { return Alpha(pixel) == 255; });
}

// The scanlines, each led by its filter byte (0: none), deflated a row at a time so a large
// picture never needs its uncompressed bytes at once.
std::string CompressedRows(const Raster& raster, bool opaque) {
  z_stream stream{};
  if (deflateInit(&stream, 6) != Z_OK) throw Failure("The picture could not be compressed.");
  const std::size_t channels = opaque ? 3 : 4;
  std::string row(1 + raster.Width() * channels, '\0');
  std::string compressed;
  char buffer[65536];
  const auto pump = [&](int flush) {
    do {
      stream.next_out = reinterpret_cast<Bytef*>(buffer);
      stream.avail_out = sizeof buffer;
      const int status = deflate(&stream, flush);
      if (status == Z_STREAM_ERROR) {
        deflateEnd(&stream);
        throw Failure("The picture could not be compressed.");
      }
      compressed.append(buffer, sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  for (int y = 0; y < raster.Height(); ++y) {
    const Argb* pixels = raster.Row(y);
    char* out = row.data() + 1;
    for (int x = 0; x < raster.Width(); ++x) {
      *out++ = static_cast<char>(Red(pixels[x]));
      *out++ = static_cast<char>(Green(pixels[x]));
      *out++ = static_cast<char>(Blue(pixels[x]));
      if (!opaque) *out++ = static_cast<char>(Alpha(pixels[x]));
    }
    stream.next_in = reinterpret_cast<Bytef*>(row.data());
    stream.avail_in = static_cast<uInt>(row.size());
    pump(Z_NO_FLUSH);
  }
  pump(Z_FINISH);
  deflateEnd(&stream);
  return compressed;
}

}  // namespace

std::string EncodePng(const Raster& raster) {
  const bool opaque = AllOpaque(raster);
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(raster.Width()));
  PutBigEndian(header, static_cast<std::uint32_t>(raster.Height()));
  header += '\x08';                    // bits a channel
  header += opaque ? '\x02' : '\x06';  // RGB or RGBA
  header.append(3, '\0');              // deflate, adaptive filtering, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", CompressedRows(raster, opaque));
  PutChunk(png, "IEND", "");
  return png;
}

void WritePng(const Raster& raster, TextSink& sink) {
  sink.Append(EncodePng(raster));
}

}  // namespace marbleset::pictures
