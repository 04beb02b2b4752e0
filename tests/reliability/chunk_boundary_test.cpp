// The reader takes files in chunks of a mebibyte while text given in memory is one piece, so
// every item syntax is checked where it straddles the chunk boundary: a file must read exactly
// as the same bytes given as text.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dataset/data_loader.h"
#include "dataset/item_reader.h"
#include "dataset/phylip_reader.h"
#include "reliability_support.h"

namespace marbleset {
namespace {

using testing::ScratchFolder;
using testing::WriteFile;

constexpr std::size_t kChunk = std::size_t{1} << 20;

std::string DataSetText(const std::string& line_end) {
  return "3 5" + line_end + "\"Alpha, one\" dropped" + line_end + "0 1 ? 1 0" + line_end +
         "Beta        1,1,0,0,1" + line_end + "Gamma       0 0 1 1 ?" + line_end + "2 1" + line_end;
}

TEST(ChunkBoundary, AFileReadsAsTheSameTextInMemory) {
  ScratchFolder folder;
  const std::string path = folder / "boundary.phy";
  auto from_file = std::make_unique<DataSet>();
  auto from_text = std::make_unique<DataSet>();
  for (const std::string line_end : {"\r\n", "\n", "\r"}) {
    const std::string data_set = DataSetText(line_end);
    // The title line's length moves the boundary through the line end after it and through
    // every item of the data set.
    for (std::size_t shift = 0; shift <= data_set.size() + line_end.size(); ++shift) {
      const std::size_t title = kChunk - shift;
      const std::string text = std::string(title, 'x') + line_end + data_set;
      SCOPED_TRACE("boundary " + std::to_string(shift) + " bytes before the title's end");
      WriteFile(path, text);

      ASSERT_EQ(LoadDataFile(*from_file, path, DataKind::kBinary, Layout::kPhylip),
                ReadStatus::kOk);
      ItemReader in = ItemReader::FromText(text);
      ASSERT_EQ(ReadPhylipBinary(in, *from_text), ReadStatus::kOk);

      ASSERT_EQ(from_file->NOtu, 3);
      ASSERT_EQ(from_file->NChar, 5);
      EXPECT_EQ(from_file->MultiSet, FurtherDataSetFollows(in) ? 1 : 0);
      EXPECT_EQ(from_file->MultiSet, 1);
      for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(from_file->OtuName[i], from_text->OtuName[i]) << "OTU " << i;
        for (int j = 1; j <= 5; ++j) {
          EXPECT_EQ(from_file->Matrix(i, j), from_text->Matrix(i, j)) << i << "," << j;
        }
      }
      EXPECT_EQ(from_file->OtuName[1], "Alpha, one");
      EXPECT_EQ(from_file->Matrix(1, 3), 2.0f);
    }
  }
}

}  // namespace
}  // namespace marbleset
