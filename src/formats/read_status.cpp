#include "formats/read_status.h"

namespace marbleset {

ReadProblem ProblemOf(ReadStatus status) {
  switch (status) {
    case ReadStatus::kNoDeclarations:
      return ReadProblem::kNoDeclarations;
    case ReadStatus::kNoOtuCount:
      return ReadProblem::kNoOtuCount;
    case ReadStatus::kNoCharCount:
      return ReadProblem::kNoCharCount;
    case ReadStatus::kWrongMatrixType:
      return ReadProblem::kWrongMatrixType;
    case ReadStatus::kLabelsIncomplete:
      return ReadProblem::kLabelsIncomplete;
    case ReadStatus::kOk:
    case ReadStatus::kDataIncomplete:
      break;
  }
  return ReadProblem::kEndsEarly;
}

std::string_view FindingText(ReadProblem kind) {
  switch (kind) {
    case ReadProblem::kNoDeclarations:
      return "Can't find declarations.";
    case ReadProblem::kNoOtuCount:
      return "Can't find #otu declaration.";
    case ReadProblem::kNoCharCount:
      return "Can't find #chararcters declaration.";
    case ReadProblem::kEndsEarly:
      return "Error reading data.";
    case ReadProblem::kWrongMatrixType:
      return "Wrong matrix type.";
    case ReadProblem::kLabelsIncomplete:
      return "Error reading OTU names.";
    default:
      return "";
  }
}

ReadFailure FindingFailure(ReadStatus status, const std::string& input, const ReadReport& report) {
  const ReadProblem kind = ProblemOf(status);
  std::string reason(FindingText(kind));
  // The hint is the failure's own; a front end words it for its users.
  ReadReport plain = report;
  plain.hint = KindHint::kNone;
  const bool placeKnown = report.otu > 0 || report.row > 0 || !report.item.empty();
  if (placeKnown || report.dataSet > 1) {
    reason.pop_back();
    reason += ": " + plain.Describe();
  }
  return ReadFailure(kind, InputPlace{input}, reason, report.hint);
}

}  // namespace marbleset

namespace marbleset {

namespace detail {

KindHint HintFromItem(std::string_view item, bool readAsBinary) {
  if (readAsBinary) {
    // A binary reader skips every digit from 2 to 9 and every decimal point, so values such as
    // 2.5 or 17 leave the row short and the file "ends early".
    for (const char c : item) {
      if ((c >= '2' && c <= '9') || c == '.') return KindHint::kLooksQuantitative;
    }
    return KindHint::kNone;
  }
  // Binary rows written without blanks ("0110?1") are single numbers to a quantitative reader.
  std::size_t run = 0;
  bool question = false;
  for (const char c : item) {
    if (c == '0' || c == '1' || c == '?') {
      ++run;
      question = question || c == '?';
      if (run >= 8 || (run >= 3 && question)) return KindHint::kLooksBinary;
    } else {
      run = 0;
      question = false;
    }
  }
  return KindHint::kNone;
}

std::string QuotedItem(std::string_view item) {
  constexpr std::size_t kShown = 60;
  std::string text;
  for (const char c : item.substr(0, kShown)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      static constexpr char kHex[] = "0123456789abcdef";
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 15];
    } else {
      text += c;
    }
  }
  if (item.size() > kShown) text += "...";
  return text;
}

}  // namespace detail

std::string ReadReport::Describe() const {
  if (dataSet == 0) return "";
  std::string text = "data set " + std::to_string(dataSet);
  if (ntsys && row > 0) {
    text += ", row " + std::to_string(row) + ": " + std::to_string(valuesRead) + " of " +
            std::to_string(valuesExpected) + " values read";
  } else if (otu > 0) {
    text += ", OTU " + std::to_string(otu) + " (\"" + detail::QuotedItem(otuName) +
            "\"): " + std::to_string(valuesRead) + " of " + std::to_string(valuesExpected) +
            " values read";
  }
  if (!item.empty()) text += "; the last item read was \"" + item + "\"";
  text += ".";
  if (hint == KindHint::kLooksQuantitative) {
    text += " The data holds numbers other than 0 and 1: it may be quantitative data.";
  } else if (hint == KindHint::kLooksBinary) {
    text += " The data holds runs of 0, 1 and ? without blanks: it may be binary data.";
  }
  return text;
}

}  // namespace marbleset
