#include "trees/cophenetic.h"

#include <charconv>
#include <cmath>

#include "dataset/errors.h"
#include "distances/correlation.h"

namespace marbleset {

std::vector<double> PathLengths(const Tree& tree) {
  const std::vector<std::size_t> leafOf = tree.LeafOfOtu();
  const std::size_t n = leafOf.size();
  std::vector<double> lengths(n * n, 0.0);
  // Adjacency with lengths, so a walk from each leaf reaches every node once: n walks of the
  // whole tree, which is quadratic like the matrix itself.
  std::vector<std::vector<std::pair<std::size_t, double>>> next(tree.nodes.size());
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    const TreeNode& item = tree.nodes[node];
    if (item.parent == kNoNode) continue;
    if (!item.HasLength()) throw Failure("The tree has a branch without a length.");
    next[node].emplace_back(item.parent, item.length);
    next[item.parent].emplace_back(node, item.length);
  }
  std::vector<double> from(tree.nodes.size());
  std::vector<std::size_t> stack, cameFrom(tree.nodes.size());
  for (std::size_t otu = 0; otu < n; ++otu) {
    if (leafOf[otu] == kNoNode) continue;
    stack.assign(1, leafOf[otu]);
    from[leafOf[otu]] = 0;
    cameFrom[leafOf[otu]] = kNoNode;
    while (!stack.empty()) {
      const std::size_t node = stack.back();
      stack.pop_back();
      if (tree.nodes[node].otu != kNoNode) lengths[otu * n + tree.nodes[node].otu] = from[node];
      for (const auto& [neighbour, length] : next[node]) {
        if (neighbour == cameFrom[node]) continue;
        cameFrom[neighbour] = node;
        from[neighbour] = from[node] + length;
        stack.push_back(neighbour);
      }
    }
  }
  return lengths;
}

double CopheneticCorrelation(const Tree& tree, const DistanceMatrix& matrix) {
  const std::vector<std::size_t> leafOf = tree.LeafOfOtu();
  if (leafOf.size() < matrix.n) throw Failure("The tree does not hold every OTU of the matrix.");
  for (std::size_t i = 0; i < matrix.n; ++i)
    if (leafOf[i] == kNoNode) throw Failure("The tree does not hold OTU " + matrix.names[i] + ".");
  const std::vector<double> paths = PathLengths(tree);
  const std::size_t n = leafOf.size();
  std::vector<double> distances, onTree;
  for (std::size_t i = 1; i < matrix.n; ++i)
    for (std::size_t j = 0; j < i; ++j) {
      distances.push_back((matrix.At(i, j) + matrix.At(j, i)) / 2);
      onTree.push_back(paths[i * n + j]);
    }
  return PearsonCorrelation(distances, onTree);
}

std::string CopheneticText(double r, TreeMethod method) {
  char value[32] = "none (constant distances)";
  if (!std::isnan(r)) *std::to_chars(value, value + 31, r, std::chars_format::fixed, 6).ptr = 0;
  return std::string("Cophenetic correlation (Sokal & Rohlf 1962) of the ") +
         (method == TreeMethod::kUpgma ? "UPGMA" : "neighbor-joining") +
         " tree with its distances: r = " + value;
}

}  // namespace marbleset
