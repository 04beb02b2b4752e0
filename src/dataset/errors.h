// Failures of a command, carrying the text the user is shown.
#pragma once

#include <stdexcept>
#include <string>

namespace marbleset {

// Any failure inside a command; what() is a complete sentence for a message box.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reading a data file failed beyond the six read findings (file unreadable, capacity, ...).
class ReadFailure : public Failure {
 public:
  using Failure::Failure;
};

// Creating or writing an output file failed, or a run could not compute its result.
class WriteFailure : public Failure {
 public:
  using Failure::Failure;
};

// "<path>: <the operating system's reason>" for the errno value given.
std::string FileProblem(const std::string& path, int error_number);

}  // namespace marbleset
