#include "formats/ntsys_reader.h"

#include <string>

#include "dataset/errors.h"
#include "dataset/fast_number.h"
#include "dataset/numeric_value.h"
#include "formats/header_scan.h"

namespace marbleset {

namespace {

constexpr std::size_t kNameField = 12;

// Matrix type (must be 1), rows (characters), columns (OTUs), then the missing-data flag and,
// after flag 1, the code that marks missing entries. Sizes the data set once all is known.
ReadStatus ReadNtsysHeader(ItemReader& in, DataSet& data, DataKind kind) {
  ReadStatus status = ReadStatus::kOk;
  const std::string token = detail::ScanHeader(in, status);
  if (status != ReadStatus::kOk) return status;
  std::size_t k = 0;
  const detail::Field type = detail::ScanField(token, k);
  if (type.ranOut) status = ReadStatus::kNoDeclarations;
  if (type.value != 1.0) status = ReadStatus::kWrongMatrixType;
  if (status != ReadStatus::kOk) return status;
  const detail::Field rows = detail::ScanField(token, k);
  if (rows.ranOut) return ReadStatus::kNoCharCount;
  const std::uint64_t characters = detail::HeaderCount(in, rows.piece);
  const detail::Field columns = detail::ScanField(token, k);
  if (columns.ranOut) return ReadStatus::kNoOtuCount;
  const std::uint64_t otus = detail::HeaderCount(in, columns.piece);
  // k stands on the space that ends the column count; the flag is the character after it.
  const std::string_view flag = std::string_view(token).substr(k + 1);
  float missing = kind == DataKind::kQuantitative ? kQuantitativeMissingValue : kBinaryMissingValue;
  if (!flag.empty() && flag.front() == '1') {
    if (!detail::ToStoredValue(flag.substr(1), missing)) {
      detail::ValueTooLarge(in, flag.substr(1), "the missing-data code");
    }
  }
  detail::SizeDataSet(in, data, kind, otus, characters, missing);
  return ReadStatus::kOk;
}

// Labels separated by single spaces, each new line starting a new label; a label keeps its
// first 12 characters and is padded to 12. Two spaces in a row make an empty label. Labels
// beyond the column count are dropped.
ReadStatus ReadNtsysLabels(ItemReader& in, DataSet& data) {
  const std::size_t otus = data.OtuCount();
  ReadStatus status = ReadStatus::kOk;
  std::size_t i = 0;  // labels begun so far; the current one is i - 1
  while (i < otus && status == ReadStatus::kOk) {
    ++i;
    const std::string_view token = in.NextItem();
    for (std::size_t p = 0; p < token.size(); ++p) {
      if (token[p] == ' ' && p + 1 < token.size()) {
        ++i;
      } else if (i <= otus && data.otuNames[i - 1].size() < kNameField) {
        data.otuNames[i - 1].push_back(token[p]);
      }
    }
    if (in.AtEnd()) status = ReadStatus::kLabelsIncomplete;
  }
  for (std::string& name : data.otuNames) name.resize(kNameField, ' ');
  return status;
}

// One row of binary data: each digit alone; 0 and 1 are values, a digit equal to the missing
// code is missing; everything else, "?" included, is skipped. Returns the values found; those
// beyond the last OTU are dropped.
std::size_t TakeBinaryRow(std::string_view token, std::size_t row, const ItemReader&,
                          DataSet& data) {
  const std::size_t otus = data.OtuCount();
  const float missing = data.MissingValue();
  std::size_t i = 0;
  for (const char c : token) {
    if (c < '0' || c > '9') continue;
    const float x = static_cast<float>(c - '0');
    if (x != 0.0f && x != 1.0f && x != missing) continue;
    if (i < otus) data.SetValue(i, row, x);
    ++i;
  }
  return i;
}

// One row of quantitative data: pieces cut at spaces and tabs, each piece with a digit a value;
// a missing entry is written as the missing-data code.
std::size_t TakeQuantRow(std::string_view token, std::size_t row, const ItemReader& in,
                         DataSet& data) {
  const std::size_t otus = data.OtuCount();
  std::size_t i = 0;
  detail::ForEachPiece(token, [&](std::string_view piece) {
    float value;
    const FastNumber fast = FastStoredValue(piece, value);
    if (fast == FastNumber::kNone) return;
    if (fast == FastNumber::kGeneral) {
      if (!ContainsDigit(piece)) return;
      if (!detail::ToStoredValue(piece, value)) {
        detail::ValueTooLarge(in, piece, "row " + std::to_string(row + 1));
      }
    }
    if (i < otus) data.Row(i)[row] = value;
    ++i;
  });
  return i;
}

void Report(ReadReport* report, const DataSet& data, std::size_t row, std::size_t valuesRead,
            std::string_view item, bool binary) {
  if (report == nullptr) return;
  report->ntsys = true;
  report->row = row + 1;
  report->valuesRead = valuesRead;
  report->valuesExpected = data.OtuCount();
  report->item = detail::QuotedItem(item);
  report->hint = detail::HintFromItem(item, binary);
}

template <typename TakeRow>
ReadStatus ReadNtsys(ItemReader& in, DataSet& data, DataKind kind, TakeRow takeRow,
                     ReadReport* report) {
  in.BeginDataSet();
  if (report != nullptr) {
    *report = ReadReport();
    report->dataSet = in.DataSetNumber();
    report->ntsys = true;
  }
  ReadStatus status = ReadNtsysHeader(in, data, kind);
  if (status == ReadStatus::kOk) status = ReadNtsysLabels(in, data);
  if (status != ReadStatus::kOk) return status;
  const bool quantitative = kind == DataKind::kQuantitative;
  const std::size_t characters = data.CharCount();
  std::size_t lastRowValues = 0;
  std::string_view token;
  for (std::size_t r = 0; r < characters && status == ReadStatus::kOk;) {
    if (in.AtEnd()) {
      Report(report, data, r, 0, token, !quantitative);
      throw ReadFailure(ReadProblem::kCutShort, InputPlace{in.name()},
                        "the file ended before row " + std::to_string(r + 1) + " of " +
                            std::to_string(characters) + ".");
    }
    token = in.NextItem();
    lastRowValues = takeRow(token, r, in, data);
    ++r;
    if (in.AtEnd() && r < characters) {
      status = ReadStatus::kDataIncomplete;
      Report(report, data, r - 1, lastRowValues, token, !quantitative);
    }
  }
  // Only the last row is counted, and only for quantitative data, where a value lost to a
  // wrong separator (or one too many) would otherwise go unnoticed.
  if (quantitative && status == ReadStatus::kOk && characters > 0 &&
      lastRowValues != data.OtuCount()) {
    status = ReadStatus::kDataIncomplete;
    Report(report, data, characters - 1, lastRowValues, token, false);
  }
  return status;
}

}  // namespace

ReadStatus ReadNtsysBinary(ItemReader& in, DataSet& data, ReadReport* report) {
  return ReadNtsys(in, data, DataKind::kBinary, TakeBinaryRow, report);
}

ReadStatus ReadNtsysQuant(ItemReader& in, DataSet& data, ReadReport* report) {
  return ReadNtsys(in, data, DataKind::kQuantitative, TakeQuantRow, report);
}

}  // namespace marbleset
