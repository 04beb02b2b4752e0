#include "shell/file_search.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

namespace marbleset::shell {

namespace {

constexpr std::uint64_t kPieceSize = 4 * 1024 * 1024;

char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldedText(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), Folded);
  return folded;
}

// Reads bytes [start, start + count) of the file into buffer, folded; false when it cannot.
using ReadPiece = std::function<bool(std::uint64_t start, std::uint64_t count, std::string&)>;

// The first (forward) or last match starting in [begin, end), reading pieces through read.
std::optional<std::uint64_t> SearchRange(const ReadPiece& read, std::uint64_t size,
                                         const std::string& needle, std::uint64_t begin,
                                         std::uint64_t end, bool forward,
                                         const std::atomic<bool>& stop) {
  const std::uint64_t overlap = needle.size() - 1;
  // Forward, the library's find (which looks for the first byte with memchr) is fastest;
  // backward, Boyer-Moore-Horspool on the reversed piece with the reversed needle skips ahead
  // by up to the needle's length where a plain rfind compares at every byte.
  const std::string reversed(needle.rbegin(), needle.rend());
  const std::boyer_moore_horspool_searcher back(reversed.begin(), reversed.end());
  std::string piece;
  std::uint64_t count = end > begin ? (end - begin + kPieceSize - 1) / kPieceSize : 0;
  for (std::uint64_t k = 0; k < count && !stop; ++k) {
    const std::uint64_t start = forward
                                    ? begin + k * kPieceSize
                                    : std::max(begin, end - std::min(end, (k + 1) * kPieceSize));
    const std::uint64_t stopAt = forward ? std::min(end, start + kPieceSize)
                                         : end - k * kPieceSize;  // matches start before it
    const std::uint64_t readEnd = std::min(size, stopAt + overlap);
    if (!read(start, readEnd - start, piece)) return std::nullopt;
    std::size_t at = forward ? piece.find(needle) : std::string::npos;
    if (!forward) {
      const auto found = std::search(piece.rbegin(), piece.rend(), back);
      if (found != piece.rend()) {
        at = piece.size() - static_cast<std::size_t>(found - piece.rbegin()) - needle.size();
      }
    }
    if (at != std::string::npos && start + at < stopAt) return start + at;
  }
  return std::nullopt;
}

std::optional<FileMatch> Search(const ReadPiece& read, std::uint64_t size, std::string_view sought,
                                std::uint64_t from, bool forward, const std::atomic<bool>& stop) {
  if (sought.empty() || sought.size() > size) return std::nullopt;
  const std::string needle = FoldedText(sought);
  from = std::min(from, size);
  const auto first = forward ? SearchRange(read, size, needle, from, size, true, stop)
                             : SearchRange(read, size, needle, 0, from, false, stop);
  if (first) return FileMatch{*first, false};
  const auto second = forward ? SearchRange(read, size, needle, 0, from, true, stop)
                              : SearchRange(read, size, needle, from, size, false, stop);
  if (second) return FileMatch{*second, true};
  return std::nullopt;
}

}  // namespace

std::optional<FileMatch> FindInFile(const std::string& path, std::string_view needle,
                                    std::uint64_t from, bool forward,
                                    const std::atomic<bool>& stop) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff end = file.tellg();
  if (end < 0) return std::nullopt;
  const ReadPiece read = [&file](std::uint64_t start, std::uint64_t count, std::string& piece) {
    piece.resize(count);
    file.seekg(static_cast<std::streamoff>(start));
    file.read(piece.data(), static_cast<std::streamsize>(count));
    if (!file || static_cast<std::uint64_t>(file.gcount()) != count) return false;
    std::transform(piece.begin(), piece.end(), piece.begin(), Folded);
    return true;
  };
  return Search(read, static_cast<std::uint64_t>(end), needle, from, forward, stop);
}

std::optional<FileMatch> FindInText(std::string_view text, std::string_view needle,
                                    std::uint64_t from, bool forward) {
  const std::atomic<bool> never{false};
  const ReadPiece read = [text](std::uint64_t start, std::uint64_t count, std::string& piece) {
    piece = FoldedText(text.substr(start, count));
    return true;
  };
  return Search(read, text.size(), needle, from, forward, never);
}

}  // namespace marbleset::shell
