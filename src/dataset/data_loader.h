// The open command's reading: a whole data file into the loaded data set, or nothing at all.
#pragma once

#include <string>

#include "dataset/data_set.h"
#include "dataset/read_status.h"

namespace marbleset {

enum class DataKind { kBinary, kQuantitative };
enum class Layout { kPhylip, kNtsys };

// Reads path into a fresh data set and, only when the read succeeds, swaps it into loaded with
// DataFileName, DataDir and MultiSet set. A read finding is returned and a generic failure is
// thrown as ReadFailure; in both cases loaded is exactly as it was.
ReadStatus LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, Layout layout);

// The folder of a full path, without the trailing separator; empty when there is none.
std::string FolderOf(const std::string& path);
// A full path's own name, without its folder.
std::string FileNameOf(const std::string& path);

}  // namespace marbleset
