// Round marks along an axis or a colour key, against values worked by hand.
#include "pictures/axis_ticks.h"

#include <gtest/gtest.h>

namespace marbleset::pictures {
namespace {

TEST(AxisTicks, RangesGetTheFinestRoundStepWithinTheMarksAllowed) {
  const struct {
    double low, high;
    std::size_t most;
    std::vector<double> marks;
  } cases[] = {
      {0, 1, 6, {0, 0.2, 0.4, 0.6, 0.8, 1}},  // 0.1 apart would be 11 marks
      {0.4712,
       0.7245,
       14,
       {0.48, 0.5, 0.52, 0.54, 0.56, 0.58, 0.6, 0.62, 0.64, 0.66, 0.68, 0.7, 0.72}},
      {-0.23, 0.23, 6, {-0.2, -0.1, 0, 0.1, 0.2}},
      {-7, 1234, 5, {0, 500, 1000}},  // 200 apart would be 7 marks
      {1, 0, 6, {0, 0.2, 0.4, 0.6, 0.8, 1}},
      {3, 3, 5, {3}},
      {12, 13, 1, {12, 13}},  // at least the two ends' marks are allowed
  };
  for (const auto& c : cases) {
    const std::vector<double> marks = AxisTicks(c.low, c.high, c.most);
    ASSERT_EQ(marks.size(), c.marks.size()) << c.low << " " << c.high;
    for (std::size_t k = 0; k < marks.size(); ++k) {
      EXPECT_NEAR(marks[k], c.marks[k], 1e-12) << c.low << " " << c.high << " " << k;
    }
  }
}

}  // namespace
}  // namespace marbleset::pictures
