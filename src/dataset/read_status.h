// The outcome of reading a data file: success or one of six findings about its text.
#pragma once

#include <cstdint>
#include <string_view>

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

// The question the open command asks, e.g. "Error reading data. Open in Notepad?".
std::string_view ReadStatusMessage(ReadStatus status);

// The same finding without the offer to open the file, for the command-line tool.
std::string_view ReadStatusFinding(ReadStatus status);

}  // namespace marbleset
