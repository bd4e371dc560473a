// The screen-test harness: a child in a pseudo-terminal, its output fed to libvterm's screen.
#include "screen.h"

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
#include <vterm.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::string joinPath(std::string_view dir, std::string_view name) {
  std::string p(dir);
  if (!p.empty() && p.back() != '/') p += '/';
  p += name;
  return p;
}

void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int colorValue(const VTermColor& c, bool foreground) {
  if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c)) {
    return kDefaultColor;
  }
  if (VTERM_COLOR_IS_INDEXED(&c)) return c.indexed.idx;
  return rgb(c.rgb.red, c.rgb.green, c.rgb.blue);
}

// The last bytes of out, with escapes for what is not printable ASCII: \e, \r, \n, \xHH.
std::string escapedTail(const std::string& out, size_t count) {
  std::string r;
  if (out.size() > count) r = "...";
  for (size_t i = out.size() > count ? out.size() - count : 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c == 0x1b) {
      r += "\\e";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\\' || c == '"') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      r += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      r += hex;
    }
  }
  return r;
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

std::string binPath(std::string_view program) {
  return joinPath(ZOX_BIN_DIR, program);
}
std::string dataPath(std::string_view relative) {
  return joinPath(ZOX_TEST_DATA, relative);
}

// ---------------------------------------------------------------------------------------------
// TempDir

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = joinPath(base && *base ? base : "/tmp", "zoxtest-XXXXXX");
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) {
    throw std::runtime_error("cannot make a temporary directory " + tmpl + ": " + strerror(errno));
  }
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(std::string_view name) const {
  return joinPath(path_, name);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
  std::filesystem::path p = file(name);
  std::error_code ec;
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string TempDir::read(std::string_view name) const {
  std::string p = file(name);
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempDir::exists(std::string_view name) const {
  std::error_code ec;
  return std::filesystem::exists(file(name), ec);
}

// ---------------------------------------------------------------------------------------------
// The emulator

struct Screen::Impl {
  VTerm* vt = nullptr;
  VTermScreen* vs = nullptr;
  VTermState* state = nullptr;
  std::string replies;  // what the terminal says back (query answers, keys), not yet written
  bool altscreen = false;
  bool cursorVisible = true;

  static void output(const char* s, size_t len, void* user) {
    static_cast<Impl*>(user)->replies.append(s, len);
  }
  static int settermprop(VTermProp prop, VTermValue* val, void* user) {
    Impl* self = static_cast<Impl*>(user);
    if (prop == VTERM_PROP_ALTSCREEN) self->altscreen = val->boolean;
    if (prop == VTERM_PROP_CURSORVISIBLE) self->cursorVisible = val->boolean;
    return 1;
  }

  Impl(int rows, int cols) {
    vt = vterm_new(rows, cols);
    if (!vt) throw std::runtime_error("cannot create the terminal emulator");
    vterm_set_utf8(vt, 1);
    vterm_output_set_callback(vt, &Impl::output, this);
    vs = vterm_obtain_screen(vt);
    state = vterm_obtain_state(vt);
    static const VTermScreenCallbacks callbacks = [] {
      VTermScreenCallbacks cb{};
      cb.settermprop = &Impl::settermprop;
      return cb;
    }();
    vterm_screen_set_callbacks(vs, &callbacks, this);
    vterm_screen_enable_altscreen(vs, 1);
    vterm_screen_reset(vs, 1);
  }
  ~Impl() { vterm_free(vt); }
};

// ---------------------------------------------------------------------------------------------
// Screen

namespace {

// While set, reading the screen does not take in new output: a condition made of several reads
// then sees one picture, and output read in the middle of it cannot go unnoticed by the wait.
class Freeze {
 public:
  explicit Freeze(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~Freeze() { flag_ = old_; }

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

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
  fflush(nullptr);
  pid_ = forkpty(&master_, nullptr, nullptr, &ws);  // new session, pty as controlling tty
  if (pid_ < 0) throw std::runtime_error(std::string("forkpty: ") + strerror(errno));
  if (pid_ == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
    closefrom(3);
    if (utf8) {
      // As a terminal in UTF-8 mode does: the line discipline erases whole characters.
      struct termios t;
      if (tcgetattr(0, &t) == 0) {
        t.c_iflag |= IUTF8;
        tcsetattr(0, TCSANOW, &t);
      }
    }
    if (cwd && chdir(cwd) != 0) {
      dprintf(2, "zoxtest: cannot enter %s: %s\r\n", cwd, strerror(errno));
      _exit(127);
    }
    environ = cenv.data();
    execvp(cargv[0], cargv.data());
    dprintf(2, "zoxtest: cannot run %s: %s\r\n", cargv[0], strerror(errno));
    _exit(127);
  }
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

bool Screen::waitsForInput() {
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

namespace {

// The Linux console's own keys where they differ from xterm's; it has no application mode.
const char* linuxConsoleKey(Key k) {
  switch (k) {
    case Key::Up:
      return "\x1b[A";
    case Key::Down:
      return "\x1b[B";
    case Key::Right:
      return "\x1b[C";
    case Key::Left:
      return "\x1b[D";
    case Key::Home:
      return "\x1b[1~";
    case Key::End:
      return "\x1b[4~";
    case Key::F1:
      return "\x1b[[A";
    case Key::F2:
      return "\x1b[[B";
    case Key::F3:
      return "\x1b[[C";
    case Key::F4:
      return "\x1b[[D";
    case Key::F5:
      return "\x1b[[E";
    default:
      return nullptr;
  }
}

}  // namespace

void Screen::key(Key k) {
  pump(0);  // the program may just have switched cursor-key mode
  if (const char* seq = linuxKeys_ ? linuxConsoleKey(k) : nullptr) {
    writeAll(seq);
    return;
  }
  VTermKey vk = VTERM_KEY_NONE;
  switch (k) {
    case Key::Enter:
      vk = VTERM_KEY_ENTER;
      break;
    case Key::Escape:
      vk = VTERM_KEY_ESCAPE;
      break;
    case Key::Up:
      vk = VTERM_KEY_UP;
      break;
    case Key::Down:
      vk = VTERM_KEY_DOWN;
      break;
    case Key::Left:
      vk = VTERM_KEY_LEFT;
      break;
    case Key::Right:
      vk = VTERM_KEY_RIGHT;
      break;
    case Key::Home:
      vk = VTERM_KEY_HOME;
      break;
    case Key::End:
      vk = VTERM_KEY_END;
      break;
    case Key::Delete:
      vk = VTERM_KEY_DEL;
      break;
    case Key::Backspace:
      vk = VTERM_KEY_BACKSPACE;
      break;
    case Key::Tab:
      vk = VTERM_KEY_TAB;
      break;
    case Key::PageUp:
      vk = VTERM_KEY_PAGEUP;
      break;
    case Key::PageDown:
      vk = VTERM_KEY_PAGEDOWN;
      break;
    case Key::Insert:
      vk = VTERM_KEY_INS;
      break;
    case Key::CtrlC:
      writeAll("\x03");
      return;
    default:
      vk = static_cast<VTermKey>(
          VTERM_KEY_FUNCTION(static_cast<int>(k) - static_cast<int>(Key::F1) + 1));
      break;
  }
  vterm_keyboard_key(impl_->vt, vk, VTERM_MOD_NONE);
  std::string bytes;
  bytes.swap(impl_->replies);
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
  vterm_set_size(impl_->vt, rows, cols);
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

Cell Screen::cell(int col, int r) {
  refresh();
  Cell out;
  if (col < 0 || col >= cols_ || r < 0 || r >= rows_) return out;
  VTermScreenCell c{};
  VTermPos pos{r, col};
  if (!vterm_screen_get_cell(impl_->vs, pos, &c)) return out;
  for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
    if (c.chars[i] == static_cast<uint32_t>(-1)) break;  // right half of a wide character
    appendUtf8(out.text, c.chars[i]);
  }
  out.fg = colorValue(c.fg, true);
  out.bg = colorValue(c.bg, false);
  out.bold = c.attrs.bold;
  out.underline = c.attrs.underline != 0;
  out.blink = c.attrs.blink;
  out.reverse = c.attrs.reverse;
  out.width = c.width;
  return out;
}

std::string Screen::row(int r) {
  refresh();
  std::string out;
  if (r < 0 || r >= rows_) return out;
  for (int col = 0; col < cols_; ++col) {
    VTermScreenCell c{};
    if (!vterm_screen_get_cell(impl_->vs, VTermPos{r, col}, &c)) break;
    if (c.chars[0] == static_cast<uint32_t>(-1)) continue;  // right half of a wide character
    if (c.chars[0] == 0) {
      out += ' ';
      continue;
    }
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
      appendUtf8(out, c.chars[i]);
    }
    if (c.width > 1) col += c.width - 1;
  }
  size_t end = out.find_last_not_of(' ');
  out.erase(end == std::string::npos ? 0 : end + 1);
  return out;
}

std::string Screen::text() {
  refresh();
  Freeze freeze(frozen_);  // one consistent picture of all rows
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    if (r) out += '\n';
    out += row(r);
  }
  return out;
}

int Screen::cursorRow() {
  refresh();
  VTermPos pos{};
  vterm_state_get_cursorpos(impl_->state, &pos);
  return pos.row;
}

int Screen::cursorCol() {
  refresh();
  VTermPos pos{};
  vterm_state_get_cursorpos(impl_->state, &pos);
  return pos.col;
}

bool Screen::altScreen() {
  refresh();
  return impl_->altscreen;
}

bool Screen::cursorVisible() {
  refresh();
  return impl_->cursorVisible;
}

std::string Screen::dump() {
  refresh();
  Freeze freeze(frozen_);
  std::ostringstream s;
  s << "screen " << cols_ << "x" << rows_ << ", cursor row " << cursorRow() << " col "
    << cursorCol() << (impl_->cursorVisible ? "" : " (hidden)")
    << (impl_->altscreen ? ", alternate screen" : "");
  if (status_ != -1) {
    s << ", exited " << status_;
  } else {
    s << ", running";
  }
  s << "\n    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  for (int r = 0; r < rows_; ++r) {
    char num[16];
    snprintf(num, sizeof num, "%3d ", r);
    s << num << '|' << row(r) << "\n";
  }
  s << "    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  // What came from the program, so that a screen missing its last part shows whether the
  // bytes never came or were drawn differently.
  s << "    output: " << raw_.size() << " bytes";
  if (eof_) {
    s << ", ended by " << (eofErrno_ ? strerror(eofErrno_) : std::string("a read of 0 bytes"))
      << (eofWhileRunning_ ? ", before the program's end was seen" : "");
  } else {
    s << ", no end of output yet";
  }
  s << "; the last ones: \"" << escapedTail(raw_, kDumpTailBytes) << "\"\n";
  return s.str();
}

}  // namespace zoxtest
