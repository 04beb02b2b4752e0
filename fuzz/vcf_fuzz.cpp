// Fuzz target: VCF text read by the genotype scanner and by htslib's record parser, as binary
// data (an input of even length) or quantitative data (odd). Both must agree on what they read.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "formats/vcf_reader.h"
#include "fuzz_support.h"

namespace {

// htslib reads from a path, so each input goes into one temporary file of the process.
const std::string& InputPath() {
  static const std::string path = [] {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/vcf_fuzz_XXXXXX.vcf";
    const int fd = mkstemps(pattern.data(), 4);
    if (fd < 0) __builtin_trap();
    close(fd);
    std::atexit([] { std::remove(InputPath().c_str()); });
    return pattern;
  }();
  return path;
}

void WriteInput(const std::uint8_t* bytes, std::size_t size) {
  std::FILE* file = std::fopen(InputPath().c_str(), "wb");
  if (file == nullptr) __builtin_trap();
  if (size > 0 && std::fwrite(bytes, 1, size, file) != size) __builtin_trap();
  std::fclose(file);
}

// Runs a read; false when it failed as a reader fails.
template <typename Read>
bool Attempt(Read read, marbleset::DataSet& data) {
  try {
    data = read();
    return true;
  } catch (const marbleset::Failure&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace marbleset;
  WriteInput(bytes, size);
  VcfOptions options;
  options.kind = size % 2 != 0 ? DataKind::kQuantitative : DataKind::kBinary;
  options.threads = 1;
  options.memoryLimit = fuzz::kMemoryLimit;
  VcfReport fastReport;
  VcfReport plainReport;
  DataSet fast;
  DataSet plain;
  const bool fastRead = Attempt([&] { return ReadVcf(InputPath(), options, fastReport); }, fast);
  const bool plainRead =
      Attempt([&] { return ReadVcfThroughRecords(InputPath(), options, plainReport); }, plain);
  if (fastRead) fuzz::CheckPlanes(fast);
  if (!fastRead || !plainRead) return 0;
  if (fast.OtuCount() != plain.OtuCount() || fast.CharCount() != plain.CharCount()) {
    __builtin_trap();
  }
  for (std::size_t i = 0; i < fast.OtuCount(); ++i) {
    for (std::size_t j = 0; j < fast.CharCount(); ++j) {
      if (!fuzz::SameCell(fast, plain, i, j)) __builtin_trap();
    }
  }
  fuzz::WriteBothLayouts(fast);
  return 0;
}
