#include "formats/csv_writer.h"

#include "formats/value_text.h"

namespace marbleset {

std::string CsvField(std::string_view text) {
  const bool needsQuotes = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                           (!text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                              text.front() == '\t' || text.back() == '\t'));
  if (!needsQuotes) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

void WriteCsvData(const DataSet& data, TextSink& out) {
  out.Append("OTU");
  for (std::size_t k = 0; k < data.CharCount(); ++k) {
    out.Append(',');
    out.Append(std::to_string(k + 1));
  }
  out.EndLine();
  for (std::size_t i = 0; i < data.OtuCount(); ++i) {
    out.Append(CsvField(TrimTrailingBlanks(data.otuNames[i])));
    for (std::size_t k = 0; k < data.CharCount(); ++k) {
      out.Append(',');
      if (data.IsMissing(i, k)) {
        out.Append("NA");
      } else {
        AppendShortestFloat(out, data.Value(i, k));
      }
    }
    out.EndLine();
  }
}

void WriteCsvDistances(const DistanceMatrix& matrix, TextSink& out) {
  for (std::size_t j = 0; j < matrix.n; ++j) {
    out.Append(',');
    out.Append(CsvField(TrimTrailingBlanks(matrix.names[j])));
  }
  out.EndLine();
  for (std::size_t i = 0; i < matrix.n; ++i) {
    out.Append(CsvField(TrimTrailingBlanks(matrix.names[i])));
    for (std::size_t j = 0; j < matrix.n; ++j) {
      out.Append(',');
      AppendSixDecimals(out, matrix.At(i, j));
    }
    out.EndLine();
  }
}

}  // namespace marbleset
