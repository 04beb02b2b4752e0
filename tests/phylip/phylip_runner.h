// Running PHYLIP's programs from a test: each run in a fresh folder, since PHYLIP asks before it
// replaces an outfile or outtree, with its menu answers on standard input and a timeout that
// ends any hang. MARBLESET_PHYLIP_BIN names the folder of the programs.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "scratch_folder.h"

namespace marbleset {

struct PhylipRun {
  int status = -1;
  std::string screen, outfile, outtree;
  std::string Describe() const {  // for failure messages
    return "exit status " + std::to_string(status) + "; screen ends:\n" +
           screen.substr(screen.size() > 3000 ? screen.size() - 3000 : 0);
  }
};

inline PhylipRun RunPhylip(const std::string& program, const ScratchFolder& folder,
                           const std::string& answers, int timeoutSeconds = 120) {
  std::ofstream(folder / "answers", std::ios::binary) << answers;
  const std::string command = "cd '" + folder.path.string() + "' && timeout -k 5 " +
                              std::to_string(timeoutSeconds) + " '" MARBLESET_PHYLIP_BIN "/" +
                              program + "' < answers > screen 2>&1";
  const int raw = std::system(command.c_str());
  return {raw == -1 ? -1 : WEXITSTATUS(raw), FileBytes(folder / "screen"),
          FileBytes(folder / "outfile"), FileBytes(folder / "outtree")};
}

}  // namespace marbleset
