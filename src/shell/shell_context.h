// What every window of the desktop program works on: the one data set, the folders from the
// settings, the platform's services and the one random source of the generators.
#pragma once

#include "dataset/data_set.h"
#include "resampling/uniform_source.h"
#include "shell/platform_services.h"

namespace marbleset::shell {

struct ShellContext {
  marbleset::DataSet& data;
  marbleset::ProcessState& state;
  PlatformServices& services;
  marbleset::UniformSource& source;
};

}  // namespace marbleset::shell
