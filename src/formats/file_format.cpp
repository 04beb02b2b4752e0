#include "formats/file_format.h"

#include <cctype>
#include <fstream>
#include <string>

#include "dataset/platform.h"
#include "formats/format_registry.h"
#include "formats/value_text.h"
#include "formats/vcf_reader.h"

namespace marbleset {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
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

}  // namespace

FileFormat FormatFromExtension(std::string_view path) {
  const std::string lower = Lower(path);
  for (const FormatEntry& entry : Formats()) {
    for (std::string_view suffix : entry.suffixes) {
      if (lower.ends_with(suffix)) return entry.format;
    }
  }
  return FileFormat::kUnknown;
}

FileFormat FormatFromContent(std::string_view head) {
  const std::string_view line = FirstLine(head);
  FileFormat likely = FileFormat::kUnknown;
  for (const FormatEntry& entry : Formats()) {
    if (entry.signOf == nullptr) continue;
    const FirstLineSign sign = entry.signOf(line);
    if (sign == FirstLineSign::kCertain) return entry.format;
    if (sign == FirstLineSign::kLikely && likely == FileFormat::kUnknown) likely = entry.format;
  }
  return likely;
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
  const bool plainText = Lower(path).ends_with(".txt");
  if (byExtension != FileFormat::kUnknown && !plainText) return byExtension;
  if (byContent != FileFormat::kUnknown) return byContent;
  return byExtension;
}

std::string_view FileFormatName(FileFormat format) {
  if (format == FileFormat::kUnknown) return "unknown";
  return EntryOf(format).name;
}

std::optional<FileFormat> FileFormatFromName(std::string_view name) {
  const std::string lower = Lower(name);
  for (const FormatEntry& entry : Formats()) {
    if (lower == entry.name || lower == entry.writtenName) return entry.format;
    for (std::string_view other : entry.otherNames) {
      if (lower == other) return entry.format;
    }
  }
  return std::nullopt;
}

}  // namespace marbleset
