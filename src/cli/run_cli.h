// The whole command-line tool as a function: the executable passes its arguments and the
// process's streams, tests pass their own and read what was written and the exit status.
#pragma once

#include <ostream>

namespace marbleset::cli {

// errIsTerminal: a person watches err, so long runs may draw their progress bar there.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool errIsTerminal = false);

}  // namespace marbleset::cli
