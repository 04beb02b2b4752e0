// A whole similarity or distance matrix in memory, for the parts that work on it rather than
// write it: the tree builder and the pictures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "distances/distance_settings.h"

namespace marbleset {

struct DistanceMatrix {
  std::size_t n = 0;
  // One per OTU, without the blanks that pad a name field.
  std::vector<std::string> names;
  // n x n, row after row, symmetric, the diagonal included.
  std::vector<double> values;

  double At(std::size_t i, std::size_t j) const { return values[i * n + j]; }
};

// The matrix a distance run would write for data (averaging is ignored), on threads threads
// (0: as many as pay off); the values do not depend on the number of threads. Throws
// WriteFailure naming both OTUs when a cell has no value, Failure for settings the data's kind
// does not offer, and RunCancelled when progress asks to stop. progress advances from 0 to 100.
DistanceMatrix ComputeDistanceMatrix(const DataSet& data, const DistanceSettings& settings,
                                     Progress& progress, int threads = 0);

// The name as a distance matrix holds it: the name field without its padding blanks.
std::string TrimmedName(const std::string& field);

}  // namespace marbleset
