// Saving the data set in the PHYLIP or NTSYS layout, and the PHYLIP data-set rows that the
// generators of resampled data sets share.
#pragma once

#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dataset/text_sink.h"

namespace marbleset {

// One value as written in data files: a blank, then the number (" 1", " -3.5", " .25").
void AppendValueToken(TextSink& out, float value);
std::string ValueToken(float value);

// Rows of a PHYLIP data set: the name field as held, then tokens, at most 200 to a line, with
// bare continuation lines; CR LF line ends.
class PhylipRowWriter {
 public:
  PhylipRowWriter(TextSink& out, float missing_value);
  // The header line of a data set: the tokens of the row and character counts.
  void Header(int rows, int characters);
  void BeginRow(std::string_view name);
  // The value's token, or " ?" when it equals the missing value.
  void Value(float value);
  // A token written as given (" 0", " 1", " ?").
  void Token(std::string_view token);
  void EndRow();

 private:
  void BeforeToken();
  TextSink& out_;
  float missing_value_;
  int on_line_ = 0;
};

void WritePhylipData(const DataSet& data, TextSink& out);
void WriteNtsysData(const DataSet& data, TextSink& out);
// Create (or truncate) path and write the layout; throws WriteFailure with the path and reason.
void WritePhylipData(const DataSet& data, const std::string& path);
void WriteNtsysData(const DataSet& data, const std::string& path);

}  // namespace marbleset
