// Principal coordinates (classical scaling) of a distance matrix: the squared distances
// double-centred, B = -1/2 J D² J, decomposed in full; the first two axes are the two
// largest eigenvalues' vectors scaled by their roots. A matrix that is not Euclidean has
// negative eigenvalues: they are counted and their share reported, not dropped in silence.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/distance_matrix.h"

namespace marbleset::pictures {

struct PrincipalCoordinates {
  std::vector<double> eigenvalues;  // all n of B, largest first
  // The OTUs' places on the first and second axis (0 along an axis whose eigenvalue is not
  // positive). Each axis is turned so that its largest coordinate in size is positive.
  std::vector<double> axis1, axis2;
  double positiveSum = 0;  // the sum of the positive eigenvalues: the variation shown
  std::size_t negativeCount = 0;
  double negativeSum = 0;  // the sum of the negative eigenvalues' sizes

  // The share (0 to 1) of the positive sum that each axis carries.
  double axis1Share = 0, axis2Share = 0;
  // The negative eigenvalues' size as a share of the positive sum.
  double NegativeShare() const { return positiveSum > 0 ? negativeSum / positiveSum : 0; }
};

// Eigenvalues smaller in size than this share of the largest are rounding, taken as zero.
inline constexpr double kZeroEigenvalueShare = 1e-10;

// distances must hold distances (AsDistances turns similarities into them); only cells off the
// diagonal count, (i, j) and (j, i) averaged.
PrincipalCoordinates ComputePrincipalCoordinates(const DistanceMatrix& distances);

}  // namespace marbleset::pictures
