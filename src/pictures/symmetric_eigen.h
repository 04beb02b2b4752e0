// Every eigenvalue and eigenvector of a real symmetric matrix: Householder reduction to
// tridiagonal form, then the QL method with implicit shifts (the EISPACK tred2 and tql2
// procedures), with the matrix kept column by column so that every inner loop runs along
// memory.
#pragma once

#include <cstddef>
#include <vector>

namespace marbleset::pictures {

struct SymmetricEigen {
  std::size_t n = 0;
  std::vector<double> values;   // largest first
  std::vector<double> vectors;  // n x n, vector k in vectors[k * n .. k * n + n - 1], unit length

  const double* Vector(std::size_t k) const { return vectors.data() + k * n; }
};

// matrix: n x n, symmetric (only its lower triangle is read), row after row.
SymmetricEigen DecomposeSymmetric(const std::vector<double>& matrix, std::size_t n);

}  // namespace marbleset::pictures
