// What every window of the desktop program works on: the one data set, the folders from the
// settings, the platform's services, the random source of the generators, and the reading of a
// data file (tests put a scripted one in its place).
#pragma once

#include <functional>
#include <string>

#include "formats/data_loader.h"
#include "dataset/data_set.h"
#include "resampling/uniform_source.h"
#include "shell/platform_services.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

using DataFileReader =
    std::function<marbleset::ReadStatus(marbleset::DataSet& loaded, const std::string& path,
                                        marbleset::DataKind kind, marbleset::Layout layout)>;

struct ShellContext {
  marbleset::DataSet& data;
  ShellFolders& folders;
  PlatformServices& services;
  marbleset::UniformSource& source;
  DataFileReader readDataFile = [](marbleset::DataSet& loaded, const std::string& path,
                                   marbleset::DataKind kind, marbleset::Layout layout) {
    return marbleset::LoadDataFile(loaded, path, kind, layout);
  };
};

}  // namespace marbleset::shell
