// Corruption sweeps over the example's compiled file, run through the engine in process:
// every single-byte change (two different ones per byte) and every truncation ends with one of
// the executor's error numbers, or the adventure plays on. The outcomes are counted by error
// number and printed. A second sweep mends the checksums after each change, so that the
// changed statement is read and played instead of being refused by the check.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "compiled_example.h"
#include "console/console.h"
#include "executor/engine.h"
#include "fake_console.h"
#include "format/bytes.h"
#include "screen.h"

namespace zoxtest {
namespace {

// Every error number the executor defines (its table, the console's 26 included).
const std::set<int> kDefined = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                18, 19, 20, 21, 23, 24, 25, 26, 27, 28, 50, 51,
                                52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

constexpr int kSteps = 20000;  // a loop in a damaged adventure is stopped here

// The code checksum recomputed for the bytes as they are (when the code end can be found).
void mendCodeChecksum(std::string& file) {
  size_t nameEnd = 7;
  while (nameEnd < file.size() && file[nameEnd] != 0) ++nameEnd;
  if (nameEnd + 7 > file.size()) return;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(file.data());
  const uint64_t start = nameEnd + 7, end = zox::loadU32(bytes + nameEnd + 3);
  if (end < start || end + 4 > file.size()) return;
  const uint32_t sum = zox::sum32(std::string_view(file).substr(start, end - start));
  zox::storeU32(reinterpret_cast<uint8_t*>(file.data()) + end, sum);
}

// The player's answers: one key for every key wait, menu and question, one line for every
// prompt and description. They take the example through its title menu (the help page, the
// menu's own help), the shore, the way menu on the path, a saved game in the yard, the tower's
// foot, the saved game loaded again, and on into part 2, where the player quits.
const std::vector<int> kWalkKeys = {
    zox::kKeyDown, zox::kKeyReturn,  // "How to play"
    ' ',                             // back to the title
    '?', zox::kKeyReturn,            // the menu's help, then "Begin the night"
    zox::kKeyReturn, ' ',            // "Which way?" on the path, and on to the yard
    '0',                             // SAVE into slot 0
    '0', 'y',                        // LOAD slot 0
    ' ',                             // up the tower: on to part 2
    'y',                             // QUIT
};
const std::vector<std::string> kWalkLines = {
    "read the note", "x boat", "info", "up", "up",
    "examine the flat stone", "lift the stone", "take the key", "save", "In the yard",
    "unlock the door with the key", "open the door", "put my shoulder to the door", "go in",
    "search the oilskin", "take the matches", "inventory", "drop the key", "i", "load",
    "look", "unlock the door with the key", "push the door", "in", "search the oilskin",
    "take the matches", "i", "up", "i", "up", "quit"};

// Starts and plays the file as the program would (part 2 beside it), answering from the walk
// above. The error number, -1 for the end of play, 0 when it still plays after the steps or
// the answers ran out.
int play(const TempDir& dir, const std::string& bytes) {
  for (int slot = 0; slot < 10; ++slot) std::remove(dir.file("sweep.sa" + std::to_string(slot)).c_str());
  dir.write("sweep.zox", bytes);
  if (!dir.exists("sweep.zo0")) dir.write("sweep.zo0", compiledExample().partTwo);
  FakeScreen& screen = fakeScreen();
  screen.reset();
  screen.keys.assign(kWalkKeys.begin(), kWalkKeys.end());
  screen.lines.assign(kWalkLines.begin(), kWalkLines.end());
  zox::Console console;
  zox::zoxexec engine(&console);
  engine.setStartPause(std::chrono::milliseconds(0));
  try {
    int r = engine.open(dir.file("sweep.zox"));
    if (r == 0) r = engine.test();
    if (r == 0) r = engine.initialise();
    if (r == 0) r = engine.start();
    for (int i = 0; r == 0 && i < kSteps; ++i) r = engine.step();
    return r;
  } catch (const OutOfKeys&) {
    return 0;
  }
}

class Outcomes {
 public:
  void count(int r, const std::string& what) {
    ++counts_[r];
    const bool defined = r == 0 || r == -1 || kDefined.count(r) == 1;
    EXPECT_TRUE(defined) << what << ": ended with " << r;
  }
  int of(int r) const { return counts_.count(r) ? counts_.at(r) : 0; }
  void print(const std::string& title) const {
    std::cout << title << "\n";
    for (const auto& [r, n] : counts_) {
      const std::string what = r == 0 ? "plays on"
                               : r == -1
                                   ? "play ended"
                                   : "error " + std::string(r < 10 ? "0" : "") + std::to_string(r);
      std::printf("  %-14s %6d\n", what.c_str(), n);
    }
  }

 private:
  std::map<int, int> counts_;
};

TEST(ReliabilitySweep, TheExampleItselfPlaysToItsEnd) {
  TempDir dir;
  ASSERT_GT(compiledExample().partOne.size(), 1000u);
  ASSERT_GT(compiledExample().partTwo.size(), 1000u);
  EXPECT_EQ(play(dir, compiledExample().partOne), -1) << fakeScreen().transcript;
  // The walk reaches what the sweeps are meant to shake: menus, prompts, both saved-game
  // commands and the part switch.
  const std::string& seen = fakeScreen().transcript;
  for (const char* milestone :
       {"HOW TO PLAY", "THE SHORE", "Gone down to the village", "Which way?",
        "THE LIGHTHOUSE YARD", "Current game was saved.", "THE FOOT OF THE TOWER",
        "Saved game loaded.", "You carry: an iron key, a box of matches",
        "THE STAIRS, FLIGHT 1 OF 4", "Are you sure (y/n) ?"}) {
    EXPECT_NE(seen.find(milestone), std::string::npos) << milestone << "\n" << seen;
  }
  EXPECT_TRUE(fakeScreen().keys.empty());
  EXPECT_TRUE(fakeScreen().lines.empty());
}

TEST(ReliabilitySweep, EverySingleByteChange) {
  TempDir dir;
  const std::string& sound = compiledExample().partOne;
  Outcomes outcomes;
  for (size_t at = 0; at < sound.size(); ++at) {
    const uint8_t b = static_cast<uint8_t>(sound[at]);
    for (uint8_t changed : {uint8_t(b + 1), uint8_t(b ^ 0x80)}) {
      std::string bytes = sound;
      bytes[at] = static_cast<char>(changed);
      outcomes.count(play(dir, bytes),
                     "byte " + std::to_string(at) + " := " + std::to_string(changed));
    }
  }
  outcomes.print("Every byte of the compiled example changed twice (" +
                 std::to_string(2 * sound.size()) + " files):");
  // The checksums catch a change anywhere in the code: almost every file is refused.
  EXPECT_GT(outcomes.of(8), int(sound.size()));
}

TEST(ReliabilitySweep, EverySingleByteChangeWithTheChecksumMended) {
  TempDir dir;
  const std::string& sound = compiledExample().partOne;
  Outcomes outcomes;
  for (size_t at = 0; at < sound.size(); ++at) {
    const uint8_t b = static_cast<uint8_t>(sound[at]);
    for (uint8_t changed : {uint8_t(b + 1), uint8_t(b ^ 0x80)}) {
      std::string bytes = sound;
      bytes[at] = static_cast<char>(changed);
      mendCodeChecksum(bytes);
      outcomes.count(play(dir, bytes),
                     "mended, byte " + std::to_string(at) + " := " + std::to_string(changed));
    }
  }
  outcomes.print("The same changes with the code checksum mended, so that they are played:");
  // Most changes now reach the statements: many still play to the end, many end with a
  // run-time error.
  EXPECT_GT(outcomes.of(-1), int(sound.size()) / 2);
  EXPECT_GT(outcomes.of(20), int(sound.size()) / 2);
}

TEST(ReliabilitySweep, EveryTruncation) {
  TempDir dir;
  const std::string& sound = compiledExample().partOne;
  Outcomes outcomes;
  for (size_t length = 0; length < sound.size(); ++length) {
    outcomes.count(play(dir, sound.substr(0, length)), "cut to " + std::to_string(length));
  }
  outcomes.print("The compiled example cut at every length (" + std::to_string(sound.size()) +
                 " files):");
  // A cut file never plays: it ends inside a field (06) or an area (05), or its checksum is
  // cut (06, 08).
  EXPECT_EQ(outcomes.of(0) + outcomes.of(-1), 0);
}

}  // namespace
}  // namespace zoxtest
