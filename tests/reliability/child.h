// Running a program, or a piece of the test itself, in a child process with a time limit: for
// faults that must not reach the test (a hang, a crash, a resource limit set for one run).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace zoxtest {

struct ChildResult {
  int status = -1;        // exit code, or 128 + the signal that ended it
  bool timedOut = false;  // killed at the time limit
  std::string out;        // standard output and error together (runProgram only)
  long maxRssKb = 0;      // the child's peak resident memory
};

// Runs argv (argv[0] a path) with standard input from /dev/null and standard output and error
// on a pipe, in cwd ("" keeps ours). beforeExec, if given, runs in the child just before exec
// (to set a resource limit, say). Killed after timeoutSec.
ChildResult runProgram(const std::vector<std::string>& argv, const std::string& cwd = {},
                       double timeoutSec = 60, const std::function<void()>& beforeExec = {});

// Runs fn in a forked copy of the test; its result is the exit status (0-255). Killed after
// timeoutSec. Nothing fn does reaches the test, except through files.
ChildResult runForked(const std::function<int()>& fn, double timeoutSec = 60);

}  // namespace zoxtest
