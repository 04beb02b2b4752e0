// The frame every generator runs in: progress, output, one data set after another.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataset/errors.h"
#include "dataset/output_file.h"
#include "dataset/progress.h"
#include "dataset/text_sink.h"

namespace marbleset {

// Where a run writes: a sink the caller holds, or a file at a path, written to a temporary
// beside it and put in place when the run ends.
class RunOutput {
 public:
  explicit RunOutput(TextSink& sink) : sink_(&sink) {}
  RunOutput(std::string path, ExistingTarget existing)
      : path_(std::move(path)), existing_(existing) {}

  // Calls write(sink) and flushes (for a path: closes and renames the file into place).
  // After a failure the file holds the data sets written before it, as a caller's sink does;
  // a cancelled run leaves no file behind, and the target keeps what it held before.
  template <class WriteAll>
  void Write(WriteAll&& write) {
    if (sink_ != nullptr) {
      write(*sink_);
      sink_->Flush();
      return;
    }
    OutputFile file(path_, existing_);
    try {
      write(file.sink());
    } catch (const RunCancelled&) {
      throw;
    } catch (const Failure&) {
      KeepWritten(file);
      throw;
    }
    file.Close();
  }

 private:
  // The run's own failure is the one to report, even if the output cannot keep its part either.
  static void KeepWritten(OutputFile& file) noexcept;

  TextSink* sink_ = nullptr;
  std::string path_;
  ExistingTarget existing_ = ExistingTarget::kReplace;
};

// Starts the progress with the generator's text at 0 on construction; Run then writes data set
// after data set, moving the progress before each one to the share begun, counting it.
class RunFrame {
 public:
  RunFrame(Progress& progress, std::string_view label, std::size_t dataSets)
      : progress_(progress), dataSets_(dataSets) {
    progress_.Start(label);
  }

  // write() writes one data set: its header line, then its rows. GenStraps and random
  // resampling end each data set with an empty line; the others write them back to back.
  // A Cancel is taken up before each data set.
  template <class WriteDataSet>
  void Run(TextSink& out, bool emptyLineAfter, WriteDataSet&& write) {
    for (std::size_t d = 1; d <= dataSets_; ++d) {
      ThrowIfCancelled(progress_);
      progress_.Advance(100.0 * static_cast<double>(d) / static_cast<double>(dataSets_));
      write();
      if (emptyLineAfter) out.EndLine();
    }
  }

 private:
  Progress& progress_;
  std::size_t dataSets_;
};

}  // namespace marbleset
