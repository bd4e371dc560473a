// The executor's main routine: command line, banner and usage, the start-up passes, the
// password, the run loop and the exit status.
#pragma once

#include "executor/engine.h"

namespace zox {

// Runs zoxexec with its command line (argv[0] the program) on the two global objects and
// returns the exit status (-1, the normal end of play, becomes 255 when the process exits).
int runExecutor(zoxexec& engine, Console& console, int argc, const char* const* argv);

}  // namespace zox
