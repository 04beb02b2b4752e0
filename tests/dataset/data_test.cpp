#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "dataset/command_availability.h"
#include "dataset/data_loader.h"
#include "dataset/errors.h"
#include "dataset/ntsys_reader.h"
#include "dataset/phylip_reader.h"

namespace marbleset {
namespace {

using Values = std::vector<float>;
using S = ReadStatus;

struct Read {
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadStatus status = ReadStatus::kOk;
  Values Row(int otu, int n) const { return Values(data->Row(otu) + 1, data->Row(otu) + 1 + n); }
  Values Column(int c, int n) const {
    Values v;
    for (int i = 1; i <= n; ++i) v.push_back(data->Matrix(i, c));
    return v;
  }
};

Read ReadWith(ReadStatus (*reader)(ItemReader&, DataSet&), const std::string& text) {
  Read read;
  read.data->MissingValue = -9999.0f;
  ItemReader in = ItemReader::FromText(text, "test.phy");
  read.status = reader(in, *read.data);
  return read;
}
const auto Phy = [](const std::string& text) { return ReadWith(ReadPhylipBinary, text); };
const auto PhyQ = [](const std::string& text) { return ReadWith(ReadPhylipQuant, text); };
const auto Nts = [](const std::string& text) { return ReadWith(ReadNtsysBinary, text); };
const auto NtsQ = [](const std::string& text) { return ReadWith(ReadNtsysQuant, text); };

testing::AssertionResult FailsWith(const std::string& text, const char* part, bool quant = false) {
  try {
    quant ? PhyQ(text) : Phy(text);
  } catch (const ReadFailure& failure) {
    if (std::string(failure.what()).find(part) != std::string::npos)
      return testing::AssertionSuccess();
    return testing::AssertionFailure() << failure.what();
  }
  return testing::AssertionFailure() << "no failure";
}

TEST(PhylipHeader, FindsTheCountsOrReportsWhatIsMissing) {
  const std::string data = "Alpha       0101\r\n";
  Read titled = Phy("A title line\r\n\r\n-3\r\n  1   4 trailing words\r\n" + data);
  EXPECT_EQ(titled.status, S::kOk) << "items without a positive value are skipped";
  EXPECT_EQ(titled.Row(1, 4), (Values{0, 1, 0, 1}));
  EXPECT_EQ(Phy("1 4").status, S::kNoDeclarations) << "header is the last item";
  EXPECT_EQ(Phy("3\t4\r\n" + data).status, S::kNoOtuCount) << "tab is no separator";
  EXPECT_EQ(Phy("3 \r\n" + data).status, S::kNoCharCount);
  EXPECT_EQ(Phy("5 -3\r\n" + data).status, S::kNoCharCount);
  EXPECT_EQ(Phy("1200 \r\nA\r\n").status, S::kNoCharCount) << "fault before capacity";
  EXPECT_EQ(Phy("0.4 10\r\n" + data).data->NOtu, 0) << "counts rounding to zero read nothing";

  EXPECT_TRUE(FailsWith("1200 10\r\nA\r\n", "1200 OTUs; Marbleset holds at most 1000"));
  EXPECT_TRUE(FailsWith("2 6000\r\nA\r\n", "6000 characters; Marbleset holds at most 5000"));
  EXPECT_TRUE(FailsWith("40000 10\r\nA\r\n", "too large"));
  EXPECT_TRUE(FailsWith("", "ended before the header"));
}

TEST(PhylipBinary, ReadsNamesValuesOverLinesAndExtraValues) {
  Read read =
      Phy("3 6\r\nAlpha       01?1\r\n 1 0\r\nBeta        0 1 1 0 x9a1 0\r\n"
          "Gamma\t\t\t\t\t\t\t01 0 1 1 0 1 1 1\r\n");
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.data->OtuName[1], "Alpha       ");
  EXPECT_EQ(read.data->OtuName[3], "Gamma\t\t\t\t\t\t\t");
  EXPECT_EQ(read.Row(1, 6), (Values{0, 1, 2, 1, 1, 0})) << "values go on over further lines";
  EXPECT_EQ(read.Row(2, 6), (Values{0, 1, 1, 0, 1, 0})) << "other chars skipped";
  EXPECT_EQ(read.Row(3, 9), (Values{0, 1, 0, 1, 1, 0, 1, 1, 1}))
      << "12-character name field, tabs included; values beyond NChar kept";

  for (const std::string end : {"\r\n", "\n", "\r"}) {
    Read ends = Phy("2 3" + end + "A           011" + end + "B           1?0" + end);
    ASSERT_EQ(ends.status, S::kOk);
    EXPECT_EQ(ends.data->OtuName[2], "B           ");
    EXPECT_EQ(ends.Row(2, 3), (Values{1, 2, 0}));
  }
}

TEST(PhylipBinary, ReportsEarlyEndsAndFailsOnOverflow) {
  EXPECT_EQ(Phy("3 4\r\nA           0101\r\nB           01").status, S::kDataIncomplete);
  EXPECT_TRUE(FailsWith(
      "2 4\r\nA           0101\r\nAnna        01\r\n",
      "test.phy: the file ended inside the data of OTU 2 (\"Anna        \") of data set 1"));

  Read full = Phy("1 5000\r\nA           " + std::string(5000, '1') + "\r\n");
  EXPECT_EQ(full.data->Matrix(1, 5000), 1.0f);
  EXPECT_TRUE(FailsWith("1 10\r\nA           " + std::string(5001, '0'), "beyond character 5000"));
  EXPECT_TRUE(FailsWith("1 4999\r\nA           " + std::string(4998, '0') + "\r\n111",
                        "beyond character 5000"));
}

TEST(PhylipQuant, CutsPiecesAtSpacesAndTabsAndFailsBeyondFloat) {
  Read read = PhyQ("2 4\r\nAlpha       1.5?  -2.5E1 - .25\r\nBeta        1.5\t2\t?\r\n7 1e3\r\n");
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.Row(1, 4), (Values{1.5f, -9999, -25, 0.25f}))
      << "number and question mark give both; empty pieces and a lone minus are skipped";
  EXPECT_EQ(read.Row(2, 5), (Values{1.5f, 2, -9999, 7, 1000})) << "a tab separates like a space";
  EXPECT_TRUE(FailsWith("1 2\r\nA           1e39 2\r\n", "1e39", true));
}

TEST(PhylipDataSets, ReadsOneAfterAnotherFromOneInput) {
  ItemReader in = ItemReader::FromText(
      "2 2\r\nA           01\r\nB           10\r\n\r\n"
      "2 3\r\nC           111\r\nD           000\r\n");
  DataSet data;
  ASSERT_EQ(ReadPhylipBinary(in, data), S::kOk);
  ASSERT_EQ(ReadPhylipBinary(in, data), S::kOk) << "the empty line is skipped";
  EXPECT_EQ(data.NChar, 3);
  EXPECT_EQ(data.OtuName[1], "C           ");
  EXPECT_EQ(in.DataSetNumber(), 2);
  EXPECT_TRUE(in.AtEnd());

  ItemReader again = ItemReader::FromText("1 1\r\nA           1\r\n\r\n-2 1\r\n");
  ASSERT_EQ(ReadPhylipBinary(again, data), S::kOk);
  EXPECT_TRUE(FurtherDataSetFollows(again)) << "any value other than 0 counts";
  ItemReader trailing = ItemReader::FromText("1 1\r\nA           1\r\n\r\n0\r\ntext\r\n");
  ASSERT_EQ(ReadPhylipBinary(trailing, data), S::kOk);
  EXPECT_FALSE(FurtherDataSetFollows(trailing)) << "items of value 0 are not a header";
}

TEST(PhylipHostileInput, ReadsHugeLinesAndNulNames) {
  EXPECT_EQ(Phy(std::string(1 << 20, ' ') + "1 2\r\nA           01\r\n").status, S::kOk);
  Read zeros = Phy("0 " + std::string(1 << 20, '0') + " 1 2\r\nA           01\r\n");
  EXPECT_EQ(zeros.data->NOtu, 1);
  EXPECT_EQ(zeros.data->NChar, 2);
  const std::string name("N\0\xff", 3);
  Read odd = Phy("1 3\r\n" + name + "x" + std::string(1 << 20, 'z') + "101\r\n");
  EXPECT_EQ(odd.status, S::kOk);
  EXPECT_EQ(odd.data->OtuName[1].substr(0, 3), name);
  EXPECT_EQ(odd.Row(1, 3), (Values{1, 0, 1}));
}

TEST(NtsysHeader, ReadsTypeCountsAndMissingCodeOrReportsTheFault) {
  const std::string body = "A B C\r\n0 1 1\r\n1 0 0\r\n0 0 1\r\n1 1 1\r\n";
  Read read = Nts("title\r\n1 4L 3L 0\r\n" + body);
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.data->NChar, 4);
  EXPECT_EQ(read.data->NOtu, 3);
  EXPECT_EQ(read.data->MissingValue, 2.0f);
  EXPECT_EQ(read.Column(4, 3), (Values{1, 1, 1}));

  EXPECT_EQ(Nts("2 4 3 0\r\n" + body).status, S::kWrongMatrixType);
  EXPECT_EQ(Nts("1\r\n" + body).status, S::kNoDeclarations);
  EXPECT_EQ(Nts("1 4\r\n" + body).status, S::kNoCharCount);
  EXPECT_EQ(Nts("1 4 3\r\n" + body).status, S::kNoOtuCount);
  EXPECT_EQ(NtsQ("1 4 3 1 -999\r\n" + body).data->MissingValue, -999.0f);
  EXPECT_EQ(NtsQ("1 4 3 0 9\r\n" + body).data->MissingValue, -9999.0f);
  EXPECT_THROW(Nts("1 4 1001 0\r\n" + body), ReadFailure);
  EXPECT_THROW(Nts("1 5001 3 0\r\n" + body), ReadFailure);

  read = Nts("1 1 5 0\r\nAlpha  Gamma AVeryLongLabelName\r\nEpsilon\r\n0 1 0 1 1 0\r\n");
  ASSERT_EQ(read.status, S::kOk) << "labels split at single spaces and lines, padded to 12";
  EXPECT_EQ(
      std::vector<std::string>(read.data->OtuName.begin() + 1, read.data->OtuName.begin() + 6),
      (std::vector<std::string>{"Alpha       ", "            ", "Gamma       ", "AVeryLongLab",
                                "Epsilon     "}));
  EXPECT_EQ(Nts("1 2 3 0\r\nA B C").status, S::kLabelsIncomplete);
  EXPECT_THROW(Nts("1 1 1000 0\r\nx" + std::string(1001, ' ') + "y\r\n1\r\n"), ReadFailure);
}

TEST(NtsysData, ReadsBinaryDigitsAndQuantPiecesAndChecksTheLastRow) {
  Read nine = Nts("1 2 4 1 9\r\nA B C D\r\n0 9 ? 1 5 1\r\n01 91\r\n");
  ASSERT_EQ(nine.status, S::kOk);
  EXPECT_EQ(nine.Column(1, 4), (Values{0, 9, 1, 1})) << "9 is missing; ? and other digits skipped";
  EXPECT_EQ(nine.Column(2, 4), (Values{0, 1, 9, 1}));
  EXPECT_EQ(Nts("1 3 2 0\r\nA B\r\n0 1\r\n1 0\r\n").status, S::kDataIncomplete);
  EXPECT_EQ(Nts("1 2 2 0\r\nA B\r\n0 1\r\n1\r\n").status, S::kOk) << "binary rows are not counted";
  EXPECT_THROW(Nts("1 1 2 0\r\nA B\r\n" + std::string(1001, '1') + "\r\n"), ReadFailure);

  Read quant = NtsQ("1 2 3 1 -9\r\nA B C\r\n1.5\t2 -9\r\n? 3 4 5\r\n");
  EXPECT_EQ(quant.status, S::kOk);
  EXPECT_EQ(quant.Column(1, 3), (Values{1.5f, 2, -9})) << "a tab separates like a space";
  EXPECT_EQ(quant.Column(2, 4), (Values{3, 4, 5, 0}));
  EXPECT_EQ(quant.data->Quantitative, 1);
  Read short_last = NtsQ("1 2 3 0\r\nA B C\r\n1 2\r\n3 4\r\n");
  EXPECT_EQ(short_last.status, S::kDataIncomplete);
  EXPECT_EQ(short_last.data->Quantitative, 0) << "a failed read does not set the kind";
}

class DataLoader : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  void SetUp() override { std::filesystem::create_directories(folder_); }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() /
      ("marbleset_loader_" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(DataLoader, LoadsEitherLayoutAndKeepsTheDataOnAFailedRead) {
  DataSet data;
  const std::string one = Write("one.phy", "2 3\r\nA           01?\r\nB           110\r\n");
  ASSERT_EQ(LoadDataFile(data, one, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  EXPECT_EQ(data.DataFileName, one);
  EXPECT_EQ(data.DataDir, folder_.string());
  EXPECT_EQ(data.Matrix(1, 3), 2.0f);
  EXPECT_EQ(data.MultiSet, 0);

  const std::string several =
      Write("several.phy", "1 2\r\nA           1 2.5\r\n\r\n1 2\r\nA           3 ?\r\n");
  ASSERT_EQ(LoadDataFile(data, several, DataKind::kQuantitative, Layout::kPhylip), ReadStatus::kOk);
  EXPECT_EQ(data.MultiSet, 1);
  EXPECT_EQ(data.Quantitative, 1);
  EXPECT_EQ(data.MissingValue, -9999.0f);
  EXPECT_EQ(data.Matrix(1, 2), 2.5f) << "the first data set is the one held";

  ASSERT_EQ(LoadDataFile(data, Write("l.nts", "1 1 2 0\r\nP Q\r\n1 1\r\n"), DataKind::kBinary,
                         Layout::kNtsys),
            ReadStatus::kOk);
  EXPECT_EQ(data.MultiSet, 0);
  EXPECT_EQ(data.Quantitative, 0);
  EXPECT_EQ(data.OtuName[1], "P           ");
  EXPECT_EQ(FolderOf("/markers.phy"), "/");
  EXPECT_EQ(FolderOf("markers.phy"), "");

  const std::string good = Write("good.phy", "2 2\r\nAlpha       01\r\nBeta        10\r\n");
  ASSERT_EQ(LoadDataFile(data, good, DataKind::kBinary, Layout::kPhylip), ReadStatus::kOk);
  const auto state = [&] {
    return std::tuple(data.DataFileName, data.DataDir, data.NOtu, data.NChar, data.OtuName[1],
                      data.Matrix(1, 2), data.Matrix(2, 1), data.Quantitative, data.MissingValue);
  };
  const auto before = state();
  EXPECT_EQ(LoadDataFile(data, Write("4.phy", "3 2\r\nNew1        11\r\nNew2        1"),
                         DataKind::kQuantitative, Layout::kPhylip),
            ReadStatus::kDataIncomplete);
  EXPECT_EQ(LoadDataFile(data, Write("1.nts", "1 2 2 0"), DataKind::kBinary, Layout::kNtsys),
            ReadStatus::kNoDeclarations);
  for (const std::string& path :
       {Write("past.phy", "2 4\r\nX           1111\r\nY           1"),
        (folder_ / "absent.phy").string(), Write("big.phy", "1200 2\r\nX           11\r\n")}) {
    EXPECT_THROW(LoadDataFile(data, path, DataKind::kBinary, Layout::kPhylip), ReadFailure) << path;
  }
  EXPECT_EQ(state(), before);
}

std::vector<std::string_view> EnabledNames(const DataSet& data) {
  const CommandStates states = AvailableCommands(data);
  std::vector<std::string_view> names;
  for (std::size_t k = 0; k < kDataCommandCount; ++k) {
    if (states[k]) names.push_back(DataCommandName(static_cast<DataCommand>(k)));
  }
  return names;
}

TEST(CommandAvailability, FollowsTheLoadedDataInEveryState) {
  DataSet data;
  EXPECT_TRUE(EnabledNames(data).empty()) << "nothing loaded";
  data.DataFileName = "/data/a.phy";
  EXPECT_EQ(EnabledNames(data).size(), 10u) << "one binary data set";
  data.Quantitative = 1;
  EXPECT_EQ(EnabledNames(data), (std::vector<std::string_view>{
                                    "MnuSaveData", "MnuNotePad", "MnuBootStraps", "MnuPermutation",
                                    "MnuGenstraps", "MnuRandomResampling", "MnuDistances"}));
  for (int16_t kind : {0, 1}) {
    data.Quantitative = kind;
    data.MultiSet = 1;
    EXPECT_EQ(EnabledNames(data), (std::vector<std::string_view>{"MnuNotePad", "MnuDistances"}));
  }
  ClearFileState(data);
  EXPECT_TRUE(EnabledNames(data).empty());
}

}  // namespace
}  // namespace marbleset
