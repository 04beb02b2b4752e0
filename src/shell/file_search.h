// Finding a piece of text in a file of any size without holding it: the file is read in pieces
// of a few megabytes, each piece overlapping the next by the length of what is sought, so a
// match across two pieces is found too. Letters A-Z match in either case. The data window runs
// it on a worker thread, so a search through hundreds of megabytes never stops the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace marbleset::shell {

struct FileMatch {
  std::uint64_t offset = 0;  // the first byte of the match
  bool wrapped = false;      // found only after going round the end (or start) of the file
};

// The first match at or after byte `from` (forward) or the last one starting before `from`
// (backward), going round the file's end once. Empty when there is none, the file cannot be
// read or stop was set.
std::optional<FileMatch> FindInFile(const std::string& path, std::string_view needle,
                                    std::uint64_t from, bool forward,
                                    const std::atomic<bool>& stop);

// The same rule on text in memory (a plain reading, for small texts and tests).
std::optional<FileMatch> FindInText(std::string_view text, std::string_view needle,
                                    std::uint64_t from, bool forward);

}  // namespace marbleset::shell
