// VCF and BCF in a build without htslib: such a file is still recognised, so the user learns
// that this build cannot read it instead of seeing it misread as another layout.
#include <zlib.h>

#include <string_view>

#include "dataset/platform.h"
#include "formats/vcf_reader.h"

namespace marbleset {

VcfUnavailable::VcfUnavailable(const std::string& path)
    : ReadFailure(ReadProblem::kUnreadable, InputPlace{path, 0, 0, 0, {}},
                  "this build of Marbleset reads no VCF or BCF files (it was built without "
                  "htslib). Read the file with Marbleset on Linux or in WSL, or convert it there "
                  "to a table with marbleset-cli convert.") {}

bool IsVcfFile(const std::string& path) {
  // gzip and BGZF are both gzip streams; a BCF starts "BCF" once decompressed, or plain.
  const int descriptor = platform::OpenToRead(path);
  if (descriptor < 0) return false;
  gzFile file = gzdopen(descriptor, "rb");
  if (file == nullptr) {
    platform::CloseFile(descriptor);
    return false;
  }
  char head[16] = {};
  const int got = gzread(file, head, sizeof head);
  gzclose(file);
  const std::string_view text(head, got > 0 ? static_cast<std::size_t>(got) : 0);
  return text.starts_with("##fileformat=VCF") || text.starts_with("BCF");
}

DataSet ReadVcf(const std::string& path, const VcfOptions&, VcfReport&, Progress*) {
  throw VcfUnavailable(path == "-" ? "standard input" : path);
}

DataSet ReadVcfThroughRecords(const std::string& path, const VcfOptions&, VcfReport&) {
  throw VcfUnavailable(path == "-" ? "standard input" : path);
}

}  // namespace marbleset
