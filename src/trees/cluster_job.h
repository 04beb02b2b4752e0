// The two files of a cluster job for a data set and the settings of a supported-tree run: a
// Snakefile and a Slurm array script (the examples of examples/cluster with their settings
// filled in), which compute the distance matrix in pieces and the tree in ranges of replicates
// and merge them into the files one marbleset-cli run writes.
#pragma once

#include <cstddef>
#include <string>

#include "dataset/data_set.h"
#include "trees/tree_settings.h"

namespace marbleset {

struct ClusterJobSettings {
  std::string dataFile;  // the data file's name, as the job finds it in its folder
  DataKind kind = DataKind::kBinary;
  TreeSettings tree;
  std::size_t pieces = 4;  // of the distance matrix
  std::size_t ranges = 4;  // of the replicates
};

struct ClusterJob {
  std::string snakefile;
  std::string slurmScript;
};

ClusterJob MakeClusterJob(const ClusterJobSettings& settings);

// The two files, "Snakefile" and "slurm-array.sh", into folder, each replaced only when
// complete. Throws WriteFailure naming the file that cannot be written.
void WriteClusterJob(const ClusterJob& job, const std::string& folder);

}  // namespace marbleset
