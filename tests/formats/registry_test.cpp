// The format registry: every layout it writes reads back through ReadData, and the lists the
// desktop and the command-line tool offer are the ones users know.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dataset/text_sink.h"
#include "formats/data_io.h"
#include "formats/distance_file_reader.h"
#include "formats/format_registry.h"

namespace marbleset {
namespace {

// Four OTUs by three characters; kGap stands for a missing cell.
constexpr float kGap = -1.0f;
const std::vector<std::vector<float>> kBinaryCells = {
    {0, 1, 1}, {1, kGap, 0}, {1, 1, 1}, {0, 0, kGap}};
const std::vector<std::vector<float>> kQuantitativeCells = {
    {2.5f, 0, -3}, {17, kGap, 0.25f}, {1, 1, 100}, {0, 6, kGap}};
const std::vector<std::string> kNames = {"Avena", "Bromus", "Festuca", "Lolium"};

DataSet Build(DataKind kind, const std::vector<std::vector<float>>& cells) {
  DataSet data;
  const float missing = kind == DataKind::kBinary ? 2.0f : -9999.0f;
  data.Resize(kind, cells.size(), cells[0].size(), missing);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    data.otuNames[i] = kNames[i];
    for (std::size_t k = 0; k < cells[i].size(); ++k) {
      data.SetValue(i, k, cells[i][k] == kGap ? missing : cells[i][k]);
    }
  }
  return data;
}

std::string Trimmed(std::string name) {
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

TEST(FormatRegistry, EveryWrittenLayoutReadsBackTheSameNamesAndCells) {
  for (const DataKind kind : {DataKind::kBinary, DataKind::kQuantitative}) {
    const bool binary = kind == DataKind::kBinary;
    const auto& cells = binary ? kBinaryCells : kQuantitativeCells;
    const DataSet original = Build(kind, cells);
    for (const FormatEntry& entry : Formats()) {
      if (entry.writeData == nullptr || entry.read == nullptr) continue;
      SCOPED_TRACE(std::string(entry.name) + (binary ? " binary" : " quantitative"));
      std::ostringstream text;
      TextSink sink(text);
      WriteData(original, entry.format, sink);
      sink.Flush();
      DataSource source = DataSource::Text(text.str(), "written");
      ReadOptions options;
      options.kind = binary ? KindChoice::kBinary : KindChoice::kQuantitative;
      const DataSet back = ReadData(source, entry.format, options);
      ASSERT_EQ(back.Kind(), kind);
      ASSERT_EQ(back.OtuCount(), cells.size());
      ASSERT_EQ(back.CharCount(), cells[0].size());
      for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(Trimmed(back.otuNames[i]), kNames[i]);
        for (std::size_t k = 0; k < cells[i].size(); ++k) {
          const float expected = cells[i][k] == kGap ? back.MissingValue() : cells[i][k];
          EXPECT_EQ(back.Value(i, k), expected) << "OTU " << i << ", character " << k;
        }
      }
    }
  }
}

TEST(FormatRegistry, ThePhylipDistanceLayoutReadsBackAsTheMatrixWritten) {
  const DistanceMatrix matrix{
      3, {"Avena", "Bromus", "Festuca"}, {0, 0.25, 1, 0.25, 0, 0.5, 1, 0.5, 0}};
  std::ostringstream text;
  TextSink sink(text);
  WriteDistances(matrix, FileFormat::kPhylip, sink);
  sink.Flush();
  std::istringstream in(text.str());
  const DistanceMatrix back = ReadDistanceMatrix(in, "written");
  EXPECT_EQ(back.names, matrix.names);
  EXPECT_EQ(back.values, matrix.values);
}

TEST(FormatRegistry, TheListsAreThoseUsersKnow) {
  std::string open;
  for (const ListEntry& entry : OpenEntries()) open += std::string(entry.text) + ";;";
  EXPECT_EQ(open,
            "Phylip files (*.phy);;Phylip files (*.*);;NT-SYS files (*.nts);;"
            "Delimited tables (*.csv *.tsv *.txt *.Rtab);;NEXUS files (*.nex *.nxs);;"
            "VCF/BCF files (*.vcf *.vcf.gz *.bcf);;All files, layout found from the file (*);;");
  std::string save;
  for (const ListEntry& entry : SaveEntries()) save += std::string(entry.text) + ";;";
  EXPECT_EQ(save,
            "Phylip files(.phy) (*.phy);;NTsys files(.nts) (*.nts);;CSV files(.csv) (*.csv);;"
            "NEXUS files(.nex) (*.nex);;Phylip files, names for PHYLIP (10 characters) (*.phy);;");
  const std::vector<std::string_view> from = {"phylip", "ntsys", "table", "csv",
                                              "tsv",    "nexus", "vcf",   "bcf"};
  EXPECT_EQ(ReadFormatNames(), from);
  const std::vector<std::string_view> to = {"phylip", "ntsys", "csv", "nexus"};
  EXPECT_EQ(WrittenDataFormatNames(), to);
  const std::vector<std::string_view> distances = {"phylip", "csv", "nexus"};
  EXPECT_EQ(WrittenDistanceFormatNames(), distances);
  for (const auto& [name, format] :
       std::vector<std::pair<std::string, FileFormat>>{{"CSV", FileFormat::kDelimited},
                                                       {"bcf", FileFormat::kVcf},
                                                       {"Nexus", FileFormat::kNexus}}) {
    EXPECT_EQ(FileFormatFromName(name), format) << name;
  }
}

}  // namespace
}  // namespace marbleset
