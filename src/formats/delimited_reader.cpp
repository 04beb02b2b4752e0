#include "formats/delimited_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "formats/delimited_scanner.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

enum class CellClass : std::uint8_t { kMissing, kZero, kOne, kOther, kText };

class CellReader {
 public:
  // Most cells have nothing to trim; telling so takes two bytes, not a call.
  static bool HasBlankEnd(std::string_view field) {
    return field.empty() || static_cast<unsigned char>(field.front()) <= ' ' ||
           static_cast<unsigned char>(field.back()) <= ' ';
  }

  CellReader(const std::vector<std::string>& extraCodes, bool decimalComma)
      : codes_(DefaultMissingCodes()), decimalComma_(decimalComma) {
    for (const std::string& code : extraCodes) codes_.emplace_back(TrimBlanks(code));
    // A declared missing code wins over the state it looks like.
    for (const std::string& code : codes_)
      quickStates_ = quickStates_ && code != "0" && code != "1";
  }

  CellClass Classify(std::string_view field, float& value) const {
    const std::string_view text = HasBlankEnd(field) ? TrimBlanks(field) : field;
    if (text.size() == 1 && quickStates_) {
      // The common cells of binary tables, without a number parse.
      if (text[0] == '0') return value = 0.0f, CellClass::kZero;
      if (text[0] == '1') return value = 1.0f, CellClass::kOne;
    }
    if (IsMissingCode(text)) return CellClass::kMissing;
    const std::optional<float> number = ParseNumber(text, decimalComma_);
    if (!number) return CellClass::kText;
    value = *number;
    if (value == 0.0f) return CellClass::kZero;
    if (value == 1.0f) return CellClass::kOne;
    return CellClass::kOther;
  }

 private:
  std::vector<std::string> codes_;
  bool decimalComma_;
  bool quickStates_ = true;  // no code is "0" or "1"

  // The codes are a few bytes long: compared in line, a cell of values is rejected at its first
  // byte rather than in a call per code.
  bool IsMissingCode(std::string_view text) const {
    for (const std::string& code : codes_) {
      if (code.size() != text.size()) continue;
      std::size_t i = 0;
      while (i < text.size() && code[i] == text[i]) ++i;
      if (i == text.size()) return true;
    }
    return false;
  }
};

// The first cell of a column that is text, that is a value other than 0 and 1, or that holds
// the quantitative missing value (line 0: none).
struct ColumnFindings {
  std::size_t textLine = 0;
  std::string text;
  std::size_t otherLine = 0;
  std::string other;
  std::size_t reservedLine = 0;
  bool allEmpty = true;
  bool holdsNumber = false;
};

// Everything the first pass learns about a table.
struct TableSurvey {
  char delimiter = ',';
  bool decimalComma = false;
  OtusAs otusAs = OtusAs::kRows;
  bool headerShifted = false;
  std::size_t firstRecordLine = 0;
  std::vector<std::string> header;
  std::size_t width = 0;
  std::size_t dataRecords = 0;
  std::size_t firstDataColumn = 1;
  DataKind kind = DataKind::kBinary;
  std::vector<ColumnFindings> columns;
  std::vector<std::vector<std::string>> previewCells;
  std::size_t recordCount = 0;
  std::size_t widest = 0;
};

bool EndsWith(const std::string& name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

bool SameWord(std::string_view text, std::string_view word) {
  return text.size() == word.size() &&
         std::equal(text.begin(), text.end(), word.begin(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

InputPlace CellAt(const std::string& name, std::size_t line, std::size_t column) {
  return InputPlace{name, 0, line, column + 1};
}

// The first data column worked out from the cells leaves out every column before it. A column
// of values with one mistyped cell would move that choice and drop whole columns without a
// word, so a guess set by a column that holds any number is refused: with few OTUs one cell
// is already half the column.
void RefuseGuessLeavingValuesOut(const std::string& name, const TableSurvey& survey,
                                 std::size_t first) {
  // The text cell of the column just before the guess is what moved it there.
  const ColumnFindings& mover = survey.columns[first - 1];
  if (first < 2 || !mover.holdsNumber) return;
  InputPlace place = CellAt(name, mover.textLine, first - 1);
  place.item = mover.text;
  const bool rows = survey.otusAs == OtusAs::kRows;
  throw ReadFailure(
      ReadProblem::kLayoutGuess, place,
      "\"" + mover.text +
          "\" is neither a number nor a missing code in a column that also holds numbers, so "
          "the values would be taken to begin at column " +
          std::to_string(first + 1) + ", leaving out columns 2 to " + std::to_string(first) +
          (rows ? " (characters)" : " (OTUs)") +
          ". Correct the cell, or name the first column of values (--first-data-column, or "
          "\"First data column\" when importing).");
}

// A header one field shorter than the records (R's row names) is counted by the records: a
// record that differs from the header by one would otherwise read "3 fields where the header
// has 3".
[[noreturn]] void RefuseRecordWidth(const std::string& name, std::size_t line, std::size_t fields,
                                    const TableSurvey& survey) {
  const std::string expected = survey.headerShifted
                                   ? "the records need " + std::to_string(survey.width) +
                                         " (a name and one field for each of the " +
                                         std::to_string(survey.width - 1) +
                                         " header fields, as the first record on line " +
                                         std::to_string(survey.firstRecordLine) + " has)"
                                   : "the header has " + std::to_string(survey.width);
  throw ReadFailure(
      ReadProblem::kNotTheLayout, InputPlace{name, 0, line},
      "this record has " + std::to_string(fields) + " fields where " + expected + ".");
}

// The first pass: delimiter, header, shape, guesses and the findings of every column. Fills as
// much of survey as it learns before a failure, so a preview can show it.
void Survey(std::string_view text, const std::string& name, const DelimitedOptions& options,
            TableSurvey& survey, std::size_t previewRows, std::size_t previewColumns) {
  survey.delimiter = options.delimiter != 0 ? options.delimiter : DetectDelimiter(text);
  // Where the comma is not the delimiter, spreadsheets of many countries write it as the
  // decimal separator.
  survey.decimalComma = survey.delimiter != ',';
  const CellReader cells(options.missingCodes, survey.decimalComma);
  DelimitedScanner scanner(text, survey.delimiter, name);
  bool haveHeader = false;
  bool shapeKnown = false;
  while (scanner.Next()) {
    if (scanner.IsBlank()) continue;
    const auto& fields = scanner.Fields();
    ++survey.recordCount;
    survey.widest = std::max(survey.widest, fields.size());
    if (survey.previewCells.size() < previewRows) {
      std::vector<std::string> row;
      for (std::size_t c = 0; c < fields.size() && c < previewColumns; ++c) {
        row.emplace_back(fields[c]);
      }
      survey.previewCells.push_back(std::move(row));
    }
    if (!haveHeader) {
      haveHeader = true;
      for (std::string_view field : fields) survey.header.emplace_back(field);
      survey.width = fields.size();
      survey.otusAs = options.otusAs;
      if (survey.otusAs == OtusAs::kAuto) {
        const bool geneTable = EndsWith(name, ".rtab") || SameWord(TrimBlanks(fields[0]), "Gene");
        survey.otusAs = geneTable ? OtusAs::kColumns : OtusAs::kRows;
      }
      continue;
    }
    if (!shapeKnown) {
      shapeKnown = true;
      survey.firstRecordLine = scanner.Line();
      if (fields.size() == survey.width + 1) {
        survey.headerShifted = true;
        survey.header.insert(survey.header.begin(), std::string());
        ++survey.width;
      }
      if (survey.width < 2) {
        throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name, 0, scanner.Line()},
                          "the table has a single column; a name column and at least one column "
                          "of values are needed (is the delimiter right?).");
      }
      survey.columns.resize(survey.width);
    }
    std::size_t used = fields.size();
    // A delimiter at the end of every line gives an empty last field that is no column.
    if (used == survey.width + 1 && TrimBlanks(fields.back()).empty()) used = survey.width;
    if (used != survey.width) RefuseRecordWidth(name, scanner.Line(), fields.size(), survey);
    ++survey.dataRecords;
    for (std::size_t c = 1; c < survey.width; ++c) {
      ColumnFindings& column = survey.columns[c];
      const std::string_view field = fields[c];
      if (column.allEmpty && !TrimBlanks(field).empty()) column.allEmpty = false;
      float value = 0.0f;
      const CellClass cellClass = cells.Classify(field, value);
      if (!column.holdsNumber && cellClass != CellClass::kText &&
          cellClass != CellClass::kMissing) {
        column.holdsNumber = true;
      }
      if (cellClass == CellClass::kText && column.textLine == 0) {
        column.textLine = scanner.Line();
        column.text = field;
      } else if (cellClass == CellClass::kOther) {
        if (column.otherLine == 0) {
          column.otherLine = scanner.Line();
          column.other = TrimBlanks(field);
        }
        if (value == kQuantitativeMissingValue && column.reservedLine == 0) {
          column.reservedLine = scanner.Line();
        }
      }
    }
  }
  if (!haveHeader)
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name}, "the file holds no table.");
  if (survey.dataRecords == 0) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{name},
                      "the table holds a header and no records of values.");
  }
  // A trailing delimiter on every line, the header's included, leaves an empty last column.
  if (survey.width > 2 && TrimBlanks(survey.header.back()).empty() &&
      survey.columns.back().allEmpty) {
    --survey.width;
    survey.header.pop_back();
    survey.columns.pop_back();
  }
  if (options.firstDataColumn) {
    survey.firstDataColumn = *options.firstDataColumn;
    if (survey.firstDataColumn < 1 || survey.firstDataColumn >= survey.width) {
      throw ReadFailure(ReadProblem::kLayoutGuess, InputPlace{name},
                        "the first data column must be from 2 to " + std::to_string(survey.width) +
                            " (counted from 1), as column 1 holds " + "the names.");
    }
  } else {
    std::size_t first = survey.width;
    while (first > 1 && survey.columns[first - 1].textLine == 0) --first;
    if (first == survey.width) {
      const ColumnFindings& last = survey.columns.back();
      throw ReadFailure(
          ReadProblem::kLayoutGuess, CellAt(name, last.textLine, survey.width - 1),
          "\"" + last.text +
              "\" is neither a number nor a missing code, so the table has no columns "
              "of values at its end.");
    }
    RefuseGuessLeavingValuesOut(name, survey, first);
    survey.firstDataColumn = first;
  }
  // The earliest problem among the data columns is the one reported.
  std::size_t textColumn = 0, otherColumn = 0, reservedColumn = 0;
  const auto earlier = [&](std::size_t line, std::size_t current, std::size_t currentLine) {
    return line != 0 && (current == 0 || line < currentLine);
  };
  for (std::size_t c = survey.firstDataColumn; c < survey.width; ++c) {
    const ColumnFindings& column = survey.columns[c];
    if (earlier(column.textLine, textColumn, survey.columns[textColumn].textLine)) textColumn = c;
    if (earlier(column.otherLine, otherColumn, survey.columns[otherColumn].otherLine)) {
      otherColumn = c;
    }
    if (earlier(column.reservedLine, reservedColumn, survey.columns[reservedColumn].reservedLine)) {
      reservedColumn = c;
    }
  }
  if (textColumn != 0) {
    const ColumnFindings& column = survey.columns[textColumn];
    throw ReadFailure(ReadProblem::kNotAValue, CellAt(name, column.textLine, textColumn),
                      "\"" + column.text + "\" is neither a number nor a missing code.");
  }
  const bool binaryValues = otherColumn == 0;
  if (options.kind == KindChoice::kBinary && !binaryValues) {
    const ColumnFindings& column = survey.columns[otherColumn];
    throw ReadFailure(ReadProblem::kOtherKind, CellAt(name, column.otherLine, otherColumn),
                      "the value \"" + column.other +
                          "\" is neither 0, 1 nor missing, so the table cannot be read as binary "
                          "data.");
  }
  survey.kind = options.kind == KindChoice::kQuantitative || !binaryValues ? DataKind::kQuantitative
                                                                           : DataKind::kBinary;
  if (survey.kind == DataKind::kQuantitative && reservedColumn != 0) {
    throw ReadFailure(ReadProblem::kNotAValue,
                      CellAt(name, survey.columns[reservedColumn].reservedLine, reservedColumn),
                      "the value -9999 is the code quantitative data sets hold for missing "
                      "entries; write it as NA if it is missing.");
  }
}

void Fill(std::string_view text, const std::string& name, const DelimitedOptions& options,
          const TableSurvey& survey, DataSet& data) {
  const bool otusAsRows = survey.otusAs == OtusAs::kRows;
  const std::size_t first = survey.firstDataColumn;
  const std::size_t values = survey.width - first;
  const std::size_t otus = otusAsRows ? survey.dataRecords : values;
  const std::size_t characters = otusAsRows ? values : survey.dataRecords;
  const float missing =
      survey.kind == DataKind::kBinary ? kBinaryMissingValue : kQuantitativeMissingValue;
  data.Resize(survey.kind, otus, characters, missing);
  if (!otusAsRows) {
    for (std::size_t c = first; c < survey.width; ++c) {
      data.otuNames[c - first] = std::string(TrimTrailingBlanks(survey.header[c]));
    }
  }
  const CellReader cells(options.missingCodes, survey.decimalComma);
  DelimitedScanner scanner(text, survey.delimiter, name);
  bool header = true;
  std::size_t record = 0;
  while (scanner.Next()) {
    if (scanner.IsBlank()) continue;
    if (header) {
      header = false;
      continue;
    }
    const auto& fields = scanner.Fields();
    if (otusAsRows) data.otuNames[record] = std::string(TrimTrailingBlanks(fields[0]));
    for (std::size_t c = first; c < survey.width; ++c) {
      float value = 0.0f;
      const bool isMissing = cells.Classify(fields[c], value) == CellClass::kMissing;
      const std::size_t otu = otusAsRows ? record : c - first;
      const std::size_t character = otusAsRows ? c - first : record;
      data.SetValue(otu, character, isMissing ? missing : value);
    }
    ++record;
  }
}

}  // namespace

const std::vector<std::string>& DefaultMissingCodes() {
  static const std::vector<std::string> codes = {"NA", "?", "-", ".", ""};
  return codes;
}

DataSet ReadDelimitedText(std::string_view text, const std::string& name,
                          const DelimitedOptions& options, std::uint64_t memoryLimit) {
  TableSurvey survey;
  Survey(text, name, options, survey, 0, 0);
  DataSet data;
  data.SetMemoryLimit(memoryLimit);
  Fill(text, name, options, survey, data);
  return data;
}

DataSet ReadDelimitedFile(const std::string& path, const DelimitedOptions& options,
                          std::uint64_t memoryLimit) {
  const std::string text = ReadWholeFile(path);
  return ReadDelimitedText(text, path, options, memoryLimit);
}

DelimitedPreview PreviewDelimitedText(std::string_view text, const std::string& name,
                                      const DelimitedOptions& options, std::size_t maxRows,
                                      std::size_t maxColumns) {
  TableSurvey survey;
  DelimitedPreview preview;
  try {
    Survey(text, name, options, survey, maxRows, maxColumns);
  } catch (const Failure& failure) {
    preview.problem = failure.what();
  }
  preview.delimiter = survey.delimiter;
  preview.decimalComma = survey.decimalComma;
  preview.otusAs = survey.otusAs;
  preview.firstDataColumn = survey.firstDataColumn;
  preview.cells = std::move(survey.previewCells);
  preview.recordCount = survey.recordCount;
  preview.columnCount = survey.widest;
  if (preview.problem.empty()) {
    const std::size_t values = survey.width - survey.firstDataColumn;
    const bool rows = survey.otusAs == OtusAs::kRows;
    preview.otuCount = rows ? survey.dataRecords : values;
    preview.charCount = rows ? values : survey.dataRecords;
    preview.kind = survey.kind;
  }
  return preview;
}

std::string ReadWholeFile(const std::string& path) {
  const int descriptor = platform::OpenToRead(path);
  if (descriptor < 0)
    throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  std::string text;
  // A regular file's size is known: one allocation instead of a copy at every doubling.
  std::error_code unknown;
  const std::uintmax_t size = std::filesystem::file_size(platform::FilePath(path), unknown);
  if (!unknown) text.reserve(static_cast<std::size_t>(size));
  char chunk[65536];
  for (;;) {
    const long got = platform::ReadSome(descriptor, chunk, sizeof chunk);
    if (got > 0) {
      text.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      const int problem = got < 0 ? errno : 0;
      platform::CloseFile(descriptor);
      if (problem != 0)
        throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(problem));
      return text;
    }
  }
}

}  // namespace marbleset
