// A whole similarity or distance matrix in memory, for the parts that work on it rather than
// write it: the tree builder, the pictures and the distance file readers and writers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace marbleset {

struct DistanceMatrix {
  std::size_t n = 0;
  // One per OTU, without the blanks that pad a name field.
  std::vector<std::string> names;
  // n x n, row after row, symmetric, the diagonal included.
  std::vector<double> values;

  double At(std::size_t i, std::size_t j) const { return values[i * n + j]; }
};

}  // namespace marbleset
