#include "distances/distance_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

namespace marbleset {
namespace {

TEST(DistanceValueText, SixDecimalsNoNegativeZeroRoundedAsPrintf) {
  EXPECT_EQ(DistanceValueText(1e20), "100000000000000000000.000000");
  EXPECT_EQ(DistanceValueText(-0.0), "0.000000");
  EXPECT_EQ(DistanceValueText(-4e-7), "0.000000");
  EXPECT_EQ(DistanceValueText(-6e-7), "-0.000001");
  // 2^-7 * 10^6 is 7812.5 exactly: ties go to the even neighbour, as with "%.6f".
  EXPECT_EQ(DistanceValueText(0.0078125), "0.007812");
  EXPECT_EQ(DistanceValueText(0.0234375), "0.023438");
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-8, 14);
  char expected[512];
  for (int n = 0; n < 200000; ++n) {
    double value = unit(random) * std::pow(10.0, exponent(random));
    if (n % 5 == 0) value = std::round(value * 1e7) / 1e7;  // near the rounding edge
    std::snprintf(expected, sizeof expected, "%.6f", value);
    std::string want = expected;
    if (want.find_first_not_of("-0.") == std::string::npos && want[0] == '-') want.erase(0, 1);
    ASSERT_EQ(DistanceValueText(value), want) << value;
  }
}

TEST(DistanceValueText, CommaLocaleStillWritesAFullStop) {
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
    if ((found = std::setlocale(LC_ALL, name)) != nullptr) break;
  if (found == nullptr) GTEST_SKIP() << "no comma locale installed";
  EXPECT_EQ(DistanceValueText(0.375), "0.375000");
  std::setlocale(LC_ALL, "C");
}

TEST(DistanceFile, HeaderAndValuesCarryTheirBlanks) {
  std::ostringstream text;
  {
    TextSink out(text);
    AppendMatrixHeader(out, 12);
    AppendDistanceValue(out, 1.0 / 3.0);
    AppendDistanceValue(out, -0.0);
  }
  EXPECT_EQ(text.str(), " 12\r\n0.333333 0.000000 ");
}

}  // namespace
}  // namespace marbleset
