#include "formats/vcf_reader.h"

#include <htslib/bgzf.h>
#include <htslib/hts.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "dataset/worker_pool.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

// Genotype codes per sample while a variant is read.
constexpr std::uint8_t kUnknown = 255;

// htslib's KS_SEP_LINE: hts_getline reads up to a line end.
constexpr int kLineSeparator = 2;

// Genotypes gathered variant by variant (the order of the file), turned into OTU rows at the
// end, when the number of variants is known.
//
// Binary genotypes go into 64-variant blocks of one word per sample, so a sample's bits are
// stored a word at a time and the final rows are copied word by word; quantitative genotypes
// are kept as one byte each and transposed in tiles at the end.
class GenotypeColumns {
 public:
  GenotypeColumns(DataKind kind, std::size_t samples, std::uint64_t memoryLimit)
      : kind_(kind), samples_(samples), memoryLimit_(memoryLimit) {
    if (kind_ == DataKind::kBinary) {
      blockOnes_.assign(samples, 0);
      blockMissing_.assign(samples, 0);
    }
  }

  // One variant's codes: for binary data 0, 1 or kUnknown; for quantitative data the count of
  // alternative alleles or kUnknown.
  void Add(const std::uint8_t* codes) {
    if ((variants_ & 4095) == 4095) CheckMemory(variants_ + 1);
    if (kind_ == DataKind::kQuantitative) {
      bytes_.insert(bytes_.end(), codes, codes + samples_);
    } else {
      const unsigned bit = variants_ & 63;
      for (std::size_t s = 0; s < samples_; ++s) {
        const std::uint64_t one = codes[s] == 1;
        const std::uint64_t unknown = codes[s] == kUnknown;
        blockOnes_[s] |= one << bit;
        blockMissing_[s] |= unknown << bit;
      }
      if (bit == 63) FlushBlock();
    }
    ++variants_;
  }

  std::size_t Variants() const { return variants_; }

  DataSet Finish(std::vector<std::string> names) {
    if ((variants_ & 63) != 0 && kind_ == DataKind::kBinary) FlushBlock();
    DataSet data;
    data.SetMemoryLimit(memoryLimit_);
    const bool binary = kind_ == DataKind::kBinary;
    data.Resize(kind_, samples_, variants_,
                binary ? kBinaryMissingValue : kQuantitativeMissingValue);
    data.otuNames = std::move(names);
    if (binary) {
      const std::size_t blocks = ones_.size() / std::max<std::size_t>(samples_, 1);
      for (std::size_t s = 0; s < samples_; ++s) {
        std::uint64_t* ones = data.OnesRow(s);
        std::uint64_t* missing = data.MissingRow(s);
        for (std::size_t b = 0; b < blocks; ++b) {
          ones[b] = ones_[b * samples_ + s];
          missing[b] = missing_[b * samples_ + s];
        }
      }
      return data;
    }
    // Tiles of 64 variants by 64 samples keep both the bytes read and the floats written in
    // the cache.
    constexpr std::size_t kTile = 64;
    for (std::size_t v0 = 0; v0 < variants_; v0 += kTile) {
      const std::size_t v1 = std::min(variants_, v0 + kTile);
      for (std::size_t s0 = 0; s0 < samples_; s0 += kTile) {
        const std::size_t s1 = std::min(samples_, s0 + kTile);
        for (std::size_t s = s0; s < s1; ++s) {
          float* row = data.Row(s);
          for (std::size_t v = v0; v < v1; ++v) {
            const std::uint8_t code = bytes_[v * samples_ + s];
            row[v] = code == kUnknown ? kQuantitativeMissingValue : static_cast<float>(code);
          }
        }
      }
    }
    return data;
  }

 private:
  void FlushBlock() {
    ones_.insert(ones_.end(), blockOnes_.begin(), blockOnes_.end());
    missing_.insert(missing_.end(), blockMissing_.begin(), blockMissing_.end());
    std::fill(blockOnes_.begin(), blockOnes_.end(), 0);
    std::fill(blockMissing_.begin(), blockMissing_.end(), 0);
  }

  // The variants gathered and the data set still to be made must fit together.
  void CheckMemory(std::size_t variants) const {
    const std::uint64_t matrix = DataSet::MatrixBytes(kind_, samples_, variants);
    const std::uint64_t held =
        bytes_.capacity() + (ones_.capacity() + missing_.capacity()) * sizeof(std::uint64_t);
    const bool fits =
        memoryLimit_ != 0 ? held + matrix <= memoryLimit_ : matrix <= AvailableMemory();
    if (!fits) {
      throw MemoryFailure("A data set of " + std::to_string(samples_) + " OTUs by more than " +
                          std::to_string(variants) + " characters needs more than " +
                          ByteSize(matrix + held) + " of memory, more than is available.");
    }
  }

  DataKind kind_;
  std::size_t samples_;
  std::uint64_t memoryLimit_;
  std::size_t variants_ = 0;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint64_t> blockOnes_, blockMissing_;
  std::vector<std::uint64_t> ones_, missing_;
};

// The code a genotype's alleles give: for binary data 1 when any allele is the alternative one,
// else unknown when any is unknown, else 0; for quantitative data the count of alternative
// alleles, unknown when any allele is unknown.
std::uint8_t GenotypeCode(DataKind kind, int alternative, bool unknown) {
  if (kind == DataKind::kBinary) return alternative > 0 ? 1 : unknown ? kUnknown : 0;
  return unknown ? kUnknown : static_cast<std::uint8_t>(std::min(alternative, 254));
}

// A line buffer of htslib's, freed however the read ends.
struct LineBuffer {
  kstring_t text = {0, 0, nullptr};
  ~LineBuffer() { free(text.s); }
};
// A genotype buffer of htslib's, freed however the read ends.
struct GenotypeBuffer {
  int32_t* values = nullptr;
  int capacity = 0;
  ~GenotypeBuffer() { free(values); }
};

struct HtsFileCloser {
  void operator()(htsFile* file) const { hts_close(file); }
};
struct HeaderDestroyer {
  void operator()(bcf_hdr_t* header) const { bcf_hdr_destroy(header); }
};
struct RecordDestroyer {
  void operator()(bcf1_t* record) const { bcf_destroy(record); }
};

// An opened VCF or BCF file with its header.
struct OpenedVcf {
  std::unique_ptr<htsFile, HtsFileCloser> file;
  std::unique_ptr<bcf_hdr_t, HeaderDestroyer> header;
  bool binaryFormat = false;  // BCF
  std::uint64_t size = 0;     // bytes on disk, for progress
  std::vector<std::string> samples;
};

OpenedVcf Open(const std::string& path, int threads) {
  // The reads report every problem themselves, in the program's words.
  hts_set_log_level(HTS_LOG_OFF);
  OpenedVcf opened;
  errno = 0;
  opened.file.reset(hts_open(path.c_str(), "r"));
  if (!opened.file)
    throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path},
                      SystemReason(errno != 0 ? errno : EINVAL));
  const htsFormat* format = hts_get_format(opened.file.get());
  if (format->format != vcf && format->format != bcf) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{path},
                      "the file is neither VCF nor BCF (it holds no \"##fileformat=VCF\" "
                      "header).");
  }
  opened.binaryFormat = format->format == bcf;
  // A bgzipped file ends with an empty block; without it the file was cut short at a block
  // boundary, which would otherwise read as a complete, shorter file. (Standard input cannot
  // be checked; htslib answers 2 for it.)
  if (format->compression == bgzf && hts_check_EOF(opened.file.get()) == 0) {
    throw ReadFailure(ReadProblem::kCutShort, InputPlace{path, 0, 0, 0, {}},
                      "the file is cut short: it lacks the end-of-file block every bgzipped "
                      "VCF and BCF file ends with. Copy or download it again in full.");
  }
  // htslib decompresses on threads of its own; the one rule decides how many.
  threads = static_cast<int>(WorkerCount(threads));
  if (format->compression != no_compression) hts_set_threads(opened.file.get(), threads);
  opened.header.reset(bcf_hdr_read(opened.file.get()));
  if (!opened.header)
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{path},
                      "the VCF header cannot be read.");
  const int samples = bcf_hdr_nsamples(opened.header.get());
  if (samples <= 0) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{path},
                      "the file holds no samples (a sites-only VCF has no genotypes to "
                      "read).");
  }
  for (int s = 0; s < samples; ++s) opened.samples.emplace_back(opened.header->samples[s]);
  if (path != "-") opened.size = platform::Inspect(path).size;
  return opened;
}

void ReportProgress(const OpenedVcf& vcf, Progress* progress) {
  if (progress == nullptr) return;
  ThrowIfCancelled(*progress);
  // Only a compressed file is read through BGZF, whose position the bar can follow.
  if (vcf.size == 0 || vcf.file->format.compression == no_compression) return;
  const double done = static_cast<double>(bgzf_tell(vcf.file->fp.bgzf) >> 16);
  progress->Advance(std::min(100.0, 100.0 * done / static_cast<double>(vcf.size)));
}

// The number of header lines of a VCF text file, for the line number in a message.
std::size_t HeaderLines(const std::string& path) {
  std::unique_ptr<htsFile, HtsFileCloser> file(hts_open(path.c_str(), "r"));
  if (!file) return 0;
  LineBuffer line;
  std::size_t lines = 0;
  // The header ends with the line of column names, "#CHROM ...".
  while (hts_getline(file.get(), kLineSeparator, &line.text) >= 0 && line.text.l > 0 &&
         line.text.s[0] == '#') {
    ++lines;
    if (line.text.l > 1 && line.text.s[1] != '#') break;
  }
  return lines;
}

// Scans the genotype columns of VCF text lines.
class VcfTextScanner {
 public:
  VcfTextScanner(const std::string& path, const OpenedVcf& vcf, DataKind kind, VcfReport& report)
      : path_(path), vcf_(vcf), kind_(kind), report_(report), codes_(vcf.samples.size()) {}

  DataSet Read(GenotypeColumns& columns, Progress* progress) {
    LineBuffer line;
    int result = 0;
    while ((result = hts_getline(vcf_.file.get(), kLineSeparator, &line.text)) >= 0) {
      ++record_;
      const std::string_view text(line.text.s, line.text.l);
      if (text.empty()) continue;
      // The header is read; htslib takes a later line beginning with "#" as a variant.
      if (text[0] == '#') Fail("a line after the header begins with \"#\".");
      // htslib's own parser stops a field at a NUL and would lose the rest of the line.
      if (text.find('\0') != std::string_view::npos)
        Fail("the line holds a NUL byte; a data file is text and never holds one.");
      if (ScanLine(text)) columns.Add(codes_.data());
      if ((record_ & 1023) == 0) ReportProgress(vcf_, progress);
    }
    if (result < -1) Fail("the file cannot be read further (it is damaged or cut short).");
    return columns.Finish(vcf_.samples);
  }

 private:
  // Fills codes_ from one data line; false when the variant is skipped.
  bool ScanLine(std::string_view line) {
    std::size_t fieldStart[9];
    std::size_t at = 0;
    for (int field = 0; field < 9; ++field) {
      fieldStart[field] = at;
      const std::size_t tab = line.find('\t', at);
      if (tab == std::string_view::npos) {
        Fail("the line has " + std::to_string(field + 1) +
             " columns; a VCF line with genotypes has at least 10.");
      }
      at = tab + 1;
    }
    const auto field = [&](int f) {
      return line.substr(fieldStart[f], fieldStart[f + 1] - 1 - fieldStart[f]);
    };
    position_ = std::string(field(0)) + ":" + std::string(field(1));
    const std::string_view alternative = field(4);
    if (alternative.empty())
      Fail("the ALT column is empty; \".\" stands for no alternative allele.");
    if (alternative == "." || alternative.find(',') != std::string_view::npos) {
      ++report_.skippedNotBiallelic;
      return false;
    }
    const std::string_view format = line.substr(fieldStart[8], at - 1 - fieldStart[8]);
    // Keys are names of letters, digits, "_" and "."; htslib reads other text as it can.
    const auto keyByte = [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == ':';
    };
    const bool emptyKey = format.empty() || format.front() == ':' || format.back() == ':' ||
                          format.find("::") != std::string_view::npos;
    if (emptyKey || !std::all_of(format.begin(), format.end(), keyByte))
      Fail("the FORMAT column \"" + std::string(format) + "\" holds more than names of keys.");
    int gtIndex = -1;
    int index = 0;
    for (std::size_t from = 0; from <= format.size(); ++index) {
      std::size_t colon = format.find(':', from);
      if (colon == std::string_view::npos) colon = format.size();
      if (format.substr(from, colon - from) == "GT") {
        gtIndex = index;
        break;
      }
      from = colon + 1;
    }
    if (gtIndex < 0) {
      ++report_.skippedWithoutGenotype;
      return false;
    }
    const std::size_t samples = codes_.size();
    const char* p = line.data() + at;
    const char* end = line.data() + line.size();
    for (std::size_t s = 0; s < samples; ++s) {
      if (p > end) {
        Fail("the line holds " + std::to_string(s) + " of the " + std::to_string(samples) +
             " samples' columns.");
      }
      const char* fieldEnd = static_cast<const char*>(std::memchr(p, '\t', end - p));
      if (fieldEnd == nullptr) fieldEnd = end;
      const char* gt = p;
      for (int skip = 0; skip < gtIndex && gt < fieldEnd; ++skip) {
        const char* colon = static_cast<const char*>(std::memchr(gt, ':', fieldEnd - gt));
        gt = colon == nullptr ? fieldEnd : colon + 1;
      }
      const char* gtEnd = static_cast<const char*>(std::memchr(gt, ':', fieldEnd - gt));
      if (gtEnd == nullptr) gtEnd = fieldEnd;
      codes_[s] = Genotype(std::string_view(gt, gtEnd - gt), s);
      p = fieldEnd + 1;
    }
    if (p <= end) {
      Fail("the line holds more columns than the " + std::to_string(samples) +
           " samples of the header.");
    }
    return true;
  }

  std::uint8_t Genotype(std::string_view text, std::size_t sample) {
    // The common diploid genotypes of a biallelic variant, without a loop.
    if (text.size() == 3 && (text[1] == '/' || text[1] == '|')) {
      const char a = text[0], b = text[2];
      if ((a == '0' || a == '1') && (b == '0' || b == '1')) {
        return GenotypeCode(kind_, (a == '1') + (b == '1'), false);
      }
    }
    int alternative = 0;
    bool unknown = text.empty();
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] == '.') {
        unknown = true;
        ++i;
      } else if (text[i] >= '0' && text[i] <= '9') {
        unsigned allele = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && allele < 1000) {
          allele = allele * 10 + static_cast<unsigned>(text[i++] - '0');
        }
        if (allele > 1) BadGenotype(text, sample, "names an allele the variant does not have");
        alternative += allele == 1;
      } else {
        BadGenotype(text, sample, "cannot be read");
      }
      if (i == text.size()) break;
      if (text[i] != '/' && text[i] != '|') BadGenotype(text, sample, "cannot be read");
      ++i;
      if (i == text.size()) BadGenotype(text, sample, "cannot be read");
    }
    return GenotypeCode(kind_, alternative, unknown);
  }

  [[noreturn]] void BadGenotype(std::string_view text, std::size_t sample, const char* what) {
    Fail("the genotype \"" + std::string(text) + "\" of sample \"" + vcf_.samples[sample] +
         "\" (variant at " + position_ + ") " + what + ".");
  }

  [[noreturn]] void Fail(const std::string& problem) {
    throw ReadFailure(ReadProblem::kNotAValue, InputPlace{path_, 0, HeaderLines(path_) + record_},
                      problem);
  }

  const std::string& path_;
  const OpenedVcf& vcf_;
  DataKind kind_;
  VcfReport& report_;
  std::vector<std::uint8_t> codes_;
  std::size_t record_ = 0;
  std::string position_;
};

// Every record through htslib's parser (BCF, and the plain version for VCF text).
DataSet ReadRecords(const std::string& path, OpenedVcf& vcf, DataKind kind, VcfReport& report,
                    GenotypeColumns& columns, Progress* progress) {
  std::unique_ptr<bcf1_t, RecordDestroyer> record(bcf_init());
  const std::size_t samples = vcf.samples.size();
  std::vector<std::uint8_t> codes(samples);
  GenotypeBuffer buffer;
  std::size_t number = 0;
  int result = 0;
  while ((result = bcf_read(vcf.file.get(), vcf.header.get(), record.get())) == 0) {
    ++number;
    if ((number & 1023) == 0) ReportProgress(vcf, progress);
    if (record->n_allele != 2) {
      ++report.skippedNotBiallelic;
      continue;
    }
    // htslib ends the whole process on genotypes stored as anything but allele numbers (a
    // header that declares GT otherwise), so such a record is refused before it is asked.
    const bcf_fmt_t* gt = bcf_get_fmt(vcf.header.get(), record.get(), "GT");
    if (gt != nullptr && gt->type != BCF_BT_INT8 && gt->type != BCF_BT_INT16 &&
        gt->type != BCF_BT_INT32) {
      throw ReadFailure(ReadProblem::kNotAValue, InputPlace{path},
                        "record " + std::to_string(number) +
                            ": its genotypes (GT) cannot be read as allele numbers (are the "
                            "FORMAT column and the header's GT line right?).");
    }
    const int values =
        bcf_get_genotypes(vcf.header.get(), record.get(), &buffer.values, &buffer.capacity);
    if (values <= 0) {
      ++report.skippedWithoutGenotype;
      continue;
    }
    const int ploidy = values / static_cast<int>(samples);
    for (std::size_t s = 0; s < samples; ++s) {
      const int32_t* alleles = buffer.values + s * ploidy;
      int alternative = 0;
      bool unknown = false;
      int present = 0;
      for (int j = 0; j < ploidy && alleles[j] != bcf_int32_vector_end; ++j, ++present) {
        if (bcf_gt_is_missing(alleles[j])) {
          unknown = true;
          continue;
        }
        const int allele = bcf_gt_allele(alleles[j]);
        if (allele > 1) {
          throw ReadFailure(ReadProblem::kNotAValue, InputPlace{path},
                            "record " + std::to_string(number) +
                                ": a genotype of "
                                "sample \"" +
                                vcf.samples[s] + "\" names an allele the variant does not have.");
        }
        alternative += allele == 1;
      }
      codes[s] = GenotypeCode(kind, alternative, unknown || present == 0);
    }
    columns.Add(codes.data());
  }
  if (result < -1) {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{path},
                      "record " + std::to_string(number + 1) +
                          ": the record cannot be read (the file is damaged or not valid VCF).");
  }
  return columns.Finish(vcf.samples);
}

void CheckVariants(const std::string& path, const DataSet& data, const VcfReport& report) {
  if (data.CharCount() != 0) return;
  throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{path},
                    "the file holds no biallelic variant with genotypes (" +
                        std::to_string(report.skippedNotBiallelic) +
                        " with other than two alleles, " +
                        std::to_string(report.skippedWithoutGenotype) + " without genotypes).");
}

}  // namespace

bool IsVcfFile(const std::string& path) {
  hts_set_log_level(HTS_LOG_OFF);
  htsFile* file = hts_open(path.c_str(), "r");
  if (file == nullptr) return false;
  const htsExactFormat format = hts_get_format(file)->format;
  hts_close(file);
  return format == vcf || format == bcf;
}

DataSet ReadVcf(const std::string& path, const VcfOptions& options, VcfReport& report,
                Progress* progress) {
  report = VcfReport();
  OpenedVcf vcf = Open(path, options.threads);
  GenotypeColumns columns(options.kind, vcf.samples.size(), options.memoryLimit);
  DataSet data;
  if (vcf.binaryFormat) {
    data = ReadRecords(path, vcf, options.kind, report, columns, progress);
  } else {
    VcfTextScanner scanner(path, vcf, options.kind, report);
    data = scanner.Read(columns, progress);
  }
  report.variants = data.CharCount();
  CheckVariants(path, data, report);
  return data;
}

DataSet ReadVcfThroughRecords(const std::string& path, const VcfOptions& options,
                              VcfReport& report) {
  report = VcfReport();
  OpenedVcf vcf = Open(path, options.threads);
  GenotypeColumns columns(options.kind, vcf.samples.size(), options.memoryLimit);
  DataSet data = ReadRecords(path, vcf, options.kind, report, columns, nullptr);
  report.variants = data.CharCount();
  CheckVariants(path, data, report);
  return data;
}

}  // namespace marbleset
