#include <gtest/gtest.h>

#include <memory>

#include "distances/binary_coefficients.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "test_data.h"

namespace marbleset {
namespace {

double Binary(const DataSet& data, int c, int p, bool distances, int i = 1, int j = 2) {
  return BinaryCellValue(data, i, j, {c, p, distances, false}, MarkerStatistics::Of(data));
}

CellValue Quantitative(const DataSet& data, int c, int p, bool distances, int i = 1, int j = 2) {
  return QuantitativeCellValue(data, i, j, {c, p, distances, false}, MarkerStatistics::Of(data));
}

TEST(BinaryCell, PoliciesOnOneMissingEntryAndGuards) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"i", "j"}, {"110?", "1001"});
  // "0.5": a = 1.5, d = 1, m = 1.5, n = 4.
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryHalf, false), 0.625);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryHalf, false), 0.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kNei, kBinaryHalf, false), 3 / 4.5);
  // "Ignore": n = 3, a = d = m = 1.
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryIgnore, false), 2.0 / 3);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryIgnore, false), 0.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryZero, false), 0.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryOne, false), 2.0 / 3);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryMarkerMode, false), 2.0 / 3);  // mode 1

  testing::FillBinary(*data, {"a", "b", "c"}, {"0000", "0000", "????"});
  EXPECT_EQ(Binary(*data, kJaccard, kBinaryHalf, false), 0.0);  // no 1 anywhere
  EXPECT_EQ(Binary(*data, kNei, kBinaryHalf, true), 1.0);
  EXPECT_EQ(Binary(*data, kBinaryMatching, kBinaryHalf, false), 1.0);
  for (int c : {kBinaryMatching, kJaccard, kNei}) {  // all missing, still identical to itself
    EXPECT_EQ(Binary(*data, c, kBinaryIgnore, false, 3, 3), 1.0);
    EXPECT_EQ(Binary(*data, c, kBinaryIgnore, true, 3, 3), 0.0);
  }
  EXPECT_EQ(Binary(*data, kBinaryMatching, kBinaryIgnore, false, 1, 3), 0.0);  // n = 0
}

TEST(MarkerStatistics, CountOnlyZerosAndOnes) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"a", "b", "c", "d"}, {"110?", "101?", "0?1?", "?00?"});
  EXPECT_FLOAT_EQ(MarkerMeanOf(*data, 1), 2.0f / 3);
  EXPECT_EQ(MarkerModeOf(*data, 2), 0);     // 1, 0, ?, 0
  EXPECT_EQ(MarkerModeOf(*data, 3), 1);     // 0, 1, 1, 0: a tie gives 1
  EXPECT_EQ(MarkerMeanOf(*data, 4), 0.0f);  // all missing
  EXPECT_EQ(MarkerModeOf(*data, 4), 0);
}

TEST(QuantitativeCell, PoliciesCoefficientsAndCorrelationFailures) {
  auto data = std::make_unique<DataSet>();
  testing::FillQuantitative(*data, {"i", "j"}, {{1.5f, 2, -9999}, {1.5f, 3, 4}});
  EXPECT_NEAR(Quantitative(*data, kEuclidean, kQuantitativeZero, true).value, 4.1231056, 1e-7);
  EXPECT_NEAR(Quantitative(*data, kTaxDistance, kQuantitativeZero, true).value, 2.3804761, 1e-7);
  EXPECT_DOUBLE_EQ(Quantitative(*data, kQuantitativeMatching, kQuantitativeZero, true).value,
                   2.0 / 3);
  EXPECT_NEAR(Quantitative(*data, kTaxDistance, kQuantitativeIgnore, true).value, 0.7071068, 1e-7);
  // Euclidean is a distance whichever was asked for.
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeIgnore, false).value, 1.0);
  EXPECT_EQ(Quantitative(*data, kQuantitativeMatching, kQuantitativeIgnore, true, 2, 2).value, 0.0);
  // No value is 0 or 1 in the third character: "Marker mean" fills in 0, as "0" does.
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeMarkerMean, true).value,
            Quantitative(*data, kEuclidean, kQuantitativeZero, true).value);

  testing::FillQuantitative(*data, {"x", "y", "ones", "gaps"},
                            {{1, 2, 3, 4}, {2, 4, 5, 9}, {1, 1, 1, 1}, {-9999, -9999, 7, -9999}});
  EXPECT_NEAR(Quantitative(*data, kCorrelation, kQuantitativeZero, false).value, 0.9647638, 1e-7);
  EXPECT_NEAR(Quantitative(*data, kCorrelation, kQuantitativeZero, true).value, 0.0352362, 1e-7);
  EXPECT_EQ(Quantitative(*data, kCorrelation, kQuantitativeZero, true, 1, 3).problem,
            CellProblem::kSecondOtuConstant);
  EXPECT_EQ(Quantitative(*data, kCorrelation, kQuantitativeZero, true, 3, 1).problem,
            CellProblem::kFirstOtuConstant);
  // Under "Ignore" only the third character is left: one value is a constant.
  EXPECT_EQ(Quantitative(*data, kCorrelation, kQuantitativeIgnore, true, 1, 4).problem,
            CellProblem::kFirstOtuConstant);
  data->Matrix(4, 3) = -9999;
  EXPECT_EQ(Quantitative(*data, kCorrelation, kQuantitativeIgnore, true, 1, 4).problem,
            CellProblem::kNoCharacterUsed);
  EXPECT_EQ(Quantitative(*data, kTaxDistance, kQuantitativeIgnore, true, 1, 4).problem,
            CellProblem::kNoCharacterUsed);
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeIgnore, true, 1, 4).value, 0.0);
  // Values near 1000 that differ a little: double sums keep the correlation exact.
  testing::FillQuantitative(
      *data, {"x", "y"},
      {{1000.25f, 1000.5f, 1000.75f, 1001}, {1000.5f, 1001, 1001.25f, 1002.25f}});
  EXPECT_NEAR(Quantitative(*data, kCorrelation, kQuantitativeZero, false).value, 0.9647638, 1e-7);
}

}  // namespace
}  // namespace marbleset
