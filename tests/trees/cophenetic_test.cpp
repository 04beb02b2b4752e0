// The cophenetic correlation against R on the same matrices: for UPGMA, average-linkage
// clustering's heights (stats::hclust, cophenetic); for neighbor-joining, the path lengths ape
// measures on Marbleset's own tree read from its Newick text (ape::cophenetic.phylo). The test
// fails when Rscript or ape is missing (Debian: r-base-core r-cran-ape).
#include "trees/cophenetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "distances/distance_run.h"
#include "formats/newick_writer.h"
#include "scratch_folder.h"
#include "tree_test_support.h"
#include "trees/neighbor_joining.h"

namespace marbleset {
namespace {

// R's two correlations of the matrix at folder/d.txt, with the tree at folder/nj.tre.
std::vector<double> CorrelationsInR(const ScratchFolder& folder) {
  std::ofstream(folder / "script.R") << R"(
suppressMessages(library(ape))
m <- as.matrix(read.table('d.txt', row.names = 1)); colnames(m) <- rownames(m); d <- as.dist(m)
nj <- cophenetic(read.tree('nj.tre'))[rownames(m), rownames(m)]
cat(format(c(cor(cophenetic(hclust(d, 'average')), d), cor(as.dist(nj), d)), digits = 17))
)";
  const std::string command =
      "cd " + folder.path.string() + " && Rscript script.R > out.txt 2> err.txt";
  EXPECT_EQ(std::system(command.c_str()), 0) << FileBytes(folder.path / "err.txt");
  std::ifstream in(folder / "out.txt");
  std::vector<double> r(2, NAN);
  in >> r[0] >> r[1];
  return r;
}

TEST(CopheneticCorrelation, EqualsAverageLinkageAndApeOnTheSameMatrices) {
  struct Case {
    const char* what;
    std::size_t otus, chars;
    bool binary;
    double missingShare;
  } const cases[] = {{"10 OTUs, Euclidean", 10, 5, false, 0},
                     {"40 OTUs, Jaccard", 40, 80, true, 0},
                     {"200 OTUs, Jaccard with missing data", 200, 400, true, 0.15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DataSet data = RandomData(c.binary ? DataKind::kBinary : DataKind::kQuantitative, c.otus,
                                    c.chars, static_cast<unsigned>(c.otus), c.missingShare);
    NoProgress none;
    const DistanceSettings settings{
        .coefficient = c.binary ? Coefficient::kJaccard : Coefficient::kEuclidean,
        .policy = MissingPolicy::kIgnore};
    const DistanceMatrix matrix = ComputeDistanceMatrix(data, settings, none);
    const ScratchFolder folder;
    {
      std::ofstream out(folder / "d.txt");
      out.precision(17);
      for (std::size_t i = 0; i < matrix.n; ++i) {
        out << matrix.names[i];
        for (std::size_t j = 0; j < matrix.n; ++j) out << ' ' << matrix.At(i, j);
        out << '\n';
      }
    }
    const Tree nj = BuildTree(matrix, TreeMethod::kNeighborJoining);
    std::ofstream(folder / "nj.tre") << NewickText(nj) << '\n';
    const std::vector<double> r = CorrelationsInR(folder);
    EXPECT_NEAR(CopheneticCorrelation(BuildTree(matrix, TreeMethod::kUpgma), matrix), r[0], 1e-9);
    // The Newick text holds branch lengths to six decimals.
    EXPECT_NEAR(CopheneticCorrelation(nj, matrix), r[1], 1e-6);
  }
}

}  // namespace
}  // namespace marbleset
