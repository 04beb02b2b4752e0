// Saving the data set in the PHYLIP or NTSYS layout, and the PHYLIP data-set rows that the
// generators of resampled data sets share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
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

// Rows of a PHYLIP data set: the name field as held, then tokens, at most 200 to a line, with
// bare continuation lines; CR LF line ends.
//
// The generators write hundreds of megabytes through Value and Token, so both are inline and
// write straight into room reserved in the sink for a whole line; binary cells (0, 1, missing)
// take two stored characters without any number formatting. While a row is open (from its
// first token to EndRow) nothing else may be written to the sink.
class PhylipRowWriter {
 public:
  static constexpr int kTokensPerLine = 200;
  static constexpr std::size_t kNameField = 12;

  PhylipRowWriter(TextSink& out, float missing_value);
  // The header line of a data set: the tokens of the row and character counts.
  void Header(int rows, int characters);
  // The name is written in front of the row's first token; a row without tokens writes
  // nothing at all, since a name alone on a line would be taken for data or a header.
  // A name held shorter than the 12-character field (its line was short when it was read) is
  // padded with blanks, else the reader would take the first values into the name; a blank
  // name is written "_".
  // name must stay valid until the first token or EndRow.
  void BeginRow(std::string_view name);
  // The value's token, or " ?" when it equals the missing value.
  void Value(float value) {
    BeforeToken();
    const bool missing = value == missing_value_;
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
  // The tokens of count values in a row, as Value writes them; a line of binary values at a
  // time goes through a loop the compiler can vectorize, several times faster than Value.
  // A generator that picks cells can gather a row into a buffer and write it here.
  void Values(const float* values, int count);
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
  // Room for a full line of the longest tokens.
  static constexpr std::size_t kLineRoom = kTokensPerLine * kMaxValueTokenLength;

  // on_line_ is the number of tokens on the current line, or -1 while the name is pending;
  // one unsigned comparison catches both the pending name and the full line.
  void BeforeToken() {
    if (static_cast<unsigned>(on_line_) >= static_cast<unsigned>(kTokensPerLine)) StartLine();
    ++on_line_;
  }
  void StartLine();
  void FinishLine();
  void LongToken(std::string_view token);

  TextSink& out_;
  float missing_value_;
  std::string_view name_;
  int on_line_ = -1;
  char* line_start_ = nullptr;
  char* cursor_ = nullptr;
};

void WritePhylipData(const DataSet& data, TextSink& out);
void WriteNtsysData(const DataSet& data, TextSink& out);
// Create (or truncate) path and write the layout; throws WriteFailure with the path and reason.
void WritePhylipData(const DataSet& data, const std::string& path);
void WriteNtsysData(const DataSet& data, const std::string& path);

}  // namespace marbleset
