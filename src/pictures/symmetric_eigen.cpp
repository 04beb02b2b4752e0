#include "pictures/symmetric_eigen.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace marbleset::pictures {

namespace {

// V(row, column) on column-major storage: the procedures' inner loops walk down columns.
struct Columns {
  std::vector<double>& a;
  std::size_t n;
  double& operator()(std::size_t row, std::size_t column) { return a[column * n + row]; }
};

// Householder reduction of V (the symmetric matrix on entry) to tridiagonal form: diagonal d,
// subdiagonal e (e[0] = 0), V the orthogonal transformation.
void Tridiagonalise(Columns V, std::vector<double>& d, std::vector<double>& e) {
  const std::size_t n = V.n;
  for (std::size_t j = 0; j < n; ++j) d[j] = V(n - 1, j);
  for (std::size_t i = n - 1; i > 0; --i) {
    double scale = 0.0;
    double h = 0.0;
    for (std::size_t k = 0; k < i; ++k) scale += std::abs(d[k]);
    if (scale == 0.0) {
      e[i] = d[i - 1];
      for (std::size_t j = 0; j < i; ++j) {
        d[j] = V(i - 1, j);
        V(i, j) = 0.0;
        V(j, i) = 0.0;
      }
    } else {
      for (std::size_t k = 0; k < i; ++k) {
        d[k] /= scale;
        h += d[k] * d[k];
      }
      double f = d[i - 1];
      double g = std::sqrt(h);
      if (f > 0) g = -g;
      e[i] = scale * g;
      h -= f * g;
      d[i - 1] = f - g;
      for (std::size_t j = 0; j < i; ++j) e[j] = 0.0;
      for (std::size_t j = 0; j < i; ++j) {
        f = d[j];
        V(j, i) = f;
        g = e[j] + V(j, j) * f;
        double* column = &V(0, j);
        for (std::size_t k = j + 1; k < i; ++k) {
          g += column[k] * d[k];
          e[k] += column[k] * f;
        }
        e[j] = g;
      }
      f = 0.0;
      for (std::size_t j = 0; j < i; ++j) {
        e[j] /= h;
        f += e[j] * d[j];
      }
      const double hh = f / (h + h);
      for (std::size_t j = 0; j < i; ++j) e[j] -= hh * d[j];
      for (std::size_t j = 0; j < i; ++j) {
        f = d[j];
        g = e[j];
        double* column = &V(0, j);
        for (std::size_t k = j; k < i; ++k) column[k] -= f * e[k] + g * d[k];
        d[j] = V(i - 1, j);
        V(i, j) = 0.0;
      }
    }
    d[i] = h;
  }
  // Accumulate the transformations.
  for (std::size_t i = 0; i + 1 < n; ++i) {
    V(n - 1, i) = V(i, i);
    V(i, i) = 1.0;
    const double h = d[i + 1];
    double* next = &V(0, i + 1);
    if (h != 0.0) {
      for (std::size_t k = 0; k <= i; ++k) d[k] = next[k] / h;
      for (std::size_t j = 0; j <= i; ++j) {
        double* column = &V(0, j);
        double g = 0.0;
        for (std::size_t k = 0; k <= i; ++k) g += next[k] * column[k];
        for (std::size_t k = 0; k <= i; ++k) column[k] -= g * d[k];
      }
    }
    for (std::size_t k = 0; k <= i; ++k) next[k] = 0.0;
  }
  for (std::size_t j = 0; j < n; ++j) {
    d[j] = V(n - 1, j);
    V(n - 1, j) = 0.0;
  }
  V(n - 1, n - 1) = 1.0;
  e[0] = 0.0;
}

// The QL method with implicit shifts on the tridiagonal (d, e), rotating V's columns along.
void DiagonaliseTridiagonal(Columns V, std::vector<double>& d, std::vector<double>& e) {
  const std::size_t n = V.n;
  for (std::size_t i = 1; i < n; ++i) e[i - 1] = e[i];
  e[n - 1] = 0.0;
  double f = 0.0;
  double largest = 0.0;
  const double eps = std::numeric_limits<double>::epsilon();
  for (std::size_t l = 0; l < n; ++l) {
    largest = std::max(largest, std::abs(d[l]) + std::abs(e[l]));
    std::size_t m = l;
    while (m < n - 1 && std::abs(e[m]) > eps * largest) ++m;
    if (m > l) {
      do {
        double g = d[l];
        double p = (d[l + 1] - g) / (2.0 * e[l]);
        double r = std::hypot(p, 1.0);
        if (p < 0) r = -r;
        d[l] = e[l] / (p + r);
        d[l + 1] = e[l] * (p + r);
        const double dl1 = d[l + 1];
        double h = g - d[l];
        for (std::size_t i = l + 2; i < n; ++i) d[i] -= h;
        f += h;
        p = d[m];
        double c = 1.0, c2 = 1.0, c3 = 1.0;
        const double el1 = e[l + 1];
        double s = 0.0, s2 = 0.0;
        for (std::size_t i = m; i-- > l;) {
          c3 = c2;
          c2 = c;
          s2 = s;
          g = c * e[i];
          h = c * p;
          r = std::hypot(p, e[i]);
          e[i + 1] = s * r;
          s = e[i] / r;
          c = p / r;
          p = c * d[i] - s * g;
          d[i + 1] = h + s * (c * g + s * d[i]);
          double* left = &V(0, i);
          double* right = &V(0, i + 1);
          for (std::size_t k = 0; k < n; ++k) {
            h = right[k];
            right[k] = s * left[k] + c * h;
            left[k] = c * left[k] - s * h;
          }
        }
        p = -s * s2 * c3 * el1 * e[l] / dl1;
        e[l] = s * p;
        d[l] = c * p;
      } while (std::abs(e[l]) > eps * largest);
    }
    d[l] += f;
    e[l] = 0.0;
  }
}

}  // namespace

SymmetricEigen DecomposeSymmetric(const std::vector<double>& matrix, std::size_t n) {
  SymmetricEigen result;
  result.n = n;
  if (n == 0) return result;
  // Column-major copy of the lower triangle, mirrored: the same numbers as row-major.
  std::vector<double> work(n * n);
  for (std::size_t row = 0; row < n; ++row) {
    for (std::size_t column = 0; column <= row; ++column) {
      work[column * n + row] = matrix[row * n + column];
      work[row * n + column] = matrix[row * n + column];
    }
  }
  std::vector<double> d(n), e(n);
  Tridiagonalise(Columns{work, n}, d, e);
  DiagonaliseTridiagonal(Columns{work, n}, d, e);
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&d](std::size_t a, std::size_t b) { return d[a] > d[b]; });
  result.values.resize(n);
  result.vectors.resize(n * n);
  for (std::size_t k = 0; k < n; ++k) {
    result.values[k] = d[order[k]];
    std::copy_n(work.begin() + order[k] * n, n, result.vectors.begin() + k * n);
  }
  return result;
}

}  // namespace marbleset::pictures
