// The format of a data file from its extension and content, as --from auto decides it.
#include "formats/file_format.h"

#include "format_test_support.h"

namespace marbleset::test {
namespace {

TEST(FileFormat, ExtensionAndContent_DecideTheFormat) {
  ScratchFolder folder;
  struct Case {
    std::string name, text;
    FileFormat expected;
  };
  const std::vector<Case> cases = {
      {"a.phy", "2 3\r\nAlpha       0 1 ?\r\n", FileFormat::kPhylip},
      {"infile", " 2 3\nAlpha     011\n", FileFormat::kPhylip},
      {"a.nts", "1 3 2L 1 2\nA B\n", FileFormat::kNtsys},
      {"traits", "1 8 24L 1 -9\n", FileFormat::kNtsys},
      {"a.csv", "n,a\nA,1\n", FileFormat::kDelimited},
      {"pan.Rtab", "Gene\tS1\ng1\t1\n", FileFormat::kDelimited},
      {"scores.txt", "id;L1\nA;1\n", FileFormat::kDelimited},
      {"matrix.txt", "2 3\nAlpha     011\n", FileFormat::kPhylip},
      {"a.nex", "#NEXUS\nBEGIN DATA;", FileFormat::kNexus},
      {"saved.phy", "\xEF\xBB\xBF  #nexus\n", FileFormat::kNexus},
      {"calls.txt", "##fileformat=VCFv4.2\n#CHROM\n", FileFormat::kVcf},
      {"notes", "just words\n", FileFormat::kUnknown},
  };
  for (const Case& c : cases) {
    PutFile(folder / c.name, c.text);
    EXPECT_EQ(DetectFileFormat(folder / c.name), c.expected) << c.name;
  }
  EXPECT_EQ(DetectFileFormat(folder / "missing.csv"), FileFormat::kUnknown);
  EXPECT_EQ(FormatFromExtension("x/calls.VCF.GZ"), FileFormat::kVcf);
  EXPECT_EQ(FormatFromExtension("x/calls.bcf"), FileFormat::kVcf);
  EXPECT_EQ(FormatFromExtension("x/m.nxs"), FileFormat::kNexus);
  // Names are taken in any letter case.
  EXPECT_EQ(FileFormatFromName("CSV"), FileFormat::kDelimited);
  EXPECT_EQ(FileFormatFromName("bcf"), FileFormat::kVcf);
  EXPECT_EQ(FileFormatFromName("Nexus"), FileFormat::kNexus);
  EXPECT_EQ(FileFormatFromName("auto"), std::nullopt);
  // Compressed VCF and BCF whose names say nothing are read by content in the faults tests.
}

}  // namespace
}  // namespace marbleset::test
