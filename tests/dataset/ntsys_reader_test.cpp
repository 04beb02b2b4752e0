#include "dataset/ntsys_reader.h"

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
  ItemReader in = ItemReader::FromText(text, "test.nts");
  read.status = ReadNtsysBinary(in, *read.data);
  return read;
}

Read ReadQuant(const std::string& text) {
  Read read;
  ItemReader in = ItemReader::FromText(text, "test.nts");
  read.status = ReadNtsysQuant(in, *read.data);
  return read;
}

std::vector<float> ColumnOf(const DataSet& data, int character, int count) {
  std::vector<float> values;
  for (int i = 1; i <= count; ++i) values.push_back(data.Matrix(i, character));
  return values;
}

TEST(NtsysHeader, ReadsTypeCountsAndMissingCodeOrReportsTheFault) {
  const std::string body = "A B C\r\n0 1 1\r\n1 0 0\r\n0 0 1\r\n1 1 1\r\n";
  Read read = ReadBinary("title\r\n1 4L 3L 0\r\n" + body);
  ASSERT_EQ(read.status, ReadStatus::kOk);
  EXPECT_EQ(read.data->NChar, 4);
  EXPECT_EQ(read.data->NOtu, 3);
  EXPECT_EQ(read.data->MissingValue, 2.0f);
  EXPECT_EQ(read.data->OtuName[1], "A           ");
  EXPECT_EQ(ColumnOf(*read.data, 4, 3), (std::vector<float>{1, 1, 1}));

  EXPECT_EQ(ReadBinary("2 4 3 0\r\n" + body).status, ReadStatus::kWrongMatrixType);
  EXPECT_EQ(ReadBinary("1\r\n" + body).status, ReadStatus::kNoDeclarations);
  EXPECT_EQ(ReadBinary("1.5\r\n" + body).status, ReadStatus::kWrongMatrixType);
  EXPECT_EQ(ReadBinary("1 4\r\n" + body).status, ReadStatus::kNoCharCount);
  EXPECT_EQ(ReadBinary("1 4 3\r\n" + body).status, ReadStatus::kNoOtuCount);
  EXPECT_EQ(ReadQuant("1 4 3 1 -999\r\n" + body).data->MissingValue, -999.0f);
  EXPECT_EQ(ReadQuant("1 4 3 1\r\n" + body).data->MissingValue, 0.0f);
  EXPECT_EQ(ReadQuant("1 4 3 0 9\r\n" + body).data->MissingValue, -9999.0f);
  EXPECT_THROW(ReadBinary("1 4 1001 0\r\n" + body), ReadFailure);
  EXPECT_THROW(ReadBinary("1 5001 3 0\r\n" + body), ReadFailure);
}

TEST(NtsysLabels, SplitAtSingleSpacesAndLinesAndPadToTwelve) {
  Read read = ReadBinary(
      "1 1 5 0\r\n"
      "Alpha  Gamma AVeryLongLabelName\r\n"
      "Epsilon\r\n"
      "0 1 0 1 1 0\r\n");
  ASSERT_EQ(read.status, ReadStatus::kOk);
  const std::vector<std::string> names(read.data->OtuName.begin() + 1,
                                       read.data->OtuName.begin() + 6);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha       ", "            ", "Gamma       ",
                                             "AVeryLongLab", "Epsilon     "}))
      << "two spaces make an empty label; a new line starts a new label";
  EXPECT_EQ(ReadBinary("1 2 3 0\r\nA B C").status, ReadStatus::kLabelsIncomplete);
  EXPECT_THROW(ReadBinary("1 1 1000 0\r\nx" + std::string(1001, ' ') + "y\r\n1\r\n"), ReadFailure)
      << "labels beyond the capacity";
}

TEST(NtsysBinary, TakesDigitsAloneAndTheDeclaredMissingDigit) {
  Read nine = ReadBinary("1 2 4 1 9\r\nA B C D\r\n0 9 ? 1 5 1\r\n01 91\r\n");
  ASSERT_EQ(nine.status, ReadStatus::kOk);
  EXPECT_EQ(nine.data->MissingValue, 9.0f);
  EXPECT_EQ(ColumnOf(*nine.data, 1, 4), (std::vector<float>{0, 9, 1, 1}))
      << "9 is missing, ? and other digits are skipped";
  EXPECT_EQ(ColumnOf(*nine.data, 2, 4), (std::vector<float>{0, 1, 9, 1}));
  EXPECT_EQ(nine.data->Quantitative, 0);

  EXPECT_EQ(ReadBinary("1 3 2 0\r\nA B\r\n0 1\r\n1 0\r\n").status, ReadStatus::kDataIncomplete);
  EXPECT_EQ(ReadBinary("1 2 2 0\r\nA B\r\n0 1\r\n1\r\n").status, ReadStatus::kOk)
      << "binary rows are not counted";
  EXPECT_THROW(ReadBinary("1 1 2 0\r\nA B\r\n" + std::string(1001, '1') + "\r\n"), ReadFailure);
}

TEST(NtsysQuant, CutsAtSpacesAndTabsAndChecksTheLastRow) {
  Read read = ReadQuant("1 2 3 1 -9\r\nA B C\r\n1.5\t2 -9\r\n? 3 4 5\r\n");
  EXPECT_EQ(read.status, ReadStatus::kOk);
  EXPECT_EQ(ColumnOf(*read.data, 1, 3), (std::vector<float>{1.5f, 2, -9}));
  EXPECT_EQ(ColumnOf(*read.data, 2, 4), (std::vector<float>{3, 4, 5, 0}));
  Read short_last = ReadQuant("1 2 3 0\r\nA B C\r\n1 2\r\n3 4\r\n");
  EXPECT_EQ(short_last.status, ReadStatus::kDataIncomplete);
  EXPECT_EQ(short_last.data->Quantitative, 0) << "a failed read does not set the kind";
  EXPECT_EQ(ReadQuant("1 2 3 0\r\nA B C\r\n1 2\r\n3 4 5\r\n").data->Quantitative, 1);
}

}  // namespace
}  // namespace marbleset
