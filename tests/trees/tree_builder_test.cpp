// The tree builder against its plain versions (its trees against PHYLIP's neighbor and consense
// are in phylip_trees_test): joining, Newick text, support against a plain recount of splits,
// reproducibility, failed replicates, rooting and layout.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "dataset/errors.h"
#include "dataset/progress.h"
#include "formats/newick_reader.h"
#include "formats/newick_writer.h"
#include "tree_test_support.h"
#include "trees/consensus.h"
#include "trees/neighbor_joining.h"
#include "trees/rooting.h"
#include "trees/splits.h"
#include "trees/support_run.h"
#include "trees/tree_layout.h"

namespace marbleset {
namespace {

// The fast version (rows closed up, vectorised sums) against the plain loops: the same joins
// and the same lengths to the last bit, on matrices full of equal values too.
TEST(NeighborJoining, FastAndPlainVersions_AgreeBitForBit) {
  std::mt19937 draw(7);
  for (const TreeMethod method : {TreeMethod::kNeighborJoining, TreeMethod::kUpgma}) {
    for (std::size_t n : {1u, 2u, 3u, 4u, 5u, 9u, 17u, 64u, 65u, 130u}) {
      for (bool ties : {false, true}) {
        DistanceMatrix matrix;
        matrix.n = n;
        matrix.values.assign(n * n, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
          matrix.names.push_back(OtuName(i));
          for (std::size_t j = i + 1; j < n; ++j)
            matrix.values[i * n + j] = matrix.values[j * n + i] =
                ties ? static_cast<double>(draw() % 4) / 4.0 : (draw() % 100000) / 1e5;
        }
        const Tree fast = BuildTree(matrix, method);
        const Tree plain = BuildTreePlainly(matrix, method);
        ASSERT_EQ(fast.nodes.size(), plain.nodes.size());
        EXPECT_EQ(fast.root, plain.root);
        for (std::size_t k = 0; k < fast.nodes.size(); ++k) {
          EXPECT_EQ(fast.nodes[k].children, plain.nodes[k].children) << n << " node " << k;
          if (fast.nodes[k].HasLength() || plain.nodes[k].HasLength()) {
            EXPECT_EQ(fast.nodes[k].length, plain.nodes[k].length) << n << " node " << k;
          }
        }
      }
    }
  }
}

TEST(NeighborJoining, MatrixWithoutNumber_IsRefused) {
  const DistanceMatrix matrix{3, {"a", "b", "c"}, {0, 1, 2, 1, 0, NAN, 2, NAN, 0}};
  EXPECT_THROW(BuildTree(matrix, TreeMethod::kNeighborJoining), Failure);
}

// Names that Newick gives a meaning to are quoted, blanks become '_' when that reads back the
// same, and every name reads back unchanged.
TEST(Newick, AwkwardNames_WrittenSafelyAndReadBack) {
  Tree tree;
  tree.root = tree.AddNode(kNoNode);
  const std::vector<std::string> names = {"Poa annua", "Zea_mays", "O'Hara",
                                          "a(b),c:d;", "",         "Bromus"};
  const std::size_t inner = tree.AddNode(tree.root);
  tree.nodes[inner].length = 0.25;
  tree.nodes[inner].support = 87.25;
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::size_t leaf = tree.AddNode(k < 2 ? inner : tree.root);
    tree.nodes[leaf].name = names[k];
    tree.nodes[leaf].otu = k;
    // Tiny negative lengths are written without a minus sign.
    tree.nodes[leaf].length = k + 1 == names.size() ? -0.25 : -1e-9;
  }
  const std::string text = NewickText(tree);
  EXPECT_EQ(text,
            "((Poa_annua:0.000000,'Zea_mays':0.000000)87.3:0.250000,'O''Hara':0.000000,"
            "'a(b),c:d;':0.000000,'':0.000000,Bromus:-0.250000);");
  NewickNames read;
  const std::vector<Tree> back = ReadNewick(text + "\r\n" + text, read);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(read.names, names);
  EXPECT_NEAR(back[1].nodes[1].support, 87.3, 1e-12);
  EXPECT_EQ(NewickText(back[1]), text);
}

// PHYLIP's outtree: lines broken between tokens, CR LF, a weight comment, lengths with '+'.
TEST(Newick, PhylipTreeFiles_ReadWithTheirLayout) {
  NewickNames names;
  const auto trees = ReadNewick(
      "(A:0.10000,(B:+0.2,\r\nC:3e-1)[comment]:0.05,\n D:1)[0.5000];\r\n(D,A,(B,C));\n", names);
  ASSERT_EQ(trees.size(), 2u);
  EXPECT_EQ(names.names, (std::vector<std::string>{"A", "B", "C", "D"}));
  EXPECT_EQ(trees[0].LeafCount(), 4u);
  EXPECT_DOUBLE_EQ(trees[0].nodes[trees[0].nodes[2].children[1]].length, 0.3);
  EXPECT_EQ(TreeSplits(trees[0], 4), TreeSplits(trees[1], 4));

  for (const char* bad : {"(A,B", "(A,B));", "(A,,B);", "(A,A);", "(A:x,B);", "(A,B)[;"}) {
    NewickNames fresh;
    EXPECT_THROW(ReadNewick(bad, fresh, "t.nwk"), ReadFailure) << bad;
  }
  NewickNames fixed{{"A", "B"}, true};
  try {
    ReadNewick("(A,Q);", fixed, "t.nwk");
    FAIL() << "unknown name accepted";
  } catch (const ReadFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("\"Q\""), std::string::npos) << failure.what();
  }
}

// A support run with its replicate trees written as text.
SupportResult RunWritingTrees(const DataSet& data, const TreeSettings& settings,
                              std::string& trees) {
  std::ostringstream text;
  TextSink sink(text);
  NoProgress none;
  const SupportResult result = RunSupport(data, settings, none, {.replicateTrees = &sink});
  sink.Flush();
  trees = text.str();
  return result;
}

// Support of each branch of the data's tree against a plain recount: the replicate trees as
// written, read back, and every branch's set of names looked for in each of them.
TEST(SupportRun, SupportValues_MatchAPlainRecountOfSplits) {
  const DataSet data = RandomData(DataKind::kBinary, 25, 60, 9);
  TreeSettings settings = DefaultTreeSettings(data);
  settings.replicates = 50;
  settings.seed = 3;
  std::string replicateText;
  const SupportResult result = RunWritingTrees(data, settings, replicateText);
  EXPECT_EQ(result.treesBuilt, 50u);
  NewickNames names;
  const std::vector<Tree> replicates = ReadNewick(replicateText, names);
  ASSERT_EQ(replicates.size(), 50u);
  std::vector<std::string> sorted = names.names;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::map<Side, double>> replicateBranches;
  for (const Tree& tree : replicates) replicateBranches.push_back(BranchesByNames(tree, sorted));
  std::size_t checked = 0;
  for (std::size_t node = 0; node < result.reference.nodes.size(); ++node) {
    const TreeNode& n = result.reference.nodes[node];
    if (n.IsLeaf() || node == result.reference.root) continue;
    const Side side = SideOf(result.reference, node, sorted);
    if (side.size() < 2) continue;
    double holding = 0;
    for (const auto& branches : replicateBranches) holding += branches.contains(side);
    EXPECT_NEAR(n.support, 100.0 * holding / 50.0, 1e-9);
    ++checked;
  }
  EXPECT_EQ(checked, 22u);  // 25 OTUs: 22 inner branches
}

// The same seed gives the same replicate trees and support on 1, 2 or 3 threads; another seed
// other ones. Each kind of resampling.
TEST(SupportRun, SameSeed_SameResultsWhateverTheThreads) {
  const DataSet data = RandomData(DataKind::kBinary, 20, 80, 4);
  for (const Resampling resampling : ResamplingKinds()) {
    std::vector<std::string> texts;
    for (const auto& [threads, seed] :
         std::vector<std::pair<int, std::uint64_t>>{{1, 5}, {2, 5}, {3, 5}, {2, 6}}) {
      TreeSettings settings = DefaultTreeSettings(data);
      settings.replicates = 30;
      settings.resampling = resampling;
      settings.threads = threads;
      settings.seed = seed;
      std::string text;
      const SupportResult result = RunWritingTrees(data, settings, text);
      texts.push_back(text + NewickText(result.reference) + NewickText(result.consensus.tree));
    }
    EXPECT_EQ(texts[0], texts[1]) << ResamplingName(resampling);
    EXPECT_EQ(texts[0], texts[2]) << ResamplingName(resampling);
    EXPECT_NE(texts[0], texts[3]) << ResamplingName(resampling);
    // Each replicate draws anew: the replicate trees are not all one tree.
    std::istringstream lines(texts[0]);
    std::set<std::string> distinct;
    for (std::string line; std::getline(lines, line);) distinct.insert(line);
    EXPECT_GT(distinct.size(), 10u) << ResamplingName(resampling);
  }
}

// A correlation whose OTU is constant over a replicate's characters has no value: the replicate
// is counted as failed, with its reason, and left out of the support's denominator.
TEST(SupportRun, ReplicateWithoutCorrelation_CountedAndReported) {
  DataSet data = RandomData(DataKind::kQuantitative, 8, 12, 2, 0.0);
  for (std::size_t k = 0; k < 12; ++k) data.SetValue(0, k, k == 0 ? 9.0f : 5.0f);
  TreeSettings settings = DefaultTreeSettings(data);
  settings.distance.coefficient = Coefficient::kCorrelation;
  settings.resampling = Resampling::kClassic;
  settings.replicates = 200;
  NoProgress none;
  const SupportResult result = RunSupport(data, settings, none);
  // Character 0 is missing from a replicate with probability (11/12)^12, about 0.35.
  EXPECT_GT(result.failedReplicates, 40u);
  EXPECT_LT(result.failedReplicates, 110u);
  EXPECT_EQ(result.treesBuilt + result.failedReplicates, 200u);
  EXPECT_NE(FailedReplicatesText(result).find("replicates gave no tree"), std::string::npos);
  EXPECT_NE(result.firstFailure.find("T0"), std::string::npos) << result.firstFailure;
  for (const auto& node : result.reference.nodes)
    EXPECT_LE(node.HasSupport() ? node.support : 0, 100);
}

struct CancelAtOnce : Progress {
  void Start(std::string_view) override {}
  void Advance(double) override {}
  bool CancelRequested() const override { return true; }
};

TEST(SupportRun, SettingsOutOfBoundsOrCancel_StopTheRun) {
  const DataSet data = RandomData(DataKind::kBinary, 6, 10, 1);
  NoProgress none;
  const TreeSettings sound = DefaultTreeSettings(data);
  // Too few replicates, too many, a bootstrap of 0 %, similarities.
  for (int fault = 0; fault < 4; ++fault) {
    TreeSettings settings = sound;
    settings.replicates = fault == 0 ? 9 : (fault == 1 ? 10001 : 10);
    if (fault == 2) settings.percent = 0;
    if (fault == 3) settings.distance.distances = false;
    EXPECT_THROW(RunSupport(data, settings, none), Failure) << fault;
  }
  CancelAtOnce cancel;
  EXPECT_THROW(RunSupport(data, sound, cancel), RunCancelled);
}

// Groups that share no OTU are compatible: (C,D) and (E,F) are both kept. With A alone at the
// root of a rooted tree, its sister of all other OTUs is no group: no support on its branch,
// and the consensus keeps every real group.
TEST(Consensus, DisjointGroupsAndTheFirstOtuAloneAtTheRoot) {
  const std::pair<const char*, const char*> cases[] = {
      {"((A,B),(C,D),(E,F));((A,B),(C,D),(E,F));((A,B),(C,E),(D,F));",
       "(A,B,((C,D)66.7,(E,F)66.7)100);"},
      {"(A,((B,C),(D,(E,F))));(A,((B,C),(D,(E,F))));(A,(B,(C,(D,(E,F)))));",
       "(A,(B,C)66.7,(D,(E,F)100)100);"}};
  for (const auto& [text, expected] : cases) {
    NewickNames names;
    std::vector<Tree> trees = ReadNewick(text, names);
    SplitCounts counts(names.names.size());
    for (const Tree& tree : trees) counts.AddTree(tree);
    EXPECT_EQ(NewickText(MajorityRuleConsensus(counts, names.names).tree), expected);
    SetSupport(trees[0], counts);
    const std::size_t basal = trees[0].nodes[trees[0].root].children.back();
    EXPECT_EQ(trees[0].nodes[basal].HasSupport(), text == cases[0].first) << text;
  }
}

// Midpoint rooting of (A:1,B:1,C:5) puts the root on C's branch, 3 from C; rooting on an OTU
// halves its branch. Splits and total length stay.
TEST(Rooting, MidpointAndOtu_KeepSplitsAndLengths) {
  NewickNames names;
  const Tree tree = ReadNewick("((A:1,B:1)90:1,C:4,D:0.5);", names).at(0);
  const Tree midpoint = RootAtMidpoint(tree);
  // Each node keeps its neighbours in their order, the one it now hangs from left out.
  EXPECT_EQ(NewickText(midpoint),
            "(C:3.000000,((A:1.000000,B:1.000000)90:1.000000,D:0.500000):1.000000);");
  const Tree onA = RootOnOtu(tree, 0);
  EXPECT_EQ(NewickText(onA),
            "(A:0.500000,((C:4.000000,D:0.500000)90:1.000000,B:1.000000):0.500000);");
  EXPECT_EQ(BranchesByNames(midpoint, names.names), BranchesByNames(tree, names.names));
  EXPECT_EQ(BranchesByNames(onA, names.names), BranchesByNames(tree, names.names));
  EXPECT_THROW(RootOnOtu(tree, 7), Failure);
}

TEST(Layout, BranchLengthsAndCladogram_PlaceNodesInRowsAndDepths) {
  NewickNames names;
  const Tree tree = ReadNewick("((A:1,B:2):1,C:3);", names).at(0);
  // Nodes as read: 0 root, 1 (A,B), 2 A, 3 B, 4 C.
  const TreeLayout scaled = LayOutTree(tree, LayoutStyle::kBranchLengths);
  EXPECT_EQ(scaled.x, (std::vector<double>{0, 1, 2, 3, 3}));
  EXPECT_EQ(scaled.y, (std::vector<double>{1.25, 0.5, 0, 1, 2}));
  EXPECT_EQ(scaled.width, 3);
  EXPECT_EQ(scaled.leafRows, 3u);
  const TreeLayout cladogram = LayOutTree(tree, LayoutStyle::kCladogram);
  EXPECT_EQ(cladogram.x, (std::vector<double>{0, 1, 2, 2, 2}));
}

}  // namespace
}  // namespace marbleset
