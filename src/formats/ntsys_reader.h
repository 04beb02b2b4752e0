// Data sets in the NTSYS layout: characters as rows, OTUs as labelled columns.
#pragma once

#include "dataset/data_set.h"
#include "formats/item_reader.h"
#include "formats/read_status.h"

namespace marbleset {

// Read the next data set of the input into data, sized by its header (binary: bit planes with
// the declared missing code or 2; quantitative: floats with the declared code or -9999), with
// the labels as names. Values beyond the column count in a row are dropped. Generic failures
// throw ReadFailure (after the header, data holds what was read so far). When report is given,
// a finding or failure after the header fills it.
ReadStatus ReadNtsysBinary(ItemReader& in, DataSet& data, ReadReport* report = nullptr);
ReadStatus ReadNtsysQuant(ItemReader& in, DataSet& data, ReadReport* report = nullptr);

}  // namespace marbleset
