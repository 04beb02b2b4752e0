// Groups of OTUs for colouring the principal-coordinates plot: read from the start of each
// name, or from a file of two columns (OTU name, group).
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace marbleset::pictures {

inline constexpr std::size_t kNoGroup = static_cast<std::size_t>(-1);

struct OtuGroups {
  std::vector<std::string> names;    // in the order first met
  std::vector<std::size_t> groupOf;  // one per OTU: an index into names, or kNoGroup

  bool Empty() const { return names.empty(); }
};

// The first length characters of each name (blanks at its ends ignored) name its group.
OtuGroups GroupsByPrefix(const std::vector<std::string>& otuNames, std::size_t length);

// Lines "name<TAB>group", "name,group" or "name group" (then the last word is the group and
// the words before it the name); blank lines and lines starting with '#' are skipped, names
// compared without the blanks at their ends. OTUs the file does not name have no group; a
// name the matrix does not hold is ignored. Throws ReadFailure naming the input and the line
// for a line without a group.
OtuGroups ReadOtuGroups(std::istream& in, const std::string& inputName,
                        const std::vector<std::string>& otuNames);
// The same from a file; ReadFailure with the system's reason when it cannot be read.
OtuGroups ReadOtuGroupFile(const std::string& path, const std::vector<std::string>& otuNames);

}  // namespace marbleset::pictures
