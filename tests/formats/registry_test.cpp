// The format registry: every layout it writes reads back through ReadData with the names and
// cells written, and the PHYLIP distance layout as the matrix written.
#include "format_test_support.h"
#include "formats/data_io.h"
#include "formats/distance_file_reader.h"
#include "formats/format_registry.h"

namespace marbleset {
namespace {

using test::AsTable;
using test::Written;

TEST(FormatRegistry, EveryWrittenLayoutReadsBackTheNamesAndCellsWritten) {
  constexpr float m = -1.0f;  // stands for a missing cell
  struct Kind {
    DataKind kind;
    KindChoice choice;
    float missing;
    std::vector<std::vector<float>> cells;
    const char* table;
  };
  for (const Kind& kind :
       {Kind{DataKind::kBinary,
             KindChoice::kBinary,
             kBinaryMissingValue,
             {{0, 1, 1}, {1, m, 0}, {1, 1, 1}, {0, 0, m}},
             "Avena,0,1,1\nBromus,1,NA,0\nFestuca,1,1,1\nLolium,0,0,NA\n"},
        Kind{DataKind::kQuantitative,
             KindChoice::kQuantitative,
             kQuantitativeMissingValue,
             {{2.5f, 0, -3}, {17, m, 0.25f}, {1, 1, 100}, {0, 6, m}},
             "Avena,2.5,0,-3\nBromus,17,NA,0.25\nFestuca,1,1,100\nLolium,0,6,NA\n"}}) {
    DataSet original;
    original.Resize(kind.kind, 4, 3, kind.missing);
    original.otuNames = {"Avena", "Bromus", "Festuca", "Lolium"};
    for (std::size_t i = 0; i < 4; ++i) {
      for (std::size_t k = 0; k < 3; ++k) {
        original.SetValue(i, k, kind.cells[i][k] == m ? kind.missing : kind.cells[i][k]);
      }
    }
    for (const FormatEntry& entry : Formats()) {
      if (entry.writeData == nullptr || entry.read == nullptr) continue;
      SCOPED_TRACE(entry.name);
      DataSource source = DataSource::Text(
          Written([&](TextSink& out) { WriteData(original, entry.format, out); }), "written");
      ReadOptions options;
      options.kind = kind.choice;
      const DataSet back = ReadData(source, entry.format, options);
      EXPECT_EQ(back.Kind(), kind.kind);
      EXPECT_EQ(AsTable(back), kind.table);
    }
  }

  const DistanceMatrix matrix{
      3, {"Avena", "Bromus", "Festuca"}, {0, 0.25, 1, 0.25, 0, 0.5, 1, 0.5, 0}};
  std::istringstream in(
      Written([&](TextSink& out) { WriteDistances(matrix, FileFormat::kPhylip, out); }));
  const DistanceMatrix back = ReadDistanceMatrix(in, "written");
  EXPECT_EQ(back.names, matrix.names);
  EXPECT_EQ(back.values, matrix.values);
}

}  // namespace
}  // namespace marbleset
