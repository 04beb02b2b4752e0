// The file-type lists of the Open and Save commands: which reader or writer each entry picks.
// The entry chosen decides the layout, never the extension of the name typed; only the entry
// for any file asks the file itself.
#pragma once

#include <QString>
#include <string>

#include "dataset/data_set.h"
#include "formats/file_format.h"

namespace marbleset::shell {

// The entries of both Open commands, in the list's order. The first three are the program's
// long-standing ones, at the positions users and tests know.
enum class OpenEntry { kPhylip, kPhylipAnyName, kNtsys, kTable, kNexus, kVcf, kDetected };
QString OpenFilter();
// The format the entry picks for path; for kDetected (and an entry the list does not have,
// the PHYLIP layout) the file's content and extension decide. kUnknown when nothing tells.
marbleset::FileFormat FormatOfOpenEntry(int entry, const std::string& path);

// The entries of "Save data as...", in the list's order.
enum class SaveEntry { kPhylip, kNtsys, kNexus, kCsv, kPhylipNames };
QString SaveFilter();
// Writes data to path in the entry's layout through an OutputFile, so the file is replaced
// only when complete. kPhylipNames writes the PHYLIP layout with names for PHYLIP and their
// table beside it. data is changed only while the file is written (its names, for the
// PHYLIP names) and is as it was afterwards. Throws WriteFailure.
void SaveDataAs(marbleset::DataSet& data, const std::string& path, int entry);

}  // namespace marbleset::shell
