// Names of every byte value (but NUL, which no text file holds) through every writer that keeps
// names, read back by Marbleset's readers and by the field's: Python's csv and R's read.csv and
// read.delim, which must all give the names written.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/errors.h"
#include "format_test_support.h"
#include "formats/csv_writer.h"
#include "formats/delimited_reader.h"
#include "formats/nexus_reader.h"
#include "formats/nexus_writer.h"
#include "formats/phylip_names.h"

namespace marbleset::test {
namespace {

// Each name begins with its number, so no two read as one name in any layout; the rest are
// random bytes 1-255, often blanks, tabs, quotes and line ends.
std::vector<std::string> RandomNames(std::mt19937& random, std::size_t count) {
  const std::string common = " \t\r\n\"',;_()[]";
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = std::to_string(i + 100).substr(1);
    const std::size_t length = random() % 14;
    for (std::size_t k = 0; k < length; ++k) {
      name += random() % 3 == 0 ? common[random() % common.size()]
                                : static_cast<char>(1 + random() % 255);
    }
    names.push_back(std::move(name));
  }
  return names;
}

// The name as a reader gives it back: the writers drop the blanks that pad a name field.
std::string Trimmed(const std::string& name) {
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// The names a peer reads from the first column of file, hex-encoded a line each.
std::string PeerNames(const ScratchFolder& folder, const std::string& peer, const std::string& file,
                      char delimiter) {
  const std::string separator = delimiter == '\t' ? "\\t" : ",";
  if (peer == "python3") {
    PutFile(folder / "names.py",
            "import csv, sys\nrows = csv.reader(open(sys.argv[1], newline='', "
            "encoding='latin-1'), delimiter='" +
                separator +
                "')\nnext(rows)\n"
                "for row in rows: print(row[" +
                (delimiter == '\t' ? "1" : "0") + "].encode('latin-1').hex())\n");
    return Shell(folder, "python3 names.py " + file);
  }
  return RunR(folder,
              "x <- read.table('" + file + "', sep='" + separator +
                  "', quote='\"', header=TRUE, check.names=FALSE, comment.char='', "
                  "colClasses='character', na.strings=character(0), fileEncoding='latin1')\n"
                  "for (n in x[[" +
                  (delimiter == '\t' ? "2" : "1") +
                  "]]) cat(paste(as.character("
                  "iconv(n, 'UTF-8', 'latin1', toRaw=TRUE)[[1]]), collapse=''), '\\n', sep='')\n");
}

TEST(NameRoundTrip, NamesOfEveryByte_ReadBackThroughEveryWriter) {
  std::mt19937 random(29);
  ScratchFolder folder;
  for (int round = 0; round < 2; ++round) {
    const std::vector<std::string> names = RandomNames(random, 60);
    auto data = std::make_unique<DataSet>();
    data->Resize(DataKind::kBinary, names.size(), 3, kBinaryMissingValue);
    data->otuNames = names;
    // R's read.table turns each line end inside a quoted field (CR LF or CR) into LF.
    std::string expected, expectedByR;
    for (const std::string& name : names) {
      expected += Hex(Trimmed(name)) + "\n";
      std::string lf = std::regex_replace(Trimmed(name), std::regex("\r\n?"), "\n");
      expectedByR += Hex(lf) + "\n";
    }

    const std::string csv = Written([&](TextSink& out) { WriteCsvData(*data, out); });
    DelimitedOptions options;
    options.otusAs = OtusAs::kRows;
    options.firstDataColumn = 1;
    const DataSet fromCsv = ReadDelimitedText(csv, "names.csv", options);
    const DataSet fromNexus =
        ReadNexusText(Written([&](TextSink& out) { WriteNexusData(*data, out); }), "names.nex",
                      KindChoice::kBinary);
    const PhylipNames table = MakePhylipNames(names);
    const std::string tableText = Written([&](TextSink& out) { WriteNameTable(table, out); });
    const auto pairs = ReadNameTable(tableText, "names_names.tsv");
    ASSERT_EQ(pairs.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(fromCsv.otuNames[i], Trimmed(names[i])) << Hex(names[i]);
      EXPECT_EQ(fromNexus.otuNames[i], Trimmed(names[i])) << Hex(names[i]);
      EXPECT_EQ(pairs[i].first, table.written[i]);
      EXPECT_EQ(pairs[i].second, Trimmed(names[i])) << Hex(names[i]);
    }
    PutFile(folder / "names.csv", csv);
    PutFile(folder / "names_names.tsv", tableText);
    for (const std::string peer : {"python3", "Rscript"}) {
      if (!HaveProgram(peer)) continue;
      const std::string& want = peer == "python3" ? expected : expectedByR;
      EXPECT_EQ(PeerNames(folder, peer, "names.csv", ','), want) << peer;
      EXPECT_EQ(PeerNames(folder, peer, "names_names.tsv", '\t'), want) << peer;
    }
  }
}

TEST(NameRoundTrip, NexusNamesThatReadAsOne_AreRefusedNamingThem) {
  auto data = std::make_unique<DataSet>();
  data->Resize(DataKind::kBinary, 4, 2, kBinaryMissingValue);
  data->otuNames = {"Festuca rubra", "Poa", "Festuca_rubra", "Poa   "};
  std::ostringstream text;
  TextSink sink(text, "names.nex");
  const std::string message = FailureText<WriteFailure>([&] { WriteNexusData(*data, sink); });
  EXPECT_NE(message.find("\"Festuca rubra\" (OTU 1) and \"Festuca_rubra\" (OTU 3)"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("\"Poa\" (OTU 2) and \"Poa\" (OTU 4)"), std::string::npos);
  // A name of blanks only would be written as "_", which reads back as a name of its own.
  data->otuNames = {"Poa", "A", "   ", "B"};
  EXPECT_THROW(WriteNexusData(*data, sink), WriteFailure);
  sink.Flush();
  EXPECT_EQ(text.str(), "");
}

}  // namespace
}  // namespace marbleset::test
