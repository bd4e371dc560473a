// SAVE, LOAD and INFO typed at the command prompt of the real zoxexec: the listing of the ten
// slots, the questions, games carried from one run to the next and across parts, and slot
// files that are damaged or belong to another game, after which play goes on unchanged.
#include <dirent.h>

#include <cstdio>
#include <set>

#include "screen.h"
#include "screen_helpers.h"

namespace zoxtest {
namespace {

constexpr double kLong = 30;  // seconds; the start has a pause of 2 seconds by design

const char* const kQuest =
    "[ZOX \"Quest\"]\n"
    "[INIT]\n"
    "VAR lamp = FALSE\n"
    "VAR coins = 0\n"
    "VAR bet = 0\n"
    "[ROOM hall]\n"
    "RINFO = \"A hall with a door to the north.\"\n"
    "PRINT \"You are in the hall.\"\n"
    "INPUT\n"
    "(take lamp)\n"
    "lamp = TRUE\n"
    "PRINT \"Taken.\"\n"
    "RESUME\n"
    "(bet)\n"
    "INPUT \"Bet? \" bet\n"
    "PRINT \"Bet taken: \"\n"
    "PRINT bet\n"
    "RESUME\n"
    "(add)\n"
    "coins += 1\n"
    "PRINT \"Added.\"\n"
    "RESUME\n"
    "(coins)\n"
    "PRINT \"Coins: \"\n"
    "PRINT coins\n"
    "RESUME\n"
    "(north)\n"
    "GO TO [ROOM tower]\n"
    "[ROOM tower]\n"
    "RINFO = \"The top of the tower.\"\n"
    "PRINT \"You climb the tower.\"\n"
    "INPUT\n"
    "(coins)\n"
    "PRINT \"Coins: \"\n"
    "PRINT coins\n"
    "RESUME\n"
    "(south)\n"
    "GO TO [ROOM hall]\n"
    "[INVENTORY]\n"
    "ITEM lamp = \"a lamp\"\n";

// zoxexec at the command prompt, driven line by line. Every step waits until the program is
// blocked reading its terminal again with all its output on the screen.
class Game {
 public:
  Game(const std::vector<std::string>& args, const TempDir& dir)
      : screen(withProgram(args), options(dir)) {}
  // Through a launcher that ends by exec'ing its first argument with the rest.
  Game(const std::vector<std::string>& launcher, const std::vector<std::string>& args,
       const TempDir& dir)
      : screen(join(launcher, withProgram(args)), options(dir)) {}

  // Waits for the first prompt.
  bool start() { return screen.waitForIdle(kLong) && atPrompt(); }
  bool atPrompt() { return screen.cursorCol() == 5 && screen.row(screen.cursorRow()) == "CMD>"; }
  // Types a line into the field at the cursor and Return; true once the program waits again.
  bool line(const std::string& text) {
    const int row = screen.cursorRow(), col = screen.cursorCol() + int(text.size());
    screen.type(text);
    if (!screen.waitUntil([&] { return screen.cursorCol() == col; }, kLong)) return false;
    screen.key(Key::Enter);
    return movedOn(row, col);
  }
  // One key at a key wait; true once the program waits again.
  bool press(const std::string& key) {
    const int row = screen.cursorRow(), col = screen.cursorCol();
    screen.send(key);
    return movedOn(row, col);
  }
  bool escape() {
    const int row = screen.cursorRow(), col = screen.cursorCol();
    screen.key(Key::Escape);
    return movedOn(row, col);
  }
  // The cursor row holds the text.
  bool cursorRowHas(const std::string& text) {
    return screen.row(screen.cursorRow()).find(text) != std::string::npos;
  }
  // A clear screen, then the command; the rows it printed (the command's own row included),
  // joined.
  std::string answer(const std::string& command) {
    if (!line("CLS") || !atPrompt()) return "(no prompt after CLS)";
    const int from = screen.cursorRow();
    if (!line(command) || !atPrompt()) return "(no prompt after " + command + ")";
    std::string rows;
    for (int r = from; r < screen.cursorRow(); ++r) rows += screen.row(r) + "\n";
    return rows;
  }
  bool quit() {
    if (!line("QUIT") || !cursorRowHas("Are you sure (y/n) ?")) return false;
    screen.send("y");
    return screen.waitForExit(kLong);
  }

  Screen screen;

 private:
  bool movedOn(int row, int col) {
    return screen.waitUntil([&] { return screen.cursorRow() != row || screen.cursorCol() != col; },
                            kLong) &&
           screen.waitForIdle(kLong);
  }
  static std::vector<std::string> withProgram(const std::vector<std::string>& args) {
    return join({binPath("zoxexec")}, args);
  }
  static std::vector<std::string> join(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  static ScreenOptions options(const TempDir& dir) {
    ScreenOptions o;
    o.cwd = dir.path();
    return o;
  }
};

#define START_OR_FAIL(game) ASSERT_TRUE((game).start()) << "no prompt:\n" << (game).screen.dump()

// SAVE into an empty slot with a description.
void saveInto(Game& g, char slot, const std::string& description) {
  ASSERT_TRUE(g.line("SAVE")) << g.screen.dump();
  ASSERT_TRUE(g.cursorRowHas("(0-9) ?")) << g.screen.dump();
  ASSERT_TRUE(g.press(std::string(1, slot))) << g.screen.dump();
  ASSERT_TRUE(g.cursorRowHas("D>")) << g.screen.dump();
  ASSERT_TRUE(g.line(description)) << g.screen.dump();
  ASSERT_TRUE(g.atPrompt()) << g.screen.dump();
  ASSERT_NE(g.screen.text().find("Current game was saved."), std::string::npos) << g.screen.dump();
}

// LOAD from a slot, answered yes, on a clear screen: the screen once the prompt is back.
std::string loadFrom(Game& g, char slot) {
  if (!g.line("CLS") || !g.line("LOAD") || !g.cursorRowHas("(0-9) ?")) return "(no slot question)";
  if (!g.press(std::string(1, slot)) || !g.cursorRowHas("Are you sure (y/n) ?")) {
    return "(no question)";
  }
  if (!g.press("y") || !g.atPrompt()) return "(no prompt after loading)";
  return g.screen.text();
}

std::set<std::string> filesIn(const TempDir& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.path().c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.insert(n);
    }
    closedir(d);
  }
  return names;
}

TEST(ExecutorScreenSavedGames, ListingOfTenSlotsSaveAndLoad) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");
  dir.write("quest.sa1", "ZOXSA");
  dir.write("quest.sa2", "ZOXKV\x91\t");
  dir.write("quest.sa4", "ZOXSAV desc\n");
  dir.write("quest.sa6", std::string("ZOXSAV\t\0x\n", 10));
  dir.write("quest.sa7", "ZOXSAV\tthe tower, at night\n\x05\x06");
  Game g({"quest.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("take lamp")) << s.dump();
  ASSERT_NE(s.text().find("Taken."), std::string::npos) << s.dump();
  ASSERT_TRUE(g.line("add") && g.line("add")) << s.dump();

  // The listing, then Esc: nothing written.
  ASSERT_TRUE(g.line("CLS") && g.line("SAVE")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("At which position do you want to save your game (0-9) ?"))
      << s.dump();
  const int r = s.cursorRow();
  const char* const lines[] = {"0 ... empty",
                               "1 ... read error",
                               "2 ... this is not a saved game",
                               "3 ... empty",
                               "4 ... incorrect version",
                               "5 ... empty",
                               "6 ... no description found",
                               "7 ... the tower, at night",
                               "8 ... empty",
                               "9 ... empty"};
  EXPECT_EQ(s.row(r - 13), "Saved games:") << s.dump();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(s.row(r - 11 + i), lines[i]) << s.dump();
  const std::set<std::string> before = filesIn(dir);
  ASSERT_TRUE(g.escape()) << s.dump();
  ASSERT_TRUE(g.atPrompt()) << s.dump();
  EXPECT_EQ(filesIn(dir), before);

  saveInto(g, '9', "with the lamp");
  EXPECT_EQ(dir.read("quest.sa9").substr(0, 21), "ZOXSAV\twith the lamp\n");
  ASSERT_TRUE(g.line("add")) << s.dump();
  ASSERT_TRUE(g.line("north")) << s.dump();
  ASSERT_NE(s.text().find("You climb the tower."), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 3"), std::string::npos) << s.dump();

  const std::string shown = loadFrom(g, '9');
  EXPECT_NE(shown.find("Saved game loaded. Current room information:\n\n"
                       "A hall with a door to the north.\n\nINVENTORY: a lamp"),
            std::string::npos)
      << s.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 2"), std::string::npos) << s.dump();
  // The loaded room's clauses answer now.
  ASSERT_TRUE(g.line("north")) << s.dump();
  ASSERT_NE(s.text().find("You climb the tower."), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("INFO").find("The top of the tower.\n\nINVENTORY: a lamp"), std::string::npos)
      << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 255);
}

// LOAD typed where a number is asked for: the number belonged to the game before, so the
// loaded game goes on at its own prompt and nothing is stored.
TEST(ExecutorScreenSavedGames, LoadAtANumberPromptGoesOnInTheLoadedGame) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");
  Game g({"quest.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("add")) << s.dump();
  saveInto(g, '5', "one coin");
  ASSERT_TRUE(g.line("add") && g.line("add")) << s.dump();
  ASSERT_TRUE(g.line("CLS") && g.line("bet")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("Bet?")) << s.dump();
  ASSERT_TRUE(g.line("LOAD")) << s.dump();
  ASSERT_NE(s.text().find("Invalid number !"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("(0-9) ?")) << s.dump();
  ASSERT_TRUE(g.press("5") && g.cursorRowHas("Are you sure (y/n) ?")) << s.dump();
  ASSERT_TRUE(g.press("y")) << s.dump();
  ASSERT_TRUE(g.atPrompt()) << s.dump();
  EXPECT_EQ(s.text().find("Bet taken"), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 1"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.line("bet") && g.cursorRowHas("Bet?")) << s.dump();
  ASSERT_TRUE(g.line("7")) << s.dump();
  EXPECT_NE(s.text().find("Bet taken: 7"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 255);
}

TEST(ExecutorScreenSavedGames, OverwriteAnsweredNoAndAnEmptyDescription) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");
  const std::string older = "ZOXSAV\tan older game\nwhatever follows";
  dir.write("quest.sa3", older);
  Game g({"quest.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("SAVE") && g.press("3")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("D>")) << s.dump();
  ASSERT_TRUE(g.line("never")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("Overwrite (y/n) ?")) << s.dump();
  ASSERT_TRUE(g.press("n")) << s.dump();
  ASSERT_TRUE(g.atPrompt()) << s.dump();
  EXPECT_EQ(dir.read("quest.sa3"), older);

  saveInto(g, '0', "");
  EXPECT_EQ(dir.read("quest.sa0").substr(0, 8), "ZOXSAV\t\n");
  ASSERT_TRUE(g.line("CLS") && g.line("LOAD")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("(0-9) ?")) << s.dump();
  const int r = s.cursorRow();
  EXPECT_EQ(s.row(r - 11), "0 ...") << s.dump();
  EXPECT_EQ(s.row(r - 8), "3 ... an older game") << s.dump();
  ASSERT_TRUE(g.escape() && g.atPrompt()) << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
}

TEST(ExecutorScreenSavedGames, SavedByOneRunLoadedByAnother) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");
  {
    Game g({"quest.zox"}, dir);
    START_OR_FAIL(g);
    ASSERT_TRUE(g.line("take lamp") && g.line("add")) << g.screen.dump();
    saveInto(g, '1', "run one");
    ASSERT_TRUE(g.quit()) << g.screen.dump();
  }
  Game g({"quest.zox"}, dir);
  START_OR_FAIL(g);
  EXPECT_NE(g.answer("coins").find("Coins: 0"), std::string::npos) << g.screen.dump();
  EXPECT_NE(loadFrom(g, '1').find("INVENTORY: a lamp"), std::string::npos) << g.screen.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 1"), std::string::npos) << g.screen.dump();
  ASSERT_TRUE(g.quit()) << g.screen.dump();
}

TEST(ExecutorScreenSavedGames, GameOfPartThreeLoadedWhilePartOneRuns) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "saga.adv",
                          "[ZOX \"Saga\" PART 3 OF 3]\n"
                          "[INIT]\n"
                          "VAR mark = 33\n"
                          "[ROOM tower]\n"
                          "RINFO = \"A tower in part three.\"\n"
                          "PRINT \"Part three.\"\n"
                          "INPUT\n"
                          "(back)\n"
                          "CONTINUE [PART 1]\n"
                          "(up)\n"
                          "mark += 1\n"
                          "PRINT \"Up.\"\n"
                          "RESUME\n"
                          "(mark)\n"
                          "PRINT \"Mark: \"\n"
                          "PRINT mark\n"
                          "RESUME\n"),
            "");
  ASSERT_EQ(compileSource(dir, "saga.adv",
                          "[ZOX \"Saga\" PART 1 OF 3]\n"
                          "[INIT]\n"
                          "VAR mark = 0\n"
                          "[ROOM meadow]\n"
                          "PRINT \"Part one.\"\n"
                          "INPUT\n"
                          "(go)\n"
                          "CONTINUE [PART 3]\n"
                          "(mark)\n"
                          "PRINT \"Mark: \"\n"
                          "PRINT mark\n"
                          "RESUME\n"),
            "");
  ASSERT_TRUE(dir.exists("saga.zo1"));
  Game g({"saga.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("go")) << s.dump();
  ASSERT_NE(s.text().find("Part three."), std::string::npos) << s.dump();
  ASSERT_TRUE(g.line("up")) << s.dump();
  saveInto(g, '2', "in the tower");
  ASSERT_TRUE(g.line("back")) << s.dump();
  ASSERT_NE(s.text().find("Part one."), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("mark").find("Mark: 0"), std::string::npos) << s.dump();

  EXPECT_NE(loadFrom(g, '2').find("A tower in part three."), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("mark").find("Mark: 34"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.line("back")) << s.dump();  // part 3's clause, from part 3's file
  EXPECT_NE(s.text().find("Part one."), std::string::npos) << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
}

// Slot files that are not this game's, and damaged or cut ones: their message, and the game
// goes on as it was (the coins are still 3, not the 2 of the saved game).
TEST(ExecutorScreenSavedGames, ForeignDamagedAndCutSlotsLeaveTheGameAsItWas) {
  TempDir dir;
  // A save of an older compile of this adventure, and one of another adventure.
  ASSERT_EQ(compileSource(dir, "quest.adv", std::string(kQuest) + "(older)\nRESUME\n"), "");
  {
    Game g({"quest.zox"}, dir);
    START_OR_FAIL(g);
    saveInto(g, '8', "older compile");
    ASSERT_TRUE(g.quit()) << g.screen.dump();
  }
  std::string other(kQuest);
  other.replace(other.find("\"Quest\""), 7, "\"Other\"");
  ASSERT_EQ(compileSource(dir, "quest.adv", other), "");
  {
    Game g({"quest.zox"}, dir);
    START_OR_FAIL(g);
    saveInto(g, '7', "another adventure");
    ASSERT_TRUE(g.quit()) << g.screen.dump();
  }
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");

  Game g({"quest.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("add") && g.line("add")) << s.dump();
  saveInto(g, '0', "two coins");
  const std::string good = dir.read("quest.sa0");
  ASSERT_TRUE(g.line("add")) << s.dump();

  struct Case {
    std::string what;
    std::string bytes;
  };
  std::vector<Case> cases;
  // A byte of each region of the file, and the last ones.
  for (size_t i = 7; i < good.size(); i += 89) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x21);
    cases.push_back({"byte " + std::to_string(i), bad});
  }
  for (size_t i = good.size() - 9; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] + 1);
    cases.push_back({"byte " + std::to_string(i), bad});
  }
  for (size_t n : {size_t(0), size_t(4), size_t(7), size_t(30), good.size() / 2, good.size() - 5,
                   good.size() - 3, good.size() - 1}) {
    cases.push_back({"cut at " + std::to_string(n), good.substr(0, n)});
  }
  for (const Case& c : cases) {
    std::remove(dir.file("quest.sa5").c_str());
    dir.write("quest.sa5", c.bytes);
    const std::string shown = loadFrom(g, '5');
    const bool said = shown.find("Load-Error !") != std::string::npos ||
                      shown.find("Incorrect version !") != std::string::npos ||
                      shown.find("Zox changed !") != std::string::npos ||
                      shown.find("SA? changed !") != std::string::npos;
    EXPECT_TRUE(said) << c.what << "\n" << s.dump();
    EXPECT_EQ(shown.find("Saved game loaded"), std::string::npos) << c.what;
    EXPECT_EQ(shown.find("Environment destroyed"), std::string::npos) << c.what;
    ASSERT_NE(g.answer("coins").find("Coins: 3"), std::string::npos) << c.what << "\n" << s.dump();
  }
  EXPECT_NE(loadFrom(g, '7').find("Incorrect version !"), std::string::npos) << s.dump();
  EXPECT_NE(loadFrom(g, '8').find("Zox changed !"), std::string::npos) << s.dump();
  EXPECT_NE(loadFrom(g, '9').find("File not found !"), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 3"), std::string::npos) << s.dump();
  // The good file still loads.
  EXPECT_NE(loadFrom(g, '0').find("Saved game loaded"), std::string::npos) << s.dump();
  EXPECT_NE(g.answer("coins").find("Coins: 2"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
}

// A disk that is full (here: a file size limit of 512 bytes) makes the save fail: the slot
// keeps its old game and no other file is left.
TEST(ExecutorScreenSavedGames, ASaveThatCannotBeWrittenKeepsTheOldSlot) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quest.adv", kQuest), "");
  const std::string older = "ZOXSAV\tthe old game\nand the rest of it";
  dir.write("quest.sa1", older);
  const std::set<std::string> before = filesIn(dir);
  Game g({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""}, {"quest.zox"}, dir);
  START_OR_FAIL(g);
  Screen& s = g.screen;
  ASSERT_TRUE(g.line("add")) << s.dump();
  ASSERT_TRUE(g.line("SAVE") && g.press("1")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("D>")) << s.dump();
  ASSERT_TRUE(g.line("too big")) << s.dump();
  ASSERT_TRUE(g.cursorRowHas("Overwrite (y/n) ?")) << s.dump();
  ASSERT_TRUE(g.press("y")) << s.dump();
  ASSERT_TRUE(g.atPrompt()) << s.dump();
  EXPECT_NE(s.text().find("Write-Error !"), std::string::npos) << s.dump();
  EXPECT_EQ(dir.read("quest.sa1"), older);
  EXPECT_EQ(filesIn(dir), before);
  EXPECT_NE(g.answer("coins").find("Coins: 1"), std::string::npos) << s.dump();
  ASSERT_TRUE(g.quit()) << s.dump();
}

}  // namespace
}  // namespace zoxtest
