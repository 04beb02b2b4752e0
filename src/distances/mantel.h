// The Mantel test (Mantel 1967) of two distance matrices over the same OTUs: the correlation of
// their cells, Pearson's r or Spearman's rank r, and how often permuting the OTUs of one matrix
// gives a correlation at least as large.
#pragma once

#include <cstddef>

#include "dataset/distance_matrix.h"
#include "dataset/progress.h"
#include "distances/permutation_test.h"

namespace marbleset {

enum class MantelMethod { kPearson, kSpearman };

struct MantelResult {
  MantelMethod method = MantelMethod::kPearson;
  double r = 0;
  double pValue = 0;  // one-sided, for a positive correlation; NaN without permutations
  std::size_t otus = 0;
  PermutationSettings permutations;
};

// other with its rows and columns in the order of reference's names. Throws Failure naming an
// OTU one matrix holds and the other does not, or a name held twice.
DistanceMatrix MatchedByName(const DistanceMatrix& reference, const DistanceMatrix& other);

// The test of a and b, whose OTUs are matched by name in any order. Each pair of OTUs counts
// once, with the mean of its two cells. Throws Failure for matrices whose names differ, of fewer
// than three OTUs, holding a value that is not a finite number or whose cells are all equal, and
// RunCancelled when progress asks to stop.
MantelResult RunMantel(const DistanceMatrix& a, const DistanceMatrix& b, MantelMethod method,
                       const PermutationSettings& settings, Progress& progress);

}  // namespace marbleset
