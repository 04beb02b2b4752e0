#include "distances/mantel.h"

#include <cmath>
#include <numeric>
#include <unordered_map>

#include "dataset/errors.h"
#include "distances/correlation.h"

namespace marbleset {

namespace {

// The cells below the diagonal, row after row: (1,0), (2,0), (2,1), ...
std::vector<double> LowerCells(const DistanceMatrix& matrix) {
  std::vector<double> cells;
  cells.reserve(matrix.n * (matrix.n - 1) / 2);
  for (std::size_t i = 1; i < matrix.n; ++i)
    for (std::size_t j = 0; j < i; ++j) {
      const double value = (matrix.At(i, j) + matrix.At(j, i)) / 2;
      if (!std::isfinite(value))
        throw Failure("The distance matrix holds a value that is not a number (between " +
                      matrix.names[i] + " and " + matrix.names[j] + ").");
      cells.push_back(value);
    }
  return cells;
}

std::size_t LowerIndex(std::size_t i, std::size_t j) {
  if (i < j) std::swap(i, j);
  return i * (i - 1) / 2 + j;
}

}  // namespace

DistanceMatrix MatchedByName(const DistanceMatrix& reference, const DistanceMatrix& other) {
  const auto rowsOf = [](const DistanceMatrix& matrix, const char* which) {
    std::unordered_map<std::string, std::size_t> rowOf;
    for (std::size_t i = 0; i < matrix.n; ++i)
      if (!rowOf.emplace(matrix.names[i], i).second)
        throw Failure("OTU " + matrix.names[i] + " appears twice in the " + which + " matrix.");
    return rowOf;
  };
  const auto referenceRows = rowsOf(reference, "first");
  const auto otherRows = rowsOf(other, "second");
  std::vector<std::size_t> rows;
  for (const std::string& name : reference.names) {
    const auto found = otherRows.find(name);
    if (found == otherRows.end())
      throw Failure("OTU " + name + " of the first matrix is not in the second one.");
    rows.push_back(found->second);
  }
  for (const std::string& name : other.names)
    if (!referenceRows.contains(name))
      throw Failure("OTU " + name + " of the second matrix is not in the first one.");
  DistanceMatrix matched{.n = reference.n, .names = reference.names, .values = {}};
  matched.values.reserve(reference.n * reference.n);
  for (const std::size_t i : rows)
    for (const std::size_t j : rows) matched.values.push_back(other.At(i, j));
  return matched;
}

MantelResult RunMantel(const DistanceMatrix& a, const DistanceMatrix& b, MantelMethod method,
                       const PermutationSettings& settings, Progress& progress) {
  CheckPermutationSettings(settings);
  const DistanceMatrix matched = MatchedByName(a, b);
  if (a.n < 3) throw Failure("A Mantel test needs at least three OTUs.");
  std::vector<double> x = LowerCells(a), y = LowerCells(matched);
  if (method == MantelMethod::kSpearman) {
    x = AverageRanks(x);
    y = AverageRanks(y);
  }
  x = Centred(std::move(x));
  y = Centred(std::move(y));
  const double xx = std::inner_product(x.begin(), x.end(), x.begin(), 0.0);
  const double yy = std::inner_product(y.begin(), y.end(), y.begin(), 0.0);
  if (xx == 0 || yy == 0)
    throw Failure("A Mantel test needs matrices whose distances are not all equal.");
  const double scale = 1 / std::sqrt(xx * yy);

  MantelResult result{.method = method, .otus = a.n, .permutations = settings};
  result.r = std::inner_product(x.begin(), x.end(), y.begin(), 0.0) * scale;
  // Permuting the OTUs of the first matrix leaves its mean and spread as they are: only the
  // products with the second one change.
  std::vector<double> permutedR(settings.permutations);
  progress.Start("Permuting for the Mantel test");
  RunPermutationBlocks(settings.permutations, settings.threads, progress, 0, 100,
                       [&](std::size_t first, std::size_t last) {
                         std::vector<std::size_t> order(a.n);
                         for (std::size_t k = first; k < last; ++k) {
                           std::iota(order.begin(), order.end(), std::size_t{0});
                           UniformSource source = PermutationSource(settings.seed, 0, k);
                           Shuffle(order, source);
                           double sum = 0;
                           for (std::size_t i = 1; i < a.n; ++i) {
                             const double* yRow = &y[i * (i - 1) / 2];
                             for (std::size_t j = 0; j < i; ++j)
                               sum += x[LowerIndex(order[i], order[j])] * yRow[j];
                           }
                           permutedR[k] = sum * scale;
                         }
                       });
  std::size_t count = 0;
  for (const double r : permutedR) count += AtLeast(r, result.r) ? 1 : 0;
  result.pValue = PermutationPValue(count, settings.permutations);
  return result;
}

}  // namespace marbleset
