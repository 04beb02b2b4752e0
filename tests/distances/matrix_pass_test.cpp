#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "dataset/errors.h"
#include "distances/binary_coefficients.h"
#include "distances/distance_run.h"
#include "distances/fast_matrix_pass.h"
#include "distances/marker_mean_sums.h"
#include "formats/distance_file.h"
#include "pass_text.h"

namespace marbleset {
namespace {

using C = Coefficient;
using P = MissingPolicy;

using testing::FillRandom;
using testing::PassText;

TEST(MatrixPass, CellWithoutValueStopsWithEarlierOutputKept) {
  auto data = std::make_unique<DataSet>();
  testing::FillQuantitative(*data, {"A", "B", "Flat", "D"},
                            {{1, 2, 3}, {2, 1, 5}, {1, 1, 1}, {0, 4, 2}});
  const DistanceSettings correlation{C::kCorrelation, P::kZero, true, false};
  for (int threads : {0, 1, 2}) {
    EXPECT_EQ(PassText(*data, correlation, &kernels::BestKernels(), threads),
              " 4\r\nA           0.000000 0.279423 |Correlation between OTU A and OTU Flat of "
              "data set 3 cannot be computed: the values of OTU Flat are all equal.");
    NoProgress progress;
    try {
      ComputeDistanceMatrix(*data, correlation, progress, threads);
      ADD_FAILURE() << "no failure";
    } catch (const WriteFailure& e) {
      EXPECT_STREQ(e.what(),
                   "Correlation between OTU A and OTU Flat cannot be computed: the values of OTU "
                   "Flat are all equal.");
    }
  }
  testing::FillQuantitative(*data, {"A"}, {{1, 2, 3}});
  EXPECT_EQ(PassText(*data, {C::kEuclidean, P::kZero, true, true}),
            "|Data set 3 has 1 OTU: there is no pair of OTUs to average over.");
}

// Every kernel table the processor runs: plain, AVX2 and the best (AVX-512 where there is one).
std::vector<const kernels::KernelTable*> Tables() {
  std::vector<const kernels::KernelTable*> tables{&kernels::BaselineKernels()};
  if (kernels::Avx2Kernels() != nullptr) tables.push_back(kernels::Avx2Kernels());
  if (&kernels::BestKernels() != tables.back()) tables.push_back(&kernels::BestKernels());
  return tables;
}

// Every coefficient, policy and direction, with and without averaging, both kernel tables: the
// same file (and failure) as the reference pass; binary "Marker mean" cells within rounding.
void ExpectAgrees(const DataSet& data) {
  const MarkerStatistics stats = MarkerStatistics::Of(data);
  for (const C c : CoefficientsFor(data.Kind()))
    for (const P p : MissingPoliciesFor(data.Kind()))
      for (int way = 0; way < 4; ++way) {
        const DistanceSettings s{c, p, way % 2 == 1, way >= 2};
        SCOPED_TRACE(::testing::Message()
                     << data.OtuCount() << "x" << data.CharCount() << " " << CoefficientName(c)
                     << " / " << MissingPolicyName(p) << " way " << way);
        const bool approximate = data.IsBinary() && p == P::kMarkerMean;
        const std::string want = approximate ? std::string() : PassText(data, s, nullptr);
        for (const auto* table : Tables()) {
          if (!want.empty()) {
            EXPECT_EQ(PassText(data, s, table, 2), want) << table->name;
          } else if (!s.averaging) {
            CellFailure failure;
            const std::vector<double> got = FastUpperTriangle(data, s, *table, failure);
            std::size_t at = 0;
            for (std::size_t i = 0; i < data.OtuCount(); ++i)
              for (std::size_t j = i + 1; j < data.OtuCount(); ++j)
                ASSERT_NEAR(got[at++], BinaryCellValue(data, i, j, s, stats).value, 1e-9);
          }
        }
      }
}

TEST(FastPass, AgreesWithTheReferenceOnRandomShapes) {
  struct Shape {
    std::size_t otus, chars;
    double missing, plain;
  };
  // Word edges of characters and of OTU bits (64, 32), row blocks of 4, sparse and dense
  // missing entries.
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
    for (std::size_t i = 0; i < shape.otus; ++i) {
      data->SetValue(i, 0, 2);
      if (shape.chars > 1) data->SetValue(i, 1, i % 2 ? 0.5f : 2);
      if (shape.chars > 2) data->SetValue(i, 2, i % 3 ? 2 : 1);
    }
    for (std::size_t i : {std::size_t{0}, shape.otus / 2, shape.otus - 1})
      for (std::size_t k = 0; k < shape.chars; ++k) data->SetValue(i, k, 2);
    ExpectAgrees(*data);
  }
  // Quantitative blocks of 32 rows and tiles of up to 4 x 4 with rows and columns left over,
  // characters in more than one chunk of 1024.
  for (const Shape& shape : {Shape{71, 2100, 0.05, 0.1}, Shape{37, 1030, 0.6, 0.3}}) {
    FillRandom(*data, true, shape.otus, shape.chars, shape.missing, shape.plain, random);
    ExpectAgrees(*data);
  }
  // Rows in complementary pairs (missing kept): every mean is exactly 0.5, and "Marker mean"
  // then adds exactly what "0.5" adds, to the last bit.
  FillRandom(*data, false, 90, 77, 0.3, 0.0, random);
  for (std::size_t i = 1; i < 90; i += 2)
    for (std::size_t k = 0; k < 77; ++k) {
      const float v = data->Value(i - 1, k);
      data->SetValue(i, k, v == 2 ? 2 : 1 - v);
    }
  for (const C c : CoefficientsFor(DataKind::kBinary))
    EXPECT_EQ(PassText(*data, {c, P::kMarkerMean, true, false}, &kernels::BestKernels(), 2),
              PassText(*data, {c, P::kHalf, true, false}, &kernels::BestKernels(), 2));
}

// Two OTUs 1.0000005 apart but for 5e-14 (the difference of two floats, exact in double), and
// 2047 characters where they differ by 1e-8. Added one after another, as the reference does,
// each 1e-16 is lost against the first square; summed apart, as the blocked sums do, they lift
// the distance over the half. The file must still read as the reference's.
TEST(FastPass, CellAtARoundingEdgeReadsAsTheReference) {
  constexpr std::size_t kChars = 2048;
  const float x = 1.0f + 5.0f * 0x1p-23f;
  const float y = static_cast<float>(static_cast<double>(x) - 1.0000005 + 5e-14);
  std::vector<float> a(kChars, 1e-8f), b(kChars, 0.0f);
  a[0] = x;
  b[0] = y;
  auto data = std::make_unique<DataSet>();
  testing::FillQuantitative(*data, {"A", "B"}, {a, b});
  // The edge is real: the order of the sum decides the sixth decimal.
  const double d = static_cast<double>(x) - static_cast<double>(y);
  double inOrder = d * d, tinyFirst = 0;
  for (std::size_t k = 1; k < kChars; ++k) {
    const double e = static_cast<double>(a[k]);
    inOrder += e * e;
    tinyFirst += e * e;
  }
  tinyFirst += d * d;
  ASSERT_EQ(DistanceValueText(std::sqrt(inOrder)), "1.000000");
  ASSERT_EQ(DistanceValueText(std::sqrt(tinyFirst)), "1.000001");
  for (const P p : {P::kZero, P::kIgnore}) {
    const DistanceSettings s{C::kEuclidean, p, true, false};
    const std::string want = PassText(*data, s, nullptr);
    ASSERT_NE(want.find("A           0.000000 1.000000 \r\n"), std::string::npos) << want;
    for (const auto* table : Tables()) EXPECT_EQ(PassText(*data, s, table, 2), want) << table->name;
  }
}

TEST(FastPass, ManyRowsFormattedOnSeveralThreadsKeepTheirOrder) {
  // 1000 OTUs: batches of rows are formatted on all cores; the file is the reference's.
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(29);
  FillRandom(*data, false, 1000, 20, 0.1, 0.0, random);
  const DistanceSettings jaccard{C::kJaccard, P::kHalf, true, false};
  EXPECT_EQ(PassText(*data, jaccard, &kernels::BestKernels(), 2),
            PassText(*data, jaccard, nullptr));
  // A cell without value in a later batch: the rows before it, and its row up to it, then the
  // failure, as the reference writes them.
  FillRandom(*data, true, 1000, 4, 0.0, 0.0, random);
  for (std::size_t k = 0; k < 4; ++k) data->SetValue(700, k, 2.5f);
  const DistanceSettings correlation{C::kCorrelation, P::kZero, true, false};
  const std::string want = PassText(*data, correlation, nullptr);
  ASSERT_NE(want.find("otu701 are all equal"), std::string::npos);
  EXPECT_EQ(PassText(*data, correlation, &kernels::BestKernels(), 2), want);
  EXPECT_EQ(PassText(*data, correlation, &kernels::BestKernels(), 1), want);
}

TEST(FastPass, MissingCodeZeroOrOneCountsOnlyAsMissing) {
  // An NTSYS header may declare 0 as its missing-data code: every 0 is then missing, never
  // also a 0.
  auto data = std::make_unique<DataSet>();
  data->Resize(DataKind::kBinary, 3, 4, 0.0f);
  const float rows[3][4] = {{1, 0, 1, 0}, {1, 1, 0, 0}, {0, 0, 1, 1}};
  for (std::size_t i = 0; i < 3; ++i) {
    data->otuNames[i] = std::string(1, static_cast<char>('a' + i));
    for (std::size_t k = 0; k < 4; ++k) data->SetValue(i, k, rows[i][k]);
  }
  // Rows 0 and 1: 1-1, ?-1, 1-?, ?-?. "Ignore" keeps the first only: Jaccard 1.
  CellFailure failure;
  EXPECT_EQ(FastUpperTriangle(*data, {C::kJaccard, P::kIgnore, false, false},
                              kernels::BestKernels(), failure)[0],
            1.0);
  ExpectAgrees(*data);
}

TEST(FastPass, MarkerMeanSumsAreTheSameOnEveryKernelTable) {
  // The weight sums add in character order in every build, so the cells agree to the last bit;
  // with other values the state-0 sums are summed too. At 270,000 characters the columns of
  // bits reach past a few megabytes, where the AVX-512 kernel streams them instead of holding
  // the sums in registers.
  struct Shape {
    std::size_t otus, characters;
    double missing, plain;
    Coefficient coefficient;
  };
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(31);
  for (const Shape& shape : {Shape{150, 700, 0.1, 0.0, C::kBinaryMatching},
                             Shape{150, 700, 0.1, 0.05, C::kBinaryMatching},
                             Shape{20, 270000, 0.05, 0.0, C::kJaccard}}) {
    FillRandom(*data, false, shape.otus, shape.characters, shape.missing, shape.plain, random);
    const DistanceSettings settings{shape.coefficient, P::kMarkerMean, true, false};
    CellFailure failure;
    const std::vector<double> want =
        FastUpperTriangle(*data, settings, kernels::BaselineKernels(), failure, 1);
    for (const auto* table : Tables())
      for (int threads : {1, 2})
        EXPECT_EQ(FastUpperTriangle(*data, settings, *table, failure, threads), want)
            << table->name << " " << threads;
    const MarkerStatistics stats = MarkerStatistics::Of(*data);
    for (std::size_t j = 1; j < shape.otus; j += 6)
      EXPECT_NEAR(want[j - 1], BinaryCellValue(*data, 0, j, settings, stats).value, 1e-9);
  }
}

TEST(MarkerMeanSums, MissingBitsGiveWhatTheListsGive) {
  // Many missing entries are walked through the transposed bits instead of lists: the same
  // sums to the last bit, with and without other values.
  auto data = std::make_unique<DataSet>();
  std::mt19937 random(37);
  for (const double plain : {0.0, 0.05}) {
    FillRandom(*data, false, 130, 300, 0.2, plain, random);
    const MarkerStatistics stats = MarkerStatistics::Of(*data);
    MarkerMeanSums listed(*data, stats, kernels::BestKernels());
    MarkerMeanSums walked(*data, stats, kernels::BestKernels(), 0);
    listed.Prepare(2);
    walked.Prepare(1);
    std::vector<MarkerMeanShares> a(130), b(130);
    for (std::size_t i = 0; i < 130; ++i) {
      listed.Row(i, a.data());
      walked.Row(i, b.data());
      for (std::size_t c = 0; c + i + 1 < 130; ++c) {
        ASSERT_EQ(a[c].one, b[c].one);
        ASSERT_EQ(a[c].zero, b[c].zero);
        ASSERT_EQ(a[c].both, b[c].both);
        ASSERT_EQ(a[c].bothSquares, b[c].bothSquares);
      }
    }
  }
}

}  // namespace
}  // namespace marbleset
