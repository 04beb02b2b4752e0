#include "formats/data_loader.h"

#include <filesystem>

#include "dataset/platform.h"
#include "formats/ntsys_reader.h"
#include "formats/phylip_reader.h"

namespace marbleset {

namespace {

ReadStatus ReadFirstDataSet(ItemReader& in, DataSet& data, DataKind kind, Layout layout,
                            ReadReport* report) {
  const bool binary = kind == DataKind::kBinary;
  if (layout == Layout::kNtsys) {
    return binary ? ReadNtsysBinary(in, data, report) : ReadNtsysQuant(in, data, report);
  }
  const ReadStatus status =
      binary ? ReadPhylipBinary(in, data, report) : ReadPhylipQuant(in, data, report);
  if (status == ReadStatus::kOk) data.multiSet = FurtherDataSetFollows(in);
  return status;
}

}  // namespace

ReadStatus LoadData(DataSet& loaded, ItemReader& in, const std::string& path, DataKind kind,
                    Layout layout, ReadReport* report) {
  // A failed read leaves the loaded data set untouched: the new file is read beside it and
  // takes its place only when the read succeeds, so no later command sees a mixture of two
  // files.
  DataSet fresh;
  fresh.SetMemoryLimit(loaded.MemoryLimit());
  const ReadStatus status = ReadFirstDataSet(in, fresh, kind, layout, report);
  if (status != ReadStatus::kOk) return status;
  if (path == "-") {
    fresh.fileName = path;
  } else {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(platform::FilePath(path), error);
    fresh.fileName = error ? path : platform::Utf8Path(full);
    fresh.folder = FolderOf(fresh.fileName);
  }
  loaded.swap(fresh);
  return ReadStatus::kOk;
}

ReadStatus LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, Layout layout,
                        ReadReport* report) {
  ItemReader in = ItemReader::OpenFile(path);
  return LoadData(loaded, in, path, kind, layout, report);
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
