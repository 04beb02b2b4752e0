// The desktop session as marbleset-cli commands: the main window and its dialogs tell the log
// what they did, the log keeps the command lines (Help > "Session as commands") and writes them
// as a shell script. It also counts the draws the one random source of the generators has made,
// so that a generator's line starts where the desktop's run started, and it knows the facts of
// the data for a result window's methods paragraph.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "dataset/data_set.h"
#include "provenance/methods_text.h"
#include "provenance/session_commands.h"
#include "resampling/uniform_source.h"

class QWidget;

namespace marbleset::shell {

class PlatformServices;

class SessionLog {
 public:
  // start: the random source of the generators as the program starts.
  explicit SessionLog(const marbleset::UniformSource& start);

  marbleset::SessionCommands& Commands() { return commands_; }
  const marbleset::SessionCommands& Commands() const { return commands_; }
  // A data file read into data: its lines follow, and its digest and counts are taken now for
  // the methods paragraph.
  void Opened(const marbleset::SessionInput& input, const marbleset::DataSet& data);
  // The draws the source has made since program start, for a generator's --skip-draws; none when
  // the source did not start from the default seed.
  std::optional<std::uint64_t> DrawsBefore(const marbleset::UniformSource& now);

  // The facts every methods paragraph of the data now in memory starts from: program, version,
  // the data file as read (digest, counts, missing share) and the screening since.
  marbleset::MethodsFacts Facts() const;

 private:
  marbleset::SessionCommands commands_;
  marbleset::UniformSource counted_;
  std::uint64_t draws_ = 0;
  bool knownStart_ = true;
  std::optional<marbleset::DataFacts> data_;
};

// The session's commands in a read-only window with Copy and "Save as script...".
void ShowSessionCommands(QWidget* parent, SessionLog& log, PlatformServices& services,
                         const QString& folder);
// Asks for a file and writes the session's script there; never over a data file the session
// read. Returns the path written, or empty.
QString SaveSessionScript(QWidget* parent, const SessionLog& log, PlatformServices& services,
                          const QString& folder);
// A methods paragraph in a read-only window with Copy.
void ShowMethods(QWidget* parent, const marbleset::MethodsFacts& facts, PlatformServices& services);

}  // namespace marbleset::shell
