#include "dataset/phylip_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataset/errors.h"

namespace marbleset {
namespace {

struct Read {
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadStatus status = ReadStatus::kOk;
};

Read ReadBinary(const std::string& text) {
  Read read;
  ItemReader in = ItemReader::FromText(text, "test.phy");
  read.status = ReadPhylipBinary(in, *read.data);
  return read;
}

Read ReadQuant(const std::string& text) {
  Read read;
  read.data->MissingValue = -9999.0f;
  ItemReader in = ItemReader::FromText(text, "test.phy");
  read.status = ReadPhylipQuant(in, *read.data);
  return read;
}

std::vector<float> RowOf(const DataSet& data, int otu, int count) {
  return std::vector<float>(data.Row(otu) + 1, data.Row(otu) + 1 + count);
}

std::string FailureText(const std::string& text) {
  try {
    ReadBinary(text);
  } catch (const ReadFailure& failure) {
    return failure.what();
  }
  return "no failure";
}

TEST(PhylipHeader, FindsTheCountsOrReportsWhatIsMissing) {
  const std::string data = "Alpha       0101\r\n";
  Read spaced = ReadBinary("  1   4 trailing words\r\n" + data);
  EXPECT_EQ(spaced.status, ReadStatus::kOk);
  EXPECT_EQ(spaced.data->NOtu, 1);
  EXPECT_EQ(spaced.data->NChar, 4);

  Read titled = ReadBinary("A title line\r\n\r\n-3\r\n1 4\r\n" + data);
  EXPECT_EQ(titled.status, ReadStatus::kOk) << "items without a positive value are skipped";
  EXPECT_EQ(RowOf(*titled.data, 1, 4), (std::vector<float>{0, 1, 0, 1}));

  EXPECT_EQ(ReadBinary("1 4").status, ReadStatus::kNoDeclarations) << "header is the last item";
  EXPECT_EQ(ReadBinary("title\r\n1 4\r\n").status, ReadStatus::kNoDeclarations);
  EXPECT_EQ(ReadBinary("3\r\n" + data).status, ReadStatus::kNoOtuCount);
  EXPECT_EQ(ReadBinary("3\t4\r\n" + data).status, ReadStatus::kNoOtuCount) << "tab is no separator";
  EXPECT_EQ(ReadBinary("3 \r\n" + data).status, ReadStatus::kNoCharCount);
  EXPECT_EQ(ReadBinary("5 -3\r\n" + data).status, ReadStatus::kNoCharCount);
  EXPECT_EQ(ReadBinary("5 x\r\n" + data).status, ReadStatus::kNoCharCount);

  // Counts that round to zero read nothing and index nothing.
  Read zero = ReadBinary("0.4 10\r\n" + data);
  EXPECT_EQ(zero.status, ReadStatus::kOk);
  EXPECT_EQ(zero.data->NOtu, 0);
  Read no_chars = ReadBinary("2 0.3\r\nA\r\nB\r\n");
  EXPECT_EQ(no_chars.status, ReadStatus::kOk);
  EXPECT_EQ(no_chars.data->NChar, 0);
}

TEST(PhylipHeader, FailsOnCountsBeyondCapacityOrSixteenBits) {
  EXPECT_NE(
      FailureText("1200 10\r\nA\r\n").find("declares 1200 OTUs; Marbleset holds at most 1000"),
      std::string::npos);
  EXPECT_NE(FailureText("2 6000\r\nA\r\n")
                .find("declares 6000 characters; Marbleset holds at "
                      "most 5000"),
            std::string::npos);
  EXPECT_NE(FailureText("40000 10\r\nA\r\n").find("too large"), std::string::npos);
  EXPECT_NE(FailureText("").find("ended before the header"), std::string::npos);
  EXPECT_EQ(ReadBinary("1200 \r\nA\r\n").status, ReadStatus::kNoCharCount)
      << "a faulty header is reported as such, whatever it declares";
}

TEST(PhylipBinary, ReadsNamesValuesAndMissingEntries) {
  Read read = ReadBinary(
      "3 6\r\n"
      "Alpha       01?1\r\n"
      " 1 0\r\n"  // values go on over further lines
      "Beta        0 1 1 0 x9a1 0\r\n"
      "Gamma\t\t\t\t\t\t\t01 0 1 1 0 1 1 1\r\n");  // values beyond NChar in the last item
  ASSERT_EQ(read.status, ReadStatus::kOk);
  const DataSet& data = *read.data;
  EXPECT_EQ(data.OtuName[1], "Alpha       ");
  EXPECT_EQ(data.OtuName[3], "Gamma\t\t\t\t\t\t\t");
  EXPECT_EQ(RowOf(data, 1, 6), (std::vector<float>{0, 1, 2, 1, 1, 0}));
  EXPECT_EQ(RowOf(data, 2, 6), (std::vector<float>{0, 1, 1, 0, 1, 0})) << "other chars skipped";
  EXPECT_EQ(RowOf(data, 3, 9), (std::vector<float>{0, 1, 0, 1, 1, 0, 1, 1, 1}))
      << "the name field takes 12 characters, tabs included";
  EXPECT_EQ(data.Quantitative, 0);
}

TEST(PhylipBinary, TreatsEveryLineEndAlike) {
  const std::string lines[] = {"2 3", "A           011", "B           1?0"};
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    Read read = ReadBinary(lines[0] + end + lines[1] + end + lines[2] + end);
    ASSERT_EQ(read.status, ReadStatus::kOk);
    EXPECT_EQ(read.data->OtuName[2], "B           ");
    EXPECT_EQ(RowOf(*read.data, 2, 3), (std::vector<float>{1, 2, 0}));
  }
}

TEST(PhylipBinary, ReportsEndsBeforeTheLastOtuAndFailsInsideIt) {
  EXPECT_EQ(ReadBinary("3 4\r\nA           0101\r\nB           01").status,
            ReadStatus::kDataIncomplete);
  const std::string inside = FailureText("2 4\r\nA           0101\r\nAnna        01\r\n");
  EXPECT_NE(inside.find("test.phy: the file ended inside the data of OTU 2 (\"Anna        \") "
                        "of data set 1"),
            std::string::npos)
      << inside;
}

TEST(PhylipBinary, FailsRatherThanStoreBeyondFiveThousandCharacters) {
  Read full = ReadBinary("1 5000\r\nA           " + std::string(5000, '1') + "\r\n");
  EXPECT_EQ(full.status, ReadStatus::kOk);
  EXPECT_EQ(full.data->Matrix(1, 5000), 1.0f);
  // Extra values past NChar are kept only within the capacity.
  const std::string over = FailureText("1 10\r\nA           " + std::string(5001, '0') + "\r\n");
  EXPECT_NE(over.find("beyond character 5000"), std::string::npos) << over;
  EXPECT_NE(FailureText("1 4999\r\nA           " + std::string(4998, '0') + "\r\n" +
                        std::string(3, '1') + "\r\n")
                .find("beyond character 5000"),
            std::string::npos);
}

TEST(PhylipQuant, CutsPiecesAtSpacesAndTabs) {
  Read read = ReadQuant(
      "2 4\r\n"
      "Alpha       1.5?  -2.5E1 - .25\r\n"
      "Beta        1.5\t2\t?\r\n"
      "7 1e3\r\n");
  ASSERT_EQ(read.status, ReadStatus::kOk);
  EXPECT_EQ(RowOf(*read.data, 1, 4), (std::vector<float>{1.5f, -9999, -25, 0.25f}))
      << "a piece with a number and a question mark gives both; empty pieces and a lone minus "
         "are skipped";
  EXPECT_EQ(RowOf(*read.data, 2, 5), (std::vector<float>{1.5f, 2, -9999, 7, 1000}))
      << "a tab separates like a space";
}

TEST(PhylipQuant, FailsOnValuesBeyondTheProgramsNumbers) {
  try {
    ReadQuant("1 2\r\nA           1e39 2\r\n");
    FAIL();
  } catch (const ReadFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("1e39"), std::string::npos) << failure.what();
  }
}

TEST(PhylipDataSets, ReadsOneAfterAnotherFromOneInput) {
  ItemReader in = ItemReader::FromText(
      "2 2\r\nA           01\r\nB           10\r\n\r\n"
      "2 3\r\nC           111\r\nD           000\r\n",
      "sets.phy");
  DataSet data;
  ASSERT_EQ(ReadPhylipBinary(in, data), ReadStatus::kOk);
  EXPECT_LT(in.Position(), in.Length());
  ASSERT_EQ(ReadPhylipBinary(in, data), ReadStatus::kOk) << "the empty line is skipped";
  EXPECT_EQ(data.NChar, 3);
  EXPECT_EQ(data.OtuName[1], "C           ");
  EXPECT_EQ(RowOf(data, 2, 3), (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(in.DataSetNumber(), 2);
  EXPECT_TRUE(in.AtEnd());
  EXPECT_EQ(in.Position(), in.Length());

  ItemReader again = ItemReader::FromText("1 1\r\nA           1\r\n\r\n-2 1\r\n");
  ASSERT_EQ(ReadPhylipBinary(again, data), ReadStatus::kOk);
  EXPECT_TRUE(FurtherDataSetFollows(again)) << "any value other than 0 counts";

  ItemReader trailing = ItemReader::FromText("1 1\r\nA           1\r\n\r\n0\r\ntext\r\n");
  ASSERT_EQ(ReadPhylipBinary(trailing, data), ReadStatus::kOk);
  EXPECT_FALSE(FurtherDataSetFollows(trailing)) << "items of value 0 are not a header";
}

}  // namespace
}  // namespace marbleset

namespace marbleset {
namespace {

TEST(PhylipHostileInput, ReadsHugeOddLinesWithoutCrashOrSlowdown) {
  // A header preceded by a megabyte of blanks, and one whose first field is a megabyte of
  // "0 " (spaces inside a number are ignored, so the OTU count only ends after the "1").
  Read blanks = ReadBinary(std::string(1 << 20, ' ') + "1 2\r\nA           01\r\n");
  EXPECT_EQ(blanks.status, ReadStatus::kOk);
  Read zeros = ReadBinary("0 " + std::string(1 << 20, '0') + " 1 2\r\nA           01\r\n");
  EXPECT_EQ(zeros.status, ReadStatus::kOk);
  EXPECT_EQ(zeros.data->NOtu, 1);
  EXPECT_EQ(zeros.data->NChar, 2);
  Read spaced = ReadBinary("1" + std::string(1 << 20, ' ') + "2\r\nA           01\r\n");
  EXPECT_EQ(spaced.status, ReadStatus::kOk);
  EXPECT_EQ(spaced.data->NChar, 2);

  // Names of any bytes, NUL included, and a megabyte data line.
  const std::string name("N\0\xff\"ame,   ", 12);
  Read odd =
      ReadBinary("1 3\r\n" + name.substr(0, 3) + "x" + std::string(1 << 20, 'z') + "101\r\n");
  EXPECT_EQ(odd.status, ReadStatus::kOk);
  EXPECT_EQ(odd.data->OtuName[1].substr(0, 3), name.substr(0, 3));
  EXPECT_EQ(RowOf(*odd.data, 1, 3), (std::vector<float>{1, 0, 1}));
}

}  // namespace
}  // namespace marbleset
