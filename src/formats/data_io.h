// The one way data sets are read and written in any registered layout, for the desktop's Open
// and Save commands and for the command-line tool alike.
#pragma once

#include <string>

#include "dataset/data_set.h"
#include "dataset/distance_matrix.h"
#include "dataset/text_sink.h"
#include "formats/data_source.h"
#include "formats/file_format.h"
#include "formats/read_options.h"

namespace marbleset {

// Reads the data set at source in format into a fresh data set, whose fileName is the file's
// full path ("-" for standard input, the name for text) and folder its folder; a caller swaps
// it in only when the read succeeded, so a failed read changes nothing loaded. After a PHYLIP
// read, source's items stand at the next data set (multiSet tells whether one follows). Throws
// ReadFailure (a PHYLIP or NTSYS finding as its kind), MemoryFailure and RunCancelled.
DataSet ReadData(DataSource& source, FileFormat format, const ReadOptions& options,
                 ReadNotes* notes = nullptr);

// ReadData of the file at path ("-": standard input) read as kind, swapped into loaded (whose
// memory limit it keeps) only when the read succeeds; loaded is otherwise as it was.
void LoadDataFile(DataSet& loaded, const std::string& path, DataKind kind, FileFormat format,
                  ReadNotes* notes = nullptr);

// Writes data (or a distance matrix) in format. Throws Failure for a layout that holds no data
// sets (or matrices) and WriteFailure as the writers do.
void WriteData(const DataSet& data, FileFormat format, TextSink& out);
void WriteDistances(const DistanceMatrix& matrix, FileFormat format, TextSink& out);

// The folder of a full path, without the trailing separator; empty when there is none.
std::string FolderOf(const std::string& path);
// A full path's own name, without its folder.
std::string FileNameOf(const std::string& path);

}  // namespace marbleset
