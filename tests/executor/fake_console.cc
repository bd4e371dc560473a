// The console's operations for the engine's unit tests: no curses; text goes to a transcript,
// the cursor is followed across an 80x25 screen, keys come from the test's script.
#include "fake_console.h"

#include <algorithm>

#include "console/console.h"

namespace zoxtest {

FakeScreen& fakeScreen() {
  static FakeScreen screen;
  return screen;
}

bool FakeScreen::saw(const std::string& event) const {
  return std::find(events.begin(), events.end(), event) != events.end();
}

}  // namespace zoxtest

namespace zox {
namespace {

zoxtest::FakeScreen& fs() {
  return zoxtest::fakeScreen();
}

void event(const std::string& e) {
  fs().events.push_back(e);
}

int nextKey() {
  if (fs().keys.empty()) throw zoxtest::OutOfKeys();
  int k = fs().keys.front();
  fs().keys.pop_front();
  ++fs().waits;
  return k;
}

}  // namespace

Console::Console() {
  rows_ = kScreenRows;
  columns_ = kScreenColumns;
}

Console::~Console() {
  shutDown();
}

void Console::shutDown() {
  if (shutDown_) return;
  shutDown_ = 1;
  event("shutdown");
}

void Console::printChar(int slot, int character, int paging) {
  (void)paging;
  currentSlot_ = slot;
  fs().transcript.push_back(static_cast<char>(character));
  const int lastRow = rows_ - bottom_ - 1;
  if (character == '\n' || ++fs().x >= columns_) {
    fs().x = 0;
    fs().y = std::min(fs().y + 1, lastRow);
  }
}

void Console::printText(int slot, MaybeText text, int paging) {
  currentSlot_ = slot;
  if (!text) return;
  if (fs().onPrint) fs().onPrint(slot, std::string(*text));
  fs().trace.push_back("print " + std::to_string(slot) + " " + std::string(*text));
  for (char c : *text) printChar(slot, static_cast<unsigned char>(c), paging);
}

void Console::setColour(int slot, int foreground, int background) {
  if (slot < 0 || slot >= kSlotCount) return;
  fs().foreground[slot] = foreground;
  fs().background[slot] = background;
  fs().trace.push_back("colour " + std::to_string(slot) + " " + std::to_string(foreground) + " " +
                       std::to_string(background));
  event("colour " + std::to_string(slot) + " " + std::to_string(foreground) + " " +
        std::to_string(background));
}

void Console::clearArea(int slot) {
  event("clear " + std::to_string(slot));
  fs().x = 0;
  fs().y = top_;
  pageCounter_ = 0;
}

void Console::fillToLineEnd(int slot) {
  (void)slot;
}
void Console::selectColour(int slot) {
  lastSelected_ = slot;
}
void Console::useColour(int slot) {
  currentSlot_ = slot;
}
void Console::switchColour(int slot) {
  currentSlot_ = slot;
}

void Console::moveTo(int x, int y) {
  fs().x = x;
  fs().y = y + top_;
}

Console::Position Console::getPosition() const {
  return {fs().x, fs().y - top_};
}

void Console::setTopReserved(int n) {
  if (n >= 0 && n < rows_ - bottom_) {
    top_ = n;
    event("top " + std::to_string(n));
  }
}

void Console::setBottomReserved(int n) {
  if (n >= 0 && n < rows_ - top_) {
    bottom_ = n;
    event("bottom " + std::to_string(n));
  }
}

void Console::scrollLines(int count) {
  event("scroll " + std::to_string(count));
  fs().y = std::max(top_, fs().y - count);
}

int Console::waitForKey() {
  event("wait");
  return nextKey();
}

int Console::upperKey(int key) {
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  if (key == 228) return 196;
  if (key == 246) return 214;
  if (key == 252) return 220;
  return key;
}

int Console::waitForKeyOf(int slot, std::span<const int> keys) {
  event("wait");
  size_t n = 0;
  while (n < keys.size() && keys[n] != 0) ++n;
  if (n == 0) return -1;
  for (;;) {
    int key = upperKey(nextKey());
    for (size_t i = 0; i < n; ++i) {
      if (upperKey(keys[i]) == key) {
        if (keys[i] != kKeyEscape && key != kKeyReturn && keys[i] < 256) {
          printChar(slot, keys[i], 1);
        }
        return static_cast<int>(i);
      }
    }
  }
}

int Console::waitForKeyOfText(int slot, std::string_view text) {
  std::vector<int> keys;
  for (char c : text) keys.push_back(static_cast<unsigned char>(c));
  return waitForKeyOf(slot, std::span<const int>(keys));
}

int Console::readLine(int slot, std::span<char> buffer, int mode, int visible) {
  (void)mode;
  (void)visible;
  currentSlot_ = slot;
  event("readline");
  if (fs().lines.empty()) throw zoxtest::OutOfKeys();
  std::string line = fs().lines.front();
  fs().lines.pop_front();
  if (buffer.empty()) return 0;
  size_t n = std::min(line.size(), buffer.size() - 1);
  std::fill(buffer.begin(), buffer.end(), 0);
  std::copy_n(line.begin(), n, buffer.begin());
  return 0;
}

int Console::readLine(int slot, std::string& line, int mode, int visible) {
  char buffer[kLineBufferSize];
  int r = readLine(slot, std::span<char>(buffer), mode, visible);
  line = buffer;
  return r;
}

void Console::addHistory(std::string_view line) {
  (void)line;
}

void Console::setPressKeyText(const std::optional<std::string>* text) {
  pressKeyOptional_ = text;
  pressKeyString_ = nullptr;
}

void Console::setPressKeyText(const std::string* text) {
  pressKeyString_ = text;
  pressKeyOptional_ = nullptr;
}

void Console::hideCursor() {}
void Console::showCursor() {}

std::uint32_t Console::slotAttribute(int slot) const {
  return static_cast<std::uint32_t>(slot);
}

}  // namespace zox
