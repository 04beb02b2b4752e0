// Numbers in the text of tables and NEXUS files: cells read as floats, floats written so they
// read back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/text_sink.h"

namespace marbleset {

// The finite number the whole of text holds (blanks around it allowed, a leading + allowed),
// or nothing. With decimalComma, "1,5" is read as 1.5 (one comma and no full stop).
std::optional<float> ParseNumber(std::string_view text, bool decimalComma = false);

// The shortest text that reads back as the same float ("0.25", "3", "1e+10"): spreadsheets,
// R and the readers here take it; the full stop is the separator whatever the locale.
void AppendShortestFloat(TextSink& out, float value);

// A distance as the distance files write it: six decimals, never "-0.000000".
void AppendSixDecimals(TextSink& out, double value);

// text without blanks, tabs, CR and LF at either end.
std::string_view TrimBlanks(std::string_view text);
// text without blanks at its end (the padding of a 12-character name field).
std::string_view TrimTrailingBlanks(std::string_view text);

}  // namespace marbleset
