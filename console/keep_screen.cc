// Ending curses with the kept rows still readable: on a terminal with an alternate screen
// they are written out again, as plain text, once the old screen is back.
#include "console/keep_screen.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <climits>
#include <cwchar>
#include <string_view>

namespace zox {

namespace {

constexpr int kMaxColumns = 512;

// Set by prepareCursesEnd: -1 not yet known, else 0 or 1.
int gAlternateScreen = -1;

void writeAll(const char* bytes, std::size_t n) {
  while (n > 0) {
    const ssize_t written = write(STDOUT_FILENO, bytes, n);
    if (written <= 0) return;
    bytes += written;
    n -= static_cast<std::size_t>(written);
  }
}

// A cell drawn in the same foreground and background colour cannot be seen.
bool invisible(short pair) {
  if (pair <= 0) return false;
  short foreground = 0, background = 0;
  return pair_content(pair, &foreground, &background) == OK && foreground == background;
}

// curses keeps what it learns from a parameterized string (a colour, a cursor move) in a cache
// that it fills on the string's first use, allocating. A stop handler that draws its error
// line and ends curses may well be the first to use some of them, at a moment when the
// allocator was interrupted; so every such string of the terminal is formatted once here,
// with small and with large numbers so that the output buffer has grown to its size too.
// Strings that take text parameters are left out: they are never used for drawing.
void warmParameterStrings() {
  for (int i = 0; strnames[i] != nullptr; ++i) {
    const char* cap = tigetstr(const_cast<char*>(strnames[i]));
    if (cap == nullptr || cap == reinterpret_cast<char*>(-1)) continue;
    const std::string_view text(cap);
    if (text.find('%') == std::string_view::npos || text.find("%s") != std::string_view::npos ||
        text.find("%l") != std::string_view::npos) {
      continue;
    }
    for (long n : {0L, 9999L}) tiparm(cap, n, n, n, n, n, n, n, n, n);
  }
}

}  // namespace

bool terminalHasAlternateScreen() {
  char* smcup = tigetstr(const_cast<char*>("smcup"));
  return smcup != nullptr && smcup != reinterpret_cast<char*>(-1) && *smcup != '\0';
}

void prepareCursesEnd() {
  gAlternateScreen = terminalHasAlternateScreen() ? 1 : 0;
  warmParameterStrings();
  // The first refreshes make the tables curses compares the screen with: one with the screen
  // as it is (cleared), and one with a change, which the comparison has to look at.
  wrefresh(stdscr);
  mvwaddch(stdscr, 0, 0, ' ');
  touchwin(stdscr);
  wrefresh(stdscr);
  wmove(stdscr, 0, 0);
  // The first conversion loads the locale's converter; later ones allocate nothing.
  char bytes[MB_LEN_MAX];
  std::mbstate_t state{};
  std::wcrtomb(bytes, L'\u00e9', &state);
}

void endCursesKeepingRows(int rowsToKeep) {
  const bool alternate =
      gAlternateScreen >= 0 ? gAlternateScreen == 1 : terminalHasAlternateScreen();
  endwin();
  if (!alternate || rowsToKeep <= 0) return;
  // The standard screen still holds its cells after endwin; reading them draws nothing.
  const int height = rowsToKeep < getmaxy(stdscr) ? rowsToKeep : getmaxy(stdscr);
  const int width = getmaxx(stdscr) < kMaxColumns ? getmaxx(stdscr) : kMaxColumns;
  static char line[kMaxColumns * MB_LEN_MAX + 1];
  for (int r = 0; r < height; ++r) {
    std::size_t n = 0, used = 0;
    std::mbstate_t state{};
    for (int c = 0; c < width; ++c) {
      cchar_t cell;
      wchar_t wide[CCHARW_MAX + 1] = {};
      attr_t attributes = 0;
      short pair = 0;
      if (mvwin_wch(stdscr, r, c, &cell) == ERR) break;
      if (getcchar(&cell, wide, &attributes, &pair, nullptr) == ERR) wide[0] = L' ';
      wchar_t shown = wide[0];
      if (shown == L'\0' || invisible(pair)) shown = L' ';
      const std::size_t bytes = std::wcrtomb(line + n, shown, &state);
      if (bytes == static_cast<std::size_t>(-1)) {
        line[n++] = '?';
        state = std::mbstate_t{};
      } else {
        n += bytes;
      }
      if (shown != L' ') used = n;
    }
    line[used] = '\n';
    writeAll(line, used + 1);
  }
}

}  // namespace zox
