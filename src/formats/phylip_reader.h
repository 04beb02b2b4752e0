// Data sets in the PHYLIP layout with a 12-character name field.
#pragma once

#include "dataset/data_set.h"
#include "formats/item_reader.h"
#include "formats/read_status.h"

namespace marbleset {

// Read the next data set from wherever the input stands; neither opens nor rewinds it, so the
// multi-set distance run calls them again and again on one input. Each sizes data by the
// header it finds (binary: bit planes, missing value 2; quantitative: floats, missing value
// -9999, which "?" is read as) and fills names and values; values beyond the character count
// in an OTU's last item are dropped. Generic failures throw ReadFailure. When report is given,
// a finding or failure after the header fills it.
ReadStatus ReadPhylipBinary(ItemReader& in, DataSet& data, ReadReport* report = nullptr);
ReadStatus ReadPhylipQuant(ItemReader& in, DataSet& data, ReadReport* report = nullptr);

// After a data set has been read: skips items of value 0 and tells whether a further data set
// header follows.
bool FurtherDataSetFollows(ItemReader& in);

}  // namespace marbleset
