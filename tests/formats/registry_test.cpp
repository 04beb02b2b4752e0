// The format registry: every layout it writes reads back through ReadData, and a format's name
// is taken in any letter case.
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

TEST(FormatRegistry, FormatNames_TakenInAnyLetterCase) {
  for (const auto& [name, format] :
       std::vector<std::pair<std::string, FileFormat>>{{"CSV", FileFormat::kDelimited},
                                                       {"bcf", FileFormat::kVcf},
                                                       {"Nexus", FileFormat::kNexus}}) {
    EXPECT_EQ(FileFormatFromName(name), format) << name;
  }
}

}  // namespace
}  // namespace marbleset
