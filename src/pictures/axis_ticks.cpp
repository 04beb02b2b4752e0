#include "pictures/axis_ticks.h"

#include <algorithm>
#include <cmath>

namespace marbleset::pictures {

std::vector<double> AxisTicks(double low, double high, std::size_t most) {
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  if (high < low) std::swap(low, high);
  if (high == low) return {low};
  most = std::max<std::size_t>(most, 2);
  const double range = high - low;
  // Start a decade below the finest step that could do, and widen through 1, 2, 5, 10, ...
  double decade = std::pow(10.0, std::floor(std::log10(range / static_cast<double>(most))) - 1);
  for (;; decade *= 10) {
    for (const double factor : {1.0, 2.0, 5.0}) {
      const double step = factor * decade;
      const double first = std::ceil(low / step - 1e-9);
      const double last = std::floor(high / step + 1e-9);
      if (last - first + 1 > static_cast<double>(most)) continue;
      std::vector<double> ticks;
      for (double k = first; k <= last; ++k) {
        const double value = k * step;
        ticks.push_back(std::abs(value) < step * 1e-9 ? 0.0 : value);
      }
      return ticks;
    }
  }
}

}  // namespace marbleset::pictures
