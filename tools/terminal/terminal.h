// A virtual terminal: runs a real program in a pseudo-terminal and reads its screen through an
// embedded terminal emulator (libvterm), so that a caller can type keys, wait for text and check
// cells. The screen tests and zoxtest, the walkthrough runner, are both built on it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zoxtest {

// Colour values in Cell::fg / Cell::bg.
inline constexpr int kDefaultColor = -1;    // the terminal's default (SGR 39 / 49, or none set)
inline constexpr int kRgbFlag = 0x1000000;  // kRgbFlag | 0xRRGGBB for a direct RGB colour
constexpr int rgb(int r, int g, int b) {
  return kRgbFlag | (r << 16) | (g << 8) | b;
}

// One character cell of the screen.
//   text: the character as UTF-8 (with any combining characters); "" for a blank cell, one never
//         written or erased (row() and text() show it as a space). The right half of a
//         double-width character is also "".
//   fg, bg: the colour as the program asked for it (an erased cell has the colours it was
//         erased with, as on xterm):
//         SGR 30-37 / 40-47           -> 0..7
//         SGR 90-97 / 100-107         -> 8..15
//         SGR 38;5;N / 48;5;N         -> N (0..255)
//         SGR 38;2;R;G;B / 48;2;...   -> rgb(R, G, B)
//         SGR 39 / 49 or nothing set  -> kDefaultColor
//         libvterm 0.1.4 keeps indexed colours as indices in its cells (VTERM_COLOR_IS_INDEXED)
//         and marks the defaults with VTERM_COLOR_DEFAULT_FG/BG; only
//         vterm_state_convert_color_to_rgb() would turn them into its palette's RGB, and the
//         harness never calls it. Its bold-is-bright option is off, so bold does not brighten:
//         bold red is fg 1 with bold = true.
//   reverse: SGR 7 as set by the program; fg/bg are NOT swapped for it.
struct Cell {
  std::string text;
  int fg = kDefaultColor;
  int bg = kDefaultColor;
  bool bold = false;
  bool underline = false;
  bool blink = false;
  bool reverse = false;
  int width = 1;  // 2 for the left half of a double-width character
};

struct ScreenOptions {
  int cols = 80;
  int rows = 25;
  std::string term = "xterm-256color";  // TERM for the child; "linux" has no alternate screen
  std::string cwd = {};                 // working directory of the child; "" keeps ours
  std::vector<std::string> env = {};    // extra NAME=VALUE, applied last (override the above)
  std::string locale = "C.UTF-8";       // LANG and LC_ALL; the other LC_* are cleared
};

// Keys as a real xterm sends them. Cursor keys, Home and End follow the application cursor mode
// (DECCKM, set by curses' keypad()), as xterm does: ESC O A instead of ESC [ A. With a term
// starting "linux" the keys are the Linux console's: Home ESC [ 1 ~, End ESC [ 4 ~,
// F1-F5 ESC [ [ A-E, cursor keys always ESC [ A-D; the others as xterm.
enum class Key {
  Enter,   // "\r"
  Escape,  // "\x1b"
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  Delete,     // ESC [ 3 ~
  Backspace,  // "\x7f"
  Tab,        // "\t"
  CtrlC,      // "\x03" (the pty turns it into SIGINT unless the program is in raw mode)
  PageUp,     // ESC [ 5 ~
  PageDown,   // ESC [ 6 ~
  Insert,     // ESC [ 2 ~
  F1,         // ESC O P
  F2,
  F3,
  F4,
  F5,  // ESC [ 15 ~
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
};

// A page a program showed (see Screen::keepPages): its text, one line per row, each ending in
// '\n', with the notes made while it showed after the rows they were made on. A page without
// new text holds only notes made after the page before.
struct ScreenPage {
  std::string text;
  bool newText = true;
};

// A program running in its own pseudo-terminal and session, with the screen it draws.
// All reads of the screen first take in whatever the program has written so far, and every
// wait pumps the program's output while it waits; nothing sleeps a fixed time.
// Row and column numbers start at 0. Not thread-safe; each Screen is independent. Neither
// copyable nor movable (hold one in std::optional or std::unique_ptr if need be).
class Screen {
 public:
  // Starts argv[0] (looked up in PATH if it has no '/') with argv in a new pty of the given
  // size. Throws std::runtime_error if the pty cannot be made; if exec fails the child exits
  // with status 127 and prints the reason on the screen, and startError() tells why.
  explicit Screen(std::vector<std::string> argv, ScreenOptions opts = {});
  ~Screen();  // kills the child's process group if it still runs, and reaps it
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  void send(std::string_view bytes);  // raw bytes to the program (UTF-8 text etc.)
  void key(Key k);                    // the escape sequence a real xterm sends
  void type(std::string_view utf8) { send(utf8); }

  // Each wait returns true as soon as the condition holds, false after timeoutSec.
  // waitForText and waitForRow also give up at once when the program has ended and all its
  // output is in (the screen can no longer change). Text is matched within one row: rows are
  // joined with '\n', so a needle never matches across a line break unless it contains '\n'.
  bool waitForText(std::string_view utf8, double timeoutSec = 20);          // anywhere on screen
  bool waitForRow(int row, std::string_view utf8, double timeoutSec = 20);  // row contains
  // Pumps output meanwhile and asks pred at least every 50 ms, so pred may look at files too.
  bool waitUntil(std::function<bool()> pred, double timeoutSec = 20);
  // Waits until the program has written nothing for quietSec (or has exited); use sparingly,
  // when a test must check that something did NOT appear. False after timeoutSec.
  bool waitForQuiet(double quietSec = 0.3, double timeoutSec = 20);
  // Waits until the program is blocked reading its terminal (read of fd 0, or poll/select)
  // and everything it wrote before is on the screen: the screen then stays as it is until
  // the test types or resizes. For the direct child only (not a program under a shell).
  // False after timeoutSec, or when the program has ended.
  bool waitForIdle(double timeoutSec = 20);

  std::string row(int r);       // UTF-8 text of a row, trailing blanks trimmed; "" if out of range
  std::string text();           // all rows joined with '\n' (each trimmed)
  Cell cell(int col, int row);  // an out-of-range cell comes back as a default, empty Cell
  int cursorRow();
  int cursorCol();
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  bool altScreen();      // the program currently shows the alternate screen
  bool cursorVisible();  // false after the program hid the cursor (ESC [ ? 25 l, curs_set(0))

  // TIOCSWINSZ (the kernel sends SIGWINCH), the emulator resized too. Until the program
  // writes something, SIGWINCH is repeated every 250 ms (up to 40 times) during later waits:
  // curses can miss a signal that arrives just before it waits for input.
  void resize(int cols, int rows);
  void signal(int sig);  // to the child's process group
  // Pumps output until the child has exited and the pty is drained to EOF, so the final
  // screen is complete. False on timeout (the child still runs).
  bool waitForExit(double timeoutSec = 20);
  bool running();    // the child has not yet been reaped
  int exitStatus();  // exit code, or 128+signal number; -1 while running
  pid_t pid() const { return pid_; }
  // The errno of a start that failed (the working directory could not be entered, or exec
  // failed); 0 when the program was started.
  int startError() const { return startErrno_; }
  // Whether waitForIdle() can see the program wait: it reads /proc/PID/syscall, which a
  // system may keep closed. False once the program has ended.
  bool canSeeIdle();

  // Pages: from keepPages() on, the emulator keeps what the program shows, page by page, as
  // plain text (rows trimmed of trailing blanks, trailing empty rows left out). A page is what
  // one screen showed: it ends when text on the screen that no page holds yet is about to go,
  // because the screen is cleared or such rows are erased, or the program switches between the
  // normal and the alternate screen; it also ends when the window is resized and when the
  // caller calls pageBreak() (at the end, say). Rows that scroll out of the top of the screen
  // (or of a scrolling region) in the meantime come first on the page they left. A page is
  // kept only if new text came since the last one. Call it right after the start to miss
  // nothing: the program's output is taken in only by the calls that read or wait.
  void keepPages();
  // A line for the transcript (what the player did, say), kept after the row the cursor
  // stands on, on whichever page that row ends up.
  void notePage(std::string note);
  void pageBreak();
  std::vector<ScreenPage> takePages();  // the pages kept so far, handed over

  // The screen with row numbers and the cursor, for failure messages; then how many bytes the
  // program wrote, how its output ended, and its last bytes with escapes (\e for ESC).
  std::string dump();
  std::string output() const { return raw_; }  // every byte the program wrote, as written

  struct Impl;  // the emulator (kept out of this header so tests need no libvterm includes)

 private:
  void pump(double timeoutSec);  // read what is there, waiting up to timeoutSec for some
  void refresh();                // pump(0) unless a wait is asking its condition
  bool frozenCall(const std::function<bool()>& pred);
  bool waitForScreen(const std::function<bool()>& pred, double timeoutSec);
  bool finished() const { return status_ != -1 && eof_; }  // exited, output all read
  // After the child's end: someone it started still holds the pty (we no longer do).
  bool othersHoldThePty() const { return drained_ && !eof_; }
  void take(const char* bytes, size_t n);
  void feed(const char* bytes, size_t n);
  void drainStep();
  void writeMarker();
  void dropMarker();
  void endDrain();
  bool syncOutput(std::chrono::steady_clock::time_point deadline);
  bool waitsForInput();
  void reap(bool block);
  void writeAll(std::string_view bytes);
  void repeatWinch();

  std::unique_ptr<Impl> impl_;
  int startErrno_ = 0;
  int master_ = -1;
  int slave_ = -1;  // our own opening of the slave side, until the end marker is through
  std::string endMarker_;
  std::string marker_;  // the marker on its way (end or sync), "" when none
  bool markerIsEnd_ = false;
  size_t markerWritten_ = 0;
  long markersSeen_ = 0;
  long syncCount_ = 0;
  bool drained_ = false;  // all the child wrote is in (or cannot come any more)
  std::string held_;      // read after the marker was sent, before it came
  std::chrono::steady_clock::time_point drainDeadline_{};
  static constexpr double kDrainSec = 10;
  int pidfd_ = -1;  // becomes readable when the child ends
  pid_t pid_ = -1;
  int status_ = -1;
  bool eof_ = false;
  int eofErrno_ = 0;              // errno of the read that saw the end (EIO on Linux)
  bool eofWhileRunning_ = false;  // the end came before the child could be reaped
  static constexpr size_t kDumpTailBytes = 240;
  bool frozen_ = false;
  bool linuxKeys_ = false;
  int cols_ = 80;
  int rows_ = 25;
  std::string raw_;

  static constexpr int kWinchRepeatMs = 250;
  static constexpr int kWinchRepeats = 40;
  int winchRepeats_ = 0;        // SIGWINCHes still to repeat if the program stays silent
  size_t winchOutputMark_ = 0;  // raw_.size() at the resize
  std::chrono::steady_clock::time_point winchSent_{};
};

}  // namespace zoxtest
