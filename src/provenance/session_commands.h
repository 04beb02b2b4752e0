// A desktop session as marbleset-cli command lines: every action that changes the data or
// writes a file, made from the same typed settings the desktop hands to the core, so a recorded
// line names the options the CLI parses. The data in memory after a crop is the CLI's cropped
// file in a folder of the script's own; paths inside the first data file's folder are written
// relative to it, so the script replays in a copy of that folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "distances/distance_settings.h"
#include "editing/screening.h"
#include "formats/delimited_reader.h"
#include "formats/file_format.h"
#include "provenance/methods_text.h"
#include "resampling/generator_settings.h"
#include "trees/tree_settings.h"

namespace marbleset {

// A data file as the desktop read it: the path chosen, the kind asked for, the layout the
// chosen entry of the file list picked and, for tables, the import dialog's choices.
struct SessionInput {
  std::string path;
  DataKind kind = DataKind::kBinary;
  FileFormat format = FileFormat::kPhylip;
  DelimitedOptions table;
  bool inWorkFolder = false;  // a cropped data set the script keeps in its own folder
};

enum class TreeRooting { kAsBuilt, kMidpoint, kOnOtu };

// The tree a tree window shows: the data's tree or the consensus, rooted and drawn as chosen.
struct ShownTree {
  bool consensus = false;
  bool cladogram = false;
  TreeRooting rooting = TreeRooting::kAsBuilt;
  std::size_t otu = 0;  // kOnOtu: the OTU's row, from 0
};

// The matrix behind a distance picture: the loaded data's under settings, or a distance file.
struct PictureMatrix {
  std::optional<DistanceSettings> settings;
  std::string distanceFile;
};

enum class PictureKind { kHeatMap, kPcoa };

// One command line: its arguments after the program's name; a path in the script's own folder
// is marked so the script expands it.
struct SessionArgument {
  std::string text;
  bool inWorkFolder = false;
};
struct SessionLine {
  std::vector<SessionArgument> arguments;
  bool discardStandardOutput = false;  // the command also writes a tree nobody asked for there
};

// The generator's subcommand: "bootstraps", "permutations", "genstraps", "resample",
// "missstraps" or "noise".
std::string_view GeneratorCommandName(Generator generator);

// "ab'c" as 'ab'\''c': one word for a POSIX shell whatever it holds.
std::string ShellQuoted(std::string_view text);

class SessionCommands {
 public:
  // The data now loaded: the commands after this one read it.
  void Opened(const SessionInput& input);
  void Cropped(const CropChoice& choice);
  // layout: the written layout's name (phylip, ntsys, csv, nexus).
  void Saved(const std::string& path, std::string_view layout, bool phylipNames);
  // layout: "phylip", "nexus" or "csv".
  void DistancesWritten(const DistanceSettings& settings, std::string_view layout, bool phylipNames,
                        const std::string& path);
  // skippedDraws: the draws the desktop's one random source had made since program start from
  // seed, before this run.
  void Generated(const GeneratorSettings& settings, std::uint64_t seed, std::uint64_t skippedDraws,
                 bool phylipNames, const std::string& path);
  // A tree run; input is the data it read (a tree window keeps it for its exports).
  void TreeBuilt(const SessionInput& input, const TreeSettings& settings);
  // picture: the tree drawn (SVG, or PNG by the name's ending) rather than its Newick text.
  void TreeExported(const SessionInput& input, const TreeSettings& settings, const ShownTree& shown,
                    bool picture, const std::string& path);
  // svg: the format chosen; a PNG is drawn at twice the scene's size.
  void PictureExported(const SessionInput& input, PictureKind kind, const PictureMatrix& matrix,
                       std::size_t groupPrefix, const std::string& groupFile, bool svg,
                       const std::string& path);

  // The matrix picture of the data now loaded: at a zoom of pixelsPerCell (or, above 1,
  // cellsPerPixel) or, without one, the whole matrix fitted.
  void MatrixPictureExported(std::optional<std::pair<std::size_t, std::size_t>> zoom, bool svg,
                             const std::string& path);
  // An AMOVA of a distance file with the populations of its OTUs (and their regions, or empty),
  // and a Mantel test of two distance files; both with the default permutations and seed.
  void AmovaRun(const std::string& matrix, const std::string& groups, const std::string& regions);
  void MantelRun(const std::string& first, const std::string& second, bool spearman);
  // A split network of a distance file.
  void NetworkRun(const std::string& matrix);

  // The data the next command reads, and what was screened out of it since it was opened.
  const SessionInput& Input() const { return input_; }
  const std::vector<std::string>& Screening() const { return screening_; }
  // Files the session read: a script must never be written over one.
  const std::vector<std::string>& DataFiles() const { return dataFiles_; }
  const std::vector<SessionLine>& Lines() const { return lines_; }
  // A POSIX sh script of every line, stopping at the first that fails.
  std::string Script() const;

 private:
  std::vector<SessionArgument> InputArguments(const SessionInput& input) const;
  SessionArgument Path(const std::string& path) const;
  void Add(std::vector<SessionArgument> arguments, bool discardStandardOutput = false);

  SessionInput input_;
  std::string folder_;  // of the first data file: the script's working folder
  std::vector<std::string> screening_;
  std::vector<std::string> dataFiles_;
  std::vector<SessionLine> lines_;
  std::size_t workFiles_ = 0;  // files the script keeps in its own folder
};

// The facts of the data now in memory for a methods paragraph: its counts and missing share,
// with the file's name and digest as given.
DataFacts FactsOfData(const DataSet& data, const std::string& name,
                      const std::optional<std::string>& sha256);
// facts (of the data) with a supported-tree run's method, distance, replicates and seed, as the
// tree command names them.
MethodsFacts TreeRunFacts(MethodsFacts facts, const TreeSettings& settings);
// facts with an analysis of distance files (named as given, with their digests) and its
// permutations: "amova", "mantel pearson" or "mantel spearman".
MethodsFacts DistanceAnalysisFacts(MethodsFacts facts, const std::string& analysis,
                                   const std::vector<std::string>& files, std::size_t permutations,
                                   std::uint64_t seed);

}  // namespace marbleset
