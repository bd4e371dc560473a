// Terminal-free pieces of the console: character and key conversion, colours, history.
#include "console/console_text.h"

#include <curses.h>

#include <algorithm>
#include <cstring>

#include "console/console.h"

namespace zox::console_text {

static_assert(kKeyDown == KEY_DOWN && kKeyUp == KEY_UP && kKeyLeft == KEY_LEFT &&
              kKeyRight == KEY_RIGHT && kKeyHome == KEY_HOME && kKeyBackspace == KEY_BACKSPACE &&
              kKeyDelete == KEY_DC && kKeyEnd == KEY_END);
static_assert(kKeyOther > KEY_MAX, "kKeyOther must not look like a keypad key");

wchar_t latin1ToWide(unsigned char byte) {
  if (byte < 32 || (byte >= 127 && byte < 160)) return L' ';
  return static_cast<wchar_t>(byte);
}

int keyFromWideRead(int readResult, unsigned int character) {
  if (readResult == KEY_CODE_YES) {
    switch (static_cast<int>(character)) {
      case KEY_RESIZE:
        return -1;
      case KEY_ENTER:
        return kKeyReturn;
      default:
        return static_cast<int>(character);
    }
  }
  if (readResult != OK) return -1;
  if (character == 127 || character == 8) return kKeyBackspace;
  if (character == '\r') return kKeyReturn;
  if (character > 255) return kKeyOther;
  return static_cast<int>(character);
}

static bool isUmlaut(int key) {
  switch (key) {
    case 196:  // Ä
    case 228:  // ä
    case 214:  // Ö
    case 246:  // ö
    case 220:  // Ü
    case 252:  // ü
    case 223:  // ß
      return true;
    default:
      return false;
  }
}

bool acceptedInMode(int key, int mode, int position) {
  switch (mode) {
    case kReadNumbers:
      if (key >= '0' && key <= '9') return true;
      return (key == '+' || key == '-') && position == 0;
    case kReadText:
    case kReadShortText:
      return (key >= 32 && key <= 126) || isUmlaut(key);
    default:
      return false;
  }
}

int upperKey(int key) {
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  switch (key) {
    case 228:
      return 196;
    case 246:
      return 214;
    case 252:
      return 220;
    default:
      return key;
  }
}

int cursesColour(int languageColour) {
  // black, blue, green, cyan, red, magenta, brown, light grey
  static constexpr int kMap[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  return kMap[languageColour & 7];
}

SlotColours slotColours(int foreground, int background, bool eightColourMode) {
  SlotColours c{0, false, false};
  if (foreground > 7) c.bold = true, foreground -= 8;
  if (background > 7) {
    c.blink = !eightColourMode;
    background -= 8;
  }
  c.pair = 8 * cursesColour(background) + 7 - cursesColour(foreground);
  return c;
}

void InputHistory::add(std::string_view line) {
  line = line.substr(0, std::min(line.size(), kLineLength));
  if (auto nul = line.find('\0'); nul != std::string_view::npos) line = line.substr(0, nul);
  if (count_ == kLines) {
    std::move(lines_.begin() + 1, lines_.end(), lines_.begin());
    count_ = kLines - 1;
  }
  auto& slot = lines_[count_];
  slot.fill(0);
  std::memcpy(slot.data(), line.data(), line.size());
  ++count_;
}

std::string_view InputHistory::line(int i) const {
  if (i < 0 || i >= count_) return {};
  return std::string_view(lines_[i].data());
}

}  // namespace zox::console_text
