// Pictures of a distance matrix: the heat map with rows and columns in the order of the
// average-linkage (UPGMA) tree drawn beside it and its colour key, and the principal-coordinates
// plot of the first two axes, with round values along both, OTUs coloured by group.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dataset/distance_matrix.h"
#include "dataset/tree.h"
#include "pictures/otu_groups.h"
#include "pictures/principal_coordinates.h"
#include "pictures/scene.h"

namespace marbleset::pictures {

// True for a similarity matrix: every diagonal cell holds the same value other than 0 and no
// cell off the diagonal exceeds it (an OTU is most similar to itself).
bool HoldsSimilarities(const DistanceMatrix& matrix);
// The matrix as distances: a similarity matrix as the diagonal's value less each cell, any
// other as it is.
DistanceMatrix AsDistances(const DistanceMatrix& matrix);

// The UPGMA tree of the matrix's distances and its leaves' OTUs from top to bottom.
struct AverageLinkage {
  Tree tree;
  std::vector<std::size_t> order;
};
AverageLinkage AverageLinkageOrder(const DistanceMatrix& matrix);

struct HeatMapLayout {
  std::vector<std::size_t> order;  // the OTU of each row (and column), from the top (left)
  double cellsX = 0, cellsY = 0, cellSize = 0;
  double low = 0, high = 0;  // the values at the ends of the colour scale
};

// valueName titles the colour key beside the cells ("Jaccard distance"), which marks round
// values of the scale. scale: 2 for screens at 200 %.
Scene HeatMapPicture(const DistanceMatrix& matrix, const std::string& valueName, int scale = 1,
                     HeatMapLayout* layout = nullptr);

struct PcoaLayout {
  std::vector<double> x, y;  // each OTU's point in the scene
  double radius = 0;
};

Scene PcoaPicture(const DistanceMatrix& matrix, const PrincipalCoordinates& coordinates,
                  const OtuGroups& groups, const std::string& valueName, int scale = 1,
                  PcoaLayout* layout = nullptr);

// "Axis 1 (43.2 %)".
std::string AxisTitle(std::size_t axis, double share);
// "No negative eigenvalues." or "Negative eigenvalues: 3, together 2.1 % of the positive sum."
std::string NegativeEigenvalueText(const PrincipalCoordinates& coordinates);

}  // namespace marbleset::pictures
