#include "formats/file_format.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <vector>

#include "dataset/platform.h"
#include "formats/value_text.h"
#include "formats/vcf_reader.h"

namespace marbleset {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string_view FirstLine(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty()) {
    const std::size_t end = head.find_first_of("\r\n");
    const std::string_view line = head.substr(0, end);
    if (!TrimBlanks(line).empty()) return line;
    if (end == std::string_view::npos) break;
    head.remove_prefix(end + 1);
  }
  return "";
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

}  // namespace

FileFormat FormatFromExtension(std::string_view path) {
  const std::string lower = Lower(path);
  for (std::string_view suffix : {".vcf", ".vcf.gz", ".vcf.bgz", ".bcf"}) {
    if (EndsWith(lower, suffix)) return FileFormat::kVcf;
  }
  for (std::string_view suffix : {".nex", ".nxs", ".nexus"}) {
    if (EndsWith(lower, suffix)) return FileFormat::kNexus;
  }
  for (std::string_view suffix : {".csv", ".tsv", ".txt", ".tab", ".rtab"}) {
    if (EndsWith(lower, suffix)) return FileFormat::kDelimited;
  }
  for (std::string_view suffix : {".phy", ".phylip"}) {
    if (EndsWith(lower, suffix)) return FileFormat::kPhylip;
  }
  for (std::string_view suffix : {".nts", ".ntsys"}) {
    if (EndsWith(lower, suffix)) return FileFormat::kNtsys;
  }
  return FileFormat::kUnknown;
}

FileFormat FormatFromContent(std::string_view head) {
  const std::string_view line = FirstLine(head);
  const std::string lower = Lower(TrimBlanks(line));
  if (lower.rfind("#nexus", 0) == 0) return FileFormat::kNexus;
  if (lower.rfind("##fileformat=vcf", 0) == 0) return FileFormat::kVcf;
  const std::vector<std::string_view> words = Words(line);
  if (words.size() == 2 && IsWholeNumber(words[0]) && IsWholeNumber(words[1])) {
    return FileFormat::kPhylip;
  }
  if (words.size() >= 3 && IsWholeNumber(words[0]) && IsWholeNumber(words[1])) {
    bool numbers = true;
    for (std::size_t w = 2; w < words.size(); ++w) {
      std::string_view word = words[w];
      if (!word.empty() && std::string_view("LlBb").find(word.back()) != std::string_view::npos) {
        word.remove_suffix(1);
      }
      numbers = numbers && (IsWholeNumber(word) || ParseNumber(word).has_value());
    }
    if (numbers) return FileFormat::kNtsys;
  }
  if (line.find_first_of("\t;,") != std::string_view::npos) return FileFormat::kDelimited;
  return FileFormat::kUnknown;
}

FileFormat DetectFileFormat(const std::string& path) {
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) return FileFormat::kUnknown;
  std::string head(65536, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const bool compressedOrBinary = head.rfind("\x1f\x8b", 0) == 0 || head.rfind("BCF", 0) == 0;
  if (compressedOrBinary) return IsVcfFile(path) ? FileFormat::kVcf : FileFormat::kUnknown;
  const FileFormat byContent = FormatFromContent(head);
  if (byContent == FileFormat::kNexus || byContent == FileFormat::kVcf) return byContent;
  const FileFormat byExtension = FormatFromExtension(path);
  const bool plainText = EndsWith(Lower(path), ".txt");
  if (byExtension != FileFormat::kUnknown && !plainText) return byExtension;
  if (byContent != FileFormat::kUnknown) return byContent;
  return byExtension;
}

std::string_view FileFormatName(FileFormat format) {
  switch (format) {
    case FileFormat::kPhylip:
      return "phylip";
    case FileFormat::kNtsys:
      return "ntsys";
    case FileFormat::kDelimited:
      return "table";
    case FileFormat::kNexus:
      return "nexus";
    case FileFormat::kVcf:
      return "vcf";
    case FileFormat::kUnknown:
      break;
  }
  return "unknown";
}

std::optional<FileFormat> FileFormatFromName(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "phylip") return FileFormat::kPhylip;
  if (lower == "ntsys") return FileFormat::kNtsys;
  if (lower == "table" || lower == "csv" || lower == "tsv") return FileFormat::kDelimited;
  if (lower == "nexus") return FileFormat::kNexus;
  if (lower == "vcf" || lower == "bcf") return FileFormat::kVcf;
  return std::nullopt;
}

}  // namespace marbleset
