#include "formats/format_registry.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "dataset/errors.h"
#include "formats/csv_writer.h"
#include "formats/data_writer.h"
#include "formats/distance_file.h"
#include "formats/name_field.h"
#include "formats/nexus_reader.h"
#include "formats/nexus_writer.h"
#include "formats/ntsys_reader.h"
#include "formats/phylip_reader.h"
#include "formats/value_text.h"

namespace marbleset {

namespace {

constexpr std::string_view kPhylipAnyName = "Phylip files (*.*)";
constexpr std::string_view kAnyFile = "All files, layout found from the file (*)";
constexpr std::string_view kPhylipWithNames =
    "Phylip files, names for PHYLIP (10 characters) (*.phy)";

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t begin = line.find_first_not_of(" \t", at);
    if (begin == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t", begin);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(begin, end - begin));
    at = end;
  }
  return words;
}

bool IsWholeNumber(std::string_view word) {
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) word.remove_prefix(1);
  return !word.empty() &&
         std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool BeginsWith(std::string_view line, std::string_view lowerPrefix) {
  return Lower(TrimBlanks(line)).starts_with(lowerPrefix);
}

// A PHYLIP header: the OTU and character counts.
FirstLineSign PhylipSign(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  const bool counts = words.size() == 2 && IsWholeNumber(words[0]) && IsWholeNumber(words[1]);
  return counts ? FirstLineSign::kLikely : FirstLineSign::kNone;
}

// An NTSYS header: the matrix type, the row and column counts (one may carry L or B), the
// missing code.
FirstLineSign NtsysSign(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.size() < 3 || !IsWholeNumber(words[0]) || !IsWholeNumber(words[1])) {
    return FirstLineSign::kNone;
  }
  for (std::size_t w = 2; w < words.size(); ++w) {
    std::string_view word = words[w];
    if (!word.empty() && std::string_view("LlBb").find(word.back()) != std::string_view::npos) {
      word.remove_suffix(1);
    }
    if (!IsWholeNumber(word) && !ParseNumber(word).has_value()) return FirstLineSign::kNone;
  }
  return FirstLineSign::kLikely;
}

FirstLineSign TableSign(std::string_view line) {
  const bool split = line.find_first_of("\t;,") != std::string_view::npos;
  return split ? FirstLineSign::kLikely : FirstLineSign::kNone;
}

FirstLineSign NexusSign(std::string_view line) {
  return BeginsWith(line, "#nexus") ? FirstLineSign::kCertain : FirstLineSign::kNone;
}

FirstLineSign VcfSign(std::string_view line) {
  return BeginsWith(line, "##fileformat=vcf") ? FirstLineSign::kCertain : FirstLineSign::kNone;
}

DataSet StartData(const ReadOptions& options) {
  DataSet data;
  data.SetMemoryLimit(options.memoryLimit);
  return data;
}

DataSet ReadPhylip(DataSource& source, const ReadOptions& options, ReadNotes& notes) {
  ItemReader& in = source.Items();
  DataSet data = StartData(options);
  const ReadStatus status = options.kind == KindChoice::kQuantitative
                                ? ReadPhylipQuant(in, data, &notes.report)
                                : ReadPhylipBinary(in, data, &notes.report);
  if (status != ReadStatus::kOk) throw FindingFailure(status, in.name(), notes.report);
  data.multiSet = FurtherDataSetFollows(in);
  return data;
}

DataSet ReadNtsys(DataSource& source, const ReadOptions& options, ReadNotes& notes) {
  ItemReader& in = source.Items();
  DataSet data = StartData(options);
  const ReadStatus status = options.kind == KindChoice::kQuantitative
                                ? ReadNtsysQuant(in, data, &notes.report)
                                : ReadNtsysBinary(in, data, &notes.report);
  if (status != ReadStatus::kOk) throw FindingFailure(status, in.name(), notes.report);
  return data;
}

DataSet ReadTable(DataSource& source, const ReadOptions& options, ReadNotes&) {
  DelimitedOptions table = options.table;
  table.kind = options.kind;
  return ReadDelimitedText(source.RemainingText(), source.Name(), table, options.memoryLimit);
}

DataSet ReadNexus(DataSource& source, const ReadOptions& options, ReadNotes&) {
  return ReadNexusText(source.RemainingText(), source.Name(), options.kind, options.memoryLimit);
}

DataSet ReadVcfSource(DataSource& source, const ReadOptions& options, ReadNotes& notes) {
  // htslib reads the file itself, so it must be a file (or standard input) not yet read from.
  if (source.Path().empty() || !source.Unopened()) {
    throw ReadFailure(ReadProblem::kUnreadable, InputPlace{source.Name()},
                      "VCF and BCF data are read from a file or standard input only.");
  }
  VcfOptions vcf;
  vcf.kind =
      options.kind == KindChoice::kQuantitative ? DataKind::kQuantitative : DataKind::kBinary;
  vcf.threads = options.threads;
  vcf.memoryLimit = options.memoryLimit;
  return ReadVcf(source.Path(), vcf, notes.vcf, options.progress);
}

void WritePhylipDistances(const DistanceMatrix& matrix, TextSink& out) {
  AppendMatrixHeader(out, matrix.n);
  for (std::size_t i = 0; i < matrix.n; ++i) {
    AppendPhylipNameField(out, matrix.names[i]);
    for (std::size_t j = 0; j < matrix.n; ++j) AppendDistanceValue(out, matrix.At(i, j));
    out.EndLine();
  }
}

}  // namespace

const std::vector<FormatEntry>& Formats() {
  static const std::vector<FormatEntry> formats = {
      {.format = FileFormat::kPhylip,
       .name = "phylip",
       .writtenName = "phylip",
       .suffixes = {".phy", ".phylip"},
       .openEntry = "Phylip files (*.phy)",
       .saveEntry = "Phylip files(.phy) (*.phy)",
       .signOf = PhylipSign,
       .read = ReadPhylip,
       .writeData = WritePhylipData,
       .writeDistances = WritePhylipDistances,
       .readByItems = true},
      {.format = FileFormat::kNtsys,
       .name = "ntsys",
       .writtenName = "ntsys",
       .suffixes = {".nts", ".ntsys"},
       .openEntry = "NT-SYS files (*.nts)",
       .saveEntry = "NTsys files(.nts) (*.nts)",
       .signOf = NtsysSign,
       .read = ReadNtsys,
       .writeData = WriteNtsysData,
       .readByItems = true,
       .missingWritten = ""},
      {.format = FileFormat::kDelimited,
       .name = "table",
       .otherNames = {"csv", "tsv"},
       .writtenName = "csv",
       .suffixes = {".csv", ".tsv", ".txt", ".tab", ".rtab"},
       .openEntry = "Delimited tables (*.csv *.tsv *.txt *.Rtab)",
       .saveEntry = "CSV files(.csv) (*.csv)",
       .signOf = TableSign,
       .read = ReadTable,
       .writeData = WriteCsvData,
       .writeDistances = WriteCsvDistances,
       .missingWritten = "NA, ?, -, . or an empty cell"},
      {.format = FileFormat::kNexus,
       .name = "nexus",
       .writtenName = "nexus",
       .suffixes = {".nex", ".nxs", ".nexus"},
       .openEntry = "NEXUS files (*.nex *.nxs)",
       .saveEntry = "NEXUS files(.nex) (*.nex)",
       .signOf = NexusSign,
       .read = ReadNexus,
       .writeData = WriteNexusData,
       .writeDistances = WriteNexusDistances},
      {.format = FileFormat::kVcf,
       .name = "vcf",
       .otherNames = {"bcf"},
       .suffixes = {".vcf", ".vcf.gz", ".vcf.bgz", ".bcf"},
       .openEntry = "VCF/BCF files (*.vcf *.vcf.gz *.bcf)",
       .signOf = VcfSign,
       .read = ReadVcfSource,
       .missingWritten = "."},
      {.format = FileFormat::kSplits,
       .name = "splits",
       .writtenName = "splits",
       .saveEntry = "NEXUS split networks (*.nex)",
       // A split network's file is NEXUS too, never read as such: no sign of its own.
       .writeSplits = WriteSplitsNexus},
  };
  return formats;
}

const FormatEntry& EntryOf(FileFormat format) {
  const std::vector<FormatEntry>& formats = Formats();
  const auto found = std::find_if(formats.begin(), formats.end(),
                                  [format](const FormatEntry& e) { return e.format == format; });
  if (found == formats.end()) {
    throw Failure("No layout is registered for the format asked for.");
  }
  return *found;
}

std::vector<ListEntry> OpenEntries() {
  std::vector<ListEntry> entries;
  for (const FormatEntry& entry : Formats()) {
    if (entry.read == nullptr || entry.openEntry.empty()) continue;
    entries.push_back({entry.openEntry, entry.format});
    // PHYLIP files are often named without .phy (outfile, infile): an entry shows them all.
    if (entry.format == FileFormat::kPhylip)
      entries.push_back({kPhylipAnyName, entry.format, true});
  }
  entries.push_back({kAnyFile, FileFormat::kUnknown});
  return entries;
}

std::vector<ListEntry> SaveEntries() {
  std::vector<ListEntry> entries;
  for (const FormatEntry& entry : Formats()) {
    if (entry.writeData != nullptr && !entry.saveEntry.empty()) {
      entries.push_back({entry.saveEntry, entry.format});
    }
  }
  entries.push_back({kPhylipWithNames, FileFormat::kPhylip, true});
  return entries;
}

std::vector<std::string_view> ReadFormatNames() {
  std::vector<std::string_view> names;
  for (const FormatEntry& entry : Formats()) {
    if (entry.read == nullptr) continue;
    names.push_back(entry.name);
    names.insert(names.end(), entry.otherNames.begin(), entry.otherNames.end());
  }
  return names;
}

std::vector<std::string_view> WrittenDataFormatNames() {
  std::vector<std::string_view> names;
  for (const FormatEntry& entry : Formats()) {
    if (entry.writeData != nullptr) names.push_back(entry.writtenName);
  }
  return names;
}

void WriteSplits(const WeightedSplits& splits, FileFormat format, TextSink& out) {
  const FormatEntry& entry = EntryOf(format);
  if (entry.writeSplits == nullptr)
    throw Failure("Splits are not written as " + std::string(entry.name) + " files.");
  entry.writeSplits(splits, out);
}

std::vector<std::string_view> WrittenDistanceFormatNames() {
  std::vector<std::string_view> names;
  for (const FormatEntry& entry : Formats()) {
    if (entry.writeDistances != nullptr) names.push_back(entry.writtenName);
  }
  return names;
}

}  // namespace marbleset
