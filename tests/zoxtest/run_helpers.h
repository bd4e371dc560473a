// Running zoxtest (or any program) to its end with its output in files, and compiling test
// adventures with zoxcomp.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <vector>

#include "screen.h"

extern char** environ;

namespace zoxtest {

struct Ran {
  int status = -1;  // exit status, 128 + signal, or -1 if it could not be started
  std::string out;
  std::string err;
};

// Runs argv in dir with its standard output and error in files of dir, the environment ours
// with env applied (NAME=VALUE), and waits for its end.
inline Ran runProgram(const std::vector<std::string>& argv, const TempDir& dir,
                      const std::vector<std::string>& env = {}) {
  Ran r;
  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const std::string& x : env) {
      replaced |= entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
    }
    if (!replaced) envStrings.push_back(entry);
  }
  envStrings.insert(envStrings.end(), env.begin(), env.end());
  std::vector<char*> cargv, cenv;
  std::vector<std::string> args = argv;
  for (std::string& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  for (std::string& e : envStrings) cenv.push_back(e.data());
  cenv.push_back(nullptr);

  const std::string outFile = dir.file(".run-out"), errFile = dir.file(".run-err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return r;
  int st = 0;
  while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  r.out = dir.read(".run-out");
  r.err = dir.read(".run-err");
  return r;
}

// Compiles a source with zoxcomp in dir. Returns "" on success, else what zoxcomp said.
inline std::string compileSource(const TempDir& dir, const std::string& name,
                                 const std::string& source) {
  dir.write(name, source);
  Ran r = runProgram({binPath("zoxcomp"), name}, dir);
  if (r.status != 0)
    return "zoxcomp ended with " + std::to_string(r.status) + ":\n" + r.out + r.err;
  return "";
}

}  // namespace zoxtest
