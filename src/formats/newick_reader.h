// Newick text read back into trees: one or more trees, each ended by ';', as PHYLIP's programs
// write them (lines broken anywhere between tokens, CR LF or LF) and as consense reads them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/tree.h"

namespace marbleset {

// The OTUs the leaves of a set of trees stand for. Leaves are matched by name; a name not yet
// known is added, so without names given the OTUs are numbered in the order the first tree
// names them (PHYLIP's consense numbers its species so).
struct NewickNames {
  std::vector<std::string> names;
  // When true, a leaf whose name is not among names is an error instead of a new OTU.
  bool fixed = false;
};

// Every tree of text. Inner labels that are numbers become support values, others stay names;
// comments in square brackets are skipped. Throws ReadFailure naming source and the place for
// text that is not Newick, a leaf without a name, a name given twice in one tree, or (with
// fixed names) an unknown name.
std::vector<Tree> ReadNewick(std::string_view text, NewickNames& names,
                             const std::string& source = "tree text");

// The same for a file; the failure names its path and the system's reason when it cannot be
// read.
std::vector<Tree> ReadNewickFile(const std::string& path, NewickNames& names);

}  // namespace marbleset
