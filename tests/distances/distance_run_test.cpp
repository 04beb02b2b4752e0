#include "distances/distance_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "dataset/errors.h"
#include "test_data.h"

namespace marbleset {
namespace {

namespace fs = std::filesystem;

class DistanceRunTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Read(const std::string& name) const {
    std::ostringstream text;
    text << std::ifstream(Path(name), std::ios::binary).rdbuf();
    return text.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  static std::string Times(int n, const std::string& text) {
    std::string all;
    while (n-- > 0) all += text;
    return all;
  }

  const fs::path dir_ =
      fs::temp_directory_path() /
      ("marbleset_distances_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

struct RecordedProgress : Progress {
  void Start(std::string_view message) override { message_ = message; }
  void Advance(double percent) override { percents_.push_back(percent); }
  std::string message_;
  std::vector<double> percents_;
};

const std::string kSet = "3 3\r\nA           110\r\nB           100\r\nC           000\r\n";
const std::string kMatrix =
    " 3\r\nA           0.000000 0.333333 0.666667 \r\n"
    "B           0.333333 0.000000 0.333333 \r\n"
    "C           0.666667 0.333333 0.000000 \r\n";

TEST_F(DistanceRunTest, SingleRunWritesTheFileAndFailsOnABadFolder) {
  auto data = std::make_unique<DataSet>();
  testing::FillBinary(*data, {"A", "B", "C"}, {"110", "100", "000"});
  const DistanceSettings settings{kBinaryMatching, kBinaryHalf, true, true};
  DistanceRunSingle(*data, settings, Path("out.txt"));  // averaging is not for one data set
  EXPECT_EQ(Read("out.txt"), kMatrix);
  EXPECT_THROW(DistanceRunSingle(*data, settings, Path("missing/out.txt")), WriteFailure);
  EXPECT_FALSE(fs::exists(Path("missing/out.txt")));
}

TEST_F(DistanceRunTest, MultiRunWritesEachDataSetAndEndsQuietlyOrFailsWhereTheFileEnds) {
  Write("sets.phy", Times(100, kSet));
  auto data = std::make_unique<DataSet>();
  data->DataFileName = Path("sets.phy");
  data->MissingValue = 2;
  RecordedProgress progress;
  DistanceRunMulti(*data, {kBinaryMatching, kBinaryHalf, true, true}, Path("mean.txt"), progress);
  EXPECT_EQ(Read("mean.txt"), Times(100, "0.444444\r\n"));
  EXPECT_EQ(progress.message_, "Calculating distances");
  ASSERT_EQ(progress.percents_.size(), 101u);
  EXPECT_EQ(progress.percents_[0], 0.0);
  EXPECT_NEAR(progress.percents_[1], 100.0 / (100 * kSet.size()), 1e-12);
  EXPECT_LT(progress.percents_.back(), 100.0);
  const DistanceSettings settings{kBinaryMatching, kBinaryHalf, true, false};
  DistanceRunMulti(*data, settings, Path("all.txt"), progress);
  EXPECT_EQ(Read("all.txt"), Times(100, kMatrix));
  // The seventh data set ends before its last OTU: six matrices, no failure.
  Write("short.phy", Times(6, kSet) + "3 3\r\nA           110\r\nB           100\r\n");
  data->DataFileName = Path("short.phy");
  DistanceRunMulti(*data, settings, Path("out.txt"), progress);
  EXPECT_EQ(Read("out.txt"), Times(6, kMatrix));
  // It ends inside the values of its last OTU: a failure of the run, the six matrices kept.
  Write("cut.phy", Times(6, kSet) + "3 3\r\nA           110\r\nB           100\r\nC           0");
  data->DataFileName = Path("cut.phy");
  try {
    DistanceRunMulti(*data, settings, Path("out.txt"), progress);
    FAIL() << "no failure";
  } catch (const ReadFailure& e) {
    EXPECT_NE(std::string(e.what()).find("Data set 7 of "), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read("out.txt"), Times(6, kMatrix));
  // A data file that is gone: nothing is created.
  data->DataFileName = Path("gone.phy");
  EXPECT_THROW(DistanceRunMulti(*data, settings, Path("never.txt"), progress), ReadFailure);
  EXPECT_FALSE(fs::exists(Path("never.txt")));
}

}  // namespace
}  // namespace marbleset
