// Playing a walkthrough: the executor in a virtual terminal, each step in turn, stopping at the
// first one that fails.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/zoxtest/walkthrough.h"

namespace zoxtest {

// zoxtest's exit statuses.
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;      // a step failed
inline constexpr int kExitUsage = 2;       // bad options or arguments
inline constexpr int kExitFile = 3;        // a file cannot be read or written
inline constexpr int kExitBadLine = 4;     // the walkthrough has lines that are no steps
inline constexpr int kExitNotStarted = 5;  // the executor cannot be found or started

inline constexpr double kDefaultTimeout = 10;

struct RunOptions {
  std::string executor;   // the program to run, a path
  std::string adventure;  // the compiled adventure, passed to it as given
  std::string walkName;   // the walkthrough file's name, for messages
  double timeout = kDefaultTimeout;
  bool verbose = false;
  bool transcript = false;  // keep the pages for a transcript
};

struct RunResult {
  int status = kExitPassed;  // kExitPassed, kExitFailed or kExitNotStarted
  int stepsRun = 0;
  int failedLine = 0;      // the walkthrough line of the step that failed
  std::string transcript;  // every page the player saw and every input, when asked for
};

// Plays the steps. Progress (-v) and `screen` go to out; the failure, with the walkthrough's
// line, what was expected and the screen, goes to err.
RunResult runWalkthrough(const std::vector<Step>& steps, const RunOptions& options,
                         std::ostream& out, std::ostream& err);

}  // namespace zoxtest
