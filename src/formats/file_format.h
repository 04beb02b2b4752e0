// The layout of a data file, from its extension and its content (the CLI's "--from auto" and
// the desktop's entry for any file), by what the format registry says of each layout.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marbleset {

// kSplits: a split network's NEXUS file, only written.
enum class FileFormat { kUnknown, kPhylip, kNtsys, kDelimited, kNexus, kVcf, kSplits };

// By the extension alone: the layout one of whose suffixes path ends in (case ignored).
FileFormat FormatFromExtension(std::string_view path);

// By the first bytes of a text file: the layout its first line that is not blank makes certain
// ("#NEXUS", "##fileformat=VCF"), else the first in the registry it makes likely (two whole
// numbers: PHYLIP; three or more numbers: NTSYS; tabs, semicolons or commas: a table).
FileFormat FormatFromContent(std::string_view head);

// The file's format: content that is certain (NEXUS, VCF, BCF and compressed VCF, read through
// htslib), then the extension (a .txt is looked into first), then the content's weaker signs.
// kUnknown when nothing tells, or when the file cannot be opened (the read then says why).
FileFormat DetectFileFormat(const std::string& path);

// The name the CLI's --from and `info` use for the layout: "phylip", "ntsys", "table", ...
std::string_view FileFormatName(FileFormat format);
// The layout any of its names stands for ("csv" and "tsv" name the table, "bcf" VCF, case
// ignored); nothing for others.
std::optional<FileFormat> FileFormatFromName(std::string_view name);

}  // namespace marbleset
