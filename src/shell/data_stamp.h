// What identifies the loaded data for a window opened on it: which file, which kind, which
// shape, which matrix. A window compares the stamp it was opened with against the data's stamp
// now, so it never applies its choices to data it was not opened for.
#pragma once

#include <cstddef>
#include <string>

#include "dataset/data_set.h"

namespace marbleset::shell {

// What a dialog says when its OK meets data other than the data it was opened on.
inline constexpr char kDataChangedText[] =
    "The data loaded now is not the data this window was opened on; nothing was done.";

struct DataStamp {
  std::string fileName;
  marbleset::DataKind kind = marbleset::DataKind::kBinary;
  std::size_t otus = 0;
  std::size_t characters = 0;
  bool multiSet = false;
  // The matrix's storage: a new read swaps in new storage even for the same file and shape.
  const void* storage = nullptr;

  static DataStamp Of(const marbleset::DataSet& data) {
    const void* storage = data.IsBinary() ? static_cast<const void*>(data.OnesRow(0))
                                          : static_cast<const void*>(data.Row(0));
    return {data.fileName, data.Kind(), data.OtuCount(), data.CharCount(), data.multiSet, storage};
  }
  bool operator==(const DataStamp&) const = default;
};

}  // namespace marbleset::shell
