// Delimited tables (.csv, .tsv, .txt, .Rtab): spreadsheet exports of band scores, R tables and
// pan-genome presence/absence tables, read into a data set.
//
// The first record is a header of names. With OTUs as rows, each further record is an OTU: its
// name in the first column, its values from the first data column on (the columns between are
// metadata and skipped). With OTUs as columns, the header's cells from the first data column on
// are the OTU names and each further record is a character. A header one field shorter than the
// records (R's row-name tables) is taken as shifted by the name column.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "formats/kind_choice.h"

namespace marbleset {

enum class OtusAs { kAuto, kRows, kColumns };

struct DelimitedOptions {
  // kAuto: columns for a .Rtab file or a header beginning with "Gene", rows otherwise.
  OtusAs otusAs = OtusAs::kAuto;
  // '\t', ';' or ','; 0 detects it.
  char delimiter = 0;
  // The first column that holds values, counted from 0 (at least 1: column 0 holds the
  // names); unset, the first column from which every column to the end holds only numbers and
  // missing codes.
  std::optional<std::size_t> firstDataColumn;
  // Codes read as missing besides "NA", "?", "-", "." and the empty cell.
  std::vector<std::string> missingCodes;
  KindChoice kind = KindChoice::kAuto;
};

// The missing codes every table understands.
const std::vector<std::string>& DefaultMissingCodes();

// Reads a table; name is how failures refer to it (and its extension counts for the guess of
// OTUs as rows or columns). Throws ReadFailure naming the line and column of a bad cell, and
// MemoryFailure when the data would not fit the memory limit given (0: what is available).
DataSet ReadDelimitedText(std::string_view text, const std::string& name,
                          const DelimitedOptions& options, std::uint64_t memoryLimit = 0);
// The same for a file; throws ReadFailure with the system's reason when it cannot be read.
DataSet ReadDelimitedFile(const std::string& path, const DelimitedOptions& options,
                          std::uint64_t memoryLimit = 0);

// What an import dialog shows before reading: the first records as text and the settings a
// read with these options would use (the guesses filled in), with the shape and kind it
// would give, or the message it would fail with.
struct DelimitedPreview {
  char delimiter = ',';
  bool decimalComma = false;
  OtusAs otusAs = OtusAs::kRows;
  std::size_t firstDataColumn = 1;
  std::vector<std::vector<std::string>> cells;  // at most maxRows records of maxColumns fields
  std::size_t recordCount = 0;                  // records, the header included
  std::size_t columnCount = 0;                  // fields of the widest record
  std::size_t otuCount = 0;
  std::size_t charCount = 0;
  DataKind kind = DataKind::kBinary;
  std::string problem;  // empty when the read would succeed
};

DelimitedPreview PreviewDelimitedText(std::string_view text, const std::string& name,
                                      const DelimitedOptions& options, std::size_t maxRows = 20,
                                      std::size_t maxColumns = 20);

// The whole of a file as text; throws ReadFailure naming the path and the system's reason.
std::string ReadWholeFile(const std::string& path);

}  // namespace marbleset
