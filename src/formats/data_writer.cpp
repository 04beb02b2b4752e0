// The PHYLIP and NTSYS layouts of a saved data set.
#include "formats/data_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "formats/name_field.h"

namespace marbleset {

namespace {

constexpr std::size_t kLabelsPerLine = 20;
constexpr std::size_t kWordBits = 64;

// ---- Binary cells from bit planes, four at a time.
// The tokens of four cells are eight characters: blank, digit, blank, digit, ... A table gives
// them for the four state-1 bits; a second table masks the digits of missing cells, which take
// the missing character instead. One 8-byte store writes the four tokens, so the first
// character sits in the lowest byte.
static_assert(std::endian::native == std::endian::little, "the token tables are little-endian");
constexpr std::array<std::uint64_t, 16> kFourDigits = [] {
  std::array<std::uint64_t, 16> table{};
  for (unsigned bits = 0; bits < 16; ++bits) {
    for (unsigned c = 0; c < 4; ++c) {
      const std::uint64_t digit = '0' + ((bits >> c) & 1u);
      table[bits] |= (std::uint64_t{' '} << (16 * c)) | (digit << (16 * c + 8));
    }
  }
  return table;
}();

constexpr std::array<std::uint64_t, 16> kFourMasks = [] {
  std::array<std::uint64_t, 16> table{};
  for (unsigned bits = 0; bits < 16; ++bits) {
    for (unsigned c = 0; c < 4; ++c) {
      if ((bits >> c) & 1u) table[bits] |= std::uint64_t{0xFF} << (16 * c + 8);
    }
  }
  return table;
}();

// The missing character in every digit place, for the mask to pick from.
constexpr std::uint64_t MissingPattern(char missing) {
  std::uint64_t pattern = 0;
  for (unsigned c = 0; c < 4; ++c) {
    pattern |= std::uint64_t{static_cast<unsigned char>(missing)} << (16 * c + 8);
  }
  return pattern;
}

// 64 bits of a plane from cell p on; words past the plane's end read as 0.
std::uint64_t Window(const std::uint64_t* plane, std::size_t words, std::size_t p) {
  const std::size_t w = p / kWordBits;
  const unsigned shift = p % kWordBits;
  std::uint64_t bits = plane[w] >> shift;
  if (shift != 0 && w + 1 < words) bits |= plane[w + 1] << (kWordBits - shift);
  return bits;
}

struct Planes {
  const std::uint64_t* ones;
  const std::uint64_t* missing;
  const std::uint64_t* other;  // may be null
  std::size_t words;
};

// The tokens of up to 64 cells from p on whose bits are given, one cell at a time, for the rare
// windows that hold other values.
template <typename OtherValue>
char* CellTokens(char* at, std::uint64_t ones, std::uint64_t missing, std::uint64_t other,
                 std::size_t p, std::size_t n, char missingChar, OtherValue otherValue) {
  for (std::size_t c = 0; c < n; ++c, ones >>= 1, missing >>= 1, other >>= 1) {
    if (missing & 1u) {
      at[0] = ' ';
      at[1] = missingChar;
      at += 2;
    } else if (other & 1u) {
      at += FormatValueToken(at, otherValue(p + c));
    } else {
      at[0] = ' ';
      at[1] = static_cast<char>('0' + (ones & 1u));
      at += 2;
    }
  }
  return at;
}

// Writes the tokens of cells [first, first + n) at `at` and returns the end. The last group of
// four is stored whole, so up to 6 characters past the end are overwritten: the caller's room
// must allow for them.
template <typename OtherValue>
char* ExpandCells(char* at, const Planes& planes, std::size_t first, std::size_t n,
                  char missingChar, OtherValue otherValue) {
  const std::uint64_t missingPattern = MissingPattern(missingChar);
  for (std::size_t p = first, end = first + n; p < end;) {
    const std::size_t take = std::min<std::size_t>(kWordBits, end - p);
    std::uint64_t ones = Window(planes.ones, planes.words, p);
    std::uint64_t missing = Window(planes.missing, planes.words, p);
    std::uint64_t other = planes.other == nullptr ? 0 : Window(planes.other, planes.words, p);
    if (take < kWordBits) other &= (std::uint64_t{1} << take) - 1;
    if (other != 0) {
      at = CellTokens(at, ones, missing, other, p, take, missingChar, otherValue);
    } else {
      for (std::size_t c = 0; c < take; c += 4, ones >>= 4, missing >>= 4) {
        const std::uint64_t mask = kFourMasks[missing & 15u];
        const std::uint64_t tokens = (kFourDigits[ones & 15u] & ~mask) | (missingPattern & mask);
        std::memcpy(at, &tokens, sizeof tokens);
        at += 2 * std::min<std::size_t>(4, take - c);
      }
    }
    p += take;
  }
  return at;
}

float NoOtherValue(std::size_t) {
  return 0.0f;
}

// ---- Transposing 64 x 64 bit blocks, for the NTSYS layout's rows of characters.
// rows[r] bit c becomes rows[c] bit r: six rounds, each swapping the two off-diagonal quarters
// of every block of 2 width x 2 width bits, for width 32, 16, ..., 1.
void Transpose64(std::uint64_t rows[64]) {
  std::uint64_t mask = 0x00000000FFFFFFFFull;
  for (unsigned width = 32; width != 0; width >>= 1, mask ^= mask << width) {
    for (unsigned r = 0; r < 64; r = (r + width + 1) & ~width) {
      const std::uint64_t swap = ((rows[r] >> width) ^ rows[r + width]) & mask;
      rows[r] ^= swap << width;
      rows[r + width] ^= swap;
    }
  }
}

// The NTSYS header: matrix type 1, rows (characters), columns (OTUs), "L" for labelled columns,
// then the missing-data flag 1 and the code. The flag is always on: with flag 0 the reader
// takes its own default code, and a data set whose code is 0 would read its missing entries
// back as zeros.
void WriteNtsysHeaderAndLabels(const DataSet& data, TextSink& out) {
  out.Append('1');
  AppendCountToken(out, data.CharCount());
  AppendCountToken(out, data.OtuCount());
  out.Append(std::string_view("L 1"));
  AppendValueToken(out, data.MissingValue());
  out.EndLine();
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    AppendNtsysLabel(out, data.otuNames[i]);
    out.Append(' ');
    if ((i + 1) % kLabelsPerLine == 0 || i + 1 == data.OtuCount()) out.EndLine();
  }
}

// The NTSYS token of a cell: " 0", " 1", else the value's token (the missing code for a missing
// entry).
void AppendNtsysCell(TextSink& out, float value) {
  if (value == 0.0f) {
    out.Append(std::string_view(" 0"));
  } else if (value == 1.0f) {
    out.Append(std::string_view(" 1"));
  } else {
    AppendValueToken(out, value);
  }
}

void WriteNtsysDataByCellRows(const DataSet& data, TextSink& out) {
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    for (std::size_t i = 0; i < data.OtuCount(); ++i) AppendNtsysCell(out, data.Value(i, k));
    out.EndLine();
  }
}

// Binary data in the NTSYS layout: each block of 64 characters is turned into 64 rows of bits
// over the OTUs, which are then written four cells at a time like PHYLIP rows.
void WriteNtsysBinaryRows(const DataSet& data, TextSink& out, char missingChar) {
  const std::size_t otus = data.OtuCount();
  const std::size_t otuWords = (otus + kWordBits - 1) / kWordBits;
  std::vector<std::uint64_t> ones(kWordBits * otuWords), missing(kWordBits * otuWords);
  std::uint64_t block[kWordBits];
  const auto transposeInto = [&](std::vector<std::uint64_t>& to, auto row, std::size_t w) {
    for (std::size_t b = 0; b < otuWords; ++b) {
      for (std::size_t r = 0; r < kWordBits; ++r) {
        const std::size_t otu = b * kWordBits + r;
        block[r] = otu < otus ? row(otu)[w] : 0;
      }
      Transpose64(block);
      for (std::size_t c = 0; c < kWordBits; ++c) to[c * otuWords + b] = block[c];
    }
  };
  for (std::size_t w = 0; w < data.WordsPerRow(); ++w) {
    transposeInto(
        ones, [&data](std::size_t i) { return data.OnesRow(i); }, w);
    transposeInto(
        missing, [&data](std::size_t i) { return data.MissingRow(i); }, w);
    const std::size_t characters = std::min(kWordBits, data.CharCount() - w * kWordBits);
    for (std::size_t c = 0; c < characters; ++c) {
      const Planes planes{ones.data() + c * otuWords, missing.data() + c * otuWords, nullptr,
                          otuWords};
      char* start = out.Reserve(2 * otus + 8);
      out.Commit(static_cast<std::size_t>(
          ExpandCells(start, planes, 0, otus, missingChar, NoOtherValue) - start));
      out.EndLine();
    }
  }
}

// Quantitative data in the NTSYS layout: blocks of characters are copied out of the rows first,
// so each output line reads memory in order instead of one value per row.
void WriteNtsysQuantitativeRows(const DataSet& data, TextSink& out) {
  constexpr std::size_t kBlock = 64;
  const std::size_t otus = data.OtuCount();
  std::vector<float> columns(kBlock * otus);
  for (std::size_t first = 0; first < data.CharCount(); first += kBlock) {
    const std::size_t width = std::min(kBlock, data.CharCount() - first);
    for (std::size_t i = 0; i < otus; ++i) {
      const float* row = data.Row(i) + first;
      for (std::size_t c = 0; c < width; ++c) columns[c * otus + i] = row[c];
    }
    for (std::size_t c = 0; c < width; ++c) {
      const float* column = columns.data() + c * otus;
      for (std::size_t i = 0; i < otus; ++i) {
        out.Commit(FormatValueToken(out.Reserve(kMaxValueTokenLength), column[i]));
      }
      out.EndLine();
    }
  }
}

}  // namespace

void AppendCountToken(TextSink& out, std::size_t count) {
  char* at = out.Reserve(24);
  at[0] = ' ';
  out.Commit(static_cast<std::size_t>(std::to_chars(at + 1, at + 24, count).ptr - at));
}

PhylipRowWriter::PhylipRowWriter(TextSink& out, float missingValue)
    : out_(out), missingValue_(missingValue) {}

void PhylipRowWriter::Header(std::size_t rows, std::size_t characters) {
  AppendCountToken(out_, rows);
  AppendCountToken(out_, characters);
  out_.EndLine();
}

void PhylipRowWriter::BeginRow(std::string_view name) {
  name_ = name;
  onLine_ = kNamePending;
}

void PhylipRowWriter::StartLine() {
  if (onLine_ == kNamePending) {
    AppendPhylipNameField(out_, name_);
  } else {
    FinishLine();
  }
  lineStart_ = cursor_ = out_.Reserve(kLineRoom);
  onLine_ = 0;
}

void PhylipRowWriter::FinishLine() {
  out_.Commit(static_cast<std::size_t>(cursor_ - lineStart_));
  out_.EndLine();
}

void PhylipRowWriter::LongToken(std::string_view token) {
  out_.Commit(static_cast<std::size_t>(cursor_ - lineStart_));
  out_.Append(token);
  lineStart_ = cursor_ = out_.Reserve(kLineRoom);
}

void PhylipRowWriter::Values(const float* values, std::size_t count) {
  const float missingValue = missingValue_;
  while (count > 0) {
    if (onLine_ >= kTokensPerLine) StartLine();
    const std::size_t n = std::min(count, kTokensPerLine - onLine_);
    bool binary = true;
    for (std::size_t k = 0; k < n; ++k) {
      const float value = values[k];
      binary &= (value == 0.0f) | (value == 1.0f) | (value == missingValue);
    }
    if (binary) {
      char* at = cursor_;
      for (std::size_t k = 0; k < n; ++k) {
        const bool one = values[k] == 1.0f;
        const bool missing = values[k] == missingValue;
        const int digit = '0' + one;
        at[2 * k] = ' ';
        at[2 * k + 1] = static_cast<char>(digit + missing * ('?' - digit));
      }
      cursor_ = at + 2 * n;
      onLine_ += n;
    } else {
      for (std::size_t k = 0; k < n; ++k) Value(values[k]);
    }
    values += n;
    count -= n;
  }
}

void PhylipRowWriter::BitCells(const std::uint64_t* ones, const std::uint64_t* missing,
                               const std::uint64_t* other, std::size_t count, const void* callable,
                               OtherValueFunction otherValue) {
  const Planes planes{ones, missing, other, (count + kWordBits - 1) / kWordBits};
  const auto value = [callable, otherValue](std::size_t j) { return otherValue(callable, j); };
  // A line has room for 200 tokens of 16 characters; binary tokens take 2, so the up to 6
  // characters ExpandCells writes past its end always fit.
  for (std::size_t j = 0; j < count;) {
    if (onLine_ >= kTokensPerLine) StartLine();
    const std::size_t n = std::min(count - j, kTokensPerLine - onLine_);
    cursor_ = ExpandCells(cursor_, planes, j, n, '?', value);
    onLine_ += n;
    j += n;
  }
}

void PhylipRowWriter::EndRow() {
  if (onLine_ != kNamePending && onLine_ > 0) FinishLine();
  name_ = {};
  onLine_ = kNamePending;
}

void WritePhylipData(const DataSet& data, TextSink& out) {
  PhylipRowWriter rows(out, data.MissingValue());
  rows.Header(data.OtuCount(), data.CharCount());
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    rows.BeginRow(data.otuNames[i]);
    if (data.IsBinary()) {
      rows.Bits(data.OnesRow(i), data.MissingRow(i), data.OtherRow(i), data.CharCount(),
                [&data, i](std::size_t k) { return data.Value(i, k); });
    } else {
      rows.Values(data.Row(i), data.CharCount());
    }
    rows.EndRow();
  }
}

void WritePhylipDataByCell(const DataSet& data, TextSink& out) {
  PhylipRowWriter rows(out, data.MissingValue());
  rows.Header(data.OtuCount(), data.CharCount());
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    rows.BeginRow(data.otuNames[i]);
    for (std::size_t k = 0; k < data.CharCount(); ++k) rows.Value(data.Value(i, k));
    rows.EndRow();
  }
}

void WriteNtsysData(const DataSet& data, TextSink& out) {
  WriteNtsysHeaderAndLabels(data, out);
  if (data.IsQuantitative()) return WriteNtsysQuantitativeRows(data, out);
  const std::string missingToken = ValueToken(data.MissingValue());
  // The table path writes one character for a missing cell; a longer code, or other values,
  // go one cell at a time.
  if (data.HasOtherValues() || missingToken.size() != 2) return WriteNtsysDataByCellRows(data, out);
  WriteNtsysBinaryRows(data, out, missingToken[1]);
}

void WriteNtsysDataByCell(const DataSet& data, TextSink& out) {
  WriteNtsysHeaderAndLabels(data, out);
  WriteNtsysDataByCellRows(data, out);
}

void WritePhylipData(const DataSet& data, const std::string& path, ExistingTarget existing) {
  OutputFile file(path, existing);
  WritePhylipData(data, file.sink());
  file.Close();
}

void WriteNtsysData(const DataSet& data, const std::string& path, ExistingTarget existing) {
  OutputFile file(path, existing);
  WriteNtsysData(data, file.sink());
  file.Close();
}

}  // namespace marbleset
