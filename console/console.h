// The executor's 80x25 screen over curses: text area with wrapping, scrolling and paging,
// reserved title and status rows, seven colour slots, key waits and the line input editor.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console/console_text.h"

namespace zox {

// Colour slots. Every print, fill or input names the slot whose colours it uses.
inline constexpr int kSlotText = 0;    // adventure text (TEXTCOLOR, ANSITEXT resources)
inline constexpr int kSlotScreen = 1;  // empty rows, scrolled-in rows, clearing (SCREENCOLOR)
inline constexpr int kSlotInput = 2;   // the command prompt's input (INPUTCOLOR)
inline constexpr int kSlotTitle = 3;   // the title line (TITLECOLOR)
inline constexpr int kSlotSystem = 4;  // the executor's own messages
inline constexpr int kSlotStatus = 5;  // the status area (STATUSCOLOR)
inline constexpr int kSlotError = 6;   // errors: fixed red on black
inline constexpr int kSlotCount = 7;

// Colour numbers of the adventure language: 0 black ... 7 light grey, 8 to 15 their bright
// forms (8 dark grey ... 15 white).
inline constexpr int kConsoleColourCount = 16;

// The size the console always uses, whatever the terminal's real size.
inline constexpr int kScreenRows = 25;
inline constexpr int kScreenColumns = 80;

// Modes of readLine.
inline constexpr int kReadNumbers = 0;    // digits; '+' and '-' only as the first character
inline constexpr int kReadText = 1;       // printable ASCII and the letters Ä ä Ö ö Ü ü ß
inline constexpr int kReadShortText = 2;  // as kReadText, at most 73 characters

// A slot number outside 0-6 makes an operation do nothing (a query gives 0).

// Key codes as the key waits deliver them. Typed characters arrive as their Latin-1 code
// (0 to 255, so 'ä' is 228 whether the terminal sent UTF-8 or Latin-1); the special keys
// below carry the curses keypad codes (all above 255). A typed character that Latin-1 cannot
// hold arrives as kKeyOther. A terminal resize is never delivered as a key.
inline constexpr int kKeyReturn = 10;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeyDown = 258;        // KEY_DOWN
inline constexpr int kKeyUp = 259;          // KEY_UP
inline constexpr int kKeyLeft = 260;        // KEY_LEFT
inline constexpr int kKeyRight = 261;       // KEY_RIGHT
inline constexpr int kKeyHome = 262;        // KEY_HOME
inline constexpr int kKeyBackspace = 263;   // KEY_BACKSPACE (also ^H and DEL from the terminal)
inline constexpr int kKeyDelete = 330;      // KEY_DC
inline constexpr int kKeyEnd = 360;         // KEY_END
inline constexpr int kKeyOther = 0x110000;  // a typed character outside Latin-1

// When the terminal's input ends (closed, or not a terminal), no key can come any more:
// the console shuts down and the process exits with this status (the read error).
inline constexpr int kExitInputLost = 5;

// Result of readLine when the field from the cursor to the right edge is too short.
inline constexpr int kErrFieldTooShort = 26;

// Buffer sizes for readLine: a visible line needs the screen width plus a terminator;
// hidden entry keeps at most 51 characters plus a terminator.
inline constexpr std::size_t kLineBufferSize = kScreenColumns + 1;
inline constexpr std::size_t kHiddenBufferSize = 52;
inline constexpr int kHistoryLines = 20;

// A text that may be absent: std::nullopt is "no text", distinct from an empty text.
// Texts are Latin-1 bytes. Never build one from a null const char*.
using MaybeText = std::optional<std::string_view>;

class Console {
 public:
  // Starts curses on the process's terminal and sets the console up (colour pairs, slots,
  // slot 4 as the window colour, cursor shown). A terminal smaller than 80x25 gets the two
  // lines "Terminal size is too small!" and "80x25 recommended", the console shuts down
  // (the lines stay readable after exit) and the process exits with status 0. A larger
  // terminal is used as 80x25 in its top-left corner.
  // Only one Console may exist at a time.
  Console();
  // Runs shutDown().
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Restores the terminal: the rows above the cursor's row stay on the terminal (readable
  // after the process ends, also on terminals with an alternate screen), the rest of the
  // screen is cleared, curses is ended. Idempotent: later calls, and every other operation
  // after it, do nothing. May be called from a signal handler (SIGINT, SIGQUIT, SIGTERM);
  // a second, concurrent call returns at once. (Curses itself is not reentrant: a signal
  // that lands inside a console call may leave a half-drawn last refresh; what is kept is
  // read from the console's own screen and so is whole.)
  void shutDown();
  bool isShutDown() const { return shutDown_ != 0; }

  // --- Output -------------------------------------------------------------------------

  // Prints a Latin-1 text in the slot's colours at the cursor, wrapping at the right edge,
  // scrolling the text area at its last row (with the scroll delay) and, if paging is 1,
  // pausing with the press-a-key text when a page is full. "\n" ends a row; a row filled to
  // the edge has already ended, so "\n" right after it gives an empty row. Each character
  // takes one column (control codes show as blanks). A printed row carries the slot's
  // background to the right edge; an empty row begun at column 0 shows the screen colour
  // (slot 1; not in slot 3). An absent or empty text only makes the slot the window colour.
  // One refresh at the end. Paging counts lines (lineCount) and pauses after
  // rows - top - bottom - 1 of them.
  void printText(int slot, MaybeText text, int paging);
  // Prints one Latin-1 character (0-255) the same way; '\n' ends the row. No refresh.
  void printChar(int slot, int character, int paging);

  // Stores the slot's colours: foreground and background 0-15; a colour outside 0-15 (such
  // as 255, DEFAULT, which the engine resolves itself) changes nothing. A bright foreground
  // is bold, a bright background blinks (not in eight-colour mode, where it shows as its
  // dark form). Nothing on screen changes until the slot is used.
  void setColour(int slot, int foreground, int background);

  // The "fill" operations paint blanks in the slot's background colour (bright backgrounds
  // with bold and blink, as setColour shows them); the window's own colours are left as the
  // slot's.
  // Fills every row of the text area with the slot's background, cursor to (0, 0), scroll
  // delay back to its start value, page counter 0; refresh.
  void clearArea(int slot);
  // Paints from the cursor to the end of its row in the slot's background; cursor stays.
  void fillToLineEnd(int slot);
  // Makes the slot's colours the window background; remembers it as last selected.
  void selectColour(int slot);
  // current slot := slot, then fillToLineEnd(slot).
  void useColour(int slot);
  // current slot := slot, window colours := the slot's, selectColour(slot).
  void switchColour(int slot);
  // The slot last named by a print, fill-and-use or input operation.
  int currentSlot() const { return currentSlot_; }

  // --- Position and layout ------------------------------------------------------------

  // Positions are (column x, row y) with y counted from the top of the text area.
  void moveTo(int x, int y);
  struct Position {
    int x;
    int y;
  };
  Position getPosition() const;

  // Reserved rows at the top (title) and bottom (status area). A setter changes nothing
  // unless top + bottom stays below 25.
  void setTopReserved(int n);
  void setBottomReserved(int n);
  int topReserved() const { return top_; }
  int bottomReserved() const { return bottom_; }
  // count times: shift the text area up one row (no delay, no fill) and move the cursor one
  // row up. The freed bottom row keeps its old content for the caller to redraw.
  void scrollLines(int count);

  // --- Keys ---------------------------------------------------------------------------

  // Every key wait reads through curses with the keypad on. A terminal resize is no key: the
  // wait goes on, and the whole screen is drawn again once the terminal is 80x25 or more.
  // Escape alone arrives after curses' escape delay. If the input has ended, the process
  // exits with kExitInputLost. After shutDown the waits return -1 at once.
  // Shows a blank at the cursor, refreshes, reads one key; resets scroll delay and page
  // counter. Result: the key code (see kKey... above).
  int waitForKey();
  // Waits for a key from the list (ended by its first 0 entry or by the end of the span),
  // letters compared after upperKey. The accepted entry is echoed in the slot (paging on)
  // unless it is Escape, the key read was Return, or the code is above 255. Result: the
  // entry's position, 0 for the first; -1 at once for an empty list.
  int waitForKeyOf(int slot, std::span<const int> keys);
  int waitForKeyOf(int slot, std::initializer_list<int> keys) {
    return waitForKeyOf(slot, std::span<const int>(keys.begin(), keys.size()));
  }
  // The same with the Latin-1 characters of a text as the list (each byte 0-255).
  int waitForKeyOfText(int slot, std::string_view text);
  // 'a'-'z' to 'A'-'Z', ä ö ü (228 246 252) to Ä Ö Ü (196 214 220); anything else unchanged.
  static int upperKey(int key);

  // --- Line input ---------------------------------------------------------------------

  // The line editor at the cursor. Visible (visible = 1): the field runs from the cursor to
  // the right edge; length limit L = 80 - column - 1 (at most 73 in kReadShortText), cursor
  // keys, Home, End, Delete, Backspace, overwrite, Escape clears, Up/Down recall the history.
  // Text and short text accept ASCII 32-126 and Ä ä Ö ö Ü ü ß; numbers accept digits, and
  // '+' or '-' at position 0; other mode values accept nothing. The field is painted in the
  // slot and typed characters show in its colours.
  // Hidden (visible = 0): nothing shown, text-mode characters whatever the mode, Backspace
  // deletes the last character, Escape clears, cursor keys do nothing, at most 51
  // characters kept (the first 50 and the last typed).
  // The buffer is cleared first and always left terminated; typed umlauts are stored as
  // Latin-1 bytes. A buffer smaller than kLineBufferSize (visible) or kHiddenBufferSize
  // (hidden) lowers the limit so that nothing is written past it; an empty buffer gives 0.
  // The line is not added to the history.
  // Result: 0 after Return; kErrFieldTooShort (visible only) when L < 30, before any key.
  int readLine(int slot, std::span<char> buffer, int mode, int visible);
  // Convenience: the same into a std::string (Latin-1 bytes).
  int readLine(int slot, std::string& line, int mode, int visible);

  // Appends a line (cut to 80 characters) to the input history; at 20 lines the oldest is
  // dropped.
  void addHistory(std::string_view line);
  int historyCount() const { return history_.count(); }

  // --- Paging -------------------------------------------------------------------------

  // The press-a-key text shown at the right edge when a page is full. Not copied: the
  // pointed-to object must stay alive while set, and its current value is read at each
  // pause (so replacing the text inside the same object needs no new call). A null
  // pointer, an absent or an empty text: no page pauses.
  void setPressKeyText(const std::optional<std::string>* text);
  void setPressKeyText(const std::string* text);
  void setPressKeyText(std::nullptr_t) { pressKeyOptional_ = nullptr, pressKeyString_ = nullptr; }

  // Lines printed with paging on since the last reset (signed 8-bit, wraps).
  int lineCount() const { return lineCounter_; }
  void resetLineCount() { lineCounter_ = 0; }

  // --- Modes --------------------------------------------------------------------------

  // Eight-colour mode for terminals without bright backgrounds; stays on.
  void setEightColourMode() { eightColour_ = true; }
  // (Slots already set keep their attributes; the executor sets the mode before any colour.)
  bool eightColourMode() const { return eightColour_; }
  void hideCursor();
  void showCursor();

  // --- For tests and benchmarks -------------------------------------------------------

  // The scroll delay in microseconds before the next scroll (10000 falling by 1000 per
  // scroll to 0) and the lines on the current page.
  int scrollDelay() const { return scrollDelay_; }
  int pageCount() const { return pageCounter_; }
  // Scrolls of the text area so far (each one after a row ended on its last row).
  long scrollCount() const { return scrollCount_; }
  // A slot's curses attribute as setColour computed it.
  std::uint32_t slotAttribute(int slot) const;
  // Scroll delay on (the default) or off; off is for benchmarks that time the rest.
  void setScrollSleep(bool on) { scrollSleep_ = on; }

 private:
  static constexpr int kScrollDelayStart = 10000;  // microseconds before the first scroll
  static constexpr int kScrollDelayStep = 1000;    // less before each further scroll

  // One scroll of the text area before a row ends on its last row; false in an area of one
  // row, where nothing scrolls and what caused it is dropped.
  bool scrollStep(int fillSlot);
  void pagePause(int finalSlot, bool selectFinal);
  void refreshScreen();
  int readKey();
  void handleResize();
  void setWindowAttribute(int slot);
  void addLatin1(std::string_view chunk);
  void blankAtCursor();
  int fillSlotFor(int slot) const { return slot == kSlotSystem ? kSlotSystem : kSlotScreen; }
  int lastRow() const { return rows_ - bottom_ - 1 - top_; }  // in text-area rows
  int pageLines() const;
  int readVisible(int slot, std::span<char> buffer, int mode);
  int readHidden(int slot, std::span<char> buffer);
  std::optional<std::string_view> pressKeyText() const;

  int rows_ = kScreenRows;
  int columns_ = kScreenColumns;
  int top_ = 0;
  int bottom_ = 0;
  std::uint32_t slots_[kSlotCount] = {};
  int currentSlot_ = kSlotSystem;
  int lastSelected_ = kSlotText;
  console_text::InputHistory history_;
  const std::optional<std::string>* pressKeyOptional_ = nullptr;
  const std::string* pressKeyString_ = nullptr;
  std::int8_t lineCounter_ = 0;
  std::int8_t pageCounter_ = 0;
  int scrollDelay_ = kScrollDelayStart;
  long scrollCount_ = 0;
  bool eightColour_ = false;
  bool scrollSleep_ = true;
  bool cursesStarted_ = false;
  bool terminalSmall_ = false;  // the terminal is below 80x25 since a resize
  bool ended_ = false;          // curses has ended; every operation does nothing
  volatile std::sig_atomic_t shutDown_ = 0;
};

}  // namespace zox
