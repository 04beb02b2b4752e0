// NEXUS files (.nex, .nxs) from PAUP*, MrBayes, SplitsTree, Mesquite or R: the character matrix
// of the first DATA or CHARACTERS block, with the names of its TAXA block.
//
// DATATYPE=STANDARD (and MrBayes' RESTRICTION) cells are single digits, read as their values;
// CONTINUOUS cells are numbers. MISSING and GAP symbols both read as missing; MATCHCHAR repeats
// the first row's state; INTERLEAVE, quoted names and [comments] are understood. Anything a
// data set cannot hold (polymorphic states, sequence data, transposed matrices) fails with a
// message that names the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "formats/kind_choice.h"

namespace marbleset {

// kAuto reads STANDARD data holding only 0, 1 and missing as binary, other STANDARD data and all
// CONTINUOUS data as quantitative. Throws ReadFailure (name, line, problem) or MemoryFailure.
DataSet ReadNexusText(std::string_view text, const std::string& name, KindChoice kind,
                      std::uint64_t memoryLimit = 0);
DataSet ReadNexusFile(const std::string& path, KindChoice kind, std::uint64_t memoryLimit = 0);

}  // namespace marbleset
