#include "trees/support_run.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <sstream>
#include <vector>

#include "dataset/errors.h"
#include "dataset/worker_pool.h"
#include "distances/distance_run.h"
#include "formats/distance_file.h"
#include "formats/name_field.h"
#include "formats/newick_reader.h"
#include "formats/newick_writer.h"
#include "resampling/column_picks.h"
#include "resampling/uniform_source.h"
#include "trees/neighbor_joining.h"
#include "trees/splits.h"

namespace marbleset {

namespace {

// What one replicate hands to the thread that counts and writes, in replicate order.
struct ReplicateOutcome {
  bool ready = false;
  std::vector<Split> splits;
  std::string treeText;
  std::string matrixText;
  std::string failure;  // the matrix had a cell without value
  std::exception_ptr error;
};

void DrawPicks(const TreeSettings& settings, std::size_t characters, std::size_t replicate,
               ColumnPicks& picks) {
  UniformSource source(ReplicateSeed(settings.seed, replicate));
  switch (settings.resampling) {
    case Resampling::kBootstrap:
      DrawBootstrapPicks(characters, settings.percent, source, picks);
      break;
    case Resampling::kClassic:
      DrawClassicBootstrapPicks(characters, source, picks);
      break;
    case Resampling::kJackknife:
      DrawJackknifePicks(characters, source, picks);
      break;
  }
}

std::string MatrixText(const DataSet& data, const DistanceMatrix& matrix) {
  std::ostringstream text;
  {
    TextSink out(text);
    AppendMatrixHeader(out, matrix.n);
    for (std::size_t i = 0; i < matrix.n; ++i) {
      AppendPhylipNameField(out, data.otuNames[i]);
      for (std::size_t j = 0; j < matrix.n; ++j) AppendDistanceValue(out, matrix.At(i, j));
      out.EndLine();
    }
    out.Flush();
  }
  return std::move(text).str();
}

void ComputeReplicate(const DataSet& data, const TreeSettings& settings, std::size_t replicate,
                      bool wantTree, bool wantMatrix, ColumnPicks& picks,
                      ReplicateOutcome& outcome) {
  DrawPicks(settings, data.CharCount(), replicate, picks);
  const DataSet picked = PickColumns(data, picks);
  NoProgress none;
  DistanceMatrix matrix;
  try {
    // One thread per replicate: the replicates themselves fill the cores.
    matrix = ComputeDistanceMatrix(picked, settings.distance, none, 1);
  } catch (const WriteFailure& failure) {
    outcome.failure = failure.what();
    return;
  }
  const Tree tree = BuildTree(matrix, settings.method);
  outcome.splits = TreeSplits(tree, data.OtuCount());
  if (wantTree) outcome.treeText = NewickText(tree);
  if (wantMatrix) outcome.matrixText = MatrixText(picked, matrix);
}

// Runs the replicates as tasks on the worker pool; the calling thread takes their outcomes in
// order. At most `window` replicates are under way or waiting, so memory stays bounded however
// many replicates there are.
class ReplicateRun {
 public:
  ReplicateRun(const DataSet& data, const TreeSettings& settings, ReplicateRange range,
               bool wantTrees, bool wantMatrices)
      : data_(data),
        settings_(settings),
        end_(range.first + range.count),
        wantTrees_(wantTrees),
        wantMatrices_(wantMatrices),
        window_(4 * WorkerCount(settings.threads) + 4),
        slots_(window_) {
    for (std::size_t r = range.first; r < std::min(range.first + window_, end_); ++r) Start(r);
  }

  // The outcome of replicate r (the range's replicates in turn); null when the run was cancelled.
  // While it waits, the calling thread computes replicates no worker has started.
  ReplicateOutcome* Take(std::size_t r, const Progress& progress) {
    ReplicateOutcome& slot = slots_[r % window_];
    for (;;) {
      if (progress.CancelRequested()) return nullptr;
      {
        std::unique_lock lock(mutex_);
        if (slot.ready) return &slot;
      }
      if (tasks_.RunOnePending()) continue;
      std::unique_lock lock(mutex_);
      ready_.wait_for(lock, std::chrono::milliseconds(50), [&] { return slot.ready; });
    }
  }

  // Frees replicate r's place for a later one.
  void Release(std::size_t r) {
    {
      std::lock_guard lock(mutex_);
      slots_[r % window_] = ReplicateOutcome{};
    }
    if (r + window_ < end_) Start(r + window_);
  }

 private:
  void Start(std::size_t r) {
    tasks_.Run([this, r] {
      ReplicateOutcome outcome;
      try {
        ColumnPicks picks;
        ComputeReplicate(data_, settings_, r, wantTrees_, wantMatrices_, picks, outcome);
      } catch (...) {
        outcome.error = std::current_exception();
      }
      outcome.ready = true;
      {
        std::lock_guard lock(mutex_);
        slots_[r % window_] = std::move(outcome);
      }
      ready_.notify_all();
    });
  }

  const DataSet& data_;
  const TreeSettings& settings_;
  std::size_t end_;  // one past the last replicate of the run's range
  bool wantTrees_;
  bool wantMatrices_;
  std::size_t window_;
  std::vector<ReplicateOutcome> slots_;
  std::mutex mutex_;
  std::condition_variable ready_;
  TaskGroup tasks_;  // last: its tasks are dropped or finished before the slots go
};

// Every replicate of range in order: take(r, outcome) gets each one's outcome as it comes.
template <typename Take>
void RunReplicates(const DataSet& data, const TreeSettings& settings, ReplicateRange range,
                   bool wantTrees, bool wantMatrices, Progress& progress, Take take) {
  ReplicateRun run(data, settings, range, wantTrees, wantMatrices);
  for (std::size_t k = 0; k < range.count; ++k) {
    const std::size_t r = range.first + k;
    ReplicateOutcome* outcome = run.Take(r, progress);
    if (outcome == nullptr) throw RunCancelled();
    if (outcome->error) std::rethrow_exception(outcome->error);
    take(r, *outcome);
    run.Release(r);
    progress.Advance(100.0 * static_cast<double>(k + 1) / static_cast<double>(range.count));
  }
}

DistanceMatrix DataMatrix(const DataSet& data, const TreeSettings& settings) {
  NoProgress none;
  return ComputeDistanceMatrix(data, settings.distance, none, settings.threads);
}

void Finish(SupportResult& result, const SplitCounts& counts,
            const std::vector<std::string>& names) {
  if (result.treesBuilt == 0)
    throw WriteFailure("No replicate gave a distance matrix; " + result.firstFailure);
  SetSupport(result.reference, counts);
  result.consensus = MajorityRuleConsensus(counts, names);
}

}  // namespace

SupportResult RunSupport(const DataSet& data, const TreeSettings& settings, Progress& progress,
                         const SupportOutputs& outputs, const std::vector<Tree>& resumed) {
  CheckTreeSettings(settings, data);
  progress.Start("Building trees");
  SupportResult result;
  result.replicates = settings.replicates;
  const DistanceMatrix matrix = DataMatrix(data, settings);
  result.reference = BuildTree(matrix, settings.method);
  ThrowIfCancelled(progress);

  SplitCounts counts(data.OtuCount());
  for (const Tree& tree : resumed) counts.AddTree(tree);
  result.treesBuilt = resumed.size();
  const std::size_t first = std::min(resumed.size(), settings.replicates);
  RunReplicates(
      data, settings, {first, settings.replicates - first}, outputs.replicateTrees != nullptr,
      outputs.matrices != nullptr, progress, [&](std::size_t r, ReplicateOutcome& outcome) {
        if (!outcome.failure.empty()) {
          if (result.failedReplicates++ == 0)
            result.firstFailure = "replicate " + std::to_string(r + 1) + ": " + outcome.failure;
          return;
        }
        counts.AddSplits(outcome.splits);
        ++result.treesBuilt;
        if (outputs.replicateTrees) {
          outputs.replicateTrees->Append(outcome.treeText);
          outputs.replicateTrees->EndLine();
          // Whole trees reach the file as they come, so a stopped run can resume.
          outputs.replicateTrees->Flush();
        }
        if (outputs.matrices) outputs.matrices->Append(outcome.matrixText);
      });
  Finish(result, counts, matrix.names);
  return result;
}

std::size_t WriteReplicateTrees(const DataSet& data, const TreeSettings& settings,
                                ReplicateRange range, TextSink& out, Progress& progress) {
  CheckTreeSettings(settings, data);
  if (range.count == 0 || range.first + range.count > settings.replicates)
    throw Failure("The replicates " + std::to_string(range.first + 1) + " to " +
                  std::to_string(range.first + range.count) + " are not among the run's " +
                  std::to_string(settings.replicates) + ".");
  progress.Start("Building trees");
  std::size_t failed = 0;
  RunReplicates(data, settings, range, true, false, progress,
                [&](std::size_t, ReplicateOutcome& outcome) {
                  if (!outcome.failure.empty()) {
                    ++failed;
                    return;
                  }
                  out.Append(outcome.treeText);
                  out.EndLine();
                  out.Flush();
                });
  return failed;
}

std::vector<Tree> ReadReplicateTrees(std::string_view text, const DataSet& data,
                                     const std::string& source) {
  NewickNames names;
  for (const std::string& field : data.otuNames) names.names.push_back(TrimmedName(field));
  names.fixed = true;
  std::vector<Tree> trees = ReadNewick(text, names, source);
  for (std::size_t t = 0; t < trees.size(); ++t)
    if (trees[t].LeafCount() != data.OtuCount())
      throw ReadFailure(ReadProblem::kUnknownName, InputPlace{source},
                        "tree " + std::to_string(t + 1) + " holds " +
                            std::to_string(trees[t].LeafCount()) + " of the data's " +
                            std::to_string(data.OtuCount()) + " OTUs.");
  return trees;
}

SupportResult SupportFromTrees(const DataSet& data, const TreeSettings& settings,
                               const std::vector<Tree>& trees) {
  CheckTreeSettings(settings, data);
  SupportResult result;
  const DistanceMatrix matrix = DataMatrix(data, settings);
  result.reference = BuildTree(matrix, settings.method);
  SplitCounts counts(data.OtuCount());
  for (const Tree& tree : trees) counts.AddTree(tree);
  result.replicates = result.treesBuilt = trees.size();
  result.firstFailure = "no replicate trees were given";
  Finish(result, counts, matrix.names);
  return result;
}

void CheckResumedTrees(const DataSet& data, const TreeSettings& settings, std::size_t first,
                       const std::vector<Tree>& trees, const std::string& source) {
  if (trees.empty()) return;
  const std::size_t last = first + trees.size() - 1;
  if (last < settings.replicates) {
    ReplicateOutcome outcome;
    ColumnPicks picks;
    ComputeReplicate(data, settings, last, true, false, picks, outcome);
    if (outcome.failure.empty() && outcome.treeText == NewickText(trees.back())) return;
  }
  throw Failure(source,
                "it holds " + std::to_string(trees.size()) +
                    " trees, but the last is not replicate " + std::to_string(last + 1) +
                    "'s tree under these settings (other data, settings or seed, or an earlier "
                    "replicate that gave no tree); remove the file to start the run anew.");
}

std::string FailedReplicatesText(const SupportResult& result) {
  if (result.failedReplicates == 0) return "";
  return std::to_string(result.failedReplicates) + " of " + std::to_string(result.replicates) +
         " replicates gave no tree and are not counted; the first, " + result.firstFailure;
}

}  // namespace marbleset
