// Screening binary data: counting and removing monomorphic and uninformative characters and
// characters and OTUs with missing entries, as the crop dialog offers.
//
// Entries are classed by exact comparison: missing when equal to MissingValue, else state 0
// when equal to 0, state 1 when equal to 1; anything else (binary data's other values) belongs
// to no class. A missing entry is only missing, also when the missing code is 0 or 1, as in
// the distances.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dataset/text_sink.h"

namespace marbleset {

// Single characters and OTUs, one cell at a time: the plain versions of the passes below.
// The number of characters whose entry for the OTU is missing.
std::size_t OtuMissingCount(const DataSet& data, std::size_t otu);
// The number of OTUs whose entry at the character is missing.
std::size_t CharMissingCount(const DataSet& data, std::size_t character);
// No OTU in state 0, or none in state 1 (so also a character with only missing entries).
bool IsMonomorphic(const DataSet& data, std::size_t character);
// Exactly one OTU in state 0, or exactly one in state 1.
bool IsUninformative(const DataSet& data, std::size_t character);

struct CropCounts {
  std::size_t monomorphic = 0;
  std::size_t uninformative = 0;
  std::size_t charactersWithMissing = 0;
  std::size_t otusWithMissing = 0;
};

// The four counts of the loaded data, as the crop dialog shows them when it opens.
CropCounts CountCropProperties(const DataSet& data);

// The crop dialog's four lines, each ended by CR LF (or lineEnd, for the command-line tool):
// "Number of monomorphic characters: 3" and so on.
std::string CropCountsText(const CropCounts& counts, std::string_view lineEnd = kLineEnd);

// The four removals the crop dialog offers, one per check box.
struct CropChoice {
  bool monomorphic = false;
  bool uninformative = false;
  bool charactersWithMissing = false;
  bool otusWithMissing = false;
};

// Removes what is chosen, with the result of doing it in this order, each removal on the data
// the previous ones left: monomorphic characters, uninformative characters, characters with
// missing entries, OTUs with missing entries. A character's class depends on its own entries
// only, so the three character removals are one; OTUs are judged on the characters that stay,
// and characters that removing OTUs leaves monomorphic or uninformative stay. One pass over
// the bit planes to class everything, one to remove OTUs and one to remove characters.
// Data that lost anything is marked changedSinceRead.
void ApplyCrop(DataSet& data, const CropChoice& choice);

}  // namespace marbleset
