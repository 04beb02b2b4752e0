// The file-type lists of the Open and Save commands, made from the format registry: which
// reader or writer each entry picks. The entry chosen decides the layout, never the extension of
// the name typed; only the entry for any file asks the file itself.
#pragma once

#include <QString>
#include <string>

#include "dataset/data_set.h"
#include "formats/file_format.h"

namespace marbleset::shell {

// The entries of both Open commands.
QString OpenFilter();
// The format the entry at index entry of that list picks for path; for the entry of any file
// the file's content and extension decide (kUnknown when nothing tells). An index the list does
// not have, as a platform dialog may report, picks the PHYLIP layout.
marbleset::FileFormat FormatOfOpenEntry(int entry, const std::string& path);

// The entries of "Save data as...".
QString SaveFilter();
// Writes data to path in the layout of the entry at index entry through an OutputFile, so the
// file is replaced only when complete. The entry with names for PHYLIP writes the PHYLIP layout
// with those names and their table beside it. data is changed only while the file is written
// (its names, for the PHYLIP names) and is as it was afterwards. Throws WriteFailure.
void SaveDataAs(marbleset::DataSet& data, const std::string& path, int entry);

// What the entry at index entry of that list writes: the layout's name for the command-line
// tool's --to, and whether with names for PHYLIP.
struct SavedLayout {
  std::string_view name;
  bool phylipNames = false;
};
SavedLayout SavedLayoutOf(int entry);

}  // namespace marbleset::shell
