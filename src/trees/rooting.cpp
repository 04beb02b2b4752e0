#include "trees/rooting.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dataset/errors.h"

namespace marbleset {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double LengthOf(const TreeNode& node) {
  return node.HasLength() ? node.length : 0.0;
}

// The tree as undirected edges: each node's neighbours in drawing order (parent first), with
// the length and support of the branch between.
struct Neighbour {
  std::size_t node;
  double length;
  double support;
};

std::vector<std::vector<Neighbour>> Undirected(const Tree& tree) {
  std::vector<std::vector<Neighbour>> links(tree.nodes.size());
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    const TreeNode& n = tree.nodes[node];
    if (n.parent == kNoNode) continue;
    links[n.parent].push_back({node, n.length, n.support});
  }
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    const TreeNode& n = tree.nodes[node];
    if (n.parent == kNoNode) continue;
    auto& own = links[node];
    own.insert(own.begin(), {n.parent, n.length, n.support});
  }
  return links;
}

// The tree hung from start over links; nodes keep their OTU and name.
Tree HangFrom(const Tree& tree, const std::vector<std::vector<Neighbour>>& links,
              std::size_t start) {
  Tree out;
  struct Visit {
    std::size_t old;
    std::size_t from;    // old node we came from
    std::size_t parent;  // new parent
    double length, support;
  };
  std::vector<Visit> stack{{start, kNoNode, kNoNode, kNaN, kNaN}};
  while (!stack.empty()) {
    const Visit visit = stack.back();
    stack.pop_back();
    const std::size_t node = out.AddNode(visit.parent);
    if (visit.parent == kNoNode) out.root = node;
    if (visit.old < tree.nodes.size()) {
      out.nodes[node].otu = tree.nodes[visit.old].otu;
      out.nodes[node].name = tree.nodes[visit.old].name;
    }
    out.nodes[node].length = visit.length;
    out.nodes[node].support = visit.support;
    const auto& around = links[visit.old];
    for (auto at = around.rbegin(); at != around.rend(); ++at)
      if (at->node != visit.from)
        stack.push_back({at->node, visit.old, node, at->length, at->support});
  }
  // Children were pushed in reverse, so a stack pops them in order; AddNode appended them in
  // pop order interleaved with their subtrees, which keeps each node's children in order.
  return out;
}

// Joins the two branches of a node of two neighbours into one.
void Bypass(std::vector<std::vector<Neighbour>>& links, std::size_t node) {
  if (links[node].size() != 2) return;
  const Neighbour a = links[node][0], b = links[node][1];
  const double length =
      std::isnan(a.length) && std::isnan(b.length)
          ? kNaN
          : (std::isnan(a.length) ? 0.0 : a.length) + (std::isnan(b.length) ? 0.0 : b.length);
  const double support = std::isnan(a.support) ? b.support : a.support;
  for (auto& link : links[a.node])
    if (link.node == node) link = {b.node, length, support};
  for (auto& link : links[b.node])
    if (link.node == node) link = {a.node, length, support};
  links[node].clear();
}

}  // namespace

Tree RootOnBranch(const Tree& tree, std::size_t node, double fromNode) {
  if (node >= tree.nodes.size() || tree.nodes[node].parent == kNoNode) return tree;
  auto links = Undirected(tree);
  const std::size_t parent = tree.nodes[node].parent;
  const TreeNode& n = tree.nodes[node];
  const double whole = LengthOf(n);
  fromNode = std::clamp(fromNode, 0.0, whole);
  const double toNode = n.HasLength() ? fromNode : kNaN;
  const double toParent = n.HasLength() ? whole - fromNode : kNaN;
  const std::size_t root = links.size();
  links.push_back({{node, toNode, n.support}, {parent, toParent, n.support}});
  for (auto& link : links[node])
    if (link.node == parent) link = {root, toNode, n.support};
  for (auto& link : links[parent])
    if (link.node == node) link = {root, toParent, n.support};
  // A rooted tree's old root is left with two branches: they become one.
  Bypass(links, tree.root);
  return HangFrom(tree, links, root);
}

Tree RootOnOtu(const Tree& tree, std::size_t otu) {
  for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
    if (tree.nodes[node].IsLeaf() && tree.nodes[node].otu == otu)
      return RootOnBranch(tree, node, LengthOf(tree.nodes[node]) / 2.0);
  }
  throw Failure("OTU " + std::to_string(otu + 1) + " is not in the tree.");
}

Tree RootAtMidpoint(const Tree& tree) {
  if (tree.LeafCount() < 2) return tree;
  const auto links = Undirected(tree);
  // Distances from one node to all, over the undirected tree.
  auto farthest = [&](std::size_t from, std::vector<double>& distance,
                      std::vector<std::size_t>& previous) {
    distance.assign(links.size(), 0.0);
    previous.assign(links.size(), kNoNode);
    std::vector<bool> seen(links.size(), false);
    std::vector<std::size_t> stack{from};
    seen[from] = true;
    std::size_t far = from;
    while (!stack.empty()) {
      const std::size_t node = stack.back();
      stack.pop_back();
      if (tree.nodes[node].IsLeaf() && distance[node] > distance[far]) far = node;
      for (const Neighbour& next : links[node]) {
        if (seen[next.node]) continue;
        seen[next.node] = true;
        distance[next.node] = distance[node] + (std::isnan(next.length) ? 0.0 : next.length);
        previous[next.node] = node;
        stack.push_back(next.node);
      }
    }
    return far;
  };
  std::vector<double> distance;
  std::vector<std::size_t> previous;
  std::size_t firstLeaf = 0;
  while (!tree.nodes[firstLeaf].IsLeaf()) ++firstLeaf;
  const std::size_t a = farthest(firstLeaf, distance, previous);
  const std::size_t b = farthest(a, distance, previous);
  const double half = distance[b] / 2.0;
  // Walk back from b towards a until the midpoint lies on the branch just walked.
  std::size_t node = b;
  while (previous[node] != kNoNode && distance[previous[node]] > half) node = previous[node];
  const std::size_t other = previous[node];
  if (other == kNoNode) return tree;
  // The branch joins node and other; root it on whichever of them is the child.
  const double beyond = distance[node] - half;  // from node towards other
  if (tree.nodes[node].parent == other) return RootOnBranch(tree, node, beyond);
  const double branch = distance[node] - distance[other];
  return RootOnBranch(tree, other, branch - beyond);
}

}  // namespace marbleset
