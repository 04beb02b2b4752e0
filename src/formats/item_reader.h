// A data file read as a sequence of items, the way every layout is read.
//
// An item is the text of a line up to the next comma or the end of the line; spaces in front of
// it are skipped; an item that begins with a double quote runs to the next double quote (at most
// to the end of its line), which is not part of it, and the rest up to the next comma or line
// end is dropped; an empty line is an empty item. Lines may end in CR LF, LF or CR alone.
// Spaces at the end of an item stay part of it, so a name line keeps its 12-character field.
//
// The input is read in chunks of a mebibyte from a file, standard input, a pipe or FIFO, or any
// std::istream, each byte once, so memory stays flat however large it is and the time is linear
// in its length: only a single line longer than a chunk makes the buffer grow to hold it, up
// to a limit. A NUL byte is never part of a data file: the read fails at once where it is, so
// endless input such as /dev/zero fails at its first chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "dataset/errors.h"

namespace marbleset {

// Bounds on what a reader accepts, so that input that never ends fails within moments instead
// of filling the memory or running on. Tests set small ones.
struct ReaderLimits {
  // The longest single item (line) held in memory.
  std::size_t longestItem = std::size_t{256} << 20;
  // The most input a reader skips while looking for something that is not there: a header, the
  // next data set, or the next value of an OTU (see CheckSearch).
  std::uint64_t longestSearch = std::uint64_t{16} << 20;
};

class ItemReader {
 public:
  // Opens a file, or standard input for "-". Throws ReadFailure naming the path and the
  // system's reason when it cannot be opened or its first bytes cannot be read.
  static ItemReader OpenFile(const std::string& path, ReaderLimits limits = {});
  // Reads from stream, which must outlive the reader; name is how failures refer to it.
  static ItemReader FromStream(std::istream& stream, std::string name, ReaderLimits limits = {});
  static ItemReader FromText(std::string text, std::string name = "text", ReaderLimits limits = {});

  ItemReader(ItemReader&&) noexcept;
  ItemReader& operator=(ItemReader&&) noexcept;
  ~ItemReader();

  // The next item; valid until the next call. Throws ReadFailure when the input is at its end,
  // cannot be read further, holds a NUL byte or a line beyond the limit.
  std::string_view NextItem();
  // The rest of the input as one text, for the layouts read whole; the reader is at its end
  // afterwards.
  std::string RemainingText();
  // Makes the next NextItem give the item just read once more (once; only right after
  // NextItem). The multi-set reading looks at a data set's header and leaves it for the reader.
  void PutBack();
  // True when no further item can be read.
  bool AtEnd() const;
  // Bytes consumed so far and the length of the whole input (0 when unknown), for progress.
  std::uint64_t Position() const;
  std::uint64_t Length() const;
  // How failures refer to the input: the file's path, "standard input", or the name given.
  const std::string& name() const;
  const ReaderLimits& Limits() const;

  // Throws ReadFailure when more than Limits().longestSearch bytes were consumed since the
  // position since while looking for something; what says what was not found ("no header of
  // data set 2"). what is only made when needed.
  template <typename What>
  void CheckSearch(std::uint64_t since, What what) const {
    if (Position() - since > Limits().longestSearch) SearchFailed(what());
  }

  // The place of the item NextItem gave last: the input's name, the data set, the line and the
  // column (in bytes) it begins on, and its text.
  InputPlace Place() const;
  // Throws ReadFailure of kind with the place of the last item.
  [[noreturn]] void Fail(ReadProblem kind, const std::string& reason) const;

  // The data-set readers count the data sets they begin, so that a failure can say which data
  // set of a file with several it happened in (1 for the first).
  void BeginDataSet();
  int DataSetNumber() const;

 private:
  struct State;
  explicit ItemReader(State* state);
  [[noreturn]] void SearchFailed(const std::string& what) const;
  State* state_;
};

}  // namespace marbleset
