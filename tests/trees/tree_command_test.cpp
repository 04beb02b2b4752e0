// marbleset-cli tree, run in-process: exact bytes for data whose every replicate gives the same
// tree, worked out by hand, and refusals of settings out of bounds.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/run_cli.h"
#include "tree_test_support.h"

namespace marbleset {
namespace {

int RunTool(std::vector<const char*> args, std::string& out, std::string& err) {
  args.insert(args.begin(), "marbleset-cli");
  std::ostringstream outStream, errStream;
  const int status =
      cli::RunCli(static_cast<int>(args.size()), args.data(), outStream, errStream, false);
  out = outStream.str();
  err = errStream.str();
  return status;
}

// A and B share every character, C and D the opposite: every replicate has d(A,B) = d(C,D) = 0
// and 1 elsewhere. Joining A and B first (the first of the equal criteria, -4), their branches
// are (0 + 1 - 1) / 2 = 0, and the last three give (A,B) a branch of (1 + 1 - 0) / 2 = 1.
TEST(TreeCommand, IdenticalReplicates_ExactTreeWithFullSupport) {
  ScratchFolder folder;
  std::ofstream(folder / "four.phy", std::ios::binary)
      << "4 6\r\nA            1 1 1 1 1 1\r\nB            1 1 1 1 1 1\r\n"
         "C            0 0 0 0 0 0\r\nD            0 0 0 0 0 0\r\n";
  const std::string data = folder / "four.phy", out = folder / "four.nwk",
                    replicates = folder / "reps.nwk", consensus = folder / "cons.nwk";
  std::string text, err;
  ASSERT_EQ(
      RunTool({"tree", "--replicates", "10", "--method", "nj", "--replicate-trees",
               replicates.c_str(), "--consensus", consensus.c_str(), data.c_str(), out.c_str()},
              text, err),
      0)
      << err;
  EXPECT_EQ(FileBytes(out), "((A:0.000000,B:0.000000)100:1.000000,C:0.000000,D:0.000000);\r\n");
  std::string tenTrees;
  for (int k = 0; k < 10; ++k)
    tenTrees += "((A:0.000000,B:0.000000):1.000000,C:0.000000,D:0.000000);\r\n";
  EXPECT_EQ(FileBytes(replicates), tenTrees);
  EXPECT_EQ(FileBytes(consensus), "(A,B,(C,D)100);\r\n");

  // UPGMA: (A,B) and (C,D) at height 0, joined at 1 / 2.
  ASSERT_EQ(RunTool({"tree", "--method", "upgma", "--seed", "3", data.c_str(), "-"}, text, err), 0);
  EXPECT_EQ(text, "((A:0.000000,B:0.000000)100:0.500000,(C:0.000000,D:0.000000)100:0.500000);\r\n");

  EXPECT_EQ(RunTool({"tree", "--replicates", "9", data.c_str(), "-"}, text, err), 2);
  EXPECT_NE(err.find("10 to 10000"), std::string::npos) << err;
  EXPECT_EQ(RunTool({"tree", "--resampling", "jackknife", "--percent", "20", data.c_str(), "-"},
                    text, err),
            2);
  EXPECT_EQ(RunTool({"tree", "--coefficient", "Euclidean", data.c_str(), "-"}, text, err), 2);
  EXPECT_EQ(RunTool({"tree", data.c_str(), data.c_str()}, text, err), 4) << "data file as output";
  EXPECT_EQ(FileBytes(data).substr(0, 5), "4 6\r\n");
}

}  // namespace
}  // namespace marbleset
