// A square matrix of distances (or similarities) between named OTUs, as the NEXUS and CSV
// writers take it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbleset {

struct DistanceMatrix {
  std::vector<std::string> names;
  std::vector<double> values;  // names.size() squared, row by row

  std::size_t Size() const { return names.size(); }
  double At(std::size_t i, std::size_t j) const { return values[i * names.size() + j]; }
};

// Every matrix of a distance file in PHYLIP's square layout (a line with the number of OTUs,
// then each OTU's row: a name field of 12 characters and its values), as the program's distance
// runs write it; several matrices follow each other in a file of several data sets. Names lose
// the blanks that fill their field. Throws ReadFailure naming the line of anything else (the
// one-line means of matrix averaging included).
std::vector<DistanceMatrix> ReadPhylipDistances(std::string_view text, const std::string& name);

}  // namespace marbleset
