// Data sets and distance matrices written as CSV (RFC 4180, CR LF line ends) for spreadsheets
// and R.
//
// Data: a header "OTU" and the character numbers from 1, then one row per OTU, missing entries
// as NA (what R and spreadsheets take as missing). Distances: a square table with the names as
// the header and as the first column. Names lose the blanks that fill a PHYLIP name field.
#pragma once

#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dataset/distance_matrix.h"
#include "dataset/text_sink.h"

namespace marbleset {

void WriteCsvData(const DataSet& data, TextSink& out);
void WriteCsvDistances(const DistanceMatrix& matrix, TextSink& out);

// A field as CSV needs it: in double quotes (inner quotes doubled) when it holds a comma, a
// quote, a line end or blanks at either end, else as it is.
std::string CsvField(std::string_view text);

}  // namespace marbleset
