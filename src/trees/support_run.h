// Support by resampling, in memory: the tree of the data, then one tree per replicate data set
// (bootstrap, classic bootstrap or jackknife of the characters), each from its own distance
// matrix, never written to disk as data sets. The branches of the data's tree get the share of
// replicate trees holding their splits, and the replicate trees give the majority-rule
// consensus. Replicates run on all cores; each draws from its own seed (ReplicateSeed), and
// their trees are counted and written in replicate order, so the results are the same for any
// number of threads.
#pragma once

#include <cstddef>
#include <string>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "trees/consensus.h"
#include "dataset/tree.h"
#include "trees/tree_settings.h"

namespace marbleset {

// Where the optional outputs go; null: not written.
struct SupportOutputs {
  // One Newick line per replicate tree, in replicate order (what consense reads).
  TextSink* replicateTrees = nullptr;
  // Each replicate's distance matrix in PHYLIP's square layout, one after another.
  TextSink* matrices = nullptr;
};

struct SupportResult {
  // The data's own tree; each inner branch's support is the percentage of replicate trees
  // holding its split.
  Tree reference;
  Consensus consensus;
  std::size_t replicates = 0;  // asked for
  std::size_t treesBuilt = 0;  // replicates that gave a tree: the support's denominator
  // Replicates whose matrix has a cell without value (a correlation without denominator):
  // they give no tree and are left out of the denominator; the first one's reason is kept.
  std::size_t failedReplicates = 0;
  std::string firstFailure;
};

// Throws Failure for settings CheckTreeSettings refuses, WriteFailure when the data's own
// matrix or every replicate's has a cell without value, MemoryFailure, and RunCancelled when
// progress asks to stop (checked between replicates).
SupportResult RunSupport(const DataSet& data, const TreeSettings& settings, Progress& progress,
                         const SupportOutputs& outputs = {});

// The message a front end shows about failed replicates ("3 of 100 replicates gave no tree:
// ..."), or empty when every replicate gave one.
std::string FailedReplicatesText(const SupportResult& result);

}  // namespace marbleset
