// Trees from a distance matrix: neighbor-joining (Saitou and Nei) and UPGMA, computed as
// PHYLIP's neighbor computes them without its jumble option, so that the same matrix gives the
// same tree, branch lengths included, and equal criteria are settled the same way: OTUs are
// taken in the order of the matrix, pairs (i, j), i < j, by j and then by i, and the first pair
// with the smallest criterion is joined; the joined cluster takes the place of i.
#pragma once

#include <cstddef>

#include "dataset/distance_matrix.h"
#include "dataset/tree.h"

namespace marbleset {

enum class TreeMethod { kNeighborJoining, kUpgma };

// The tree of matrix; leaf k stands for OTU k and carries the matrix's name k. Only cells off
// the diagonal count (a tree knows no distance of an OTU to itself); (i, j) and (j, i) are
// averaged as neighbor averages them. A
// neighbor-joining tree is unrooted: its root is the node of the last three clusters, with
// those three below it. A UPGMA tree is rooted where the last two clusters join.
// Throws Failure for a matrix with a value that is not a finite number.
Tree BuildTree(const DistanceMatrix& matrix, TreeMethod method);

// The same computation written plainly, as the loops of the method read in PHYLIP's
// description: the full matrix kept, joined rows left in place. Slow; the tests hold the fast
// version against it.
Tree BuildTreePlainly(const DistanceMatrix& matrix, TreeMethod method);

}  // namespace marbleset
