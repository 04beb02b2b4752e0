// The populations of an AMOVA, and the regions over them, read from the same two-column groups
// files that colour the pictures: "OTU<TAB>population" lines, and "population<TAB>region".
#pragma once

#include <string>
#include <vector>

#include "distances/amova.h"

namespace marbleset::pictures {

// The design for the OTUs named otuNames; regionsPath empty: populations only. Throws
// ReadFailure for a file that cannot be read or a line without a group, and Failure naming the
// OTUs without a population or the populations without a region (none is left out unseen).
AmovaDesign ReadAmovaDesign(const std::vector<std::string>& otuNames,
                            const std::string& populationsPath, const std::string& regionsPath);

}  // namespace marbleset::pictures
