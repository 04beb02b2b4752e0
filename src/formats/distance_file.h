// The text of a distance file: PHYLIP's square layout and its number format.
#pragma once

#include <cstddef>
#include <string>

#include "dataset/text_sink.h"

namespace marbleset {

// Room FormatDistanceValue may need (the largest doubles have over 300 digits).
inline constexpr std::size_t kMaxValueText = 400;

// value rounded to six decimals and written with all six, a full stop, at least one digit
// before it and a minus sign for negatives ("0.500000", "1.000000", "-0.250400"). A value that
// rounds to zero is "0.000000", never "-0.000000". Returns the number of characters written.
// Independent of the locale: PHYLIP reads a full stop only.
std::size_t FormatDistanceValue(double value, char* out);
std::string DistanceValueText(double value);

// The value followed by the one blank every value of a row carries.
inline void AppendDistanceValue(TextSink& out, double value) {
  char* place = out.Reserve(kMaxValueText + 1);
  const std::size_t length = FormatDistanceValue(value, place);
  place[length] = ' ';
  out.Commit(length + 1);
}

// The header line of a matrix: a blank and the number of OTUs.
void AppendMatrixHeader(TextSink& out, std::size_t otuCount);

}  // namespace marbleset
