#include "editing/data_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "data_builders.h"
#include "dataset/errors.h"

namespace marbleset {
namespace {

using testing::BinaryData;
using testing::Field;
using testing::QuantData;

std::string Phylip(const DataSet& data) {
  std::ostringstream text;
  {
    TextSink sink(text);
    WritePhylipData(data, sink);
    sink.Flush();
  }
  return text.str();
}

std::string Ntsys(const DataSet& data) {
  std::ostringstream text;
  {
    TextSink sink(text);
    WriteNtsysData(data, sink);
    sink.Flush();
  }
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "text must end with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

int TokenCount(const std::string& line) {
  int count = 0;
  for (char c : line) count += c == ' ';
  return count;
}

TEST(ValueToken, WholeNumbersFractionsAndTheirSigns) {
  EXPECT_EQ(ValueToken(0.0f), " 0");
  EXPECT_EQ(ValueToken(-0.0f), " 0");
  EXPECT_EQ(ValueToken(1.0f), " 1");
  EXPECT_EQ(ValueToken(12.0f), " 12");
  EXPECT_EQ(ValueToken(-9999.0f), " -9999");
  EXPECT_EQ(ValueToken(100.0f), " 100");
  EXPECT_EQ(ValueToken(0.25f), " .25");
  EXPECT_EQ(ValueToken(-0.5f), " -.5");
  EXPECT_EQ(ValueToken(12.5f), " 12.5");
  EXPECT_EQ(ValueToken(-3.5f), " -3.5");
  EXPECT_EQ(ValueToken(1.0f / 3.0f), " .3333333");
  EXPECT_EQ(ValueToken(2.0f / 3.0f), " .6666667");
  EXPECT_EQ(ValueToken(0.1f), " .1");
  EXPECT_EQ(ValueToken(-0.001f), " -.001");
  EXPECT_EQ(ValueToken(1234.5678f), " 1234.568");
  EXPECT_EQ(ValueToken(-98765.4321f), " -98765.43");
  // A fraction that rounds to a whole number at 7 digits loses its point altogether.
  EXPECT_EQ(ValueToken(2.9999998f), " 3");
  EXPECT_EQ(ValueToken(std::nextafter(1.0f, 0.0f)), " .9999999");
  EXPECT_EQ(ValueToken(8388607.5f), " 8388608");
}

TEST(ValueToken, LargeAndSmallMagnitudes) {
  // Whole numbers are written in full up to ten digits, so they read back exactly.
  EXPECT_EQ(ValueToken(1e7f), " 10000000");
  EXPECT_EQ(ValueToken(12345678.0f), " 12345678");
  EXPECT_EQ(ValueToken(16777217.0f), " 16777216");  // the float itself holds 16777216
  EXPECT_EQ(ValueToken(-123456792.0f), " -123456792");
  EXPECT_EQ(ValueToken(9999998976.0f), " 9999998976");
  // From 1E+10 on, exponent notation with 7 significant digits.
  EXPECT_EQ(ValueToken(1e10f), " 1E+10");
  EXPECT_EQ(ValueToken(1e20f), " 1E+20");
  EXPECT_EQ(ValueToken(-1.5e12f), " -1.5E+12");
  EXPECT_EQ(ValueToken(std::numeric_limits<float>::max()), " 3.402823E+38");
  // Fixed down to 1E-04, exponent below.
  EXPECT_EQ(ValueToken(0.0001f), " .0001");
  EXPECT_EQ(ValueToken(0.00012345678f), " .0001234568");
  EXPECT_EQ(ValueToken(-std::nextafter(0.001f, 0.0f)), " -.0009999999");
  EXPECT_EQ(ValueToken(0.00009999999f), " 9.999999E-05");
  EXPECT_EQ(ValueToken(1e-5f), " 1E-05");
  EXPECT_EQ(ValueToken(1.5e-8f), " 1.5E-08");
  EXPECT_EQ(ValueToken(-2.5e-30f), " -2.5E-30");
  EXPECT_EQ(ValueToken(std::numeric_limits<float>::denorm_min()), " 1.401298E-45");
  EXPECT_EQ(ValueToken(std::numeric_limits<float>::lowest()), " -3.402823E+38");
  // Every token fits the declared room and holds no blank after the first.
  for (float value : {-1.234567e-38f, -1.234567e38f, -9999999999.0f, -1e-40f}) {
    const std::string token = ValueToken(value);
    EXPECT_LE(token.size(), kMaxValueTokenLength) << token;
    EXPECT_EQ(token.find(' ', 1), std::string::npos) << token;
  }
}

TEST(WritePhylipData, TwoBinaryOtusLineByLine) {
  const auto data = BinaryData({"Alpha", "Beta"}, {"01?", "110"});
  EXPECT_EQ(Phylip(*data),
            " 2 3\r\n"
            "Alpha        0 1 ?\r\n"
            "Beta         1 1 0\r\n");
}

TEST(WritePhylipData, NameFieldsAsHeldAndShortOnesPadded) {
  auto data = BinaryData({"a", "b", "c"}, {"1", "0", "?"});
  data->OtuName[1] = "lead  inner ";  // inner blanks, a full field
  data->OtuName[2] = "short";         // held short, as from a short line: padded to the field
  data->OtuName[3] = "";              // blank: written "_", as the reader skips leading blanks
  EXPECT_EQ(Phylip(*data),
            " 3 1\r\n"
            "lead  inner  1\r\n"
            "short        0\r\n"
            "_            ?\r\n");
}

TEST(WriteNtsysData, EachNameStaysOneLabel) {
  auto data = BinaryData({"a", "b", "c", "d"}, {"1", "0", "?", "1"});
  data->OtuName[1] = "  lead";        // leading blanks go
  data->OtuName[2] = "Homo sapiens";  // an inner blank would split the label
  data->OtuName[3] = "            ";  // an empty label would move the later ones
  data->OtuName[4] = "x  y";
  EXPECT_EQ(Lines(Ntsys(*data))[1], "lead Homo_sapiens _ x__y ");
}

TEST(WritePhylipData, QuantitativeValuesAndMissing) {
  const auto data = QuantData({"Q1", "Q2"}, {{-3.5f, 0.25f, 100.0f}, {-9999.0f, 1.0f, 0.0f}});
  EXPECT_EQ(Phylip(*data),
            " 2 3\r\n"
            "Q1           -3.5 .25 100\r\n"
            "Q2           ? 1 0\r\n");
}

TEST(WritePhylipData, RowsBreakAfterEvery200Tokens) {
  for (int nchar : {1, 199, 200, 201, 400, 401, 450}) {
    SCOPED_TRACE(nchar);
    const auto data = BinaryData({"A", "B"}, {std::string(nchar, '1'), std::string(nchar, '0')});
    const auto lines = Lines(Phylip(*data));
    const int per_row = (nchar + 199) / 200;
    ASSERT_EQ(static_cast<int>(lines.size()), 1 + 2 * per_row);
    for (int row = 0; row < 2; ++row) {
      int total = 0;
      for (int l = 0; l < per_row; ++l) {
        std::string line = lines[1 + row * per_row + l];
        if (l == 0) {
          EXPECT_EQ(line.substr(0, 12), Field(row == 0 ? "A" : "B"));
          line = line.substr(12);
        }
        // Continuation lines start at once with their first token.
        EXPECT_EQ(line.substr(0, 2), row == 0 ? " 1" : " 0");
        const int tokens = TokenCount(line);
        EXPECT_EQ(tokens, l + 1 < per_row ? 200 : nchar - 200 * l);
        EXPECT_EQ(static_cast<int>(line.size()), 2 * tokens);
        total += tokens;
      }
      EXPECT_EQ(total, nchar);
    }
  }
}

TEST(WritePhylipData, NoCharactersWritesTheHeaderOnly) {
  auto data = BinaryData({"Alpha", "Beta"}, {"", ""});
  EXPECT_EQ(Phylip(*data), " 2 0\r\n");
}

TEST(PhylipRowWriter, GeneratorRowsMatchTheSavedLayout) {
  // A generator writes its rows token by token; with identity picks the text is the saved one.
  const auto data = BinaryData({"Alpha", "Beta"}, {std::string(250, '1'), std::string(250, '?')});
  std::ostringstream text;
  {
    TextSink sink(text);
    PhylipRowWriter rows(sink, 2.0f);
    for (int set = 0; set < 2; ++set) {
      rows.Header(data->NOtu, data->NChar);
      for (int i = 1; i <= data->NOtu; ++i) {
        rows.BeginRow(data->OtuName[i]);
        for (int k = 1; k <= data->NChar; ++k) {
          if (k % 2 == 0) {
            rows.Value(data->Matrix(i, k));
          } else {
            rows.Token(i == 1 ? " 1" : " ?");
          }
        }
        rows.EndRow();
      }
    }
  }
  const std::string one = Phylip(*data);
  EXPECT_EQ(text.str(), one + one);
}

TEST(PhylipRowWriter, WholeRowsAndSingleValuesWriteTheSameText) {
  // Binary lines, a line with fractions and a missing code of 0, split across calls anywhere.
  std::vector<float> row(450, 1.0f);
  for (std::size_t k = 0; k < row.size(); k += 3) row[k] = 0.0f;
  row[5] = 2.0f;
  row[260] = -0.25f;
  row[261] = 1e-9f;
  for (float missing : {2.0f, 0.0f}) {
    SCOPED_TRACE(missing);
    const auto write = [&](auto&& body) {
      std::ostringstream text;
      {
        TextSink sink(text);
        PhylipRowWriter rows(sink, missing);
        rows.BeginRow("Name");
        body(rows);
        rows.EndRow();
      }
      return text.str();
    };
    const std::string by_value = write([&](PhylipRowWriter& rows) {
      for (float value : row) rows.Value(value);
    });
    EXPECT_EQ(by_value.substr(12, 12), missing == 0.0f ? " ? 1 1 ? 1 2" : " 0 1 1 0 1 ?");
    EXPECT_NE(by_value.find(" -.25 1E-09"), std::string::npos);
    EXPECT_EQ(write([&](PhylipRowWriter& rows) { rows.Values(row.data(), 450); }), by_value);
    EXPECT_EQ(write([&](PhylipRowWriter& rows) {
                rows.Values(row.data(), 150);
                rows.Value(row[150]);
                rows.Values(row.data() + 151, 299);
              }),
              by_value);
  }
}

TEST(WriteNtsysData, TwoBinaryOtusLineByLine) {
  const auto data = BinaryData({"Alpha", "Beta"}, {"01?", "110"});
  EXPECT_EQ(Ntsys(*data),
            "1 3 2L 1 2\r\n"
            "Alpha Beta \r\n"
            " 0 1\r\n"
            " 1 1\r\n"
            " 2 0\r\n");
}

TEST(WriteNtsysData, QuantitativeHeaderAndMissingCodes) {
  auto data = QuantData({"Q1", "Q2"}, {{-3.5f, 0.25f, 100.0f}, {-9999.0f, 1.0f, 0.0f}});
  EXPECT_EQ(Ntsys(*data),
            "1 3 2L 1 -9999\r\n"
            "Q1 Q2 \r\n"
            " -3.5 -9999\r\n"
            " .25 1\r\n"
            " 100 0\r\n");
  data->MissingValue = 0.0f;
  EXPECT_EQ(Lines(Ntsys(*data))[0], "1 3 2L 0");
  data->MissingValue = -.5f;
  EXPECT_EQ(Lines(Ntsys(*data))[0], "1 3 2L 1 -.5");
}

TEST(WriteNtsysData, LabelLinesOfTwentyAndUnwrappedRows) {
  for (int notu : {1, 19, 20, 21, 25, 40, 41}) {
    SCOPED_TRACE(notu);
    std::vector<std::string> names;
    std::vector<std::string> rows;
    for (int i = 1; i <= notu; ++i) {
      names.push_back("  O" + std::to_string(i));  // leading blanks go in this layout
      rows.push_back("01");
    }
    const auto lines = Lines(Ntsys(*BinaryData(names, rows)));
    const int label_lines = (notu + 19) / 20;
    ASSERT_EQ(static_cast<int>(lines.size()), 1 + label_lines + 2);
    int label = 0;
    for (int l = 0; l < label_lines; ++l) {
      std::string expected;
      for (int n = 0; n < 20 && label < notu; ++n) {
        expected.append("O").append(std::to_string(++label)).append(" ");
      }
      EXPECT_EQ(lines[1 + l], expected);
    }
    EXPECT_EQ(label, notu);
    EXPECT_EQ(TokenCount(lines[1 + label_lines]), notu);
    EXPECT_EQ(lines[1 + label_lines], [&] {
      std::string row;
      for (int i = 0; i < notu; ++i) row += " 0";
      return row;
    }());
  }
}

TEST(WriteData, ToFileIsByteForByteTheSameAndFailuresNameThePath) {
  const auto data = QuantData({"Alpha", "Beta"}, {{1.5f, -9999.0f}, {0.0f, 2.0f}});
  const auto dir = std::filesystem::temp_directory_path() / "marbleset_writer_test";
  std::filesystem::create_directories(dir);
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string phy = (dir / "out.phy").string();
  {
    std::ofstream old(phy, std::ios::binary);
    old << "an older and much longer content that must be truncated away";
  }
  WritePhylipData(*data, phy);
  EXPECT_EQ(read(phy), Phylip(*data));
  const std::string nts = (dir / "out.phy.nts").string();
  WriteNtsysData(*data, nts);
  EXPECT_EQ(read(nts), Ntsys(*data));

  const std::string nowhere = (dir / "no such folder" / "out.phy").string();
  try {
    WritePhylipData(*data, nowhere);
    ADD_FAILURE() << "writing into a missing folder must fail";
  } catch (const WriteFailure& failure) {
    const std::string message = failure.what();
    EXPECT_NE(message.find(nowhere), std::string::npos) << message;
    EXPECT_GT(message.size(), nowhere.size() + 2) << "the system's reason follows the path";
  }
  EXPECT_THROW(WriteNtsysData(*data, nowhere), WriteFailure);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace marbleset
