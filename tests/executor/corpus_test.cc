// Compiled files with right checksums and nonsense code: each must end with an error number
// (or play on until the test stops it), never crash and never wait without end.
#include <map>
#include <random>

#include "engine_fixture.h"
#include "format/bytes.h"
#include "format/text_key.h"

namespace zoxtest {
namespace {

using zox::Op;

using ExecutorCorpus = EngineTest;

// Plays a file the way the program does, answering every dialog with the given key, for at
// most a number of steps. The status the program would end with, or 0 when the steps ran out
// (a loop in the adventure itself) or the keys did.
int playNonsense(EngineTest& t, zox::zoxexec& engine, const std::string& path, int answer) {
  auto& fs = fakeScreen();
  fs.keys.assign(400, answer);
  fs.lines = {"password", "a b", "b {", "c a b"};
  engine.setStartPause(std::chrono::milliseconds(0));
  try {
    int r = engine.open(path);
    if (r == 0) r = engine.test();
    if (r == 0) r = engine.initialise();
    if (r == 0) r = engine.start();
    if (r != 0) return r;
    for (int i = 0; i < 20000; ++i) {
      r = engine.step();
      if (r != 0) return r;
    }
  } catch (const OutOfKeys&) {
  }
  (void)t;
  return 0;
}

// A code area of random statements: valid opcodes with random operands, now and then a byte
// that is no opcode, GO TOs into random places, and a room header every so often.
std::string randomFile(std::mt19937& rng, bool keepOpcodesValid) {
  std::vector<uint8_t> code;
  auto byte = [&] { return uint8_t(rng()); };
  const int statements = 1 + int(rng() % 60);
  code.push_back(0xA1);
  code.push_back(1);
  code.push_back(0);
  for (int i = 0; i < statements; ++i) {
    uint8_t o;
    do {
      o = uint8_t(0xA0 + rng() % 0x4E);
    } while (keepOpcodesValid && !zox::opcodeInfo(o));
    if (!keepOpcodesValid && rng() % 10 == 0) o = byte();
    if (o == 0xFF) o = 0xB7;
    code.push_back(o);
    const zox::OpcodeInfo* info = zox::opcodeInfo(o);
    if (!info) continue;
    for (char k : info->layout) {
      switch (k) {
        case 'b':
          code.push_back(rng() % 3 == 0 ? byte() : uint8_t(rng() % 17));
          break;
        case 'c':
          code.push_back(keepOpcodesValid ? uint8_t(rng() % 16) : byte());
          break;
        case 'r':
        case 'h':
          code.push_back(uint8_t(rng() % 4));
          code.push_back(rng() % 8 == 0 ? byte() : 0);
          break;
        case 'w':
        case 'o': {
          uint32_t v = rng() % 2 ? uint32_t(rng() % 200) : uint32_t(rng());
          for (int j = 0; j < 4; ++j) code.push_back(uint8_t(v >> (8 * j)));
          break;
        }
        case 'l':
        case 'm': {
          int n = int(rng() % 20);
          code.push_back(uint8_t(n));
          if (k == 'm') {
            code.push_back(byte());
            code.push_back(byte());
          }
          for (int j = 0; j < n; ++j) code.push_back(uint8_t(rng() % 8));
          break;
        }
        case 't': {
          int n = int(rng() % 6);
          if (keepOpcodesValid) {
            // Letters, blanks, braces and bars: patterns of every shape, and words to match.
            static constexpr char kAlphabet[] = "abc {}|";
            std::string plain;
            for (int j = 0; j < n; ++j) plain.push_back(kAlphabet[rng() % 7]);
            std::string s = zox::scramble(plain).value();
            code.insert(code.end(), s.begin(), s.end());
          } else {
            for (int j = 0; j < n; ++j) code.push_back(uint8_t(1 + rng() % 0x9F));
          }
          break;
        }
      }
    }
  }
  if (rng() % 4) code.push_back(0xFF);
  std::vector<uint8_t> f = zox::buildAdventureFile("Nonsense", 1, 1, code);
  return std::string(f.begin(), f.end());
}

TEST_F(ExecutorCorpus, RandomCodeEndsWithAnErrorNumberAndNeverCrashes) {
  std::mt19937 rng(20240611);
  int played = 0, failedEarly = 0;
  std::map<int, int> outcomes;
  for (int round = 0; round < 400; ++round) {
    const bool valid = round % 2 == 0;
    const std::string bytes = randomFile(rng, valid);
    for (int answer : {'I', 'R', 'E'}) {
      fakeScreen().reset();
      zox::Console console;
      zox::zoxexec engine(&console);
      dir.write("nonsense.zox", bytes);
      const int r = playNonsense(*this, engine, dir.file("nonsense.zox"), answer);
      // Whatever happened, the result is one of the system's outcomes.
      EXPECT_TRUE(r == 0 || r == -1 || (r >= 2 && r <= 99)) << round << ": " << r;
      ++outcomes[r];
      if (r == 0 || r == -1) ++played;
      if (r > 0) ++failedEarly;
    }
  }
  std::string seen;
  for (auto [r, n] : outcomes) seen += " " + std::to_string(r) + ":" + std::to_string(n);
  // The corpus has both kinds, or it tests little.
  EXPECT_GT(played, 50) << seen;
  EXPECT_GT(failedEarly, 50) << seen;
  EXPECT_GT(outcomes.size(), 6u) << seen;
}

TEST_F(ExecutorCorpus, NamedKindsOfNonsense) {
  // A GO TO into the middle of a statement.
  Code go;
  go.room(1);
  const uint32_t target = go.here() + 6;  // inside the text of the PRINT after the GO TO
  go.goTo(target).print("some text").quit().end();
  // A choice list of 200 entries: read whole, refused when shown.
  Code list;
  list.room(1).op(Op::ChooseBlock).u8(200).u16(0xFFFF);
  for (int i = 0; i < 200; ++i) list.u8(i);
  list.quit().end();
  // Texts that do not unscramble, in a room that is never entered.
  Code text;
  text.room(1).quit().room(2).raw({0xC7, 0x01, 0x9F, 0x50}).quit().end();
  // A code area without its end marker, and one whose last statement is cut.
  Code noEnd;
  noEnd.room(1).print("x").quit();
  Code cut;
  cut.room(1).quit().raw({0xE4, 1, 2});
  // Clause patterns the compiler never writes: the command finds no clause (24).
  auto patterns = [](std::string pattern) {
    Code c;
    c.room(1).op(Op::InputCommand).op(Op::BracketClause).text(pattern).op(Op::Resume).end();
    return c.file();
  };
  // Menus of no entry, of 17, and of an entry whose text was never set.
  auto menu = [](int count, bool setTexts) {
    Code c;
    c.init();
    if (setTexts) c.op(Op::SetInitText).u8(0).text("entry");
    c.room(1).op(Op::ChooseBlock).u8(count).u16(0xFFFF);
    for (int i = 0; i < count; ++i) c.u8(i % 2);
    c.quit().end();
    return c.file();
  };
  // A clause section whose code runs out without the end marker.
  Code open;
  open.room(1).op(Op::InputCommand).inventory().op(Op::BracketClause).text("a").print("x");
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"GO TO into a statement", go.file(), 21},
      {"choice list of 200", list.file(), 52},
      {"text that does not unscramble", text.file(), 20},
      {"no end marker", noEnd.file(), 5},
      {"statement cut by the code end", cut.file(), 5},
      {"pattern with an open brace", patterns("take{the"), 24},
      {"pattern with a brace closed first", patterns("take}the{"), 24},
      {"pattern with a bar without a group", patterns("{take}|the"), 24},
      {"pattern of 300 characters", patterns(std::string(300, 'a')), 24},
      {"pattern nested 120 deep", patterns(std::string(120, '{') + std::string(120, '}')), 24},
      {"choice list of 0", menu(0, true), 52},
      {"choice list of 17", menu(17, true), 52},
      {"choice entry without a text", menu(2, false), 51},
      {"clause section without its end", open.file(), 5},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    fakeScreen().keys = {'E'};
    fakeScreen().lines = {"take the"};
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("kind.zox", c.bytes);
    std::string path = dir.file("kind.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
  }
}

}  // namespace
}  // namespace zoxtest
