#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "cli_test_support.h"
#include "dataset/data_loader.h"
#include "editing/data_writer.h"

namespace marbleset::cli {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ConvertCommand, WritesTheChosenLayoutAsSaveDataAsDoes) {
  const auto dir = std::filesystem::temp_directory_path() / "marbleset_convert_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string nts = (dir / "markers.nts").string();
  const std::string phy = (dir / "back.phy").string();

  const CliRun to_ntsys = RunTool({"convert", "--to", "ntsys", Example("markers.phy"), nts});
  ASSERT_EQ(to_ntsys.status, kExitOk) << to_ntsys.err;
  EXPECT_EQ(FileText(nts).substr(0, 14), "1 24 8L 1 2\r\nA");

  // Back to PHYLIP: the same bytes as saving the original data set.
  const CliRun to_phylip = RunTool({"convert", "--to", "phylip", nts, phy});
  ASSERT_EQ(to_phylip.status, kExitOk) << to_phylip.err;
  auto original = std::make_unique<DataSet>();
  ASSERT_EQ(LoadDataFile(*original, Example("markers.phy"), DataKind::kBinary, Layout::kPhylip),
            ReadStatus::kOk);
  const std::string saved = (dir / "saved.phy").string();
  WritePhylipData(*original, saved);
  EXPECT_EQ(FileText(phy), FileText(saved));

  // Standard output, quantitative data, and the refusals.
  const CliRun quant =
      RunTool({"convert", "--to", "phylip", "--quantitative", Example("traits.nts")});
  EXPECT_EQ(quant.status, kExitOk) << quant.err;
  EXPECT_EQ(quant.out.substr(0, 6), " 6 5\r\n");
  EXPECT_EQ(RunTool({"convert", "--to", "ntsys", Example("markers.phy"), nts}).status,
            kExitFailed);  // exists, no --force
  EXPECT_EQ(RunTool({"convert", "--to", "ntsys", "--force", Example("markers.phy"), nts}).status,
            kExitOk);
  const CliRun several = RunTool({"convert", "--to", "phylip", Example("marker_sets.phy")});
  EXPECT_EQ(several.status, kExitUsage);
  EXPECT_NE(several.err.find("several data sets"), std::string::npos);
  EXPECT_EQ(RunTool({"convert", Example("markers.phy")}).status, kExitUsage);  // no --to
  const CliRun nowhere = RunTool(
      {"convert", "--to", "phylip", Example("markers.phy"), (dir / "none" / "x.phy").string()});
  EXPECT_EQ(nowhere.status, kExitFailed);
  EXPECT_NE(nowhere.err.find((dir / "none" / "x.phy").string()), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace marbleset::cli
