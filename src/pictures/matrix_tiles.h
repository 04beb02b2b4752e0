// The matrix picture's pixels, drawn straight from the data set: one OTU a row of cells, one
// character a column. Zoomed in, a cell is a square of pixels; zoomed out, a pixel stands for
// a square block of cells and shows their mix (binary: the states' colours weighted by their
// counts, taken a word of 64 cells at a time from the bit planes; quantitative: the mean of the
// values present on the scale, drawn towards the missing colour by the share missing). Each
// quantitative character runs on the scale from its own lowest to its own highest value, so
// characters measured in different units (a length in mm beside a count) all show their
// variation. Any
// rectangle of the picture can be drawn on its own, so a window draws only what it shows and
// keeps it as tiles.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "pictures/raster.h"

namespace marbleset::pictures {

// One of the two is 1: pixelsPerCell > 1 zooms in, cellsPerPixel > 1 zooms out.
struct MatrixZoom {
  std::size_t pixelsPerCell = 1;
  std::size_t cellsPerPixel = 1;

  bool operator==(const MatrixZoom&) const = default;
};

// The background past the last OTU or character, and the lines between large cells.
inline constexpr Argb kMatrixBackground = Rgb(0xFF, 0xFF, 0xFF);
// From this many pixels a cell, a line of background separates neighbouring cells.
inline constexpr std::size_t kGridFromPixels = 8;

// The zoom that fits the whole matrix in width x height pixels: the largest number of pixels a
// cell (at most maxPixelsPerCell) or the smallest number of cells a pixel that does.
MatrixZoom FittingZoom(const DataSet& data, std::size_t width, std::size_t height,
                       std::size_t maxPixelsPerCell = 32);

class MatrixPainter {
 public:
  // data must outlive the painter and stay unchanged while it draws (make a new painter after
  // the data changes). Quantitative data is scanned once for the scale's range.
  explicit MatrixPainter(const DataSet& data);

  const DataSet& Data() const { return data_; }
  std::size_t Width(MatrixZoom zoom) const;
  std::size_t Height(MatrixZoom zoom) const;

  // Pixels x .. x + width - 1, y .. y + height - 1 of the picture at zoom; those past the
  // matrix are the background.
  Raster Draw(MatrixZoom zoom, std::size_t x, std::size_t y, int width, int height) const;

  // One cell's colour.
  Argb CellColour(std::size_t otu, std::size_t character) const;
  // Where a quantitative value of the character lies on the scale, 0 to 1 (0.5 for a character
  // with one value only).
  double ScalePosition(float value, std::size_t character) const;
  // A character's range: its smallest and largest value present (quantitative data; 0 and 0
  // for a character without values).
  float Low(std::size_t character) const { return low_[character]; }
  float High(std::size_t character) const { return high_[character]; }

 private:
  void DrawCells(Raster& raster, std::size_t pixels, std::size_t x, std::size_t y) const;
  void DrawBinaryBlocks(Raster& raster, std::size_t cells, std::size_t x, std::size_t y) const;
  void DrawQuantitativeBlocks(Raster& raster, std::size_t cells, std::size_t x,
                              std::size_t y) const;

  const DataSet& data_;
  std::vector<float> low_, high_;
};

// A cell's value as the picture writes it into a large cell: "?" when missing, else the
// shortest text that reads back as the value ("0", "1", "2.75").
std::string CellText(const DataSet& data, std::size_t otu, std::size_t character);

}  // namespace marbleset::pictures
