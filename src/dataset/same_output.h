// Whether two output paths would write one file, for commands with several outputs: a run
// told to write two of them to one file would lose one, so it is refused before anything is
// written.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace marbleset {

// True when a and b name one file in any spelling ("./x", "d/../x", a symbolic link to it,
// a hard link), whether it exists yet or not: the same file when both exist, else the same
// folder and the same name.
bool NameOneOutput(const std::string& a, const std::string& b);

// The first two of outputs (what each is called for the user, its path) that name one file,
// as indices; {0, 0} when they are all distinct. Empty paths and "-" (standard output) are
// left out.
std::pair<std::size_t, std::size_t> SharedOutput(
    const std::vector<std::pair<std::string, std::string>>& outputs);

// Throws WriteFailure naming both outputs and the file when SharedOutput finds two.
void RefuseSharedOutput(const std::vector<std::pair<std::string, std::string>>& outputs);

}  // namespace marbleset
