// Every coefficient under every missing-data policy against counts worked out by hand, for the
// reference cell and for the fast pass alike: they share the formula that turns counts into a
// value, so only values computed outside Marbleset catch a wrong formula.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "distances/binary_coefficients.h"
#include "distances/fast_matrix_pass.h"
#include "distances/marker_statistics.h"
#include "distances/quantitative_coefficients.h"
#include "test_data.h"

namespace marbleset {
namespace {

using C = Coefficient;
using P = MissingPolicy;

// Cell (0, 1) as the reference cell and as both kernel tables of the fast pass give it.
std::vector<double> CellBothWays(const DataSet& data, const DistanceSettings& settings) {
  std::vector<double> values;
  if (data.IsBinary()) {
    values.push_back(BinaryCellValue(data, 0, 1, settings, MarkerStatistics::Of(data)).value);
  } else {
    const CellValue cell = QuantitativeCellValue(data, 0, 1, settings, MarkerStatistics::Of(data));
    EXPECT_EQ(cell.problem, CellProblem::kNone);
    values.push_back(cell.value);
  }
  for (const auto* table :
       {&kernels::BaselineKernels(), kernels::Avx2Kernels(), &kernels::BestKernels()}) {
    if (table == nullptr) continue;
    CellFailure failure;
    values.push_back(FastUpperTriangle(data, settings, *table, failure)[0]);
    EXPECT_EQ(failure.problem, CellProblem::kNone);
  }
  return values;
}

struct Worked {
  P policy;
  C coefficient;
  double similarity;
};

TEST(BinaryCoefficients, WorkedTableForEveryPolicy) {
  // Characters 1-7 of the pair (i, j): 1-1, 1-0, 1-?, 0-1, 0-0, 0-?, ?-?. Plain counts a = 1,
  // m = 2, d = 1. Rows k and l only set the marker statistics of the missing characters:
  // character 3 holds 1, 1, 0 (mean 2/3, mode 1), character 6 holds 0, 1, 0 (mean 1/3, mode 0),
  // character 7 holds 1, 1 (mean 1, mode 1).
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"i", "j", "k", "l"}, {"111000?", "10?10??", "0011111", "0000001"});
  const double third = 1.0 / 3;
  const Worked table[] = {
      // "0": 1-? is a mismatch, 0-? and ?-? are 0-0: a 1, m 3, d 3, n 7.
      {P::kZero, C::kBinaryMatching, 4.0 / 7},
      {P::kZero, C::kJaccard, 1.0 / 4},
      {P::kZero, C::kNei, 2.0 / 5},
      // "0.5": a 1 + .5 + .25, m 2 + .5 + .5 + .5, d 1 + .5 + .25: 1.75, 3.5, 1.75.
      {P::kHalf, C::kBinaryMatching, 3.5 / 7},
      {P::kHalf, C::kJaccard, 1.75 / 5.25},
      {P::kHalf, C::kNei, 3.5 / 7},
      // "1": 1-? and ?-? are 1-1, 0-? a mismatch: a 3, m 3, d 1.
      {P::kOne, C::kBinaryMatching, 4.0 / 7},
      {P::kOne, C::kJaccard, 3.0 / 6},
      {P::kOne, C::kNei, 6.0 / 9},
      // "Marker mean": a 1 + 2/3 + 1, m 2 + 1/3 + 1/3 + 0, d 1 + 2/3 + 0.
      {P::kMarkerMean, C::kBinaryMatching, (8 * third + 5 * third) / 7},
      {P::kMarkerMean, C::kJaccard, (8 * third) / (16 * third)},
      {P::kMarkerMean, C::kNei, (16 * third) / (24 * third)},
      // "Marker mode": 1-? with mode 1 is 1-1, 0-? with mode 0 is 0-0, ?-? with mode 1 is 1-1:
      // a 3, m 2, d 2.
      {P::kMarkerMode, C::kBinaryMatching, 5.0 / 7},
      {P::kMarkerMode, C::kJaccard, 3.0 / 5},
      {P::kMarkerMode, C::kNei, 6.0 / 8},
      // "Ignore": only the four complete characters: a 1, m 2, d 1, n 4.
      {P::kIgnore, C::kBinaryMatching, 2.0 / 4},
      {P::kIgnore, C::kJaccard, 1.0 / 3},
      {P::kIgnore, C::kNei, 2.0 / 4},
  };
  for (const Worked& w : table) {
    for (const bool distances : {false, true}) {
      SCOPED_TRACE(std::string(CoefficientName(w.coefficient)) + " / " +
                   std::string(MissingPolicyName(w.policy)) + (distances ? " distance" : ""));
      const double want = distances ? 1 - w.similarity : w.similarity;
      // The marker mean is held as a 32-bit float.
      const double tolerance = w.policy == P::kMarkerMean ? 1e-7 : 1e-15;
      for (const double got : CellBothWays(*data, {w.coefficient, w.policy, distances, false}))
        EXPECT_NEAR(got, want, tolerance);
    }
  }
}

TEST(BinaryCoefficients, GuardsAndMarkerStatistics) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"a", "b", "c"}, {"0000", "0000", "????"});
  // No 1 anywhere: Jaccard and Nei fall back to 0 (distance 1), matching is d / n.
  EXPECT_EQ(CellBothWays(*data, {C::kJaccard, P::kZero, false, false})[0], 0.0);
  EXPECT_EQ(CellBothWays(*data, {C::kNei, P::kZero, true, false})[2], 1.0);
  EXPECT_EQ(CellBothWays(*data, {C::kBinaryMatching, P::kZero, false, false})[1], 1.0);
  // Every character ignored: no value at all, rather than one that passes for a measurement.
  const MarkerStatistics stats = MarkerStatistics::Of(*data);
  EXPECT_EQ(
      BinaryCellValue(*data, 0, 2, {C::kBinaryMatching, P::kIgnore, false, false}, stats).problem,
      CellProblem::kNoCharacterUsed);
  // An OTU against itself is identical, even when it is all missing.
  EXPECT_EQ(BinaryCellValue(*data, 2, 2, {C::kJaccard, P::kIgnore, true, false}, stats).value, 0.0);

  testing::FillBinary(*data, {"a", "b", "c", "d"}, {"110?", "101?", "0?1?", "?00?"});
  const MarkerStatistics s = MarkerStatistics::Of(*data);
  EXPECT_FLOAT_EQ(s.mean[0], 2.0f / 3);  // 1, 1, 0
  EXPECT_EQ(s.mode[1], 0);               // 1, 0, 0
  EXPECT_EQ(s.mode[2], 1);               // 0, 1, 1, 0: a tie gives 1
  EXPECT_EQ(s.mean[3], 0.0f);            // all missing
  EXPECT_EQ(s.mode[3], 0);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(s.mean[k], MarkerMeanOf(*data, k));
    EXPECT_EQ(s.mode[k], MarkerModeOf(*data, k));
  }
}

TEST(QuantitativeCoefficients, WorkedTableForEveryPolicy) {
  // x = 1 2 3 ? 5 and y = 2 2 ? ? 1; rows k and l set character 3's statistics (entries 3, 1,
  // 0: mean 0.5, mode 1 by the tie) and character 4's (1, 1: mean 1, mode 1), and have values
  // of their own everywhere else, so that every cell of the matrix has a value.
  auto data = std::make_unique<DataSet>();
  const float q = kQuantitativeMissingValue;
  testing::FillQuantitative(*data, {"x", "y", "k", "l"},
                            {{1, 2, 3, q, 5}, {2, 2, q, q, 1}, {7, 6, 1, 1, 5}, {8, 9, 0, 1, 3}});
  struct Row {
    P policy;
    double ss, n, equal, r;
  };
  const Row rows[] = {
      // "0": y = 2 2 0 0 1 against x = 1 2 3 0 5: differences -1 0 3 0 4; equal at 2 and 4;
      // Sx 11, Sy 5, Sxy 11 = Sx Sy / n: no correlation at all.
      {P::kZero, 26, 5, 2, 0.0},
      // "Marker mean": x = 1 2 3 1 5, y = 2 2 .5 1 1: differences -1 0 2.5 0 4;
      // Sxy - Sx Sy / n = 13.5 - 15.6, Sxx - Sx^2/n = 40 - 28.8, Syy - Sy^2/n = 10.25 - 8.45.
      {P::kMarkerMean, 23.25, 5, 2, -2.1 / std::sqrt(11.2 * 1.8)},
      // "Marker mode": x = 1 2 3 1 5, y = 2 2 1 1 1: differences -1 0 2 0 4;
      // 15 - 16.8, 40 - 28.8, 11 - 9.8.
      {P::kMarkerMode, 21, 5, 2, -1.8 / std::sqrt(11.2 * 1.2)},
      // "Ignore": characters 1, 2 and 5 only: x = 1 2 5, y = 2 2 1;
      // 11 - 40/3, 30 - 64/3, 9 - 25/3.
      {P::kIgnore, 17, 3, 1, (-7.0 / 3) / std::sqrt((26.0 / 3) * (2.0 / 3))},
  };
  for (const Row& row : rows) {
    for (const bool distances : {false, true}) {
      SCOPED_TRACE(std::string(MissingPolicyName(row.policy)) + (distances ? " distance" : ""));
      auto check = [&](C coefficient, double want) {
        for (const double got : CellBothWays(*data, {coefficient, row.policy, distances, false}))
          EXPECT_NEAR(got, want, 1e-12) << CoefficientName(coefficient);
      };
      const double way = distances ? 1 : 0;  // similarities turn into 1 - V
      check(C::kEuclidean, std::sqrt(row.ss));
      check(C::kTaxDistance, std::sqrt(row.ss / row.n));
      check(C::kQuantitativeMatching, way + (distances ? -1 : 1) * row.equal / row.n);
      check(C::kCorrelation, way + (distances ? -1 : 1) * row.r);
    }
  }
}

TEST(QuantitativeCoefficients, CorrelationWithoutValueAndLargeCloseValues) {
  auto data = std::make_unique<DataSet>();
  const float q = kQuantitativeMissingValue;
  testing::FillQuantitative(*data, {"x", "y", "ones", "gaps"},
                            {{1, 2, 3, 4}, {2, 4, 5, 9}, {1, 1, 1, 1}, {q, q, 7, q}});
  const MarkerStatistics stats = MarkerStatistics::Of(*data);
  auto cell = [&](std::size_t i, std::size_t j, C c, P p) {
    return QuantitativeCellValue(*data, i, j, {c, p, true, false}, stats);
  };
  EXPECT_EQ(cell(0, 2, C::kCorrelation, P::kZero).problem, CellProblem::kSecondOtuConstant);
  EXPECT_EQ(cell(2, 0, C::kCorrelation, P::kZero).problem, CellProblem::kFirstOtuConstant);
  // Under "Ignore" only the third character is left: one value is a constant.
  EXPECT_EQ(cell(0, 3, C::kCorrelation, P::kIgnore).problem, CellProblem::kFirstOtuConstant);
  data->SetValue(3, 2, q);
  EXPECT_EQ(cell(0, 3, C::kCorrelation, P::kIgnore).problem, CellProblem::kNoCharacterUsed);
  EXPECT_EQ(cell(0, 3, C::kTaxDistance, P::kIgnore).problem, CellProblem::kNoCharacterUsed);
  EXPECT_EQ(cell(0, 3, C::kEuclidean, P::kIgnore).problem, CellProblem::kNoCharacterUsed);
  // Values near 1000 that differ a little: double sums keep the correlation of 1 2 3 4 with
  // 2 4 5 9 (0.9647638, computed by hand from the same sums).
  testing::FillQuantitative(
      *data, {"x", "y"},
      {{1000.25f, 1000.5f, 1000.75f, 1001}, {1000.5f, 1001, 1001.25f, 1002.25f}});
  for (const double got : CellBothWays(*data, {C::kCorrelation, P::kZero, false, false}))
    EXPECT_NEAR(got, 11 / std::sqrt(130.0), 1e-9);
}

}  // namespace
}  // namespace marbleset
