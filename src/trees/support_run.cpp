#include "trees/support_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "dataset/errors.h"
#include "formats/name_field.h"
#include "formats/distance_file.h"
#include "distances/distance_run.h"
#include "resampling/column_picks.h"
#include "resampling/uniform_source.h"
#include "trees/neighbor_joining.h"
#include "formats/newick_writer.h"
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

// Runs the replicates on worker threads; the calling thread takes their outcomes in order. At
// most `window` outcomes wait, so memory stays bounded however many replicates there are.
class ReplicateRun {
 public:
  ReplicateRun(const DataSet& data, const TreeSettings& settings, const SupportOutputs& outputs)
      : data_(data), settings_(settings), outputs_(outputs) {
    unsigned threads = settings.threads > 0 ? static_cast<unsigned>(settings.threads)
                                            : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, settings.replicates));
    window_ = 4 * threads + 4;
    slots_.resize(window_);
    for (unsigned t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
  }
  ~ReplicateRun() { Stop(); }

  // The outcome of replicate r (r = 0, 1, ... in turn); null when the run was cancelled.
  ReplicateOutcome* Take(std::size_t r, const Progress& progress) {
    std::unique_lock lock(mutex_);
    ReplicateOutcome& slot = slots_[r % window_];
    while (!slot.ready) {
      if (progress.CancelRequested()) return nullptr;
      ready_.wait_for(lock, std::chrono::milliseconds(50));
    }
    return &slot;
  }

  // Frees replicate r's place for a later one.
  void Release(std::size_t r) {
    {
      std::lock_guard lock(mutex_);
      slots_[r % window_] = ReplicateOutcome{};
      consumed_ = r + 1;
    }
    free_.notify_all();
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    free_.notify_all();
    for (auto& worker : workers_)
      if (worker.joinable()) worker.join();
  }

 private:
  void Work() {
    ColumnPicks picks;
    while (true) {
      const std::size_t r = next_.fetch_add(1);
      if (r >= settings_.replicates) return;
      {
        std::unique_lock lock(mutex_);
        free_.wait(lock, [&] { return stop_ || r < consumed_ + window_; });
        if (stop_) return;
      }
      ReplicateOutcome outcome;
      try {
        ComputeReplicate(data_, settings_, r, outputs_.replicateTrees != nullptr,
                         outputs_.matrices != nullptr, picks, outcome);
      } catch (...) {
        outcome.error = std::current_exception();
      }
      outcome.ready = true;
      {
        std::lock_guard lock(mutex_);
        slots_[r % window_] = std::move(outcome);
      }
      ready_.notify_all();
    }
  }

  const DataSet& data_;
  const TreeSettings& settings_;
  const SupportOutputs& outputs_;
  std::size_t window_ = 1;
  std::vector<ReplicateOutcome> slots_;
  std::atomic<std::size_t> next_{0};
  std::size_t consumed_ = 0;
  bool stop_ = false;
  std::mutex mutex_;
  std::condition_variable ready_, free_;
  std::vector<std::thread> workers_;
};

}  // namespace

SupportResult RunSupport(const DataSet& data, const TreeSettings& settings, Progress& progress,
                         const SupportOutputs& outputs) {
  CheckTreeSettings(settings, data);
  progress.Start("Building trees");
  SupportResult result;
  result.replicates = settings.replicates;
  NoProgress none;
  const DistanceMatrix matrix =
      ComputeDistanceMatrix(data, settings.distance, none, settings.threads);
  result.reference = BuildTree(matrix, settings.method);
  ThrowIfCancelled(progress);

  SplitCounts counts(data.OtuCount());
  {
    ReplicateRun run(data, settings, outputs);
    for (std::size_t r = 0; r < settings.replicates; ++r) {
      ReplicateOutcome* outcome = run.Take(r, progress);
      if (outcome == nullptr) throw RunCancelled();
      if (outcome->error) std::rethrow_exception(outcome->error);
      if (!outcome->failure.empty()) {
        if (result.failedReplicates++ == 0)
          result.firstFailure = "replicate " + std::to_string(r + 1) + ": " + outcome->failure;
      } else {
        counts.AddSplits(outcome->splits);
        ++result.treesBuilt;
        if (outputs.replicateTrees) {
          outputs.replicateTrees->Append(outcome->treeText);
          outputs.replicateTrees->EndLine();
        }
        if (outputs.matrices) outputs.matrices->Append(outcome->matrixText);
      }
      run.Release(r);
      progress.Advance(100.0 * static_cast<double>(r + 1) /
                       static_cast<double>(settings.replicates));
    }
  }
  if (result.treesBuilt == 0)
    throw WriteFailure("No replicate gave a distance matrix; " + result.firstFailure);
  SetSupport(result.reference, counts);
  result.consensus = MajorityRuleConsensus(counts, matrix.names);
  return result;
}

std::string FailedReplicatesText(const SupportResult& result) {
  if (result.failedReplicates == 0) return "";
  return std::to_string(result.failedReplicates) + " of " + std::to_string(result.replicates) +
         " replicates gave no tree and are not counted; the first, " + result.firstFailure;
}

}  // namespace marbleset
