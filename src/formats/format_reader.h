// One entry for reading the new formats (delimited tables, NEXUS, VCF/BCF) into a fresh data
// set, for the CLI's --from and the desktop's Open commands. PHYLIP and NTSYS stay with the
// data loader.
#pragma once

#include <cstdint>
#include <string>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "formats/delimited_reader.h"
#include "formats/file_format.h"
#include "formats/kind_choice.h"
#include "formats/vcf_reader.h"

namespace marbleset {

struct FormatReadOptions {
  // The Open command's kind: kBinary for "Open binary data file...", kQuantitative for the
  // quantitative one; kAuto lets the values decide (VCF then gives binary data).
  KindChoice kind = KindChoice::kAuto;
  // For tables; its kind is replaced by the one above.
  DelimitedOptions table;
  int threads = 0;
  std::uint64_t memoryLimit = 0;
  Progress* progress = nullptr;
};

struct FormatReadReport {
  VcfReport vcf;  // what a VCF read skipped
};

// Reads path in format (kDelimited, kNexus or kVcf) into a fresh data set whose fileName and
// folder are set. Throws ReadFailure, MemoryFailure or RunCancelled; for the other formats a
// ReadFailure that says the data loader reads them.
DataSet ReadDataInFormat(const std::string& path, FileFormat format,
                         const FormatReadOptions& options, FormatReadReport& report);

}  // namespace marbleset
