// The report on the terminal through curses: the one place where zoxcomp calls curses.
#include <curses.h>
#include <term.h>

#include <algorithm>
#include <string>

#include "compiler/report.h"
#include "console/keep_screen.h"

namespace zox {

namespace {

class CursesScreen : public ReportScreen {
 public:
  int rows() const override { return getmaxy(stdscr); }
  int cols() const override { return getmaxx(stdscr); }

  void print(std::string_view latin1) override {
    ScreenBusy busy;
    // Latin-1 is the first block of Unicode: each byte is its own wide character.
    wchar_t wide[256];
    int n = 0;
    auto flush = [&] {
      if (n == 0) return;
      noteTextRow();
      waddnwstr(stdscr, wide, n);
      if (getcurx(stdscr) > 0) noteTextRow();
      n = 0;
    };
    for (char ch : latin1) {
      unsigned char u = static_cast<unsigned char>(ch);
      if (n + 2 >= static_cast<int>(sizeof wide / sizeof wide[0])) flush();
      if (ch == '\n') {
        flush();
        waddch(stdscr, '\n');
      } else if (u < 0x20 || u == 0x7F) {
        wide[n++] = L'^';
        wide[n++] = static_cast<wchar_t>(u ^ 0x40);
      } else if (u >= 0x80 && u < 0xA0) {
        wide[n++] = L'?';
      } else {
        wide[n++] = static_cast<wchar_t>(u);
      }
    }
    flush();
  }

  bool moveTo(int row, int col) override {
    ScreenBusy busy;
    return wmove(stdscr, row, col) == OK;
  }
  int cursorRow() const override { return getcury(stdscr); }
  void refresh() override {
    ScreenBusy busy;
    ::refresh();
  }
  void clear() override {
    ScreenBusy busy;
    ::clear();
    lastRow_ = 0;
  }
  void end() override {
    ScreenBusy busy;
    ::refresh();
    endCursesKeepingRows(lastRow_ + 1);
  }
  void endOnSignal() override {
    int row = std::min(getcury(stdscr) + 2, getmaxy(stdscr) - 1);
    wmove(stdscr, row, 0);
    noteTextRow();
    waddnstr(stdscr, "Error 10 !\n", -1);
    ::refresh();
    endCursesKeepingRows(lastRow_ + 1);
  }

 private:
  // The last row that holds report text, so that the rows kept after the end stop there (an
  // empty cursor row below the report would make the terminal scroll it by one).
  void noteTextRow() { lastRow_ = std::max(lastRow_, getcury(stdscr)); }
  int lastRow_ = 0;
};

}  // namespace

std::unique_ptr<ReportScreen> startCursesScreen() {
  SCREEN* screen = newterm(nullptr, stdout, stdin);
  if (screen == nullptr) return nullptr;
  set_term(screen);
  // A terminal that cannot place the cursor gets the plain report instead.
  const char* cup = tigetstr(const_cast<char*>("cup"));
  if (cup == nullptr || cup == reinterpret_cast<const char*>(-1)) {
    endwin();
    delscreen(screen);
    return nullptr;
  }
  cbreak();
  nl();
  intrflush(stdscr, FALSE);
  scrollok(stdscr, TRUE);
  prepareCursesEnd();  // so that the stop on a signal allocates nothing
  return std::make_unique<CursesScreen>();
}

}  // namespace zox
