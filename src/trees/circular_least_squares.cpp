#include "trees/circular_least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
// Up to this many free splits, the exact method solves their normal equations directly.
constexpr std::size_t kDirectLimit = 6000;

FreeMask AllSplitsFree(std::size_t n) {
  FreeMask mask(n * n, 0);
  for (std::size_t p = 1; p < n; ++p)
    for (std::size_t q = p; q < n; ++q) mask[p * n + q] = 1;
  return mask;
}

std::size_t FreeCount(const FreeMask& mask) {
  return static_cast<std::size_t>(std::count(mask.begin(), mask.end(), 1));
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

// How many pairs splits i and j (cells p * n + q) both separate.
double PairsSeparatedByBoth(std::size_t i, std::size_t j, std::size_t n) {
  const std::size_t p1 = i / n, q1 = i % n, p2 = j / n, q2 = j % n;
  const std::size_t size1 = q1 - p1 + 1, size2 = q2 - p2 + 1;
  const std::size_t low = std::max(p1, p2), high = std::min(q1, q2);
  const std::size_t both = high >= low ? high - low + 1 : 0;
  return static_cast<double>(both * (n - size1 - size2 + both) + (size1 - both) * (size2 - both));
}

// Solves the normal equations of the free splits exactly (Cholesky); their matrix has a cell
// for each two free splits, so this is for few of them.
std::vector<double> SolveFreeDirectly(const std::vector<std::size_t>& free, const Problem& problem,
                                      const Progress& progress) {
  const std::size_t k = free.size();
  std::vector<double> l(k * k, 0);
  for (std::size_t a = 0; a < k; ++a) {
    if (a % 64 == 0) ThrowIfCancelled(progress);
    double* row = &l[a * k];
    for (std::size_t b = 0; b <= a; ++b) {
      const double* other = &l[b * k];
      double sum = PairsSeparatedByBoth(free[a], free[b], problem.n);
      double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      std::size_t c = 0;
      for (; c + 4 <= b; c += 4) {
        s0 += row[c] * other[c];
        s1 += row[c + 1] * other[c + 1];
        s2 += row[c + 2] * other[c + 2];
        s3 += row[c + 3] * other[c + 3];
      }
      for (; c < b; ++c) s0 += row[c] * other[c];
      sum -= (s0 + s1) + (s2 + s3);
      row[b] = a == b ? std::sqrt(std::max(sum, 1e-300)) : sum / other[b];
    }
  }
  std::vector<double> y(k);
  for (std::size_t a = 0; a < k; ++a) {
    double sum = problem.rhs[free[a]];
    for (std::size_t c = 0; c < a; ++c) sum -= l[a * k + c] * y[c];
    y[a] = sum / l[a * k + a];
  }
  for (std::size_t a = k; a-- > 0;) {
    double sum = y[a];
    for (std::size_t c = a + 1; c < k; ++c) sum -= l[c * k + a] * y[c];
    y[a] = sum / l[a * k + a];
  }
  return y;
}

// x with the free splits' least-squares weights; computed directly when they are few.
std::vector<double> OptimumOfFree(const std::vector<double>& x, const Problem& problem,
                                  const FreeMask& mask, const Progress& progress) {
  std::vector<std::size_t> free;
  for (std::size_t i = 0; i < mask.size(); ++i)
    if (mask[i]) free.push_back(i);
  std::vector<double> z = x;
  if (free.size() > kDirectLimit) {
    SolveFree(z, problem, mask, 20 * problem.n + 100, progress);
    return z;
  }
  const std::vector<double> values = SolveFreeDirectly(free, problem, progress);
  for (std::size_t a = 0; a < free.size(); ++a) z[free[a]] = values[a];
  return z;
}

// From a feasible x, the optimum of the free splits; where it has negative weights, x moves
// towards it only until the first weight reaches 0, holds the splits at 0 and tries again.
void StepToOptimumOfFree(std::vector<double>& x, const Problem& problem, FreeMask& mask,
                         const Progress& progress) {
  for (;;) {
    const std::vector<double> z = OptimumOfFree(x, problem, mask, progress);
    double step = 1;
    for (std::size_t i = 0; i < x.size(); ++i)
      if (mask[i] && z[i] < 0) step = std::min(step, x[i] / (x[i] - z[i]));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] += step * (z[i] - x[i]);
    if (step == 1) return;
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (mask[i] && z[i] < 0 && x[i] <= 1e-15 * problem.scale) {
        mask[i] = 0;
        x[i] = 0;
      }
    }
  }
}

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

// Sets free the held splits whose weight would lower the squared error when raised (gradient
// below -tolerance), the steepest first and at most limit of them. True when there was none:
// the weights are then optimal.
bool FreeDescents(const std::vector<double>& gradient, const FreeMask& valid, FreeMask& mask,
                  double tolerance, std::size_t limit) {
  std::vector<std::size_t> descents;
  for (std::size_t i = 0; i < gradient.size(); ++i)
    if (valid[i] && !mask[i] && gradient[i] < -tolerance) descents.push_back(i);
  const std::size_t count = std::min(limit, descents.size());
  std::partial_sort(descents.begin(), descents.begin() + static_cast<std::ptrdiff_t>(count),
                    descents.end(),
                    [&](std::size_t a, std::size_t b) { return gradient[a] < gradient[b]; });
  for (std::size_t k = 0; k < count; ++k) mask[descents[k]] = 1;
  return descents.empty();
}

double SquaredError(const std::vector<double>& x, const std::vector<double>& d, std::size_t n) {
  const std::vector<double> fitted = CircularDistances(x, n);
  double sum = 0;
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b) sum += std::pow(fitted[a * n + b] - d[a * n + b], 2);
  return sum;
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
  // A few rough solves from the exact weights find most of the splits that stay at 0; the
  // exact method then has few splits left to work on.
  std::vector<double> x = ExactCircularWeights(distances, n);
  const FreeMask valid = AllSplitsFree(n);
  FreeMask mask = valid;
  do {
    SolveFree(x, problem, mask, kRoughSteps, progress);
  } while (!HoldNegatives(x, mask) && FreeCount(mask) > kDirectLimit);
  progress.Advance(30);
  // Holding every negative weight at 0 and solving again finds the rest quickly. Should a
  // round not lower the error, the splits are set free one at a time (the steepest, which the
  // next optimum keeps positive) and the solution moves only as far as it stays non-negative,
  // which lowers the error in every round and so comes to an end.
  double error = std::numeric_limits<double>::infinity();
  bool single = false;
  for (std::size_t round = 0;; ++round) {
    ThrowIfCancelled(progress);
    if (single) {
      StepToOptimumOfFree(x, problem, mask, progress);
    } else {
      do {
        x = OptimumOfFree(x, problem, mask, progress);
      } while (!HoldNegatives(x, mask));
    }
    const double now = SquaredError(x, distances, n);
    single = single || now >= error;
    error = now;
    std::vector<double> gradient = CircularSplitSums(CircularDistances(x, n), n);
    for (std::size_t i = 0; i < gradient.size(); ++i) gradient[i] -= rhs[i];
    if (FreeDescents(gradient, valid, mask, 1e-9 * problem.scale, single ? 1 : n)) break;
    progress.Advance(std::min(95.0, 30 + 65 * (1 - 1 / (1 + 0.3 * static_cast<double>(round)))));
  }
  return x;
}

}  // namespace marbleset
