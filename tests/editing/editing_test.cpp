#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dataset/errors.h"
#include "dataset/item_reader.h"
#include "dataset/ntsys_reader.h"
#include "dataset/phylip_reader.h"
#include "editing/data_writer.h"
#include "editing/screening.h"

namespace marbleset {
namespace {

using Texts = std::vector<std::string>;

// Binary data from one text of 0, 1 and ? (held as 2) per OTU; names held as given.
void FillBinary(DataSet* data, const Texts& names, const Texts& rows) {
  data->MissingValue = 2.0f;
  data->NOtu = static_cast<int16_t>(rows.size());
  data->NChar = static_cast<int16_t>(rows[0].size());
  for (int i = 1; i <= data->NOtu; ++i) {
    data->OtuName[i] = names[i - 1];
    for (int k = 1; k <= data->NChar; ++k) {
      data->Matrix(i, k) = rows[i - 1][k - 1] == '?' ? 2.0f : rows[i - 1][k - 1] - '0';
    }
  }
}

std::unique_ptr<DataSet> BinaryData(const Texts& names, const Texts& rows) {
  auto data = std::make_unique<DataSet>();
  FillBinary(data.get(), names, rows);
  return data;
}

// Each OTU as "name:row", the name without trailing blanks and the row in 0, 1 and ?.
Texts Rows(const DataSet& data) {
  Texts rows;
  for (int i = 1; i <= data.NOtu; ++i) {
    rows.push_back(data.OtuName[i].substr(0, data.OtuName[i].find_last_not_of(' ') + 1) + ":");
    for (int k = 1; k <= data.NChar; ++k) {
      rows.back() += data.IsMissing(data.Matrix(i, k)) ? '?' : "01"[data.Matrix(i, k) != 0.0f];
    }
  }
  return rows;
}

std::string Saved(const DataSet& data, bool ntsys) {
  std::ostringstream text;
  TextSink sink(text);
  ntsys ? WriteNtsysData(data, sink) : WritePhylipData(data, sink);
  sink.Flush();
  return text.str();
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
  EXPECT_EQ(Saved(*BinaryData({"lead  inner ", "short", ""}, {"01?", "110", "?01"}), false),
            " 3 3\r\nlead  inner  0 1 ?\r\nshort        1 1 0\r\n_            ? 0 1\r\n");
  for (int n : {200, 201, 401}) {
    EXPECT_EQ(Saved(*BinaryData({"A", "B"}, {std::string(n, '1'), std::string(n, '0')}), false),
              " 2 " + std::to_string(n) + "\r\nA           " + Wrapped(" 1", n, 200) +
                  "B           " + Wrapped(" 0", n, 200));
  }
}

TEST(PhylipRowWriter, ValueAndSplitValuesWriteTheSavedText) {
  auto data = BinaryData({"Name"}, {std::string(450, '1')});
  for (int k = 1; k <= 450; k += 3) data->Matrix(1, k) = k == 7 ? 2.0f : 0.0f;
  data->Matrix(1, 261) = -0.25f;
  const float* row = &data->Matrix(1, 1);
  for (float missing : {2.0f, 0.0f}) {
    data->MissingValue = missing;
    const std::string saved = Saved(*data, false);
    EXPECT_EQ(saved.substr(20, 14), missing == 0.0f ? " ? 1 1 ? 1 1 2" : " 0 1 1 0 1 1 ?");
    for (int way = 0; way < 2; ++way) {  // one Value each; whole runs split around a Token
      std::ostringstream text;
      TextSink sink(text);
      PhylipRowWriter rows(sink, missing);
      rows.Header(1, 450);
      rows.BeginRow(data->OtuName[1]);
      for (int k = 0; way == 0 && k < 450; ++k) rows.Value(row[k]);
      if (way == 1) rows.Values(row, 150), rows.Value(row[150]), rows.Token(" 1");
      if (way == 1) rows.Values(row + 152, 298);
      rows.EndRow();
      sink.Flush();
      EXPECT_EQ(text.str(), saved) << way;
    }
  }
}

TEST(WriteNtsysData, OneLabelPerNameAndLabelLinesOfTwenty) {
  // Leading blanks go; inner blanks and empty names would split or move the labels.
  const auto data =
      BinaryData({"  lead", "Homo sapiens", "            ", "x  y"}, {"01?", "110", "?01", "000"});
  EXPECT_EQ(Saved(*data, true),
            "1 3 4L 1 2\r\nlead Homo_sapiens _ x__y \r\n 0 1 2 0\r\n 1 1 0 0\r\n 2 0 1 0\r\n");
  for (int notu : {20, 21, 41}) {
    EXPECT_EQ(Saved(*BinaryData(Texts(notu, "O"), Texts(notu, "01")), true),
              "1 2 " + std::to_string(notu) + "L 1 2\r\n" + Wrapped("O ", notu, 20) +
                  Wrapped(" 0", notu, notu) + Wrapped(" 1", notu, notu));
  }
}

TEST(WriteData, ToFileIsTheSameTextAndFailuresNameThePath) {
  const auto data = BinaryData({"Alpha", "Beta"}, {"0?", "11"});
  const auto path = (std::filesystem::temp_directory_path() / "marbleset_writer.phy").string();
  std::ofstream(path) << "an older and much longer content that must be truncated away";
  WritePhylipData(*data, path);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Saved(*data, false));
  std::filesystem::remove(path);
  try {
    WritePhylipData(*data, path + ".d/out.phy");
    ADD_FAILURE() << "writing into a missing folder must fail";
  } catch (const WriteFailure& failure) {
    EXPECT_EQ(std::string(failure.what()).find(path + ".d/out.phy: "), 0u) << failure.what();
  }
  EXPECT_THROW(WriteNtsysData(*data, path + ".d/out.phy"), WriteFailure);
}

std::unique_ptr<DataSet> ReadBack(const DataSet& saved, bool quant, bool ntsys) {
  auto data = std::make_unique<DataSet>();
  data->MissingValue = quant ? -9999.0f : 2.0f;
  ItemReader in = ItemReader::FromText(Saved(saved, ntsys));
  const auto read = ntsys ? (quant ? ReadNtsysQuant : ReadNtsysBinary)
                          : (quant ? ReadPhylipQuant : ReadPhylipBinary);
  EXPECT_EQ(read(in, *data), ReadStatus::kOk);
  return data;
}

TEST(RoundTrip, SavedDataReadsBackAsItWas) {
  // Full capacity; names with digits, states, punctuation; values as from 7-digit decimals.
  const char* shapes[] = {"A", "Z.mays-01", "123456789012", "0?1", "x_y(z)", "O'Neil;"};
  std::mt19937 random(11);
  for (bool quant : {false, true}) {
    auto data = BinaryData(Texts(kMaxOtu), Texts(kMaxOtu, std::string(kMaxChar, '0')));
    data->MissingValue = quant ? -9999.0f : 2.0f;
    for (int i = 1; i <= kMaxOtu; ++i) {
      data->OtuName[i] = (shapes[i % 6] + std::to_string(i) + std::string(12, ' ')).substr(0, 12);
      for (int k = 1; k <= kMaxChar; ++k) {
        float& value = data->Matrix(i, k);
        value = random() % 20 == 0 ? data->MissingValue : static_cast<float>(random() % 2);
        if (!quant || data->IsMissing(value)) continue;
        const std::string text = std::to_string(static_cast<int>(random() % 20000000) - 10000000) +
                                 "E" + std::to_string(static_cast<int>(random() % 80) - 50);
        std::from_chars(text.data(), text.data() + text.size(), value);
      }
    }
    for (bool ntsys : {false, true}) {
      const auto back = ReadBack(*data, quant, ntsys);
      ASSERT_EQ(std::pair(back->NOtu, back->NChar), std::pair(data->NOtu, data->NChar));
      EXPECT_EQ(back->OtuName, data->OtuName);
      const float* cells = &data->Matrix(0, 0);  // all rows, contiguous
      EXPECT_TRUE(std::equal(cells, cells + (kMaxOtu + 1) * (kMaxChar + 1), &back->Matrix(0, 0)));
    }
  }
  // Inner blanks stay in PHYLIP, become underscores in NTSYS; short and blank names keep places.
  const auto data = BinaryData({"Sp 3 b", "Alpha", ""}, {"01?", "110", "?01"});
  EXPECT_EQ(Rows(*ReadBack(*data, false, false)), (Texts{"Sp 3 b:01?", "Alpha:110", "_:?01"}));
  EXPECT_EQ(Rows(*ReadBack(*data, false, true)), (Texts{"Sp_3_b:01?", "Alpha:110", "_:?01"}));
  // NTSYS declares a missing code other than 0; for 0 the reader's default takes its place.
  const auto quant = BinaryData({"Q1", "Q2"}, {"01", "10"});
  quant->MissingValue = quant->Matrix(2, 1) = -1.5f;
  EXPECT_EQ(ReadBack(*quant, true, true)->MissingValue, -1.5f);
  quant->MissingValue = 0.0f;
  EXPECT_EQ(ReadBack(*quant, true, true)->MissingValue, -9999.0f);
}

TEST(Screening, CharacterAndOtuClasses) {
  // Characters (columns): 111?  0111  0011  0???  ????  0101
  const auto data = BinaryData({"A", "B", "C", "D"}, {"1000?0", "110??1", "111??0", "?11??1"});
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(IsMonomorphic(*data, k), "100110"[k - 1] == '1') << k;
    EXPECT_EQ(IsUninformative(*data, k), "010100"[k - 1] == '1') << k;
    EXPECT_EQ(CharMissingCount(*data, k), "100340"[k - 1] - '0') << k;
  }
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(OtuMissingCount(*data, i), "1223"[i - 1] - '0') << i;
  EXPECT_EQ(CropCountsText(CountCropProperties(*data)),
            "Number of monomorphic characters: 3\r\nNumber of uninformative characters: 2\r\n"
            "Number of characters with missing data: 3\r\nNumber of OTUs with missing data: 4\r\n");
}

TEST(Screening, RemovalsRunInTheirFixedOrder) {
  // Characters 0000? and 0???? are monomorphic, 01000 and 0???? uninformative; 0011? has a gap.
  const std::pair<CropChoice, Texts> cases[] = {
      {{true, true, false, false}, {"A:00", "B:00", "C:11", "D:11", "E:?1"}},
      {{false, false, true, true}, {"A:00", "B:10", "C:01", "D:01", "E:01"}},  // no OTU missing
      {{false, false, false, true}, {"A:00000"}},  // characters left monomorphic stay
      {{true, false, false, true}, {"A:000", "B:100", "C:011", "D:011"}},
      {{true, true, true, true}, {"A:0", "B:0", "C:1", "D:1", "E:1"}}};
  for (const auto& [choice, left] : cases) {
    auto data =
        BinaryData({"A", "B", "C", "D", "E"}, {"00000", "01?00", "00?11", "00?11", "?0??1"});
    ApplyCrop(*data, choice);
    EXPECT_EQ(Rows(*data), left);
  }
}

TEST(Screening, OnePassRemovalsAgreeWithShiftingOnRandomData) {
  std::mt19937 random(20240611);
  DataSet plain, fast;
  for (int round = 0; round < 200; ++round) {
    Texts rows(1 + random() % 12), names(rows.size(), "O");
    const int nchar = 1 + static_cast<int>(random() % 60);
    for (auto& row : rows) {
      for (int k = 0; k < nchar; ++k) row += "0011?"[random() % (round % 2 ? 4 : 5)];
    }
    FillBinary(&plain, names, rows);
    FillBinary(&fast, names, rows);
    const unsigned box = random() % 16;
    const CropChoice choice{(box & 1) != 0, (box & 2) != 0, (box & 4) != 0, (box & 8) != 0};
    ApplyCrop(fast, choice);
    // The reference: one shift per removed character or OTU.
    const auto walk = [&plain](bool on, auto test) {
      for (int k = 1; on && k <= plain.NChar;) test(k) ? RemoveCharacter(plain, k) : void(++k);
    };
    walk(choice.monomorphic, [&](int k) { return IsMonomorphic(plain, k); });
    walk(choice.uninformative, [&](int k) { return IsUninformative(plain, k); });
    walk(choice.characters_with_missing, [&](int k) { return CharMissingCount(plain, k) > 0; });
    for (int i = 1; choice.otus_with_missing && i <= plain.NOtu;) {
      OtuMissingCount(plain, i) > 0 ? RemoveOtu(plain, i) : void(++i);
    }
    EXPECT_EQ(Rows(fast), Rows(plain)) << "round " << round;
  }
}

}  // namespace
}  // namespace marbleset
