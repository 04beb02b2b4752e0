// The outcome of reading a data file: success or one of six findings about its text, and the
// details of where a read ended or went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/errors.h"

namespace marbleset {

enum class ReadStatus : int16_t {
  kOk = 0,
  kNoDeclarations = 1,    // no item with a positive value before the file ends
  kNoOtuCount = 2,        // the OTU count is not ended by a space
  kNoCharCount = 3,       // no character count after the OTU count
  kDataIncomplete = 4,    // the file ends before the last OTU (or NTSYS row)
  kWrongMatrixType = 5,   // NTSYS matrix type other than 1
  kLabelsIncomplete = 6,  // the file ends inside the NTSYS label block
};

// The kind of read failure a finding is.
ReadProblem ProblemOf(ReadStatus status);

// A finding in words, e.g. "Error reading data."; empty for the kinds that are no finding.
std::string_view FindingText(ReadProblem kind);

// Where a read ended or went wrong, filled by the readers for a finding or a failure so that a
// message can say more than the finding. Counts are as a user counts, from 1; 0 means "not
// reached".
struct ReadReport {
  int dataSet = 0;             // the data set being read
  bool ntsys = false;          // rows are characters, not OTUs
  std::size_t otu = 0;         // PHYLIP: the OTU whose values were being read
  std::string otuName;         // its name as read (without trailing blanks)
  std::size_t row = 0;         // NTSYS: the character row being read
  std::size_t valuesRead = 0;  // values of that OTU (or row) read so far
  std::size_t valuesExpected = 0;
  std::string item;  // the last item read, cut to 60 bytes
  KindHint hint = KindHint::kNone;

  // "data set 2, OTU 3 ("Gamma"): 5 of 24 values read; the last item read was "0 1 2.5"",
  // followed by a sentence on the hint, if any; empty when nothing was recorded.
  std::string Describe() const;
};

// The failure a finding is: input as its file, the finding's words and, when the report knows
// more than that the first data set was being read, where the read ended; the report's hint.
ReadFailure FindingFailure(ReadStatus status, const std::string& input, const ReadReport& report);

namespace detail {
// The hint a failed read's last item gives: digits other than 0 and 1, or a decimal point, in
// data read as binary; or runs of 0, 1 and ? without blanks in data read as quantitative.
KindHint HintFromItem(std::string_view item, bool readAsBinary);
// An item as a report quotes it: at most 60 bytes, control characters as \xNN.
std::string QuotedItem(std::string_view item);
}  // namespace detail

}  // namespace marbleset
