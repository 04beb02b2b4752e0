#include "distances/correlation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace marbleset {

std::vector<double> Centred(std::vector<double> values) {
  if (values.empty()) return values;
  const double mean =
      std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
  for (double& value : values) value -= mean;
  return values;
}

double PearsonCorrelation(const std::vector<double>& x, const std::vector<double>& y) {
  // Centring first keeps the sums small, so r stays exact to rounding for values far from 0.
  const std::vector<double> cx = Centred(x), cy = Centred(y);
  double xy = 0, xx = 0, yy = 0;
  for (std::size_t k = 0; k < cx.size(); ++k) {
    xy += cx[k] * cy[k];
    xx += cx[k] * cx[k];
    yy += cy[k] * cy[k];
  }
  if (xx == 0 || yy == 0) return std::numeric_limits<double>::quiet_NaN();
  return xy / std::sqrt(xx * yy);
}

std::vector<double> AverageRanks(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> ranks(values.size());
  for (std::size_t first = 0; first < order.size();) {
    std::size_t last = first + 1;
    while (last < order.size() && values[order[last]] == values[order[first]]) ++last;
    // Ranks first+1 .. last share their mean.
    const double shared = (static_cast<double>(first + 1) + static_cast<double>(last)) / 2;
    for (std::size_t k = first; k < last; ++k) ranks[order[k]] = shared;
    first = last;
  }
  return ranks;
}

}  // namespace marbleset
