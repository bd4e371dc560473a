// Ending curses so that what a program leaves on its screen stays readable in the terminal,
// also on terminals that switch to an alternate screen while curses runs.
#pragma once

namespace zox {

// Ends curses (endwin) on the standard screen and keeps the screen rows 0 to rowsToKeep - 1
// (the standard screen's rows, clamped to its height; 0 or less keeps none) readable on the
// terminal afterwards:
// - on a terminal without an alternate screen the rows simply stay where curses drew them;
// - on a terminal with one (its "smcup" string is not empty), where endwin brings back the
//   screen as it was before the program, the rows are written out again after endwin to
//   standard output as plain text in the locale's encoding, each ended by "\n", with
//   trailing blanks cut. Colours are dropped; a cell drawn with equal foreground and
//   background colour (an invisible fill) is written as a blank.
// REQUIRES: curses was started with initscr (or newterm on standard output) and not ended.
// After prepareCursesEnd it allocates nothing and writes with write(2), so a signal handler
// may call it after it has made sure that no other curses call is under way.
void endCursesKeepingRows(int rowsToKeep);

// Looks up, once, what endCursesKeepingRows needs and would otherwise look up (and allocate
// for) on its first call: whether the terminal has an alternate screen, and the locale's
// character conversion. Call it right after curses has started, outside any signal handler:
// a handler that ends curses must not allocate, since it may have interrupted the allocator.
void prepareCursesEnd();

// True when the running terminal description has a non-empty "smcup" (an alternate screen).
// REQUIRES: curses started.
bool terminalHasAlternateScreen();

}  // namespace zox
