// A small curses program for the harness's self-tests: colours, keypad keys, hidden cursor and
// the alternate screen, the way the executor's console uses them.
#include <curses.h>

#include <clocale>
#include <cstdio>

int main() {
  setlocale(LC_ALL, "");
  initscr();
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  start_color();
  init_pair(1, COLOR_RED, COLOR_BLUE);
  init_pair(2, COLOR_WHITE, COLOR_BLACK);
  curs_set(0);
  attron(COLOR_PAIR(1) | A_BOLD);
  mvaddstr(0, 0, "curses ready");
  attroff(COLOR_PAIR(1) | A_BOLD);
  attron(COLOR_PAIR(2) | A_REVERSE);
  mvaddwstr(1, 0, L"\u00e9t\u00e9");
  attroff(COLOR_PAIR(2) | A_REVERSE);
  mvprintw(LINES - 1, 0, "size %dx%d", COLS, LINES);
  refresh();
  for (int n = 1;; ++n) {
    int ch = getch();
    if (ch == 'q') break;
    if (ch == KEY_RESIZE) {
      erase();
      mvprintw(LINES - 1, 0, "size %dx%d", COLS, LINES);
    }
    // Each key on a row of its own, numbered, so that a test can wait for the n-th key.
    move(2, 0);
    clrtoeol();
    mvprintw(2, 0, "key %d %s", n, keyname(ch));
    refresh();
  }
  endwin();
  std::printf("bye\n");
  return 0;
}
