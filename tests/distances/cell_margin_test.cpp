#include "distances/cell_margin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "formats/distance_file.h"

namespace marbleset {
namespace {

// A margin called settled must leave the text the same everywhere within it: checked at its
// ends and at points between, on values of every size, many of them near a rounding edge.
TEST(TextSettled, NoValueWithinASettledMarginReadsDifferently) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> exponent(-8, 9);
  int settled = 0, unsettled = 0;
  for (int n = 0; n < 200000; ++n) {
    double value = (unit(random) - 0.3) * std::pow(10.0, exponent(random));
    if (n % 3 == 0) value = (std::round(value * 1e6) + 0.5) / 1e6;  // at a half
    const double margin = std::fabs(value) * std::pow(10.0, -16 + 8 * unit(random));
    if (n % 3 == 0) value += (unit(random) - 0.5) * 4 * margin;  // near the half
    if (!TextSettled(value, margin)) {
      ++unsettled;
      continue;
    }
    ++settled;
    const std::string text = DistanceValueText(value);
    for (const double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
      const double at = value - margin + 2 * margin * t;
      ASSERT_EQ(DistanceValueText(at), text) << value << " +- " << margin;
    }
  }
  // Both answers occur often: the check is neither always yes nor always no.
  EXPECT_GT(settled, 50000);
  EXPECT_GT(unsettled, 20000);
  // What the random values never reach: no margin, no value, no bound; and a large value
  // (judged through its text) that is settled.
  EXPECT_TRUE(TextSettled(0.25, 0));
  EXPECT_TRUE(TextSettled(12345678.25, 1e-7));
  EXPECT_FALSE(TextSettled(std::nan(""), 1e-9));
  EXPECT_FALSE(TextSettled(1.0, std::numeric_limits<double>::infinity()));
}

}  // namespace
}  // namespace marbleset
