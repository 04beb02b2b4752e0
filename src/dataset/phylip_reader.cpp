#include "dataset/phylip_reader.h"

#include <array>
#include <string>

#include "dataset/errors.h"
#include "dataset/header_scan.h"
#include "dataset/numeric_value.h"

namespace marbleset {

namespace {

using detail::DataSetPlace;

constexpr std::size_t kNameField = 12;

// The header's two counts. Capacity is checked only once both were found: a header that is
// itself faulty is reported as such, whatever it declares.
ReadStatus ReadPhylipHeader(ItemReader& in, DataSet& data) {
  ReadStatus status = ReadStatus::kOk;
  const std::string token = detail::ScanHeader(in, status);
  if (status != ReadStatus::kOk) return status;
  std::size_t k = 0;
  const detail::Field otus = detail::ScanField(token, k);
  if (otus.ran_out) return ReadStatus::kNoOtuCount;
  const int16_t otu_count = detail::HeaderCount(in, otus.piece);
  const detail::Field characters = detail::ScanField(token, k);
  if (characters.ran_out && !(characters.value > 0.0)) return ReadStatus::kNoCharCount;
  const int16_t char_count = detail::HeaderCount(in, characters.piece);
  // The multi-set distance run reads into the loaded data set, which keeps whatever a failed
  // read left: counts beyond the capacity must never reach it, or the next command would
  // index past the matrix.
  detail::CheckCapacity(in, otu_count, char_count);
  data.NOtu = otu_count;
  data.NChar = char_count;
  return ReadStatus::kOk;
}

std::string OtuPlace(const ItemReader& in, const DataSet& data, int otu) {
  return "OTU " + std::to_string(otu) + " (\"" + data.OtuName[otu] + "\") of data set " +
         std::to_string(in.DataSetNumber());
}

[[noreturn]] void BeyondCapacity(const ItemReader& in, const DataSet& data, int otu) {
  throw ReadFailure(in.name() + ": " + OtuPlace(in, data, otu) + " has values beyond character " +
                    std::to_string(kMaxChar) + "; Marbleset holds at most " +
                    std::to_string(kMaxChar) + " characters.");
}

// The value of each character of binary data: 0, 1, 2 (missing) or -1 (skipped).
constexpr std::array<signed char, 256> kBinaryValue = [] {
  std::array<signed char, 256> table{};
  table.fill(-1);
  table['0'] = 0;
  table['1'] = 1;
  table['?'] = 2;
  return table;
}();

// Stores the binary values of text from character j + 1 on; returns how many there were.
int TakeBinaryValues(std::string_view text, int j, float* row, const ItemReader& in,
                     const DataSet& data, int otu) {
  int index = j;
  if (j + text.size() <= static_cast<std::size_t>(kMaxChar)) {
    // Fits whatever the text holds: no check per character on the common path.
    for (const char c : text) {
      const int value = kBinaryValue[static_cast<unsigned char>(c)];
      if (value >= 0) row[++index] = static_cast<float>(value);
    }
  } else {
    for (const char c : text) {
      const int value = kBinaryValue[static_cast<unsigned char>(c)];
      if (value < 0) continue;
      if (index == kMaxChar) BeyondCapacity(in, data, otu);
      row[++index] = static_cast<float>(value);
    }
  }
  return index - j;
}

// Quantitative data: pieces cut at spaces and tabs; a piece with a digit is a number, one with
// a question mark a missing entry, one with both gives the number and then the missing entry.
int TakeQuantValues(std::string_view text, int j, float* row, const ItemReader& in,
                    const DataSet& data, int otu) {
  int index = j;
  auto store = [&](float value) {
    if (index == kMaxChar) BeyondCapacity(in, data, otu);
    row[++index] = value;
  };
  detail::ForEachPiece(text, [&](std::string_view piece) {
    if (ContainsDigit(piece)) {
      float value;
      if (!detail::ToStoredValue(piece, value)) {
        detail::ValueTooLarge(in, piece, OtuPlace(in, data, otu));
      }
      store(value);
    }
    if (ContainsQuestionMark(piece)) store(data.MissingValue);
  });
  return index - j;
}

template <typename TakeValues>
ReadStatus ReadPhylipDataSet(ItemReader& in, DataSet& data, TakeValues take_values) {
  in.BeginDataSet();
  ReadStatus status = ReadPhylipHeader(in, data);
  for (int i = 1; i <= data.NOtu && status == ReadStatus::kOk; ++i) {
    float* row = data.Row(i);
    int j = 0;
    bool first_item = true;
    while (j < data.NChar && status == ReadStatus::kOk) {
      if (in.AtEnd()) {
        throw ReadFailure(in.name() + ": the file ended inside the data of " +
                          OtuPlace(in, data, i) + ", after " + std::to_string(j) + " of " +
                          std::to_string(data.NChar) + " values.");
      }
      std::string_view token = in.NextItem();
      if (first_item) {
        const std::size_t name_length = std::min(token.size(), kNameField);
        data.OtuName[i].assign(token.substr(0, name_length));
        token.remove_prefix(name_length);
      }
      const int m = take_values(token, j, row, in, data, i);
      if (in.AtEnd() && i < data.NOtu) status = ReadStatus::kDataIncomplete;
      first_item = false;
      j += m;
    }
  }
  return status;
}

}  // namespace

ReadStatus ReadPhylipBinary(ItemReader& in, DataSet& data) {
  const ReadStatus status = ReadPhylipDataSet(in, data, TakeBinaryValues);
  data.Quantitative = 0;
  return status;
}

ReadStatus ReadPhylipQuant(ItemReader& in, DataSet& data) {
  return ReadPhylipDataSet(in, data, TakeQuantValues);
}

bool FurtherDataSetFollows(ItemReader& in) {
  double value = 0.0;
  while (!in.AtEnd() && value == 0.0) value = NumericValue(in.NextItem());
  return value != 0.0;
}

}  // namespace marbleset
