#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "dataset/command_availability.h"
#include "dataset/errors.h"
#include "formats/data_io.h"
#include "formats/ntsys_reader.h"
#include "formats/phylip_reader.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

using Values = std::vector<float>;
using S = ReadStatus;

struct Read {
  std::unique_ptr<DataSet> data = std::make_unique<DataSet>();
  ReadStatus status = ReadStatus::kOk;
  ReadReport report;
  // Values through the cell interface, which reads the bit planes bit by bit.
  Values Row(std::size_t otu) const {
    Values v;
    for (std::size_t k = 0; k < data->CharCount(); ++k) v.push_back(data->Value(otu, k));
    return v;
  }
  Values Column(std::size_t c) const {
    Values v;
    for (std::size_t i = 0; i < data->OtuCount(); ++i) v.push_back(data->Value(i, c));
    return v;
  }
};

using Reader = ReadStatus (*)(ItemReader&, DataSet&, ReadReport*);

Read ReadWith(Reader reader, const std::string& text) {
  Read read;
  ItemReader in = ItemReader::FromText(text, "test.phy");
  read.status = reader(in, *read.data, &read.report);
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
  EXPECT_EQ(titled.Row(0), (Values{0, 1, 0, 1}));
  EXPECT_EQ(Phy("1 4").status, S::kNoDeclarations) << "header is the last item";
  EXPECT_EQ(Phy("3\t4\r\n" + data).status, S::kNoOtuCount) << "tab is no separator";
  EXPECT_EQ(Phy("3 \r\n" + data).status, S::kNoCharCount);
  EXPECT_EQ(Phy("3000000 \r\nA\r\n").status, S::kNoCharCount) << "a faulty header, never sized";
  EXPECT_EQ(Phy("0.4 10\r\n" + data).data->OtuCount(), 0u) << "counts rounding to zero";
  EXPECT_TRUE(FailsWith("1e17 10\r\nA\r\n", "test.phy, data set 1: the count \"1e17\" is too"));
  EXPECT_TRUE(FailsWith("", "ended before the header"));
}

// The bit planes a plain cell-by-cell reading of the same values gives.
struct Planes {
  std::vector<std::uint64_t> ones, missing;
};
Planes PlainPlanes(const std::vector<std::string>& rows, std::size_t characters) {
  const std::size_t words = (characters + 63) / 64;
  Planes planes{std::vector<std::uint64_t>(rows.size() * words),
                std::vector<std::uint64_t>(rows.size() * words)};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::size_t k = 0;
    for (const char c : rows[i]) {
      if (c != '0' && c != '1' && c != '?') continue;
      if (k < characters) {
        const std::uint64_t bit = std::uint64_t{1} << (k % 64);
        if (c == '1') planes.ones[i * words + k / 64] |= bit;
        if (c == '?') planes.missing[i * words + k / 64] |= bit;
      }
      ++k;
    }
  }
  return planes;
}

TEST(PhylipBinary, FillsTheBitPlanesAsACellByCellReadingWould) {
  std::mt19937 random(7);
  for (const std::size_t characters : {1u, 63u, 64u, 65u, 130u, 1000u}) {
    const std::size_t otus = 8;
    std::string text = std::to_string(otus) + " " + std::to_string(characters) + "\r\n";
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < otus; ++i) {
      // Random cells, spaced or not, with skipped bytes, split over lines of random length,
      // and up to 70 values beyond the last character in the last item.
      std::string row;
      text += "Otu" + std::to_string(i) + std::string(12 - 3 - std::to_string(i).size(), ' ');
      // Rows as files write them (" 0 1 ?"), unspaced ("01?"), with blanks after the values
      // ("0 1 ? "), and irregular; the regular ones take the reader's 16-byte path.
      const std::size_t style = i % 4;
      const std::size_t values = characters + random() % 70;
      for (std::size_t k = 0; k < values; ++k) {
        const char cell = "01?"[random() % (random() % 4 == 0 ? 3 : 2)];
        row += cell;
        if (style == 1) text += ' ';
        text += cell;
        if (style == 3) text += ' ';
        if (style == 0 && random() % 3 == 0) text += random() % 2 ? " " : "x";
        if (k + 1 < characters && random() % 97 == 0) text += "\r\n";
      }
      text += "\r\n";
      rows.push_back(row);
    }
    Read read = Phy(text);
    ASSERT_EQ(read.status, S::kOk) << characters;
    const Planes plain = PlainPlanes(rows, characters);
    const DataSet& data = *read.data;
    const std::size_t words = data.WordsPerRow();
    ASSERT_EQ(words, (characters + 63) / 64);
    for (std::size_t i = 0; i < otus; ++i) {
      EXPECT_EQ(std::vector<std::uint64_t>(data.OnesRow(i), data.OnesRow(i) + words),
                std::vector<std::uint64_t>(plain.ones.begin() + i * words,
                                           plain.ones.begin() + (i + 1) * words))
          << characters << " characters, OTU " << i << ": values beyond the last are dropped";
      EXPECT_EQ(std::vector<std::uint64_t>(data.MissingRow(i), data.MissingRow(i) + words),
                std::vector<std::uint64_t>(plain.missing.begin() + i * words,
                                           plain.missing.begin() + (i + 1) * words));
      EXPECT_EQ(data.OtherRow(i), nullptr);
    }
  }

  Read read =
      Phy("3 6\r\nAlpha       01?1\r\n 1 0\r\nBeta        0 1 1 0 x9a1 0\r\n"
          "Gamma\t\t\t\t\t\t\t01 0 1 1 0 1 1 1\r\n");
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.data->otuNames[0], "Alpha       ");
  EXPECT_EQ(read.data->otuNames[2], "Gamma\t\t\t\t\t\t\t") << "tabs belong to the name field";
  EXPECT_EQ(read.Row(0), (Values{0, 1, 2, 1, 1, 0})) << "values go on over further lines";
  EXPECT_EQ(read.Row(1), (Values{0, 1, 1, 0, 1, 0})) << "other chars skipped";
  EXPECT_EQ(read.Row(2), (Values{0, 1, 0, 1, 1, 0}));
}

TEST(PhylipBinary, ReportsEarlyEndsWithTheirPlaceAndTheKindTheDataLooksLike) {
  Read early = Phy("3 4\r\nA           0101\r\nBeta        01");
  EXPECT_EQ(early.status, S::kDataIncomplete);
  EXPECT_EQ(early.report.Describe(),
            "data set 1, OTU 2 (\"Beta\"): 2 of 4 values read; the last item read was "
            "\"Beta        01\".");
  EXPECT_EQ(early.report.hint, KindHint::kNone);
  EXPECT_TRUE(FailsWith(
      "2 4\r\nA           0101\r\nAnna        01\r\n",
      "test.phy: the file ended inside the data of OTU 2 (\"Anna        \") of data set 1, "
      "after 2 of 4 values."));

  // Quantitative values read as binary data (2.5 and 17 leave the rows short) are pointed to the
  // other kind; binary rows read as quantitative are the tool's ReadErrors test.
  Read wrongKind = Phy("3 3\r\nA           1 2.5 0\r\nB           17 0 1\r\nC           0 3 1\r\n");
  EXPECT_EQ(wrongKind.status, S::kDataIncomplete);
  EXPECT_NE(wrongKind.report.Describe().find("it may be quantitative data"), std::string::npos);
  EXPECT_EQ(detail::HintFromItem("A           100 101 11", false), KindHint::kNone);
}

TEST(PhylipQuant, CutsPiecesAtSpacesAndTabsAndFailsBeyondFloat) {
  Read read = PhyQ("2 4\r\nAlpha       1.5?  -2.5E1 - .25\r\nBeta        1.5\t2\t?\r\n7 1e3 8\r\n");
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.Row(0), (Values{1.5f, -9999, -25, 0.25f}))
      << "number and question mark give both; empty pieces and a lone minus are skipped";
  EXPECT_EQ(read.Row(1), (Values{1.5f, 2, -9999, 7})) << "a tab separates; extra values dropped";
  EXPECT_TRUE(read.data->IsMissing(1, 2));
  EXPECT_TRUE(FailsWith("1 2\r\nA           1e39 2\r\n", "1e39", true));
  // Tokens off the fast path: D exponents, many digits, glued text, huge exponents.
  Read odd = PhyQ("1 6\r\nA           1.5D2 12345678901234567890123 7x 1e-50 -0 3e+\r\n");
  EXPECT_EQ(odd.Row(0), (Values{150, static_cast<float>(12345678901234567890123.0), 7, 0, 0, 3}));
  EXPECT_FALSE(std::signbit(odd.data->Value(0, 4))) << "-0 reads as 0";
}

// Between data sets empty lines and items of value 0 are skipped; FurtherDataSetFollows leaves
// the header it found for the next read.
TEST(PhylipDataSets, ReadsOneAfterAnotherFromOneInput) {
  ItemReader again =
      ItemReader::FromText("1 1\r\nA           1\r\n\r\n0\r\n1 2\r\nB           10\r\n");
  DataSet data;
  ASSERT_EQ(ReadPhylipBinary(again, data), S::kOk);
  EXPECT_TRUE(FurtherDataSetFollows(again));
  ASSERT_EQ(ReadPhylipBinary(again, data), S::kOk);
  EXPECT_EQ(data.CharCount(), 2u);
  EXPECT_EQ(data.otuNames[0], "B           ");
  EXPECT_EQ(data.Value(0, 0), 1.0f);
  EXPECT_EQ(again.DataSetNumber(), 2);
  EXPECT_FALSE(FurtherDataSetFollows(again));
  // Any value other than 0 counts as a header; items of value 0 are none.
  for (const auto& [rest, further] : {std::pair{"-2 1", true}, std::pair{"0\r\ntext", false}}) {
    ItemReader next = ItemReader::FromText("1 1\r\nA           1\r\n\r\n" + std::string(rest));
    ASSERT_EQ(ReadPhylipBinary(next, data), S::kOk);
    EXPECT_EQ(FurtherDataSetFollows(next), further) << rest;
  }
}

TEST(PhylipHostileInput, ReadsHugeLinesAndBoundsWhatNeverEnds) {
  EXPECT_EQ(Phy(std::string(1 << 20, ' ') + "1 2\r\nA           01\r\n").status, S::kOk);
  Read zeros = Phy("0 " + std::string(1 << 20, '0') + " 1 2\r\nA           01\r\n");
  EXPECT_EQ(zeros.data->OtuCount(), 1u);
  EXPECT_EQ(zeros.data->CharCount(), 2u);
  Read odd = Phy("1 3\r\nN\xff\x1bx" + std::string(1 << 20, 'z') + "101\r\n");
  EXPECT_EQ(odd.status, S::kOk);
  EXPECT_EQ(odd.data->otuNames[0].substr(0, 3), "N\xff\x1b");
  EXPECT_EQ(odd.Row(0), (Values{1, 0, 1}));

  // Input without an end: items that never give a header, the next data set or the next value.
  const ReaderLimits small{.longestItem = 4096, .longestSearch = 10000};
  auto failure = [&](const std::string& text, bool further = false) -> std::string {
    try {
      ItemReader in = ItemReader::FromText(text, "endless", small);
      DataSet data;
      ReadPhylipBinary(in, data);
      if (further) FurtherDataSetFollows(in);
    } catch (const ReadFailure& failure) {
      return failure.what();
    }
    return "no failure";
  };
  std::string lines;
  for (int n = 0; n < 6000; ++n) lines += "y\n";
  EXPECT_EQ(failure(lines),
            "endless: no header of data set 1 within 1 MiB of input (up to "
            "byte offset 10002).")
      << "1 MiB is 10000 bytes rounded up";
  EXPECT_NE(failure("1 2\nA           0" + lines).find("no further value of OTU 1 (\"A "),
            std::string::npos);
  std::string zeroLines;
  for (int n = 0; n < 6000; ++n) zeroLines += "0\n";
  EXPECT_NE(failure("1 1\nA           0\n" + zeroLines, true).find("no further data set"),
            std::string::npos);
}

TEST(NtsysHeader, ReadsTypeCountsAndMissingCodeOrReportsTheFault) {
  const std::string body = "A B C\r\n0 1 1\r\n1 0 0\r\n0 0 1\r\n1 1 1\r\n";
  Read read = Nts("title\r\n1 4L 3L 0\r\n" + body);
  ASSERT_EQ(read.status, S::kOk);
  EXPECT_EQ(read.data->OtuCount(), 3u);
  EXPECT_EQ(read.Column(3), (Values{1, 1, 1}));
  EXPECT_EQ(read.Row(0), (Values{0, 1, 0, 1}));

  EXPECT_EQ(Nts("2 4 3 0\r\n" + body).status, S::kWrongMatrixType);
  EXPECT_EQ(Nts("1\r\n" + body).status, S::kNoDeclarations);
  EXPECT_EQ(Nts("1 4\r\n" + body).status, S::kNoCharCount);
  EXPECT_EQ(Nts("1 4 3\r\n" + body).status, S::kNoOtuCount);
  EXPECT_EQ(NtsQ("1 4 3 1 -999\r\n" + body).data->MissingValue(), -999.0f);
  EXPECT_EQ(NtsQ("1 4 3 0 9\r\n" + body).data->MissingValue(), -9999.0f);

  read =
      Nts("1 1 5 0\r\nAlpha  Gamma AVeryLongLabelName\r\nEpsilon Extra1 Extra2\r\n0 1 0 1 1 0\r\n");
  ASSERT_EQ(read.status, S::kOk) << "labels split at single spaces and lines, padded to 12";
  EXPECT_EQ(read.data->otuNames,
            (std::vector<std::string>{"Alpha       ", "            ", "Gamma       ",
                                      "AVeryLongLab", "Epsilon     "}))
      << "labels beyond the column count dropped";
  EXPECT_EQ(read.Column(0), (Values{0, 1, 0, 1, 1})) << "values beyond the column count dropped";
  EXPECT_EQ(Nts("1 2 3 0\r\nA B C").status, S::kLabelsIncomplete);
  Read wide = Nts("1 1 1500 0\r\nx" + std::string(1500, ' ') + "\r\n" + std::string(1500, '1'));
  ASSERT_EQ(wide.status, S::kOk) << "more than 1000 OTUs";
  EXPECT_EQ(wide.data->otuNames[1499], std::string(12, ' '));
  EXPECT_EQ(wide.data->Value(1499, 0), 1.0f);
}

TEST(NtsysData, ReadsBinaryDigitsAndQuantPiecesAndChecksTheLastRow) {
  Read nine = Nts("1 2 4 1 9\r\nA B C D\r\n0 9 ? 1 5 1\r\n01 91\r\n");
  ASSERT_EQ(nine.status, S::kOk);
  EXPECT_EQ(nine.Column(0), (Values{0, 9, 1, 1})) << "9 is missing; ? and other digits skipped";
  EXPECT_EQ(nine.Column(1), (Values{0, 1, 9, 1}));
  EXPECT_TRUE(nine.data->IsMissing(1, 0));
  // A declared code of 0 or 1 makes that digit missing, not a state.
  Read zero = Nts("1 1 3 1 0\r\nA B C\r\n0 1 0\r\n");
  EXPECT_EQ(zero.Column(0), (Values{0, 1, 0}));
  EXPECT_TRUE(zero.data->IsMissing(0, 0));
  EXPECT_FALSE(zero.data->IsMissing(1, 0));
  EXPECT_EQ(Nts("1 3 2 0\r\nA B\r\n0 1\r\n1 0\r\n").status, S::kDataIncomplete);
  EXPECT_EQ(Nts("1 2 2 0\r\nA B\r\n0 1\r\n1\r\n").status, S::kOk) << "binary rows are not counted";

  Read quant = NtsQ("1 2 3 1 -9\r\nA B C\r\n1.5\t2 -9 8\r\n? 3 4 5\r\n");
  ASSERT_EQ(quant.status, S::kOk) << "only the last row is counted; ? is no value";
  EXPECT_EQ(quant.Column(0), (Values{1.5f, 2, -9})) << "a tab separates; extra values dropped";
  EXPECT_EQ(quant.Column(1), (Values{3, 4, 5}));
  EXPECT_TRUE(quant.data->IsMissing(2, 0));

  // The last row must hold exactly as many values as there are OTUs: fewer and more both fail.
  const std::string head = "1 2 3 0\r\nA B C\r\n1.5 2 3\r\n";
  Read longLast = NtsQ(head + "4 5 6 7\r\n");
  EXPECT_EQ(longLast.status, S::kDataIncomplete) << "a last row one value too long";
  EXPECT_EQ(longLast.report.Describe(),
            "data set 1, row 2: 4 of 3 values read; the last item read was \"4 5 6 7\".");
  EXPECT_EQ(NtsQ(head + "4 5\r\n").status, S::kDataIncomplete);
  EXPECT_EQ(NtsQ(head + "4 5 6\r\n").status, S::kOk);
}

class DataLoader : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    PutFile(scratch_.path / name, text);
    return scratch_ / name;
  }
  ScratchFolder scratch_;
};

// Either kind of PHYLIP file; NTSYS files load in the memory limit's test below, every layout
// reads back in the format registry's. A failed load leaves the loaded data as it was: the
// hostile-input corpus' test and the memory limit's below.
TEST_F(DataLoader, LoadsEitherKindNamedAfterItsFile) {
  DataSet data;
  const std::string one = Write("one.phy", "2 3\r\nA           01?\r\nB           110\r\n");
  ASSERT_NO_THROW(LoadDataFile(data, one, DataKind::kBinary, FileFormat::kPhylip));
  EXPECT_EQ(data.fileName, one);
  EXPECT_EQ(data.folder, scratch_.path.string());
  EXPECT_TRUE(data.IsMissing(0, 2));
  EXPECT_FALSE(data.multiSet);

  const std::string several =
      Write("several.phy", "1 2\r\nA           1 2.5\r\n\r\n1 2\r\nA           3 ?\r\n");
  ASSERT_NO_THROW(LoadDataFile(data, several, DataKind::kQuantitative, FileFormat::kPhylip));
  EXPECT_TRUE(data.multiSet);
  EXPECT_TRUE(data.IsQuantitative());
  EXPECT_EQ(data.MissingValue(), -9999.0f);
  EXPECT_EQ(data.Value(0, 1), 2.5f) << "the first data set is the one held";

  EXPECT_EQ(FolderOf("/markers.phy"), "/");
  EXPECT_EQ(FolderOf("markers.phy"), "");
}

// A PHYLIP binary file of otus x characters that really holds every cell.
std::string BinaryRows(std::size_t otus, std::size_t characters) {
  std::string text = std::to_string(otus) + " " + std::to_string(characters) + "\r\n";
  for (std::size_t i = 0; i < otus; ++i)
    text += "X           " + std::string(characters, '1') + "\r\n";
  return text;
}

TEST_F(DataLoader, AFileBeyondTheMemoryLimitOrWithAFindingFailsAndChangesNothing) {
  DataSet data;
  const std::string good = Write("good.phy", "2 2\r\nAlpha       01\r\nBeta        10\r\n");
  ASSERT_NO_THROW(LoadDataFile(data, good, DataKind::kBinary, FileFormat::kPhylip));
  data.SetMemoryLimit(500'000);
  // 400 x 6000 binary cells: 2 planes x 400 rows x 94 words x 8 bytes = 601600 bytes, and
  // 400 names of 32 bytes 12800 more: 614.4 kB.
  const std::string big = Write("big.phy", BinaryRows(400, 6000));
  // 200 OTUs by 1000 quantitative characters: 4 x 200000 bytes + 200 x 32 = 806.4 kB.
  std::string quantText = "1 1000 200 0\r\n";
  for (int i = 0; i < 200; ++i) quantText += "Q ";
  for (int k = 0; k < 1000; ++k) {
    quantText += "\r\n";
    for (int i = 0; i < 200; ++i) quantText += "0.5 ";
  }
  const std::string quant = Write("big_q.nts", quantText);
  // 20000 OTUs by 1 character: a matrix of 2 x 20000 x 8 = 320 kB fits, the names' 640 kB not.
  const std::string names = Write("names.phy", BinaryRows(20000, 1));
  const std::tuple<std::string, DataKind, FileFormat, std::string> cases[] = {
      {big, DataKind::kBinary, FileFormat::kPhylip,
       big + ", data set 1: a data set of 400 OTUs by 6000 characters needs 614.4 kB of memory; "
             "500.0 kB are available."},
      {quant, DataKind::kQuantitative, FileFormat::kNtsys, "needs 806.4 kB of memory; 500.0 kB"},
      {names, DataKind::kBinary, FileFormat::kPhylip, "20000 OTUs by 1 characters needs 960.0 kB"},
      // Findings in their own words.
      {Write("tab.phy", "3\t4\r\nA           0101\r\n"), DataKind::kBinary, FileFormat::kPhylip,
       "#otu declaration"},
      {Write("otus.phy", "3 \r\nA\r\n"), DataKind::kBinary, FileFormat::kPhylip,
       "Can't find #chararcters declaration"}};
  for (const auto& [path, kind, layout, message] : cases) {
    try {
      LoadDataFile(data, path, kind, layout);
      ADD_FAILURE() << path << " loaded";
    } catch (const ReadFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find(message), std::string::npos) << failure.what();
    }
  }
  EXPECT_EQ(data.fileName, good);
  EXPECT_EQ(data.OtuCount(), 2u);
  EXPECT_EQ(data.Value(1, 0), 1.0f);
  // Within the limit the same loaded data set takes the larger file.
  data.SetMemoryLimit(1'000'000);
  ASSERT_NO_THROW(LoadDataFile(data, quant, DataKind::kQuantitative, FileFormat::kNtsys));
  EXPECT_EQ(data.fileName, quant);
  EXPECT_EQ(data.OtuCount(), 200u);
  EXPECT_EQ(data.Value(199, 999), 0.5f);
}

// What a load from path gives: status, counts, names and every value.
std::string Outcome(DataSet& data, ReadStatus status) {
  std::ostringstream out;
  out << static_cast<int>(status) << " " << data.OtuCount() << "x" << data.CharCount();
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    out << "|" << data.otuNames[i];
    for (std::size_t k = 0; k < data.CharCount(); ++k) out << " " << data.Value(i, k);
  }
  return out.str();
}

TEST_F(DataLoader, PipesGiveWhatTheFileGivesAndGoOnToTheNextDataSet) {
  std::string text;
  std::mt19937 random(3);
  for (int set = 0; set < 3; ++set) {
    text += "4 300\r\n";
    for (int i = 0; i < 4; ++i) {
      text += "Otu" + std::to_string(set) + std::to_string(i) + "       ";
      for (int k = 0; k < 300; ++k) {
        text += ' ';
        text += "01?"[random() % 3];
      }
      text += "\r\n";
    }
  }
  // Long enough that a pipe hands it over in several pieces.
  while (text.size() < (3 << 20)) text += "\r\n";
  const std::string path = Write("sets.phy", text);

  // Reads every data set through the one open input; the same for every kind of input.
  auto readAll = [&](ItemReader& in) {
    DataSet data;
    std::string all;
    do {
      all += Outcome(data, ReadPhylipBinary(in, data)) + '\n';
    } while (FurtherDataSetFollows(in));
    return all;
  };
  ItemReader file = ItemReader::OpenFile(path);
  const std::string allFromFile = readAll(file);
  EXPECT_TRUE(allFromFile.starts_with("0 4x300|Otu00")) << allFromFile.substr(0, 40);
  EXPECT_EQ(std::count(allFromFile.begin(), allFromFile.end(), '\n'), 3) << "three data sets";

  // A stream is the item reader's (io_test), a FIFO and standard input the tool's
  // (CliContract.StandardInputReadsLikeTheFile); here a pipe that hands over short pieces.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::thread pipeWriter([&] {
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t put =
          write(ends[1], text.data() + at, std::min<std::size_t>(4093, text.size() - at));
      if (put <= 0) break;
      at += static_cast<std::size_t>(put);
    }
    close(ends[1]);
  });
  ItemReader fromPipe = ItemReader::OpenFile("/dev/fd/" + std::to_string(ends[0]));
  EXPECT_EQ(readAll(fromPipe), allFromFile);
  pipeWriter.join();
  close(ends[0]);
}

// Quantitative data leave out the binary-only commands; several data sets, quantitative too,
// only the notepad and distances. Empty and binary states are the main window's tests.
TEST(CommandAvailability, QuantitativeAndSeveralDataSetsOfferOnlyWhatTheyCanRun) {
  const auto enabled = [](const DataSet& data) {
    std::vector<std::string_view> names;
    const CommandStates states = AvailableCommands(data);
    for (std::size_t k = 0; k < kDataCommandCount; ++k) {
      if (states[k]) names.push_back(DataCommandName(static_cast<DataCommand>(k)));
    }
    return names;
  };
  DataSet data;
  data.fileName = "/data/a.phy";
  data.Resize(DataKind::kQuantitative, 2, 2, kQuantitativeMissingValue);
  EXPECT_EQ(enabled(data), (std::vector<std::string_view>{
                               "MnuSaveData", "MnuNotePad", "MnuBootStraps", "MnuPermutation",
                               "MnuGenstraps", "MnuRandomResampling", "MnuDistances", "MnuTree"}));
  data.multiSet = true;
  EXPECT_EQ(enabled(data), (std::vector<std::string_view>{"MnuNotePad", "MnuDistances"}));
}

}  // namespace
}  // namespace marbleset
