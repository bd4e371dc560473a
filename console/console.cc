// The console: curses start and shut-down, text output with wrapping, scrolling and paging,
// colour slots, key waits, and a terminal resize that never costs the screen its content.
#include "console/console.h"

#include <curses.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/keep_screen.h"

namespace zox {
namespace {

// Set by the SIGWINCH handler. Curses is kept from seeing resizes at all (its own handler is
// only installed when SIGWINCH has the default action): it would shrink the standard screen
// with the terminal and lose what was cut off. The console keeps its 80x25 screen and shows
// it again whole once the terminal is large enough.
volatile std::sig_atomic_t gResizePending = 0;
struct sigaction gOldWinch;
bool gWinchInstalled = false;

extern "C" void onTerminalResize(int) {
  gResizePending = 1;
}

void installResizeHandler() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onTerminalResize;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a resize must wake a waiting key read
  gWinchInstalled = sigaction(SIGWINCH, &sa, &gOldWinch) == 0;
}

void restoreResizeHandler() {
  if (gWinchInstalled) sigaction(SIGWINCH, &gOldWinch, nullptr);
  gWinchInstalled = false;
}

bool isAsciiCodeset(const char* codeset) {
  static constexpr const char* kAscii[] = {"ANSI_X3.4-1968", "ASCII", "US-ASCII", "646", ""};
  for (const char* name : kAscii)
    if (std::strcmp(codeset, name) == 0) return true;
  return false;
}

// Curses draws wide characters in the encoding of LC_CTYPE. The user's locale tells the
// terminal's encoding (UTF-8, Latin-1, ...); a C or POSIX locale tells nothing, and there
// a UTF-8 locale is taken, since that is what terminals speak today. Only LC_CTYPE changes.
void chooseLocale() {
  if (!std::setlocale(LC_CTYPE, "")) std::setlocale(LC_CTYPE, "C");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset && !isAsciiCodeset(codeset)) return;
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "en_US.utf8"})
    if (std::setlocale(LC_CTYPE, name)) return;
}

bool validSlot(int slot) {
  return slot >= 0 && slot < kSlotCount;
}

void sleepMicroseconds(int us) {
  timespec left{us / 1000000, (us % 1000000) * 1000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

// The terminal's real size; false when it cannot be told.
bool terminalSize(int& rows, int& columns) {
  winsize ws{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0 && ioctl(STDIN_FILENO, TIOCGWINSZ, &ws) != 0)
    return false;
  if (ws.ws_row == 0 || ws.ws_col == 0) return false;
  rows = ws.ws_row;
  columns = ws.ws_col;
  return true;
}

}  // namespace

Console::Console() {
  chooseLocale();
  installResizeHandler();
  initscr();
  start_color();
  clear();
  cbreak();
  noecho();
  nl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);
  prepareCursesEnd();
  cursesStarted_ = true;

  rows_ = getmaxy(stdscr);
  columns_ = getmaxx(stdscr);
  if (columns_ < kScreenColumns || rows_ < kScreenRows) {
    waddstr(stdscr, "\nTerminal size is too small!\n");
    waddstr(stdscr, "80x25 recommended\n");
    wrefresh(stdscr);
    shutDown();
    std::exit(0);
  }
  // A larger terminal is used in its top-left corner: the standard screen is cut to 80x25,
  // so that rows wrap at column 80, while curses goes on knowing the terminal's real size.
  if (rows_ != kScreenRows || columns_ != kScreenColumns)
    wresize(stdscr, kScreenRows, kScreenColumns);
  rows_ = kScreenRows;
  columns_ = kScreenColumns;
  top_ = bottom_ = 0;

  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) init_pair(static_cast<short>(i + 8 * j), 7 - i, j);
  for (auto& s : slots_) s = 0;
  slots_[kSlotError] = COLOR_PAIR(6);

  setWindowAttribute(kSlotSystem);
  wbkgdset(stdscr, ' ' | slots_[kSlotSystem]);
  currentSlot_ = kSlotSystem;
  showCursor();
}

Console::~Console() {
  shutDown();
}

void Console::shutDown() {
  if (shutDown_) return;
  shutDown_ = 1;
  if (!cursesStarted_) return;
  showCursor();
  int y, x;
  getyx(stdscr, y, x);
  (void)x;
  setTopReserved(y);
  bottom_ = 0;
  clearArea(kSlotSystem);
  wattrset(stdscr, 0);
  wbkgdset(stdscr, ' ');
  wrefresh(stdscr);
  endCursesKeepingRows(top_);
  ended_ = true;
  restoreResizeHandler();
}

// --- Colours ------------------------------------------------------------------------------

void Console::setColour(int slot, int foreground, int background) {
  if (!validSlot(slot) || foreground < 0 || foreground >= kConsoleColourCount || background < 0 ||
      background >= kConsoleColourCount)
    return;
  const console_text::SlotColours c =
      console_text::slotColours(foreground, background, eightColour_);
  slots_[slot] = static_cast<std::uint32_t>(COLOR_PAIR(c.pair) | (c.bold ? A_BOLD : 0) |
                                            (c.blink ? A_BLINK : 0));
}

std::uint32_t Console::slotAttribute(int slot) const {
  return validSlot(slot) ? slots_[slot] : 0;
}

void Console::setWindowAttribute(int slot) {
  wattrset(stdscr, static_cast<int>(slots_[slot]));
}

void Console::selectColour(int slot) {
  if (ended_ || !validSlot(slot)) return;
  wbkgdset(stdscr, ' ' | slots_[slot]);
  lastSelected_ = slot;
}

void Console::fillToLineEnd(int slot) {
  if (ended_ || !validSlot(slot)) return;
  const chtype attribute = slots_[slot];
  short foreground = 7, background = 0;
  if (pair_content(static_cast<short>(PAIR_NUMBER(attribute)), &foreground, &background) == ERR ||
      background < 0 || background > 7)
    background = 0;
  if (!eightColour_) {
    // The background colour as both colours, bright (bold and blink) when the slot's
    // background is bright; the cells hold blanks, so they read as empty.
    chtype fill = COLOR_PAIR(7 + 7 * background);
    if (attribute & A_BLINK) fill |= A_BOLD | A_BLINK;
    wbkgdset(stdscr, ' ' | fill);
  } else {
    wbkgdset(stdscr, ' ' | attribute);
  }
  wclrtoeol(stdscr);
  wbkgdset(stdscr, ' ' | attribute);
}

void Console::useColour(int slot) {
  if (ended_ || !validSlot(slot)) return;
  currentSlot_ = slot;
  fillToLineEnd(slot);
}

void Console::switchColour(int slot) {
  if (ended_ || !validSlot(slot)) return;
  currentSlot_ = slot;
  setWindowAttribute(slot);
  selectColour(slot);
}

void Console::clearArea(int slot) {
  if (ended_ || !validSlot(slot)) return;
  for (int r = top_; r < rows_ - bottom_; ++r) {
    wmove(stdscr, r, 0);
    fillToLineEnd(slot);
  }
  wmove(stdscr, top_, 0);
  scrollDelay_ = kScrollDelayStart;
  pageCounter_ = 0;
  refreshScreen();
}

// --- Position and layout ------------------------------------------------------------------

void Console::moveTo(int x, int y) {
  if (ended_) return;
  wmove(stdscr, top_ + y, x);
}

Console::Position Console::getPosition() const {
  if (ended_ || !cursesStarted_) return {0, 0};
  int y, x;
  getyx(stdscr, y, x);
  return {x, y - top_};
}

void Console::setTopReserved(int n) {
  if (n >= 0 && n < rows_ - bottom_) top_ = n;
}

void Console::setBottomReserved(int n) {
  if (n >= 0 && n < rows_ - top_) bottom_ = n;
}

void Console::scrollLines(int count) {
  if (ended_) return;
  for (int i = 0; i < count; ++i) {
    copywin(stdscr, stdscr, top_ + 1, 0, top_, 0, rows_ - bottom_ - 2, columns_ - 1, FALSE);
    int y, x;
    getyx(stdscr, y, x);
    if (y > top_) wmove(stdscr, y - 1, x);
  }
}

// --- Output -------------------------------------------------------------------------------

void Console::addLatin1(std::string_view chunk) {
  std::array<wchar_t, kScreenColumns> wide;
  while (!chunk.empty()) {
    const std::size_t n = std::min(chunk.size(), wide.size());
    for (std::size_t i = 0; i < n; ++i)
      wide[i] = console_text::latin1ToWide(static_cast<unsigned char>(chunk[i]));
    waddnwstr(stdscr, wide.data(), static_cast<int>(n));
    chunk.remove_prefix(n);
  }
}

void Console::blankAtCursor() {
  int y, x;
  getyx(stdscr, y, x);
  waddch(stdscr, ' ');
  wmove(stdscr, y, x);
}

bool Console::scrollStep(int fillSlot) {
  int y, x;
  getyx(stdscr, y, x);
  if (rows_ - top_ - bottom_ <= 1) {
    wmove(stdscr, y, 0);
    currentSlot_ = fillSlot;
    fillToLineEnd(fillSlot);
    return false;
  }
  refreshScreen();
  if (scrollDelay_ > 0) {
    if (scrollSleep_) sleepMicroseconds(scrollDelay_);
    scrollDelay_ = std::max(0, scrollDelay_ - kScrollDelayStep);
  }
  ++scrollCount_;
  copywin(stdscr, stdscr, top_ + 1, 0, top_, 0, rows_ - bottom_ - 2, columns_ - 1, FALSE);
  wmove(stdscr, rows_ - bottom_ - 1, 0);
  refreshScreen();
  fillToLineEnd(fillSlot);
  wmove(stdscr, y - 1, x);
  return true;
}

int Console::pageLines() const {
  return rows_ - bottom_ - top_ - 1;
}

std::optional<std::string_view> Console::pressKeyText() const {
  if (pressKeyOptional_) {
    if (!*pressKeyOptional_) return std::nullopt;
    return std::string_view(**pressKeyOptional_);
  }
  if (pressKeyString_) return std::string_view(*pressKeyString_);
  return std::nullopt;
}

void Console::pagePause(int finalSlot, bool selectFinal) {
  const std::optional<std::string_view> text = pressKeyText();
  if (!text || text->empty()) {
    pageCounter_ = 0;
    return;
  }
  // A text wider than the screen is cut so that it still ends one column before the edge.
  const std::string_view shown = text->substr(0, std::min<std::size_t>(text->size(), columns_ - 1));
  const int savedSlot = currentSlot_;
  const Position at = getPosition();
  moveTo(columns_ - static_cast<int>(shown.size()) - 1, at.y);
  printText(kSlotScreen, shown, 0);
  waitForKey();
  moveTo(0, at.y);
  if (selectFinal) {
    setWindowAttribute(finalSlot);
    selectColour(finalSlot);
  }
  fillToLineEnd(finalSlot);
  currentSlot_ = savedSlot;
}

void Console::printChar(int slot, int character, int paging) {
  if (ended_ || !validSlot(slot)) return;
  const unsigned char c = static_cast<unsigned char>(character);
  currentSlot_ = slot;
  Position at = getPosition();
  const int fill = fillSlotFor(slot);
  if (c != '\n') {
    setWindowAttribute(slot);
    selectColour(slot);
  } else if (at.x == 0 && slot != kSlotTitle) {
    setWindowAttribute(kSlotScreen);
    selectColour(kSlotScreen);
  }
  if (at.y == lastRow() && (at.x == columns_ - 1 || c == '\n')) {
    if (!scrollStep(fill)) return;
    --at.y;
  }
  if (c == '\n') {
    fillToLineEnd(lastSelected_);
    moveTo(0, at.y + 1);
  } else {
    const char byte = static_cast<char>(c);
    addLatin1(std::string_view(&byte, 1));
  }
  at = getPosition();
  fillToLineEnd(at.x > 0 ? slot : fill);
  if (at.x == 0 && paging == 1) {
    ++lineCounter_;
    ++pageCounter_;
    if (pageLines() > 0 && pageCounter_ >= pageLines()) pagePause(kSlotScreen, false);
  }
}

void Console::printText(int slot, MaybeText text, int paging) {
  if (ended_ || !validSlot(slot)) return;
  if (!text || text->empty()) {
    setWindowAttribute(slot);
    selectColour(slot);
    return;
  }
  const std::string_view t = *text;
  printChar(slot, static_cast<unsigned char>(t[0]), paging);
  setWindowAttribute(slot);
  selectColour(slot);
  Position at = getPosition();
  int x = at.x, y = at.y;
  const int fill = fillSlotFor(slot);
  std::size_t i = 1;
  while (i < t.size()) {
    // One chunk: the rest of the row at most, up to a newline or the end of the text.
    const std::size_t room = static_cast<std::size_t>(std::max(0, columns_ - x));
    const std::size_t start = i;
    while (i - start < room && i < t.size() && t[i] != '\n') ++i;
    const std::string_view chunk = t.substr(start, i - start);
    bool rowEnded = false;
    if (i < t.size() && t[i] == '\n' && chunk.size() < room) {
      ++i;
      rowEnded = true;
    }
    const bool endsRow = rowEnded || chunk.size() == room;
    if (y == lastRow() && endsRow) {
      if (!scrollStep(fill)) {
        x = 0;
        continue;
      }
      --y;
    }
    if (x > 0 || !chunk.empty() || (slot == kSlotTitle && i < t.size())) {
      fillToLineEnd(slot);
      addLatin1(chunk);
      if (rowEnded) {
        fillToLineEnd(lastSelected_);
        moveTo(0, y + 1);
      }
    } else {
      // An empty row begun at column 0 shows the screen colour (but not in the title).
      setWindowAttribute(fill);
      selectColour(fill);
      if (rowEnded) {
        fillToLineEnd(lastSelected_);
        moveTo(0, y + 1);
      }
      setWindowAttribute(slot);
      selectColour(slot);
    }
    ++y;
    if (paging == 1 && endsRow) {
      ++lineCounter_;
      ++pageCounter_;
      if (pageLines() > 0 && pageCounter_ >= pageLines()) pagePause(slot, true);
    }
    x = 0;
  }
  refreshScreen();
}

// --- Keys ---------------------------------------------------------------------------------

void Console::refreshScreen() {
  if (gResizePending) handleResize();
  if (terminalSmall_)
    wnoutrefresh(stdscr);  // shown whole again when the terminal is large enough
  else
    wrefresh(stdscr);
}

void Console::handleResize() {
  gResizePending = 0;
  int rows = 0, columns = 0;
  if (!terminalSize(rows, columns)) return;  // size unknown: go on as before
  terminalSmall_ = columns < kScreenColumns || rows < kScreenRows;
  if (terminalSmall_) return;
  // Curses learns the new size only now that the screen fits again (it would cut the
  // standard screen down with a smaller terminal); the screen stays 80x25 and is drawn whole.
  resize_term(rows, columns);
  if (getmaxy(stdscr) != kScreenRows || getmaxx(stdscr) != kScreenColumns)
    wresize(stdscr, kScreenRows, kScreenColumns);
  clearok(curscr, TRUE);
  wrefresh(stdscr);
}

int Console::readKey() {
  // A read interrupted by a signal fails, and curses may fail the next one once more; a
  // closed input fails every read at once. Only a long run of failures means the latter.
  constexpr int kFailuresMeaningInputLost = 100;
  int failures = 0;
  for (;;) {
    if (gResizePending) handleResize();
    wint_t character = 0;
    errno = 0;
    const int result = wget_wch(stdscr, &character);
    if (result == ERR) {
      if (errno == EINTR || gResizePending) {
        failures = 0;
        continue;
      }
      if (++failures < kFailuresMeaningInputLost) continue;
      shutDown();
      std::exit(kExitInputLost);
    }
    failures = 0;
    const int key = console_text::keyFromWideRead(result, static_cast<unsigned int>(character));
    if (key >= 0) return key;
  }
}

int Console::waitForKey() {
  if (ended_) return -1;
  blankAtCursor();
  refreshScreen();
  const int key = readKey();
  scrollDelay_ = kScrollDelayStart;
  pageCounter_ = 0;
  return key;
}

int Console::upperKey(int key) {
  return console_text::upperKey(key);
}

int Console::waitForKeyOf(int slot, std::span<const int> keys) {
  if (ended_ || !validSlot(slot)) return -1;
  std::size_t n = 0;
  while (n < keys.size() && keys[n] != 0) ++n;
  useColour(slot);
  blankAtCursor();
  refreshScreen();
  if (n == 0) return -1;
  int key = 0;
  std::size_t match = n;
  while (match == n) {
    key = upperKey(readKey());
    for (std::size_t i = 0; i < n && match == n; ++i)
      if (key == upperKey(keys[i])) match = i;
  }
  const int entry = keys[match];
  if (entry != kKeyEscape && key != kKeyReturn && entry >= 0 && entry < 256)
    printChar(slot, entry, 1);
  scrollDelay_ = kScrollDelayStart;
  pageCounter_ = 0;
  refreshScreen();
  return static_cast<int>(match);
}

int Console::waitForKeyOfText(int slot, std::string_view text) {
  std::array<int, 256> keys{};
  std::size_t n = 0;
  for (; n < text.size() && n + 1 < keys.size(); ++n) keys[n] = static_cast<unsigned char>(text[n]);
  return waitForKeyOf(slot, std::span<const int>(keys.data(), n));
}

// --- History, paging, cursor ----------------------------------------------------------------

void Console::addHistory(std::string_view line) {
  history_.add(line);
}

void Console::setPressKeyText(const std::optional<std::string>* text) {
  pressKeyOptional_ = text;
  pressKeyString_ = nullptr;
}

void Console::setPressKeyText(const std::string* text) {
  pressKeyString_ = text;
  pressKeyOptional_ = nullptr;
}

void Console::hideCursor() {
  if (!ended_) curs_set(0);
}

void Console::showCursor() {
  if (!ended_) curs_set(1);
}

}  // namespace zox
