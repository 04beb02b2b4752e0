#include "dataset/errors.h"

#include <cstring>

namespace marbleset {

std::string FileProblem(const std::string& path, int error_number) {
  return path + ": " + std::strerror(error_number);
}

}  // namespace marbleset
