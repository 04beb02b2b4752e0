// VCF and BCF files (.vcf, .vcf.gz, .bcf) through htslib: samples become OTUs, biallelic
// variants characters.
//
// Binary data holds 1 where a genotype carries the alternative allele, 0 where it is
// homozygous for the reference and missing where it is unknown ("./."); presence/absence VCFs
// of structural variants read the same way. Quantitative data holds the number of alternative
// alleles (0, 1, 2 for a diploid), missing when any allele is unknown. Variants with other than
// two alleles are skipped and counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dataset/data_set.h"
#include "dataset/errors.h"
#include "dataset/progress.h"

namespace marbleset {

struct VcfOptions {
  DataKind kind = DataKind::kBinary;
  // Threads that decompress the file beside the one that reads it; 0 takes one per core.
  int threads = 0;
  // The most the data set may take; 0 means what the machine has available.
  std::uint64_t memoryLimit = 0;
};

// What a read kept and left out.
struct VcfReport {
  std::size_t variants = 0;                // read as characters
  std::size_t skippedNotBiallelic = 0;     // fewer or more than two alleles
  std::size_t skippedWithoutGenotype = 0;  // no GT field
};

// This build reads no VCF or BCF (it was built without htslib, as on Windows); what() says so
// and names the file.
class VcfUnavailable : public ReadFailure {
 public:
  explicit VcfUnavailable(const std::string& path);
};

// True when path holds a VCF or BCF in any compression.
bool IsVcfFile(const std::string& path);

// Reads path (a VCF, bgzipped or gzipped VCF, or BCF; "-" for standard input). VCF text goes
// through a genotype scanner of its own over htslib's decompressed lines, several times faster
// than htslib's full record parser; BCF goes through htslib's records. Throws ReadFailure naming
// the file, the line (or record) and the sample of a genotype that cannot be read,
// MemoryFailure, and RunCancelled when progress asks to stop.
DataSet ReadVcf(const std::string& path, const VcfOptions& options, VcfReport& report,
                Progress* progress = nullptr);

// The same read through htslib's full record parser for every kind of file: the plain version
// the fast scanner is checked against.
DataSet ReadVcfThroughRecords(const std::string& path, const VcfOptions& options,
                              VcfReport& report);

}  // namespace marbleset
