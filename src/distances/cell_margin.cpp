#include "distances/cell_margin.h"

#include <cmath>

#include "formats/distance_file.h"

namespace marbleset {

bool TextSettled(double value, double margin) {
  if (margin == 0) return true;
  if (!std::isfinite(value) || !std::isfinite(margin)) return false;
  if (std::fabs(value) + margin < 1e6) {
    // The written value is the nearest multiple of 10^-6; it changes only where value * 10^6
    // crosses a half. The scaling itself is off by at most an ulp of the scaled value.
    const double scaled = value * 1e6;
    const double fraction = scaled - std::floor(scaled);
    return std::fabs(fraction - 0.5) > margin * 1e6 + std::fabs(scaled) * 4.5e-16 + 1e-9;
  }
  // Rounding to nearest never decreases as the value grows: equal texts at both ends of the
  // range (widened by a step of a double, for the rounding of the ends) mean the same text
  // throughout.
  const double low = std::nextafter(value - margin, -HUGE_VAL);
  const double high = std::nextafter(value + margin, HUGE_VAL);
  return DistanceValueText(low) == DistanceValueText(high);
}

}  // namespace marbleset
