// Output files that never destroy what they replace, and the rule that the data file is never
// an output.
//
// An OutputFile writes to a temporary file beside its target, named ".<target
// name>.marbleset-XXXXXX" so that anyone who finds one knows where it came from, and renames it
// over the target only when everything was written. Until then the target keeps its old bytes;
// a failed or abandoned output removes its temporary. The target's permissions are kept when it
// is replaced; a write-protected target is refused as it would be when opened for writing. A
// symbolic link is followed, so the file it points to is replaced and the link stays. An
// existing target that is not a regular file (a FIFO, /dev/null, a terminal) is written
// directly, since there is nothing to put a temporary beside or rename over. Other hard links
// to a replaced file keep its old bytes: the target's name gets a new file.
//
// How each part of the program uses it:
//
//   // A save: all or nothing.
//   OutputFile file(path);                       // or (path, ExistingTarget::kRefuse)
//   WritePhylipData(data, file.sink());
//   file.Close();                                // in place now; throws WriteFailure
//
//   // A run (distances, generators) whose earlier data sets stay after a reported failure:
//   OutputFile file(path, existing);
//   try {
//     WriteEverything(file.sink());
//   } catch (const RunCancelled&) {
//     throw;                                     // the destructor discards the temporary
//   } catch (const Failure&) {
//     file.KeepWritten();                        // what was complete goes into place
//     throw;                                     // and the failure is still reported
//   }
//   file.Close();
//
// Without Close or KeepWritten the destructor discards the temporary (Discard does so at once).
// ExistingTarget::kRefuse (the command-line tool without --force) makes creation fail with
// OutputExists if the target exists when the file is opened, and again at the moment of the
// rename, which refuses atomically (RENAME_NOREPLACE, or link and unlink), so of two runs that
// create one file at once, one fails instead of both succeeding.
//
// A process stopped by a signal runs no destructor; InstallTemporaryCleanupOnSignals (called
// once by the command-line tool at start) removes the live temporaries on SIGINT, SIGTERM and
// SIGHUP and then ends the process by the same signal (on Windows: Ctrl-C, Ctrl-Break and
// closing the console).
//
// Before writing anything, both front ends call RefuseDataFileAsOutput(output, dataFile) for
// every output of a command that reads a data file.
#pragma once

#include <memory>
#include <string>

#include "dataset/errors.h"
#include "dataset/platform.h"
#include "dataset/text_sink.h"

namespace marbleset {

// What creating an output does when its target exists already.
enum class ExistingTarget { kReplace, kRefuse };

// The target existed where ExistingTarget::kRefuse was asked for. what() is
// "<path>: the file exists."; the command-line tool adds how to replace it.
class OutputExists : public WriteFailure {
 public:
  explicit OutputExists(const std::string& path);
};

class OutputFile {
 public:
  // Creates the temporary beside path (or opens a non-regular target). Throws OutputExists, or
  // WriteFailure with the target's path and the system's reason (missing folder, no permission,
  // a NUL in the name, a folder as target).
  explicit OutputFile(const std::string& path, ExistingTarget existing = ExistingTarget::kReplace);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Discards the temporary unless Close or KeepWritten has moved it into place.
  ~OutputFile();

  TextSink& sink() { return *sink_; }
  // The target as given.
  const std::string& path() const { return path_; }
  // The temporary being written; empty when a non-regular target is written directly, and once
  // the output is closed or discarded.
  const std::string& temporaryPath() const { return temporary_; }

  // Writes out everything and renames the temporary over the target. Throws WriteFailure (or
  // OutputExists) and then leaves the target as it was and no temporary behind. Once the file
  // is in place, a further Close does nothing; after a failure or Discard it throws.
  void Close();
  // For a run that stops on a failure it reports: writes out what the sink holds and moves the
  // file into place as Close does, so the target holds what was written before the failure.
  // Throws as Close does; when the failure was the output's own (a full disk), the sink cannot
  // write either, so KeepWritten throws WriteFailure and the target keeps its old bytes.
  void KeepWritten();
  // Removes the temporary; the target keeps its old bytes (a directly written target keeps what
  // reached it). Never throws.
  void Discard() noexcept;

 private:
  void Finish();
  void Abandon() noexcept;

  std::string path_;    // as given, for messages
  std::string target_;  // path_ with symbolic links followed
  std::string temporary_;
  ExistingTarget existing_;
  int fd_ = -1;
  int slot_ = -1;  // place in the registry of live temporaries, or -1
  bool replacesFile_ = false;
  bool placed_ = false;           // Close or KeepWritten has put the file in place
  platform::FileFacts replaced_;  // the target's permissions, owner and group
  std::unique_ptr<std::streambuf> buffer_;
  std::unique_ptr<std::ostream> stream_;
  std::unique_ptr<TextSink> sink_;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporaries of all open OutputFiles before the
// process ends by that signal. Call once, early; the handler only unlinks fixed paths, which
// is safe in a signal handler.
void InstallTemporaryCleanupOnSignals();

// True when both paths name one existing file: the same device and inode (volume and file
// index on Windows), so every spelling, symbolic link and hard link is caught. "-" stands for
// standard input. False when either does not exist.
bool IsSameFile(const std::string& a, const std::string& b);

// Throws WriteFailure "<outputPath>: this is the data file <dataPath>; choose another file for
// the output." when IsSameFile(outputPath, dataPath). Every command that reads a data file and
// writes an output calls it before writing; "Save data as..." does not, since the data it saves
// is in memory and the save replaces the file only when complete.
void RefuseDataFileAsOutput(const std::string& outputPath, const std::string& dataPath);

}  // namespace marbleset
