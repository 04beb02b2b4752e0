#include "png_decoder.h"

#include <zlib.h>

#include <cstdlib>

namespace marbleset::testing {

namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int k = 0; k < 4; ++k) value = (value << 8) | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace

DecodedPng DecodePng(const std::string& bytes) {
  DecodedPng png;
  if (bytes.size() < 8 || bytes.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)) != 0) {
    png.error = "no PNG signature";
    return png;
  }
  std::string data;
  bool ended = false;
  for (std::size_t at = 8; at + 12 <= bytes.size() && !ended;) {
    const std::uint32_t length = BigEndian(bytes, at);
    if (at + 12 + length > bytes.size()) {
      png.error = "chunk past the end";
      return png;
    }
    const std::string type = bytes.substr(at + 4, 4);
    const uLong crc = crc32(crc32(0, Z_NULL, 0),
                            reinterpret_cast<const Bytef*>(bytes.data() + at + 4), length + 4);
    if (crc != BigEndian(bytes, at + 8 + length)) {
      png.error = "bad CRC in " + type;
      return png;
    }
    const std::string body = bytes.substr(at + 8, length);
    if (type == "IHDR") {
      png.width = static_cast<int>(BigEndian(body, 0));
      png.height = static_cast<int>(BigEndian(body, 4));
      png.colourType = body[9];
      if (body[8] != 8 || (png.colourType != 2 && png.colourType != 6) || body[12] != 0) {
        png.error = "unsupported header";
        return png;
      }
    } else if (type == "IDAT") {
      data += body;
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended) {
    png.error = "no IEND";
    return png;
  }
  const int channels = png.colourType == 6 ? 4 : 3;
  const std::size_t stride = static_cast<std::size_t>(png.width) * channels;
  std::string raw((stride + 1) * png.height, '\0');
  uLongf rawLength = raw.size();
  if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawLength,
                 reinterpret_cast<const Bytef*>(data.data()), data.size()) != Z_OK ||
      rawLength != raw.size()) {
    png.error = "image data does not inflate to the image's size";
    return png;
  }
  std::vector<unsigned char> previous(stride, 0), row(stride);
  for (int y = 0; y < png.height; ++y) {
    const unsigned char filter = raw[y * (stride + 1)];
    for (std::size_t x = 0; x < stride; ++x) {
      const int value = static_cast<unsigned char>(raw[y * (stride + 1) + 1 + x]);
      const int a = x >= static_cast<std::size_t>(channels) ? row[x - channels] : 0;
      const int b = previous[x];
      const int c = x >= static_cast<std::size_t>(channels) ? previous[x - channels] : 0;
      int predicted = 0;
      if (filter == 1) predicted = a;
      if (filter == 2) predicted = b;
      if (filter == 3) predicted = (a + b) / 2;
      if (filter == 4) predicted = Paeth(a, b, c);
      if (filter > 4) {
        png.error = "bad filter";
        return png;
      }
      row[x] = static_cast<unsigned char>(value + predicted);
    }
    for (int x = 0; x < png.width; ++x) {
      const unsigned char* p = row.data() + x * channels;
      const std::uint32_t alpha = channels == 4 ? p[3] : 255;
      png.pixels.push_back((alpha << 24) | (p[0] << 16) | (p[1] << 8) | p[2]);
    }
    previous = row;
  }
  return png;
}

}  // namespace marbleset::testing
