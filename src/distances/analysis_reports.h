// The reports of AMOVA and the Mantel test as tables that the front ends show and write as text
// or CSV, each naming its method and the work to cite.
#pragma once

#include <string>

#include "distances/amova.h"
#include "distances/mantel.h"
#include "formats/result_table_writer.h"

namespace marbleset {

// subject: what the matrix was computed from ("calls.phy, Jaccard distance"), in the notes.
ResultTable AmovaReport(const AmovaResult& result, const std::string& subject);

// first and second: how the two matrices are known ("dna.txt", "geography.txt").
ResultTable MantelReport(const MantelResult& result, const std::string& first,
                         const std::string& second);

}  // namespace marbleset
