// Records of a delimited table (comma, tab or semicolon separated), with RFC 4180 quoting.
//
// A field that begins with a double quote runs to the closing quote, a doubled quote inside it
// standing for one, and may hold delimiters and line breaks. Lines end in CR LF, LF or CR.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbleset {

class DelimitedScanner {
 public:
  // name is how failures refer to the input (the file's path).
  DelimitedScanner(std::string_view text, char delimiter, std::string name);

  // Reads the next record into fields (valid until the next call) and returns true, or returns
  // false at the end of the text. A line with nothing on it is a record of one empty field.
  // Throws ReadFailure for a quoted field that is never closed.
  bool Next();
  const std::vector<std::string_view>& Fields() const { return fields_; }
  // The line the current record begins on, counted from 1.
  std::size_t Line() const { return line_; }
  // True when the current record is a line with nothing but blanks on it.
  bool IsBlank() const;

 private:
  std::string_view text_;
  char delimiter_;
  std::string name_;
  std::size_t position_ = 0;
  std::size_t nextLine_ = 1;
  std::size_t line_ = 0;
  // Where the unquoted field beginning at `at` ends: at a delimiter, a line break or the end.
  std::size_t EndOfField(std::size_t at) const;

  std::vector<std::string_view> fields_;
  // A quoted field is held as offsets into unquoted_, which may grow while the record is read,
  // and is pointed to once the record is complete.
  struct QuotedField {
    std::size_t index, begin, length;
  };
  std::vector<QuotedField> quoted_;
  // Unquoted text of the quoted fields of the current record; fields_ points into it.
  std::string unquoted_;
};

// The delimiter of a table: tab, semicolon or comma, the first of these that splits the first
// lines (up to 20, quotes respected) into the same number of fields, at least two; else the
// one seen most often on the first line; ',' when none is seen.
char DetectDelimiter(std::string_view text);

}  // namespace marbleset
