// The results of an analysis (AMOVA, the Mantel test) as a report: a title, the line that names
// the method and the work to cite, tables with a header row, and notes. As text the columns are
// aligned for reading, numbers rounded to a column's decimals; as CSV (RFC 4180, CR LF line
// ends) every number keeps all its digits for a spreadsheet or R, and a value that does not
// exist is NA.
#pragma once

#include <string>
#include <vector>

#include "dataset/text_sink.h"

namespace marbleset {

struct ResultCell {
  std::string text;  // written as it is when it is not a number
  bool isNumber = false;
  double number = 0;  // NaN: no value (a test not run), "-" in the text
  int decimals = 0;   // in the text

  static ResultCell Text(std::string text) { return {std::move(text)}; }
  static ResultCell Number(double value, int decimals) { return {{}, true, value, decimals}; }
};

struct ResultBlock {
  std::vector<std::string> header;
  std::vector<std::vector<ResultCell>> rows;
};

struct ResultTable {
  std::string title;
  std::string method;  // one line: what was computed, after whom, and what to cite
  std::vector<ResultBlock> blocks;
  std::vector<std::string> notes;
};

void WriteResultText(const ResultTable& table, TextSink& out);
void WriteResultCsv(const ResultTable& table, TextSink& out);

}  // namespace marbleset
