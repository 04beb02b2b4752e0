// marbleset-cli tree, run in-process: exact bytes for data whose every replicate gives the same
// tree, worked out by hand, and refusals of settings out of bounds.
#include <gtest/gtest.h>

#include "cli/tool_in_process.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

using cli::RunTool;

// A and B share every character, C and D the opposite: every replicate has d(A,B) = d(C,D) = 0
// and 1 elsewhere. Joining A and B first (the first of the equal criteria, -4), their branches
// are (0 + 1 - 1) / 2 = 0, and the last three give (A,B) a branch of (1 + 1 - 0) / 2 = 1.
TEST(TreeCommand, IdenticalReplicates_ExactTreeWithFullSupport) {
  ScratchFolder folder;
  PutFile(folder / "four.phy",
          "4 6\r\nA            1 1 1 1 1 1\r\nB            1 1 1 1 1 1\r\n"
          "C            0 0 0 0 0 0\r\nD            0 0 0 0 0 0\r\n");
  const std::string data = folder / "four.phy", out = folder / "four.nwk",
                    replicates = folder / "reps.nwk", consensus = folder / "cons.nwk";
  const cli::CliRun run =
      RunTool({"tree", "--replicates", "10", "--method", "nj", "--replicate-trees", replicates,
               "--consensus", consensus, data, out});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileBytes(out), "((A:0.000000,B:0.000000)100:1.000000,C:0.000000,D:0.000000);\r\n");
  std::string tenTrees;
  for (int k = 0; k < 10; ++k)
    tenTrees += "((A:0.000000,B:0.000000):1.000000,C:0.000000,D:0.000000);\r\n";
  EXPECT_EQ(FileBytes(replicates), tenTrees);
  EXPECT_EQ(FileBytes(consensus), "(A,B,(C,D)100);\r\n");

  // UPGMA: (A,B) and (C,D) at height 0, joined at 1 / 2.
  const cli::CliRun upgma = RunTool({"tree", "--method", "upgma", "--seed", "3", data, "-"});
  ASSERT_EQ(upgma.status, 0) << upgma.err;
  EXPECT_EQ(upgma.out,
            "((A:0.000000,B:0.000000)100:0.500000,(C:0.000000,D:0.000000)100:0.500000);\r\n");

  const cli::CliRun few = RunTool({"tree", "--replicates", "9", data, "-"});
  EXPECT_EQ(few.status, 2);
  EXPECT_NE(few.err.find("10 to 10000"), std::string::npos) << few.err;
  EXPECT_EQ(RunTool({"tree", "--resampling", "jackknife", "--percent", "20", data, "-"}).status, 2);
  EXPECT_EQ(RunTool({"tree", "--coefficient", "Euclidean", data, "-"}).status, 2);
  EXPECT_EQ(RunTool({"tree", data, data}).status, 4) << "data file as output";
  EXPECT_EQ(FileBytes(data).substr(0, 5), "4 6\r\n");
}

}  // namespace
}  // namespace marbleset
