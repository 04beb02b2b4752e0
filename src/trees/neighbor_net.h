// Split networks by neighbor-net: a circular ordering of the OTUs found by agglomeration, then
// the weights of the splits that ordering allows, fitted to the distances by least squares
// without negative weights. The network shows the conflict a tree would hide.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/distance_matrix.h"
#include "dataset/progress.h"
#include "formats/splits_nexus_writer.h"

namespace marbleset {

// A split that cuts the circle twice: the OTUs at positions first to last of the ordering
// (1 <= first <= last < n) against the rest, which holds position 0.
struct CircularSplit {
  std::size_t first = 0, last = 0;
  double weight = 0;
};

struct SplitNetwork {
  std::vector<std::string> names;
  std::vector<std::size_t> ordering;  // the OTU at each position of the circle
  std::vector<CircularSplit> splits;  // the splits of positive weight
  // The share of the distances' squares the splits explain, in percent:
  // 100 (1 - sum (d - fitted)^2 / sum d^2) over the pairs of OTUs.
  double fit = 100;
};

// The circular ordering by neighbor-net agglomeration of the matrix's distances. Throws
// Failure for a value that is negative or not a number.
std::vector<std::size_t> NeighborNetOrdering(const DistanceMatrix& matrix);

// The least-squares weights without negative values of every split of the ordering, indexed
// first * n + last (other cells 0): rough conjugate-gradient solves whose products take the
// circle's structure (n^2 per step) hold most splits at 0, then an active-set method with a
// factor of the k splits left free (k^2 numbers, k rarely beyond 4n) finishes exactly.
std::vector<double> CircularSplitWeights(const DistanceMatrix& matrix,
                                         const std::vector<std::size_t>& ordering,
                                         Progress& progress);

// Both together: progress advances from 0 to 100 and may cancel (RunCancelled).
SplitNetwork NeighborNet(const DistanceMatrix& matrix, Progress& progress);

// The network's splits as the NEXUS writer takes them: each split's side holds the OTUs at
// its positions.
WeightedSplits AsWeightedSplits(const SplitNetwork& network);

// The method in one line, with the work to cite.
std::string NeighborNetMethodText();

}  // namespace marbleset
