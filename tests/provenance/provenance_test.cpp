// Digests against the published SHA-256 vectors and sha256sum; the methods text and run report
// of each command family, run in-process, against the data file itself and python3's json.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/run_cli.h"
#include "provenance/sha256.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

struct ToolRun {
  int status;
  std::string err;
};

ToolRun Tool(std::vector<std::string> args) {
  args.insert(args.begin(), "marbleset-cli");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out, err;
  const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err, false);
  return {status, err.str()};
}

std::string Shell(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[256];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  if (pipe != nullptr) ::pclose(pipe);
  return text;
}

std::string SumOf(const std::string& path) {
  return Shell("sha256sum '" + path + "'").substr(0, 64);
}

TEST(Sha256, PublishedVectorsAndSha256sum) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  const ScratchFolder folder;
  // Lengths around the block's 55/56/64-byte edges and past the file reader's 64 KiB pieces.
  for (const std::size_t length : {55u, 56u, 63u, 64u, 65u, 65536u, 200003u}) {
    std::string bytes;
    for (std::size_t k = 0; k < length; ++k) bytes += static_cast<char>((k * 7919) % 251);
    PutFile(folder / "bytes", bytes);
    EXPECT_EQ(Sha256OfFile(folder / "bytes"), SumOf(folder / "bytes")) << length;
  }
  EXPECT_FALSE(Sha256OfFile(folder / "absent"));
}

struct MethodsCase {
  std::vector<std::string> args;  // INPUT and OUTPUT follow
  std::string input;
  std::vector<std::string> expected;
};

TEST(Methods, EachCommandFamilyNamesItsFormulaRuleSeedAndReferences) {
  const std::string examples = MARBLESET_EXAMPLES_DIR;
  const std::string markers = examples + "/markers.phy";
  const ScratchFolder folder;
  const std::vector<MethodsCase> cases = {
      {{"distances", "--coefficient", "Jaccard", "--missing", "Marker mean"},
       markers,
       {"8 OTUs and 24 binary characters", "S = a / (a + b + c)", "shared absences are left out",
        "character's mean", "distance written is 1 - S", "Jaccard, P. (1908)"}},
      {{"distances", "--coefficient", "Nei", "--missing", "Ignore", "--similarities"},
       markers,
       {"S = 2a / (2a + b + c)", "left out of that pair's comparison", "similarity S is written",
        "Nei, M. & Li, W.-H. (1979)"}},
      {{"distances", "--quantitative", "--coefficient", "Tax. distance"},
       examples + "/traits.phy",
       {"quantitative characters", "sqrt(sum over characters k of (x_ik - x_jk)^2 / n)",
        "Sokal, R. R. (1961)"}},
      {{"bootstraps", "--datasets", "20", "--percent", "12.5", "--seed", "7"},
       markers,
       {"20 data sets were generated from the data as bootstrap replicates", "chance of 12.5%",
        "seed 7,", "Efron, B. (1979)"}},
      {{"noise", "--datasets", "10"}, markers, {"10 data sets", "chance of 10.0%", "seed 0,"}},
      {{"tree", "--method", "upgma", "--replicates", "10", "--resampling", "classic", "--seed",
        "3"},
       markers,
       {"A UPGMA tree (Sokal & Michener 1958)", "rooted where its last two clusters join",
        "10 bootstrap replicates of as many characters", "seed 3,", "Felsenstein, J. (1985)",
        "simple matching coefficient S = (a + d) / (a + b + c + d)", "half as a match"}},
      {{"tree", "--replicates", "10"},
       markers,
       {"neighbor-joining tree (Saitou & Nei 1987)", "unrooted", "chance of 35.0%"}},
      {{"tree", "--replicates", "10", "--root", "3"},
       markers,
       {"built from the distances and rooted on the branch leading to Festuca."}},
      {{"tree", "--method", "upgma", "--replicates", "10", "--root", "midpoint"},
       markers,
       {"A UPGMA tree (Sokal & Michener 1958) was built from the distances and rooted at the "
        "midpoint of its longest path."}},
      {{"crop", "--monomorphic", "--otus-with-missing"},
       markers,
       {"monomorphic characters and OTUs with missing entries were removed"}},
      {{"network"}, markers, {"Neighbor-Net (Bryant & Moulton 2004)", "Bryant, D."}},
  };
  for (const MethodsCase& test : cases) {
    std::vector<std::string> texts;
    for (const char* run : {"a", "b"}) {
      std::vector<std::string> args = test.args;
      const std::string methods = folder / (std::string("methods_") + run);
      args.insert(args.end(), {"--force", "--methods", methods, test.input, folder / "out"});
      const ToolRun tool = Tool(args);
      ASSERT_EQ(tool.status, 0) << test.args[0] << ": " << tool.err;
      texts.push_back(FileBytes(methods));
    }
    const std::string& text = texts[0];
    EXPECT_EQ(texts[1], text) << "the text of one run is stable";
    EXPECT_NE(text.find("(SHA-256 " + SumOf(test.input) + ")"), std::string::npos) << text;
    EXPECT_NE(text.find("marbleset-cli " + test.args[0] + ")"), std::string::npos) << text;
    for (const std::string& phrase : test.expected)
      EXPECT_NE(text.find(phrase), std::string::npos) << phrase << "\n" << text;
  }
}

TEST(Methods, PermutationTestsNameTheirTestAndSeed) {
  const ScratchFolder folder;
  const std::string matrix =
      "4\na1        0 1 2 2\na2        1 0 2 2\nb1        2 2 0 1\nb2        2 2 1 0\n";
  PutFile(folder / "d.txt", matrix);
  PutFile(folder / "e.txt", matrix);
  PutFile(folder / "pops.txt", "a1\tA\na2\tA\nb1\tB\nb2\tB\n");
  ASSERT_EQ(Tool({"mantel", "--method", "spearman", "--permutations", "99", "--seed", "5",
                  "--methods", folder / "m.txt", folder / "d.txt", folder / "e.txt"})
                .status,
            0);
  const std::string mantel = FileBytes(folder / "m.txt");
  for (const std::string& phrase :
       std::vector<std::string>{"Mantel test (Mantel 1967) with Spearman's", "from 99 random",
                                "seed 5,", "Mantel, N. (1967)", SumOf(folder / "e.txt")})
    EXPECT_NE(mantel.find(phrase), std::string::npos) << phrase << "\n" << mantel;
  ASSERT_EQ(Tool({"amova", "--groups", folder / "pops.txt", "--distances", "--methods",
                  folder / "a.txt", folder / "d.txt"})
                .status,
            0);
  const std::string amova = FileBytes(folder / "a.txt");
  EXPECT_NE(amova.find("Excoffier, L., Smouse, P. E. & Quattro, J. M. (1992)"), std::string::npos)
      << amova;
  EXPECT_NE(amova.find("999 random permutations"), std::string::npos) << amova;
}

TEST(RunReport, JsonHoldsTheDigestsSeedAndSettingsAndClashesAreRefused) {
  const ScratchFolder folder;
  PutFile(folder / "in.phy", FileBytes(std::string(MARBLESET_EXAMPLES_DIR) + "/markers.phy"));
  ASSERT_EQ(Tool({"bootstraps", "--seed", "11", "--datasets", "10", "--report", folder / "run.json",
                  folder / "in.phy", folder / "out.phy"})
                .status,
            0);
  const std::string check =
      "import json,sys; r=json.load(open(sys.argv[1])); "
      "print(r['seed'], r['settings']['--datasets'], r['inputs'][0]['sha256'], "
      "r['outputs'][0]['sha256'], r['command_line'][1], r['wall_seconds'] >= 0)";
  EXPECT_EQ(
      Shell("python3 -c \"" + check + "\" '" + folder / "run.json" + "'"),
      "11 10 " + SumOf(folder / "in.phy") + " " + SumOf(folder / "out.phy") + " bootstraps True\n");

  // The data file, the output in another spelling, and each other: refused before anything is
  // written, and the data file keeps its bytes.
  const std::string data = FileBytes(folder / "in.phy");
  const std::vector<std::vector<std::string>> clashes = {
      {"--methods", folder / "in.phy"},
      {"--report", folder / "sub/../new.phy"},
      {"--methods", folder / "same.txt", "--report", folder / "./same.txt"}};
  std::filesystem::create_directory(folder.path / "sub");
  for (std::vector<std::string> args : clashes) {
    args.insert(args.begin(), "distances");
    args.insert(args.end(), {folder / "in.phy", folder / "new.phy"});
    EXPECT_NE(Tool(args).status, 0) << args[1];
    EXPECT_FALSE(std::filesystem::exists(folder.path / "new.phy")) << args[1];
    EXPECT_FALSE(std::filesystem::exists(folder.path / "same.txt"));
    EXPECT_EQ(FileBytes(folder / "in.phy"), data);
  }
}

}  // namespace
}  // namespace marbleset
