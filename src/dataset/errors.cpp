#include "dataset/errors.h"

#include <cstring>
#include <utility>

#include "dataset/progress.h"

namespace marbleset {

namespace {

std::string Sentence(const std::string& subject, const std::string& reason) {
  return subject.empty() ? reason : subject + ": " + reason;
}

std::string PlaceText(const InputPlace& place) {
  const std::string counts = place.Describe();
  if (place.file.empty()) return counts;
  return counts.empty() ? place.file : place.file + ", " + counts;
}

}  // namespace

Failure::Failure(std::string subject, std::string reason)
    : std::runtime_error(Sentence(subject, reason)),
      subject_(std::move(subject)),
      reason_(std::move(reason)) {}

std::string InputPlace::Describe() const {
  std::string text;
  const auto add = [&text](const char* what, std::size_t count) {
    if (count == 0) return;
    if (!text.empty()) text += ", ";
    text.append(what).append(std::to_string(count));
  };
  add("data set ", dataSet);
  add("line ", line);
  add("column ", column);
  return text;
}

ReadFailure::ReadFailure(ReadProblem kind, InputPlace place, std::string reason, KindHint hint)
    : Failure(PlaceText(place), std::move(reason)),
      kind_(kind),
      place_(std::move(place)),
      hint_(hint) {}

RunFailure::RunFailure(RunProblem kind, std::string subject, std::string reason,
                       std::size_t written)
    : WriteFailure(std::move(subject), std::move(reason)), kind_(kind), written_(written) {}

std::string SystemReason(int error_number) {
  return std::strerror(error_number);
}

std::string FileProblem(const std::string& path, int error_number) {
  return path + ": " + SystemReason(error_number);
}

void ThrowIfCancelled(const Progress& progress) {
  if (progress.CancelRequested()) throw RunCancelled();
}

}  // namespace marbleset
