// Helpers the tree tests share: data built inline, PHYLIP runs in their own folders, and trees
// compared by their splits.
#pragma once

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../phylip/phylip_runner.h"
#include "dataset/data_set.h"
#include "dataset/tree.h"

namespace marbleset {

// Names of at most 10 characters (what PHYLIP reads whole), padded to the 12-character field.
inline std::string OtuName(std::size_t otu) {
  std::string name = "T";  // appended, not concatenated: GCC 12 warns wrongly on the temporary
  name += std::to_string(otu);
  return name;
}

// Random data of either kind with a hidden tree-like structure, some missing entries.
inline DataSet RandomData(DataKind kind, std::size_t otus, std::size_t characters, unsigned seed,
                          double missingShare = 0.03) {
  DataSet data;
  const float missing = kind == DataKind::kBinary ? kBinaryMissingValue : kQuantitativeMissingValue;
  data.Resize(kind, otus, characters, missing);
  std::mt19937 draw(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (std::size_t i = 0; i < otus; ++i) {
    std::string name = OtuName(i);
    name.resize(12, ' ');
    data.otuNames[i] = name;
    for (std::size_t k = 0; k < characters; ++k) {
      // The character follows a bit of the OTU's index, with noise.
      const bool bit = ((i >> (k % 7)) & 1) != (unit(draw) < 0.2);
      float value = kind == DataKind::kBinary
                        ? static_cast<float>(bit)
                        : static_cast<float>(bit * 2.0 + unit(draw) + static_cast<double>(k % 3));
      if (unit(draw) < missingShare) value = missing;
      data.SetValue(i, k, value);
    }
  }
  return data;
}

// The OTU names on the side of node's branch without names[0] (the first OTU by name order).
using Side = std::set<std::string>;
Side SideOf(const Tree& tree, std::size_t node, const std::vector<std::string>& names);

// The branches of a tree by their sides, each with the summed length of the branch (both
// halves of a two-child root).
std::map<Side, double> BranchesByNames(const Tree& tree, const std::vector<std::string>& names);

}  // namespace marbleset
