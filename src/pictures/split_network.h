// The drawing of a split network: its outline, each split an edge (or two) at the angle of the
// OTUs it holds on the circle, so that the outline never crosses itself; names at the OTUs'
// points, a scale bar, and OTUs coloured by group.
#pragma once

#include <cstddef>
#include <vector>

#include "pictures/otu_groups.h"
#include "pictures/scene.h"
#include "trees/neighbor_net.h"

namespace marbleset::pictures {

// Points in network units (a split's weight is its edges' length); edges join points.
struct NetworkLayout {
  std::vector<double> x, y;
  std::vector<std::pair<std::size_t, std::size_t>> edges;
  std::vector<std::size_t> otuPoint;  // by OTU
};

// How the splits' directions are chosen: each the mean angle of its OTUs on the circle, or
// from there each turned, within the range that keeps the outline simple, to where its boxes
// (the parallelograms it forms with the splits it conflicts with) are widest open.
enum class SplitAngles { kEqual, kOpenedBoxes };

// Walks the circle from position 0: at the gap before each position it leaves the splits that
// end there and enters those that begin there, steepest turn first, so the edge directions
// turn one way only, once round, and the outline is a simple closed curve.
NetworkLayout LayOutSplitNetwork(const SplitNetwork& network,
                                 SplitAngles angles = SplitAngles::kOpenedBoxes);

// The drawing at scale (2 for screens at 200 %); groups colour the names and points.
Scene SplitNetworkPicture(const SplitNetwork& network, const OtuGroups& groups, int scale = 1,
                          NetworkLayout* layout = nullptr);

}  // namespace marbleset::pictures
