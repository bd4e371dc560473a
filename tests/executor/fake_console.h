// A stand-in for the console in the engine's unit tests: the same class, linked instead of the
// curses one, that records what is printed and answers key waits and line reads from a script.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zoxtest {

// Thrown by a key wait or line read when the script has no more keys or lines: a test that
// expects the engine to stop asking gets a clear failure instead of a hang.
struct OutOfKeys : std::runtime_error {
  OutOfKeys() : std::runtime_error("the engine waited for a key the test did not script") {}
};

struct FakeScreen {
  std::string transcript;           // every printed text and character, in order
  std::vector<std::string> events;  // "clear 1", "colour 0 4 0", "wait", "top 2", ...
  std::deque<int> keys;             // answers to key waits
  std::deque<std::string> lines;    // answers to readLine
  int x = 0;                        // cursor, screen coordinates
  int y = 0;
  int foreground[7] = {};
  int background[7] = {};
  int waits = 0;  // key waits answered
  bool eightColour = false;
  // printText calls ("print 0 text") and setColour calls ("colour 0 4 0"), in order.
  std::vector<std::string> trace;
  // Called by printText before it prints: a test's way in at a chosen moment of a drawing.
  std::function<void(int slot, const std::string& text)> onPrint;

  void reset() { *this = FakeScreen{}; }
  bool saw(const std::string& event) const;
  // The part of the transcript printed since the mark (a transcript length).
  std::string since(size_t mark) const { return transcript.substr(mark); }
};

// The one fake screen that every Console object of a test binary writes to.
FakeScreen& fakeScreen();

}  // namespace zoxtest
