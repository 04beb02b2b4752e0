// The binary cell, computed literally character by character: the reference the fast matrix
// pass is tested against.
#pragma once

#include <cstddef>

#include "dataset/data_set.h"
#include "distances/cell_problem.h"
#include "distances/distance_settings.h"
#include "distances/marker_statistics.h"

namespace marbleset {

// Similarity from the working values of a cell: a 1-1 matches, d 0-0 matches, m mismatches,
// n characters counted. Both the reference and the fast pass finish here so that they agree to
// the last bit. Every division is guarded and gives 0.
inline double BinarySimilarity(Coefficient coefficient, double a, double d, double m, double n) {
  switch (coefficient) {
    case Coefficient::kBinaryMatching:
      return n <= 0 ? 0.0 : (a + d) / n;
    case Coefficient::kJaccard:
      return a + m <= 0 ? 0.0 : a / (a + m);
    default:
      return 2 * a + m <= 0 ? 0.0 : 2 * a / (2 * a + m);
  }
}

// Value of cell (i, j) of binary data; stats holds the marker statistics of the pass. A pair
// of OTUs without a character counted (none left under "Ignore", or none at all) has no value.
CellValue BinaryCellValue(const DataSet& data, std::size_t i, std::size_t j,
                          const DistanceSettings& settings, const MarkerStatistics& stats);

}  // namespace marbleset
