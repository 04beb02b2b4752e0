#include "cli/terminal_progress.h"

#include <algorithm>
#include <cmath>

namespace marbleset::cli {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

TerminalProgress::~TerminalProgress() {
  if (percent_ >= 0) err_ << '\n' << std::flush;
}

void TerminalProgress::Start(std::string_view message) {
  message_ = message;
  percent_ = 0;
  Draw();
}

void TerminalProgress::Advance(double percent) {
  // Whole percents only: a run of 1000 data sets redraws at most 100 times.
  const int whole = static_cast<int>(std::clamp(std::floor(percent), 0.0, 100.0));
  if (whole == percent_) return;
  percent_ = whole;
  Draw();
}

void TerminalProgress::Draw() {
  const int filled = percent_ * kBarWidth / 100;
  // Carriage return without a new line: the bar is redrawn over itself.
  err_ << '\r' << message_ << " [" << std::string(filled, '#')
       << std::string(kBarWidth - filled, '.') << "] ";
  if (percent_ < 100) err_ << ' ';
  if (percent_ < 10) err_ << ' ';
  err_ << percent_ << '%' << std::flush;
}

std::unique_ptr<Progress> MakeProgress(const CliContext& context) {
  if (context.showProgress) return std::make_unique<TerminalProgress>(context.err);
  return std::make_unique<NoProgress>();
}

}  // namespace marbleset::cli
