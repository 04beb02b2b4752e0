#include "dataset/errors.h"

#include <cstring>

#include "dataset/progress.h"

namespace marbleset {

std::string FileProblem(const std::string& path, int error_number) {
  std::string text = path;
  text.append(": ").append(std::strerror(error_number));
  return text;
}

void ThrowIfCancelled(const Progress& progress) {
  if (progress.CancelRequested()) throw RunCancelled();
}

}  // namespace marbleset
