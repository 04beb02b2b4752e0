// Names for PHYLIP: PHYLIP's programs read exactly 10 characters of a name, so longer names
// are cut (and two names that differ only later become the same) or spill into the data.
//
// MakePhylipNames gives every OTU a name of at most 10 characters, unique, without the
// characters a Newick tree gives a meaning to; the writers write these instead of the OTU
// names, a two-column table beside the output keeps written name -> original name, and
// RestoreTreeNames puts the original names back into the tree PHYLIP wrote.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/text_sink.h"

namespace marbleset {

inline constexpr std::size_t kPhylipNameLength = 10;

struct PhylipNames {
  std::vector<std::string> written;   // one per OTU, what the PHYLIP file holds
  std::vector<std::string> original;  // the OTU names without the blanks that fill their field
};

// A name of at most 10 characters keeps its (cleaned) text: blanks, tabs and the characters
// ( ) [ ] : ; , ' " become "_". Names whose first 10 such characters clash are all numbered
// ("Festuca_r1", "Festuca_r2"), the number replacing their last characters, and no numbered
// name takes a name already given. An empty name becomes "OTU" (numbered if it clashes).
PhylipNames MakePhylipNames(const std::vector<std::string>& names);

// The names one output carries: one per OTU, and the table of the distinct ones.
struct OutputPhylipNames {
  std::vector<std::string> perOtu;
  PhylipNames table;
};

// MakePhylipNames for the OTUs of one output. With shareEqualNames (GenStraps, which draws one
// OTU among those of each name) OTUs whose names are equal, as the run compares them, share one
// written name, so the run's groups stay the same and the table lists each name once.
OutputPhylipNames MakeOutputPhylipNames(const std::vector<std::string>& otuNames,
                                        bool shareEqualNames);

// The table beside the output: a header line, then "written<TAB>original" per OTU, CR LF. A
// name holding a tab, a line end or a double quote is written in double quotes, its quotes
// doubled, as spreadsheets, R and Python read tab-separated text.
void WriteNameTable(const PhylipNames& names, TextSink& out);
// Where the table goes for an output file: its path without the extension, "_names.tsv".
std::string NameTablePath(const std::string& outputPath);
// The pairs (written, original) of such a table; throws ReadFailure naming a line without a tab
// or a written name given twice.
std::vector<std::pair<std::string, std::string>> ReadNameTable(std::string_view text,
                                                               const std::string& name);

// The tree text with every leaf name the table lists replaced by its original name, quoted
// where Newick needs it; internal labels, branch lengths, comments and line breaks stay as they
// are. Throws ReadFailure for a leaf name the table does not list (the wrong table), and for
// text that is not one tree a line: parentheses that do not balance, a leaf without a name, a
// second tree on a tree's line, a last tree without its ';', or no tree at all.
std::string RestoreTreeNames(std::string_view tree, const std::string& treeName,
                             const std::vector<std::pair<std::string, std::string>>& table);

// A name as a Newick label: as it is, or in single quotes (inner quotes doubled) when it holds
// blanks, underscores or any of ( ) [ ] : ; , '. (The tree writer's NewickLabel writes blanks
// as '_' instead; the two must keep distinct names, or a program linking both fails to link.)
std::string QuotedNewickName(std::string_view name);

// Puts names in place of data.otuNames while it lives, for the writers of PHYLIP files, and
// the original names back when it ends (without copying the matrix).
class ScopedOtuNames {
 public:
  ScopedOtuNames(DataSet& data, std::vector<std::string> names);
  ~ScopedOtuNames();
  ScopedOtuNames(const ScopedOtuNames&) = delete;
  ScopedOtuNames& operator=(const ScopedOtuNames&) = delete;

 private:
  DataSet& data_;
  std::vector<std::string> saved_;
};

}  // namespace marbleset
