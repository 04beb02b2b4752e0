// The frame every generator runs in: progress, output, one data set after another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/progress.h"
#include "dataset/text_sink.h"

namespace marbleset {

// Where a run writes: a sink the caller holds, or a file that the run creates when it gets to
// it (after the steps a run makes before any output).
class RunOutput {
 public:
  explicit RunOutput(TextSink& sink) : sink_(&sink) {}
  explicit RunOutput(std::string path) : path_(std::move(path)) {}

  // The sink to write to; for a path, creates (or truncates) the file. Throws WriteFailure.
  TextSink& Open();
  // Hands everything to the stream, and closes the file for a path. Throws WriteFailure.
  // On a failure before this, a file keeps what was written: OutputFile flushes on the way out.
  void Finish();

 private:
  TextSink* sink_ = nullptr;
  std::string path_;
  std::optional<OutputFile> file_;
};

// Number of data sets for the count setting C in tenths: the whole part of C / 10.
inline int DataSetCount(int16_t C) {
  return C / 10;
}

// Share of the run begun when data set d starts, counting d: 1000 * d / C percent.
inline double ProgressShare(int d, int16_t C) {
  return 1000.0 * d / C;
}

// Starts the progress with the generator's text at 0 on construction; Run then writes data
// set after data set, moving the progress before each one.
class RunFrame {
 public:
  RunFrame(Progress& progress, std::string_view label, int16_t C) : progress_(progress), C_(C) {
    progress_.Start(label);
  }

  // write() writes one data set: its header line, then its rows. GenStraps and random
  // resampling end each data set with an empty line; the others write them back to back.
  template <class WriteDataSet>
  void Run(TextSink& out, bool empty_line_after, WriteDataSet&& write) {
    const int count = DataSetCount(C_);
    for (int d = 1; d <= count; ++d) {
      progress_.Advance(ProgressShare(d, C_));
      write();
      if (empty_line_after) out.EndLine();
    }
  }

 private:
  Progress& progress_;
  int16_t C_;
};

}  // namespace marbleset
