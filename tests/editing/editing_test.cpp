#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "editing/screening.h"
#include "formats/data_writer.h"
#include "formats/item_reader.h"
#include "formats/ntsys_reader.h"
#include "formats/phylip_reader.h"

namespace marbleset {
namespace {

// A data set whose cell (i, k) is cell(i, k), its OTUs named T0, T1, ...
template <typename Cell>
DataSet CellData(bool quantitative, std::size_t otus, std::size_t characters, float missing,
                 Cell cell) {
  DataSet data;
  data.Resize(quantitative ? DataKind::kQuantitative : DataKind::kBinary, otus, characters,
              missing);
  for (std::size_t i = 0; i < otus; ++i) {
    char name[24];  // printed, not concatenated: GCC 12 warns wrongly on the temporaries
    std::snprintf(name, sizeof name, "T%zu", i);
    data.otuNames[i] = name;
    for (std::size_t k = 0; k < characters; ++k) data.SetValue(i, k, cell(i, k));
  }
  return data;
}

using Texts = std::vector<std::string>;

// Binary data from one text per OTU: 0, 1, ? for missing, and 5 for another value; names held
// as given.
DataSet BinaryData(const Texts& names, const Texts& rows, float missingValue = 2.0f) {
  DataSet data = CellData(false, rows.size(), rows.empty() ? 0 : rows[0].size(), missingValue,
                          [&](std::size_t i, std::size_t k) {
                            const char c = rows[i][k];
                            return c == '?' ? missingValue : static_cast<float>(c - '0');
                          });
  data.otuNames = names;
  return data;
}

// Each OTU as "name:row", the name without trailing blanks, the row in 0, 1, ? and x (other).
Texts Rows(const DataSet& data) {
  Texts rows;
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    const std::string& name = data.otuNames[i];
    rows.push_back(name.substr(0, name.find_last_not_of(' ') + 1) + ":");
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      const float value = data.Value(i, k);
      rows.back() += data.IsMissing(i, k) ? '?' : value == 0.0f ? '0' : value == 1.0f ? '1' : 'x';
    }
  }
  return rows;
}

std::string Written(const DataSet& data, void (*write)(const DataSet&, TextSink&)) {
  std::ostringstream text;
  TextSink sink(text);
  write(data, sink);
  sink.Flush();
  return text.str();
}

std::string Saved(const DataSet& data, bool ntsys) {
  using Write = void (*)(const DataSet&, TextSink&);
  return Written(data, ntsys ? Write(WriteNtsysData) : Write(WritePhylipData));
}

// n copies of the token with a line break after every per-th and after the last.
std::string Wrapped(const std::string& token, int n, int per) {
  std::string text;
  for (int k = 1; k <= n; ++k) text += token + (k % per == 0 || k == n ? "\r\n" : "");
  return text;
}

TEST(ValueToken, FixedAndExponentForms) {
  // clang-format off
  const std::pair<float, const char*> cases[] = {
      {-0.0f, " 0"}, {-9999.0f, " -9999"}, {0.25f, " .25"}, {-3.5f, " -3.5"},
      {1.0f / 3.0f, " .3333333"}, {1234.5678f, " 1234.568"}, {2.9999998f, " 3"},
      {16777217.0f, " 16777216"}, {9999998976.0f, " 9999998976"}, {1e10f, " 1E+10"},
      {-1.5e12f, " -1.5E+12"}, {0.0001f, " .0001"}, {0.00012345678f, " .0001234568"},
      {-0.0009999999f, " -.0009999999"}, {0.00009999999f, " 9.999999E-05"},
      {1.5e-8f, " 1.5E-08"}, {std::numeric_limits<float>::denorm_min(), " 1.401298E-45"},
      {std::numeric_limits<float>::lowest(), " -3.402823E+38"}};
  // clang-format on
  for (const auto& [value, token] : cases) EXPECT_EQ(ValueToken(value), token) << value;
  EXPECT_LE(ValueToken(-1.234567e-38f).size(), kMaxValueTokenLength);
}

TEST(WritePhylipData, NamesValuesAndRowsBrokenAfter200Tokens) {
  // A full field with inner blanks, a short one padded, a blank one as "_" (readers skip blanks).
  EXPECT_EQ(Saved(BinaryData({"lead  inner ", "short", ""}, {"01?", "110", "?01"}), false),
            " 3 3\r\nlead  inner  0 1 ?\r\nshort        1 1 0\r\n_            ? 0 1\r\n");
  for (int n : {200, 201, 401}) {
    EXPECT_EQ(Saved(BinaryData({"A", "B"}, {std::string(n, '1'), std::string(n, '0')}), false),
              " 2 " + std::to_string(n) + "\r\nA           " + Wrapped(" 1", n, 200) +
                  "B           " + Wrapped(" 0", n, 200));
  }
  // Another value keeps its token; a data set without characters writes the header alone.
  EXPECT_EQ(Saved(BinaryData({"O"}, {"0510"}), false), " 1 4\r\nO            0 5 1 0\r\n");
  EXPECT_EQ(Saved(BinaryData({"A", "B"}, {"", ""}), false), " 2 0\r\n");
}

// The plain writer: every cell through DataSet::Value and PhylipRowWriter::Value.
TEST(PhylipRowWriter, BitsAgreeWithCellByCellOnRandomPlanes) {
  std::mt19937 random(97);
  for (int round = 0; round < 300; ++round) {
    const std::size_t otus = 1 + random() % 5;
    const std::size_t characters = random() % 3 == 0 ? random() % 700 : 60 + random() % 140;
    const float missing = std::vector<float>{2.0f, 0.0f, 1.0f, 9.0f}[random() % 4];
    const bool others = round % 3 == 0;
    const DataSet data = CellData(false, otus, characters, missing, [&](auto, auto) {
      const unsigned pick = random() % 20;
      return pick < 2   ? missing
             : pick < 3 ? (others ? -1.25f * static_cast<float>(random() % 9) : 0.0f)
                        : static_cast<float>(pick % 2);
    });
    EXPECT_EQ(Written(data, WritePhylipData), Written(data, WritePhylipDataByCell))
        << "round " << round << ": " << otus << " x " << characters;
    // Bits begun anywhere on a line: after a few tokens, with the planes read from cell 0.
    std::ostringstream fast, plain;
    TextSink fastSink(fast), plainSink(plain);
    PhylipRowWriter fastRows(fastSink, missing), plainRows(plainSink, missing);
    const std::size_t lead = random() % 260;
    for (auto* rows : {&fastRows, &plainRows}) {
      rows->BeginRow("lead");
      for (std::size_t t = 0; t < lead; ++t) rows->Token(" 1");
    }
    fastRows.Bits(data.OnesRow(0), data.MissingRow(0), data.OtherRow(0), characters,
                  [&data](std::size_t k) { return data.Value(0, k); });
    for (std::size_t k = 0; k < characters; ++k) {
      data.IsMissing(0, k) ? plainRows.Token(" ?") : plainRows.Value(data.Value(0, k));
    }
    fastRows.EndRow(), plainRows.EndRow();
    fastSink.Flush(), plainSink.Flush();
    EXPECT_EQ(fast.str(), plain.str()) << "round " << round << ", lead " << lead;
  }
}

TEST(WriteNtsysData, OneLabelPerNameAndLabelLinesOfTwenty) {
  // Leading blanks go; inner blanks and empty names would split or move the labels.
  const DataSet data =
      BinaryData({"  lead", "Homo sapiens", "            ", "x  y"}, {"01?", "110", "?01", "000"});
  EXPECT_EQ(Saved(data, true),
            "1 3 4L 1 2\r\nlead Homo_sapiens _ x__y \r\n 0 1 2 0\r\n 1 1 0 0\r\n 2 0 1 0\r\n");
  for (int notu : {20, 21, 41}) {
    EXPECT_EQ(Saved(BinaryData(Texts(notu, "O"), Texts(notu, "01")), true),
              "1 2 " + std::to_string(notu) + "L 1 2\r\n" + Wrapped("O ", notu, 20) +
                  Wrapped(" 0", notu, notu) + Wrapped(" 1", notu, notu));
  }
}

TEST(WriteNtsysData, TransposedBlocksAgreeWithCellByCell) {
  std::mt19937 random(5);
  // Shapes around the 64-bit block edges in both directions, missing codes of one character
  // and longer, other values, and quantitative data.
  const std::pair<std::size_t, std::size_t> shapes[] = {{1, 1},   {63, 65}, {64, 64}, {65, 63},
                                                        {130, 7}, {3, 200}, {200, 3}, {129, 129},
                                                        {0, 5},   {5, 0},   {70, 300}};
  for (const auto& [otus, characters] : shapes) {
    for (int variant = 0; variant < 5; ++variant) {
      const bool quantitative = variant == 4;
      const float missing = std::vector<float>{2.0f, 0.0f, -9.0f, 2.0f, -9999.0f}[variant];
      const DataSet data = CellData(quantitative, otus, characters, missing, [&](auto, auto) {
        const unsigned pick = random() % 10;
        float value = pick == 0 ? missing : static_cast<float>(pick % 2);
        if (variant == 3 && pick == 9) value = 7.0f;
        if (quantitative && pick > 5) value = static_cast<float>(random() % 1000) / 8.0f;
        return value;
      });
      EXPECT_EQ(Written(data, WriteNtsysData), Written(data, WriteNtsysDataByCell))
          << otus << " x " << characters << ", variant " << variant;
    }
  }
}

// The data set as saved in PHYLIP or NTSYS and read back.
DataSet ReadBack(const DataSet& saved, bool ntsys) {
  DataSet data;
  ItemReader in = ItemReader::FromText(Saved(saved, ntsys));
  const auto read = ntsys ? (saved.IsQuantitative() ? ReadNtsysQuant : ReadNtsysBinary)
                          : (saved.IsQuantitative() ? ReadPhylipQuant : ReadPhylipBinary);
  EXPECT_EQ(read(in, data, nullptr), ReadStatus::kOk);
  return data;
}

bool SameCells(const DataSet& a, const DataSet& b) {
  if (a.OtuCount() != b.OtuCount() || a.CharCount() != b.CharCount()) return false;
  for (std::size_t i = 0; i < a.OtuCount(); ++i) {
    for (std::size_t k = 0; k < a.CharCount(); ++k) {
      if (a.IsMissing(i, k) != b.IsMissing(i, k)) return false;
      if (!a.IsMissing(i, k) && a.Value(i, k) != b.Value(i, k)) return false;
    }
  }
  return true;
}

TEST(RoundTrip, SavedDataReadsBackAsItWas) {
  // 1000 OTUs by 5000 characters; names with digits, states, punctuation; values from 7-digit
  // decimals.
  const char* shapes[] = {"A", "Z.mays-01", "123456789012", "0?1", "x_y(z)", "O'Neil;"};
  std::mt19937 random(11);
  for (bool quantitative : {false, true}) {
    const float missing = quantitative ? -9999.0f : 2.0f;
    DataSet data = CellData(quantitative, 1000, 5000, missing, [&](auto, auto) {
      float value = random() % 20 == 0 ? missing : static_cast<float>(random() % 2);
      if (quantitative && value != missing) {
        const std::string text = std::to_string(static_cast<int>(random() % 20000000) - 10000000) +
                                 "E" + std::to_string(static_cast<int>(random() % 80) - 50);
        std::from_chars(text.data(), text.data() + text.size(), value);
      }
      return value;
    });
    for (std::size_t i = 0; i < 1000; ++i)
      data.otuNames[i] = (shapes[i % 6] + std::to_string(i) + std::string(12, ' ')).substr(0, 12);
    for (bool ntsys : {false, true}) {
      const DataSet back = ReadBack(data, ntsys);
      EXPECT_EQ(back.otuNames, data.otuNames);
      EXPECT_EQ(back.MissingValue(), missing);
      EXPECT_TRUE(SameCells(back, data)) << quantitative << ntsys;
    }
  }
}

TEST(RoundTrip, NtsysMissingCodeZeroStaysMissing) {
  // Quantitative data whose missing code is 0: the header declares it, so a missing entry does
  // not come back as the value 0 (the reader's own default code is -9999).
  DataSet quantitative;
  quantitative.Resize(DataKind::kQuantitative, 2, 3, 0.0f);
  quantitative.otuNames = {"Q1", "Q2"};
  const float values[2][3] = {{1.5f, 0.0f, 3.0f}, {0.0f, 2.0f, -1.0f}};
  for (std::size_t i = 0; i < 2; ++i) {
    for (std::size_t k = 0; k < 3; ++k) quantitative.SetValue(i, k, values[i][k]);
  }
  EXPECT_EQ(Saved(quantitative, true), "1 3 2L 1 0\r\nQ1 Q2 \r\n 1.5 0\r\n 0 2\r\n 3 -1\r\n");
  const DataSet back = ReadBack(quantitative, true);
  EXPECT_EQ(back.MissingValue(), 0.0f);
  EXPECT_TRUE(back.IsMissing(0, 1) && back.IsMissing(1, 0) && !back.IsMissing(0, 0));
  // Binary data with missing code 0 holds no zeros; its missing entries stay missing too.
  const DataSet binary = BinaryData({"B1", "B2"}, {"?1", "1?"}, 0.0f);
  EXPECT_EQ(Saved(binary, true), "1 2 2L 1 0\r\nB1 B2 \r\n 0 1\r\n 1 0\r\n");
  EXPECT_EQ(Rows(ReadBack(binary, true)), (Texts{"B1:?1", "B2:1?"}));
}

TEST(Screening, CharacterAndOtuClasses) {
  // Characters (columns): 111?  0111  0011  0???  ????  0101
  const DataSet data = BinaryData({"A", "B", "C", "D"}, {"1000?0", "110??1", "111??0", "?11??1"});
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(IsMonomorphic(data, k), "100110"[k] == '1') << k;
    EXPECT_EQ(IsUninformative(data, k), "010100"[k] == '1') << k;
    EXPECT_EQ(CharMissingCount(data, k), static_cast<std::size_t>("100340"[k] - '0')) << k;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(OtuMissingCount(data, i), static_cast<std::size_t>("1223"[i] - '0')) << i;
  }
  EXPECT_EQ(CropCountsText(CountCropProperties(data)),
            "Number of monomorphic characters: 3\r\nNumber of uninformative characters: 2\r\n"
            "Number of characters with missing data: 3\r\nNumber of OTUs with missing data: 4\r\n");
  // Another value is in no class: 0 5 1 has one 0 and one 1; 5 5 0 has no 1.
  const DataSet other = BinaryData({"A", "B", "C"}, {"05", "55", "10"});
  const CropCounts counts = CountCropProperties(other);
  EXPECT_EQ(counts.monomorphic, 1u);
  EXPECT_EQ(counts.uninformative, 2u);
  // Cropped data is no longer what its file holds; a crop that removes nothing leaves it so.
  DataSet removed = BinaryData({"A", "B"}, {"0?1", "011"});
  ApplyCrop(removed, {.otusWithMissing = false});
  EXPECT_FALSE(removed.changedSinceRead);
  ApplyCrop(removed, {.monomorphic = true, .charactersWithMissing = true});
  EXPECT_EQ(Rows(removed), (Texts{"A:", "B:"}));
  EXPECT_TRUE(removed.changedSinceRead);
}

// The reference: the crop as the dialog describes it, one removal after another, each judging
// every character (or OTU) cell by cell on what the previous ones left, and the kept cells
// copied one by one into a fresh data set.
DataSet CroppedCellByCell(const DataSet& data, const CropChoice& choice) {
  std::vector<std::size_t> characters, otus;
  for (std::size_t k = 0; k < data.CharCount(); ++k) characters.push_back(k);
  for (std::size_t i = 0; i < data.OtuCount(); ++i) otus.push_back(i);
  const auto states = [&](std::size_t k) {
    std::size_t zeros = 0, ones = 0;
    for (std::size_t i : otus) {
      zeros += !data.IsMissing(i, k) && data.Value(i, k) == 0.0f;
      ones += !data.IsMissing(i, k) && data.Value(i, k) == 1.0f;
    }
    return std::pair(zeros, ones);
  };
  const auto drop = [&characters](auto test) {
    characters.erase(std::remove_if(characters.begin(), characters.end(), test), characters.end());
  };
  if (choice.monomorphic)
    drop([&](std::size_t k) { return states(k).first == 0 || states(k).second == 0; });
  if (choice.uninformative)
    drop([&](std::size_t k) { return states(k).first == 1 || states(k).second == 1; });
  if (choice.charactersWithMissing)
    drop([&](std::size_t k) {
      for (std::size_t i : otus) {
        if (data.IsMissing(i, k)) return true;
      }
      return false;
    });
  if (choice.otusWithMissing) {
    otus.erase(std::remove_if(otus.begin(), otus.end(),
                              [&](std::size_t i) {
                                for (std::size_t k : characters) {
                                  if (data.IsMissing(i, k)) return true;
                                }
                                return false;
                              }),
               otus.end());
  }
  DataSet kept;
  kept.Resize(data.Kind(), otus.size(), characters.size(), data.MissingValue());
  for (std::size_t i = 0; i < otus.size(); ++i) {
    kept.otuNames[i] = data.otuNames[otus[i]];
    for (std::size_t k = 0; k < characters.size(); ++k) {
      kept.SetValue(i, k, data.Value(otus[i], characters[k]));
    }
  }
  return kept;
}

TEST(Screening, OnePassCropAgreesWithRemovalsOneByOneOnRandomData) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    const std::size_t otus = 1 + random() % (round % 5 == 0 ? 140 : 12);
    const std::size_t characters = 1 + random() % (round % 7 == 0 ? 300 : 70);
    const float missing = round % 11 == 0 ? 0.0f : 2.0f;
    const bool quantitative = round % 4 == 3;
    // Sparse states make monomorphic and uninformative characters common.
    const unsigned rare = 2 + random() % 30;
    DataSet data = CellData(quantitative, otus, characters, missing, [&](auto, auto) {
      const unsigned pick = random() % rare;
      return pick == 0                     ? 1.0f
             : pick == 1 && round % 2      ? missing
             : pick == 2 && round % 3 == 0 ? 3.0f
                                           : 0.0f;
    });
    const unsigned box = random() % 16;
    const CropChoice choice{(box & 1) != 0, (box & 2) != 0, (box & 4) != 0, (box & 8) != 0};
    const DataSet expected = CroppedCellByCell(data, choice);
    const CropCounts counts = CountCropProperties(data);
    std::size_t monomorphic = 0, withMissing = 0, otusWithMissing = 0;
    for (std::size_t k = 0; k < characters; ++k) {
      monomorphic += IsMonomorphic(data, k);
      withMissing += CharMissingCount(data, k) > 0;
    }
    for (std::size_t i = 0; i < otus; ++i) otusWithMissing += OtuMissingCount(data, i) > 0;
    EXPECT_EQ(counts.monomorphic, monomorphic);
    EXPECT_EQ(counts.charactersWithMissing, withMissing);
    EXPECT_EQ(counts.otusWithMissing, otusWithMissing);
    ApplyCrop(data, choice);
    EXPECT_EQ(Rows(data), Rows(expected)) << "round " << round << ", boxes " << box;
    EXPECT_TRUE(SameCells(data, expected)) << "round " << round;
  }
}

}  // namespace
}  // namespace marbleset
