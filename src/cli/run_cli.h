// The whole command-line tool as a function: the executable passes its arguments and the
// process's streams, tests pass their own and read what was written and the exit status.
#pragma once

#include <ostream>

namespace marbleset::cli {

// err_is_terminal: a person watches err, so long runs may draw their progress bar there.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool err_is_terminal = false);

}  // namespace marbleset::cli
