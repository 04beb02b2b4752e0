#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>

#include "dataset/errors.h"
#include "distances/binary_coefficients.h"
#include "distances/fast_matrix_pass.h"
#include "distances/reference_pass.h"
#include "test_data.h"

namespace marbleset {
namespace {

// Output of the pass as data set 3 (the reference pass when table is null), then "|" and the
// failure text.
std::string Pass(const DataSet& data, const DistanceSettings& settings,
                 const kernels::KernelTable* table = &kernels::BestKernels(), int threads = 0) {
  std::ostringstream text;
  std::string failure;
  try {
    TextSink out(text);
    table ? FastMatrixPass(data, settings, out, 3, *table, threads)
          : ReferenceMatrixPass(data, settings, out, 3);
  } catch (const WriteFailure& e) {
    failure = e.what();
  }
  return text.str() + "|" + failure;
}

const std::string kA = "A           ", kB = "B           ", kC = "C           ";

TEST(MatrixPass, ThreeOtuMatchingMatrix) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"A", "B", "C"}, {"110", "100", "000"});
  EXPECT_EQ(Pass(*data, {kBinaryMatching, kBinaryHalf, true, false}),
            " 3\r\n" + kA + "0.000000 0.333333 0.666667 \r\n" + kB +
                "0.333333 0.000000 0.333333 \r\n" + kC + "0.666667 0.333333 0.000000 \r\n|");
  std::ostringstream text;
  {
    TextSink out(text);
    DistanceMatrixPass(*data, {kBinaryMatching, kBinaryHalf, false, false}, out);
  }
  EXPECT_EQ(text.str(), " 3\r\n" + kA + "1.000000 0.666667 0.333333 \r\n" + kB +
                            "0.666667 1.000000 0.666667 \r\n" + kC +
                            "0.333333 0.666667 1.000000 \r\n");
  // Averaging: the mean of 1/3, 2/3 and 1/3, nothing else.
  EXPECT_EQ(Pass(*data, {kBinaryMatching, kBinaryHalf, true, true}), "0.444444\r\n|");
  // Euclidean is the same for similarities and distances.
  testing::FillQuantitative(*data, {"A", "B"}, {{1.5f, 2, -9999}, {1.5f, 3, 4}});
  EXPECT_EQ(Pass(*data, {kEuclidean, kQuantitativeZero, true, false}),
            Pass(*data, {kEuclidean, kQuantitativeZero, false, false}));
}

TEST(MatrixPass, CellWithoutValueStopsWithEarlierOutputKept) {
  auto data = std::make_unique<DataSet>();
  testing::FillQuantitative(*data, {"A", "B", "Flat", "D"},
                            {{1, 2, 3}, {2, 1, 5}, {1, 1, 1}, {0, 4, 2}});
  const DistanceSettings correlation{kCorrelation, kQuantitativeZero, true, false};
  for (int threads : {0, 1, 2})
    EXPECT_EQ(Pass(*data, correlation, &kernels::BestKernels(), threads),
              " 4\r\n" + kA + "0.000000 0.279423 |Correlation between OTU A and OTU Flat of " +
                  "data set 3 cannot be computed: the values of OTU Flat are all equal.");
  data->NOtu = 1;
  EXPECT_EQ(Pass(*data, {kEuclidean, kQuantitativeZero, true, true}),
            "|Data set 3 has 1 OTU: there is no pair of OTUs to average over.");
}

// Random data; missing entries with probability missing, and with probability plain a value
// that is neither 0 nor 1 (binary) or a repeated value (quantitative).
void FillRandom(DataSet& data, bool quantitative, int otus, int chars, double missing, double plain,
                std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::vector<float>> rows(otus, std::vector<float>(chars));
  for (auto& row : rows)
    for (float& v : row)
      v = unit(random) < missing ? (quantitative ? -9999.0f : 2.0f)
          : unit(random) < plain ? (quantitative ? static_cast<int>(unit(random) * 7) * 0.5f : 0.5f)
          : quantitative         ? static_cast<float>(unit(random) * 10 - 3)
                                 : (unit(random) < 0.45 ? 1.0f : 0.0f);
  std::vector<std::string> names;
  for (int i = 1; i <= otus; ++i) names.push_back("otu" + std::to_string(i));
  testing::FillQuantitative(data, names, rows, !quantitative);
}

// Every coefficient, policy and direction, with and without averaging, both kernel tables: the
// same file (and failure) as the reference pass; binary "Marker mean" cells within rounding.
void ExpectAgrees(const DataSet& data) {
  const bool quantitative = data.Quantitative != 0;
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  for (int c = 0; c < (quantitative ? 4 : 3); ++c)
    for (int p = 0; p < (quantitative ? 4 : 6); ++p)
      for (int way = 0; way < 4; ++way) {
        const DistanceSettings s{c, p, way % 2 == 1, way >= 2};
        SCOPED_TRACE(::testing::Message()
                     << data.NOtu << "x" << data.NChar << " c" << c << " p" << p << " way" << way);
        const std::string want =
            quantitative || p != kBinaryMarkerMean ? Pass(data, s, nullptr) : std::string();
        for (const auto* table : {&kernels::BaselineKernels(), &kernels::BestKernels()}) {
          if (!want.empty()) {
            EXPECT_EQ(Pass(data, s, table, 2), want) << table->name;
          } else if (!s.averaging) {
            CellFailure failure;
            const std::vector<double> got = FastUpperTriangle(data, s, *table, failure);
            std::size_t at = 0;
            for (int i = 1; i <= data.NOtu; ++i)
              for (int j = i + 1; j <= data.NOtu; ++j)
                ASSERT_NEAR(got[at++], BinaryCellValue(data, i, j, s, stats), 1e-9);
          }
        }
      }
}

TEST(FastPass, AgreesWithTheReferenceOnRandomShapes) {
  struct Shape {
    int otus, chars;
    double missing, plain;
  };
  // Word edges of characters and of OTU bits (64, 16), sparse and dense missing entries.
  const Shape shapes[] = {{2, 1, 0.0, 0.0},     {3, 63, 0.1, 0.0},    {5, 64, 0.0, 0.0},
                          {7, 65, 0.5, 0.0},    {13, 130, 0.02, 0.1}, {40, 200, 0.9, 0.0},
                          {33, 400, 0.05, 0.0}, {9, 77, 0.3, 0.3},    {70, 130, 0.02, 0.0},
                          {130, 70, 0.6, 0.05}, {65, 9, 0.3, 0.2},    {129, 64, 0.05, 0.0}};
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(11);
  for (const Shape& shape : shapes) {
    FillRandom(*data, true, shape.otus, shape.chars, shape.missing, shape.plain, random);
    ExpectAgrees(*data);
    FillRandom(*data, false, shape.otus, shape.chars, shape.missing, shape.plain, random);
    // Marker mean edges: a character missing everywhere, one with only missing and other values,
    // one with only 1 besides missing entries, and OTUs missing everywhere.
    for (int i = 1; i <= shape.otus; ++i) {
      data->Matrix(i, 1) = 2;
      if (shape.chars > 1) data->Matrix(i, 2) = i % 2 ? 2 : 0.5f;
      if (shape.chars > 2) data->Matrix(i, 3) = i % 3 ? 1 : 2;
    }
    for (int i : {1, shape.otus / 2 + 1, shape.otus})
      for (int k = 1; k <= shape.chars; ++k) data->Matrix(i, k) = 2;
    ExpectAgrees(*data);
  }
  // A code of 0 from an NTSYS header makes every 0 missing; it is missing, never also a 0.
  FillRandom(*data, false, 12, 70, 0.2, 0.0, random);
  data->MissingValue = 0.0f;
  ExpectAgrees(*data);
  // Rows in complementary pairs (missing kept): every mean is exactly 0.5, and "Marker mean"
  // then adds exactly what "0.5" adds, to the last bit.
  FillRandom(*data, false, 90, 77, 0.3, 0.0, random);
  for (int i = 2; i <= 90; i += 2)
    for (int k = 1; k <= 77; ++k)
      data->Matrix(i, k) = data->Matrix(i - 1, k) == 2 ? 2 : 1 - data->Matrix(i - 1, k);
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Pass(*data, {c, kBinaryMarkerMean, true, false}, &kernels::BestKernels(), 2),
              Pass(*data, {c, kBinaryHalf, true, false}, &kernels::BestKernels(), 2));
}

}  // namespace
}  // namespace marbleset
