// Reading square distance (or similarity) matrices in PHYLIP's layout: the files Marbleset's
// distance runs write and PHYLIP's distance programs read, for the tree builder and the
// distance picture.
//
// A matrix is a line holding the number of OTUs n, then n rows: the name field, then the row's
// n values separated by blanks, which may go on over further lines. Marbleset writes a
// 12-character name field and never wraps a row, PHYLIP a 10-character one. A row is taken to
// have the 12-character field when its 11th and 12th characters are blanks, or when its first
// line cut there holds exactly n numbers while cut after 10 characters it does not hold
// numbers only, or when both cuts read and the 10th character is not a blank. Several
// matrices may follow one another (a run over several data sets).
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "dataset/distance_matrix.h"

namespace marbleset {

// Every matrix of in; name is how failures refer to the input. Throws ReadFailure naming the
// input, the line and what was wrong (a count that is not a whole number, a value that is not
// a number, a row cut short or too long, an input without a matrix).
std::vector<DistanceMatrix> ReadDistanceMatrices(std::istream& in, const std::string& name);

// Every matrix of the file at path; ReadFailure with the system's reason when it cannot be read.
std::vector<DistanceMatrix> ReadDistanceMatrixFile(const std::string& path);

}  // namespace marbleset
