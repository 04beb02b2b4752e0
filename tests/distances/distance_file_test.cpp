#include "formats/distance_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

#include "dataset/errors.h"
#include "formats/distance_file_reader.h"

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
  ASSERT_NE(found, nullptr) << "no locale with a decimal comma is installed (de_DE.UTF-8 or "
                               "fr_FR.UTF-8); generate one, e.g. with locale-gen de_DE.UTF-8";
  // The locale really writes a comma, so the check below can fail.
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.3f", 0.375);
  EXPECT_STREQ(printed, "0,375");
  EXPECT_EQ(DistanceValueText(0.375), "0.375000");
  EXPECT_EQ(DistanceValueText(-1234.5678916), "-1234.567892");
  std::setlocale(LC_ALL, "C");
}

TEST(DistanceFileReader, ReadsMarblesetAndPhylipMatricesWithTheirNamesOrNamesTheFaultyLine) {
  // Marbleset's 12-character field, with names of 1, 11 and 12 characters; then a PHYLIP
  // matrix with 10-character names, a row wrapped over two lines and LF line ends.
  std::istringstream text(
      " 3\r\nA           0.000000 0.333333 0.666667 \r\n"
      "Eleven_char 0.333333 0.000000 -0.250000 \r\n"
      "Twelve_chars0.666667 -0.250000 0.000000 \r\n"
      "    2\nAlpha     0.0000  1.5e-3\nBeta_nine\n  0.0015 0\n");
  const std::vector<DistanceMatrix> read = ReadDistanceMatrices(text, "d.txt");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].n, 3u);
  EXPECT_EQ(read[0].names, (std::vector<std::string>{"A", "Eleven_char", "Twelve_chars"}));
  EXPECT_EQ(read[0].values,
            (std::vector<double>{0, 0.333333, 0.666667, 0.333333, 0, -0.25, 0.666667, -0.25, 0}));
  EXPECT_EQ(read[1].names, (std::vector<std::string>{"Alpha", "Beta_nine"}));
  EXPECT_EQ(read[1].At(0, 1), 0.0015);
  EXPECT_EQ(read[1].At(1, 0), 0.0015);

  // Faulty files fail naming the line.
  auto failure = [](const std::string& bytes) {
    std::istringstream in(bytes);
    try {
      ReadDistanceMatrices(in, "d.txt");
    } catch (const ReadFailure& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(failure(""), "d.txt: there is no distance matrix in the file.");
  EXPECT_EQ(failure("x\r\n"), "d.txt, line 1: \"x\" is not a number of OTUs.");
  EXPECT_EQ(failure(" 2\r\nA           0 1\r\n"),
            "d.txt, line 2: the file ends after 1 of 2 rows.");
  EXPECT_EQ(failure(" 2\r\nA           0 1\r\nB           1 x\r\n"),
            "d.txt, line 3: \"x\" in the row of B is not a number.");
  EXPECT_EQ(failure(" 2\r\nA           0\r\n"),
            "d.txt, line 2: the file ends inside the row of A, after 1 of 2 values.");
  EXPECT_EQ(failure(" 1\r\nA           0 1\r\n"),
            "d.txt, line 2: the row of A holds 2 values instead of 1.");
}

}  // namespace
}  // namespace marbleset
