#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_options.h"
#include "cli_test_support.h"

namespace marbleset::cli {
namespace {

// Characters: 1 monomorphic, 2 uninformative, 3 and 5 informative with a missing entry, 4
// informative.
constexpr char kData[] =
    " 5 5\r\n"
    "Alpha       10000\r\n"
    "Beta        11?00\r\n"
    "Gamma       10011\r\n"
    "Delta       10111\r\n"
    "Epsilon     1010?\r\n";

std::string WriteInput(const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << kData;
  return path.string();
}

TEST(CropCommand, RemovesInTheFixedOrderAndSaves) {
  const std::string input = WriteInput("marbleset_crop_test.phy");
  const CliRun none = RunTool({"crop", input});
  ASSERT_EQ(none.status, kExitOk) << none.err;
  EXPECT_EQ(none.out,
            " 5 5\r\nAlpha        1 0 0 0 0\r\nBeta         1 1 ? 0 0\r\n"
            "Gamma        1 0 0 1 1\r\nDelta        1 0 1 1 1\r\nEpsilon      1 0 1 0 ?\r\n");

  const CliRun all = RunTool({"crop", "--monomorphic", "--uninformative",
                              "--characters-with-missing", "--otus-with-missing", input});
  ASSERT_EQ(all.status, kExitOk) << all.err;
  // Characters 1 and 2 go, then 3 and 5 with their missing entries; no OTU has one left.
  EXPECT_EQ(all.out,
            " 5 1\r\nAlpha        0\r\nBeta         0\r\nGamma        1\r\nDelta        1\r\n"
            "Epsilon      0\r\n");

  // OTUs alone: Beta and Epsilon go; the monomorphic character stays.
  const CliRun otus = RunTool({"crop", "--otus-with-missing", "--to", "ntsys", input});
  ASSERT_EQ(otus.status, kExitOk) << otus.err;
  EXPECT_EQ(otus.out,
            "1 5 3L 1 2\r\nAlpha Gamma Delta \r\n 1 1 1\r\n 0 0 0\r\n 0 0 1\r\n 0 1 1\r\n"
            " 0 1 1\r\n");

  EXPECT_EQ(RunTool({"crop", "--quantitative", input}).status, kExitUsage);
  std::filesystem::remove(input);
}

TEST(InfoCommand, ShowsTheCropCountsForOneBinaryDataSet) {
  const std::string input = WriteInput("marbleset_info_counts_test.phy");
  const CliRun run = RunTool({"info", input});
  ASSERT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("Number of monomorphic characters: 1\n"
                         "Number of uninformative characters: 1\n"
                         "Number of characters with missing data: 2\n"
                         "Number of OTUs with missing data: 2\n"),
            std::string::npos)
      << run.out;
  const CliRun quant = RunTool({"info", "--quantitative", Example("traits.phy")});
  EXPECT_EQ(quant.out.find("Number of"), std::string::npos);
  const CliRun several = RunTool({"info", Example("marker_sets.phy")});
  EXPECT_EQ(several.out.find("Number of"), std::string::npos);
  std::filesystem::remove(input);
}

}  // namespace
}  // namespace marbleset::cli
