// The input of a data read: a file, standard input or text in memory, opened when it is first
// read. Layouts read item by item take its ItemReader (which stays open at the next data set of
// a file of several); layouts read whole take its text; VCF and BCF, read through htslib, take
// the file's path.
#pragma once

#include <optional>
#include <string>

#include "formats/item_reader.h"

namespace marbleset {

class DataSource {
 public:
  // A file, or standard input for "-".
  static DataSource File(std::string path, ReaderLimits limits = {});
  // Text in memory; name is how failures refer to it.
  static DataSource Text(std::string text, std::string name);

  // How failures refer to the input: the path, "standard input", or the name given.
  std::string Name() const;
  // The path as given ("-" for standard input); empty for text.
  const std::string& Path() const { return path_; }
  // Whether nothing has been read from the input yet.
  bool Unopened() const { return !items_.has_value(); }

  // The input as items, opened on first use. Throws ReadFailure when it cannot be opened.
  ItemReader& Items();
  // The rest of the input as one text.
  std::string RemainingText();

 private:
  DataSource() = default;
  std::string path_;
  std::string text_;
  std::string name_;
  ReaderLimits limits_;
  std::optional<ItemReader> items_;
};

}  // namespace marbleset
