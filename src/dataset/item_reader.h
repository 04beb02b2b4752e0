// A data file read as a sequence of items, the way every layout is read.
//
// An item is the text of a line up to the next comma or the end of the line; spaces in front of
// it are skipped; an item that begins with a double quote runs to the next double quote (at most
// to the end of its line), which is not part of it, and the rest up to the next comma or line
// end is dropped; an empty line is an empty item. Lines may end in CR LF, LF or CR alone.
// Spaces at the end of an item stay part of it, so a name line keeps its 12-character field.
//
// The file is read in chunks of a mebibyte, so memory stays flat however large it is; only a
// single line longer than a chunk makes the buffer grow to hold it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marbleset {

class ItemReader {
 public:
  // Throws ReadFailure naming the path and the system's reason when it cannot be opened.
  static ItemReader OpenFile(const std::string& path);
  static ItemReader FromText(std::string text, std::string name = "text");

  ItemReader(ItemReader&&) noexcept;
  ItemReader& operator=(ItemReader&&) noexcept;
  ~ItemReader();

  // The next item; valid until the next call. Throws ReadFailure when the file is at its end
  // (or cannot be read further).
  std::string_view NextItem();
  // True when no further item can be read.
  bool AtEnd() const;
  // Bytes consumed so far and the length of the whole input, for progress.
  std::uint64_t Position() const;
  std::uint64_t Length() const;
  // How failures refer to the input: the file's path, or the name given to FromText.
  const std::string& name() const;

  // The data-set readers count the data sets they begin, so that a failure can say which data
  // set of a file with several it happened in (1 for the first).
  void BeginDataSet();
  int DataSetNumber() const;

 private:
  struct State;
  explicit ItemReader(State* state);
  State* state_;
};

}  // namespace marbleset
