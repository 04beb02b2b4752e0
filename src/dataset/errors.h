// Failures of a command as types: what went wrong (a kind), where (the file and the place in
// it) and the reason in words. Each front end shapes them its own way and decides by the kind,
// never by the text.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

namespace marbleset {

// Any failure inside a command; what() is a complete sentence for a message box: the subject
// (a file, an input or an output), when there is one, then ": " and the reason.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& text) : std::runtime_error(text), reason_(text) {}
  Failure(std::string subject, std::string reason);
  // The file (or input, or output) the failure is about; empty when it names none.
  const std::string& Subject() const { return subject_; }
  // what() without the subject.
  const std::string& Reason() const { return reason_; }

 private:
  std::string subject_;
  std::string reason_;
};

// What a read found wrong with its input.
enum class ReadProblem {
  kUnreadable,        // the input cannot be opened or read on (the system's reason)
  kNoDeclarations,    // no header before the input ends
  kNoOtuCount,        // the OTU count is not followed by a space and a further count
  kNoCharCount,       // no character count after the OTU count
  kBadCount,          // a count that is not a whole number or is beyond what can be held
  kEndsEarly,         // the PHYLIP or NTSYS finding: the data ends before the last OTU (or row)
  kWrongMatrixType,   // an NTSYS matrix type other than 1
  kLabelsIncomplete,  // the input ends inside the NTSYS labels
  kNotAValue,         // an item that is neither a value nor a declared missing code
  kOtherKind,         // values of the other kind: numbers read as binary data, or the reverse
  kValueTooLarge,     // a value beyond what the matrix holds
  kTooLarge,          // a declared shape beyond the input or the memory
  kNotTheLayout,      // text that does not follow the layout's grammar
  kLayoutGuess,       // the layout cannot be told from the data; an option settles it
  kCutShort,          // an input that stops inside a data set, or a compressed one without its end
  kSearchTooLong,     // what was looked for is not within the bytes a search may skip
  kLineTooLong,       // a line beyond the longest a reader holds
  kNulByte,           // a NUL byte, which no text file holds
  kUnknownName,       // a name that the names given do not hold, or one given twice
};

// What the data looked like to a reader of the other kind: numbers other than 0 and 1 read as
// binary data, or runs of 0, 1 and ? without blanks read as quantitative values.
enum class KindHint { kNone, kLooksQuantitative, kLooksBinary };

// Where in an input a read went wrong. Counts are as a user counts, from 1; 0 is "not known"
// (or, for the data set, "the input holds one").
struct InputPlace {
  InputPlace() = default;
  // Implicit, so that a place is written {file, dataSet, line, column} where it is made.
  InputPlace(std::string file, std::size_t dataSet = 0, std::size_t line = 0,
             std::size_t column = 0, std::string item = {})
      : file(std::move(file)),
        dataSet(dataSet),
        line(line),
        column(column),
        item(std::move(item)) {}

  std::string file;  // the path, "standard input", or the name the input was given
  std::size_t dataSet = 0;
  std::size_t line = 0;
  std::size_t column = 0;
  std::string item;  // the item read there, as read; front ends cut and escape it

  // "data set 2, line 5, column 3": the counts that are known, without the file.
  std::string Describe() const;
};

// Reading an input failed. what() is "<file>, data set 2, line 5, column 3: <reason>", with the
// parts that are known; Subject() is the file.
class ReadFailure : public Failure {
 public:
  ReadFailure(ReadProblem kind, InputPlace place, std::string reason,
              KindHint hint = KindHint::kNone);
  ReadProblem Kind() const { return kind_; }
  const InputPlace& Place() const { return place_; }
  // What the data looked like, when it may be of the other kind.
  KindHint Hint() const { return hint_; }

 private:
  ReadProblem kind_;
  InputPlace place_;
  KindHint hint_;
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

// What stopped a run before its end.
enum class RunProblem {
  kInputUnreadable,  // a data set of a file of several could not be read
  kNoValue,          // a cell (a pair of OTUs) without a value under the chosen settings
};

// A run ended early. Written() is how many results (matrices, means, trees) it wrote before;
// they stay in the output.
class RunFailure : public WriteFailure {
 public:
  RunFailure(RunProblem kind, std::string subject, std::string reason, std::size_t written);
  RunProblem Kind() const { return kind_; }
  std::size_t Written() const { return written_; }

 private:
  RunProblem kind_;
  std::size_t written_;
};

// The user stopped a run; what it wrote is discarded.
class RunCancelled : public Failure {
 public:
  RunCancelled() : Failure("The run was cancelled.") {}
};

// "<path>: <the operating system's reason>" for the errno value given.
std::string FileProblem(const std::string& path, int error_number);
// The operating system's reason for the errno value given.
std::string SystemReason(int error_number);

}  // namespace marbleset
