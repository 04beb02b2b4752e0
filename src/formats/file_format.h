// The layout of a data file, from its extension and its content (the CLI's "--from auto" and
// the desktop's filter lists).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marbleset {

enum class FileFormat { kUnknown, kPhylip, kNtsys, kDelimited, kNexus, kVcf };

// By the extension alone: .phy .phylip → PHYLIP; .nts .ntsys → NTSYS; .csv .tsv .txt .tab
// .rtab → delimited table; .nex .nxs .nexus → NEXUS; .vcf .vcf.gz .vcf.bgz .bcf → VCF (case
// ignored).
FileFormat FormatFromExtension(std::string_view path);

// By the first bytes of a text file: "#NEXUS" and "##fileformat=VCF" are certain; a first line
// of two whole numbers is a PHYLIP header, of three or more numbers (one may carry NTSYS's
// L or B) an NTSYS header; a first line split by tabs, semicolons or commas a table.
FileFormat FormatFromContent(std::string_view head);

// The file's format: content that is certain (NEXUS, VCF, BCF and compressed VCF, read through
// htslib), then the extension (a .txt is looked into first), then the content's weaker signs.
// kUnknown when nothing tells, or when the file cannot be opened (the read then says why).
FileFormat DetectFileFormat(const std::string& path);

// The names the CLI's --from and --to use: "phylip", "ntsys", "table", "nexus", "vcf".
std::string_view FileFormatName(FileFormat format);
// The format of such a name ("csv" and "tsv" name the table, "bcf" VCF); nothing for others.
std::optional<FileFormat> FileFormatFromName(std::string_view name);

}  // namespace marbleset
