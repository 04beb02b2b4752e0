// Which of the data commands may be used for the data that is loaded. The shell applies
// this after every successful read; nothing else enables or disables those commands.
#pragma once

#include <array>
#include <string_view>

#include "dataset/data_set.h"

namespace marbleset {

enum class DataCommand {
  kSaveData,
  kCrop,
  kNotePad,
  kBootStraps,
  kPermutation,
  kGenstraps,
  kRandomResampling,
  kMis,
  kNoise,
  kDistances,
  kTree,  // a tree with support: one data set of either kind
};

inline constexpr std::size_t kDataCommandCount = 11;

// Object names of the menu items, in DataCommand order ("MnuSaveData", "mnuCrop", ...,
// "MnuTree").
std::string_view DataCommandName(DataCommand command);

using CommandStates = std::array<bool, kDataCommandCount>;

// All disabled: nothing loaded.
CommandStates DisableDataCommands();
// One data set: everything for binary data; no crop, MissStraps or noise for quantitative data.
CommandStates EnableSingleSetCommands(const DataSet& data);
// Several data sets in one file: only the editor and distances (a tree is built from one).
CommandStates EnableMultiSetCommands();
// The states for what is loaded now, chosen among the three above.
CommandStates AvailableCommands(const DataSet& data);

inline bool IsEnabled(const CommandStates& states, DataCommand command) {
  return states[static_cast<std::size_t>(command)];
}

}  // namespace marbleset
