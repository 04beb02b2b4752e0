#include "dataset/ntsys_reader.h"

#include <string>

#include "dataset/errors.h"
#include "dataset/header_scan.h"
#include "dataset/numeric_value.h"

namespace marbleset {

namespace {

constexpr std::size_t kNameField = 12;

// Matrix type (must be 1), rows (characters), columns (OTUs), then the missing-data flag and,
// after flag 1, the code that marks missing entries.
ReadStatus ReadNtsysHeader(ItemReader& in, DataSet& data, float default_missing) {
  ReadStatus status = ReadStatus::kOk;
  const std::string token = detail::ScanHeader(in, status);
  if (status != ReadStatus::kOk) return status;
  std::size_t k = 0;
  const detail::Field type = detail::ScanField(token, k);
  if (type.ran_out) status = ReadStatus::kNoDeclarations;
  if (type.value != 1.0) status = ReadStatus::kWrongMatrixType;
  if (status != ReadStatus::kOk) return status;
  const detail::Field rows = detail::ScanField(token, k);
  if (rows.ran_out) return ReadStatus::kNoCharCount;
  const int16_t char_count = detail::HeaderCount(in, rows.piece);
  const detail::Field columns = detail::ScanField(token, k);
  if (columns.ran_out) return ReadStatus::kNoOtuCount;
  const int16_t otu_count = detail::HeaderCount(in, columns.piece);
  // Counts beyond the capacity never reach the data set, whatever the caller does after.
  detail::CheckCapacity(in, otu_count, char_count);
  data.NChar = char_count;
  data.NOtu = otu_count;
  // k stands on the space that ends the column count; the flag is the character after it.
  const std::string_view flag = std::string_view(token).substr(k + 1);
  if (!flag.empty() && flag.front() == '1') {
    float missing;
    if (!detail::ToStoredValue(flag.substr(1), missing)) {
      detail::ValueTooLarge(in, flag.substr(1), "the missing-data code");
    }
    data.MissingValue = missing;
  } else {
    data.MissingValue = default_missing;
  }
  return ReadStatus::kOk;
}

[[noreturn]] void TooManyLabels(const ItemReader& in) {
  throw ReadFailure(in.name() + ": the label block holds more than " + std::to_string(kMaxOtu) +
                    " labels; Marbleset holds at most " + std::to_string(kMaxOtu) + " OTUs.");
}

// Labels separated by single spaces, each new line starting a new label; a label keeps its
// first 12 characters and is padded to 12. Two spaces in a row make an empty label.
ReadStatus ReadNtsysLabels(ItemReader& in, DataSet& data) {
  for (int i = 1; i <= data.NOtu; ++i) data.OtuName[i].clear();
  ReadStatus status = ReadStatus::kOk;
  int i = 0;
  while (i < data.NOtu && status == ReadStatus::kOk) {
    ++i;
    const std::string_view token = in.NextItem();
    for (std::size_t p = 0; p < token.size(); ++p) {
      if (token[p] == ' ' && p + 1 < token.size()) {
        if (++i > kMaxOtu) TooManyLabels(in);
      } else if (data.OtuName[i].size() < kNameField) {
        data.OtuName[i].push_back(token[p]);
      }
    }
    if (in.AtEnd()) status = ReadStatus::kLabelsIncomplete;
  }
  for (int n = 1; n <= data.NOtu; ++n) data.OtuName[n].resize(kNameField, ' ');
  return status;
}

[[noreturn]] void TooManyColumns(const ItemReader& in, int row) {
  throw ReadFailure(in.name() + ": row " + std::to_string(row) + " holds more than " +
                    std::to_string(kMaxOtu) + " values; Marbleset holds at most " +
                    std::to_string(kMaxOtu) + " OTUs.");
}

// One row of binary data: each digit alone; 0 and 1 are values, a digit equal to the missing
// code is missing; everything else, "?" included, is skipped. Returns the values found.
int TakeBinaryRow(std::string_view token, int r, const ItemReader& in, DataSet& data) {
  int i = 0;
  for (const char c : token) {
    if (c < '0' || c > '9') continue;
    const float x = static_cast<float>(c - '0');
    if (x != 0.0f && x != 1.0f && x != data.MissingValue) continue;
    if (i == kMaxOtu) TooManyColumns(in, r);
    data.Matrix(++i, r) = x;
  }
  return i;
}

// One row of quantitative data: pieces cut at spaces and tabs, each piece with a digit a value;
// a missing entry is written as the missing-data code.
int TakeQuantRow(std::string_view token, int r, const ItemReader& in, DataSet& data) {
  int i = 0;
  detail::ForEachPiece(token, [&](std::string_view piece) {
    if (!ContainsDigit(piece)) return;
    float value;
    if (!detail::ToStoredValue(piece, value)) {
      detail::ValueTooLarge(in, piece, "row " + std::to_string(r));
    }
    if (i == kMaxOtu) TooManyColumns(in, r);
    data.Matrix(++i, r) = value;
  });
  return i;
}

template <typename TakeRow>
ReadStatus ReadNtsys(ItemReader& in, DataSet& data, bool quantitative, TakeRow take_row) {
  in.BeginDataSet();
  ReadStatus status = ReadNtsysHeader(in, data, quantitative ? -9999.0f : 2.0f);
  if (status == ReadStatus::kOk) status = ReadNtsysLabels(in, data);
  int last_row_values = 0;
  for (int r = 1; r <= data.NChar && status == ReadStatus::kOk;) {
    if (in.AtEnd()) {
      throw ReadFailure(in.name() + ": the file ended before row " + std::to_string(r) + " of " +
                        std::to_string(data.NChar) + ".");
    }
    last_row_values = take_row(in.NextItem(), r, in, data);
    ++r;
    if (in.AtEnd() && r <= data.NChar) status = ReadStatus::kDataIncomplete;
  }
  // Only the last row is counted, and only for quantitative data, where a value lost to a
  // wrong separator would otherwise go unnoticed.
  if (quantitative && status == ReadStatus::kOk && data.NChar > 0 && last_row_values != data.NOtu) {
    status = ReadStatus::kDataIncomplete;
  }
  if (status == ReadStatus::kOk) data.Quantitative = quantitative ? 1 : 0;
  return status;
}

}  // namespace

ReadStatus ReadNtsysBinary(ItemReader& in, DataSet& data) {
  return ReadNtsys(in, data, false, TakeBinaryRow);
}

ReadStatus ReadNtsysQuant(ItemReader& in, DataSet& data) {
  return ReadNtsys(in, data, true, TakeQuantRow);
}

}  // namespace marbleset
