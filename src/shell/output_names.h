// The output files the run dialog proposes.
#pragma once

#include <QString>

namespace marbleset::shell {

enum class RunMode;

// The mode's default output: the data folder, the platform's separator, the data file's own
// name less its extension part ("ab12.phy" less 3 characters for distances, less 4 for the
// generators) and the mode's ending. A name shorter than the cut is kept whole.
QString ProposedOutputFile(RunMode mode, const QString& dataDir, const QString& dataFileTitle);

// The file PHYLIP's programs read by default, in the PHYLIP folder; a folder given with a
// trailing separator does not get a second one.
QString PhylipInfile(const QString& phylipDir);

}  // namespace marbleset::shell
