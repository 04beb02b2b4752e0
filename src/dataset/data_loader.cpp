#include "dataset/data_loader.h"

#include <filesystem>
#include <memory>

#include "dataset/item_reader.h"
#include "dataset/ntsys_reader.h"
#include "dataset/phylip_reader.h"

namespace marbleset {

namespace {

// One data file into data, which starts fresh. Binary PHYLIP data writes the literal 2 for "?",
// so its missing value is set after the read; quantitative data takes it while reading.
ReadStatus ReadWholeFile(ItemReader& in, DataSet& data, DataKind kind, Layout layout) {
  if (layout == Layout::kNtsys) {
    return kind == DataKind::kBinary ? ReadNtsysBinary(in, data) : ReadNtsysQuant(in, data);
  }
  ReadStatus status;
  if (kind == DataKind::kBinary) {
    status = ReadPhylipBinary(in, data);
    data.MissingValue = 2.0f;
  } else {
    data.MissingValue = -9999.0f;
    status = ReadPhylipQuant(in, data);
    data.Quantitative = 1;
  }
  if (status == ReadStatus::kOk) data.MultiSet = FurtherDataSetFollows(in) ? 1 : 0;
  return status;
}

}  // namespace

ReadStatus LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, Layout layout) {
  // A failed read leaves the loaded data set untouched: the new file is read beside it and
  // takes its place only when the read succeeds, so no later command sees a mixture of two
  // files.
  auto fresh = std::make_unique<DataSet>();
  ItemReader in = ItemReader::OpenFile(path);
  const ReadStatus status = ReadWholeFile(in, *fresh, kind, layout);
  if (status != ReadStatus::kOk) return status;
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) full = path;
  fresh->DataFileName = full.string();
  fresh->DataDir = FolderOf(fresh->DataFileName);
  loaded.swap(*fresh);
  return ReadStatus::kOk;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";  // a file in the root folder: the folder is the root itself
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace marbleset
