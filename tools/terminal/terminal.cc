// The virtual terminal's process side: a child in a pseudo-terminal, its output pumped into the
// emulator, and the waits built on it.
#include "tools/terminal/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/terminal/emulator.h"

extern char** environ;

namespace zoxtest {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(double sec) {
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(sec < 0 ? 0 : sec));
}

double secondsLeft(Clock::time_point deadline) {
  return std::chrono::duration<double>(deadline - Clock::now()).count();
}

int toMillis(double sec) {
  if (sec <= 0) return 0;
  double ms = sec * 1000.0;
  if (ms > 1e8) return 100000000;
  return static_cast<int>(ms) + 1;
}

bool hasName(const std::string& entry, std::string_view name) {
  return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
         entry[name.size()] == '=';
}

// The child's environment: ours, without what would mislead it about the terminal it runs in.
std::vector<std::string> childEnvironment(const ScreenOptions& opts) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    if (entry.rfind("LC_", 0) == 0 || hasName(entry, "LANG") || hasName(entry, "LANGUAGE") ||
        hasName(entry, "TERM") || hasName(entry, "COLUMNS") || hasName(entry, "LINES") ||
        hasName(entry, "TERMCAP")) {
      continue;
    }
    env.push_back(entry);
  }
  env.push_back("TERM=" + opts.term);
  env.push_back("LANG=" + opts.locale);
  env.push_back("LC_ALL=" + opts.locale);
  for (const std::string& extra : opts.env) {
    std::string name = extra.substr(0, extra.find('='));
    std::erase_if(env, [&](const std::string& e) { return hasName(e, name); });
    env.push_back(extra);
  }
  return env;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Screen

void Screen::refresh() {
  if (!frozen_) pump(0);
}

bool Screen::frozenCall(const std::function<bool()>& pred) {
  Freeze freeze(frozen_);
  return pred();
}

Screen::Screen(std::vector<std::string> argv, ScreenOptions opts)
    : impl_(std::make_unique<Impl>(opts.rows, opts.cols)), cols_(opts.cols), rows_(opts.rows) {
  if (argv.empty()) throw std::invalid_argument("Screen: empty command line");
  // Everything the child needs is built before fork: after it, only exec or _exit.
  std::vector<std::string> env = childEnvironment(opts);
  std::vector<char*> cargv, cenv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  for (std::string& e : env) cenv.push_back(e.data());
  cenv.push_back(nullptr);
  const char* cwd = opts.cwd.empty() ? nullptr : opts.cwd.c_str();
  std::string loc = opts.locale;
  std::transform(loc.begin(), loc.end(), loc.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  const bool utf8 = loc.find("utf-8") != std::string::npos || loc.find("utf8") != std::string::npos;
  linuxKeys_ = opts.term.rfind("linux", 0) == 0;

  struct winsize ws {};
  ws.ws_row = static_cast<unsigned short>(opts.rows);
  ws.ws_col = static_cast<unsigned short>(opts.cols);
  // The child reports a failed start through this pipe; a successful exec closes it unwritten.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    throw std::runtime_error(std::string("pipe: ") + strerror(errno));
  }
  fflush(nullptr);
  pid_ = forkpty(&master_, nullptr, nullptr, &ws);  // new session, pty as controlling tty
  if (pid_ < 0) {
    const int err = errno;
    close(report[0]);
    close(report[1]);
    throw std::runtime_error(std::string("forkpty: ") + strerror(err));
  }
  if (pid_ == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
    const int reportFd = 3;
    if (report[1] != reportFd) dup2(report[1], reportFd);
    fcntl(reportFd, F_SETFD, FD_CLOEXEC);
    closefrom(reportFd + 1);
    auto fail = [&](int err) {
      while (write(reportFd, &err, sizeof err) < 0 && errno == EINTR) {
      }
    };
    if (utf8) {
      // As a terminal in UTF-8 mode does: the line discipline erases whole characters.
      struct termios t;
      if (tcgetattr(0, &t) == 0) {
        t.c_iflag |= IUTF8;
        tcsetattr(0, TCSANOW, &t);
      }
    }
    if (cwd && chdir(cwd) != 0) {
      const int err = errno;
      dprintf(2, "zoxtest: cannot enter %s: %s\r\n", cwd, strerror(err));
      fail(err);
      _exit(127);
    }
    environ = cenv.data();
    execvp(cargv[0], cargv.data());
    const int err = errno;
    dprintf(2, "zoxtest: cannot run %s: %s\r\n", cargv[0], strerror(err));
    fail(err);
    _exit(127);
  }
  close(report[1]);
  int err = 0;
  ssize_t got;
  do {
    got = read(report[0], &err, sizeof err);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof err)) startErrno_ = err != 0 ? err : EINVAL;
  close(report[0]);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  // Our own opening of the slave side (a file of its own, so that its non-blocking mode is not
  // the child's), kept until the end marker has come through; see drainStep().
  slave_ = ioctl(master_, TIOCGPTPEER, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) drained_ = true;  // kernels before 4.13: the end is the kernel's EOF alone
  endMarker_ =
      "\x1b_ZOXTEST END " + std::to_string(getpid()) + " " + std::to_string(pid_) + "\x1b\\";
  pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));  // -1 on kernels before 5.3
  if (pidfd_ >= 0) fcntl(pidfd_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Screen::~Screen() {
  // The group outlives its leader only while someone else still holds the pty (no EOF once
  // our own opening is closed), so killing it then cannot hit a stranger that reused the number.
  if (pid_ > 0 && status_ != -1 && !drained_) {
    auto deadline = deadlineAfter(5);
    while (!drained_ && secondsLeft(deadline) > 0) pump(0.05);
  }
  if (pid_ > 0 && status_ != -1 && !eof_) pump(0);  // notice an EOF that is already there
  if (pid_ > 0 && (status_ == -1 || othersHoldThePty())) kill(-pid_, SIGKILL);
  if (pid_ > 0 && status_ == -1) reap(true);
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  if (pidfd_ >= 0) close(pidfd_);
}

void Screen::reap(bool block) {
  if (pid_ <= 0 || status_ != -1) return;
  int st = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &st, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    if (WIFEXITED(st)) {
      status_ = WEXITSTATUS(st);
    } else if (WIFSIGNALED(st)) {
      status_ = 128 + WTERMSIG(st);
    }
  } else if (r < 0 && errno == ECHILD) {
    status_ = 255;  // someone else reaped it; should not happen
  }
}

void Screen::feed(const char* bytes, size_t n) {
  raw_.append(bytes, n);
  while (n > 0) {
    size_t used = vterm_input_write(impl_->vt, bytes, n);
    if (used == 0) break;
    bytes += used;
    n -= used;
  }
  if (!impl_->replies.empty()) {
    std::string replies;
    replies.swap(impl_->replies);
    writeAll(replies);
  }
}

void Screen::writeAll(std::string_view bytes) {
  auto deadline = deadlineAfter(20);
  while (!bytes.empty() && !eof_) {
    ssize_t w = write(master_, bytes.data(), bytes.size());
    if (w > 0) {
      bytes.remove_prefix(static_cast<size_t>(w));
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;  // child gone: EIO
    if (secondsLeft(deadline) <= 0) {
      throw std::runtime_error("the program does not read its input");
    }
    // The program's input is full: keep taking its output meanwhile so it can go on.
    struct pollfd p {
      master_, POLLOUT | POLLIN, 0
    };
    poll(&p, 1, 50);
    if (p.revents & (POLLIN | POLLHUP)) pump(0);
  }
}

void Screen::pump(double timeoutSec) {
  // Wait for output, EOF or the child's end, whichever comes first.
  struct pollfd fds[2];
  nfds_t n = 0;
  if (!eof_) fds[n++] = {master_, POLLIN, 0};
  if (status_ == -1 && pidfd_ >= 0) fds[n++] = {pidfd_, POLLIN, 0};
  int wait = toMillis(timeoutSec);
  // Without a pidfd (old kernels) the child's end is noticed by looking every 10 ms.
  if (status_ == -1 && pidfd_ < 0) wait = std::min(wait, 10);
  if (winchRepeats_ > 0) wait = std::min(wait, kWinchRepeatMs);
  if (!marker_.empty() && markerWritten_ < marker_.size()) wait = std::min(wait, 10);
  int ready = poll(fds, n, wait);
  if (ready > 0 && !eof_ && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
    char buf[8192];
    for (;;) {
      ssize_t r = read(master_, buf, sizeof buf);
      if (r > 0) {
        take(buf, static_cast<size_t>(r));
        continue;
      }
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      // EIO: every holder of the slave side has closed it. (Not proof that all they wrote
      // has come: see drainStep().) Anything else is recorded for the dump.
      eof_ = true;
      eofErrno_ = r < 0 ? errno : 0;
      reap(false);
      eofWhileRunning_ = status_ == -1;
      break;
    }
  }
  reap(false);
  drainStep();
  repeatWinch();
}

// On Linux the master side can report EIO (everyone closed the slave side) while part of what
// the program wrote just before its end is still on its way through the kernel; that part is
// then lost for good. So the harness holds the slave side open itself and, once the child has
// been reaped, writes an end marker into it: the pty keeps order, so when the marker comes out
// of the master side everything the child wrote has come before it. Only then is our opening
// closed, and EIO from then on ends the output. A sync marker (waitForIdle) works the same way
// while the child runs.
void Screen::drainStep() {
  if (drained_ || status_ == -1) return;
  if (marker_.empty()) {  // a sync marker still on its way goes first
    marker_ = endMarker_;
    markerIsEnd_ = true;
    markerWritten_ = 0;
    drainDeadline_ = deadlineAfter(kDrainSec);
  }
  writeMarker();
  if (!drained_ && markerIsEnd_ && secondsLeft(drainDeadline_) <= 0) endDrain();
}

// Writes what is left of the marker; the slave side is non-blocking, so a full pty leaves the
// rest for the next pump.
void Screen::writeMarker() {
  while (!marker_.empty() && markerWritten_ < marker_.size()) {
    ssize_t w = write(slave_, marker_.data() + markerWritten_, marker_.size() - markerWritten_);
    if (w > 0) {
      markerWritten_ += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // full: try again later
    // The slave side refuses output (hung up): nothing more can come in order.
    if (markerIsEnd_ || status_ != -1) {
      endDrain();
    } else {
      dropMarker();
    }
    return;
  }
}

// What the master side gives: straight to the emulator, except while a marker is on its way,
// when it is held back until the marker is found and then passed on without it.
void Screen::take(const char* bytes, size_t n) {
  if (marker_.empty() || markerWritten_ == 0) {
    feed(bytes, n);
    return;
  }
  held_.append(bytes, n);
  size_t at = held_.find(marker_);
  if (at == std::string::npos) return;
  std::string rest = held_.substr(at + marker_.size());
  held_.resize(at);
  const bool end = markerIsEnd_;
  dropMarker();  // passes on what came before the marker
  ++markersSeen_;
  if (end) endDrain();
  if (!rest.empty()) take(rest.data(), rest.size());
}

void Screen::dropMarker() {
  marker_.clear();
  markerWritten_ = 0;
  markerIsEnd_ = false;
  if (!held_.empty()) {
    std::string held;
    held.swap(held_);
    feed(held.data(), held.size());
  }
}

void Screen::endDrain() {
  drained_ = true;
  if (slave_ >= 0) close(slave_);
  slave_ = -1;
  dropMarker();
}

bool Screen::syncOutput(Clock::time_point deadline) {
  if (slave_ < 0 || drained_ || !marker_.empty()) return false;
  marker_ = "\x1b_ZOXTEST SYNC " + std::to_string(++syncCount_) + "\x1b\\";
  markerIsEnd_ = false;
  markerWritten_ = 0;
  const long seen = markersSeen_;
  while (markersSeen_ == seen && secondsLeft(deadline) > 0) {
    writeMarker();
    if (marker_.empty()) break;  // refused
    pump(std::min(secondsLeft(deadline), 0.01));
  }
  if (markersSeen_ != seen) return true;
  if (!marker_.empty() && !markerIsEnd_) dropMarker();  // given up; its bytes may still show
  return false;
}

namespace {

// The system call the process is blocked in (its number and first argument), or false when it
// runs or cannot be looked at.
bool blockedSyscall(pid_t pid, long& number, unsigned long& firstArg) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
  std::string nr, arg;
  if (!(in >> nr >> arg) || nr == "running") return false;
  char* end = nullptr;
  number = std::strtol(nr.c_str(), &end, 10);
  if (*end != '\0') return false;
  firstArg = std::strtoul(arg.c_str(), nullptr, 16);
  return true;
}

// The time the process has run so far (nanoseconds), or -1.
long long runTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  long long ns = -1;
  if (!(in >> ns)) return -1;
  return ns;
}

}  // namespace

bool Screen::canSeeIdle() {
  reap(false);
  if (status_ != -1) return false;
  // Without the right to trace the process, the file opens but cannot be read.
  std::ifstream in("/proc/" + std::to_string(pid_) + "/syscall");
  std::string first;
  return static_cast<bool>(in >> first);
}

bool Screen::waitsForInput() {
  // Keys typed but not yet read: the program is about to wake, even if it still seems to wait.
  int unread = 0;
  if (slave_ >= 0 && ioctl(slave_, FIONREAD, &unread) == 0 && unread > 0) return false;
  long nr = -1;
  unsigned long fd = 0;
  if (!blockedSyscall(pid_, nr, fd)) return false;
  switch (nr) {
    case SYS_read:
      return fd == 0;
    case SYS_poll:
    case SYS_ppoll:
    case SYS_select:
    case SYS_pselect6:
      return true;
    default:
      return false;
  }
}

bool Screen::waitForIdle(double timeoutSec) {
  auto deadline = deadlineAfter(timeoutSec);
  for (;;) {
    pump(0);
    if (status_ != -1) return false;
    // Blocked before and after the sync, and no time run in between: it wrote nothing after
    // the marker, so all it wrote is on the screen now.
    const long long before = runTime(pid_);
    if (before >= 0 && winchRepeats_ == 0 && waitsForInput() && syncOutput(deadline) &&
        waitsForInput() && runTime(pid_) == before) {
      return true;
    }
    double left = secondsLeft(deadline);
    if (left <= 0) return false;
    pump(std::min(left, 0.01));
  }
}

// curses looks for a pending SIGWINCH and then waits for input; a signal landing between the
// two goes unseen until the next key. A test resizes just when the program has drawn, which is
// exactly then. So until the program answers with some output, the signal is sent again.
void Screen::repeatWinch() {
  if (winchRepeats_ <= 0) return;
  if (raw_.size() != winchOutputMark_ || status_ != -1 || eof_) {
    winchRepeats_ = 0;
    return;
  }
  auto now = Clock::now();
  if (now - winchSent_ < std::chrono::milliseconds(kWinchRepeatMs)) return;
  pid_t group = tcgetpgrp(master_);
  kill(group > 0 ? -group : -pid_, SIGWINCH);
  winchSent_ = now;
  --winchRepeats_;
}

void Screen::send(std::string_view bytes) {
  pump(0);  // answer pending queries first, in order
  writeAll(bytes);
}

bool Screen::waitUntil(std::function<bool()> pred, double timeoutSec) {
  auto deadline = deadlineAfter(timeoutSec);
  for (;;) {
    pump(0);
    if (frozenCall(pred)) return true;
    double left = secondsLeft(deadline);
    if (left <= 0) return false;
    // Short slices so that conditions outside the screen (files, exit) are seen promptly.
    pump(std::min(left, 0.05));
  }
}

bool Screen::waitForScreen(const std::function<bool()>& pred, double timeoutSec) {
  auto deadline = deadlineAfter(timeoutSec);
  for (;;) {
    pump(0);
    if (frozenCall(pred)) return true;
    if (finished()) return false;  // the screen is final: no use waiting
    double left = secondsLeft(deadline);
    if (left <= 0) return false;
    pump(left);  // returns as soon as output comes
  }
}

bool Screen::waitForText(std::string_view utf8, double timeoutSec) {
  return waitForScreen([&] { return text().find(utf8) != std::string::npos; }, timeoutSec);
}

bool Screen::waitForRow(int r, std::string_view utf8, double timeoutSec) {
  return waitForScreen([&] { return row(r).find(utf8) != std::string::npos; }, timeoutSec);
}

bool Screen::waitForQuiet(double quietSec, double timeoutSec) {
  auto deadline = deadlineAfter(timeoutSec);
  for (;;) {
    size_t before = raw_.size();
    auto quietEnd = deadlineAfter(quietSec);
    while (raw_.size() == before && !eof_ && secondsLeft(quietEnd) > 0) {
      pump(secondsLeft(quietEnd));
    }
    if (raw_.size() == before) return true;
    if (secondsLeft(deadline) <= 0) return false;
  }
}

bool Screen::waitForExit(double timeoutSec) {
  auto deadline = deadlineAfter(timeoutSec);
  for (;;) {
    pump(0);
    if (status_ != -1 && eof_) return true;
    double left = secondsLeft(deadline);
    if (left <= 0) return status_ != -1;
    if (status_ != -1 && drained_) {
      // The child is gone but something it started still holds the pty: take what comes
      // until that falls quiet, and call it done.
      size_t before = raw_.size();
      pump(std::min(left, 1.0));
      if (raw_.size() == before && !eof_) return true;
      continue;
    }
    pump(left);
  }
}

bool Screen::running() {
  pump(0);
  return status_ == -1;
}

int Screen::exitStatus() {
  reap(false);
  return status_;
}

void Screen::signal(int sig) {
  if (pid_ > 0 && (status_ == -1 || othersHoldThePty())) kill(-pid_, sig);
}

void Screen::resize(int cols, int rows) {
  pump(0);  // what is already written was meant for the old size
  impl_->pages.pageBreak();
  vterm_set_size(impl_->vt, rows, cols);
  impl_->pages.restart(impl_->vs, rows, cols, false);  // ended above
  cols_ = cols;
  rows_ = rows;
  struct winsize ws {};
  ws.ws_row = static_cast<unsigned short>(rows);
  ws.ws_col = static_cast<unsigned short>(cols);
  // The kernel sends SIGWINCH to the terminal's foreground group, as a real terminal's does.
  ioctl(master_, TIOCSWINSZ, &ws);
  winchOutputMark_ = raw_.size();
  winchSent_ = Clock::now();
  winchRepeats_ = kWinchRepeats;
}

}  // namespace zoxtest