// Split networks against R's phangorn::neighborNet on the same matrices (of 60 and 200 OTUs
// from marker data with missing values): the same splits, weights and fit; at 200 OTUs R
// refits our splits on phangorn's ordering and design and finds no better split. R runs in a
// fresh folder and also reads our NEXUS file; the test fails when Rscript or phangorn is
// missing (Debian: r-cran-phangorn). The drawn outline never crosses itself, opening the boxes
// widens it, and marbleset-cli network writes the file, the picture and the method line.
#include "trees/neighbor_net.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "cli/tool_in_process.h"
#include "distances/distance_run.h"
#include "distances/test_data.h"
#include "pictures/split_network.h"
#include "scratch_folder.h"

namespace marbleset {
namespace {

// Marker rows of six populations, each a noisy copy of a common ancestor; OTUs sometimes take
// half their markers from the next population, so the splits conflict as in real data.
std::vector<std::string> MarkerRows(std::size_t otus, std::size_t markers, double missing,
                                    unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::string> populations(6, std::string(markers, '0'));
  const std::string ancestor = [&] {
    std::string row(markers, '0');
    for (char& c : row) c = unit(random) < 0.5 ? '1' : '0';
    return row;
  }();
  for (std::string& row : populations)
    for (std::size_t k = 0; k < markers; ++k)
      row[k] = unit(random) < 0.25 ? static_cast<char>('1' - ancestor[k] + '0') : ancestor[k];
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < otus; ++i) {
    const bool mixed = unit(random) < 0.15;
    std::string row = populations[i % 6];
    for (std::size_t k = 0; k < markers; ++k) {
      if (mixed && unit(random) < 0.5) row[k] = populations[(i + 1) % 6][k];
      if (unit(random) < 0.08) row[k] = row[k] == '1' ? '0' : '1';
      if (unit(random) < missing) row[k] = '?';
    }
    rows.push_back(row);
  }
  return rows;
}

DistanceMatrix JaccardMatrix(const std::vector<std::string>& rows) {
  DataSet data;
  std::vector<std::string> names;
  for (std::size_t i = 1; i <= rows.size(); ++i)
    names.push_back(std::to_string(i).insert(0, "otu"));
  testing::FillBinary(data, names, rows);
  NoProgress none;
  return ComputeDistanceMatrix(data, {.coefficient = Coefficient::kJaccard}, none);
}

// Distances between random points of ten dimensions.
DistanceMatrix EuclideanMatrix(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<std::vector<double>> points(n, std::vector<double>(10));
  for (auto& point : points)
    for (double& v : point) v = unit(random);
  DistanceMatrix matrix{n, {}, std::vector<double>(n * n, 0)};
  for (std::size_t i = 0; i < n; ++i) {
    matrix.names.push_back(std::to_string(i + 1).insert(0, 1, 'p'));
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0;
      for (std::size_t k = 0; k < 10; ++k) sum += std::pow(points[i][k] - points[j][k], 2);
      matrix.values[i * n + j] = std::sqrt(sum);
    }
  }
  return matrix;
}

// Splits by the side without OTU 1 (counted from 1), with their weights.
using SplitWeights = std::map<std::vector<std::size_t>, double>;

std::vector<std::size_t> SideWithoutFirst(std::vector<std::size_t> side, std::size_t n) {
  std::sort(side.begin(), side.end());
  if (side.empty() || side[0] != 1) return side;
  std::vector<std::size_t> other;
  for (std::size_t otu = 1; otu <= n; ++otu)
    if (!std::binary_search(side.begin(), side.end(), otu)) other.push_back(otu);
  return other;
}

SplitWeights OurSplits(const SplitNetwork& network) {
  SplitWeights splits;
  for (const CircularSplit& split : network.splits) {
    std::vector<std::size_t> side;
    for (std::size_t p = split.first; p <= split.last; ++p) side.push_back(network.ordering[p] + 1);
    splits[SideWithoutFirst(side, network.names.size())] += split.weight;
  }
  return splits;
}

struct PeerResult {
  SplitWeights splits;
  double fit = -1;
  double splitsReadFromOurFile = -1;
  std::map<std::string, double> checks;  // of the refit: non-circular splits, steepest descent
};

// phangorn's network of the matrix, its fit computed from its weights, and how many splits
// read.nexus.splits finds in our file.
PeerResult RunPhangorn(const DistanceMatrix& matrix, const SplitNetwork& ours) {
  ScratchFolder folder;
  {
    std::ofstream out(folder / "m.txt");
    out.precision(17);
    for (std::size_t i = 0; i < matrix.n; ++i)
      for (std::size_t j = 0; j < matrix.n; ++j)
        out << matrix.At(i, j) << (j + 1 < matrix.n ? ' ' : '\n');
    std::ofstream nexus(folder / "ours.nex", std::ios::binary);
    TextSink sink(nexus);
    WeightedSplits numbered = AsWeightedSplits(ours);
    for (std::size_t i = 0; i < matrix.n; ++i) numbered.names[i] = std::to_string(i + 1);
    WriteSplitsNexus(numbered, sink);
  }
  std::ofstream(folder / "script.R") << R"(
suppressMessages(library(phangorn))
d <- as.matrix(read.table('m.txt')); n <- nrow(d); dimnames(d) <- list(1:n, 1:n)
s <- if (n <= 100) neighborNet(as.dist(d))$splits else {
  # phangorn's dense fit takes hours here: our splits refitted on its design must be circular
  # in its ordering (C) and leave no split of it a descent of the squared error (G).
  ord <- phangorn:::getOrderingNN(as.dist(d)); ours <- read.nexus.splits('ours.nex')
  lab <- as.integer(attr(ours, 'labels')); X <- phangorn:::splits2design(ours)
  y <- d[lab, lab][lower.tri(d)]; attr(ours, 'weights') <- qr.solve(X, y)
  r <- matrix(0, n, n); r[lower.tri(r)] <- y - X %*% attr(ours, 'weights'); r <- r + t(r)
  at <- match(ord, lab); g <- -Inf
  for (p in 2:n) for (q in p:n) g <- max(g, sum(r[at[p:q], -at[p:q]]))
  run <- function(k) length(k) == 0 || max(k) - min(k) + 1 == length(k)
  cat('C', sum(!sapply(ours, function(x) { k <- match(lab[x], ord)
    run(k) || run(setdiff(1:n, k)) })), '\nG', g, '\n')
  ours
}
w <- attr(s, 'weights'); lab <- as.integer(attr(s, 'labels')); fitted <- matrix(0, n, n)
for (i in seq_along(s)) {
  side <- lab[s[[i]]]; fitted[side, -side] <- fitted[side, -side] + w[i]
  fitted[-side, side] <- fitted[-side, side] + w[i]
  cat('S', format(w[i], digits = 17), side, '\n')
}
cat('F', format(100 * (1 - sum((d - fitted)^2) / sum(d^2)), digits = 17), '\n')
cat('R', length(read.nexus.splits('ours.nex')), '\n')
)";
  const std::string command =
      "cd " + folder.path.string() + " && Rscript script.R > out.txt 2> err.txt";
  EXPECT_EQ(std::system(command.c_str()), 0) << FileBytes(folder.path / "err.txt");
  PeerResult result;
  std::istringstream lines(FileBytes(folder.path / "out.txt"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string kind;
    double value = 0;
    words >> kind >> value;
    if (kind == "F") result.fit = value;
    if (kind == "R") result.splitsReadFromOurFile = value;
    if (kind == "C" || kind == "G") result.checks[kind] = value;
    if (kind != "S") continue;
    std::vector<std::size_t> side;
    for (std::size_t otu; words >> otu;) side.push_back(otu);
    result.splits[SideWithoutFirst(side, matrix.n)] += value;
  }
  return result;
}

TEST(NeighborNetAgainstPhangorn, SameSplitsWeightsAndFit) {
  ASSERT_EQ(std::system("Rscript -e 'library(phangorn)' > /dev/null 2>&1"), 0)
      << "R's phangorn is needed (Debian: r-cran-phangorn)";
  const std::vector<std::pair<std::string, DistanceMatrix>> cases = {
      {"12 points", EuclideanMatrix(12, 3)},
      {"40 OTUs", JaccardMatrix(MarkerRows(40, 150, 0, 5))},
      {"60 OTUs, 10 % missing", JaccardMatrix(MarkerRows(60, 120, 0.1, 9))},
      // phangorn's least squares are dense (about n^4 numbers): 200 OTUs take it more than
      // half an hour and 8 GB, so there R checks our weights are its optimum instead.
      {"200 OTUs, 10 % missing", JaccardMatrix(MarkerRows(200, 150, 0.1, 4))}};
  for (const auto& [what, matrix] : cases) {
    NoProgress none;
    const SplitNetwork network = NeighborNet(matrix, none);
    const SplitWeights ours = OurSplits(network);
    const PeerResult theirs = RunPhangorn(matrix, network);
    std::size_t shared = 0, oursShown = 0, theirsShown = 0;
    for (const auto& [side, weight] : ours) {
      const auto found = theirs.splits.find(side);
      const double other = found == theirs.splits.end() ? 0 : found->second;
      EXPECT_NEAR(weight, other, 1e-6) << what;
      oursShown += weight > 1e-6;
      shared += weight > 1e-6 && other > 1e-6;
    }
    for (const auto& [side, weight] : theirs.splits) {
      theirsShown += weight > 1e-6;
      if (!ours.contains(side)) {
        EXPECT_NEAR(weight, 0, 1e-6) << what;
      }
    }
    EXPECT_EQ(shared, theirsShown) << what;
    EXPECT_EQ(oursShown, theirsShown) << what;
    EXPECT_NEAR(network.fit, theirs.fit, 1e-6) << what;
    EXPECT_EQ(theirs.splitsReadFromOurFile, static_cast<double>(network.splits.size())) << what;
    if (matrix.n > 100) {
      EXPECT_EQ(theirs.checks.at("C"), 0) << what;
      EXPECT_LT(theirs.checks.at("G"), 1e-9) << what;
    }
  }
}

// Whether segments ab and cd (in pixels) cross at a point inside both; touching and overlap
// (a point within a millionth of a pixel of the other's line) do not count.
bool Cross(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
  auto side = [](double px, double py, double qx, double qy, double rx, double ry) {
    const double turn = (qx - px) * (ry - py) - (qy - py) * (rx - px);
    return std::abs(turn) <= 1e-6 * std::hypot(qx - px, qy - py) ? 0 : (turn > 0 ? 1 : -1);
  };
  return side(ax, ay, bx, by, cx, cy) * side(ax, ay, bx, by, dx, dy) < 0 &&
         side(cx, cy, dx, dy, ax, ay) * side(cx, cy, dx, dy, bx, by) < 0;
}

// The area the outline encloses (shoelace formula): the sum of the network's boxes.
double Area(const pictures::NetworkLayout& layout) {
  double twice = 0;
  for (const auto& [a, b] : layout.edges)
    twice += layout.x[a] * layout.y[b] - layout.x[b] * layout.y[a];
  return std::abs(twice) / 2;
}

TEST(SplitNetworkPicture, OutlineNeverCrossesItselfAndOpenedBoxesWidenIt) {
  const DistanceMatrix matrices[] = {EuclideanMatrix(12, 3), EuclideanMatrix(40, 8),
                                     JaccardMatrix(MarkerRows(60, 150, 0.05, 5)),
                                     JaccardMatrix(MarkerRows(90, 60, 0.2, 2))};
  for (const DistanceMatrix& matrix : matrices) {
    NoProgress none;
    const SplitNetwork network = NeighborNet(matrix, none);
    pictures::NetworkLayout layout;
    pictures::SplitNetworkPicture(network, {}, 1, &layout);
    ASSERT_EQ(layout.edges.size(), 2 * network.splits.size());
    std::size_t crossings = 0;
    for (std::size_t e = 0; e < layout.edges.size(); ++e) {
      for (std::size_t f = e + 1; f < layout.edges.size(); ++f) {
        const auto [a, b] = layout.edges[e];
        const auto [c, d] = layout.edges[f];
        crossings += Cross(layout.x[a], layout.y[a], layout.x[b], layout.y[b], layout.x[c],
                           layout.y[c], layout.x[d], layout.y[d]);
      }
    }
    EXPECT_EQ(crossings, 0u) << matrix.n << " OTUs";
    const double equal = Area(pictures::LayOutSplitNetwork(network, pictures::SplitAngles::kEqual));
    EXPECT_GT(Area(pictures::LayOutSplitNetwork(network)), 1.05 * equal) << matrix.n << " OTUs";
  }
}

TEST(NetworkCommand, WritesSplitsPictureAndMethod) {
  ScratchFolder folder;
  const std::vector<std::string> rows = MarkerRows(9, 40, 0.05, 1);
  {
    std::ofstream data(folder / "markers.phy");
    data << rows.size() << ' ' << rows[0].size() << '\n';
    for (std::size_t i = 0; i < rows.size(); ++i)
      data << ("otu" + std::to_string(i + 1) + "            ").substr(0, 12) << rows[i] << '\n';
  }
  const std::string input = folder / "markers.phy", output = folder / "net.nex",
                    picture = folder / "net.svg";
  const cli::CliRun run =
      cli::RunTool({"network", "--coefficient", "Jaccard", "--picture", picture, input, output});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string nexus = FileBytes(output);
  EXPECT_EQ(nexus.rfind("#NEXUS", 0), 0u);
  EXPECT_NE(nexus.find("BEGIN SPLITS;"), std::string::npos);
  EXPECT_NE(nexus.find("CYCLE 1 "), std::string::npos);
  EXPECT_NE(FileBytes(picture).find("<svg"), std::string::npos);
  EXPECT_NE(run.err.find("Bryant & Moulton 2004"), std::string::npos);
  EXPECT_NE(cli::RunTool({"network", "--picture", "net.gif", input, output}).status, 0);
}

}  // namespace
}  // namespace marbleset
