#include "formats/format_reader.h"

#include <filesystem>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "formats/nexus_reader.h"

namespace marbleset {

DataSet ReadDataInFormat(const std::string& path, FileFormat format,
                         const FormatReadOptions& options, FormatReadReport& report) {
  report = FormatReadReport();
  DataSet data;
  switch (format) {
    case FileFormat::kDelimited: {
      DelimitedOptions table = options.table;
      table.kind = options.kind;
      data = ReadDelimitedFile(path, table, options.memoryLimit);
      break;
    }
    case FileFormat::kNexus:
      data = ReadNexusFile(path, options.kind, options.memoryLimit);
      break;
    case FileFormat::kVcf: {
      VcfOptions vcf;
      vcf.kind =
          options.kind == KindChoice::kQuantitative ? DataKind::kQuantitative : DataKind::kBinary;
      vcf.threads = options.threads;
      vcf.memoryLimit = options.memoryLimit;
      data = ReadVcf(path, vcf, report.vcf, options.progress);
      break;
    }
    default:
      throw ReadFailure(path + ": " + std::string(FileFormatName(format)) +
                        " files are read by the data loader.");
  }
  std::error_code error;
  const std::filesystem::path full =
      std::filesystem::absolute(platform::FilePath(path), error);
  data.fileName = error ? path : platform::Utf8Path(full);
  const std::size_t slash = data.fileName.find_last_of('/');
  data.folder = slash == std::string::npos ? "" : slash == 0 ? "/" : data.fileName.substr(0, slash);
  return data;
}

}  // namespace marbleset
