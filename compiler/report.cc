// The plain report grid, the printed error list, and the orderly stop on a signal.
#include "compiler/report.h"

#include <langinfo.h>
#include <unistd.h>

#include <cstring>

#include "compiler/compiler.h"

namespace zox {

namespace {

volatile sig_atomic_t g_busy = 0;
volatile sig_atomic_t g_stopPending = 0;
volatile sig_atomic_t g_stopping = 0;
ReportScreen* g_stopScreen = nullptr;
volatile sig_atomic_t g_screenEnded = 0;  // a screen was there and has ended
Compiler* g_stopCompiler = nullptr;

[[noreturn]] void stopNow() {
  // Once: a second signal, or the screen calls made while stopping, do not start it again.
  sigset_t all;
  sigemptyset(&all);
  sigaddset(&all, SIGINT);
  sigaddset(&all, SIGQUIT);
  sigaddset(&all, SIGTERM);
  sigaddset(&all, SIGALRM);
  sigprocmask(SIG_BLOCK, &all, nullptr);
  g_stopping = 1;
  g_stopPending = 0;
  if (g_stopScreen) {
    g_stopScreen->endOnSignal();
  } else if (g_screenEnded) {
    // The report is out and the terminal is the shell's again: the line goes below it.
    static const char kLine[] = "Error 10 !\n";
    if (write(STDOUT_FILENO, kLine, sizeof kLine - 1) < 0) {
    }
  }
  Compiler* c = g_stopCompiler;
  if (c && c->outputCreated && !c->keepOutput) unlink(c->outputPath.c_str());
  _exit(kErrSignal);
}

// With a screen the stop waits for the end of the next screen call, which the compile reaches
// within a few thousand lines, at the next pass or resource, or at its end: the signal may
// have come in the middle of an allocation, and ending the screen may allocate. Should no
// screen call come within a second (the compile waits for a resource that is a pipe, say, and
// so is in no allocation), the alarm stops it there. Without a screen there is only the output
// to remove, which is safe at any moment.
extern "C" void onStopSignal(int sig) {
  if (g_stopping) return;
  if (sig == SIGALRM) {
    if (!g_stopPending) return;
    if (g_busy > 0) {
      alarm(1);  // the screen call itself is blocked: its end will come first
      return;
    }
    stopNow();
  }
  if (g_stopScreen != nullptr || g_busy > 0) {
    if (!g_stopPending) alarm(1);
    g_stopPending = 1;
    return;
  }
  stopNow();
}

// Latin-1 to UTF-8 or to plain ASCII ('?' for what ASCII lacks), decided once from the
// locale; usable in the signal handler.
bool localeIsUtf8() {
  const char* set = nl_langinfo(CODESET);
  return set && (std::strcmp(set, "UTF-8") == 0 || std::strcmp(set, "utf8") == 0);
}

size_t encodeLatin1(unsigned char ch, bool utf8, char* out) {
  if (ch < 0x80) {
    out[0] = static_cast<char>(ch);
    return 1;
  }
  if (!utf8) {
    out[0] = '?';
    return 1;
  }
  out[0] = static_cast<char>(0xC0 | (ch >> 6));
  out[1] = static_cast<char>(0x80 | (ch & 0x3F));
  return 2;
}

}  // namespace

ScreenBusy::ScreenBusy() {
  g_busy = g_busy + 1;
}

ScreenBusy::~ScreenBusy() {
  g_busy = g_busy - 1;
  if (g_busy == 0 && g_stopPending && !g_stopping) stopNow();
}

void installStopHandler(ReportScreen* screen, Compiler* compiler) {
  if (screen == nullptr && g_stopScreen != nullptr) g_screenEnded = 1;
  g_stopScreen = screen;
  g_stopCompiler = compiler;
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no restart: a blocked open or read returns, and the stop can come
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGQUIT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGALRM, &sa, nullptr);
  // A stop that waited for a screen call that no longer comes (the screen has ended).
  if (screen == nullptr && g_stopPending && g_busy == 0 && !g_stopping) stopNow();
}

// ---- GridScreen ----

GridScreen::GridScreen(std::FILE* out, int width, int height)
    : out_(out), width_(width), height_(height), cells_(static_cast<size_t>(width * height), ' ') {}

void GridScreen::clear() {
  std::fill(cells_.begin(), cells_.end(), ' ');
  row_ = col_ = 0;
  wrapped_ = false;
}

bool GridScreen::moveTo(int row, int col) {
  if (row < 0 || row >= height_ || col < 0 || col >= width_) return false;
  row_ = row;
  col_ = col;
  wrapped_ = false;
  return true;
}

void GridScreen::put(char ch) {
  wrapped_ = false;
  cells_[static_cast<size_t>(row_ * width_ + col_)] = ch;
  if (++col_ < width_) return;
  if (row_ + 1 < height_) {
    ++row_;
    col_ = 0;
    wrapped_ = true;
  } else {
    col_ = width_ - 1;  // the bottom row: stays at its end, as a screen that does not scroll
  }
}

void GridScreen::print(std::string_view latin1) {
  ScreenBusy busy;
  for (char ch : latin1) {
    unsigned char u = static_cast<unsigned char>(ch);
    if (ch == '\n') {
      for (int c = col_; c < width_; ++c) cells_[static_cast<size_t>(row_ * width_ + c)] = ' ';
      if (row_ + 1 < height_) ++row_;
      col_ = 0;
      wrapped_ = false;
    } else if (u < 0x20 || u == 0x7F) {
      put('^');
      put(static_cast<char>(u ^ 0x40));
    } else if (u >= 0x80 && u < 0xA0) {
      put('?');
    } else {
      put(ch);
    }
  }
}

size_t GridScreen::rowLength(int row) const {
  size_t n = static_cast<size_t>(width_);
  const char* r = &cells_[static_cast<size_t>(row * width_)];
  while (n > 0 && r[n - 1] == ' ') --n;
  return n;
}

std::string GridScreen::text() const {
  int first = 0;
  int last = -1;
  for (int r = 0; r < height_; ++r) {
    if (rowLength(r) > 0) last = r;
  }
  while (first <= last && rowLength(first) == 0) ++first;
  std::string out;
  for (int r = first; r <= last; ++r) {
    out.append(&cells_[static_cast<size_t>(r * width_)], rowLength(r));
    out.push_back('\n');
  }
  return out;
}

void GridScreen::end() {
  ScreenBusy busy;
  if (!out_) return;
  bool utf8 = localeIsUtf8();
  std::string rows = text();
  for (char ch : rows) {
    char buf[2];
    size_t n = encodeLatin1(static_cast<unsigned char>(ch), utf8, buf);
    std::fwrite(buf, 1, n, out_);
  }
  std::fflush(out_);
}

void GridScreen::endOnSignal() {
  if (moveTo(row_ + 2 < height_ ? row_ + 2 : height_ - 1, 0)) print("Error 10 !\n");
  if (!out_) return;
  bool utf8 = localeIsUtf8();
  int fd = fileno(out_);
  int last = -1;
  for (int r = 0; r < height_; ++r) {
    if (rowLength(r) > 0) last = r;
  }
  bool started = false;
  for (int r = 0; r <= last; ++r) {
    size_t n = rowLength(r);
    if (n == 0 && !started) continue;
    started = true;
    char buf[2 * 512 + 1];
    size_t len = 0;
    for (size_t i = 0; i < n && len + 2 < sizeof buf - 1; ++i) {
      len += encodeLatin1(static_cast<unsigned char>(cells_[static_cast<size_t>(r * width_) + i]),
                          utf8, buf + len);
    }
    buf[len++] = '\n';
    if (write(fd, buf, len) < 0) break;
  }
}

// ---- Error list report ----

void reportErrors(const Compiler& c, ReportScreen& screen) {
  screen.moveTo(screen.cursorRow() + 1, 0);
  const ErrorList& list = c.errors;
  if (list.empty()) return;
  char line[128];
  for (int i = 0; i < list.count; ++i) {
    const RecordedError& e = list.entries[i];
    bool hasText = !e.excerpt.empty();
    if (e.line != 0 && hasText) {
      std::snprintf(line, sizeof line, "\nError %02d in line %05u : '", e.number, e.line);
    } else if (e.line != 0) {
      std::snprintf(line, sizeof line, "\nError %02d in line %05u !", e.number, e.line);
    } else if (hasText) {
      std::snprintf(line, sizeof line, "\nError %02d : '", e.number);
    } else {
      std::snprintf(line, sizeof line, "\nError %02d !", e.number);
    }
    screen.print(line);
    if (hasText) {
      screen.print(e.excerpt);
      screen.print("'");
    }
  }
  if (list.full()) {
    screen.print("\n\nToo many errors !");
  } else {
    std::snprintf(line, sizeof line, "\n\n%02d error(s) found !", list.count);
    screen.print(line);
  }
  screen.print("\n");
  screen.refresh();
}

void reportFatal(const Compiler& c, ReportScreen& screen, int number, unsigned line) {
  reportErrors(c, screen);
  char text[64];
  if (line == 0) {
    std::snprintf(text, sizeof text, "\nError %02d !\n", number);
  } else {
    std::snprintf(text, sizeof text, "\nError %02d in line %05u !\n", number, line);
  }
  screen.print(text);
  screen.refresh();
}

}  // namespace zox
