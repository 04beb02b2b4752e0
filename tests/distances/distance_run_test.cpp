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
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("marbleset_distances_" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  fs::path dir_;
};

class RecordedProgress : public Progress {
 public:
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
  EXPECT_EQ(Read(Path("out.txt")), kMatrix);
  EXPECT_THROW(DistanceRunSingle(*data, settings, Path("missing/out.txt")), WriteFailure);
  EXPECT_FALSE(fs::exists(Path("missing/out.txt")));
}

TEST_F(DistanceRunTest, MultiRunWritesOneMatrixOrMeanPerDataSet) {
  std::string file;
  for (int n = 0; n < 100; ++n) file += kSet;
  Write(Path("sets.phy"), file);
  auto data = std::make_unique<DataSet>();
  data->DataFileName = Path("sets.phy");
  data->MissingValue = 2;
  RecordedProgress progress;
  DistanceRunMulti(*data, {kBinaryMatching, kBinaryHalf, true, true}, Path("mean.txt"), progress);
  std::string means;
  for (int n = 0; n < 100; ++n) means += "0.444444\r\n";
  EXPECT_EQ(Read(Path("mean.txt")), means);
  EXPECT_EQ(progress.message_, "Calculating distances");
  ASSERT_EQ(progress.percents_.size(), 101u);
  EXPECT_EQ(progress.percents_[0], 0.0);
  EXPECT_NEAR(progress.percents_[1], 100.0 / file.size(), 1e-12);
  EXPECT_LT(progress.percents_.back(), 100.0);

  DistanceRunMulti(*data, {kBinaryMatching, kBinaryHalf, true, false}, Path("all.txt"), progress);
  std::string matrices;
  for (int n = 0; n < 100; ++n) matrices += kMatrix;
  EXPECT_EQ(Read(Path("all.txt")), matrices);
}

TEST_F(DistanceRunTest, MultiRunEndsQuietlyOrFailsWhereTheFileEnds) {
  std::string file;
  for (int n = 0; n < 6; ++n) file += kSet;
  auto data = std::make_unique<DataSet>();
  data->MissingValue = 2;
  NoProgress progress;
  const DistanceSettings settings{kBinaryMatching, kBinaryHalf, true, false};
  // The seventh data set ends before its last OTU: six matrices, no failure.
  Write(Path("short.phy"), file + "3 3\r\nA           110\r\nB           100\r\n");
  data->DataFileName = Path("short.phy");
  DistanceRunMulti(*data, settings, Path("out.txt"), progress);
  std::string six;
  for (int n = 0; n < 6; ++n) six += kMatrix;
  EXPECT_EQ(Read(Path("out.txt")), six);
  // It ends inside the values of its last OTU: a failure of the run, the six matrices kept.
  Write(Path("cut.phy"), file + "3 3\r\nA           110\r\nB           100\r\nC           0");
  data->DataFileName = Path("cut.phy");
  try {
    DistanceRunMulti(*data, settings, Path("out.txt"), progress);
    FAIL() << "no failure";
  } catch (const ReadFailure& e) {
    EXPECT_NE(std::string(e.what()).find("Data set 7 of "), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read(Path("out.txt")), six);
  // A data file that is gone: nothing is created.
  data->DataFileName = Path("gone.phy");
  EXPECT_THROW(DistanceRunMulti(*data, settings, Path("never.txt"), progress), ReadFailure);
  EXPECT_FALSE(fs::exists(Path("never.txt")));
}

}  // namespace
}  // namespace marbleset
