#include "formats/distance_file_reader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>

#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset {

namespace {

constexpr std::size_t kPhylipNameWidth = 10;
constexpr std::size_t kMarblesetNameWidth = 12;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The lines of the input with their numbers, CR LF or LF ended.
class LineSource {
 public:
  LineSource(std::istream& in, const std::string& name) : in_(in), name_(name) {}

  bool Next(std::string& line) {
    if (!std::getline(in_, line)) {
      if (in_.bad()) Fail("the input could not be read further");
      return false;
    }
    ++number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name_, 0, number_}, what + ".");
  }

 private:
  std::istream& in_;
  const std::string& name_;
  std::size_t number_ = 0;
};

// Splits text at blanks into numbers appended to values; false at a piece that is no number.
bool TakeValues(std::string_view text, std::vector<double>& values, std::string& bad) {
  std::size_t k = 0;
  while (k < text.size()) {
    while (k < text.size() && IsBlank(text[k])) ++k;
    std::size_t end = k;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end == k) break;
    const std::string_view piece = text.substr(k, end - k);
    double value = 0;
    const char* first = piece.data();
    if (piece.front() == '+') ++first;
    const auto result = std::from_chars(first, piece.data() + piece.size(), value);
    if (result.ec != std::errc() || result.ptr != piece.data() + piece.size() ||
        !std::isfinite(value)) {
      bad = std::string(piece.substr(0, 40));
      return false;
    }
    values.push_back(value);
    k = end;
  }
  return true;
}

// Whether the row's first line, cut after width characters, holds only numbers: exactly n of
// them (Marbleset never wraps a row), or at most n (PHYLIP may go on on the next lines).
bool FitsWidth(const std::string& line, std::size_t width, std::size_t n, bool whole) {
  std::vector<double> values;
  std::string bad;
  if (!TakeValues(std::string_view(line).substr(width), values, bad)) return false;
  return whole ? values.size() == n : values.size() <= n;
}

std::size_t NameWidth(const std::string& line, std::size_t n) {
  if (line.size() <= kMarblesetNameWidth) return std::min(line.size(), kMarblesetNameWidth);
  if (IsBlank(line[10]) && IsBlank(line[11])) return kMarblesetNameWidth;
  const bool marbleset = FitsWidth(line, kMarblesetNameWidth, n, true);
  const bool phylip = FitsWidth(line, kPhylipNameWidth, n, false);
  if (marbleset != phylip) return marbleset ? kMarblesetNameWidth : kPhylipNameWidth;
  // Both read as numbers ("Alpha     0.0000 ..." or "Sample_000120.000000 ..."): a blank at
  // the end of the first ten characters pads a ten-character field.
  return IsBlank(line[9]) || !marbleset ? kPhylipNameWidth : kMarblesetNameWidth;
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::size_t ReadCount(const std::string& line, LineSource& lines) {
  const std::string text = Trimmed(line);
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  std::size_t n = 0;
  const auto result = std::from_chars(text.data(), text.data() + end, n);
  if (result.ec != std::errc() || result.ptr != text.data() + end)
    lines.Fail("\"" + text.substr(0, 40) + "\" is not a number of OTUs");
  return n;
}

DistanceMatrix ReadOne(const std::string& header, LineSource& lines) {
  DistanceMatrix matrix;
  matrix.n = ReadCount(header, lines);
  const std::size_t n = matrix.n;
  // The count comes from the file: grow with the rows read rather than trust it up front.
  std::string line;
  std::string bad;
  std::vector<double> row;
  for (std::size_t i = 0; i < n; ++i) {
    if (!lines.Next(line))
      lines.Fail("the file ends after " + std::to_string(i) + " of " + std::to_string(n) + " rows");
    const std::size_t width = std::min(NameWidth(line, n), line.size());
    matrix.names.push_back(Trimmed(std::string_view(line).substr(0, width)));
    row.clear();
    if (!TakeValues(std::string_view(line).substr(width), row, bad))
      lines.Fail("\"" + bad + "\" in the row of " + matrix.names.back() + " is not a number");
    while (row.size() < n) {
      if (!lines.Next(line))
        lines.Fail("the file ends inside the row of " + matrix.names.back() + ", after " +
                   std::to_string(row.size()) + " of " + std::to_string(n) + " values");
      if (!TakeValues(line, row, bad))
        lines.Fail("\"" + bad + "\" in the row of " + matrix.names.back() + " is not a number");
    }
    if (row.size() > n)
      lines.Fail("the row of " + matrix.names.back() + " holds " + std::to_string(row.size()) +
                 " values instead of " + std::to_string(n));
    matrix.values.insert(matrix.values.end(), row.begin(), row.end());
  }
  return matrix;
}

}  // namespace

std::vector<DistanceMatrix> ReadDistanceMatrices(std::istream& in, const std::string& name) {
  LineSource lines(in, name);
  std::vector<DistanceMatrix> matrices;
  std::string line;
  while (lines.Next(line)) {
    if (Trimmed(line).empty()) continue;
    matrices.push_back(ReadOne(line, lines));
  }
  if (matrices.empty()) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name},
                      "there is no distance matrix in the file.");
  }
  return matrices;
}


std::vector<DistanceMatrix> ReadDistanceMatrixFile(const std::string& path) {
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  return ReadDistanceMatrices(in, path);
}

}  // namespace marbleset
