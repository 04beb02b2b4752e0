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

// A data set would need more memory than the machine (or the limit set for it) has.
class MemoryFailure : public Failure {
 public:
  using Failure::Failure;
};

// Creating or writing an output file failed, or a run could not compute its result.
class WriteFailure : public Failure {
 public:
  using Failure::Failure;
};

// The user stopped a run; what it wrote is discarded.
class RunCancelled : public Failure {
 public:
  RunCancelled() : Failure("The run was cancelled.") {}
};

// "<path>: <the operating system's reason>" for the errno value given.
std::string FileProblem(const std::string& path, int error_number);

}  // namespace marbleset
