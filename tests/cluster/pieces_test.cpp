// A run split into pieces, as a cluster runs it: the pieces of a distance matrix joined in
// order are the plain reference pass's file, and replicate ranges counted by support (or a run
// resumed from a stopped one) give the bytes of one whole tree run.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "cli/tool_in_process.h"
#include "distances/pass_text.h"
#include "scratch_folder.h"
#include "trees/cluster_job.h"

namespace marbleset {
namespace {

using cli::RunTool;
using testing::PassText;

// Every coefficient and policy of both kinds, 1, 2 and 7 pieces of 41 rows (blocks of rows
// that straddle a piece's first row, a last row of its own): the pieces joined are the
// reference file. Binary "Marker mean" sums its shares in another order than the reference
// (equal within rounding, checked elsewhere); there the whole fast run is the yardstick.
TEST(DistancePieces, JoinedPiecesAreTheWholeMatrix) {
  for (const bool binary : {true, false}) {
    auto data = std::make_unique<DataSet>();
    std::mt19937 random(binary ? 5 : 6);
    testing::FillRandom(*data, !binary, 41, 70, 0.08, binary ? 0.02 : 0.0, random);
    for (const Coefficient c : CoefficientsFor(data->Kind()))
      for (const MissingPolicy p : MissingPoliciesFor(data->Kind())) {
        const DistanceSettings settings{c, p, true, false};
        SCOPED_TRACE(std::string(CoefficientName(c)) + " / " + std::string(MissingPolicyName(p)));
        const std::string whole =
            PassText(*data, settings,
                     binary && p == MissingPolicy::kMarkerMean ? &kernels::BestKernels() : nullptr);
        ASSERT_EQ(whole.find('|'), std::string::npos) << whole;
        for (const std::size_t pieces : {1, 2, 7}) {
          std::string joined;
          for (std::size_t k = 0; k < pieces; ++k)
            joined += PassText(*data, settings, &kernels::BestKernels(), 2,
                               PieceRows(data->OtuCount(), k, pieces));
          EXPECT_EQ(joined, whole) << pieces << " pieces";
        }
      }
  }
}

TEST(DistancePieces, PieceRowsShareRowsEvenlyAndInOrder) {
  // 10 rows in 4 pieces: 2, 3, 2, 3 rows; more pieces than rows leave some empty.
  const MatrixRows expected[] = {{0, 2, true}, {2, 5, false}, {5, 7, false}, {7, 10, false}};
  for (std::size_t k = 0; k < 4; ++k) {
    const MatrixRows rows = PieceRows(10, k, 4);
    EXPECT_EQ(rows.first, expected[k].first);
    EXPECT_EQ(rows.last, expected[k].last);
    EXPECT_EQ(rows.header, expected[k].header);
  }
  EXPECT_EQ(PieceRows(2, 0, 3).first, PieceRows(2, 0, 3).last);
}

const std::string kExamples = MARBLESET_EXAMPLES_DIR;

// A file of five data sets split by data sets, for matrices and for means.
TEST(DistancePieces, FileOfSeveralDataSetsSplitByDataSets) {
  ScratchFolder folder;
  const std::string data = kExamples + "/marker_sets.phy";
  for (const std::string mode : {"--similarities", "--average"}) {
    ASSERT_EQ(RunTool({"distances", mode, data, folder / "whole.txt", "--force"}).status, 0);
    for (const int pieces : {1, 2, 7}) {
      std::string joined;
      for (int k = 1; k <= pieces; ++k) {
        const std::string piece = folder / ("piece" + std::to_string(k));
        const cli::CliRun run =
            RunTool({"distances", mode, "--piece", std::to_string(k) + "/" + std::to_string(pieces),
                     data, piece, "--force"});
        ASSERT_EQ(run.status, 0) << run.err;
        joined += FileBytes(piece);
      }
      EXPECT_EQ(joined, FileBytes(folder / "whole.txt")) << mode << ", " << pieces;
    }
  }
  EXPECT_EQ(RunTool({"distances", "--piece", "3/2", data, "-"}).status, 2);
  const cli::CliRun csv =
      RunTool({"distances", "--format", "csv", "--piece", "1/2", kExamples + "/markers.phy", "-"});
  EXPECT_EQ(csv.status, 2);
  EXPECT_NE(csv.err.find("phylip"), std::string::npos) << csv.err;
}

// Replicate ranges 1-7, 8-19 and 20-30 counted by support, and a run stopped after 11 trees
// (the 12th half written) and resumed: the trees, the labelled tree and the consensus of one
// whole run, for both kinds of data.
TEST(SupportPieces, RangesAndResumedRunGiveTheWholeRun) {
  ScratchFolder folder;
  for (const std::string kind : {"--binary", "--quantitative"}) {
    const std::string data = kExamples + (kind == "--binary" ? "/markers.phy" : "/traits.phy");
    const std::vector<std::string> settings{kind, "--replicates", "30", "--seed", "4"};
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.begin() + 1, settings.begin(), settings.end());
      return RunTool(args).status;
    };
    ASSERT_EQ(with({"tree", "--replicate-trees", folder / "all.tre", "--consensus",
                    folder / "all.con", data, folder / "all.nwk", "--force"}),
              0);
    std::string trees;
    std::vector<std::string> support{"support", "--consensus", folder / "sup.con", "--force",
                                     "--replicate-trees"};
    for (const std::string range : {"1-7", "8-19", "20-30"}) {
      const std::string file = folder / ("r" + range);
      ASSERT_EQ(
          with({"tree", "--replicate-range", range, "--replicate-trees", file, data, "--force"}),
          0);
      trees += FileBytes(file);
      support.push_back(file);
    }
    EXPECT_EQ(trees, FileBytes(folder / "all.tre"));
    support.insert(support.end(), {data, folder / "sup.nwk"});
    ASSERT_EQ(with(support), 0);
    EXPECT_EQ(FileBytes(folder / "sup.nwk"), FileBytes(folder / "all.nwk"));
    EXPECT_EQ(FileBytes(folder / "sup.con"), FileBytes(folder / "all.con"));

    const std::string all = FileBytes(folder / "all.tre");
    std::size_t cut = 0;
    for (int line = 0; line < 11; ++line) cut = all.find('\n', cut) + 1;
    PutFile(folder / "stopped.tre", all.substr(0, cut + 9));
    ASSERT_EQ(with({"tree", "--resume", "--replicate-trees", folder / "stopped.tre", "--consensus",
                    folder / "res.con", data, folder / "res.nwk", "--force"}),
              0);
    EXPECT_EQ(FileBytes(folder / "stopped.tre"), all);
    EXPECT_EQ(FileBytes(folder / "res.nwk"), FileBytes(folder / "all.nwk"));
    EXPECT_EQ(FileBytes(folder / "res.con"), FileBytes(folder / "all.con"));
    // Trees of another seed are not this run's: refused, the file left as it was.
    EXPECT_NE(RunTool({"tree", kind, "--replicates", "30", "--seed", "5", "--resume",
                       "--replicate-trees", folder / "stopped.tre", data, folder / "x.nwk"})
                  .status,
              0);
    EXPECT_EQ(FileBytes(folder / "stopped.tre"), all);
  }
  // Trees of other OTUs than the data's.
  PutFile(folder / "other.tre", "((A,B),C,(D,E));\r\n");
  const cli::CliRun other = RunTool({"support", "--replicate-trees", folder / "other.tre",
                                     kExamples + "/markers.phy", folder / "x.nwk"});
  EXPECT_EQ(other.status, 3);
  EXPECT_NE(other.err.find("no OTU of the data"), std::string::npos) << other.err;
}

// The job the tree dialog exports, for quantitative data under a coefficient and a policy whose
// names hold blanks, run by Snakemake in a folder with the data: the whole run's files.
TEST(ClusterJob, ExportedSnakefileGivesTheWholeRun) {
  ScratchFolder folder;
  ClusterJobSettings settings{"traits of grasses.phy", DataKind::kQuantitative, {}, 3, 2};
  settings.tree.replicates = 12;
  settings.tree.method = TreeMethod::kUpgma;
  settings.tree.distance = {Coefficient::kTaxDistance, MissingPolicy::kMarkerMean, true, false};
  settings.tree.seed = 8;
  WriteClusterJob(MakeClusterJob(settings), folder.path.string());
  PutFile(folder / "traits of grasses.phy", FileBytes(kExamples + "/traits.phy"));
  const std::string cd = "cd '" + folder.path.string() + "' && ";
  ASSERT_EQ(std::system((cd + "snakemake --cores 2 --quiet --config cli=" MARBLESET_CLI
                              " > snakemake.log 2>&1")
                            .c_str()),
            0)
      << FileBytes(folder / "snakemake.log");
  const std::string data = folder / "traits of grasses.phy";
  const std::vector<std::string> options{"--quantitative", "--coefficient", "Tax. distance",
                                         "--missing", "Marker mean"};
  std::vector<std::string> distances{"distances"},
      tree{"tree",        "--replicates",      "12", "--method", "upgma", "--seed", "8",
           "--consensus", folder / "whole.con"};
  distances.insert(distances.end(), options.begin(), options.end());
  tree.insert(tree.end(), options.begin(), options.end());
  distances.insert(distances.end(), {data, folder / "whole.txt"});
  tree.insert(tree.end(), {data, folder / "whole.nwk"});
  ASSERT_EQ(RunTool(distances).status, 0);
  ASSERT_EQ(RunTool(tree).status, 0);
  EXPECT_EQ(FileBytes(folder / "distances.txt"), FileBytes(folder / "whole.txt"));
  EXPECT_EQ(FileBytes(folder / "tree.nwk"), FileBytes(folder / "whole.nwk"));
  EXPECT_EQ(FileBytes(folder / "consensus.nwk"), FileBytes(folder / "whole.con"));
}

}  // namespace
}  // namespace marbleset
