#include "shell/file_types.h"

#include <QStringList>

#include "dataset/output_file.h"
#include "formats/data_io.h"
#include "formats/data_writer.h"
#include "formats/format_registry.h"
#include "shell/phylip_names_output.h"

namespace marbleset::shell {

namespace {

QString Joined(const std::vector<marbleset::ListEntry>& entries) {
  QStringList texts;
  for (const marbleset::ListEntry& entry : entries) {
    texts << QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
  }
  return texts.join(";;");
}

}  // namespace

QString OpenFilter() {
  return Joined(marbleset::OpenEntries());
}

marbleset::FileFormat FormatOfOpenEntry(int entry, const std::string& path) {
  const std::vector<marbleset::ListEntry> entries = marbleset::OpenEntries();
  if (entry < 0 || static_cast<std::size_t>(entry) >= entries.size()) {
    return marbleset::FileFormat::kPhylip;
  }
  const marbleset::FileFormat format = entries[static_cast<std::size_t>(entry)].format;
  return format == marbleset::FileFormat::kUnknown ? marbleset::DetectFileFormat(path) : format;
}

QString SaveFilter() {
  return Joined(marbleset::SaveEntries());
}

SavedLayout SavedLayoutOf(int entry) {
  const std::vector<marbleset::ListEntry> entries = marbleset::SaveEntries();
  if (entry < 0 || static_cast<std::size_t>(entry) >= entries.size())
    return {marbleset::EntryOf(marbleset::FileFormat::kPhylip).writtenName, false};
  const marbleset::ListEntry& chosen = entries[static_cast<std::size_t>(entry)];
  return {marbleset::EntryOf(chosen.format).writtenName, chosen.variant};
}

void SaveDataAs(marbleset::DataSet& data, const std::string& path, int entry) {
  const std::vector<marbleset::ListEntry> entries = marbleset::SaveEntries();
  const bool known = entry >= 0 && static_cast<std::size_t>(entry) < entries.size();
  const marbleset::ListEntry chosen =
      known ? entries[static_cast<std::size_t>(entry)]
            : marbleset::ListEntry{{}, marbleset::FileFormat::kPhylip, false};
  if (chosen.variant) {
    // The data is in memory, so the save may replace the data file; the table may not, since
    // it would not hold the data.
    marbleset::RefuseDataFileAsOutput(marbleset::NameTablePath(path), data.fileName);
    const PhylipNamesOutput names(data, false);
    marbleset::WritePhylipData(data, path);
    names.WriteTable(path);
    return;
  }
  marbleset::OutputFile file(path);
  marbleset::WriteData(data, chosen.format, file.sink());
  file.Close();
}

}  // namespace marbleset::shell
