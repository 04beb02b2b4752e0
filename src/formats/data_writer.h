// Saving the data set in the PHYLIP or NTSYS layout, and the PHYLIP data-set rows that the
// generators of resampled data sets share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "dataset/data_set.h"
#include "dataset/output_file.h"
#include "dataset/text_sink.h"

namespace marbleset {

// One value as written in data files: a blank, then the number (" 1", " -3.5", " .25").
//
// Whole numbers below 1E+10 in magnitude are written in full, without a point, so every whole
// number a float holds there reads back exactly. Other values are rounded to 7 significant
// digits with a full stop, trailing zeros dropped and no zero before the point (" .3333333");
// magnitudes below 1E-04 and from 1E+10 on use exponent notation (" 1.5E-08", " 1E+10"), which
// the readers take as one number.
void AppendValueToken(TextSink& out, float value);
std::string ValueToken(float value);

// The longest token AppendValueToken writes (" -1.234568E-38" and the like).
inline constexpr std::size_t kMaxValueTokenLength = 16;
// Writes the token of value at out (room for kMaxValueTokenLength characters) and returns its
// length.
std::size_t FormatValueToken(char* out, float value);

// A count as header lines write it: a blank, then the whole number (" 2000").
void AppendCountToken(TextSink& out, std::size_t count);

// Rows of a PHYLIP data set: the name field, then tokens, at most 200 to a line, with bare
// continuation lines; CR LF line ends.
//
// Four ways to write a row's values, freely mixed within a row:
// - Value(v): one value, " ?" when it equals the missing value;
// - Values(values, count): a row of floats; a line of binary values at a time goes through a
//   loop the compiler can vectorize, several times faster than Value;
// - Bits(ones, missing, other, count, otherValue): a row of binary cells straight from bit
//   planes (64 cells a word, bit b of word w is cell 64 w + b, as DataSet::OnesRow and
//   MissingRow hold them): " ?" where the missing bit is set, else the token of otherValue(j)
//   where the other bit is set (other may be null), else " 1" or " 0". Four cells at a time
//   come from a table, so this is the fastest way for generators that hold rows as bits; a
//   drawn 0 or 1 is written as a digit even when the missing value is itself 0 or 1;
// - Token(text): a token as given (" 0", " 1", " ?").
// While a row is open (from its first token to EndRow) nothing else may be written to the sink.
class PhylipRowWriter {
 public:
  static constexpr std::size_t kTokensPerLine = 200;

  PhylipRowWriter(TextSink& out, float missingValue);
  // The header line of a data set: the tokens of the row and character counts.
  void Header(std::size_t rows, std::size_t characters);
  // The name is written in front of the row's first token as its 12-character field (see
  // dataset/name_field.h); a row without tokens writes nothing at all, since a name alone on a
  // line would be taken for data or a header. name must stay valid until the first token or
  // EndRow.
  void BeginRow(std::string_view name);
  // The value's token, or " ?" when it equals the missing value.
  void Value(float value) {
    BeforeToken();
    const bool missing = value == missingValue_;
    const bool zero = value == 0.0f;
    const bool one = value == 1.0f;
    if (missing | zero | one) {
      // Random 0 and 1 would defeat branch prediction, so the character is computed, not
      // branched on: '0' + one, or '?' when missing (which comes first, since the missing
      // code may itself be 0 or 1).
      const int digit = '0' + one;
      char* at = cursor_;
      at[0] = ' ';
      at[1] = static_cast<char>(digit + missing * ('?' - digit));
      cursor_ = at + 2;
    } else {
      cursor_ += FormatValueToken(cursor_, value);
    }
  }
  void Values(const float* values, std::size_t count);
  // Binary cells 0 .. count-1 of the planes; see the class comment. otherValue(j) gives the
  // value of cell j where other is set.
  template <class OtherValue>
  void Bits(const std::uint64_t* ones, const std::uint64_t* missing, const std::uint64_t* other,
            std::size_t count, OtherValue&& otherValue) {
    using Callable = std::remove_reference_t<OtherValue>;
    BitCells(ones, missing, other, count, &otherValue, [](const void* callable, std::size_t j) {
      return static_cast<float>((*static_cast<const Callable*>(callable))(j));
    });
  }
  // Cells of state 0, 1 or missing only.
  void Bits(const std::uint64_t* ones, const std::uint64_t* missing, std::size_t count) {
    BitCells(ones, missing, nullptr, count, nullptr, nullptr);
  }
  // A token written as given (" 0", " 1", " ?").
  void Token(std::string_view token) {
    BeforeToken();
    if (token.size() > kMaxValueTokenLength) return LongToken(token);
    char* at = cursor_;
    for (char c : token) *at++ = c;
    cursor_ = at;
  }
  void EndRow();

 private:
  using OtherValueFunction = float (*)(const void*, std::size_t);

  // Room for a full line of the longest tokens.
  static constexpr std::size_t kLineRoom = kTokensPerLine * kMaxValueTokenLength;

  // onLine_ is the number of tokens on the current line, or kNamePending before the row's
  // first token; one comparison catches both the pending name and the full line.
  static constexpr std::size_t kNamePending = static_cast<std::size_t>(-1);
  void BeforeToken() {
    if (onLine_ >= kTokensPerLine) StartLine();
    ++onLine_;
  }
  void StartLine();
  void FinishLine();
  void LongToken(std::string_view token);
  void BitCells(const std::uint64_t* ones, const std::uint64_t* missing, const std::uint64_t* other,
                std::size_t count, const void* callable, OtherValueFunction otherValue);

  TextSink& out_;
  float missingValue_;
  std::string_view name_;
  std::size_t onLine_ = kNamePending;
  char* lineStart_ = nullptr;
  char* cursor_ = nullptr;
};

// The whole data set in either layout. Binary rows are written from the bit planes.
void WritePhylipData(const DataSet& data, TextSink& out);
void WriteNtsysData(const DataSet& data, TextSink& out);
// The same, one cell at a time through DataSet::Value: the plain versions the fast ones are
// tested against.
void WritePhylipDataByCell(const DataSet& data, TextSink& out);
void WriteNtsysDataByCell(const DataSet& data, TextSink& out);

// Saves the layout to path through an OutputFile: the file is replaced only when everything
// was written. Throws WriteFailure (OutputExists for ExistingTarget::kRefuse) with the path and
// the reason, leaving the file as it was.
void WritePhylipData(const DataSet& data, const std::string& path,
                     ExistingTarget existing = ExistingTarget::kReplace);
void WriteNtsysData(const DataSet& data, const std::string& path,
                    ExistingTarget existing = ExistingTarget::kReplace);

}  // namespace marbleset
