#include "distances/distance_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "dataset/errors.h"
#include "scratch_folder.h"
#include "test_data.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;
using C = Coefficient;
using P = MissingPolicy;

class DistanceRunTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return scratch_ / name; }
  std::string Read(const std::string& name) const { return FileBytes(Path(name)); }
  void Write(const std::string& name, const std::string& text) const { PutFile(Path(name), text); }
  static std::string Times(int n, const std::string& text) {
    std::string all;
    while (n-- > 0) all += text;
    return all;
  }

  const ScratchFolder scratch_;
};

struct RecordedProgress : Progress {
  void Start(std::string_view) override {}
  void Advance(double percent) override { percents.push_back(percent); }
  bool CancelRequested() const override { return ++asked > cancelAfter; }
  void ReadingDataSet(int number) override { dataSets.push_back(number); }
  std::vector<double> percents;
  std::vector<int> dataSets;
  mutable int asked = 0;
  int cancelAfter = 1 << 30;
};

const std::string kSet = "3 3\r\nA           110\r\nB           100\r\nC           000\r\n";
const std::string kMatrix =
    " 3\r\nA           0.000000 0.333333 0.666667 \r\n"
    "B           0.333333 0.000000 0.333333 \r\n"
    "C           0.666667 0.333333 0.000000 \r\n";

std::unique_ptr<DataSet> Loaded(DataKind kind) {
  auto data = std::make_unique<DataSet>();
  data->Resize(kind, 1, 1,
               kind == DataKind::kBinary ? kBinaryMissingValue : kQuantitativeMissingValue);
  data->otuNames[0] = "kept";
  return data;
}

TEST_F(DistanceRunTest, SingleRunWritesTheFileAndFailsOnABadFolder) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"A", "B", "C"}, {"110", "100", "000"});
  const DistanceSettings settings{C::kBinaryMatching, P::kHalf, true, true};
  RecordedProgress progress;
  DistanceRunSingle(*data, settings, Path("out.txt"), progress);  // averaging is not for one set
  EXPECT_EQ(Read("out.txt"), kMatrix);
  // The run starts the progress itself, with the bar at 0, and tells of no data set number.
  ASSERT_FALSE(progress.percents.empty());
  EXPECT_EQ(progress.percents[0], 0.0);
  EXPECT_TRUE(progress.dataSets.empty());
  EXPECT_THROW(DistanceRunSingle(*data, settings, Path("missing/out.txt"), progress), WriteFailure);
  EXPECT_FALSE(fs::exists(Path("missing/out.txt")));
  // Settings the kind does not offer fail before anything is created.
  EXPECT_THROW(
      DistanceRunSingle(*data, {C::kEuclidean, P::kHalf, true, false}, Path("no.txt"), progress),
      Failure);
  EXPECT_FALSE(fs::exists(Path("no.txt")));
}

TEST_F(DistanceRunTest, MultiRunReadsOneInputOnceIntoItsOwnDataSet) {
  Write("sets.phy", Times(100, kSet) + "\r\n\r\n");  // blank lines after the last data set
  const auto loaded = Loaded(DataKind::kBinary);
  RecordedProgress progress;
  ItemReader in = ItemReader::OpenFile(Path("sets.phy"));
  DistanceRunMulti(*loaded, {C::kBinaryMatching, P::kHalf, true, true}, in, Path("mean.txt"),
                   progress);
  EXPECT_EQ(Read("mean.txt"), Times(100, "0.444444\r\n"));
  // Once before each data set: the share of the file read before it.
  ASSERT_GE(progress.percents.size(), 101u);
  EXPECT_EQ(progress.percents[1], 0.0);
  EXPECT_NEAR(progress.percents[2], 1.0, 0.01);
  const double length = 100.0 * kSet.size() + 4;
  EXPECT_EQ(progress.percents[100], 100.0 * (99.0 * kSet.size()) / length);
  // Each data set's number once it has been read; the blank end of the file is not one.
  ASSERT_EQ(progress.dataSets.size(), 100u);
  for (int number = 1; number <= 100; ++number) EXPECT_EQ(progress.dataSets[number - 1], number);
  // The loaded data set is not the run's scratch space, but its memory limit holds for every
  // data set the run reads: a second one of 400 OTUs (names of 12.8 kB alone) is refused.
  EXPECT_EQ(loaded->OtuCount(), 1u);
  EXPECT_EQ(loaded->otuNames[0], "kept");
  loaded->SetMemoryLimit(10'000);
  Write("large.phy", kSet + "400 1\r\n" + Times(400, "X           1\r\n"));
  ItemReader large = ItemReader::OpenFile(Path("large.phy"));
  try {
    DistanceRunMulti(*loaded, {C::kBinaryMatching, P::kHalf, true, false}, large, Path("large.txt"),
                     progress);
    ADD_FAILURE() << "no failure";
  } catch (const WriteFailure& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Data set 2 of ")) << e.what();
    EXPECT_NE(std::string(e.what()).find("10.0 kB are available"), std::string::npos);
  }
}

TEST_F(DistanceRunTest, CancelledRunLeavesTheTargetAsItWas) {
  Write("sets.phy", Times(20, kSet));
  Write("out.txt", "old");
  const auto loaded = Loaded(DataKind::kBinary);
  RecordedProgress progress;
  progress.cancelAfter = 5;
  ItemReader in = ItemReader::OpenFile(Path("sets.phy"));
  EXPECT_THROW(DistanceRunMulti(*loaded, {C::kBinaryMatching, P::kHalf, true, false}, in,
                                Path("out.txt"), progress),
               RunCancelled);
  EXPECT_EQ(Read("out.txt"), "old");
  // Averaging over data sets of one OTU fails before anything is written: the target stays.
  Write("single.phy", Times(3, "1 3\r\nAlpha       0 1 ?\r\n"));
  ItemReader single = ItemReader::OpenFile(Path("single.phy"));
  NoProgress quiet;
  EXPECT_THROW(DistanceRunMulti(*loaded, {C::kBinaryMatching, P::kHalf, true, true}, single,
                                Path("out.txt"), quiet),
               WriteFailure);
  EXPECT_EQ(Read("out.txt"), "old");
  // A cell failure is reported with what came before it in place.
  Write("quant.phy",
        "2 2\r\nA           1 2\r\nB           2 3\r\n2 2\r\nC           1 2\r\n"
        "Flat        4 4\r\n");
  ItemReader quantitative = ItemReader::OpenFile(Path("quant.phy"));
  EXPECT_THROW(
      DistanceRunMulti(*Loaded(DataKind::kQuantitative), {C::kCorrelation, P::kZero, false, false},
                       quantitative, Path("out.txt"), quiet),
      WriteFailure);
  EXPECT_EQ(Read("out.txt"),
            " 2\r\nA           1.000000 1.000000 \r\nB           1.000000 1.000000 \r\n 2\r\n"
            "C           1.000000 ");
}

}  // namespace
}  // namespace marbleset
