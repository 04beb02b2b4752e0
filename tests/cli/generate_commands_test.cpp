#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "resampling/generators.h"

namespace marbleset::cli {
namespace {

int Headers(const std::string& text, const std::string& header) {
  int count = 0;
  for (std::size_t at = 0; (at = text.find(header, at)) != std::string::npos; ++at) {
    if (at == 0 || text[at - 1] == '\n') ++count;
  }
  return count;
}

TEST(GenerateCommands, WithoutSeedWriteWhatTheFirstRunAfterStartUpWrites) {
  const std::string input = Example("markers.phy");
  const CliRun run = RunTool({"bootstraps", input});
  ASSERT_EQ(run.status, kExitOk) << run.err;

  InputOptions options;
  options.path = input;
  auto data = std::make_unique<DataSet>();
  ASSERT_EQ(LoadInput(options, *data, std::cerr), kExitOk);
  UniformSource first_run;
  NoProgress progress;
  std::ostringstream stream;
  {
    TextSink sink(stream);
    GenerateBootStraps(*data, first_run, 1000, 350, sink, progress);
  }
  EXPECT_EQ(run.out, stream.str());
  EXPECT_EQ(Headers(run.out, " 8 24\r\n"), 100);

  const CliRun seeded = RunTool({"bootstraps", "--seed", "7", input});
  EXPECT_NE(seeded.out, run.out);
  EXPECT_EQ(RunTool({"bootstraps", "--seed", "7", input}).out, seeded.out);
  // The defaults are the dialog's: noise at 10 %.
  EXPECT_EQ(RunTool({"noise", input}).out, RunTool({"noise", "--percent", "10", input}).out);
}

TEST(GenerateCommands, TakeTheDialogsBoundsWithOneDecimal) {
  const std::string input = Example("markers.phy");
  const CliRun tenth = RunTool({"permutations", "--datasets", "10.5", input});
  ASSERT_EQ(tenth.status, kExitOk) << tenth.err;
  EXPECT_EQ(Headers(tenth.out, " 8 24\r\n"), 10);

  const CliRun four = RunTool({"resample", "--datasets", "20", "--otus", "4.5", input});
  ASSERT_EQ(four.status, kExitOk) << four.err;
  EXPECT_EQ(Headers(four.out, " 4 24\r\n"), 20);  // 4.5 OTUs round to the even 4
  EXPECT_EQ(std::count(four.out.begin(), four.out.end(), '\n'), 20 * (1 + 4 + 1));

  for (const auto& args :
       std::vector<std::vector<std::string>>{{"bootstraps", "--datasets", "10.55", input},
                                             {"bootstraps", "--datasets", "9.9", input},
                                             {"bootstraps", "--percent", "50.5", input},
                                             {"noise", "--percent", "0.5", input},
                                             {"noise", "--percent", "101", input},
                                             {"resample", "--otus", "8.1", input},
                                             {"resample", "--otus", "0.9", input}}) {
    const CliRun bad = RunTool(args);
    EXPECT_EQ(bad.status, kExitUsage) << args[1] << " " << args[2];
    EXPECT_TRUE(bad.out.empty());
  }
  EXPECT_EQ(RunTool({"noise", "--percent", "100", input}).status, kExitOk);
  EXPECT_EQ(RunTool({"resample", "--otus", "8", input}).status, kExitOk);
}

TEST(GenerateCommands, AreAvailableWhereTheMenuOffersThem) {
  EXPECT_EQ(RunTool({"missstraps", "--quantitative", Example("traits.phy")}).status, kExitUsage);
  EXPECT_EQ(RunTool({"noise", "--quantitative", Example("traits.phy")}).status, kExitUsage);
  const CliRun quantitative = RunTool({"genstraps", "--quantitative", Example("traits.phy")});
  EXPECT_EQ(quantitative.status, kExitOk) << quantitative.err;
  const CliRun several = RunTool({"permutations", Example("marker_sets.phy")});
  EXPECT_EQ(several.status, kExitUsage);
  EXPECT_NE(several.err.find("several data sets"), std::string::npos);
  EXPECT_TRUE(several.out.empty());
}

}  // namespace
}  // namespace marbleset::cli
