#include "trees/neighbor_joining.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "dataset/errors.h"

namespace marbleset {

namespace {

// The leaves 0..n-1, one per OTU, without parents yet.
Tree LeavesOf(const DistanceMatrix& matrix) {
  const std::size_t n = matrix.n;
  Tree tree;
  tree.nodes.reserve(2 * n);
  for (std::size_t otu = 0; otu < n; ++otu) {
    const std::size_t leaf = tree.AddNode(kNoNode);
    tree.nodes[leaf].otu = otu;
    if (otu < matrix.names.size()) tree.nodes[leaf].name = matrix.names[otu];
  }
  return tree;
}

void CheckMatrix(const DistanceMatrix& matrix) {
  if (matrix.values.size() != matrix.n * matrix.n)
    throw Failure("The distance matrix is not square.");
  for (std::size_t i = 0; i < matrix.n; ++i)
    for (std::size_t j = 0; j < matrix.n; ++j)
      if (i != j && !std::isfinite(matrix.At(i, j)))
        throw Failure("The distance between OTUs " + std::to_string(i + 1) + " and " +
                      std::to_string(j + 1) + " is not a number; no tree can be built.");
}

// Two OTUs: one branch between them, halved at the root.
Tree PairTree(const DistanceMatrix& matrix, Tree tree) {
  const double half = (matrix.At(0, 1) + matrix.At(1, 0)) / 2.0 / 2.0;
  tree.root = tree.AddNode(kNoNode);
  tree.Attach(tree.root, 0, half);
  tree.Attach(tree.root, 1, half);
  return tree;
}

// The matrix neighbor works on: the mean of (i, j) and (j, i), zeros on the diagonal.
std::vector<double> SymmetricCopy(const DistanceMatrix& matrix) {
  const std::size_t n = matrix.n;
  std::vector<double> x(n * n, 0.0);
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      x[i * n + j] = x[j * n + i] = (matrix.At(i, j) + matrix.At(j, i)) / 2.0;
  return x;
}

}  // namespace

Tree BuildTree(const DistanceMatrix& matrix, TreeMethod method) {
  CheckMatrix(matrix);
  const std::size_t n = matrix.n;
  Tree tree = LeavesOf(matrix);
  if (n <= 1) {
    tree.root = n == 1 ? 0 : kNoNode;
    return tree;
  }
  const bool join = method == TreeMethod::kNeighborJoining;
  if (join && n == 2) return PairTree(matrix, std::move(tree));

  // The clusters not yet joined stay in matrix order in the first m rows and columns; joining
  // i < j puts the new cluster at i and closes the gap of j, so the loops run over contiguous
  // memory and still meet the pairs in neighbor's order.
  const std::size_t stride = n;
  std::vector<double> x = SymmetricCopy(matrix);
  std::vector<std::size_t> slot(n);
  for (std::size_t k = 0; k < n; ++k) slot[k] = k;
  // av: what neighbor subtracts from a cluster's branch: half the distance at which it was
  // joined (neighbor-joining) or its height (UPGMA). oc: OTUs in each cluster (UPGMA).
  std::vector<double> av(n, 0.0), oc(n, 1.0), rowSum(n), criterion(n);
  std::size_t m = n;
  const std::size_t last = join ? 3 : 1;
  while (m > last) {
    const double fotu2 = static_cast<double>(m) - 2.0;
    if (join) {
      // Row sums in the order neighbor adds them (by the other OTU's place), one running sum
      // per column so that the additions vectorise without changing their order.
      std::fill_n(rowSum.begin(), m, 0.0);
      for (std::size_t l = 0; l < m; ++l) {
        const double* row = x.data() + l * stride;
        for (std::size_t k = 0; k < m; ++k) rowSum[k] += row[k];
      }
    }
    double best = DBL_MAX;
    std::size_t bestI = 0, bestJ = 0;
    for (std::size_t j = 1; j < m; ++j) {
      const double* row = x.data() + j * stride;
      double* q = criterion.data();
      if (join) {
        const double rj = rowSum[j];
        for (std::size_t i = 0; i < j; ++i) q[i] = fotu2 * row[i] - rowSum[i] - rj;
      } else {
        std::copy_n(row, j, q);
      }
      // The row's smallest value with four independent minima; min is exact in any order.
      double m0 = DBL_MAX, m1 = DBL_MAX, m2 = DBL_MAX, m3 = DBL_MAX;
      std::size_t i = 0;
      for (; i + 4 <= j; i += 4) {
        m0 = q[i] < m0 ? q[i] : m0;
        m1 = q[i + 1] < m1 ? q[i + 1] : m1;
        m2 = q[i + 2] < m2 ? q[i + 2] : m2;
        m3 = q[i + 3] < m3 ? q[i + 3] : m3;
      }
      for (; i < j; ++i) m0 = q[i] < m0 ? q[i] : m0;
      const double rowMin = std::min(std::min(m0, m1), std::min(m2, m3));
      // Only a strictly smaller value displaces the pair found first.
      if (rowMin < best) {
        best = rowMin;
        bestJ = j;
        bestI = static_cast<std::size_t>(std::find(q, q + j, rowMin) - q);
      }
    }
    const std::size_t i = bestI, j = bestJ;
    const double dmin = x[i * stride + j];
    double bi, bj;
    if (join) {
      const double dio = (rowSum[i] - dmin) / fotu2;
      const double djo = (rowSum[j] - dmin) / fotu2;
      bi = (dmin + dio - djo) * 0.5;
      bj = dmin - bi;
      bi -= av[i];
      bj -= av[j];
      av[i] = dmin * 0.5;
    } else {
      bi = dmin / 2.0 - av[i];
      bj = dmin / 2.0 - av[j];
      av[i] += bi;
    }
    const std::size_t joined = tree.AddNode(kNoNode);
    tree.Attach(joined, slot[i], bi);
    tree.Attach(joined, slot[j], bj);
    slot[i] = joined;
    double* rowI = x.data() + i * stride;
    const double* rowJ = x.data() + j * stride;
    for (std::size_t k = 0; k < m; ++k) {
      if (k == i || k == j) continue;
      const double da =
          join ? (rowI[k] + rowJ[k]) * 0.5 : (rowI[k] * oc[i] + rowJ[k] * oc[j]) / (oc[i] + oc[j]);
      rowI[k] = da;
      x[k * stride + i] = da;
    }
    oc[i] += oc[j];
    // Close the gap of j: the columns after it move left, the rows after it move up.
    for (std::size_t r = 0; r < m; ++r) {
      double* row = x.data() + r * stride;
      std::memmove(row + j, row + j + 1, (m - 1 - j) * sizeof(double));
    }
    for (std::size_t r = j + 1; r < m; ++r)
      std::memmove(x.data() + (r - 1) * stride, x.data() + r * stride, (m - 1) * sizeof(double));
    slot.erase(slot.begin() + static_cast<std::ptrdiff_t>(j));
    av.erase(av.begin() + static_cast<std::ptrdiff_t>(j));
    oc.erase(oc.begin() + static_cast<std::ptrdiff_t>(j));
    --m;
  }
  if (!join) {
    tree.root = slot[0];
    return tree;
  }
  const double x01 = x[1], x02 = x[2], x12 = x[stride + 2];
  double bi = (x01 + x02 - x12) * 0.5;
  double bj = x01 - bi;
  double bk = x02 - bi;
  bi -= av[0];
  bj -= av[1];
  bk -= av[2];
  tree.root = tree.AddNode(kNoNode);
  tree.Attach(tree.root, slot[0], bi);
  tree.Attach(tree.root, slot[1], bj);
  tree.Attach(tree.root, slot[2], bk);
  return tree;
}

Tree BuildTreePlainly(const DistanceMatrix& matrix, TreeMethod method) {
  CheckMatrix(matrix);
  const std::size_t n = matrix.n;
  Tree tree = LeavesOf(matrix);
  if (n <= 1) {
    tree.root = n == 1 ? 0 : kNoNode;
    return tree;
  }
  const bool join = method == TreeMethod::kNeighborJoining;
  if (join && n == 2) return PairTree(matrix, std::move(tree));
  std::vector<double> x = SymmetricCopy(matrix);
  auto at = [&](std::size_t i, std::size_t j) -> double& { return x[i * n + j]; };
  std::vector<std::size_t> cluster(n);  // kNoNode once joined into another
  for (std::size_t k = 0; k < n; ++k) cluster[k] = k;
  std::vector<double> av(n, 0.0), r(n);
  std::vector<long> oc(n, 1);
  double fotu2 = static_cast<double>(n) - 2.0;
  const std::size_t cycles = join ? n - 3 : n - 1;
  for (std::size_t cycle = 0; cycle < cycles; ++cycle) {
    if (join) {
      std::fill(r.begin(), r.end(), 0.0);
      for (std::size_t jj = 1; jj < n; ++jj) {
        if (cluster[jj] == kNoNode) continue;
        for (std::size_t ii = 0; ii < jj; ++ii) {
          if (cluster[ii] == kNoNode) continue;
          r[ii] += at(ii, jj);
          r[jj] += at(ii, jj);
        }
      }
    }
    double tmin = DBL_MAX;
    std::size_t mini = 0, minj = 0;
    for (std::size_t jj = 1; jj < n; ++jj) {
      if (cluster[jj] == kNoNode) continue;
      for (std::size_t ii = 0; ii < jj; ++ii) {
        if (cluster[ii] == kNoNode) continue;
        const double total = join ? fotu2 * at(ii, jj) - r[ii] - r[jj] : at(ii, jj);
        if (total < tmin) {
          tmin = total;
          mini = ii;
          minj = jj;
        }
      }
    }
    double bi, bj;
    const double dmin = at(mini, minj);
    if (join) {
      double dio = 0.0, djo = 0.0;
      for (std::size_t k = 0; k < n; ++k) {
        dio += at(k, mini);
        djo += at(k, minj);
      }
      dio = (dio - dmin) / fotu2;
      djo = (djo - dmin) / fotu2;
      bi = (dmin + dio - djo) * 0.5;
      bj = dmin - bi;
      bi -= av[mini];
      bj -= av[minj];
      av[mini] = dmin * 0.5;
    } else {
      bi = dmin / 2.0 - av[mini];
      bj = dmin / 2.0 - av[minj];
      av[mini] += bi;
    }
    const std::size_t joined = tree.AddNode(kNoNode);
    tree.Attach(joined, cluster[mini], bi);
    tree.Attach(joined, cluster[minj], bj);
    fotu2 -= 1.0;
    for (std::size_t k = 0; k < n; ++k) {
      if (cluster[k] == kNoNode || k == mini || k == minj) continue;
      const double da = join ? (at(mini, k) + at(minj, k)) * 0.5
                             : (at(mini, k) * static_cast<double>(oc[mini]) +
                                at(minj, k) * static_cast<double>(oc[minj])) /
                                   static_cast<double>(oc[mini] + oc[minj]);
      at(mini, k) = at(k, mini) = da;
    }
    for (std::size_t k = 0; k < n; ++k) at(minj, k) = at(k, minj) = 0.0;
    oc[mini] += oc[minj];
    cluster[mini] = joined;
    cluster[minj] = kNoNode;
  }
  std::vector<std::size_t> left;
  for (std::size_t k = 0; k < n; ++k)
    if (cluster[k] != kNoNode) left.push_back(k);
  if (!join) {
    tree.root = cluster[left[0]];
    return tree;
  }
  const std::size_t e0 = left[0], e1 = left[1], e2 = left[2];
  double bi = (at(e0, e1) + at(e0, e2) - at(e1, e2)) * 0.5;
  double bj = at(e0, e1) - bi;
  double bk = at(e0, e2) - bi;
  bi -= av[e0];
  bj -= av[e1];
  bk -= av[e2];
  tree.root = tree.AddNode(kNoNode);
  tree.Attach(tree.root, cluster[e0], bi);
  tree.Attach(tree.root, cluster[e1], bj);
  tree.Attach(tree.root, cluster[e2], bk);
  return tree;
}

}  // namespace marbleset
