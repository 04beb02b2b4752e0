#include "pictures/principal_coordinates.h"

#include <algorithm>
#include <cmath>

#include "pictures/symmetric_eigen.h"

namespace marbleset::pictures {

PrincipalCoordinates ComputePrincipalCoordinates(const DistanceMatrix& distances) {
  const std::size_t n = distances.n;
  PrincipalCoordinates result;
  result.axis1.assign(n, 0.0);
  result.axis2.assign(n, 0.0);
  if (n == 0) return result;
  // A = -1/2 d², then B = A with its row means, column means and grand mean taken out.
  std::vector<double> b(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (i == j) continue;
      const double d = (distances.At(i, j) + distances.At(j, i)) / 2;
      b[i * n + j] = -0.5 * d * d;
    }
  }
  std::vector<double> rowMeans(n, 0.0);
  double grandMean = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) rowMeans[i] += b[i * n + j];
    rowMeans[i] /= n;
    grandMean += rowMeans[i];
  }
  grandMean /= n;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) b[i * n + j] += grandMean - rowMeans[i] - rowMeans[j];
  }
  const SymmetricEigen eigen = DecomposeSymmetric(b, n);
  result.eigenvalues = eigen.values;
  const double largest = std::max(0.0, eigen.values.front());
  const double zero = kZeroEigenvalueShare * std::max(largest, std::abs(eigen.values.back()));
  for (const double value : eigen.values) {
    if (value > zero) result.positiveSum += value;
    if (value < -zero) {
      ++result.negativeCount;
      result.negativeSum -= value;
    }
  }
  for (std::size_t axis = 0; axis < 2 && axis < n; ++axis) {
    const double value = eigen.values[axis];
    if (!(value > zero)) break;
    const double* vector = eigen.Vector(axis);
    const double* biggest = std::max_element(
        vector, vector + n, [](double a, double b) { return std::abs(a) < std::abs(b); });
    const double factor = std::sqrt(value) * (*biggest < 0 ? -1.0 : 1.0);
    std::vector<double>& coordinates = axis == 0 ? result.axis1 : result.axis2;
    (axis == 0 ? result.axis1Share : result.axis2Share) = value / result.positiveSum;
    for (std::size_t i = 0; i < n; ++i) coordinates[i] = vector[i] * factor;
  }
  return result;
}

}  // namespace marbleset::pictures
