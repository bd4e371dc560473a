// Fuzz target: a saved game through the load checks against a fixed adventure, the Lighthouse in
// its two parts (the compiled files lie in tests/fuzz/adventure/, copied into the private
// folder at start-up).
//
// Input: a byte of switches, then the slot file. Bit 0 rewrites the last four bytes as the sum
// of the bytes from offset 7 up to them, so that a changed field reaches the checks behind the
// sum; bit 1 loads into a game running in part 2 rather than part 1.
//
// What must hold: every load ends in one of the load results; a refused load leaves the running
// game exactly as it was; an accepted one gives a game inside the adventure (a part of it, every
// cursor in that part's code, colours and status lines in range) that shows itself and plays on
// to one of the system's outcomes.
#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "console/console.h"
#include "executor/engine.h"
#include "executor/saved_game_file.h"
#include "fake_console.h"
#include "format/bytes.h"
#include "fuzz_support.h"

namespace {

constexpr int kStepsToPrompt = 5000;  // a running game is started up to its first key wait
constexpr int kStepsAfterLoad = 500;  // a loaded game plays on at most this far
constexpr const char* kPartFiles[] = {"lighthouse.zox", "lighthouse.zo0"};

// The code area of each part, to check a loaded game against.
struct CodeArea {
  uint32_t start = 0;
  uint32_t end = 0;
};
CodeArea codeAreas[2];
std::string adventureName;

std::string adventurePath() {
  return zoxfuzz::workFolder() + "/" + kPartFiles[0];
}

void copyAdventure() {
  for (const char* name : kPartFiles) {
    const std::string from = std::string(ZOX_FUZZ_ADVENTURE_DIR) + "/" + name;
    std::FILE* f = std::fopen(from.c_str(), "rb");
    if (f == nullptr) zoxfuzz::broken("the fixed adventure is there");
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    zoxfuzz::writeFile(name, bytes.data(), bytes.size());
  }
}

// Steps until the game waits for the player (the stand-in console then has no answer).
int playToFirstWait(zox::zoxexec& engine, int limit) {
  try {
    for (int i = 0; i < limit; ++i) {
      const int r = engine.step();
      if (r != 0) return r;
    }
  } catch (const zoxtest::OutOfKeys&) {
  }
  return 0;
}

// Everything of a running game that can be seen from outside, as one text.
std::string fingerprint(const zox::zoxexec& e) {
  std::ostringstream o;
  auto text = [&o](const zox::Text& t) {
    if (t) {
      o << '[' << t->size() << ':' << *t << ']';
    } else {
      o << '-';
    }
  };
  o << e.fileOpen() << '|' << e.adventureName() << '|' << e.part() << '|' << e.partCount() << '|'
    << e.codeStart() << '|' << e.codeEnd() << '|' << e.tell() << '|' << e.currentRoom() << '|'
    << e.roomStartOffset() << '|' << e.statementOffset() << '|' << e.returnOffset() << '|'
    << e.startRoom() << '|' << e.initOffset() << '|' << e.inventoryOffset() << '|'
    << e.statusOffset() << '|' << e.statusLineCount() << '|' << e.ifDepth() << '|'
    << e.inStatusRun() << '|' << e.resourceCount() << '|' << e.inputLine() << '|' << e.confirmKeys()
    << '|';
  text(e.title());
  text(e.roomInformation());
  text(e.currentText());
  for (int n = 0; n < 20; ++n) text(e.message(n));
  for (int i = 0; i < zox::zoxexec::kTableSize; ++i) {
    o << e.number(i) << ',' << e.flag(i);
    text(e.initText(i));
    text(e.roomText(i));
  }
  for (int c = 0; c < zox::kColourSettings; ++c) o << e.colour(zox::ColourSetting(c)) << ',';
  return o.str();
}

// A game of the adventure, started (and for part 2 continued there) up to its first wait, with
// the fingerprint it had then.
struct RunningGame {
  zox::Console console;
  std::unique_ptr<zox::zoxexec> engine;
  std::string before;

  void startIn(int part) {
    zoxtest::fakeScreen().reset();
    engine = std::make_unique<zox::zoxexec>(&console);
    engine->setStartPause(std::chrono::milliseconds(0));
    int r = engine->open(adventurePath());
    if (r == 0) r = engine->test();
    if (r == 0) r = engine->initialise();
    if (r == 0) r = engine->start();
    if (r != 0) zoxfuzz::broken("the fixed adventure starts");
    codeAreas[0] = {engine->codeStart(), engine->codeEnd()};
    adventureName = engine->adventureName();
    if (part == 2) {
      zoxtest::fakeScreen().keys.assign(16, ' ');  // the pages of the part's opening
      try {
        r = engine->switchPart(2);
      } catch (const zoxtest::OutOfKeys&) {
        r = -1;
      }
      if (r != 0) zoxfuzz::broken("the fixed adventure continues in part 2");
      codeAreas[1] = {engine->codeStart(), engine->codeEnd()};
    }
    zoxtest::fakeScreen().reset();
    if (playToFirstWait(*engine, kStepsToPrompt) != 0)
      zoxfuzz::broken("the fixed adventure plays to its first question");
    before = fingerprint(*engine);
  }
};

RunningGame& runningGame(int part) {
  // Kept to the end of the process: the stand-in console's screen may be gone before the
  // destructors of statics would run.
  static RunningGame* const games = new RunningGame[2];
  RunningGame& g = games[part - 1];
  if (!g.engine) g.startIn(part);
  return g;
}

bool inCode(uint32_t offset, uint32_t start, uint32_t end) {
  return offset >= start && offset < end;
}
bool zeroOrInCode(uint32_t offset, uint32_t start, uint32_t end) {
  return offset == 0 || inCode(offset, start, end);
}

void checkLoadedGame(const zox::zoxexec& e) {
  if (!e.fileOpen() || e.adventureName() != adventureName || e.partCount() != 2)
    zoxfuzz::broken("a loaded game is a game of the adventure, with its file open");
  if (e.part() < 1 || e.part() > 2) zoxfuzz::broken("a loaded game is in a part of the adventure");
  // The code now read is that of the part the game was saved in.
  const uint32_t start = e.codeStart();
  const uint32_t end = e.codeEnd();
  if (start != codeAreas[e.part() - 1].start || end != codeAreas[e.part() - 1].end)
    zoxfuzz::broken("a loaded game reads the code of its own part");
  if (!inCode(e.roomStartOffset(), start, end) || !inCode(e.statementOffset(), start, end) ||
      !zeroOrInCode(e.initOffset(), start, end) || !zeroOrInCode(e.inventoryOffset(), start, end) ||
      !zeroOrInCode(e.statusOffset(), start, end) || !inCode(e.returnOffset(), start, end))
    zoxfuzz::broken("every cursor of a loaded game lies in its code");
  if (e.tell() != e.statementOffset())
    zoxfuzz::broken("a loaded game goes on at the statement it was saved at");
  for (int c = 0; c < zox::kColourSettings; ++c) {
    if (e.colour(zox::ColourSetting(c)) > zox::kMaxSavedColour)
      zoxfuzz::broken("a loaded game's colours are colours");
  }
  if (e.statusLineCount() > zox::kMaxSavedStatusLines)
    zoxfuzz::broken("a loaded game has at most 15 status lines");
}

// The rest of the input is the slot file; with bit 0 its last four bytes become the sum.
std::vector<uint8_t> slotBytes(const uint8_t* data, size_t size, bool mendSum) {
  std::vector<uint8_t> bytes(data, data + size);
  if (mendSum && bytes.size() >= zox::kSaveChecksumStart + 4) {
    const size_t at = bytes.size() - 4;
    zox::storeU32(&bytes[at], zox::sum32(std::span<const uint8_t>(bytes).subspan(
                                  zox::kSaveChecksumStart, at - zox::kSaveChecksumStart)));
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  copyAdventure();
  runningGame(1);
  runningGame(2);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int part = data[0] & 2 ? 2 : 1;
  const std::vector<uint8_t> bytes = slotBytes(data + 1, size - 1, data[0] & 1);
  const std::string slot = zoxfuzz::writeFile("lighthouse.sa0", bytes.data(), bytes.size());

  RunningGame& g = runningGame(part);
  zox::zoxexec& e = *g.engine;
  zoxtest::fakeScreen().reset();
  zoxtest::fakeScreen().keys.push_back(static_cast<unsigned char>(e.confirmKeys()[0]));
  int r;
  try {
    r = e.loadGame(slot);
  } catch (const zoxtest::OutOfKeys&) {
    zoxfuzz::broken("a load asks one question only");
  }
  if (r < zox::kLoaded || r > zox::kLoadPartBroken)
    zoxfuzz::broken("every load ends in one of the load results");
  if (r != zox::kLoaded) {
    if (fingerprint(e) != g.before) zoxfuzz::broken("a refused load leaves the game as it was");
    return 0;
  }

  checkLoadedGame(e);
  // The loaded game shows itself and plays on until it waits for the player.
  try {
    r = e.showLoadedGame();
    if (r == 0) r = playToFirstWait(e, kStepsAfterLoad);
  } catch (const zoxtest::OutOfKeys&) {
    r = 0;
  }
  if (r < -2 || r > 99) zoxfuzz::broken("a loaded game plays on to one of the system's outcomes");
  // The next input meets a game freshly started.
  g.engine.reset();
  return 0;
}
