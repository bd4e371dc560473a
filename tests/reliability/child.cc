// Child processes with a time limit, for the reliability tests.
#include "child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace zoxtest {
namespace {

using Clock = std::chrono::steady_clock;

// Reads the pipe (if any) until the child ends or the time is up; then reaps it.
ChildResult collect(pid_t pid, int readFd, double timeoutSec) {
  ChildResult r;
  const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSec);
  bool open = readFd >= 0;
  bool reaped = false;
  const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  int status = 0;
  rusage ru{};
  for (;;) {
    if (!reaped && wait4(pid, &status, WNOHANG, &ru) == pid) reaped = true;
    if (reaped && !open) break;
    if (Clock::now() >= deadline) {
      if (!reaped) {
        kill(pid, SIGKILL);
        r.timedOut = true;
        wait4(pid, &status, 0, &ru);
      }
      break;
    }
    if (open) {
      pollfd p{readFd, POLLIN, 0};
      if (poll(&p, 1, 20) > 0) {
        char buf[4096];
        ssize_t n = read(readFd, buf, sizeof buf);
        if (n > 0) {
          r.out.append(buf, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          open = false;
        }
      }
    } else if (pidFd >= 0) {
      pollfd p{pidFd, POLLIN, 0};  // readable once the child has ended
      poll(&p, 1, 100);
    } else {
      usleep(1000);
    }
  }
  if (readFd >= 0) close(readFd);
  if (pidFd >= 0) close(pidFd);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.maxRssKb = ru.ru_maxrss;
  return r;
}

}  // namespace

ChildResult runProgram(const std::vector<std::string>& argv, const std::string& cwd,
                       double timeoutSec, const std::function<void()>& beforeExec) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {};
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    if (beforeExec) beforeExec();
    std::vector<char*> args;
    std::vector<std::string> copy = argv;
    for (std::string& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return {};
  }
  return collect(pid, fds[0], timeoutSec);
}

ChildResult runForked(const std::function<int()>& fn, double timeoutSec) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(fn() & 0xFF);
  if (pid < 0) return {};
  return collect(pid, -1, timeoutSec);
}

}  // namespace zoxtest
