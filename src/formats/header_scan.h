// The steps every data-set reader shares: finding the header item, cutting its fields, sizing
// the data set, and storing values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "formats/item_reader.h"
#include "formats/read_status.h"

namespace marbleset::detail {

// Skips items until one has a positive value and returns it. Sets status to kNoDeclarations
// when that item is the file's last one; returns at once when status is not kOk.
std::string ScanHeader(ItemReader& in, ReadStatus& status);

// One field of the header: the text from k up to the first space that follows a part with a
// positive value (leading spaces included). k ends on that space, or at the end of the token,
// in which case ranOut is set.
struct Field {
  std::string_view piece;
  double value = 0.0;
  bool ranOut = false;
};
Field ScanField(std::string_view token, std::size_t& k);

// CountOf(piece), with a failure naming the file and data set.
std::uint64_t HeaderCount(const ItemReader& in, std::string_view piece);

// Gives data the shape the header declared, every cell 0. When the matrix would not fit in
// memory (or the data set's memory limit), throws ReadFailure naming the file and data set and
// saying how much is needed and available; data is then as it was.
void SizeDataSet(const ItemReader& in, DataSet& data, DataKind kind, std::uint64_t otus,
                 std::uint64_t characters, float missingValue);

// The value of piece as the matrix holds it; false when it does not fit a 32-bit float.
bool ToStoredValue(std::string_view piece, float& value);
// Throws ReadFailure for such a value; where tells the user which entry it was.
[[noreturn]] void ValueTooLarge(const ItemReader& in, std::string_view piece,
                                const std::string& where);

// The file and the data set being read, how failures name the place of a header.
InputPlace DataSetAt(const ItemReader& in);

// Cuts text into pieces at each single space or tab and calls take(piece) for each, empty
// pieces included.
template <typename Take>
void ForEachPiece(std::string_view text, Take&& take) {
  std::size_t p = 0;
  for (;;) {
    std::size_t stop = p;
    while (stop < text.size() && text[stop] != ' ' && text[stop] != '\t') ++stop;
    take(text.substr(p, stop - p));
    if (stop >= text.size()) return;
    p = stop + 1;
  }
}

}  // namespace marbleset::detail
