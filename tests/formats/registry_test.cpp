// The format registry: every layout it writes reads back through ReadData with the names and
// cells written, and the PHYLIP distance layout as the matrix written.
#include "distances/test_data.h"
#include "format_test_support.h"
#include "formats/data_io.h"
#include "formats/distance_file_reader.h"
#include "formats/format_registry.h"

namespace marbleset::test {
namespace {

TEST(FormatRegistry, EveryWrittenLayoutReadsBackTheNamesAndCellsWritten) {
  const std::vector<std::string> names = {"Avena", "Bromus", "Festuca", "Lolium"};
  const float q = kQuantitativeMissingValue;
  DataSet binary, quantitative;
  testing::FillBinary(binary, names, {"011", "1?0", "111", "00?"});
  testing::FillQuantitative(quantitative, names,
                            {{2.5f, 0, -3}, {17, q, 0.25f}, {1, 1, 100}, {0, 6, q}});
  const std::tuple<const DataSet*, KindChoice, const char*> kinds[] = {
      {&binary, KindChoice::kBinary, "Avena,0,1,1\nBromus,1,NA,0\nFestuca,1,1,1\nLolium,0,0,NA\n"},
      {&quantitative, KindChoice::kQuantitative,
       "Avena,2.5,0,-3\nBromus,17,NA,0.25\nFestuca,1,1,100\nLolium,0,6,NA\n"}};
  for (const auto& [original, choice, table] : kinds) {
    for (const FormatEntry& entry : Formats()) {
      if (entry.writeData == nullptr || entry.read == nullptr) continue;
      SCOPED_TRACE(entry.name);
      DataSource source = DataSource::Text(
          Written([&](TextSink& out) { WriteData(*original, entry.format, out); }), "written");
      ReadOptions options;
      options.kind = choice;
      const DataSet back = ReadData(source, entry.format, options);
      EXPECT_EQ(back.Kind(), original->Kind());
      EXPECT_EQ(AsTable(back), table);
    }
  }

  const DistanceMatrix matrix{
      3, {"Avena", "Bromus", "Festuca"}, {0, 0.25, 1, 0.25, 0, 0.5, 1, 0.5, 0}};
  std::istringstream in(
      Written([&](TextSink& out) { WriteDistances(matrix, FileFormat::kPhylip, out); }));
  const std::vector<DistanceMatrix> read = ReadDistanceMatrices(in, "written");
  ASSERT_EQ(read.size(), 1u);
  const DistanceMatrix& back = read.front();
  EXPECT_EQ(back.names, matrix.names);
  EXPECT_EQ(back.values, matrix.values);
}

}  // namespace
}  // namespace marbleset::test
