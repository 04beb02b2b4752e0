// The tree builder against PHYLIP's own programs: neighbor (neighbor-joining and UPGMA) on the
// same matrices, consense on the same replicate trees.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "distances/distance_run.h"
#include "formats/distance_file_reader.h"
#include "formats/newick_reader.h"
#include "tree_test_support.h"
#include "trees/consensus.h"
#include "trees/neighbor_joining.h"
#include "trees/support_run.h"

namespace marbleset {
namespace {

// neighbor's tree and ours have the same branches, each length within PHYLIP's five decimals.
void ExpectSameTree(const Tree& ours, const std::string& phylipTree, const DistanceMatrix& matrix,
                    const std::string& what) {
  NewickNames names{matrix.names, true};
  const std::vector<Tree> theirs = ReadNewick(phylipTree, names, "neighbor's outtree");
  ASSERT_EQ(theirs.size(), 1u) << what;
  const auto expected = BranchesByNames(theirs[0], matrix.names);
  const auto got = BranchesByNames(ours, matrix.names);
  ASSERT_EQ(got.size(), expected.size()) << what;
  for (const auto& [side, length] : expected) {
    ASSERT_TRUE(got.contains(side)) << what << ": a branch of neighbor's tree missing from ours";
    // Two halves of a rooted tree's basal branch are each rounded to five decimals.
    EXPECT_NEAR(got.at(side), length, 1.01e-5) << what << ", branch of " << side.size() << " OTUs";
  }
}

void ExpectNeighborAgrees(const DataSet& data, const DistanceSettings& settings,
                          const std::string& what) {
  // The matrix as a distance run writes it, read back as PHYLIP reads it: both builders start
  // from the same six-decimal values.
  ScratchFolder folder;
  OutputFile file(folder / "infile");
  DistanceMatrixPass(data, settings, file.sink());
  file.Close();
  const DistanceMatrix matrix = ReadDistanceMatrixFile(folder / "infile").at(0);
  for (const TreeMethod method : {TreeMethod::kNeighborJoining, TreeMethod::kUpgma}) {
    ScratchFolder run;
    std::filesystem::copy_file(folder / "infile", run / "infile");
    const PhylipRun neighbor =
        RunPhylip("neighbor", run, method == TreeMethod::kUpgma ? "N\nY\n" : "Y\n");
    ASSERT_EQ(neighbor.status, 0) << what;
    const std::string label = what + (method == TreeMethod::kUpgma ? " UPGMA" : " NJ");
    ExpectSameTree(BuildTree(matrix, method), neighbor.outtree, matrix, label);
  }
}

// Every coefficient of both kinds, with missing entries under the default policy: matrices
// full of equal values (binary matching on few characters) test the order of joining too.
TEST(NeighborAgainstPhylip, EveryCoefficient_SameTopologyAndLengths) {
  for (const DataKind kind : {DataKind::kBinary, DataKind::kQuantitative}) {
    const DataSet data = RandomData(kind, 40, kind == DataKind::kBinary ? 24 : 60, 11);
    for (const Coefficient coefficient : CoefficientsFor(kind)) {
      DistanceSettings settings = DefaultDistanceSettings(kind);
      settings.coefficient = coefficient;
      ExpectNeighborAgrees(data, settings, std::string(CoefficientName(coefficient)));
    }
  }
}

TEST(NeighborAgainstPhylip, ThousandOtus_SameTopologyAndLengths) {
  const DataSet data = RandomData(DataKind::kBinary, 1000, 400, 5);
  ExpectNeighborAgrees(data, DefaultDistanceSettings(DataKind::kBinary), "1000 OTUs");
}

// consense's list of the sets in its consensus tree: each a row of '.' and '*' over its species
// (in the order of its species list), with the number of trees holding it.
std::map<Side, double> ConsenseSets(const std::string& outfile) {
  std::vector<std::string> species;
  const std::regex speciesLine(R"(^\s+\d+\. (\S+)\s*$)");
  std::istringstream lines(outfile);
  std::string line;
  std::map<Side, double> sets;
  bool inIncluded = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::smatch match;
    if (std::regex_match(line, match, speciesLine)) species.push_back(match[1]);
    if (line.find("Sets included in the consensus tree") != std::string::npos) inIncluded = true;
    if (line.find("Sets NOT included") != std::string::npos ||
        line.find("CONSENSUS TREE") != std::string::npos)
      inIncluded = false;
    const std::regex setLine(R"(^([.* ]+?)\s{2,}(\d+\.\d+)\s*$)");
    if (inIncluded && std::regex_match(line, match, setLine)) {
      Side side;
      std::size_t k = 0;
      for (char c : std::string(match[1])) {
        if (c == ' ') continue;
        if (c == '*') side.insert(species.at(k));
        ++k;
      }
      sets[side] = std::stod(match[2]);
    }
  }
  return sets;
}

// Our consensus groups by names, each the side without `outgroup`.
std::map<Side, double> OurSets(const Consensus& consensus, const std::vector<std::string>& names,
                               const std::string& outgroup) {
  std::map<Side, double> sets;
  for (const ConsensusGroup& group : consensus.groups) {
    Side side, other;
    for (std::size_t otu = 0; otu < names.size(); ++otu)
      (HasOtu(group.otus, otu) ? side : other).insert(names[otu]);
    sets[side.contains(outgroup) ? other : side] = group.count;
  }
  return sets;
}

// Only the groups held by more than half the trees.
std::map<Side, double> Majority(const std::map<Side, double>& sets, double trees) {
  std::map<Side, double> majority;
  for (const auto& [side, count] : sets)
    if (count > trees / 2) majority[side] = count;
  return majority;
}

// The replicate trees of a support run given to consense: its consensus has the same groups,
// each held by as many trees. Below the majority, consense settles groups held by equally many
// trees in an order of its own; on the larger case such a tie between conflicting groups
// occurs, so there only the majority part is compared in full.
TEST(ConsensusAgainstPhylip, ReplicateTrees_SameGroupsAndCounts) {
  struct Case {
    std::size_t otus, characters, replicates;
    Resampling resampling;
    bool tiesBelowMajority;
  };
  for (const Case c : {Case{12, 40, 100, Resampling::kBootstrap, false},
                       Case{30, 200, 200, Resampling::kClassic, false},
                       Case{60, 100, 100, Resampling::kJackknife, true}}) {
    const DataSet data = RandomData(DataKind::kBinary, c.otus, c.characters, 3);
    TreeSettings settings = DefaultTreeSettings(data);
    settings.replicates = c.replicates;
    settings.resampling = c.resampling;
    settings.seed = 17;
    ScratchFolder folder;
    SupportResult result;
    {
      OutputFile trees(folder / "intree");
      NoProgress none;
      result = RunSupport(data, settings, none, {.replicateTrees = &trees.sink()});
      trees.Close();
    }
    const PhylipRun consense = RunPhylip("consense", folder, "Y\n");
    ASSERT_EQ(consense.status, 0);
    // consense roots on the first species of the first tree.
    NewickNames names;
    const std::vector<Tree> trees = ReadNewickFile(folder / "intree", names);
    ASSERT_EQ(trees.size(), c.replicates);
    std::vector<std::string> dataNames;
    for (std::size_t otu = 0; otu < c.otus; ++otu) dataNames.push_back(OtuName(otu));
    const auto theirs = ConsenseSets(consense.outfile);
    const auto ours = OurSets(result.consensus, dataNames, names.names[0]);
    const double treeCount = static_cast<double>(c.replicates);
    EXPECT_FALSE(Majority(theirs, treeCount).empty());
    EXPECT_EQ(Majority(ours, treeCount), Majority(theirs, treeCount)) << c.otus << " OTUs";
    if (!c.tiesBelowMajority) {
      EXPECT_EQ(ours, theirs) << c.otus << " OTUs";
    }
  }
}

}  // namespace
}  // namespace marbleset
