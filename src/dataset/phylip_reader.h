// Data sets in the PHYLIP layout with a 12-character name field.
#pragma once

#include "dataset/data_set.h"
#include "dataset/item_reader.h"
#include "dataset/read_status.h"

namespace marbleset {

// Read the next data set from wherever the input stands; neither opens nor rewinds it, so the
// multi-set distance run calls them again and again on one input. They set NOtu, NChar, OtuName
// and Matrix. ReadPhylipBinary sets Quantitative to 0; ReadPhylipQuant leaves it alone and takes
// missing entries ("?") as data.MissingValue. Generic failures throw ReadFailure.
ReadStatus ReadPhylipBinary(ItemReader& in, DataSet& data);
ReadStatus ReadPhylipQuant(ItemReader& in, DataSet& data);

// After a data set has been read: skips items of value 0 and tells whether a further data set
// header follows.
bool FurtherDataSetFollows(ItemReader& in);

}  // namespace marbleset
