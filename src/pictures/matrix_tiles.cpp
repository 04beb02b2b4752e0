#include "pictures/matrix_tiles.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <vector>

#include "pictures/colour_scale.h"

namespace marbleset::pictures {

namespace {

bool TestBit(const std::uint64_t* row, std::size_t character) {
  return (row[character / 64] >> (character % 64)) & 1u;
}

// The set bits of characters from .. to - 1 of a bit-plane row.
std::size_t CountBits(const std::uint64_t* row, std::size_t from, std::size_t to) {
  const std::size_t first = from / 64;
  const std::size_t last = (to - 1) / 64;
  if (first == last) {
    const std::uint64_t mask = (~std::uint64_t{0} >> (64 - (to - from))) << (from % 64);
    return std::popcount(row[first] & mask);
  }
  std::size_t count = std::popcount(row[first] >> (from % 64));
  for (std::size_t word = first + 1; word < last; ++word) count += std::popcount(row[word]);
  const std::size_t tail = to - last * 64;
  const std::uint64_t mask = tail == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << tail) - 1;
  return count + std::popcount(row[last] & mask);
}

// The colours weighted by their counts, channel by channel.
Argb WeightedColour(const std::size_t* counts, const Argb* colours, std::size_t n) {
  std::size_t total = 0, red = 0, green = 0, blue = 0;
  for (std::size_t k = 0; k < n; ++k) {
    total += counts[k];
    red += counts[k] * Red(colours[k]);
    green += counts[k] * Green(colours[k]);
    blue += counts[k] * Blue(colours[k]);
  }
  if (total == 0) return kMatrixBackground;
  const auto mean = [total](std::size_t sum) {
    return static_cast<unsigned>((sum + total / 2) / total);
  };
  return Rgb(mean(red), mean(green), mean(blue));
}

std::size_t CeilDiv(std::size_t a, std::size_t b) {
  return (a + b - 1) / b;
}

}  // namespace

MatrixZoom FittingZoom(const DataSet& data, std::size_t width, std::size_t height,
                       std::size_t maxPixelsPerCell) {
  const std::size_t otus = data.OtuCount();
  const std::size_t characters = data.CharCount();
  MatrixZoom zoom;
  if (otus == 0 || characters == 0 || width == 0 || height == 0) return zoom;
  if (characters <= width && otus <= height) {
    zoom.pixelsPerCell = std::clamp<std::size_t>(std::min(width / characters, height / otus), 1,
                                                 std::max<std::size_t>(maxPixelsPerCell, 1));
  } else {
    zoom.cellsPerPixel = std::max(CeilDiv(characters, width), CeilDiv(otus, height));
  }
  return zoom;
}

MatrixPainter::MatrixPainter(const DataSet& data) : data_(data) {
  if (!data.IsQuantitative()) return;
  const std::size_t characters = data.CharCount();
  low_.assign(characters, 0.0f);
  high_.assign(characters, 0.0f);
  std::vector<bool> any(characters, false);
  for (std::size_t otu = 0; otu < data.OtuCount(); ++otu) {
    const float* row = data.Row(otu);
    for (std::size_t k = 0; k < characters; ++k) {
      if (row[k] == data.MissingValue()) continue;
      low_[k] = any[k] ? std::min(low_[k], row[k]) : row[k];
      high_[k] = any[k] ? std::max(high_[k], row[k]) : row[k];
      any[k] = true;
    }
  }
}

std::size_t MatrixPainter::Width(MatrixZoom zoom) const {
  return zoom.cellsPerPixel > 1 ? CeilDiv(data_.CharCount(), zoom.cellsPerPixel)
                                : data_.CharCount() * zoom.pixelsPerCell;
}

std::size_t MatrixPainter::Height(MatrixZoom zoom) const {
  return zoom.cellsPerPixel > 1 ? CeilDiv(data_.OtuCount(), zoom.cellsPerPixel)
                                : data_.OtuCount() * zoom.pixelsPerCell;
}

double MatrixPainter::ScalePosition(float value, std::size_t character) const {
  const double low = low_[character];
  const double high = high_[character];
  return high > low ? (static_cast<double>(value) - low) / (high - low) : 0.5;
}

Argb MatrixPainter::CellColour(std::size_t otu, std::size_t character) const {
  if (data_.IsQuantitative()) {
    const float value = data_.Row(otu)[character];
    return value == data_.MissingValue() ? kMissingColour
                                         : ScaleColour(ScalePosition(value, character));
  }
  if (TestBit(data_.MissingRow(otu), character)) return kMissingColour;
  if (TestBit(data_.OnesRow(otu), character)) return kStateOneColour;
  const std::uint64_t* other = data_.OtherRow(otu);
  if (other != nullptr && TestBit(other, character)) return kOtherValueColour;
  return kStateZeroColour;
}

Raster MatrixPainter::Draw(MatrixZoom zoom, std::size_t x, std::size_t y, int width,
                           int height) const {
  Raster raster(width, height, kMatrixBackground);
  if (zoom.cellsPerPixel > 1) {
    if (data_.IsBinary()) {
      DrawBinaryBlocks(raster, zoom.cellsPerPixel, x, y);
    } else {
      DrawQuantitativeBlocks(raster, zoom.cellsPerPixel, x, y);
    }
  } else {
    DrawCells(raster, std::max<std::size_t>(zoom.pixelsPerCell, 1), x, y);
  }
  return raster;
}

void MatrixPainter::DrawCells(Raster& raster, std::size_t pixels, std::size_t x,
                              std::size_t y) const {
  const bool grid = pixels >= kGridFromPixels;
  const std::size_t characters = data_.CharCount();
  const std::size_t right = x + raster.Width();
  for (int row = 0; row < raster.Height(); ++row) {
    const std::size_t pictureY = y + row;
    const std::size_t otu = pictureY / pixels;
    if (otu >= data_.OtuCount()) break;
    if (grid && pictureY % pixels == pixels - 1) continue;
    Argb* out = raster.Row(row);
    for (std::size_t k = x / pixels; k < characters && k * pixels < right; ++k) {
      const Argb colour = CellColour(otu, k);
      // The cell's pixels inside the tile, less the grid line at its right.
      const std::size_t from = std::max(k * pixels, x);
      const std::size_t to = std::min((k + 1) * pixels - (grid ? 1 : 0), right);
      for (std::size_t pictureX = from; pictureX < to; ++pictureX) out[pictureX - x] = colour;
    }
  }
}

void MatrixPainter::DrawBinaryBlocks(Raster& raster, std::size_t cells, std::size_t x,
                                     std::size_t y) const {
  const std::size_t width = raster.Width();
  const std::size_t characters = data_.CharCount();
  std::vector<std::size_t> ones(width), missing(width), others(width), total(width);
  const Argb colours[4] = {kStateZeroColour, kStateOneColour, kMissingColour, kOtherValueColour};
  for (int row = 0; row < raster.Height(); ++row) {
    const std::size_t firstOtu = (y + row) * cells;
    if (firstOtu >= data_.OtuCount()) break;
    const std::size_t endOtu = std::min(firstOtu + cells, data_.OtuCount());
    std::fill(ones.begin(), ones.end(), 0);
    std::fill(missing.begin(), missing.end(), 0);
    std::fill(others.begin(), others.end(), 0);
    std::fill(total.begin(), total.end(), 0);
    for (std::size_t otu = firstOtu; otu < endOtu; ++otu) {
      const std::uint64_t* onesRow = data_.OnesRow(otu);
      const std::uint64_t* missingRow = data_.MissingRow(otu);
      const std::uint64_t* otherRow = data_.OtherRow(otu);
      for (std::size_t column = 0; column < width; ++column) {
        const std::size_t from = (x + column) * cells;
        if (from >= characters) break;
        const std::size_t to = std::min(from + cells, characters);
        ones[column] += CountBits(onesRow, from, to);
        missing[column] += CountBits(missingRow, from, to);
        if (otherRow != nullptr) others[column] += CountBits(otherRow, from, to);
        total[column] += to - from;
      }
    }
    Argb* out = raster.Row(row);
    for (std::size_t column = 0; column < width && total[column] > 0; ++column) {
      const std::size_t counts[4] = {
          total[column] - ones[column] - missing[column] - others[column], ones[column],
          missing[column], others[column]};
      out[column] = WeightedColour(counts, colours, 4);
    }
  }
}

void MatrixPainter::DrawQuantitativeBlocks(Raster& raster, std::size_t cells, std::size_t x,
                                           std::size_t y) const {
  const std::size_t width = raster.Width();
  const std::size_t characters = data_.CharCount();
  const float missingValue = data_.MissingValue();
  std::vector<double> sums(width);
  std::vector<std::size_t> present(width), missing(width);
  for (int row = 0; row < raster.Height(); ++row) {
    const std::size_t firstOtu = (y + row) * cells;
    if (firstOtu >= data_.OtuCount()) break;
    const std::size_t endOtu = std::min(firstOtu + cells, data_.OtuCount());
    std::fill(sums.begin(), sums.end(), 0.0);
    std::fill(present.begin(), present.end(), 0);
    std::fill(missing.begin(), missing.end(), 0);
    for (std::size_t otu = firstOtu; otu < endOtu; ++otu) {
      const float* values = data_.Row(otu);
      for (std::size_t column = 0; column < width; ++column) {
        const std::size_t from = (x + column) * cells;
        if (from >= characters) break;
        const std::size_t to = std::min(from + cells, characters);
        for (std::size_t k = from; k < to; ++k) {
          if (values[k] == missingValue) {
            ++missing[column];
          } else {
            sums[column] += ScalePosition(values[k], k);
            ++present[column];
          }
        }
      }
    }
    Argb* out = raster.Row(row);
    for (std::size_t column = 0; column < width; ++column) {
      const std::size_t total = present[column] + missing[column];
      if (total == 0) break;
      if (present[column] == 0) {
        out[column] = kMissingColour;
        continue;
      }
      const Argb mean = ScaleColour(sums[column] / present[column]);
      out[column] = Mix(mean, kMissingColour, static_cast<double>(missing[column]) / total);
    }
  }
}

std::string CellText(const DataSet& data, std::size_t otu, std::size_t character) {
  if (data.IsMissing(otu, character)) return "?";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, data.Value(otu, character));
  return std::string(text, result.ptr);
}

}  // namespace marbleset::pictures
