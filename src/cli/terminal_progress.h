// The progress bar of marbleset-cli: the run's message and a bar redrawn in place on standard
// error, for runs over many data sets. Only a person at a terminal sees it; a script or a log
// gets nothing.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "dataset/progress.h"

namespace marbleset::cli {

class TerminalProgress final : public Progress {
 public:
  explicit TerminalProgress(std::ostream& err) : err_(err) {}
  // Ends the bar's line, so whatever follows starts on a line of its own.
  ~TerminalProgress() override;

  void Start(std::string_view message) override;
  void Advance(double percent) override;

 private:
  void Draw();

  std::ostream& err_;
  std::string message_;
  int percent_ = -1;  // as last drawn; -1 before Start
};

// A TerminalProgress on context.err when the context shows progress, a NoProgress otherwise.
std::unique_ptr<Progress> MakeProgress(const CliContext& context);

}  // namespace marbleset::cli
