#include "trees/circular_least_squares.h"

#include <algorithm>
#include <cmath>

namespace marbleset {

namespace {

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
  return sum;
}

// The weights of the splits that may change; the others are held at 0.
using FreeMask = std::vector<char>;

// The right side of the normal equations (A^T d) and the size of its largest value, which
// sets the tolerances.
struct Problem {
  std::size_t n;
  const std::vector<double>& rhs;
  double scale;
};

// Rough solves stop after this many steps; the exact method decides in the end.
constexpr std::size_t kRoughSteps = 60;

FreeMask AllSplitsFree(std::size_t n) {
  FreeMask mask(n * n, 0);
  for (std::size_t p = 1; p < n; ++p)
    for (std::size_t q = p; q < n; ++q) mask[p * n + q] = 1;
  return mask;
}

void KeepFree(std::vector<double>& v, const FreeMask& mask) {
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!mask[i]) v[i] = 0;
}

// A^T A v for weights v, held to the free splits.
std::vector<double> NormalProduct(const std::vector<double>& v, std::size_t n,
                                  const FreeMask& mask) {
  std::vector<double> result = CircularSplitSums(CircularDistances(v, n), n);
  KeepFree(result, mask);
  return result;
}

// Conjugate gradients on the normal equations of the free splits, from x (whose held weights
// are 0), scaled by the diagonal: split (p, q) separates (q - p + 1)(n - q + p - 1) pairs, so
// the diagonal spans a factor of n / 4 that would slow the iteration as much.
void SolveFree(std::vector<double>& x, const Problem& problem, const FreeMask& mask,
               std::size_t steps, const Progress& progress) {
  const std::size_t n = problem.n;
  auto precondition = [&](const std::vector<double>& r) {
    std::vector<double> z(n * n, 0);
    for (std::size_t p = 1; p < n; ++p)
      for (std::size_t q = p; q < n; ++q)
        if (mask[p * n + q])
          z[p * n + q] = r[p * n + q] / static_cast<double>((q - p + 1) * (n - q + p - 1));
    return z;
  };
  std::vector<double> r = NormalProduct(x, n, mask);
  for (std::size_t i = 0; i < r.size(); ++i) r[i] = mask[i] ? problem.rhs[i] - r[i] : 0;
  std::vector<double> z = precondition(r);
  std::vector<double> direction = z;
  double rz = Dot(r, z);
  const double tolerance = 1e-13 * problem.scale;
  for (std::size_t step = 0; step < steps && std::sqrt(Dot(r, r)) > tolerance; ++step) {
    if (step % 16 == 0) ThrowIfCancelled(progress);
    const std::vector<double> q = NormalProduct(direction, n, mask);
    const double curvature = Dot(direction, q);
    if (curvature <= 0) break;
    const double alpha = rz / curvature;
    for (std::size_t i = 0; i < x.size(); ++i) {
      x[i] += alpha * direction[i];
      r[i] -= alpha * q[i];
    }
    z = precondition(r);
    const double next = Dot(r, z);
    const double beta = next / rz;
    rz = next;
    for (std::size_t i = 0; i < x.size(); ++i) direction[i] = z[i] + beta * direction[i];
  }
}

// How many pairs splits i and j (cells p * n + q) both separate: a cell of the normal
// equations' matrix.
double PairsSeparatedByBoth(std::size_t i, std::size_t j, std::size_t n) {
  const std::size_t p1 = i / n, q1 = i % n, p2 = j / n, q2 = j % n;
  const std::size_t size1 = q1 - p1 + 1, size2 = q2 - p2 + 1;
  const std::size_t low = std::max(p1, p2), high = std::min(q1, q2);
  const std::size_t both = high >= low ? high - low + 1 : 0;
  return static_cast<double>(both * (n - size1 - size2 + both) + (size1 - both) * (size2 - both));
}

// The Cholesky factor of the normal equations of the free splits, kept up to date as splits
// are set free (a row appended) and held (a row taken out and the rest restored by plane
// rotations): each change takes O(k^2) for k free splits, so the active-set method never
// factors anew.
class FreeFactor {
 public:
  explicit FreeFactor(std::size_t n) : n_(n) {}

  const std::vector<std::size_t>& Free() const { return free_; }

  void Add(std::size_t split) {
    const std::size_t k = free_.size();
    if (k == stride_) Grow();
    double* row = &l_[k * stride_];
    double last = PairsSeparatedByBoth(split, split, n_);
    for (std::size_t c = 0; c < k; ++c) {
      const double* other = &l_[c * stride_];
      row[c] = (PairsSeparatedByBoth(free_[c], split, n_) - Dot(row, other, c)) / other[c];
      last -= row[c] * row[c];
    }
    row[k] = std::sqrt(std::max(last, 1e-12));
    free_.push_back(split);
  }

  // Takes out the split at position t of Free().
  void Remove(std::size_t t) {
    const std::size_t k = free_.size();
    std::vector<double> v(k, 0);  // the column taken out, below its diagonal
    for (std::size_t a = t + 1; a < k; ++a) {
      double* row = &l_[a * stride_];
      v[a] = row[t];
      std::copy(row + t + 1, row + a + 1, row + t);
      std::copy(row, row + a, &l_[(a - 1) * stride_]);
    }
    free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(t));
    // The rows below now give the matrix less v v^T: a rank-one update restores it, by plane
    // rotations applied row by row so that the cells are read in their order.
    std::vector<double> cosines(k, 1), sines(k, 0);
    for (std::size_t j = t; j + 1 < k; ++j) {
      double* row = &l_[j * stride_];
      double carried = v[j + 1];
      for (std::size_t i = t; i < j; ++i) {
        row[i] = (row[i] + sines[i] * carried) / cosines[i];
        carried = cosines[i] * carried - sines[i] * row[i];
      }
      const double r = std::hypot(row[j], carried);
      cosines[j] = r / row[j];
      sines[j] = carried / row[j];
      row[j] = r;
    }
  }

  // The free splits' weights for right side rhs (by cell), by position in Free().
  std::vector<double> Solve(const std::vector<double>& rhs) const {
    const std::size_t k = free_.size();
    std::vector<double> y(k);
    for (std::size_t a = 0; a < k; ++a) {
      const double* row = &l_[a * stride_];
      y[a] = (rhs[free_[a]] - Dot(row, y.data(), a)) / row[a];
    }
    for (std::size_t a = k; a-- > 0;) {
      const double* row = &l_[a * stride_];
      y[a] /= row[a];
      for (std::size_t c = 0; c < a; ++c) y[c] -= row[c] * y[a];
    }
    return y;
  }

 private:
  static double Dot(const double* a, const double* b, std::size_t count) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    std::size_t c = 0;
    for (; c + 4 <= count; c += 4) {
      s0 += a[c] * b[c];
      s1 += a[c + 1] * b[c + 1];
      s2 += a[c + 2] * b[c + 2];
      s3 += a[c + 3] * b[c + 3];
    }
    for (; c < count; ++c) s0 += a[c] * b[c];
    return (s0 + s1) + (s2 + s3);
  }

  void Grow() {
    const std::size_t wider = stride_ + std::max<std::size_t>(64, stride_ / 4);
    std::vector<double> cells(wider * wider, 0);
    for (std::size_t a = 0; a < free_.size(); ++a)
      std::copy(&l_[a * stride_], &l_[a * stride_] + a + 1, &cells[a * wider]);
    l_.swap(cells);
    stride_ = wider;
  }

  std::size_t n_, stride_ = 0;
  std::vector<std::size_t> free_;
  std::vector<double> l_;  // row a holds cells 0..a, rows stride_ apart
};

// Holds the free splits of negative weight at 0; true when there were none.
bool HoldNegatives(std::vector<double>& x, FreeMask& mask) {
  bool none = true;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (mask[i] && x[i] < 0) {
      mask[i] = 0;
      x[i] = 0;
      none = false;
    }
  }
  return none;
}

// Lawson and Hanson's active-set method from the feasible x and its free splits: the optimum
// of the free splits is taken when it has no negative weight; otherwise x moves towards it
// until the first weight reaches 0, which is held. At an optimum the held splits whose
// gradient descends are set free, the steepest first, in batches that grow while they lower
// the error and shrink when all of a batch falls back (a single one is sure to lower it).
void ActiveSet(std::vector<double>& x, const Problem& problem, const FreeMask& mask,
               Progress& progress) {
  const std::size_t n = problem.n;
  FreeFactor factor(n);
  for (std::size_t i = 0; i < mask.size(); ++i)
    if (mask[i]) factor.Add(i);
  std::size_t batch = n;
  std::vector<std::size_t> released;
  for (std::size_t round = 0;; ++round) {
    ThrowIfCancelled(progress);
    const std::vector<double> z = factor.Solve(problem.rhs);
    const std::vector<std::size_t>& free = factor.Free();
    double step = 1;
    std::size_t first = free.size();
    for (std::size_t a = 0; a < free.size(); ++a) {
      if (z[a] > 0) continue;
      const double reach = x[free[a]] / (x[free[a]] - z[a]);
      if (reach < step) {
        step = reach;
        first = a;
      }
    }
    for (std::size_t a = 0; a < free.size(); ++a) x[free[a]] += step * (z[a] - x[free[a]]);
    if (first < free.size()) {
      // Hold the first to reach 0 and those that reached it with it.
      for (std::size_t a = free.size(); a-- > 0;) {
        if (a == first || (z[a] <= 0 && x[free[a]] <= 1e-15 * problem.scale)) {
          x[free[a]] = 0;
          factor.Remove(a);
        }
      }
      continue;
    }
    // A batch of which every split fell back to 0 is halved, one that held is doubled; should
    // even the steepest alone fall back, rounding stands in the way and x is the optimum.
    const bool heldAny = std::any_of(released.begin(), released.end(),
                                     [&](std::size_t split) { return x[split] > 0; });
    if (!released.empty() && !heldAny && batch == 1) return;
    if (!released.empty())
      batch = heldAny ? std::min(2 * batch, n) : std::max<std::size_t>(1, batch / 2);
    std::vector<double> gradient = CircularSplitSums(CircularDistances(x, n), n);
    FreeMask isFree(n * n, 0);
    for (std::size_t split : factor.Free()) isFree[split] = 1;
    std::vector<std::size_t> descents;
    for (std::size_t p = 1; p < n; ++p)
      for (std::size_t q = p; q < n; ++q)
        if (!isFree[p * n + q] &&
            gradient[p * n + q] - problem.rhs[p * n + q] < -1e-9 * problem.scale)
          descents.push_back(p * n + q);
    if (descents.empty()) return;
    const std::size_t count = std::min(batch, descents.size());
    std::partial_sort(descents.begin(), descents.begin() + static_cast<std::ptrdiff_t>(count),
                      descents.end(), [&](std::size_t a, std::size_t b) {
                        return gradient[a] - problem.rhs[a] < gradient[b] - problem.rhs[b];
                      });
    released.assign(descents.begin(), descents.begin() + static_cast<std::ptrdiff_t>(count));
    for (std::size_t split : released) factor.Add(split);
    progress.Advance(std::min(95.0, 30 + 65 * (1 - 1 / (1 + 0.1 * static_cast<double>(round)))));
  }
}

}  // namespace

std::vector<double> CircularDistances(const std::vector<double>& weights, std::size_t n) {
  std::vector<double> y(n * n, 0);
  if (n < 2) return y;
  // Splits ending at place a: the column sums of the weights.
  std::vector<double> endingAt(n, 0);
  for (std::size_t p = 1; p < n; ++p)
    for (std::size_t q = p; q < n; ++q) endingAt[q] += weights[p * n + q];
  for (std::size_t a = 0; a + 1 < n; ++a) {
    double startingAfter = 0;
    for (std::size_t q = a + 1; q < n; ++q) startingAfter += weights[(a + 1) * n + q];
    y[a * n + a + 1] = endingAt[a] + startingAfter;
  }
  // A split separates a and b but not a + 1 and b - 1 (or the reverse) exactly when it is
  // (a + 1, b - 1): y(a, b) = y(a, b - 1) + y(a + 1, b) - y(a + 1, b - 1) - 2 w(a + 1, b - 1).
  for (std::size_t a = n - 2; a-- > 0;) {
    const double* below = &y[(a + 1) * n];
    double* row = &y[a * n];
    for (std::size_t b = a + 2; b < n; ++b)
      row[b] = row[b - 1] + below[b] - below[b - 1] - 2 * weights[(a + 1) * n + b - 1];
  }
  return y;
}

std::vector<double> CircularSplitSums(const std::vector<double>& values, std::size_t n) {
  std::vector<double> s(n * n, 0);
  std::vector<double> rowSum(n, 0);
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      rowSum[a] += values[a * n + b];
      rowSum[b] += values[a * n + b];
    }
  }
  // The pairs split (p, q) separates are those (p, q - 1) and (p + 1, q) separate, less those
  // both separate, except the pair (p, q) itself, which neither does while they count it twice.
  for (std::size_t p = n; p-- > 1;) {
    s[p * n + p] = rowSum[p];
    const double* below = &s[(p + 1) * n];
    double* row = &s[p * n];
    for (std::size_t q = p + 1; q < n; ++q)
      row[q] = row[q - 1] + below[q] - (q - 1 > p ? below[q - 1] : 0) - 2 * values[p * n + q];
  }
  return s;
}

std::vector<double> ExactCircularWeights(const std::vector<double>& distances, std::size_t n) {
  // Place n stands for place 0: no split holds either.
  auto d = [&](std::size_t a, std::size_t b) {
    if (b == n) b = 0;
    return distances[a * n + b];
  };
  std::vector<double> w(n * n, 0);
  for (std::size_t p = 1; p < n; ++p)
    for (std::size_t q = p; q < n; ++q)
      w[p * n + q] = (d(p - 1, q) + d(p, q + 1) - d(p - 1, q + 1) - d(p, q)) / 2;
  return w;
}

std::vector<double> NonNegativeCircularFit(const std::vector<double>& distances, std::size_t n,
                                           Progress& progress) {
  std::vector<double> upper(n * n, 0);
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b) upper[a * n + b] = distances[a * n + b];
  const std::vector<double> rhs = CircularSplitSums(upper, n);
  double scale = 0;
  for (double value : rhs) scale = std::max(scale, std::abs(value));
  const Problem problem{n, rhs, std::max(scale, 1e-300)};
  // Rough solves from the exact weights, each holding the negative weights at 0, find most of
  // the splits that stay at 0; the active-set method then has few splits left to work on.
  std::vector<double> x = ExactCircularWeights(distances, n);
  FreeMask mask = AllSplitsFree(n);
  do {
    SolveFree(x, problem, mask, kRoughSteps, progress);
  } while (!HoldNegatives(x, mask));
  progress.Advance(30);
  ActiveSet(x, problem, mask, progress);
  return x;
}

}  // namespace marbleset
