// Screening binary data: counting and removing monomorphic and uninformative characters and
// characters and OTUs with missing entries, as the crop dialog offers.
//
// Entries are classed by exact comparison: missing when equal to MissingValue, state 0 when
// equal to 0, state 1 when equal to 1; anything else belongs to no class.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dataset/text_sink.h"

namespace marbleset {

// The number of characters 1..NChar whose entry for OTU i is missing.
int OtuMissingCount(const DataSet& data, int otu);
// The number of OTUs 1..NOtu whose entry at character k is missing.
int CharMissingCount(const DataSet& data, int character);
// No OTU in state 0, or none in state 1 (so also a character with only missing entries).
bool IsMonomorphic(const DataSet& data, int character);
// Exactly one OTU in state 0, or exactly one in state 1.
bool IsUninformative(const DataSet& data, int character);

struct CropCounts {
  int16_t NMonomorphic = 0;
  int16_t NUninformative = 0;
  int16_t NCharMissing = 0;
  int16_t NOtuMissing = 0;
};

// The four counts of the loaded data, as the crop dialog shows them when it opens.
CropCounts CountCropProperties(const DataSet& data);

// The crop dialog's four lines, each ended by CR LF (or line_end, for the command-line tool):
// "Number of monomorphic characters: 3" and so on.
std::string CropCountsText(const CropCounts& counts, std::string_view line_end = kLineEnd);

// The four removals the crop dialog offers, one per check box.
struct CropChoice {
  bool monomorphic = false;
  bool uninformative = false;
  bool characters_with_missing = false;
  bool otus_with_missing = false;
};

// Removes what is chosen, always in this order, each removal on the data the previous ones
// left: monomorphic characters, uninformative characters, characters with missing entries,
// OTUs with missing entries. Each removal judges every character (or OTU) on its own entries
// and keeps the others in their order. Removing OTUs comes last, so characters it leaves
// monomorphic or uninformative stay.
void ApplyCrop(DataSet& data, const CropChoice& choice);

// The single removals, each one pass over the data: O(NOtu x NChar) whatever is removed.
// They return how many characters (or OTUs) went.
int RemoveMonomorphicCharacters(DataSet& data);
int RemoveUninformativeCharacters(DataSet& data);
int RemoveCharactersWithMissing(DataSet& data);
int RemoveOtusWithMissing(DataSet& data);

// Removes character k (1..NChar): the following characters move down one place in every OTU.
void RemoveCharacter(DataSet& data, int character);
// Removes OTU i (1..NOtu) with its name: the following OTUs move up one place.
void RemoveOtu(DataSet& data, int otu);

}  // namespace marbleset
