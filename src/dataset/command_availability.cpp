#include "dataset/command_availability.h"

namespace marbleset {

std::string_view DataCommandName(DataCommand command) {
  static constexpr std::array<std::string_view, kDataCommandCount> kNames = {
      "MnuSaveData",         "mnuCrop",        "MnuNotePad",
      "MnuBootStraps",       "MnuPermutation", "MnuGenstraps",
      "MnuRandomResampling", "MnuMis",         "MnuNoise",
      "MnuDistances",        "MnuTree"};
  return kNames[static_cast<std::size_t>(command)];
}

CommandStates DisableDataCommands() {
  return {};
}

CommandStates EnableSingleSetCommands(const DataSet& data) {
  CommandStates states;
  states.fill(true);
  if (data.IsQuantitative()) {
    states[static_cast<std::size_t>(DataCommand::kCrop)] = false;
    states[static_cast<std::size_t>(DataCommand::kMis)] = false;
    states[static_cast<std::size_t>(DataCommand::kNoise)] = false;
  }
  return states;
}

CommandStates EnableMultiSetCommands() {
  CommandStates states{};
  states[static_cast<std::size_t>(DataCommand::kNotePad)] = true;
  states[static_cast<std::size_t>(DataCommand::kDistances)] = true;
  return states;
}

CommandStates AvailableCommands(const DataSet& data) {
  if (!HasData(data)) return DisableDataCommands();
  if (data.multiSet) return EnableMultiSetCommands();
  return EnableSingleSetCommands(data);
}

}  // namespace marbleset
