// Every layout Marbleset reads or writes, registered once: its names, the suffixes of its files,
// its entries in the desktop's file-type lists, how its first line is known, and its reader and
// writers. The desktop's Open and Save lists, the command-line tool's --from, --to and --format
// choices and their help, the detection of a file's layout and ReadData and WriteData are all
// made from this list, so a layout is added here (with its reader and writers) and nowhere else.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/distance_matrix.h"
#include "dataset/text_sink.h"
#include "formats/data_source.h"
#include "formats/file_format.h"
#include "formats/read_options.h"
#include "formats/splits_nexus_writer.h"

namespace marbleset {

// What a file's first line says about a layout.
enum class FirstLineSign { kNone, kLikely, kCertain };

struct FormatEntry {
  FileFormat format = FileFormat::kUnknown;
  // Its name for the command-line tool and `info`, and further names --from accepts.
  std::string_view name{};
  std::vector<std::string_view> otherNames{};
  // Its name among the layouts written (--to, --format); empty when nothing is written in it.
  std::string_view writtenName{};
  // The endings of its files, lower case.
  std::vector<std::string_view> suffixes{};
  // Its entries in the desktop's Open and Save lists; empty where there is none.
  std::string_view openEntry{};
  std::string_view saveEntry{};
  // What the first line that is not blank says about it; null for a layout never told by it.
  FirstLineSign (*signOf)(std::string_view firstLine) = nullptr;
  // Reads the data set at the source's start (or, for layouts of several data sets, where its
  // items stand) into a fresh data set. Null for a layout that is only written.
  DataSet (*read)(DataSource& source, const ReadOptions& options, ReadNotes& notes) = nullptr;
  // Writers of data sets and of distance matrices; null when the layout holds none.
  void (*writeData)(const DataSet& data, TextSink& out) = nullptr;
  void (*writeDistances)(const DistanceMatrix& matrix, TextSink& out) = nullptr;
  // Writer of weighted splits, such as a network fitted to a distance matrix; null when the
  // layout holds none.
  void (*writeSplits)(const WeightedSplits& splits, TextSink& out) = nullptr;
  // Read item by item, so that a reader stops where a data set ends and leaves the rest of the
  // input to the next (PHYLIP, NTSYS); the other layouts are read whole.
  bool readByItems = false;
  // How its files write a missing value, as `info` tells it; empty where each file declares its
  // own code.
  std::string_view missingWritten = "?";
};

// Every layout, in the order the lists show them.
const std::vector<FormatEntry>& Formats();
const FormatEntry& EntryOf(FileFormat format);

// An entry of the desktop's Open or Save list. A variant is the PHYLIP layout for a file of any
// name (Open) or with names for PHYLIP and their table (Save); kUnknown (Open) lets the file's
// content decide.
struct ListEntry {
  std::string_view text;
  FileFormat format;
  bool variant = false;
};
// Every read layout (PHYLIP a second time for files of any name), then any file by its content.
std::vector<ListEntry> OpenEntries();
// Every layout data sets are written in, then PHYLIP with names for PHYLIP.
std::vector<ListEntry> SaveEntries();

// The choices of --from (without "auto"), --to and the distances' --format.
std::vector<std::string_view> ReadFormatNames();
std::vector<std::string_view> WrittenDataFormatNames();
std::vector<std::string_view> WrittenDistanceFormatNames();
// Writes the splits in the layout; Failure when it holds none.
void WriteSplits(const WeightedSplits& splits, FileFormat format, TextSink& out);

// The layout any of those names (case ignored) stands for.
std::optional<FileFormat> FormatNamed(std::string_view name);

}  // namespace marbleset
