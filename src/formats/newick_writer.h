// Trees as Newick text: names, support values as labels of inner nodes and branch lengths,
// one tree a line, as PHYLIP's consense and most tree viewers read them.
#pragma once

#include <string>
#include <string_view>

#include "dataset/text_sink.h"
#include "dataset/tree.h"

namespace marbleset {

// Appends the tree, its ';' and a line end.
void WriteNewick(const Tree& tree, TextSink& out);
// The same text without the line end.
std::string NewickText(const Tree& tree);

// A name as a Newick label: as it is when it holds no character Newick gives a meaning to, its
// blanks written as '_'; otherwise (an '_' of its own included) in single quotes with each quote
// doubled ("O'Hara" gives 'O''Hara'), so every name reads back unchanged.
std::string NewickLabel(std::string_view name);

// "0.123457": a branch length rounded to six decimals ("0.000000" for a value that rounds to
// zero, never "-0.000000").
std::string BranchLengthText(double length);
// "95" or "95.5": a support percentage rounded to one decimal, the ".0" left out.
std::string SupportText(double percent);

}  // namespace marbleset
