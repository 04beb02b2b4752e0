#include "formats/data_io.h"

#include <filesystem>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "formats/format_registry.h"

namespace marbleset {

namespace {

void NameAfterSource(DataSet& data, const DataSource& source) {
  const std::string& path = source.Path();
  if (path.empty() || path == "-") {
    data.fileName = path.empty() ? source.Name() : path;
    return;
  }
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(platform::FilePath(path), error);
  data.fileName = error ? path : platform::Utf8Path(full);
  data.folder = FolderOf(data.fileName);
}

}  // namespace

DataSet ReadData(DataSource& source, FileFormat format, const ReadOptions& options,
                 ReadNotes* notes) {
  const FormatEntry& entry = EntryOf(format);
  if (entry.read == nullptr) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{source.Name()},
                      std::string(entry.name) + " files are not read.");
  }
  ReadNotes ownNotes;
  ReadNotes& told = notes != nullptr ? *notes : ownNotes;
  told = ReadNotes();
  DataSet data = entry.read(source, options, told);
  NameAfterSource(data, source);
  return data;
}

void LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, FileFormat format,
                  ReadNotes* notes) {
  ReadOptions options;
  options.kind = kind == DataKind::kBinary ? KindChoice::kBinary : KindChoice::kQuantitative;
  options.memoryLimit = loaded.MemoryLimit();
  DataSource source = DataSource::File(path);
  DataSet fresh = ReadData(source, format, options, notes);
  fresh.SetMemoryLimit(loaded.MemoryLimit());
  loaded.swap(fresh);
}

void WriteData(const DataSet& data, FileFormat format, TextSink& out) {
  const FormatEntry& entry = EntryOf(format);
  if (entry.writeData == nullptr) {
    throw Failure("Data sets are not written as " + std::string(entry.name) + " files.");
  }
  entry.writeData(data, out);
}

void WriteDistances(const DistanceMatrix& matrix, FileFormat format, TextSink& out) {
  const FormatEntry& entry = EntryOf(format);
  if (entry.writeDistances == nullptr) {
    throw Failure("Distance matrices are not written as " + std::string(entry.name) + " files.");
  }
  entry.writeDistances(matrix, out);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";  // a file in the root folder: the folder is the root itself
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = platform::LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace marbleset
