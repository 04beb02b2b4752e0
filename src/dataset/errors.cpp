#include "dataset/errors.h"

#include <cstring>

namespace marbleset {

std::string FileProblem(const std::string& path, int error_number) {
  std::string text = path;
  text.append(": ").append(std::strerror(error_number));
  return text;
}

}  // namespace marbleset
