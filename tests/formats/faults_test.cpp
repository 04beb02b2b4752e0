// Inputs a careful or a hostile user gives the tool, run as marbleset-cli runs them: each is
// refused with its reason (or read as declared), and the folder holds afterwards exactly what
// it should: no output from a refused run, no file of the user's replaced.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/tool_in_process.h"
#include "dataset/errors.h"
#include "distances/distance_run.h"
#include "distances/reference_pass.h"
#include "distances/test_data.h"
#include "format_test_support.h"

namespace marbleset::test {
namespace {

using cli::RunTool;

// The names in folder, sorted: what a run left on disk.
std::vector<std::string> Listing(const ScratchFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder.path))
    names.push_back(entry.path().lexically_relative(folder.path).string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReaderFaults, TableWithMistypedCell_RefusesGuessThatWouldDropColumns) {
  ScratchFolder folder;
  // "O" for "0" in the third column of values: the guess would start at column 5.
  PutFile(folder / "bands.csv", "name,site,m1,m2,m3\nA,north,0,1,0\nB,south,1,O,1\nC,east,0,1,1\n");
  const auto guessed =
      RunTool({"convert", "--to", "csv", folder / "bands.csv", folder / "out.csv"});
  EXPECT_EQ(guessed.status, 3);
  for (const char* part : {"line 3, column 4", "\"O\"", "--first-data-column"})
    EXPECT_NE(guessed.err.find(part), std::string::npos) << part << " in " << guessed.err;
  // Named, the first data column makes the cell an error of its own, at the same place.
  const auto named = RunTool({"convert", "--to", "csv", "--first-data-column", "3",
                              folder / "bands.csv", folder / "out.csv"});
  EXPECT_EQ(named.status, 3);
  EXPECT_NE(named.err.find("line 3, column 4"), std::string::npos) << named.err;
  // A declared missing code wins over the state it looks like.
  PutFile(folder / "coded.csv", "name,m1,m2,m3\nA,0,1,0\nB,1,1,0\n");
  EXPECT_EQ(RunTool({"convert", "--to", "csv", folder / "coded.csv", folder / "coded_out.csv",
                     "--missing-code", "0"})
                .status,
            0);
  EXPECT_EQ(FileBytes(folder / "coded_out.csv"), "OTU,1,2,3\r\nA,NA,1,NA\r\nB,1,1,NA\r\n");
  // A header one field short (R's row names) and a record one field short.
  PutFile(folder / "rows.csv", "m1,m2\nA,0,1\nB,1\n");
  const auto shifted = RunTool({"info", folder / "rows.csv"});
  EXPECT_NE(shifted.err.find("line 3: this record has 2 fields where the records need 3"),
            std::string::npos)
      << shifted.err;
  EXPECT_EQ(Listing(folder),
            (std::vector<std::string>{"bands.csv", "coded.csv", "coded_out.csv", "rows.csv"}));
}

TEST(ReaderFaults, CompressedVcfCutShort_IsRefused) {
  ScratchFolder folder;
  std::string vcf =
      "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
      "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\n";
  for (int i = 1; i <= 2000; ++i)
    vcf += "1\t" + std::to_string(i) + "\t.\tA\tG\t.\t.\t.\tGT\t0/1\t1/1\n";
  PutFile(folder / "calls.vcf", vcf);
  // Named without their extensions, so the format is told from their content.
  Shell(folder, "bgzip -c calls.vcf >calls.gz && bcftools view -Ob -o calls calls.vcf");
  for (const char* name : {"calls.gz", "calls"}) {
    EXPECT_EQ(RunTool({"convert", "--to", "phylip", folder / name, folder / "whole.phy"}).status, 0)
        << name;
    fs::remove(folder / "whole.phy");
    // Without the 28-byte end-of-file block: cut at a block boundary.
    const std::string bytes = FileBytes(folder / name);
    PutFile(folder / name, bytes.substr(0, bytes.size() - 28));
    const auto cut = RunTool({"convert", "--to", "phylip", folder / name, folder / "cut.phy"});
    EXPECT_EQ(cut.status, 3) << name;
    EXPECT_NE(cut.err.find("cut short"), std::string::npos) << cut.err;
    EXPECT_FALSE(fs::exists(folder / "cut.phy"));
  }
}

// The most this process has held so far, in kilobytes.
long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(ReaderFaults, HugeDeclaredShape_RefusedBeforeMemoryIsTaken) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> args;
  };
  const std::string nexus =
      "#NEXUS\nBEGIN DATA;\nDIMENSIONS NTAX=100000 NCHAR=100000;\n"
      "FORMAT DATATYPE=CONTINUOUS;\nMATRIX\nA 1\n;\nEND;\n";
  const std::vector<Case> cases = {
      {"quant.phy", " 32767 32767\nA 1\n", {"info", "--quantitative"}},
      {"binary.phy", " 100000 2000000\nA 0\n", {"info"}},
      {"matrix.nts", "1 32767 32767 0\nA\n1\n", {"info", "--quantitative"}},
      {"big.nex", nexus, {"info"}},
      {"sets.phy",
       " 2 2\nA           0 1\nB           1 0\n 300000 3\nC\n",
       {"distances", "--quantitative"}},
  };
  const long before = PeakKilobytes();
  for (const Case& c : cases) {
    PutFile(folder / c.name, c.text);
    std::vector<std::string> args = c.args;
    args.push_back(folder / c.name);
    if (args.front() == "distances") args.push_back(folder / "distances.txt");
    const auto run = RunTool(args);
    EXPECT_EQ(run.status, 3) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find("declare"), std::string::npos) << run.err;
  }
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
  // The multi-set run keeps the first data set's matrix and says where it stopped.
  EXPECT_EQ(FileBytes(folder / "distances.txt").substr(0, 4), " 2\r\n");
}

TEST(DistanceFaults, IgnoreWithoutSharedCharacter_HasNoValueForAnyCoefficient) {
  using C = Coefficient;
  auto binary = std::make_unique<DataSet>();
  testing::FillBinary(*binary, {"a", "b", "c"}, {"01??", "??10", "0110"});
  auto quantitative = std::make_unique<DataSet>();
  const float q = kQuantitativeMissingValue;
  testing::FillQuantitative(*quantitative, {"a", "b", "c"},
                            {{1, 2, q, q}, {q, q, 3, 5}, {2, 2, 3, 4}});
  for (const C coefficient : {C::kBinaryMatching, C::kJaccard, C::kNei, C::kQuantitativeMatching,
                              C::kEuclidean, C::kTaxDistance, C::kCorrelation}) {
    const bool isBinary =
        coefficient == C::kBinaryMatching || coefficient == C::kJaccard || coefficient == C::kNei;
    const DataSet& data = isBinary ? *binary : *quantitative;
    for (const bool distances : {true, false}) {
      const DistanceSettings settings{coefficient, MissingPolicy::kIgnore, distances, false};
      const std::string fast = FailureText<WriteFailure>(
          [&] { Written([&](TextSink& out) { DistanceMatrixPass(data, settings, out); }); });
      const std::string reference = FailureText<WriteFailure>(
          [&] { Written([&](TextSink& out) { ReferenceMatrixPass(data, settings, out, 0); }); });
      EXPECT_EQ(fast, reference) << CoefficientName(coefficient);
      EXPECT_NE(fast.find("between OTU a and OTU b cannot be computed: no character has values "
                          "for both OTUs."),
                std::string::npos)
          << fast;
    }
  }
}

TEST(OutputFaults, TwoOutputsNamingOneFile_RefusedBeforeAnythingIsWritten) {
  ScratchFolder folder;
  const std::string data = MARBLESET_EXAMPLES_DIR "/markers.phy";
  fs::create_directory(folder / "sub");
  PutFile(folder / "tree.nwk", "kept\n");
  fs::create_symlink(folder / "tree.nwk", folder / "link.nwk");
  for (const std::string& other : {folder / "tree.nwk", folder.path.string() + "/./tree.nwk",
                                   folder / "sub/../tree.nwk", folder / "link.nwk"}) {
    const auto run = RunTool(
        {"tree", "--force", "--replicates", "10", data, folder / "tree.nwk", "--consensus", other});
    EXPECT_EQ(run.status, 4) << other;
    EXPECT_NE(run.err.find("OUTPUT and --consensus name this one file"), std::string::npos)
        << run.err;
    EXPECT_EQ(FileBytes(folder / "tree.nwk"), "kept\n");
  }
  EXPECT_EQ(Listing(folder), (std::vector<std::string>{"link.nwk", "sub", "tree.nwk"}));
}

TEST(OutputFaults, RestoreNamesOfBrokenTree_IsRefused) {
  ScratchFolder folder;
  PutFile(folder / "names.tsv",
          "name in file\toriginal name\r\nA\tFestuca rubra\r\nB\tO'Hara\r\n"
          "C\tC\r\n");
  const std::vector<std::string> broken = {
      "((A,B),C;\n", "(A,B));\n", "(A,B);(B,C);\n", "(A,B)\n",   "(A,,B);\n",
      "(A,X);\n",    ";\n",       "(A,'B);\n",      "[(A,B);\n", ""};
  for (const std::string& tree : broken) {
    PutFile(folder / "outtree", tree);
    const auto run = RunTool({"restore-names", "--table", folder / "names.tsv", folder / "outtree",
                              folder / "restored.tre"});
    EXPECT_EQ(run.status, 3) << tree;
    EXPECT_FALSE(fs::exists(folder / "restored.tre")) << tree;
  }
  // PHYLIP breaks a tree over lines; each tree begins on a line of its own.
  PutFile(folder / "outtree", "(A:0.1,\nB:0.2,C);\n(B,(A,C));\n");
  ASSERT_EQ(RunTool({"restore-names", "--table", folder / "names.tsv", folder / "outtree",
                     folder / "restored.tre"})
                .status,
            0);
  EXPECT_EQ(FileBytes(folder / "restored.tre"),
            "('Festuca rubra':0.1,\n'O''Hara':0.2,C);\n('O''Hara',('Festuca rubra',C));\n");
}

}  // namespace
}  // namespace marbleset::test
