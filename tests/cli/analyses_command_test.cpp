// marbleset-cli amova, mantel and the tree's cophenetic correlation, run in-process on a worked
// example: pops A and B of two OTUs each, 1 apart within a pop and 2 between pops.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/run_cli.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(std::vector<std::string> args) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err, false);
  return {status, out.str(), err.str()};
}

// Squared distances: 1 within the pops, 4 between. SSD total (2 + 16) / 4 = 4.5, within pops
// 1/2 + 1/2 = 1, among 3.5; n = 2, so sigma among = (3.5 - 0.5) / 2 = 1.5 and Phi-ST 0.75.
TEST(AnalysesCommands, WorkedExample_TablesNameTheirMethodAndRefuseMismatchedNames) {
  const ScratchFolder folder;
  PutFile(folder / "d.txt",
          "4\na1        0 1 2 2\na2        1 0 2 2\nb1        2 2 0 1\nb2        2 2 1 0\n");
  PutFile(folder / "shuffled.txt",
          "4\nb2        0 1 2 2\nb1        1 0 2 2\na2        2 2 0 1\na1        2 2 1 0\n");
  PutFile(folder / "other.txt",
          "4\na1        0 1 2 2\na2        1 0 2 2\nb1        2 2 0 1\nc9        2 2 1 0\n");
  PutFile(folder / "pops.txt", "a1\tA\na2\tA\nb1\tB\nb2\tB\n");
  const ToolRun amova = Tool({"amova", "--groups", folder / "pops.txt", "--permutations", "0",
                              "--distances", folder / "d.txt"});
  ASSERT_EQ(amova.status, 0) << amova.err;
  EXPECT_NE(amova.out.find("(Excoffier, Smouse & Quattro 1992)"), std::string::npos);
  EXPECT_NE(amova.out.find("Among populations      1  3.5000  3.5000  1.500000   75.00  -"),
            std::string::npos)
      << amova.out;
  EXPECT_NE(amova.out.find("Phi-ST     0.7500  -"), std::string::npos) << amova.out;
  const ToolRun csv =
      Tool({"amova", "--groups", folder / "pops.txt", "--csv", "--distances", folder / "d.txt"});
  EXPECT_NE(csv.out.find("\r\nWithin populations,2,1,0.5,0.5,25,"), std::string::npos) << csv.out;
  // The same table from similarities (3 less each distance).
  PutFile(folder / "s.txt",
          "4\na1        3 2 1 1\na2        2 3 1 1\nb1        1 1 3 2\nb2        1 1 2 3\n");
  const ToolRun similar = Tool({"amova", "--groups", folder / "pops.txt", "--permutations", "0",
                                "--distances", folder / "s.txt"});
  EXPECT_NE(similar.out.find("Among populations      1  3.5000  3.5000  1.500000"),
            std::string::npos)
      << similar.out;
  // A file of two matrices is refused, not cut to its first, and nothing is written.
  PutFile(folder / "two.txt", FileBytes(folder / "d.txt") + FileBytes(folder / "d.txt"));
  const std::vector<std::string> two = {"--distances", folder / "two.txt", folder / "out.txt"};
  for (std::vector<std::string> args :
       {std::vector<std::string>{"network"}, {"amova", "--groups", folder / "pops.txt"}}) {
    args.insert(args.end(), two.begin(), two.end());
    const ToolRun refusal = Tool(args);
    EXPECT_EQ(refusal.status, 2) << args[0];
    EXPECT_NE(refusal.err.find("holds 2 matrices"), std::string::npos) << refusal.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.txt")) << args[0];
  }

  const ToolRun mantel = Tool({"mantel", folder / "d.txt", folder / "shuffled.txt"});
  ASSERT_EQ(mantel.status, 0) << mantel.err;
  EXPECT_NE(mantel.out.find("(Mantel 1967)"), std::string::npos);
  EXPECT_NE(mantel.out.find("  4  1.000000  "), std::string::npos) << mantel.out;
  const ToolRun refused = Tool({"mantel", folder / "d.txt", folder / "other.txt"});
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.err.find("b2"), std::string::npos) << refused.err;

  // A tree that keeps every distance: r = 1.
  PutFile(folder / "four.phy",
          "4 6\nA            1 1 1 1 1 1\nB            1 1 1 1 1 1\n"
          "C            0 0 0 0 0 0\nD            0 0 0 0 0 0\n");
  const ToolRun tree = Tool({"tree", "--replicates", "10", folder / "four.phy", folder / "t.nwk"});
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_NE(tree.err.find("Cophenetic correlation (Sokal & Rohlf 1962) of the neighbor-joining "
                          "tree with its distances: r = 1.000000"),
            std::string::npos)
      << tree.err;
}

}  // namespace
}  // namespace marbleset
