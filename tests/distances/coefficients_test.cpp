#include <gtest/gtest.h>

#include <memory>

#include "distances/binary_coefficients.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "test_data.h"

namespace marbleset {
namespace {

using testing::FillBinary;
using testing::FillQuantitative;

double Binary(const DataSet& data, int coefficient, int policy, bool distances, int i = 1,
              int j = 2) {
  return BinaryCellValue(data, i, j, {coefficient, policy, distances, false},
                         MarkerStatistics::Of(data));
}

CellValue Quantitative(const DataSet& data, int coefficient, int policy, bool distances, int i = 1,
                       int j = 2) {
  return QuantitativeCellValue(data, i, j, {coefficient, policy, distances, false},
                               MarkerStatistics::Of(data));
}

TEST(BinaryCell, PoliciesOnOneMissingEntry) {
  auto data = std::make_unique<DataSet>();
  FillBinary(*data, {"i", "j"}, {"110?", "1001"});
  // "0.5": a = 1.5, d = 1, m = 1.5, n = 4.
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryHalf, false), 0.625);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryHalf, false), 0.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kNei, kBinaryHalf, false), 3 / 4.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryHalf, true), 0.375);
  EXPECT_DOUBLE_EQ(Binary(*data, kNei, kBinaryHalf, true), 1 - 3 / 4.5);
  // "Ignore": n = 3, a = d = m = 1.
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryIgnore, false), 2.0 / 3);
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryIgnore, false), 0.5);
  EXPECT_DOUBLE_EQ(Binary(*data, kNei, kBinaryIgnore, false), 2.0 / 3);
  // "0": the missing entry against a 1 is a mismatch.
  EXPECT_DOUBLE_EQ(Binary(*data, kBinaryMatching, kBinaryZero, false), 0.5);
  // "1": it is a 1-1 match.
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryOne, false), 2.0 / 3);
  // The mode of the fourth character (1 and missing) is 1, as with "1".
  EXPECT_DOUBLE_EQ(Binary(*data, kJaccard, kBinaryMarkerMode, false), 2.0 / 3);
}

TEST(BinaryCell, GuardsAndDiagonal) {
  auto data = std::make_unique<DataSet>();
  FillBinary(*data, {"a", "b", "c"}, {"0000", "0100", "????"});
  data->Matrix(2, 2) = 0;  // now two OTUs without any 1
  EXPECT_EQ(Binary(*data, kJaccard, kBinaryHalf, false), 0.0);
  EXPECT_EQ(Binary(*data, kNei, kBinaryHalf, true), 1.0);
  EXPECT_EQ(Binary(*data, kBinaryMatching, kBinaryHalf, false), 1.0);
  // An OTU of missing entries only is still identical to itself.
  for (int c : {kBinaryMatching, kJaccard, kNei}) {
    EXPECT_EQ(Binary(*data, c, kBinaryIgnore, false, 3, 3), 1.0);
    EXPECT_EQ(Binary(*data, c, kBinaryIgnore, true, 3, 3), 0.0);
  }
  // Every character ignored: n = 0 and the guard gives 0.
  EXPECT_EQ(Binary(*data, kBinaryMatching, kBinaryIgnore, false, 1, 3), 0.0);
}

TEST(MarkerStatistics, CountOnlyZerosAndOnes) {
  auto data = std::make_unique<DataSet>();
  FillBinary(*data, {"a", "b", "c", "d"}, {"110?", "101?", "0?1?", "?001"});
  EXPECT_FLOAT_EQ(MarkerMeanOf(*data, 1), 2.0f / 3);
  EXPECT_EQ(MarkerModeOf(*data, 1), 1);
  EXPECT_EQ(MarkerModeOf(*data, 2), 0);  // 1, 0, ?, 0
  data->Matrix(4, 3) = 2;                // character 3: 0, 1, 1, ?
  EXPECT_EQ(MarkerModeOf(*data, 3), 1);
  data->Matrix(3, 3) = 2;  // 0, 1, ?, ?: a tie gives 1
  EXPECT_EQ(MarkerModeOf(*data, 3), 1);
  data->Matrix(4, 4) = 2;  // all missing
  EXPECT_EQ(MarkerMeanOf(*data, 4), 0.0f);
  EXPECT_EQ(MarkerModeOf(*data, 4), 0);
  const MarkerStatistics all = MarkerStatistics::Of(*data);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(all.mean[k], MarkerMeanOf(*data, k));
    EXPECT_EQ(all.mode[k], MarkerModeOf(*data, k));
  }
}

TEST(BinaryCell, MarkerMeanOfOneHalfActsLikeTheHalfPolicy) {
  auto data = std::make_unique<DataSet>();
  FillBinary(*data, {"a", "b", "c", "d"}, {"?1", "?0", "10", "01"});
  for (int c : {kBinaryMatching, kJaccard, kNei})
    EXPECT_DOUBLE_EQ(Binary(*data, c, kBinaryMarkerMean, false),
                     Binary(*data, c, kBinaryHalf, false));
}

TEST(QuantitativeCell, PoliciesAndCoefficients) {
  auto data = std::make_unique<DataSet>();
  FillQuantitative(*data, {"i", "j"}, {{1.5f, 2, -9999}, {1.5f, 3, 4}});
  EXPECT_NEAR(Quantitative(*data, kEuclidean, kQuantitativeZero, true).value, 4.1231056, 1e-7);
  EXPECT_NEAR(Quantitative(*data, kTaxDistance, kQuantitativeZero, true).value, 2.3804761, 1e-7);
  EXPECT_DOUBLE_EQ(Quantitative(*data, kQuantitativeMatching, kQuantitativeZero, false).value,
                   1.0 / 3);
  EXPECT_DOUBLE_EQ(Quantitative(*data, kQuantitativeMatching, kQuantitativeZero, true).value,
                   2.0 / 3);
  EXPECT_DOUBLE_EQ(Quantitative(*data, kEuclidean, kQuantitativeIgnore, true).value, 1.0);
  EXPECT_NEAR(Quantitative(*data, kTaxDistance, kQuantitativeIgnore, true).value, 0.7071068, 1e-7);
  // Euclidean and Tax. distance are distances whichever was asked for.
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeIgnore, false).value, 1.0);
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeIgnore, true, 1, 1).value, 0.0);
  EXPECT_EQ(Quantitative(*data, kQuantitativeMatching, kQuantitativeIgnore, true, 2, 2).value, 0.0);
  // No value is 0 or 1 in the third character: "Marker mean" fills in 0, as "0" does.
  EXPECT_EQ(Quantitative(*data, kEuclidean, kQuantitativeMarkerMean, true).value,
            Quantitative(*data, kEuclidean, kQuantitativeZero, true).value);
}

TEST(QuantitativeCell, CorrelationAndItsFailures) {
  auto data = std::make_unique<DataSet>();
  FillQuantitative(*data, {"x", "y", "ones", "gaps"},
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
  FillQuantitative(*data, {"x", "y"},
                   {{1000.25f, 1000.5f, 1000.75f, 1001}, {1000.5f, 1001, 1001.25f, 1002.25f}});
  EXPECT_NEAR(Quantitative(*data, kCorrelation, kQuantitativeZero, false).value, 0.9647638, 1e-7);
}

}  // namespace
}  // namespace marbleset
