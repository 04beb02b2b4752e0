#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>

#include "dataset/errors.h"
#include "distances/binary_coefficients.h"
#include "distances/distance_run.h"
#include "distances/fast_matrix_pass.h"
#include "distances/quantitative_coefficients.h"
#include "distances/reference_pass.h"
#include "test_data.h"

namespace marbleset {
namespace {

using testing::FillBinary;
using testing::FillQuantitative;

std::string Fast(const DataSet& data, const DistanceSettings& settings,
                 const kernels::KernelTable& table = kernels::BestKernels(), int threads = 0) {
  std::ostringstream text;
  TextSink out(text);
  FastMatrixPass(data, settings, out, 0, table, threads);
  out.Flush();
  return text.str();
}

std::string Reference(const DataSet& data, const DistanceSettings& settings) {
  std::ostringstream text;
  TextSink out(text);
  ReferenceMatrixPass(data, settings, out);
  out.Flush();
  return text.str();
}

const std::string kA = "A           ", kB = "B           ", kC = "C           ";

TEST(MatrixPass, ThreeOtuMatchingMatrix) {
  auto data = std::make_unique<DataSet>();
  FillBinary(*data, {"A", "B", "C"}, {"110", "100", "000"});
  const std::string distances = " 3\r\n" + kA + "0.000000 0.333333 0.666667 \r\n" + kB +
                                "0.333333 0.000000 0.333333 \r\n" + kC +
                                "0.666667 0.333333 0.000000 \r\n";
  EXPECT_EQ(Fast(*data, {kBinaryMatching, kBinaryHalf, true, false}), distances);
  std::ostringstream text;
  {
    TextSink out(text);
    DistanceMatrixPass(*data, {kBinaryMatching, kBinaryHalf, false, false}, out);
  }
  EXPECT_EQ(text.str(), " 3\r\n" + kA + "1.000000 0.666667 0.333333 \r\n" + kB +
                            "0.666667 1.000000 0.666667 \r\n" + kC +
                            "0.333333 0.666667 1.000000 \r\n");
  // Averaging: the mean of 1/3, 2/3 and 1/3, nothing else.
  EXPECT_EQ(Fast(*data, {kBinaryMatching, kBinaryHalf, true, true}), "0.444444\r\n");
  EXPECT_EQ(Reference(*data, {kBinaryMatching, kBinaryHalf, true, true}), "0.444444\r\n");
}

TEST(MatrixPass, EuclideanIsTheSameForSimilaritiesAndDistances) {
  auto data = std::make_unique<DataSet>();
  FillQuantitative(*data, {"A", "B"}, {{1.5f, 2, -9999}, {1.5f, 3, 4}});
  EXPECT_EQ(Fast(*data, {kEuclidean, kQuantitativeZero, true, false}),
            Fast(*data, {kEuclidean, kQuantitativeZero, false, false}));
  EXPECT_EQ(Fast(*data, {kQuantitativeMatching, kQuantitativeZero, true, false}),
            " 2\r\n" + kA + "0.000000 0.666667 \r\n" + kB + "0.666667 0.000000 \r\n");
}

TEST(MatrixPass, CellWithoutValueStopsWithEarlierOutputKept) {
  auto data = std::make_unique<DataSet>();
  FillQuantitative(*data, {"A", "B", "Flat", "D"}, {{1, 2, 3}, {2, 1, 5}, {1, 1, 1}, {0, 4, 2}});
  const DistanceSettings correlation{kCorrelation, kQuantitativeZero, true, false};
  for (int threads : {0, 1, 2}) {
    std::ostringstream text;
    TextSink out(text);
    try {
      FastMatrixPass(*data, correlation, out, 3, kernels::BestKernels(), threads);
      FAIL() << "no failure";
    } catch (const WriteFailure& e) {
      EXPECT_STREQ(e.what(),
                   "Correlation between OTU A and OTU Flat of data set 3 cannot be computed: "
                   "the values of OTU Flat are all equal.");
    }
    // Row A is there up to the failing cell, flushed.
    EXPECT_EQ(text.str().substr(0, 4 + 12), " 4\r\n" + kA);
    std::ostringstream reference_text;
    TextSink reference_out(reference_text);
    EXPECT_THROW(ReferenceMatrixPass(*data, correlation, reference_out), WriteFailure);
    EXPECT_EQ(text.str(), reference_text.str());
    EXPECT_EQ(text.str().size(), 4u + 12 + 2 * 9);
  }
  // Averaging a single OTU has no pair to divide by.
  data->NOtu = 1;
  std::ostringstream text;
  TextSink out(text);
  try {
    FastMatrixPass(*data, {kEuclidean, kQuantitativeZero, true, true}, out, 2,
                   kernels::BestKernels());
    FAIL() << "no failure";
  } catch (const WriteFailure& e) {
    EXPECT_STREQ(e.what(), "Data set 2 has 1 OTU: there is no pair of OTUs to average over.");
  }
}

// Random data of the given shape; missing entries with probability missing, and with
// probability plain a value that is neither 0 nor 1 (binary) or a repeated value (quantitative).
void FillRandom(DataSet& data, bool quantitative, int otus, int chars, double missing, double plain,
                std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> level(0, 6);
  data.Quantitative = quantitative ? 1 : 0;
  data.MissingValue = quantitative ? -9999.0f : 2.0f;
  data.NOtu = static_cast<int16_t>(otus);
  data.NChar = static_cast<int16_t>(chars);
  for (int i = 1; i <= otus; ++i) {
    data.OtuName[i] = "otu" + std::to_string(i) + std::string(12, ' ');
    data.OtuName[i].resize(12);
    for (int k = 1; k <= chars; ++k) {
      float v;
      if (unit(random) < missing)
        v = data.MissingValue;
      else if (quantitative)
        v = unit(random) < plain ? level(random) * 0.5f : static_cast<float>(unit(random) * 10 - 3);
      else if (unit(random) < plain)
        v = 0.5f;
      else
        v = unit(random) < 0.45 ? 1.0f : 0.0f;
      data.Matrix(i, k) = v;
    }
  }
}

struct Shape {
  int otus, chars;
  double missing, plain;
};

const Shape kShapes[] = {{2, 1, 0.0, 0.0},     {3, 63, 0.1, 0.0},    {5, 64, 0.0, 0.0},
                         {7, 65, 0.5, 0.0},    {13, 130, 0.02, 0.1}, {40, 200, 0.9, 0.0},
                         {33, 400, 0.05, 0.0}, {9, 77, 0.3, 0.3}};

TEST(FastPass, BinaryAgreesWithTheReference) {
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(11);
  const kernels::KernelTable* tables[] = {&kernels::BaselineKernels(), &kernels::BestKernels()};
  for (const Shape& shape : kShapes) {
    FillRandom(*data, false, shape.otus, shape.chars, shape.missing, shape.plain, random);
    const MarkerStatistics stats = MarkerStatistics::Of(*data);
    for (int c = 0; c < 3; ++c) {
      for (int p = 0; p < 6; ++p) {
        for (bool distances : {false, true}) {
          const DistanceSettings s{c, p, distances, false};
          SCOPED_TRACE(::testing::Message() << shape.otus << "x" << shape.chars << " c" << c << " p"
                                            << p << " d" << distances);
          if (p != kBinaryMarkerMean) {
            const std::string want = Reference(*data, s);
            for (const auto* table : tables) EXPECT_EQ(Fast(*data, s, *table, 2), want);
            EXPECT_EQ(Fast(*data, {c, p, distances, true}),
                      Reference(*data, {c, p, distances, true}));
            continue;
          }
          for (const auto* table : tables) {
            CellFailure failure;
            const std::vector<double> got = FastUpperTriangle(*data, s, *table, failure);
            std::size_t at = 0;
            for (int i = 1; i <= shape.otus; ++i)
              for (int j = i + 1; j <= shape.otus; ++j)
                ASSERT_NEAR(got[at++], BinaryCellValue(*data, i, j, s, stats), 1e-9);
          }
        }
      }
    }
  }
}

// Fast "Marker mean" cells against the reference, within rounding.
void ExpectMarkerMeanAgrees(const DataSet& data) {
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  const kernels::KernelTable* tables[] = {&kernels::BaselineKernels(), &kernels::BestKernels()};
  for (int c = 0; c < 3; ++c) {
    for (bool distances : {false, true}) {
      const DistanceSettings s{c, kBinaryMarkerMean, distances, false};
      for (const auto* table : tables) {
        SCOPED_TRACE(::testing::Message() << data.NOtu << "x" << data.NChar << " c" << c << " d"
                                          << distances << " " << table->name);
        CellFailure failure;
        const std::vector<double> got = FastUpperTriangle(data, s, *table, failure);
        std::size_t at = 0;
        for (int i = 1; i <= data.NOtu; ++i)
          for (int j = i + 1; j <= data.NOtu; ++j)
            ASSERT_NEAR(got[at++], BinaryCellValue(data, i, j, s, stats), 1e-9) << i << "," << j;
      }
    }
  }
}

TEST(FastPass, MarkerMeanAgreesWithTheReferenceOnEdgeShapes) {
  // More than 64 OTUs (several words of OTU bits per character), counts that are not multiples
  // of 16 or 64, missing entries sparse and dense, values that are neither 0 nor 1.
  const Shape shapes[] = {{70, 130, 0.02, 0.0}, {130, 70, 0.6, 0.05}, {17, 200, 0.95, 0.0},
                          {65, 9, 0.3, 0.2},    {129, 64, 0.05, 0.0}, {2, 3, 0.5, 0.0},
                          {100, 150, 0.9, 0.3}};
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(17);
  for (const Shape& shape : shapes) {
    FillRandom(*data, false, shape.otus, shape.chars, shape.missing, shape.plain, random);
    ExpectMarkerMeanAgrees(*data);
    // A character missing everywhere (mean 0), one with only missing and other values (mean
    // 0), one with only 1 besides missing entries (mean 1), and OTUs missing everywhere.
    const float missing = data->MissingValue;
    for (int i = 1; i <= shape.otus; ++i) {
      data->Matrix(i, 1) = missing;
      if (shape.chars > 1) data->Matrix(i, 2) = i % 2 ? missing : 0.5f;
      if (shape.chars > 2) data->Matrix(i, 3) = i % 3 ? 1.0f : missing;
    }
    for (int i : {1, shape.otus / 2 + 1, shape.otus})
      for (int k = 1; k <= shape.chars; ++k) data->Matrix(i, k) = missing;
    ExpectMarkerMeanAgrees(*data);
  }
}

TEST(FastPass, MarkerMeanOfOneHalfIsPolicyOneHalf) {
  // Each OTU pair of rows complementary (1 and 0 swapped, missing kept): every character's
  // mean is exactly 0.5, and "Marker mean" then adds exactly what "0.5" adds, to the last bit.
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(23);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::string> names, rows;
  for (int t = 0; t < 45; ++t) {
    std::string row;
    for (int k = 0; k < 77; ++k)
      row += t > 0 && unit(random) < 0.3 ? '?' : unit(random) < 0.5 ? '1' : '0';
    std::string complement = row;
    for (char& x : complement) x = x == '?' ? '?' : static_cast<char>('0' + '1' - x);
    for (const std::string& r : {row, complement}) {
      names.push_back(std::to_string(names.size()));
      rows.push_back(r);
    }
  }
  FillBinary(*data, names, rows);
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(Fast(*data, {c, kBinaryMarkerMean, true, false}, kernels::BestKernels(), 2),
              Fast(*data, {c, kBinaryHalf, true, false}, kernels::BestKernels(), 2));
  }
}

TEST(FastPass, QuantitativeAgreesWithTheReference) {
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(5);
  const kernels::KernelTable* tables[] = {&kernels::BaselineKernels(), &kernels::BestKernels()};
  for (const Shape& shape : kShapes) {
    FillRandom(*data, true, shape.otus, shape.chars, shape.missing, shape.plain, random);
    const MarkerStatistics stats = MarkerStatistics::Of(*data);
    for (int c = 0; c < 4; ++c) {
      for (int p = 0; p < 4; ++p) {
        const DistanceSettings s{c, p, true, false};
        SCOPED_TRACE(::testing::Message()
                     << shape.otus << "x" << shape.chars << " c" << c << " p" << p);
        for (const auto* table : tables) {
          CellFailure failure;
          const std::vector<double> got = FastUpperTriangle(*data, s, *table, failure);
          CellFailure expected;
          std::size_t at = 0;
          for (int i = 1; i <= shape.otus && expected.problem == CellProblem::kNone; ++i) {
            for (int j = i + 1; j <= shape.otus; ++j, ++at) {
              const CellValue want = QuantitativeCellValue(*data, i, j, s, stats);
              if (want.problem != CellProblem::kNone) {
                expected = {i, j, want.problem};
                break;
              }
              ASSERT_NEAR(got[at], want.value, 1e-9 * std::max(1.0, std::fabs(want.value)));
            }
          }
          EXPECT_EQ(failure.row, expected.row);
          EXPECT_EQ(failure.column, expected.column);
          EXPECT_EQ(failure.problem, expected.problem);
        }
      }
    }
  }
}

TEST(FastPass, MissingValueThatIsAlsoAState) {
  // A code of 0 from an NTSYS header makes every 0 missing; it is missing, never also a 0.
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(3);
  FillRandom(*data, false, 12, 70, 0.2, 0.0, random);
  data->MissingValue = 0.0f;
  for (int p = 0; p < 6; ++p) {
    if (p == kBinaryMarkerMean) continue;
    const DistanceSettings s{kBinaryMatching, p, true, false};
    EXPECT_EQ(Fast(*data, s), Reference(*data, s)) << p;
  }
  ExpectMarkerMeanAgrees(*data);
}

}  // namespace
}  // namespace marbleset
