// The PHYLIP and NTSYS layouts of a saved data set.
#include "editing/data_writer.h"

#include <algorithm>
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

// The reader splits labels at every blank and skips blanks at the start of a line, so a name
// with a blank inside, or an empty one, would move every later label along and let the last
// label line be read as the first data row. Each name therefore stays one label: its inner
// blanks become underscores, as PHYLIP writes blanks in names, and an empty name becomes "_".
void AppendLabel(TextSink& out, std::string_view name) {
  const std::string_view label = Trimmed(name);
  if (label.empty()) {
    out.Append('_');
    return;
  }
  for (char c : label) out.Append(c == ' ' ? '_' : c);
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
    // The reader skips blanks at the start of a line, so a blank name would take the first
    // values with it; it is written as "_", as the NTSYS label of a blank name is.
    const std::string_view name =
        name_.find_first_not_of(' ') == std::string_view::npos ? "_" : name_;
    out_.Append(name);
    for (std::size_t n = name.size(); n < kNameField; ++n) out_.Append(' ');
  } else {
    FinishLine();
  }
  line_start_ = cursor_ = out_.Reserve(kLineRoom);
  on_line_ = 0;
}

void PhylipRowWriter::FinishLine() {
  out_.Commit(static_cast<std::size_t>(cursor_ - line_start_));
  out_.EndLine();
}

void PhylipRowWriter::LongToken(std::string_view token) {
  out_.Commit(static_cast<std::size_t>(cursor_ - line_start_));
  out_.Append(token);
  line_start_ = cursor_ = out_.Reserve(kLineRoom);
}

void PhylipRowWriter::Values(const float* values, int count) {
  const float missing_value = missing_value_;
  while (count > 0) {
    if (static_cast<unsigned>(on_line_) >= static_cast<unsigned>(kTokensPerLine)) StartLine();
    const int n = std::min(count, kTokensPerLine - on_line_);
    bool binary = true;
    for (int k = 0; k < n; ++k) {
      const float value = values[k];
      binary &= (value == 0.0f) | (value == 1.0f) | (value == missing_value);
    }
    if (binary) {
      char* at = cursor_;
      for (int k = 0; k < n; ++k) {
        const bool one = values[k] == 1.0f;
        const bool missing = values[k] == missing_value;
        const int digit = '0' + one;
        at[2 * k] = ' ';
        at[2 * k + 1] = static_cast<char>(digit + missing * ('?' - digit));
      }
      cursor_ = at + 2 * n;
      on_line_ += n;
    } else {
      for (int k = 0; k < n; ++k) Value(values[k]);
    }
    values += n;
    count -= n;
  }
}

void PhylipRowWriter::EndRow() {
  if (on_line_ > 0) FinishLine();
  name_ = {};
  on_line_ = -1;
}

void WritePhylipData(const DataSet& data, TextSink& out) {
  PhylipRowWriter rows(out, data.MissingValue);
  rows.Header(data.NOtu, data.NChar);
  for (int i = 1; i <= data.NOtu; ++i) {
    rows.BeginRow(data.OtuName[i]);
    rows.Values(data.Row(i) + 1, data.NChar);
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
    AppendLabel(out, data.OtuName[i]);
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
