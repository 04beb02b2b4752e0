#include "formats/delimited_scanner.h"

#include <array>

#include "dataset/errors.h"
#include "formats/value_text.h"

namespace marbleset {

DelimitedScanner::DelimitedScanner(std::string_view text, char delimiter, std::string name)
    : text_(text), delimiter_(delimiter), name_(std::move(name)) {
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") position_ = 3;  // a spreadsheet's byte-order mark
}

bool DelimitedScanner::Next() {
  if (position_ >= text_.size()) return false;
  line_ = nextLine_;
  fields_.clear();
  unquoted_.clear();
  quoted_.clear();
  const std::size_t size = text_.size();
  std::size_t at = position_;
  bool recordEnded = false;
  while (!recordEnded) {
    if (at < size && text_[at] == '"') {
      const std::size_t quoteLine = nextLine_;
      const std::size_t begin = unquoted_.size();
      ++at;
      for (;;) {
        if (at >= size) {
          throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name_, 0, quoteLine},
                            "a quoted field is never closed (a double quote is missing).");
        }
        const char c = text_[at];
        if (c == '"') {
          if (at + 1 < size && text_[at + 1] == '"') {
            unquoted_ += '"';
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        if (c == '\n' || (c == '\r' && (at + 1 >= size || text_[at + 1] != '\n'))) ++nextLine_;
        unquoted_ += c;
        ++at;
      }
      // Anything between the closing quote and the delimiter is kept after the quoted text.
      const std::size_t tail = at;
      at = EndOfField(at);
      unquoted_.append(text_.data() + tail, at - tail);
      quoted_.push_back({fields_.size(), begin, unquoted_.size() - begin});
      fields_.emplace_back();
    } else {
      const std::size_t begin = at;
      at = EndOfField(at);
      fields_.emplace_back(text_.data() + begin, at - begin);
    }
    if (at < size && text_[at] == delimiter_) {
      ++at;
      continue;
    }
    recordEnded = true;
  }
  // The record ends at CR LF, LF or CR alone (or at the end of the text).
  if (at < size && text_[at] == '\r') {
    ++at;
    if (at < size && text_[at] == '\n') ++at;
  } else if (at < size && text_[at] == '\n') {
    ++at;
  }
  position_ = at;
  ++nextLine_;
  for (const QuotedField& field : quoted_) {
    fields_[field.index] = std::string_view(unquoted_).substr(field.begin, field.length);
  }
  return true;
}

std::size_t DelimitedScanner::EndOfField(std::size_t at) const {
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  while (at < size && data[at] != delimiter_ && data[at] != '\n' && data[at] != '\r') ++at;
  return at;
}

bool DelimitedScanner::IsBlank() const {
  return fields_.size() == 1 && TrimBlanks(fields_[0]).empty();
}

namespace {

// Delimiters outside quotes on each of the first lines.
std::array<std::vector<std::size_t>, 3> CountPerLine(std::string_view text,
                                                     const std::array<char, 3>& candidates) {
  std::array<std::vector<std::size_t>, 3> counts;
  std::array<std::size_t, 3> current{};
  bool quoted = false;
  std::size_t lines = 0;
  bool lineHasText = false;
  for (std::size_t at = 0; at < text.size() && lines < 20; ++at) {
    const char c = text[at];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') {
      if (lineHasText) {
        for (int d = 0; d < 3; ++d) counts[d].push_back(current[d]);
        ++lines;
      }
      current = {};
      lineHasText = false;
      continue;
    }
    lineHasText = true;
    for (int d = 0; d < 3; ++d) current[d] += c == candidates[d];
  }
  if (lineHasText && lines < 20) {
    for (int d = 0; d < 3; ++d) counts[d].push_back(current[d]);
  }
  return counts;
}

}  // namespace

char DetectDelimiter(std::string_view text) {
  const std::array<char, 3> candidates = {'\t', ';', ','};
  const auto counts = CountPerLine(text, candidates);
  for (int d = 0; d < 3; ++d) {
    const auto& perLine = counts[d];
    if (perLine.empty() || perLine[0] == 0) continue;
    bool steady = true;
    for (std::size_t count : perLine) steady = steady && count == perLine[0];
    // A table whose header has one field fewer (row names without a heading) counts too.
    if (!steady && perLine.size() > 1) {
      steady = true;
      for (std::size_t i = 1; i < perLine.size(); ++i) {
        steady = steady && perLine[i] == perLine[1];
      }
      steady = steady && perLine[0] + 1 == perLine[1];
    }
    if (steady) return candidates[d];
  }
  int best = 2;
  std::size_t bestCount = 0;
  for (int d = 0; d < 3; ++d) {
    if (!counts[d].empty() && counts[d][0] > bestCount) {
      bestCount = counts[d][0];
      best = d;
    }
  }
  return candidates[best];
}

}  // namespace marbleset
