// The open command's reading: a whole data file into the loaded data set, or nothing at all.
#pragma once

#include <string>

#include "dataset/data_set.h"
#include "formats/item_reader.h"
#include "formats/read_status.h"

namespace marbleset {

enum class Layout { kPhylip, kNtsys };

// Reads path ("-" for standard input) into a fresh data set that has loaded's memory limit
// and, only when the read succeeds, swaps it into loaded with fileName, folder and multiSet
// set. A read finding is returned and a generic failure (a file that cannot be opened or read,
// a data set too large for the memory, a file that ends inside the last OTU) is thrown as
// ReadFailure; in both cases loaded is exactly as it was. When report is given, it tells where
// the read ended or went wrong.
ReadStatus LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, Layout layout,
                        ReadReport* report = nullptr);

// The same from an input already open, for a caller that goes on reading it: after a
// successful PHYLIP read, in stands at the header of the next data set (if any), so that
// ReadPhylipBinary or ReadPhylipQuant on the same input reads data set 2, 3, ... fileName
// becomes path as given (the full path when it names a file) and folder its folder.
ReadStatus LoadData(DataSet& loaded, ItemReader& in, const std::string& path, DataKind kind,
                    Layout layout, ReadReport* report = nullptr);

// The folder of a full path, without the trailing separator; empty when there is none.
std::string FolderOf(const std::string& path);
// A full path's own name, without its folder.
std::string FileNameOf(const std::string& path);

}  // namespace marbleset
