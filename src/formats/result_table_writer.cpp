#include "formats/result_table_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "formats/csv_writer.h"

namespace marbleset {

namespace {

std::string Formatted(const ResultCell& cell, bool allDigits) {
  if (!cell.isNumber) return cell.text;
  if (std::isnan(cell.number)) return allDigits ? "NA" : "-";
  char buffer[64];
  const auto end = allDigits ? std::to_chars(buffer, buffer + sizeof buffer, cell.number)
                             : std::to_chars(buffer, buffer + sizeof buffer, cell.number,
                                             std::chars_format::fixed, cell.decimals);
  std::string text(buffer, end.ptr);
  // A value that rounds to zero is shown as 0, never as -0.
  if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

void WriteBlockText(const ResultBlock& block, TextSink& out) {
  std::vector<std::vector<std::string>> lines{block.header};
  for (const auto& row : block.rows) {
    lines.emplace_back();
    for (const ResultCell& cell : row) lines.back().push_back(Formatted(cell, false));
  }
  // Numbers to the right, words (what a row is, a file's name) to the left.
  std::vector<bool> right(block.header.size(), false);
  for (std::size_t k = 0; !block.rows.empty() && k < right.size(); ++k)
    right[k] = k < block.rows[0].size() && block.rows[0][k].isNumber;
  std::vector<std::size_t> width(block.header.size(), 0);
  for (const auto& line : lines)
    for (std::size_t k = 0; k < line.size() && k < width.size(); ++k)
      width[k] = std::max(width[k], line[k].size());
  for (const auto& line : lines) {
    std::string text;
    for (std::size_t k = 0; k < line.size() && k < width.size(); ++k) {
      const std::string pad(width[k] - line[k].size(), ' ');
      text += (k == 0 ? "" : "  ") + (right[k] ? pad + line[k] : line[k] + pad);
    }
    out.Append(text.substr(0, text.find_last_not_of(' ') + 1));
    out.EndLine();
  }
}

}  // namespace

void WriteResultText(const ResultTable& table, TextSink& out) {
  out.Append(table.title);
  out.EndLine();
  out.Append(table.method);
  out.EndLine();
  for (const ResultBlock& block : table.blocks) {
    out.EndLine();
    WriteBlockText(block, out);
  }
  if (!table.notes.empty()) out.EndLine();
  for (const std::string& note : table.notes) {
    out.Append(note);
    out.EndLine();
  }
}

void WriteResultCsv(const ResultTable& table, TextSink& out) {
  const auto line = [&out](const std::vector<std::string>& fields) {
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (k > 0) out.Append(',');
      out.Append(CsvField(fields[k]));
    }
    out.EndLine();
  };
  line({table.title});
  line({table.method});
  for (const ResultBlock& block : table.blocks) {
    out.EndLine();
    line(block.header);
    for (const auto& row : block.rows) {
      std::vector<std::string> fields;
      for (const ResultCell& cell : row) fields.push_back(Formatted(cell, true));
      line(fields);
    }
  }
  if (!table.notes.empty()) out.EndLine();
  for (const std::string& note : table.notes) line({note});
}

}  // namespace marbleset
