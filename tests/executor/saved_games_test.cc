// Saving and loading games with the engine and a stand-in console: the commands with their
// questions and messages, the listing, and loads that must leave a running game exactly as it
// was whenever they fail.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <sstream>

#include "engine_fixture.h"
#include "executor/saved_game_file.h"
#include "executor/slot_file.h"
#include "screen_helpers.h"

namespace zoxtest {
namespace {

using zox::Op;

// The end of a text, as long as the expected end (to compare the two).
std::string lastOf(const std::string& text, const std::string& end) {
  return text.size() < end.size() ? text : text.substr(text.size() - end.size());
}

// Everything of the game that a load replaces, as one text.
std::string fingerprint(const zox::zoxexec& e) {
  std::ostringstream o;
  auto text = [&o](const zox::Text& t) { o << (t ? "[" + *t + "]" : std::string("-")); };
  o << e.part() << '|' << e.currentRoom() << '|' << e.roomStartOffset() << '|'
    << e.statementOffset() << '|' << e.startRoom() << '|' << e.initOffset() << '|'
    << e.inventoryOffset() << '|' << e.statusOffset() << '|' << e.statusLineCount() << '|'
    << e.fileOpen() << '|';
  text(e.title());
  text(e.roomInformation());
  for (int n = 0; n < 20; ++n) text(e.message(n));
  for (int i = 0; i < 256; ++i) {
    o << e.number(i) << ',' << e.flag(i);
    text(e.initText(i));
    text(e.roomText(i));
  }
  for (int c = 0; c < zox::kColourSettings; ++c) o << e.colour(zox::ColourSetting(c)) << ',';
  return o.str();
}

// One room that stops twice: at the first QUIT the game to save, at the second another one.
Code castle(const std::string& name = "Castle", const std::string& roomInfo = "first room") {
  Code c(name);
  c.init().title("Castle\n").op(Op::VarFlag).u8(0).u8(1).var(1, 5);
  c.op(Op::SetInitText).u8(2).text("init two").colour(Op::TextColor, 14);
  c.room(1)
      .op(Op::RoomInfo)
      .text(roomInfo)
      .set(1, 10)
      .op(Op::SetRoomText)
      .u8(0)
      .text("room zero")
      .setFlag(3, true)
      .colour(Op::TextColor, 4)
      .quit();
  c.set(1, 20)
      .op(Op::RoomInfo)
      .text("changed")
      .setFlag(3, false)
      .op(Op::SetInitText)
      .u8(2)
      .text("changed init")
      .colour(Op::TextColor, 5)
      .go(2);
  c.room(2).quit();
  c.inventory().op(Op::Item).u8(3).text("a silver key").end();
  return c;
}

class ExecutorSavedGames : public EngineTest {
 protected:
  std::string slot(int n) { return dir.file("adv.sa" + std::to_string(n)); }

  // Starts the castle and plays it to its first stop, where the game is saved into slot n.
  void saveFirstStop(int n) {
    ASSERT_EQ(startUp(castle().file()), 0);
    ASSERT_EQ(play(), -1);
    engine.takeSnapshot();  // as the command prompt does
    ASSERT_EQ(engine.saveGame(slot(n), "in the first room"), 0);
  }
  // Loads with the question answered yes.
  int load(const std::string& file) {
    keys({'y'});
    return engine.loadGame(file);
  }
};

TEST_F(ExecutorSavedGames, LoadBringsBackTheSavedGame) {
  saveFirstStop(0);
  const std::string saved = fingerprint(engine);
  ASSERT_EQ(play(), -1);  // the second stop, in room 2
  ASSERT_EQ(engine.currentRoom(), 2);
  ASSERT_NE(fingerprint(engine), saved);

  size_t trace = fakeScreen().trace.size();
  ASSERT_EQ(load(slot(0)), zox::kLoaded);
  EXPECT_EQ(engine.currentRoom(), 1);
  EXPECT_EQ(engine.number(1), 10);
  EXPECT_TRUE(engine.flag(3));
  EXPECT_EQ(engine.roomInformation(), "first room");
  EXPECT_EQ(engine.initText(2), "init two");
  EXPECT_EQ(engine.roomText(0), "room zero");  // from the snapshot
  EXPECT_EQ(engine.colour(zox::kTextColour), 4);
  // Messages 1 and 19, absent before, come back present and empty.
  EXPECT_EQ(engine.message(1), std::optional<std::string>(""));
  EXPECT_EQ(engine.message(19), std::optional<std::string>(""));
  // The console shows the loaded colours.
  const std::vector<std::string>& t = fakeScreen().trace;
  EXPECT_NE(std::find(t.begin() + trace, t.end(), "colour 0 4 0"), t.end());

  size_t mark = out().size();
  EXPECT_EQ(engine.showLoadedGame(), 0);
  EXPECT_EQ(screen().since(mark),
            "Castle\n\nSaved game loaded. Current room information:\n\nfirst room\n\n"
            "INVENTORY: a silver key\n");
  // Play goes on at the statement the game was saved at.
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.currentRoom(), 1);
}

// The castle was saved outside any command prompt: a clause ended after the load goes back to
// the statement the game was saved at, not to offset 0.
TEST_F(ExecutorSavedGames, AClauseEndedAfterTheLoadReturnsIntoTheLoadedGame) {
  saveFirstStop(0);
  ASSERT_EQ(play(), -1);
  ASSERT_EQ(load(slot(0)), zox::kLoaded);
  ASSERT_EQ(engine.returnFromClause(), 0);
  EXPECT_EQ(play(), -1);  // the QUIT of the first stop
  EXPECT_EQ(engine.currentRoom(), 1);
  EXPECT_EQ(out().find("Error"), std::string::npos) << out();
}

TEST_F(ExecutorSavedGames, SaveCommandWithItsQuestionsAndMessages) {
  ASSERT_EQ(startUp(castle().file()), 0);
  ASSERT_EQ(play(), -1);
  dir.write("adv.sa3", "ZOXSAV\tan older game\n");
  const std::string older = dir.read("adv.sa3");

  // Esc at the slot question: nothing is written.
  keys({zox::kKeyEscape});
  size_t mark = out().size();
  EXPECT_EQ(engine.saveCommand(), 0);
  const std::string escaped = "\nAt which position do you want to save your game (0-9) ? \n";
  EXPECT_EQ(lastOf(out(), escaped), escaped);
  EXPECT_FALSE(dir.exists("adv.sa0"));

  // Slot 3 exists: the description, then the question; no leaves the file as it was.
  keys({'3', 'n'});
  screen().lines.push_back("at the gate");
  mark = out().size();
  EXPECT_EQ(engine.saveCommand(), 0);
  EXPECT_NE(screen().since(mark).find("3 ... an older game\n4 ... empty\n"), std::string::npos);
  EXPECT_NE(screen().since(mark).find("(0-9) ? 3\nD> "), std::string::npos) << screen().since(mark);
  const std::string declined = "\n\nOverwrite (y/n) ? n\n";
  EXPECT_EQ(lastOf(screen().since(mark), declined), declined);
  EXPECT_EQ(dir.read("adv.sa3"), older);

  // Yes replaces it.
  keys({'3', 'Y'});
  screen().lines.push_back("at the gate");
  mark = out().size();
  EXPECT_EQ(engine.saveCommand(), 0);
  const std::string saved = "\n\nOverwrite (y/n) ? y\n\nCurrent game was saved.\n";
  EXPECT_EQ(lastOf(screen().since(mark), saved), saved);
  EXPECT_EQ(dir.read("adv.sa3").substr(0, 19), "ZOXSAV\tat the gate\n");

  // A new slot with an empty description: no question.
  keys({'0'});
  screen().lines.push_back("");
  mark = out().size();
  EXPECT_EQ(engine.saveCommand(), 0);
  EXPECT_EQ(screen().since(mark).find("Overwrite"), std::string::npos);
  EXPECT_EQ(dir.read("adv.sa0").substr(0, 8), "ZOXSAV\t\n");
  mark = out().size();
  engine.listSavedGames();
  EXPECT_NE(screen().since(mark).find("\n0 ... \n1 ... empty\n"), std::string::npos);
}

TEST_F(ExecutorSavedGames, AFailingWriteKeepsTheSlotAndSaysWriteError) {
  static zox::SlotFileSystem full = zox::realSlotFileSystem();
  full.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  saveFirstStop(6);
  const std::string before = dir.read("adv.sa6");
  ASSERT_EQ(play(), -1);
  engine.setSlotFileSystem(&full);
  keys({'6', 'y'});
  screen().lines.push_back("never written");
  const size_t mark = out().size();
  EXPECT_EQ(engine.saveCommand(), 0);
  const std::string failed = "\n\nWrite-Error !\n";
  EXPECT_EQ(lastOf(screen().since(mark), failed), failed);
  EXPECT_EQ(dir.read("adv.sa6"), before);
  EXPECT_FALSE(dir.exists("adv.sa6.new"));
  engine.setSlotFileSystem(nullptr);
}

TEST_F(ExecutorSavedGames, LoadResultsAndTheirMessages) {
  saveFirstStop(0);
  const std::string good = dir.read("adv.sa0");
  dir.write("adv.sa1", good.substr(0, 100));  // cut short
  dir.write("adv.sa2", "ZOXKV\x91\t");
  dir.write("adv.sa3", "ZOXSAV " + good.substr(7));
  std::string changed = good;
  changed[good.size() - 10] ^= 1;  // a colour byte: only the sum can tell
  dir.write("adv.sa4", changed);
  ASSERT_EQ(play(), -1);
  const std::string before = fingerprint(engine);
  const struct {
    int key;
    std::vector<int> answers;
    std::string message;
  } cases[] = {
      {'9', {'y'}, "\nFile not found !\n"},   {'1', {'y'}, "\nLoad-Error !\n"},
      {'2', {'y'}, "\nIncorrect format !\n"}, {'3', {'y'}, "\nIncorrect version !\n"},
      {'4', {'y'}, "\nSA? changed !\n"},      {'0', {'n'}, ""},
  };
  for (const auto& k : cases) {
    keys({k.key});
    for (int a : k.answers) keys({a});
    const size_t mark = out().size();
    EXPECT_EQ(engine.loadCommand(), 0) << char(k.key);
    const std::string shown = screen().since(mark);
    const std::string question = "(0-9) ? " + std::string(1, char(k.key)) +
                                 "\n\nAre you sure (y/n) ? " + char(k.answers[0]) + "\n";
    ASSERT_NE(shown.find(question), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.find(question) + question.size()), k.message) << char(k.key);
    EXPECT_EQ(shown.find("Environment destroyed"), std::string::npos);
    EXPECT_EQ(fingerprint(engine), before) << char(k.key);
  }
  // Esc at the slot question.
  keys({zox::kKeyEscape});
  const size_t mark = out().size();
  EXPECT_EQ(engine.loadCommand(), 0);
  const std::string escaped = "\nWhich saved game do you want to load (0-9) ? \n";
  EXPECT_EQ(lastOf(screen().since(mark), escaped), escaped);
}

TEST_F(ExecutorSavedGames, YesAndNoKeysComeFromMessages15And16) {
  Code c("Burg");
  c.init().op(Op::Message).u8(15).text("ja").op(Op::Message).u8(16).text("");
  c.room(1).quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  ASSERT_EQ(play(), -1);
  ASSERT_EQ(engine.saveGame(slot(1), "x"), 0);
  // 'y' is no key now; 'j' is yes. The empty no-message leaves 'n' as its key.
  keys({'y', 'n'});
  EXPECT_EQ(engine.saveGame(slot(1), "x"), 2);
  keys({'j'});
  EXPECT_EQ(engine.saveGame(slot(1), "x"), 0);
}

// The slot files of another adventure, of an older compile of this one, of another part count.
TEST_F(ExecutorSavedGames, SlotsThatBelongToAnotherGame) {
  zox::zoxexec other(&console);
  other.setStartPause(std::chrono::milliseconds(0));
  auto saveWith = [&](const Code& code, uint8_t part, uint8_t count, const std::string& into) {
    const std::string file = write(code.file(part, count), "other.zox");
    ASSERT_EQ(other.open(file), 0);
    ASSERT_EQ(other.test(), 0);
    ASSERT_EQ(other.initialise(), 0);
    ASSERT_EQ(other.start(), 0);
    ASSERT_EQ(other.saveGame(into, "other"), 0);
  };
  saveWith(castle("Tower"), 1, 1, slot(1));
  ASSERT_EQ(startUp(castle().file()), 0);
  ASSERT_EQ(play(), -1);
  const std::string before = fingerprint(engine);
  EXPECT_EQ(load(slot(1)), zox::kLoadOtherVersion);

  zox::zoxexec second(&console);
  second.setStartPause(std::chrono::milliseconds(0));
  const std::string recompiled = write(castle("Castle", "first room, now dry").file(), "new.zox");
  ASSERT_EQ(second.open(recompiled), 0);
  ASSERT_EQ(second.test(), 0);
  ASSERT_EQ(second.initialise(), 0);
  ASSERT_EQ(second.start(), 0);
  ASSERT_EQ(second.saveGame(slot(2), "recompiled"), 0);
  EXPECT_EQ(load(slot(2)), zox::kLoadCodeChanged);

  zox::zoxexec parts(&console);
  parts.setStartPause(std::chrono::milliseconds(0));
  ASSERT_EQ(parts.open(write(castle().file(1, 2), "two.zox")), 0);
  ASSERT_EQ(parts.test(), 0);
  ASSERT_EQ(parts.initialise(), 0);
  ASSERT_EQ(parts.start(), 0);
  ASSERT_EQ(parts.saveGame(slot(3), "two parts"), 0);
  EXPECT_EQ(load(slot(3)), zox::kLoadOtherVersion);
  EXPECT_EQ(fingerprint(engine), before);
}

// Every single-byte change after offset 6 and every cut of a saved file: a defined result and
// the running game as it was (apart from the one cut that ends right after field 21).
TEST_F(ExecutorSavedGames, DamagedAndCutFilesNeverTouchTheRunningGame) {
  saveFirstStop(0);
  const std::string good = dir.read("adv.sa0");
  ASSERT_EQ(play(), -1);
  const std::string before = fingerprint(engine);
  // Each file is written anew: rewriting one in place makes some file systems flush it at once.
  auto put = [&](const std::string& bytes) {
    std::remove(slot(5).c_str());
    dir.write("adv.sa5", bytes);
  };
  // Every byte changed three ways and every cut: the load result of each, counted.
  std::map<int, int> changes, cuts;
  for (size_t i = 0; i < good.size(); ++i) {
    for (int change : {0x01, 0x80, 0xFF}) {
      std::string bad = good;
      bad[i] = static_cast<char>(bad[i] ^ change);
      put(bad);
      const int r = load(slot(5));
      ++changes[r];
      ASSERT_TRUE(r == zox::kLoadError || r == zox::kLoadNotSaved ||
                  r == zox::kLoadOtherVersion || r == zox::kLoadCodeChanged ||
                  r == zox::kLoadSumChanged)
          << "byte " << i << " ^ " << change << ": " << r;
      ASSERT_EQ(fingerprint(engine), before) << "byte " << i;
    }
  }
  const size_t end21 = good.size() - 4;
  for (size_t n = 0; n < good.size(); ++n) {
    if (n == end21) continue;
    put(good.substr(0, n));
    const int r = load(slot(5));
    ++cuts[r];
    ASSERT_TRUE(r == zox::kLoadError || (n < 7 && r == zox::kLoadNotSaved)) << "cut at " << n;
    ASSERT_EQ(fingerprint(engine), before) << "cut at " << n;
  }
  auto table = [](const char* what, const std::map<int, int>& counts) {
    std::printf("%s:\n", what);
    for (const auto& [result, count] : counts) std::printf("  load result %d: %6d\n", result, count);
  };
  table(("a saved game of " + std::to_string(good.size()) + " bytes, every byte changed 3 ways")
            .c_str(),
        changes);
  table("every cut but the one after field 21", cuts);
  put(good.substr(0, end21));
  EXPECT_EQ(load(slot(5)), zox::kLoaded);
  EXPECT_EQ(engine.number(1), 10);
}

// A game saved in part 3, loaded while part 1 runs: the executor goes over to part 3's file.
// When that file is missing, damaged or recompiled, part 1 goes on as before.
TEST_F(ExecutorSavedGames, LoadSwitchesToTheSavedPart) {
  Code one("Tale");
  one.room(1).ifFlag(0, true).print("back in one").quit().endIf().op(Op::Continue).u8(3).end();
  auto three = [](std::string_view extra) {
    Code c("Tale");
    c.room(1).op(Op::RoomInfo).text("tower top").setFlag(0, true).set(7, 77).quit();
    c.op(Op::Continue).u8(1).print(extra);
    c.inventory().op(Op::Item).u8(0).text("a map of part three").end();
    return c.file(3, 3);
  };
  const std::string partThree = three("");
  write(partThree, "adv.zo1");
  ASSERT_EQ(startUp(one.file(1, 3)), 0);
  ASSERT_EQ(play(), -1);
  ASSERT_EQ(engine.part(), 3);
  engine.takeSnapshot();
  ASSERT_EQ(engine.saveGame(slot(4), "part three"), 0);
  ASSERT_EQ(play(), -1);
  ASSERT_EQ(engine.part(), 1);
  ASSERT_NE(out().find("back in one"), std::string::npos);
  const std::string before = fingerprint(engine);

  // Missing, damaged, recompiled: part 1 stays, with its file.
  std::string damaged = partThree;
  damaged[damaged.size() - 5] ^= 1;
  const struct {
    const char* what;
    std::optional<std::string> file;
    int result;
  } cases[] = {
      {"missing", std::nullopt, zox::kLoadFileNotFound},
      {"damaged", damaged, zox::kLoadPartBroken},
      {"recompiled", three("more"), zox::kLoadCodeChanged},
      {"another part's file", one.file(1, 3), zox::kLoadPartBroken},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    std::remove(dir.file("adv.zo1").c_str());
    if (k.file) write(*k.file, "adv.zo1");
    EXPECT_EQ(load(slot(4)), k.result);
    EXPECT_EQ(fingerprint(engine), before);
    // Part 1's file still serves: its inventory is asked for and it has none.
    const size_t mark = out().size();
    EXPECT_EQ(engine.infoCommand(), 0);
    EXPECT_EQ(screen().since(mark),
              "\n\nNo room information available.\n\nINVENTORY: Item information not found !\n");
  }

  write(partThree, "adv.zo1");
  ASSERT_EQ(load(slot(4)), zox::kLoaded);
  EXPECT_EQ(engine.part(), 3);
  EXPECT_EQ(engine.number(7), 77);
  const size_t mark = out().size();
  EXPECT_EQ(engine.showLoadedGame(), 0);
  EXPECT_NE(screen().since(mark).find("tower top\n\nINVENTORY: a map of part three\n"),
            std::string::npos)
      << screen().since(mark);
  // Play goes on in part 3, at its QUIT and then with its CONTINUE back to part 1.
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.part(), 3);
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.part(), 1);
}

}  // namespace
}  // namespace zoxtest
