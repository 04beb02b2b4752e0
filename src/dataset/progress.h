// How a long run tells the user how far it has come.
#pragma once

#include <string_view>

namespace marbleset {

class Progress {
 public:
  virtual ~Progress() = default;
  // The run begins: show the message with the bar at 0.
  virtual void Start(std::string_view message) = 0;
  // The bar moves to percent (0 to 100).
  virtual void Advance(double percent) = 0;
  // True once the user has asked the run to stop. Runs ask between steps (a data set, a row
  // block) and then throw RunCancelled, so a stop takes effect within a moment.
  virtual bool CancelRequested() const { return false; }
  // A run over the data sets of a file has read data set number (1, 2, ...) and works on it, so
  // a front end can show which one beside the bar. Nothing to do for those that show no more than
  // the bar.
  virtual void ReadingDataSet(int number) { (void)number; }
};

// Throws RunCancelled when progress says the user asked to stop.
void ThrowIfCancelled(const Progress& progress);

// For callers that show nothing.
class NoProgress final : public Progress {
 public:
  void Start(std::string_view) override {}
  void Advance(double) override {}
};

}  // namespace marbleset
