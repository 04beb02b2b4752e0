#include "trees/neighbor_net.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dataset/errors.h"
#include "trees/circular_least_squares.h"

namespace marbleset {

namespace {

// The mean of values as R's mean computes it (a sum in extended precision, then its
// correction), so that distances of clusters come out to the last bit as in phangorn, whose
// split systems users compare with ours; the agglomeration meets exact ties of its criterion
// (any four clusters have two equal pairs) that only rounding settles.
double ExtendedMean(const double* values, std::size_t count) {
  long double sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += values[i];
  sum /= static_cast<long double>(count);
  long double correction = 0;
  for (std::size_t i = 0; i < count; ++i) correction += values[i] - sum;
  return static_cast<double>(sum + correction / static_cast<long double>(count));
}

// One or two OTU slots at the ends of a path of OTUs (the front end first).
struct Cluster {
  std::size_t ends[2] = {0, 0};
  std::size_t size = 1;
  std::vector<std::size_t> path;
};

// The agglomeration: clusters joined two by two until one path holds every OTU. A cluster of
// three or four nodes is reduced to its two ends, whose slots of the distance matrix then hold
// two thirds of their own distances and one third of the node beside them; so memory stays
// n x n. Clusters keep their order: a joined cluster takes the place of the earlier of the two.
class Agglomeration {
 public:
  explicit Agglomeration(const DistanceMatrix& matrix)
      : n_(matrix.n), d_(matrix.values), between_(matrix.values) {
    for (std::size_t i = 0; i < n_; ++i) {
      Cluster cluster;
      cluster.ends[0] = i;
      cluster.path = {i};
      clusters_.push_back(std::move(cluster));
      ids_.push_back(i);
    }
  }

  std::vector<std::size_t> Ordering() {
    while (clusters_.size() > 1) Step();
    return clusters_.empty() ? std::vector<std::size_t>{} : clusters_[0].path;
  }

 private:
  double D(std::size_t a, std::size_t b) const { return d_[a * n_ + b]; }
  double& B(std::size_t i, std::size_t j) { return between_[ids_[i] * n_ + ids_[j]]; }

  // The mean distance of the nodes of clusters i and j, in R's order (column by column).
  double MeanBetween(std::size_t i, std::size_t j) const {
    double values[4];
    std::size_t count = 0;
    for (std::size_t c = 0; c < clusters_[j].size; ++c)
      for (std::size_t r = 0; r < clusters_[i].size; ++r)
        values[count++] = D(clusters_[i].ends[r], clusters_[j].ends[c]);
    return ExtendedMean(values, count);
  }

  void Step() {
    const std::size_t m = clusters_.size();
    std::size_t bestI = 0, bestJ = 1;
    if (m > 2) {
      std::vector<double> r(m);
      for (std::size_t i = 0; i < m; ++i) {
        long double sum = 0;
        for (std::size_t j = 0; j < m; ++j) sum += between_[ids_[i] * n_ + ids_[j]];
        r[i] = static_cast<double>(sum) / static_cast<double>(m - 2);
      }
      double best = std::numeric_limits<double>::infinity();
      for (std::size_t i = 0; i < m; ++i) {
        const double* row = &between_[ids_[i] * n_];
        for (std::size_t j = i + 1; j < m; ++j) {
          const double q = row[ids_[j]] - r[i] - r[j];
          if (q < best) {
            best = q;
            bestI = i;
            bestJ = j;
          }
        }
      }
    }
    const auto [a, b] = ClosestEnds(bestI, bestJ);
    Join(bestI, a, bestJ, b);
    for (std::size_t k = 0; k < m; ++k) B(k, bestI) = B(bestI, k) = MeanBetween(k, bestI);
    B(bestI, bestI) = 0;
    clusters_.erase(clusters_.begin() + static_cast<std::ptrdiff_t>(bestJ));
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(bestJ));
  }

  // Which end a of cluster i and b of cluster j to join: the same criterion over the clusters
  // with these two taken apart into their nodes.
  std::pair<std::size_t, std::size_t> ClosestEnds(std::size_t i, std::size_t j) const {
    std::vector<std::size_t> nodes(clusters_[i].ends, clusters_[i].ends + clusters_[i].size);
    nodes.insert(nodes.end(), clusters_[j].ends, clusters_[j].ends + clusters_[j].size);
    const std::size_t count = clusters_.size() - 2 + nodes.size();
    std::vector<double> r(nodes.size(), 0);
    for (std::size_t a = 0; a < nodes.size(); ++a) {
      for (std::size_t b = 0; b < nodes.size(); ++b)
        if (b != a) r[a] += D(nodes[a], nodes[b]);
      for (std::size_t k = 0; k < clusters_.size(); ++k) {
        if (k == i || k == j) continue;
        double values[2];
        for (std::size_t c = 0; c < clusters_[k].size; ++c)
          values[c] = D(nodes[a], clusters_[k].ends[c]);
        r[a] += ExtendedMean(values, clusters_[k].size);
      }
      if (count > 2) r[a] /= static_cast<double>(count - 2);
    }
    const std::size_t first = clusters_[i].size;
    std::pair<std::size_t, std::size_t> chosen{0, 0};
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t b = 0; b < clusters_[j].size; ++b) {
      for (std::size_t a = 0; a < first; ++a) {
        const double q = D(nodes[a], nodes[first + b]) - (r[a] + r[first + b]);
        if (q < best) {
          best = q;
          chosen = {a, b};
        }
      }
    }
    return chosen;
  }

  // Joins end a of cluster i to end b of cluster j into cluster i: the paths put together so
  // that the two ends meet, and a chain of three or four nodes reduced to its two outer ones.
  // Which way round each reduction and path goes follows phangorn, so rounding agrees too.
  void Join(std::size_t i, std::size_t a, std::size_t j, std::size_t b) {
    Cluster& left = clusters_[i];
    Cluster& right = clusters_[j];
    const std::size_t x = left.ends[a], y = right.ends[b];
    bool rightFirst = false;
    if (left.size == 1 && right.size == 1) {
      left.ends[1] = y;
    } else if (right.size == 1) {
      rightFirst = a == 0;
      rightFirst ? Reduce(y, x, left.ends[1]) : Reduce(left.ends[0], x, y);
      left.ends[0] = rightFirst ? y : left.ends[0];
      left.ends[1] = rightFirst ? left.ends[1] : y;
    } else if (left.size == 1) {
      rightFirst = b == 1;
      rightFirst ? Reduce(right.ends[0], y, x) : Reduce(x, y, right.ends[1]);
      left.ends[0] = rightFirst ? right.ends[0] : x;
      left.ends[1] = rightFirst ? x : right.ends[1];
    } else {
      const std::size_t outerLeft = left.ends[1 - a], outerRight = right.ends[1 - b];
      Reduce(outerLeft, x, y);
      Reduce(outerLeft, y, outerRight);
      if (a == 0) std::reverse(left.path.begin(), left.path.end());
      if (b == 1) std::reverse(right.path.begin(), right.path.end());
      left.ends[0] = outerLeft;
      left.ends[1] = outerRight;
    }
    left.size = 2;
    if (rightFirst) std::swap(left.path, right.path);
    left.path.insert(left.path.end(), right.path.begin(), right.path.end());
  }

  // Replaces the chain x - y - z by two nodes in the slots of x and z, each two thirds of its
  // outer node and one third of y, computed as phangorn computes them.
  void Reduce(std::size_t x, std::size_t y, std::size_t z) {
    const double xz = (D(x, y) + D(x, z) + D(y, z)) / 3;
    std::vector<double> u(n_), v(n_);
    for (std::size_t k = 0; k < n_; ++k) {
      u[k] = 2.0 / 3 * D(x, k) + D(y, k) / 3;
      v[k] = 2.0 / 3 * D(z, k) + D(y, k) / 3;
    }
    for (std::size_t k = 0; k < n_; ++k) {
      d_[x * n_ + k] = d_[k * n_ + x] = u[k];
      d_[z * n_ + k] = d_[k * n_ + z] = v[k];
    }
    d_[x * n_ + z] = d_[z * n_ + x] = xz;
    d_[x * n_ + x] = d_[z * n_ + z] = 0;
  }

  std::size_t n_;
  std::vector<double> d_;        // n x n by slot
  std::vector<double> between_;  // n x n by cluster id: the mean distance of two clusters
  std::vector<Cluster> clusters_;
  std::vector<std::size_t> ids_;  // by place in clusters_: the cluster's row of between_
};

void CheckDistances(const DistanceMatrix& matrix) {
  for (std::size_t i = 0; i < matrix.n; ++i) {
    for (std::size_t j = 0; j < matrix.n; ++j) {
      const double value = matrix.At(i, j);
      if (!std::isfinite(value) || value < 0) {
        throw Failure("The distance between " + matrix.names[i] + " and " + matrix.names[j] +
                      " is not a distance of zero or more; a split network needs distances.");
      }
    }
  }
}

// 100 (1 - sum (d - fitted)^2 / sum d^2) over the pairs of OTUs.
double FitPercent(const DistanceMatrix& matrix, const std::vector<std::size_t>& ordering,
                  const std::vector<double>& weights) {
  const std::size_t n = matrix.n;
  const std::vector<double> fitted = CircularDistances(weights, n);
  double error = 0, total = 0;
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      const double d = matrix.At(ordering[a], ordering[b]);
      error += (d - fitted[a * n + b]) * (d - fitted[a * n + b]);
      total += d * d;
    }
  }
  return total > 0 ? 100 * (1 - error / total) : 100;
}

}  // namespace

std::vector<std::size_t> NeighborNetOrdering(const DistanceMatrix& matrix) {
  CheckDistances(matrix);
  return Agglomeration(matrix).Ordering();
}

std::vector<double> CircularSplitWeights(const DistanceMatrix& matrix,
                                         const std::vector<std::size_t>& ordering,
                                         Progress& progress) {
  const std::size_t n = matrix.n;
  std::vector<double> d(n * n, 0);
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = 0; b < n; ++b) d[a * n + b] = matrix.At(ordering[a], ordering[b]);
  return NonNegativeCircularFit(d, n, progress);
}

SplitNetwork NeighborNet(const DistanceMatrix& matrix, Progress& progress) {
  progress.Start("Neighbor-net");
  SplitNetwork network;
  network.names = matrix.names;
  network.ordering = NeighborNetOrdering(matrix);
  ThrowIfCancelled(progress);
  progress.Advance(10);
  const std::size_t n = matrix.n;
  const std::vector<double> weights = CircularSplitWeights(matrix, network.ordering, progress);
  for (std::size_t first = 1; first < n; ++first)
    for (std::size_t last = first; last < n; ++last)
      if (weights[first * n + last] > 0)
        network.splits.push_back({first, last, weights[first * n + last]});
  network.fit = FitPercent(matrix, network.ordering, weights);
  progress.Advance(100);
  return network;
}

WeightedSplits AsWeightedSplits(const SplitNetwork& network) {
  WeightedSplits result;
  result.names = network.names;
  result.cycle = network.ordering;
  result.fit = network.fit;
  for (const CircularSplit& split : network.splits) {
    result.sides.emplace_back(
        network.ordering.begin() + static_cast<std::ptrdiff_t>(split.first),
        network.ordering.begin() + static_cast<std::ptrdiff_t>(split.last) + 1);
    result.weights.push_back(split.weight);
  }
  return result;
}

std::string NeighborNetMethodText() {
  return "Split network by neighbor-net: a circular ordering of the OTUs by agglomeration and "
         "split weights by non-negative least squares (Bryant & Moulton 2004, Molecular Biology "
         "and Evolution 21:255-265).";
}

}  // namespace marbleset
