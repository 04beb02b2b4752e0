// The PHYLIP and NTSYS layouts of a saved data set.
#include "editing/data_writer.h"

#include <string_view>

namespace marbleset {

namespace {

constexpr int kLabelsPerLine = 20;

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

PhylipRowWriter::PhylipRowWriter(TextSink& out, float missing_value)
    : out_(out), missing_value_(missing_value) {}

void PhylipRowWriter::Header(int rows, int characters) {
  AppendValueToken(out_, static_cast<float>(rows));
  AppendValueToken(out_, static_cast<float>(characters));
  out_.EndLine();
}

void PhylipRowWriter::BeginRow(std::string_view name) {
  name_ = name;
  on_line_ = -1;
}

void PhylipRowWriter::StartLine() {
  if (on_line_ < 0) {
    out_.Append(name_);
  } else {
    out_.EndLine();
  }
  on_line_ = 0;
}

void PhylipRowWriter::EndRow() {
  if (on_line_ > 0) out_.EndLine();
  on_line_ = 0;
}

void WritePhylipData(const DataSet& data, TextSink& out) {
  PhylipRowWriter rows(out, data.MissingValue);
  rows.Header(data.NOtu, data.NChar);
  for (int i = 1; i <= data.NOtu; ++i) {
    rows.BeginRow(data.OtuName[i]);
    const float* row = data.Row(i);
    for (int k = 1; k <= data.NChar; ++k) rows.Value(row[k]);
    rows.EndRow();
  }
}

void WriteNtsysData(const DataSet& data, TextSink& out) {
  // Matrix type 1, rows (characters), columns (OTUs), "L" for labelled columns, then the
  // missing-data flag and, when there is one, the code.
  out.Append('1');
  AppendValueToken(out, data.NChar);
  AppendValueToken(out, data.NOtu);
  out.Append(std::string_view("L "));
  if (data.MissingValue == 0.0f) {
    out.Append('0');
  } else {
    out.Append('1');
    AppendValueToken(out, data.MissingValue);
  }
  out.EndLine();

  // The reader pads labels on the right, so leading and trailing blanks of a name go.
  for (int i = 1; i <= data.NOtu; ++i) {
    out.Append(Trimmed(data.OtuName[i]));
    out.Append(' ');
    if (i % kLabelsPerLine == 0 || i == data.NOtu) out.EndLine();
  }

  // One line per character, never wrapped: the reader takes exactly one line per row.
  for (int k = 1; k <= data.NChar; ++k) {
    for (int i = 1; i <= data.NOtu; ++i) {
      const float value = data.Matrix(i, k);
      if (value == 0.0f) {
        out.Append(std::string_view(" 0"));
      } else if (value == 1.0f) {
        out.Append(std::string_view(" 1"));
      } else {
        AppendValueToken(out, value);
      }
    }
    out.EndLine();
  }
}

void WritePhylipData(const DataSet& data, const std::string& path) {
  OutputFile file(path);
  WritePhylipData(data, file.sink());
  file.Close();
}

void WriteNtsysData(const DataSet& data, const std::string& path) {
  OutputFile file(path);
  WriteNtsysData(data, file.sink());
  file.Close();
}

}  // namespace marbleset
