#include "dataset/data_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dataset/errors.h"

namespace marbleset {
namespace {

class DataLoader : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("marbleset_loader_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(DataLoader, SetsNameFolderKindAndSeveralDataSets) {
  DataSet data;
  const std::string one = Write("one.phy", "2 3\r\nA           01?\r\nB           110\r\n");
  ASSERT_EQ(LoadDataFile(data, one, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  EXPECT_EQ(data.DataFileName, one);
  EXPECT_EQ(data.DataDir, folder_.string());
  EXPECT_EQ(data.MissingValue, 2.0f);
  EXPECT_EQ(data.Matrix(1, 3), data.MissingValue);
  EXPECT_EQ(data.MultiSet, 0);

  const std::string several =
      Write("several.phy", "1 2\r\nA           1 2.5\r\n\r\n1 2\r\nA           3 ?\r\n");
  ASSERT_EQ(LoadDataFile(data, several, DataKind::kQuantitative, Layout::kPhylip), ReadStatus::kOk);
  EXPECT_EQ(data.MultiSet, 1);
  EXPECT_EQ(data.Quantitative, 1);
  EXPECT_EQ(data.MissingValue, -9999.0f);
  EXPECT_EQ(data.Matrix(1, 2), 2.5f) << "the first data set is the one held";

  const std::string nts = Write("labels.nts", "1 1 2 0\r\nP Q\r\n1 1\r\n");
  ASSERT_EQ(LoadDataFile(data, nts, DataKind::kBinary, Layout::kNtsys), ReadStatus::kOk);
  EXPECT_EQ(data.MultiSet, 0);
  EXPECT_EQ(data.Quantitative, 0);
  EXPECT_EQ(data.OtuName[1], "P           ");
}

TEST_F(DataLoader, FailedReadLeavesTheLoadedDataSetAsItWas) {
  DataSet data;
  const std::string good = Write("good.phy", "2 2\r\nAlpha       01\r\nBeta        10\r\n");
  ASSERT_EQ(LoadDataFile(data, good, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);

  const std::string findings[] = {
      Write("code4.phy", "3 2\r\nNew1        11\r\nNew2        1"),
      Write("code1.nts", "1 2 2 0"),
  };
  EXPECT_EQ(LoadDataFile(data, findings[0], DataKind::kQuantitative, Layout::kPhylip),
            ReadStatus::kDataIncomplete);
  EXPECT_EQ(LoadDataFile(data, findings[1], DataKind::kBinary, Layout::kNtsys),
            ReadStatus::kNoDeclarations);
  EXPECT_THROW(LoadDataFile(data, Write("past.phy", "2 4\r\nX           1111\r\nY           1"),
                            DataKind::kBinary, Layout::kPhylip),
               ReadFailure);
  EXPECT_THROW(
      LoadDataFile(data, (folder_ / "absent.phy").string(), DataKind::kBinary, Layout::kPhylip),
      ReadFailure);
  EXPECT_THROW(LoadDataFile(data, Write("big.phy", "1200 2\r\nX           11\r\n"),
                            DataKind::kBinary, Layout::kPhylip),
               ReadFailure);

  EXPECT_EQ(data.DataFileName, good);
  EXPECT_EQ(data.DataDir, folder_.string());
  EXPECT_EQ(data.NOtu, 2);
  EXPECT_EQ(data.NChar, 2);
  EXPECT_EQ(data.OtuName[1], "Alpha       ");
  EXPECT_EQ(data.Matrix(1, 2), 1.0f);
  EXPECT_EQ(data.Matrix(2, 1), 1.0f);
  EXPECT_EQ(data.Quantitative, 0);
  EXPECT_EQ(data.MultiSet, 0);
  EXPECT_EQ(data.MissingValue, 2.0f);
}

TEST(PathParts, SplitFolderAndName) {
  EXPECT_EQ(FolderOf("/home/ana/data/markers.phy"), "/home/ana/data");
  EXPECT_EQ(FileNameOf("/home/ana/data/markers.phy"), "markers.phy");
  EXPECT_EQ(FolderOf("markers.phy"), "");
  EXPECT_EQ(FileNameOf("markers.phy"), "markers.phy");
  EXPECT_EQ(FolderOf("/markers.phy"), "/");
}

}  // namespace
}  // namespace marbleset
