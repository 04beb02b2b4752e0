// The whole matrix picture as a scene, for export: OTU names (or numbers) on the left,
// character numbers above, the cells, each OTU's share of missing entries as bars on the right
// and each character's below, and the legend.
#pragma once

#include <cstddef>

#include "dataset/data_set.h"
#include "pictures/matrix_tiles.h"
#include "pictures/missing_shares.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

struct MatrixPictureOptions {
  MatrixZoom zoom;      // ignored when fitting
  bool fitting = true;  // FittingZoom into kExportCells x kExportCells pixels
  int scale = 1;        // 2 for screens at 200 %: every length doubled
};

inline constexpr std::size_t kExportCells = 1600;

// Where the parts of the picture are, in the scene's units, for tests and for pointing.
struct MatrixPictureLayout {
  MatrixZoom zoom;
  double cellsX = 0, cellsY = 0;  // the top left corner of the cells
  double cellsWidth = 0, cellsHeight = 0;
  double otuBarsX = 0;        // the left edge of the OTUs' missing bars
  double characterBarsY = 0;  // the top edge of the characters' missing bars
  double barLength = 0;       // a bar for a share of 1
};

// Up to this many cells the SVG holds one rectangle per run of equal cells in a row; beyond
// it, the cells as one embedded PNG image.
inline constexpr std::size_t kMostSvgCells = 40000;

Scene MatrixPicture(const DataSet& data, const MatrixPictureOptions& options,
                    MatrixPictureLayout* layout = nullptr);

// A step for labels along an axis: the smallest of 1, 2, 5, 10, 20, 50, ... that leaves at least
// room pixels between neighbouring labels when each step covers pixelsPerStep.
std::size_t LabelStep(double pixelsPerStep, double room);

}  // namespace marbleset::pictures
