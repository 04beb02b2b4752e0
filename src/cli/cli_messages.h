// How marbleset-cli speaks when something goes wrong: every error is one line
// "marbleset-cli: SUBJECT: what happened" (the subject is a file, an option or a subcommand),
// then a line of advice where one helps, and an exit status that scripts can test. Names and
// paths from the user or from a file are quoted with their control characters escaped, so a
// name can never send escape sequences to the terminal.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace marbleset::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;       // the command line itself is wrong
inline constexpr int kExitUnreadable = 3;  // the input cannot be read (or not to its end)
inline constexpr int kExitFailed = 4;      // the output cannot be written, or the run fails

// text with every byte that could steer a terminal shown as \xNN: the controls below 0x20, DEL,
// the two-byte UTF-8 forms of the C1 controls, and bytes that are not part of valid UTF-8.
// Printable ASCII and valid UTF-8 text pass unchanged.
std::string EscapeControls(std::string_view text);

// name between double quotes, escaped as EscapeControls does, with \ and " inside as \\ and \".
std::string Quoted(std::string_view name);

// A failure the tool finds itself (a refusal, a value out of bounds), with its exit status.
// what() is "SUBJECT: what happened"; hint is the advice line, or empty.
class CliFailure : public std::runtime_error {
 public:
  CliFailure(int status, const std::string& subject, const std::string& message,
             std::string hint = {})
      : std::runtime_error(subject + ": " + message), status_(status), hint_(std::move(hint)) {}
  int status() const { return status_; }
  const std::string& hint() const { return hint_; }

 private:
  int status_;
  std::string hint_;
};

// Writes "marbleset-cli: " + line, then hint on a line of its own when it is not empty; control
// characters in both are escaped.
void PrintError(std::ostream& err, std::string_view line, std::string_view hint = {});

}  // namespace marbleset::cli
