// What every window of the desktop program works on: the one data set, the folders from the
// settings, the platform's services, the random source of the generators, the reading of a
// data file (tests put a scripted one in its place) and the log of the session's commands.
#pragma once

#include <functional>
#include <string>

#include "dataset/data_set.h"
#include "formats/data_io.h"
#include "resampling/uniform_source.h"
#include "shell/platform_services.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

class SessionLog;

// Reads path into loaded, which changes only when the read succeeds; throws ReadFailure.
using DataFileReader = std::function<void(marbleset::DataSet& loaded, const std::string& path,
                                          marbleset::DataKind kind, marbleset::FileFormat format)>;

struct ShellContext {
  marbleset::DataSet& data;
  ShellFolders& folders;
  PlatformServices& services;
  marbleset::UniformSource& source;
  DataFileReader readDataFile = [](marbleset::DataSet& loaded, const std::string& path,
                                   marbleset::DataKind kind, marbleset::FileFormat format) {
    marbleset::LoadDataFile(loaded, path, kind, format);
  };
  // The session's commands, kept by the main window; null without one.
  SessionLog* session = nullptr;
};

}  // namespace marbleset::shell
