// Distance pictures: the eigen-decomposition against its defining equations, principal
// coordinates against R's cmdscale, the heat map's order against a plain average-linkage
// clustering, and the rendered pictures' known pixels.
#include "pictures/distance_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "dataset/errors.h"
#include "pictures/colour_scale.h"
#include "pictures/scene_raster.h"
#include "pictures/symmetric_eigen.h"
#include "scratch_folder.h"

namespace marbleset::pictures {
namespace {

// A matrix of n OTUs named OTU1, OTU2, ... with the distances d(i, j).
template <typename Distance>
DistanceMatrix MatrixOf(std::size_t n, Distance d) {
  DistanceMatrix matrix;
  matrix.n = n;
  for (std::size_t i = 0; i < n; ++i) {
    matrix.names.push_back("OTU" + std::to_string(i + 1));
    for (std::size_t j = 0; j < n; ++j) matrix.values.push_back(d(i, j));
  }
  return matrix;
}

// Euclidean distances of random points in dimensions dimensions.
DistanceMatrix EuclideanMatrix(std::size_t n, std::size_t dimensions, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal;
  std::vector<std::vector<double>> points(n, std::vector<double>(dimensions));
  for (auto& point : points)
    for (double& x : point) x = normal(random);
  return MatrixOf(n, [&](std::size_t i, std::size_t j) {
    double sum = 0;
    for (std::size_t d = 0; d < dimensions; ++d) sum += std::pow(points[i][d] - points[j][d], 2);
    return std::sqrt(sum);
  });
}

// Symmetric random distances: not Euclidean, so negative eigenvalues appear.
DistanceMatrix RandomMatrix(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(0.1, 1.0);
  std::vector<std::vector<double>> rows(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < i; ++j) rows[i][j] = rows[j][i] = uniform(random);
  return MatrixOf(n, [&](std::size_t i, std::size_t j) { return rows[i][j]; });
}

TEST(SymmetricEigen, Decomposition_SatisfiesAvEqualsLambdaVWithOrthonormalVectors) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> uniform(-1, 1);
  for (const std::size_t n : {1u, 2u, 7u, 60u}) {
    std::vector<double> a(n * n);
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j <= i; ++j) a[i * n + j] = a[j * n + i] = uniform(random);
    }
    const SymmetricEigen eigen = DecomposeSymmetric(a, n);
    for (std::size_t k = 0; k < n; ++k) {
      EXPECT_GE(eigen.values[k == 0 ? 0 : k - 1], eigen.values[k]);  // highest first
      for (std::size_t i = 0; i < n; ++i) {
        double av = 0;
        for (std::size_t j = 0; j < n; ++j) av += a[i * n + j] * eigen.Vector(k)[j];
        ASSERT_NEAR(av, eigen.values[k] * eigen.Vector(k)[i], 1e-10) << n << ": " << k;
      }
      for (std::size_t l = 0; l < n; ++l) {
        double dot = 0;
        for (std::size_t i = 0; i < n; ++i) dot += eigen.Vector(k)[i] * eigen.Vector(l)[i];
        ASSERT_NEAR(dot, k == l ? 1.0 : 0.0, 1e-10);
      }
    }
  }
  // Repeated eigenvalues: the identity and a diagonal.
  const SymmetricEigen identity = DecomposeSymmetric({1, 0, 0, 0, 1, 0, 0, 0, 1}, 3);
  EXPECT_EQ(identity.values, (std::vector<double>{1, 1, 1}));
  const SymmetricEigen diagonal = DecomposeSymmetric({2, 0, 0, 0, 5, 0, 0, 0, -1}, 3);
  EXPECT_NEAR(diagonal.values[0], 5, 1e-14);
  EXPECT_NEAR(diagonal.values[2], -1, 1e-14);
}

bool HaveR() {
  return std::system("Rscript -e 'invisible(0)' > /dev/null 2>&1") == 0;
}

struct RScaling {
  std::vector<double> eigenvalues, axis1, axis2;
};

// cmdscale(d, k = 2, eig = TRUE) on the matrix written with 17 significant digits.
RScaling RunCmdscale(const DistanceMatrix& matrix) {
  const ScratchFolder folder;
  const auto& dir = folder.path;
  {
    std::ofstream out(dir / "d.txt");
    out.precision(17);
    for (std::size_t i = 0; i < matrix.n; ++i) {
      for (std::size_t j = 0; j < matrix.n; ++j) out << (j ? " " : "") << matrix.At(i, j);
      out << "\n";
    }
    std::ofstream script(dir / "s.R");
    script << "d <- as.matrix(read.table('" << (dir / "d.txt").string() << "'))\n"
           << "r <- cmdscale(d, k = 2, eig = TRUE)\n"
           << "options(digits = 17)\n"
           << "cat(r$eig, '\\n'); cat(r$points[, 1], '\\n'); cat(r$points[, 2], '\\n')\n";
  }
  const std::string command =
      "Rscript " + (dir / "s.R").string() + " > " + (dir / "out.txt").string() + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(dir / "out.txt");
  RScaling result;
  std::string line;
  for (auto* target : {&result.eigenvalues, &result.axis1, &result.axis2}) {
    std::getline(in, line);
    std::istringstream words(line);
    for (double value; words >> value;) target->push_back(value);
  }
  return result;
}

void ExpectSameUpToSign(const std::vector<double>& ours, const std::vector<double>& theirs) {
  ASSERT_EQ(ours.size(), theirs.size());
  const double sign = ours[0] * theirs[0] < 0 ? -1 : 1;
  for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_NEAR(ours[i], sign * theirs[i], 1e-6) << i;
}

TEST(PrincipalCoordinates, EuclideanAndNonEuclideanMatrices_AgreeWithRsCmdscale) {
  if (!HaveR()) GTEST_SKIP() << "Rscript (Debian: r-base-core) is not installed";
  for (const DistanceMatrix& matrix : {EuclideanMatrix(30, 5, 1), RandomMatrix(25, 2)}) {
    const PrincipalCoordinates ours = ComputePrincipalCoordinates(matrix);
    const RScaling r = RunCmdscale(matrix);
    ASSERT_EQ(r.eigenvalues.size(), matrix.n);
    for (std::size_t k = 0; k < matrix.n; ++k) {
      EXPECT_NEAR(ours.eigenvalues[k], r.eigenvalues[k], 1e-8) << k;
    }
    ExpectSameUpToSign(ours.axis1, r.axis1);
    ExpectSameUpToSign(ours.axis2, r.axis2);
    double positive = 0, negative = 0;
    std::size_t negatives = 0;
    for (const double value : r.eigenvalues) {
      if (value > 1e-8) positive += value;
      if (value < -1e-8) negative -= value, ++negatives;
    }
    EXPECT_EQ(ours.negativeCount, negatives);
    EXPECT_NEAR(ours.axis1Share, r.eigenvalues[0] / positive, 1e-9);
    EXPECT_NEAR(ours.axis2Share, r.eigenvalues[1] / positive, 1e-9);
    EXPECT_NEAR(ours.NegativeShare(), negative / positive, 1e-9);
    // Euclidean points have none; the random matrix has some, and the note counts them.
    EXPECT_EQ(negatives == 0, matrix.n == 30);
    EXPECT_EQ(NegativeEigenvalueText(ours).rfind(
                  negatives == 0 ? "No negative eigenvalues."
                                 : "Negative eigenvalues: " + std::to_string(negatives) + ", ",
                  0),
              0u);
  }
}

// Average linkage written out plainly: clusters as sets, the closest pair (by mean distance)
// joined until one is left. Returns every cluster ever formed.
std::vector<std::vector<std::size_t>> PlainClusters(const DistanceMatrix& matrix) {
  std::vector<std::vector<std::size_t>> live, formed;
  for (std::size_t i = 0; i < matrix.n; ++i) live.push_back({i});
  while (live.size() > 1) {
    double best = INFINITY;
    std::size_t a = 0, b = 1;
    for (std::size_t x = 0; x < live.size(); ++x) {
      for (std::size_t y = x + 1; y < live.size(); ++y) {
        double sum = 0;
        for (std::size_t i : live[x]) {
          for (std::size_t j : live[y]) sum += matrix.At(i, j);
        }
        const double mean = sum / (live[x].size() * live[y].size());
        if (mean < best) best = mean, a = x, b = y;
      }
    }
    live[a].insert(live[a].end(), live[b].begin(), live[b].end());
    live.erase(live.begin() + b);
    formed.push_back(live[a]);
  }
  return formed;
}

// A similarity matrix (10 - d) is recognised as such and clustered as its distances.
TEST(HeatMap, Order_KeepsEveryAverageLinkageClusterTogetherAlsoFromSimilarities) {
  for (unsigned seed = 1; seed <= 5; ++seed) {
    const DistanceMatrix matrix = EuclideanMatrix(17, 3, seed);
    DistanceMatrix similarities = matrix;
    for (double& value : similarities.values) value = 10 - value;
    ASSERT_TRUE(HoldsSimilarities(similarities) && !HoldsSimilarities(matrix));
    const DistanceMatrix back = AsDistances(similarities);
    for (std::size_t k = 0; k < 17 * 17; ++k) ASSERT_NEAR(back.values[k], matrix.values[k], 1e-12);
    for (const DistanceMatrix& shown : {matrix, similarities}) {
      const AverageLinkage linkage = AverageLinkageOrder(shown);
      ASSERT_EQ(linkage.order.size(), 17u);
      std::vector<std::size_t> position(17);
      for (std::size_t row = 0; row < 17; ++row) position[linkage.order[row]] = row;
      for (const auto& cluster : PlainClusters(matrix)) {
        std::size_t low = 17, high = 0;
        for (std::size_t otu : cluster) {
          low = std::min(low, position[otu]);
          high = std::max(high, position[otu]);
        }
        EXPECT_EQ(high - low + 1, cluster.size()) << "seed " << seed;
      }
    }
  }
}

TEST(HeatMap, ClosestOtus_SitSideBySideAndTheirCellShowsTheLowestColour) {
  DistanceMatrix matrix = RandomMatrix(8, 4);
  for (std::size_t i = 0; i < 8; ++i) {
    for (std::size_t j = 0; j < 8; ++j) {
      if (i != j) matrix.values[i * 8 + j] += 1;  // every pair at least 1.1 apart ...
    }
  }
  matrix.values[2 * 8 + 6] = matrix.values[6 * 8 + 2] = 0.5;  // ... but OTU3 and OTU7
  HeatMapLayout layout;
  const Scene scene = HeatMapPicture(matrix, "Jaccard distance", 1, &layout);
  std::vector<std::size_t> position(8);
  for (std::size_t row = 0; row < 8; ++row) position[layout.order[row]] = row;
  EXPECT_EQ(std::max(position[2], position[6]) - std::min(position[2], position[6]), 1u);
  EXPECT_EQ(layout.low, 0.5);
  const Raster picture = RenderScene(scene);
  const auto cellColour = [&](std::size_t row, std::size_t column) {
    return picture.At(static_cast<int>(layout.cellsX + (column + 0.5) * layout.cellSize),
                      static_cast<int>(layout.cellsY + (row + 0.5) * layout.cellSize));
  };
  EXPECT_EQ(cellColour(position[2], position[6]), ScaleColour(0));
  EXPECT_EQ(cellColour(position[6], position[2]), ScaleColour(0));
  // The largest distance is the top of the scale.
  const auto far = static_cast<std::size_t>(
      std::max_element(matrix.values.begin(), matrix.values.end()) - matrix.values.begin());
  EXPECT_EQ(cellColour(position[far / 8], position[far % 8]), ScaleColour(1));
}

TEST(OtuGroups, PrefixesAndGroupFiles_GiveEachOtuItsGroup) {
  const std::vector<std::string> names = {"popA_1      ", "popB_1", "popA_2", "x", ""};
  const OtuGroups byPrefix = GroupsByPrefix(names, 4);
  EXPECT_EQ(byPrefix.names, (std::vector<std::string>{"popA", "popB", "x"}));
  EXPECT_EQ(byPrefix.groupOf, (std::vector<std::size_t>{0, 1, 0, 2, kNoGroup}));

  std::istringstream file(
      "# name, group\n"
      "popB_1\tnorth\r\n"
      "popA_1,south\n"
      "\n"
      "popA_2 two words south\n"
      "absent\teast\n");
  const OtuGroups fromFile = ReadOtuGroups(file, "groups.txt", names);
  EXPECT_EQ(fromFile.names, (std::vector<std::string>{"north", "south"}));
  EXPECT_EQ(fromFile.groupOf, (std::vector<std::size_t>{1, 0, kNoGroup, kNoGroup, kNoGroup}));

  std::istringstream bad("popA_1\tsouth\nlonely\n");
  try {
    ReadOtuGroups(bad, "groups.txt", names);
    ADD_FAILURE() << "a line without a group was accepted";
  } catch (const ReadFailure& failure) {
    EXPECT_EQ(std::string(failure.what()).rfind("groups.txt, line 2: ", 0), 0u) << failure.what();
  }
  EXPECT_THROW(ReadOtuGroupFile("/nonexistent/groups.txt", names), ReadFailure);
}

TEST(PcoaPicture, Points_AreColouredByGroupAndAxesCarryTheirShares) {
  const DistanceMatrix matrix = EuclideanMatrix(6, 2, 9);
  const PrincipalCoordinates coordinates = ComputePrincipalCoordinates(matrix);
  OtuGroups groups;
  groups.names = {"north", "south"};
  groups.groupOf = {0, 0, 1, 1, kNoGroup, 1};
  PcoaLayout layout;
  const Scene scene = PcoaPicture(matrix, coordinates, groups, "Euclidean distance", 1, &layout);
  const Raster picture = RenderScene(scene);
  for (std::size_t i = 0; i < 6; ++i) {
    const Argb expected =
        groups.groupOf[i] == kNoGroup ? kUngroupedColour : GroupColour(groups.groupOf[i]);
    EXPECT_EQ(picture.At(static_cast<int>(layout.x[i]), static_cast<int>(layout.y[i])), expected)
        << i;
  }
  // Axis 1 runs left to right, axis 2 bottom to top, on one scale.
  const double across = (layout.x[1] - layout.x[0]) / (coordinates.axis1[1] - coordinates.axis1[0]);
  const double up = (layout.y[0] - layout.y[1]) / (coordinates.axis2[1] - coordinates.axis2[0]);
  EXPECT_NEAR(across, up, 1e-9);
  EXPECT_GT(across, 0);
  std::vector<std::string> texts;
  for (const SceneItem& item : scene.items) {
    if (const auto* text = std::get_if<SceneText>(&item)) texts.push_back(text->text);
  }
  const auto has = [&](const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  };
  EXPECT_TRUE(has(AxisTitle(1, coordinates.axis1Share)));
  EXPECT_TRUE(has(AxisTitle(2, coordinates.axis2Share)));
  EXPECT_TRUE(has("north") && has("south") && has("(no group)"));
  EXPECT_TRUE(has("No negative eigenvalues."));
  EXPECT_EQ(AxisTitle(1, 0.43215), "Axis 1 (43.2 %)");
}

}  // namespace
}  // namespace marbleset::pictures
