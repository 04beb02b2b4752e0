// How well a tree keeps the distances it was built from: the cophenetic correlation (Sokal and
// Rohlf 1962), Pearson's r between the matrix's distances and the lengths of the paths joining
// the same two OTUs on the tree. For a UPGMA tree the path between two OTUs is the height at
// which their clusters join, as average-linkage clustering reports it; for a neighbor-joining
// tree it is the sum of the branch lengths between them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/distance_matrix.h"
#include "dataset/tree.h"
#include "trees/neighbor_joining.h"

namespace marbleset {

// The length of the path between every two OTUs of tree, n x n (n: the largest OTU + 1), row
// after row. Throws Failure when a branch has no length.
std::vector<double> PathLengths(const Tree& tree);

// r between the cells below the diagonal of matrix (the mean of its two cells for each pair)
// and the tree's path lengths for the same OTUs; leaf k stands for OTU k. Throws Failure when
// the tree does not hold every OTU of the matrix or a branch has no length; NaN when either
// side is constant.
double CopheneticCorrelation(const Tree& tree, const DistanceMatrix& matrix);

// The line that reports r for a tree built by method, naming the measure and what to cite.
std::string CopheneticText(double r, TreeMethod method);

}  // namespace marbleset
