// Terminal-free pieces of the console: Latin-1 to screen characters, key codes from the
// curses wide key read, the editor's accepted characters, colour attributes, the input history.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zox::console_text {

// The wide character that shows a Latin-1 byte in one column: the byte's own code point
// (Latin-1 is the first 256 code points), and a blank for the control codes 0-31 and 127-159,
// which a terminal would show in more than one column or act upon.
wchar_t latin1ToWide(unsigned char byte);

// The key code the console hands on for one curses wide key read (wget_wch's result and its
// character): a typed character of code 0-255 as that code (Latin-1), DEL and ^H as
// Backspace, the keypad Enter as Return, other keypad keys as their curses code, a typed
// character outside Latin-1 as kKeyOther, and -1 for "no key" (a terminal resize, an error).
int keyFromWideRead(int readResult, unsigned int character);

// True when the editor stores the key in the mode at the position (0 numbers, 1 text,
// 2 short text). Text: printable ASCII 32-126 and the letters Ä ä Ö ö Ü ü ß.
bool acceptedInMode(int key, int mode, int position);

// 'a'-'z' to upper case, ä ö ü to Ä Ö Ü; anything else unchanged.
int upperKey(int key);

// The curses colour pair and the bold and blink flags for a language colour pair
// (foreground and background 0-15): bright foregrounds are bold, bright backgrounds blink
// unless eight-colour mode is on. Pair n of the console has foreground 7 - n % 8 and
// background n / 8 in curses colour numbers.
struct SlotColours {
  int pair;
  bool bold;
  bool blink;
};
SlotColours slotColours(int foreground, int background, bool eightColourMode);
// The curses colour number (0 black, 1 red, ... 7 white) of a language colour 0-7.
int cursesColour(int languageColour);

// The console's input history: up to 20 lines of up to 80 characters, oldest first.
class InputHistory {
 public:
  static constexpr int kLines = 20;
  static constexpr std::size_t kLineLength = 80;

  // Appends the line cut to 80 characters (and at its first NUL byte); at 20 lines the
  // oldest line is dropped first.
  void add(std::string_view line);
  int count() const { return count_; }
  // Line i, 0 the oldest; an index outside 0 to count() - 1 gives an empty line.
  std::string_view line(int i) const;

 private:
  std::array<std::array<char, kLineLength + 1>, kLines> lines_{};
  int count_ = 0;
};

}  // namespace zox::console_text
