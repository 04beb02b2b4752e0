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
#include <string_view>
#include <vector>

#include "dataset/data_set.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"
#include "dataset/tree.h"
#include "trees/consensus.h"
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
// progress asks to stop (checked between replicates). resumed: the trees of replicates
// 1 .. resumed.size() from an earlier run of the same settings (see CheckResumedTrees); they
// are counted as they are and the run computes the replicates after them, whose trees go to
// outputs.replicateTrees after the earlier ones there.
SupportResult RunSupport(const DataSet& data, const TreeSettings& settings, Progress& progress,
                         const SupportOutputs& outputs = {}, const std::vector<Tree>& resumed = {});

// A part of a run's replicates: first .. first + count - 1, counted from 0.
struct ReplicateRange {
  std::size_t first = 0;
  std::size_t count = 0;
};

// Computes only the replicates of range (of settings.replicates, whose seeds they keep) and
// appends to out the tree of each that gives one, in replicate order, one Newick line each:
// the lines the whole run writes for them. out is flushed after every tree, so a run that is
// stopped leaves whole trees. Returns the replicates that gave no tree. Throws as RunSupport.
std::size_t WriteReplicateTrees(const DataSet& data, const TreeSettings& settings,
                                ReplicateRange range, TextSink& out, Progress& progress);

// The trees of a replicate-trees file (one or many files, in order) read back with their
// leaves matched to data's OTUs by name. Throws ReadFailure naming source for text that is
// not Newick, a leaf that is no OTU of the data, and a tree that does not hold every OTU.
std::vector<Tree> ReadReplicateTrees(std::string_view text, const DataSet& data,
                                     const std::string& source);

// The support run's result from replicate trees computed elsewhere (pieces of one run): the
// data's tree by settings' method and distance, each branch labelled with the share of trees
// holding its split, and their consensus. With the trees of every replicate of a run, in
// replicate order, this is what RunSupport gives. Throws Failure when there are no trees.
SupportResult SupportFromTrees(const DataSet& data, const TreeSettings& settings,
                               const std::vector<Tree>& trees);

// Whether the trees read back from a run's replicate-trees file belong to these settings:
// the last one must be the tree replicate first + trees.size() - 1 gives (a replicate before it
// that gave no tree, another seed or other data all shift or change it). Throws Failure
// naming source when it does not.
void CheckResumedTrees(const DataSet& data, const TreeSettings& settings, std::size_t first,
                       const std::vector<Tree>& trees, const std::string& source);

// The message a front end shows about failed replicates ("3 of 100 replicates gave no tree:
// ..."), or empty when every replicate gave one.
std::string FailedReplicatesText(const SupportResult& result);

}  // namespace marbleset
