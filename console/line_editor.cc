// The console's one-line editor: visible editing with overwrite, cursor keys and history
// recall, and hidden entry for passwords.
#include <curses.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "console/console.h"

namespace zox {

namespace {

constexpr int kMinimumField = 30;
constexpr int kShortTextLimit = 73;
constexpr std::size_t kHiddenKept = kHiddenBufferSize - 1;  // 50 typed plus the last one

}  // namespace

int Console::readLine(int slot, std::span<char> buffer, int mode, int visible) {
  if (buffer.empty()) return 0;
  if (ended_ || slot < 0 || slot >= kSlotCount) {
    buffer[0] = '\0';
    return 0;
  }
  return visible ? readVisible(slot, buffer, mode) : readHidden(slot, buffer);
}

int Console::readLine(int slot, std::string& line, int mode, int visible) {
  std::array<char, kLineBufferSize + 3> buffer{};
  const int result = readLine(slot, std::span<char>(buffer), mode, visible);
  line.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return result;
}

int Console::readVisible(int slot, std::span<char> buffer, int mode) {
  refreshScreen();
  currentSlot_ = slot;
  int historyPosition = history_.count();
  const Position start = getPosition();
  const int x0 = start.x, row = top_ + start.y;
  int position = 0;
  setWindowAttribute(slot);  // typed characters show in the slot's colours
  useColour(slot);
  blankAtCursor();
  refreshScreen();
  std::memset(buffer.data(), 0, std::min<std::size_t>(buffer.size(), columns_ + 1));

  int limit = columns_ - x0 - 1;
  if (mode == kReadShortText && limit > kShortTextLimit) limit = kShortTextLimit;
  if (limit < kMinimumField) return kErrFieldTooShort;
  // A caller's buffer smaller than a screen line lowers the limit: nothing is written past it.
  limit = std::min<int>(limit, static_cast<int>(buffer.size()) - 1);
  if (limit <= 0) return 0;
  char* const text = buffer.data();
  // Invariant: text[length .. limit] are all 0, and position <= length <= limit.
  auto length = [&] { return static_cast<int>(strnlen(text, limit)); };
  auto at = [&](int p) { return wmove(stdscr, row, x0 + p) == OK; };
  auto clearField = [&] {
    std::memset(text, 0, std::min<std::size_t>(buffer.size(), kLineBufferSize));
    at(0);
    waddch(stdscr, ' ');
    fillToLineEnd(slot);
    at(0);
  };
  auto recall = [&](int index) {
    const std::string_view line = history_.line(index);
    std::memset(text, 0, limit + 1);
    std::memcpy(text, line.data(), std::min<std::size_t>(line.size(), limit));
    const int n = length();
    position = n == limit ? limit - 1 : n;
    if (at(0)) addLatin1(std::string_view(text, n));
    at(position);
    if (n < limit) {
      waddch(stdscr, ' ');
      fillToLineEnd(slot);  // the rest of a longer earlier line disappears
      at(position);
    }
    refreshScreen();
  };

  for (;;) {
    const int key = readKey();
    switch (key) {
      case kKeyReturn:
        at(length());
        scrollDelay_ = kScrollDelayStart;
        pageCounter_ = 0;
        refreshScreen();
        return 0;
      case kKeyLeft:
      case kKeyRight:
      case kKeyHome:
      case kKeyEnd: {
        const int n = length();
        if (key == kKeyLeft && position > 0) --position;
        if (key == kKeyRight && position < n && position < limit - 1) ++position;
        if (key == kKeyHome) position = 0;
        if (key == kKeyEnd) position = n == limit ? limit - 1 : n;
        at(position);
        refreshScreen();
        break;
      }
      case kKeyDelete: {
        const int n = length();
        if (position < n) std::memmove(text + position, text + position + 1, n - position);
        text[limit - 1] = '\0';
        addLatin1(std::string_view(text + position, length() - position));
        waddch(stdscr, ' ');
        at(position);
        refreshScreen();
        break;
      }
      case kKeyBackspace:
        if (position == 0) break;
        std::memmove(text + position - 1, text + position, limit - position + 1);
        text[limit - 1] = '\0';
        --position;
        if (at(position)) {
          addLatin1(std::string_view(text + position, length() - position));
          waddch(stdscr, ' ');
        }
        at(position);
        refreshScreen();
        break;
      case kKeyUp:
        if (history_.count() == 0) break;
        if (historyPosition > 0) --historyPosition;
        recall(historyPosition);
        break;
      case kKeyDown:
        if (historyPosition < history_.count() - 1) {
          recall(++historyPosition);
        } else {
          clearField();
          position = 0;
          historyPosition = history_.count();
          refreshScreen();
        }
        break;
      case kKeyEscape:
        clearField();
        position = 0;
        refreshScreen();
        break;
      default:
        if (key < 256 && console_text::acceptedInMode(key, mode, position)) {
          text[position] = static_cast<char>(key);
          const char typed = static_cast<char>(key);
          addLatin1(std::string_view(&typed, 1));
          const char next = text[position + 1] ? text[position + 1] : ' ';
          addLatin1(std::string_view(&next, 1));
          if (position < limit - 1) ++position;
          at(position);
          refreshScreen();
        } else if (mode < kReadNumbers || mode > kReadShortText) {
          refreshScreen();
        }
        break;
    }
  }
}

int Console::readHidden(int slot, std::span<char> buffer) {
  refreshScreen();
  currentSlot_ = slot;
  const std::size_t cleared = std::min(buffer.size(), kHiddenBufferSize);
  const std::size_t kept = std::min(kHiddenKept, buffer.size() - 1);
  char* const text = buffer.data();
  std::memset(text, 0, cleared);
  std::size_t length = 0;
  for (;;) {
    const int key = readKey();
    if (key == kKeyReturn) {
      scrollDelay_ = kScrollDelayStart;
      pageCounter_ = 0;
      refreshScreen();
      return 0;
    }
    if (key == kKeyEscape) {
      std::memset(text, 0, cleared);
      length = 0;
    } else if (key == kKeyBackspace) {
      if (length > 0) text[--length] = '\0';
    } else if (key < 256 && console_text::acceptedInMode(key, kReadText, 0) && kept > 0) {
      // The first 50 characters are kept; every further one replaces the 51st.
      if (length < kept)
        text[length++] = static_cast<char>(key);
      else
        text[kept - 1] = static_cast<char>(key);
      text[length] = '\0';
    }
  }
}

}  // namespace zox
