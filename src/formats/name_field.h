// How OTU names are written into files, so that reading the file gives back the same rows.
//
// The readers take a PHYLIP name as the first 12 characters of a row's first item and an NTSYS
// label as the text between single blanks of the label lines (kept to 12 characters). An item
// ends at a comma or a line end, blanks in front of it are skipped, and one that begins with a
// double quote runs to the next double quote. So a name is written with:
// - no control character (bytes below 32 and 127; a line end or NUL would end or spoil the row):
//   each becomes '_';
// - no comma, which would end the item: '_';
// - no blank at its start (the reader would skip it and take values into the name) and no
//   double quote there: leading blanks are dropped and a leading quote becomes '_';
// - in the PHYLIP field, exactly 12 characters: a longer name is cut, a shorter one padded with
//   blanks, an empty (or all-blank) one written "_" and padded;
// - in an NTSYS label, no blank at all: inner blanks become '_' (as PHYLIP writes blanks in
//   names), trailing blanks go (the reader pads the label again), an empty one is "_", and at
//   most 12 characters, all the reader keeps.
// Names read from a file hold none of these, except blanks and control characters inside, so a
// data file read and saved again keeps its PHYLIP name fields byte for byte.
//
// Data files, distance files and the generators' data sets all write names through these
// functions; a writer of a new file kind with a PHYLIP name column should too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataset/text_sink.h"

namespace marbleset {

// The width of the name field of PHYLIP data and distance rows.
inline constexpr std::size_t kNameFieldWidth = 12;

// The 12 characters written for name at the start of a PHYLIP data or distance row.
std::string PhylipNameField(std::string_view name);
void AppendPhylipNameField(TextSink& out, std::string_view name);

// The label written for name in the label lines of an NTSYS file (without the blank after it).
void AppendNtsysLabel(TextSink& out, std::string_view name);

}  // namespace marbleset
