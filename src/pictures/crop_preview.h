// What the crop dialog's ticked boxes would remove, for marking it on the matrix picture before
// anything is removed: the characters of each chosen class, then the OTUs that hold a missing
// entry among the characters that stay, as the crop itself judges them.
#pragma once

#include <cstddef>
#include <vector>

#include "dataset/data_set.h"
#include "editing/screening.h"

namespace marbleset::pictures {

struct CropPreview {
  std::vector<bool> otus;        // OtuCount() flags: true for an OTU the crop removes
  std::vector<bool> characters;  // CharCount() flags
  std::size_t otuCount = 0;
  std::size_t characterCount = 0;
};

CropPreview PreviewCrop(const DataSet& data, const CropChoice& choice);

}  // namespace marbleset::pictures
