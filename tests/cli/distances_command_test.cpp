#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "dataset/data_loader.h"
#include "distances/reference_pass.h"

namespace marbleset::cli {
namespace {

// The reference pass over the first data set of the file, as the dialog's defaults compute it.
std::string Reference(const std::string& path, DataKind kind, const DistanceSettings& settings) {
  auto data = std::make_unique<DataSet>();
  EXPECT_EQ(LoadDataFile(*data, path, kind, Layout::kPhylip), ReadStatus::kOk);
  std::ostringstream text;
  TextSink out(text);
  ReferenceMatrixPass(*data, settings, out);
  out.Flush();
  return text.str();
}

TEST(DistancesCommand, UsesTheDialogDefaultsForEachKind) {
  const CliRun binary = RunTool({"distances", Example("markers.phy"), "-"});
  EXPECT_EQ(binary.status, kExitOk) << binary.err;
  EXPECT_EQ(binary.out, Reference(Example("markers.phy"), DataKind::kBinary,
                                  {kBinaryMatching, kBinaryHalf, true, false}));
  const CliRun quantitative = RunTool({"distances", "--quantitative", "--coefficient",
                                       "correlation", "--similarities", Example("traits.phy")});
  EXPECT_EQ(quantitative.status, kExitOk) << quantitative.err;
  EXPECT_EQ(quantitative.out, Reference(Example("traits.phy"), DataKind::kQuantitative,
                                        {kCorrelation, kQuantitativeMarkerMean, false, false}));
  const CliRun jaccard = RunTool(
      {"distances", "--coefficient", "Jaccard", "--missing", "ignore", Example("markers.phy")});
  EXPECT_EQ(jaccard.out, Reference(Example("markers.phy"), DataKind::kBinary,
                                   {kJaccard, kBinaryIgnore, true, false}));
}

TEST(DistancesCommand, AveragesOnlyFilesOfSeveralDataSets) {
  const CliRun single = RunTool({"distances", "--average", Example("markers.phy")});
  EXPECT_EQ(single.status, kExitUsage);
  EXPECT_NE(single.err.find("--average"), std::string::npos);
  const CliRun several = RunTool({"distances", "--average", Example("marker_sets.phy")});
  EXPECT_EQ(several.status, kExitOk) << several.err;
  // One mean per data set, the first that of the first data set.
  const std::string first = Reference(Example("marker_sets.phy"), DataKind::kBinary,
                                      {kBinaryMatching, kBinaryHalf, true, true});
  EXPECT_EQ(several.out.substr(0, first.size()), first);
  std::size_t lines = 0;
  for (char c : several.out) lines += c == '\n';
  EXPECT_GT(lines, 1u);
  const CliRun matrices = RunTool({"distances", Example("marker_sets.phy")});
  std::size_t headers = 0;
  for (std::size_t at = 0; (at = matrices.out.find(" 8\r\n", at)) != std::string::npos; ++at)
    ++headers;
  EXPECT_EQ(headers, lines);
}

TEST(DistancesCommand, RejectsEntriesOfTheOtherKindAndUnwritableOutput) {
  const CliRun wrong = RunTool({"distances", "--coefficient", "Euclidean", Example("markers.phy")});
  EXPECT_EQ(wrong.status, kExitUsage);
  EXPECT_EQ(wrong.err,
            "--coefficient: \"Euclidean\" is not one of the binary entries: Matching, Jaccard, "
            "Nei\n");
  const CliRun unwritable =
      RunTool({"distances", Example("markers.phy"), "/nonexistent-folder/out.txt"});
  EXPECT_EQ(unwritable.status, kExitFailed);
  EXPECT_NE(unwritable.err.find("/nonexistent-folder/out.txt"), std::string::npos);
}

}  // namespace
}  // namespace marbleset::cli
