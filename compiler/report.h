// Where zoxcomp's report goes: the curses screen when standard output is a terminal, or a
// plain grid that is written out as lines at the end. The driver and the error list print
// through this interface only; the texts are Latin-1.
#pragma once

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zox {

struct Compiler;

class ReportScreen {
 public:
  virtual ~ReportScreen() = default;
  virtual int rows() const = 0;
  virtual int cols() const = 0;
  // Prints at the cursor as curses does: a newline clears the rest of the row and moves to
  // the start of the next; a character in the last column moves the cursor to the next row.
  // Control characters are shown as ^X.
  virtual void print(std::string_view latin1) = 0;
  // Moves the cursor; false (and no move) when the position is outside the screen.
  virtual bool moveTo(int row, int col) = 0;
  virtual int cursorRow() const = 0;
  virtual void refresh() = 0;
  virtual void clear() = 0;
  // Ends the report: curses ends and the rows stay readable; the plain grid is written out.
  virtual void end() = 0;
  // Called from the signal handler when no other call of this screen is under way: at column
  // 0 of the row two below the cursor writes "Error 10 !", then ends as end() does, using
  // nothing that allocates.
  virtual void endOnSignal() = 0;

  void printAt(int row, int col, std::string_view latin1) {
    if (moveTo(row, col)) print(latin1);
  }
};

// A screen of `width` columns and `height` rows kept in memory. Nothing scrolls: text beyond
// the last row is dropped. end() writes the rows from the first to the last that holds text
// (trailing blanks cut) to `out` in the locale's encoding; out may be null (keep only).
class GridScreen : public ReportScreen {
 public:
  GridScreen(std::FILE* out, int width = 80, int height = 200);
  int rows() const override { return height_; }
  int cols() const override { return width_; }
  void print(std::string_view latin1) override;
  bool moveTo(int row, int col) override;
  int cursorRow() const override { return row_; }
  void refresh() override {}
  void clear() override;
  void end() override;
  void endOnSignal() override;
  // The rows as end() writes them (Latin-1, each ended by '\n').
  std::string text() const;

 private:
  void put(char ch);
  size_t rowLength(int row) const;
  std::FILE* out_;
  int width_;
  int height_;
  int row_ = 0;
  int col_ = 0;
  bool wrapped_ = false;  // the last character went into the last column of the row above
  std::vector<char> cells_;
};

// Starts curses on standard output (newterm) and returns its screen, or null when the terminal
// cannot be used (the caller then reports on a GridScreen). The screen scrolls, so a long
// error list pushes the top rows away instead of running off the bottom.
std::unique_ptr<ReportScreen> startCursesScreen();

// Signal handling for zoxcomp: SIGINT, SIGQUIT and SIGTERM print error 10 on the screen,
// remove the output file if it was created, and exit with status 10. While there is a screen,
// a signal is acted upon at the end of the next screen call (the compile makes one at least
// every few thousand lines, at every pass and after every resource), never in the middle of
// the compile's own work; blocking opens and reads are cut short by it.
// REQUIRES: screen and compiler outlive the process (the program's globals). Call it again with
// a null screen once the screen has ended.
void installStopHandler(ReportScreen* screen, Compiler* compiler);

// Marks a call of the report screen: a stop signal waits for its end. Used by the screens.
class ScreenBusy {
 public:
  ScreenBusy();
  ~ScreenBusy();
  ScreenBusy(const ScreenBusy&) = delete;
  ScreenBusy& operator=(const ScreenBusy&) = delete;
};

// The report of the error list and of a fatal error (printed through the screen).
void reportErrors(const Compiler& c, ReportScreen& screen);
void reportFatal(const Compiler& c, ReportScreen& screen, int number, unsigned line);

}  // namespace zox
