#include "dataset/command_availability.h"

#include <gtest/gtest.h>

namespace marbleset {
namespace {

std::vector<std::string_view> EnabledNames(const CommandStates& states) {
  std::vector<std::string_view> names;
  for (std::size_t k = 0; k < kDataCommandCount; ++k) {
    if (states[k]) names.push_back(DataCommandName(static_cast<DataCommand>(k)));
  }
  return names;
}

TEST(CommandAvailability, FollowsTheLoadedDataInEveryState) {
  DataSet data;
  EXPECT_TRUE(EnabledNames(AvailableCommands(data)).empty()) << "nothing loaded";

  data.DataFileName = "/data/a.phy";
  EXPECT_EQ(EnabledNames(AvailableCommands(data)).size(), 10u) << "one binary data set";

  data.Quantitative = 1;
  EXPECT_EQ(
      EnabledNames(AvailableCommands(data)),
      (std::vector<std::string_view>{"MnuSaveData", "MnuNotePad", "MnuBootStraps", "MnuPermutation",
                                     "MnuGenstraps", "MnuRandomResampling", "MnuDistances"}));

  for (int16_t kind : {0, 1}) {
    data.Quantitative = kind;
    data.MultiSet = 1;
    EXPECT_EQ(EnabledNames(AvailableCommands(data)),
              (std::vector<std::string_view>{"MnuNotePad", "MnuDistances"}));
  }

  ClearFileState(data);
  EXPECT_TRUE(EnabledNames(AvailableCommands(data)).empty());
  EXPECT_EQ(data.NOtu, 0);
  EXPECT_EQ(data.NChar, 0);
}

}  // namespace
}  // namespace marbleset
