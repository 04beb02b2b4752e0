// The pictures at today's largest size: 2000 OTUs x 100,000 characters, binary, about 5 %
// missing. Opening the matrix picture (the painter, the missing shares and one 1600 x 1000
// screen of 256-pixel tiles) must take well under a second; panning draws one new column of
// tiles (256 x 1024 pixels) and must stay within a frame or two (16-33 ms) at every zoom.
// Principal coordinates of 1000 OTUs (full eigen-decomposition) and the heat map of 1000 OTUs
// (with its UPGMA tree) are timed beside them.
#include <benchmark/benchmark.h>

#include <random>

#include "pictures/distance_pictures.h"
#include "pictures/matrix_tiles.h"
#include "pictures/missing_shares.h"
#include "pictures/png_encoder.h"
#include "pictures/principal_coordinates.h"
#include "pictures/scene_raster.h"

namespace marbleset::pictures {
namespace {

constexpr int kTile = 256;

// Random states, about 5 % missing (the AND of four random words, less an eighth), filled a
// word at a time.
const DataSet& LargeData() {
  static const DataSet data = [] {
    std::mt19937_64 random(7);
    DataSet made;
    made.Resize(DataKind::kBinary, 2000, 100000, kBinaryMissingValue);
    const std::size_t words = made.WordsPerRow();
    const std::uint64_t last = (std::uint64_t{1} << (100000 % 64)) - 1;
    for (std::size_t i = 0; i < made.OtuCount(); ++i) {
      std::uint64_t* ones = made.OnesRow(i);
      std::uint64_t* missing = made.MissingRow(i);
      for (std::size_t w = 0; w < words; ++w) {
        missing[w] = random() & random() & random() & random() & ~(random() & random() & random());
        ones[w] = random() & ~missing[w];
        if (w + 1 == words) ones[w] &= last, missing[w] &= last;
      }
      made.otuNames[i] = "OTU" + std::to_string(i + 1);
    }
    return made;
  }();
  return data;
}

// Every tile of the rectangle, as a window draws a screen.
void DrawTiles(const MatrixPainter& painter, MatrixZoom zoom, std::size_t x, std::size_t y,
               std::size_t width, std::size_t height) {
  for (std::size_t top = y / kTile * kTile; top < y + height; top += kTile) {
    for (std::size_t left = x / kTile * kTile; left < x + width; left += kTile) {
      Raster tile = painter.Draw(zoom, left, top, kTile, kTile);
      benchmark::DoNotOptimize(tile.Pixels().data());
    }
  }
}

// Opening: a painter, the missing bars' shares, and the first screen at the zoom the window
// opens at (the whole height of the matrix on the screen).
void BM_OpenMatrixPicture_2000x100000(benchmark::State& state) {
  const DataSet& data = LargeData();
  const MatrixZoom zoom{1, static_cast<std::size_t>(state.range(0))};
  for (auto _ : state) {
    const MatrixPainter painter(data);
    const MissingShares shares = CountMissingShares(data);
    benchmark::DoNotOptimize(shares.perCharacter.data());
    DrawTiles(painter, zoom, 0, 0, 1600, 1000);
  }
  state.SetLabel("cells a pixel: " + std::to_string(zoom.cellsPerPixel));
}
BENCHMARK(BM_OpenMatrixPicture_2000x100000)->Arg(1)->Arg(2)->Arg(63)->Unit(benchmark::kMillisecond);

// Panning right by a tile: one column of tiles as tall as the screen, somewhere in the middle.
void BM_PanMatrixPicture_2000x100000(benchmark::State& state) {
  const DataSet& data = LargeData();
  const MatrixPainter painter(data);
  MatrixZoom zoom;
  if (state.range(0) > 0) zoom.cellsPerPixel = state.range(0);
  if (state.range(0) < 0) zoom.pixelsPerCell = -state.range(0);
  std::size_t x = painter.Width(zoom) / 2 / kTile * kTile;
  for (auto _ : state) {
    DrawTiles(painter, zoom, x, 0, kTile, 1024);
    x = (x + kTile) % std::max<std::size_t>(painter.Width(zoom) - kTile, kTile);
  }
  state.SetLabel(state.range(0) < 0 ? "pixels a cell: " + std::to_string(-state.range(0))
                                    : "cells a pixel: " + std::to_string(state.range(0)));
}
BENCHMARK(BM_PanMatrixPicture_2000x100000)
    ->Arg(-24)
    ->Arg(1)
    ->Arg(2)
    ->Arg(16)
    ->Arg(63)
    ->Unit(benchmark::kMillisecond);

DistanceMatrix EuclideanMatrix(std::size_t n) {
  std::mt19937 random(3);
  std::normal_distribution<double> normal;
  std::vector<double> points(n * 10);
  for (double& x : points) x = normal(random);
  DistanceMatrix matrix;
  matrix.n = n;
  matrix.values.resize(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    matrix.names.push_back("OTU" + std::to_string(i + 1));
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0;
      for (std::size_t d = 0; d < 10; ++d)
        sum += std::pow(points[i * 10 + d] - points[j * 10 + d], 2);
      matrix.values[i * n + j] = std::sqrt(sum);
    }
  }
  return matrix;
}

void BM_PrincipalCoordinates(benchmark::State& state) {
  const DistanceMatrix matrix = EuclideanMatrix(state.range(0));
  for (auto _ : state) {
    const PrincipalCoordinates coordinates = ComputePrincipalCoordinates(matrix);
    benchmark::DoNotOptimize(coordinates.axis1.data());
  }
}
BENCHMARK(BM_PrincipalCoordinates)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_HeatMapPng(benchmark::State& state) {
  const DistanceMatrix matrix = EuclideanMatrix(state.range(0));
  for (auto _ : state) {
    const std::string png = EncodePng(RenderScene(HeatMapPicture(matrix, "Euclidean distance")));
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_HeatMapPng)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbleset::pictures
