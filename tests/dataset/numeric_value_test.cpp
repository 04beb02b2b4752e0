#include "dataset/numeric_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dataset/errors.h"

namespace marbleset {
namespace {

TEST(NumericValue, ReadsTheLeadingNumberIgnoringBlanks) {
  EXPECT_EQ(NumericValue("  5"), 5.0);
  EXPECT_EQ(NumericValue("5 10"), 510.0) << "spaces inside are ignored";
  EXPECT_EQ(NumericValue("5\t1\n0"), 510.0);
  EXPECT_EQ(NumericValue("10L"), 10.0);
  EXPECT_EQ(NumericValue("-2.5E1"), -25.0);
  EXPECT_EQ(NumericValue("1.5d-1"), 0.15);
  EXPECT_EQ(NumericValue("+.25"), 0.25);
  EXPECT_EQ(NumericValue("1.5.3"), 1.5);
  EXPECT_EQ(NumericValue("3E"), 3.0);
  EXPECT_EQ(NumericValue("3E+x"), 3.0);
  EXPECT_EQ(NumericValue("0.0001"), 0.0001);
  EXPECT_EQ(NumericValue("abc"), 0.0);
  EXPECT_EQ(NumericValue(""), 0.0);
  EXPECT_EQ(NumericValue("-"), 0.0);
  EXPECT_EQ(NumericValue("E5"), 0.0);
  EXPECT_EQ(NumericValue("?"), 0.0);
}

TEST(NumericValue, KeepsPrecisionAndRangeOfLongAndExtremeTexts) {
  EXPECT_EQ(NumericValue("0.1"), 0.1);
  EXPECT_EQ(NumericValue("123456789012345678"), 123456789012345678.0);
  EXPECT_EQ(NumericValue(std::string(100, '1') + "e-99"), NumericValue("1.11111111111111111"));
  EXPECT_EQ(NumericValue("0." + std::string(500, '0') + "1e510"), 1e9);
  EXPECT_TRUE(std::isinf(NumericValue("1e400")));
  EXPECT_LT(NumericValue("-1e99999999999"), 0.0);
  EXPECT_EQ(NumericValue("1e-400"), 0.0);
  EXPECT_EQ(NumericValue(std::string(1 << 20, '0') + "7"), 7.0) << "a megabyte of zeros";
}

TEST(NumberScanner, GivesTheSameValueFedOneCharacterAtATime) {
  for (const char* text : {"  3 4", "-2.5E1x", "0.05", "1e", "12.5e-3 9", ""}) {
    NumberScanner scanner;
    for (const char* c = text; *c != '\0'; ++c) scanner.Feed(*c);
    EXPECT_EQ(scanner.Value(), NumericValue(text)) << text;
  }
}

TEST(CountOf, RoundsHalvesToEvenAndRejectsSixteenBitOverflow) {
  EXPECT_EQ(CountOf("2.5"), 2);
  EXPECT_EQ(CountOf("3.5"), 4);
  EXPECT_EQ(CountOf("-0.5"), 0);
  EXPECT_EQ(CountOf("10L"), 10);
  EXPECT_EQ(CountOf("32767"), 32767);
  EXPECT_EQ(CountOf("32767.4"), 32767);
  EXPECT_EQ(CountOf("-32768"), -32768);
  EXPECT_THROW(CountOf("32767.5"), ReadFailure);
  EXPECT_THROW(CountOf("-32769"), ReadFailure);
  EXPECT_THROW(CountOf("1e400"), ReadFailure);
  try {
    CountOf("40000");
    FAIL();
  } catch (const ReadFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("40000"), std::string::npos) << failure.what();
  }
}

TEST(DigitTests, FindDigitsAndQuestionMarks) {
  EXPECT_TRUE(ContainsDigit("ab7"));
  EXPECT_FALSE(ContainsDigit("-.?"));
  EXPECT_TRUE(ContainsQuestionMark("1.5?"));
  EXPECT_FALSE(ContainsQuestionMark("1.5"));
}

}  // namespace
}  // namespace marbleset
