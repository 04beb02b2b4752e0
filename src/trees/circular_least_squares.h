// Least squares over the splits of a circular ordering. With the OTUs numbered by their place
// on the circle, split (p, q) holds places p to q (1 <= p <= q < n); vectors of split weights
// and of distances are both n x n arrays, weights at p * n + q and distances at a * n + b for
// a < b (other cells 0). Both products of the splits' design matrix take O(n^2) through the
// circle's structure, so no n^2 x n^2 matrix is ever formed.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/progress.h"

namespace marbleset {

// The distances the weights give: each pair's sum of the weights of the splits between them.
std::vector<double> CircularDistances(const std::vector<double>& weights, std::size_t n);

// For each split, the sum of the values of the pairs it separates (the transposed product).
std::vector<double> CircularSplitSums(const std::vector<double>& values, std::size_t n);

// The weights that give the distances exactly, negative ones included (the system is square).
std::vector<double> ExactCircularWeights(const std::vector<double>& distances, std::size_t n);

// The non-negative weights whose distances come closest to distances in least squares.
// distances: n x n by place on the circle, both triangles. Progress advances from 10 to 95
// and may cancel (RunCancelled).
std::vector<double> NonNegativeCircularFit(const std::vector<double>& distances, std::size_t n,
                                           Progress& progress);

}  // namespace marbleset
