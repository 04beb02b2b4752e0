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
};

// For callers that show nothing.
class NoProgress final : public Progress {
 public:
  void Start(std::string_view) override {}
  void Advance(double) override {}
};

}  // namespace marbleset
