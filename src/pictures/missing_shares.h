// How much of each OTU's row and each character's column is missing: the bars beside the
// matrix picture, which show at a glance a bad lane or a failed primer.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/data_set.h"

namespace marbleset::pictures {

struct MissingShares {
  std::vector<double> perOtu;        // OtuCount() shares from 0 to 1
  std::vector<double> perCharacter;  // CharCount() shares
  std::size_t missingCells = 0;
};

// Binary data is counted on the missing plane, a word of 64 cells at a time.
MissingShares CountMissingShares(const DataSet& data);

}  // namespace marbleset::pictures
