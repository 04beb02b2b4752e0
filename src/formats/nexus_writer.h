// Data sets and distance matrices written as NEXUS, for PAUP*, SplitsTree, MrBayes and R.
//
// Data become a TAXA and a CHARACTERS block: binary data as DATATYPE=STANDARD with
// SYMBOLS="01" and MISSING=?, one row of states per taxon; quantitative data (and binary data
// holding other values) as DATATYPE=CONTINUOUS. A distance matrix becomes a TAXA and a
// DISTANCES block with both triangles and the diagonal. Names lose the blanks that fill a
// PHYLIP name field and are quoted where NEXUS needs it. NEXUS finds a taxon's row by its
// name, so names that read as one (equal, or different only by "_" for a blank) are refused
// with a WriteFailure naming them before anything is written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/distance_matrix.h"
#include "dataset/text_sink.h"

namespace marbleset {

void WriteNexusData(const DataSet& data, TextSink& out);
void WriteNexusDistances(const DistanceMatrix& matrix, TextSink& out);

// A name as a NEXUS token: as it is when it holds only letters, digits and characters without
// a meaning in NEXUS, else in single quotes with inner quotes doubled; "_" when it is empty.
std::string NexusName(std::string_view name);

}  // namespace marbleset
