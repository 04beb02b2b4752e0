#include "formats/distance_matrix.h"

#include <charconv>
#include <cmath>

#include "dataset/errors.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

// The lines of a text without their CR LF, LF or CR ends.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    std::size_t end = at_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(at_, end - at_);
    at_ = end;
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
    ++number_;
    return true;
  }
  std::size_t Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t number_ = 0;
};

constexpr std::size_t kNameField = 12;

}  // namespace

std::vector<DistanceMatrix> ReadPhylipDistances(std::string_view text, const std::string& name) {
  std::vector<DistanceMatrix> matrices;
  Lines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (TrimBlanks(line).empty()) continue;
    const std::optional<float> count = ParseNumber(line);
    if (!count || *count < 1 || *count != std::floor(*count)) {
      throw ReadFailure(LinePrefix(name, lines.Number()) +
                        "a distance matrix begins with a line holding its number of OTUs.");
    }
    DistanceMatrix matrix;
    const auto size = static_cast<std::size_t>(*count);
    matrix.names.reserve(size);
    matrix.values.reserve(size * size);
    while (matrix.names.size() < size) {
      if (!lines.Next(line)) {
        throw ReadFailure(name + ": the file ends after " + std::to_string(matrix.names.size()) +
                          " of the matrix's " + std::to_string(size) + " rows.");
      }
      matrix.names.emplace_back(TrimTrailingBlanks(line.substr(0, kNameField)));
      std::string_view rest = line.size() > kNameField ? line.substr(kNameField) : "";
      std::size_t values = 0;
      for (;;) {
        rest = TrimBlanks(rest);
        if (rest.empty()) break;
        const std::size_t blank = rest.find_first_of(" \t");
        const std::string_view token = rest.substr(0, blank);
        double value = 0.0;
        // Read as a double (never through the locale) so six decimals come back as written.
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) {
          throw ReadFailure(LinePrefix(name, lines.Number()) + "\"" + std::string(token) +
                            "\" is not a distance.");
        }
        matrix.values.push_back(value);
        ++values;
        rest = blank == std::string_view::npos ? "" : rest.substr(blank);
      }
      if (values != size) {
        throw ReadFailure(LinePrefix(name, lines.Number()) + "the row holds " +
                          std::to_string(values) + " values where the matrix has " +
                          std::to_string(size) + " OTUs.");
      }
    }
    matrices.push_back(std::move(matrix));
  }
  if (matrices.empty()) throw ReadFailure(name + ": the file holds no distance matrix.");
  return matrices;
}

}  // namespace marbleset
