// Data sets in the NTSYS layout: characters as rows, OTUs as labelled columns.
#pragma once

#include "dataset/data_set.h"
#include "dataset/item_reader.h"
#include "dataset/read_status.h"

namespace marbleset {

// Read the whole input as one data set; set NOtu, NChar, OtuName, Matrix, MissingValue and,
// on success, Quantitative. Generic failures throw ReadFailure.
ReadStatus ReadNtsysBinary(ItemReader& in, DataSet& data);
ReadStatus ReadNtsysQuant(ItemReader& in, DataSet& data);

}  // namespace marbleset
