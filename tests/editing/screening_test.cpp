#include "editing/screening.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data_builders.h"

namespace marbleset {
namespace {

using testing::BinaryData;
using testing::Field;

// The rows of the data as texts of 0, 1 and ?, for comparing whole matrices at a glance.
std::vector<std::string> Rows(const DataSet& data) {
  std::vector<std::string> rows;
  for (int i = 1; i <= data.NOtu; ++i) {
    std::string row;
    for (int k = 1; k <= data.NChar; ++k) {
      const float value = data.Matrix(i, k);
      row += data.IsMissing(value) ? '?' : static_cast<char>('0' + static_cast<int>(value));
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> Names(const DataSet& data) {
  return {data.OtuName.begin() + 1, data.OtuName.begin() + 1 + data.NOtu};
}

TEST(Screening, CharacterClassesOverFourOtus) {
  // Characters (columns): 111?  0111  0011  0???  ????  0101
  const auto data = BinaryData({"A", "B", "C", "D"}, {"1000?0", "110??1", "111??0", "?11??1"});
  const std::vector<bool> monomorphic = {true, false, false, true, true, false};
  const std::vector<bool> uninformative = {false, true, false, true, false, false};
  const std::vector<int> missing = {1, 0, 0, 3, 4, 0};
  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(IsMonomorphic(*data, k), monomorphic[k - 1]);
    EXPECT_EQ(IsUninformative(*data, k), uninformative[k - 1]);
    EXPECT_EQ(CharMissingCount(*data, k), missing[k - 1]);
  }
  EXPECT_EQ(OtuMissingCount(*data, 1), 1);
  EXPECT_EQ(OtuMissingCount(*data, 2), 2);
  EXPECT_EQ(OtuMissingCount(*data, 3), 2);
  EXPECT_EQ(OtuMissingCount(*data, 4), 3);

  const CropCounts counts = CountCropProperties(*data);
  EXPECT_EQ(counts.NMonomorphic, 3);
  EXPECT_EQ(counts.NUninformative, 2);
  EXPECT_EQ(counts.NCharMissing, 3);
  EXPECT_EQ(counts.NOtuMissing, 4);
  EXPECT_EQ(CropCountsText(counts),
            "Number of monomorphic characters: 3\r\n"
            "Number of uninformative characters: 2\r\n"
            "Number of characters with missing data: 3\r\n"
            "Number of OTUs with missing data: 4\r\n");
}

TEST(Screening, CleanDataCountsNothingAndLosesNothing) {
  auto data = BinaryData({"A", "B", "C", "D"}, {"0011", "0101", "1010", "1100"});
  const CropCounts counts = CountCropProperties(*data);
  EXPECT_EQ(CropCountsText(counts),
            "Number of monomorphic characters: 0\r\n"
            "Number of uninformative characters: 0\r\n"
            "Number of characters with missing data: 0\r\n"
            "Number of OTUs with missing data: 0\r\n");
  ApplyCrop(*data, {true, true, true, true});
  EXPECT_EQ(Rows(*data), (std::vector<std::string>{"0011", "0101", "1010", "1100"}));
}

TEST(Screening, RemovingMonomorphicKeepsTheOthersInOrder) {
  // Characters 1, 2 and 5 are monomorphic; 3 and 4 are not.
  auto data = BinaryData({"A", "B", "C"}, {"11011", "1?101", "11011"});
  EXPECT_EQ(RemoveMonomorphicCharacters(*data), 3);
  EXPECT_EQ(data->NChar, 2);
  EXPECT_EQ(Rows(*data), (std::vector<std::string>{"01", "10", "01"}));
  EXPECT_EQ(data->NOtu, 3);
}

TEST(Screening, RemovalsRunInTheirFixedOrder) {
  // 1: 0000? monomorphic; 2: 01000 uninformative; 3: 0???? monomorphic and uninformative;
  // 4: 0011? informative with a missing entry; 5: 00111 clean.
  const std::vector<std::string> rows = {"00000", "01?00", "00?11", "00?11", "?0??1"};
  const std::vector<std::string> names = {"A", "B", "C", "D", "E"};
  {
    // Both character boxes: the character that is both goes in the first pass.
    auto data = BinaryData(names, rows);
    EXPECT_EQ(RemoveMonomorphicCharacters(*data), 2);
    EXPECT_EQ(RemoveUninformativeCharacters(*data), 1);
    EXPECT_EQ(Rows(*data), (std::vector<std::string>{"00", "00", "11", "11", "?1"}));
  }
  {
    // Characters and OTUs with missing entries: after the character pass no OTU has one left.
    auto data = BinaryData(names, rows);
    ApplyCrop(*data, {false, false, true, true});
    EXPECT_EQ(data->NOtu, 5);
    EXPECT_EQ(Rows(*data), (std::vector<std::string>{"00", "10", "01", "01", "01"}));
  }
  {
    // OTUs alone: only A stays; the characters it leaves monomorphic stay.
    auto data = BinaryData(names, rows);
    ApplyCrop(*data, {false, false, false, true});
    EXPECT_EQ(Names(*data), (std::vector<std::string>{Field("A")}));
    EXPECT_EQ(Rows(*data), (std::vector<std::string>{"00000"}));
    EXPECT_EQ(CountCropProperties(*data).NMonomorphic, 5);
  }
  {
    // Monomorphic removal then OTUs: only E, missing at the former character 4, goes.
    auto data = BinaryData(names, rows);
    ApplyCrop(*data, {true, false, false, true});
    EXPECT_EQ(Names(*data),
              (std::vector<std::string>{Field("A"), Field("B"), Field("C"), Field("D")}));
    EXPECT_EQ(Rows(*data), (std::vector<std::string>{"000", "100", "011", "011"}));
  }
  {
    // Every box: nothing of the data is left but the OTUs.
    auto data = BinaryData(names, {"01", "01", "10", "10", "11"});
    ApplyCrop(*data, {true, true, true, true});
    EXPECT_EQ(data->NChar, 2);
    auto all_gone = BinaryData(names, rows);
    ApplyCrop(*all_gone, {true, true, true, true});
    EXPECT_EQ(all_gone->NChar, 1);
    all_gone = BinaryData({"A", "B"}, {"01", "11"});
    ApplyCrop(*all_gone, {true, true, false, false});
    EXPECT_EQ(all_gone->NChar, 0);
    EXPECT_EQ(all_gone->NOtu, 2);
    EXPECT_EQ(CountCropProperties(*all_gone).NMonomorphic, 0);
  }
}

TEST(Screening, SingleRemovalsShiftTheRest) {
  auto data = BinaryData({"A", "B", "C"}, {"01?3", "1?01", "?110"});
  RemoveCharacter(*data, 2);
  EXPECT_EQ(Rows(*data), (std::vector<std::string>{"0?3", "101", "?10"}));
  RemoveCharacter(*data, 3);
  EXPECT_EQ(Rows(*data), (std::vector<std::string>{"0?", "10", "?1"}));
  RemoveOtu(*data, 1);
  EXPECT_EQ(Names(*data), (std::vector<std::string>{Field("B"), Field("C")}));
  EXPECT_EQ(Rows(*data), (std::vector<std::string>{"10", "?1"}));
  RemoveOtu(*data, 2);
  EXPECT_EQ(Names(*data), (std::vector<std::string>{Field("B")}));
  EXPECT_THROW(RemoveOtu(*data, 2), std::out_of_range);
  EXPECT_THROW(RemoveCharacter(*data, 0), std::out_of_range);
}

// The removals as a walk over the positions with one shift per removed character or OTU;
// the one-pass compactions must leave exactly the same data.
void CropByShifting(DataSet& data, const CropChoice& choice) {
  const auto walk_characters = [&data](auto test) {
    for (int k = 1; k <= data.NChar;) {
      if (test(k)) {
        RemoveCharacter(data, k);
      } else {
        ++k;
      }
    }
  };
  if (choice.monomorphic) walk_characters([&](int k) { return IsMonomorphic(data, k); });
  if (choice.uninformative) walk_characters([&](int k) { return IsUninformative(data, k); });
  if (choice.characters_with_missing) {
    walk_characters([&](int k) { return CharMissingCount(data, k) > 0; });
  }
  if (choice.otus_with_missing) {
    for (int i = 1; i <= data.NOtu;) {
      if (OtuMissingCount(data, i) > 0) {
        RemoveOtu(data, i);
      } else {
        ++i;
      }
    }
  }
}

TEST(Screening, OnePassRemovalsAgreeWithShiftingOnRandomData) {
  std::mt19937 random(20240611);
  DataSet plain;
  DataSet fast;
  for (int round = 0; round < 200; ++round) {
    const int notu = 1 + static_cast<int>(random() % 12);
    const int nchar = 1 + static_cast<int>(random() % 60);
    std::vector<std::string> names;
    std::vector<std::string> rows;
    for (int i = 0; i < notu; ++i) {
      names.push_back("OTU" + std::to_string(i));
      std::string row;
      for (int k = 0; k < nchar; ++k) row += "0011?"[random() % (round % 2 ? 4 : 5)];
      rows.push_back(row);
    }
    testing::FillBinary(&plain, names, rows);
    CropCounts expected;
    for (int i = 1; i <= notu; ++i) expected.NOtuMissing += OtuMissingCount(plain, i) > 0;
    for (int k = 1; k <= nchar; ++k) {
      expected.NMonomorphic += IsMonomorphic(plain, k);
      expected.NUninformative += IsUninformative(plain, k);
      expected.NCharMissing += CharMissingCount(plain, k) > 0;
    }
    EXPECT_EQ(CropCountsText(CountCropProperties(plain)), CropCountsText(expected));

    const unsigned boxes = random() % 16;
    const CropChoice choice{(boxes & 1) != 0, (boxes & 2) != 0, (boxes & 4) != 0, (boxes & 8) != 0};
    testing::FillBinary(&fast, names, rows);
    CropByShifting(plain, choice);
    ApplyCrop(fast, choice);
    EXPECT_EQ(Names(fast), Names(plain)) << "round " << round;
    EXPECT_EQ(Rows(fast), Rows(plain)) << "round " << round;
  }
}

}  // namespace
}  // namespace marbleset
