// The whole command-line tool as a function: the executable passes its arguments and the
// process's streams, tests pass their own and read what was written and the exit status.
#pragma once

#include <ostream>

namespace marbleset::cli {

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace marbleset::cli
