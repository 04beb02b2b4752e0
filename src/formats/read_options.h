// What a data read is asked for, and what it tells besides the data set.
#pragma once

#include <cstdint>

#include "dataset/progress.h"
#include "formats/delimited_reader.h"
#include "formats/kind_choice.h"
#include "formats/read_status.h"
#include "formats/vcf_reader.h"

namespace marbleset {

struct ReadOptions {
  // The kind to read. PHYLIP and NTSYS data read kAuto as binary data; VCF as binary data unless
  // kQuantitative is asked for.
  KindChoice kind = KindChoice::kBinary;
  // For tables; their kind is the one above.
  DelimitedOptions table;
  int threads = 0;
  std::uint64_t memoryLimit = 0;
  Progress* progress = nullptr;
};

struct ReadNotes {
  ReadReport report;  // PHYLIP and NTSYS: where the read ended or went wrong
  VcfReport vcf;      // what a VCF read skipped
};

}  // namespace marbleset
