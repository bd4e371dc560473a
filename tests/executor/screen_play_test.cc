// zoxexec playing adventures in a terminal: compiled from sources by zoxcomp where the
// compiler can write them, built byte by byte where a test needs code it refuses.
#include <cstdio>

#include "code_builder.h"
#include "screen_helpers.h"

namespace zoxtest {
namespace {

using zox::Op;

constexpr double kLong = 30;  // seconds; the start has a pause of 2 seconds by design

std::string errorAt(int error, uint32_t offset) {
  char line[64];
  std::snprintf(line, sizeof line, "Error %02d at offset %08x !", error, offset);
  return line;
}

// The row on which a text first appears, or -1.
int rowOf(Screen& s, const std::string& text) {
  for (int r = 0; r < s.rows(); ++r) {
    if (s.row(r).find(text) != std::string::npos) return r;
  }
  return -1;
}

TEST(ExecutorScreenPlay, AdventureWithoutInitStartsWithAllDefaults) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "plain.adv",
                          "[ZOX \"Plain\"]\n"
                          "[ROOM hall]\n"
                          "PRINT \"You stand in a hall.\"\n"
                          "WAIT\n"
                          "QUIT\n"),
            "");
  Exec e({"plain.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("You stand in a hall.", kLong)) << e.screen.dump();
  EXPECT_NE(e.screen.row(0).find("Zox text adventure"), std::string::npos) << e.screen.dump();
  EXPECT_EQ(rowOf(e.screen, "You stand in a hall."), 1);  // below the one-row title
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
  EXPECT_TRUE(e.terminalRestored());
}

TEST(ExecutorScreenPlay, MissingStartRoomGives21) {
  TempDir dir;
  Code c;
  c.init().op(Op::Start).u16(2);
  c.room(1).quit().end();
  dir.write("nostart.zox", c.file());
  Exec e({"nostart.zox"}, dir);
  ASSERT_TRUE(e.finished(kLong)) << e.screen.dump();
  EXPECT_EQ(e.status(), 21);
  EXPECT_NE(e.screen.text().find("> Starting adventure ...\n\nError 21 !"), std::string::npos)
      << e.screen.dump();
}

TEST(ExecutorScreenPlay, ColourByte16FailsTheTestPassWith20) {
  TempDir dir;
  Code c;
  c.room(1).colour(Op::TextColor, 16).quit().end();
  dir.write("colour.zox", c.file());
  Exec e({"colour.zox"}, dir);
  ASSERT_TRUE(e.finished(kLong)) << e.screen.dump();
  EXPECT_EQ(e.status(), 20);
  EXPECT_NE(e.screen.text().find("> Testing Zox-File   ...\n\nError 20 !"), std::string::npos)
      << e.screen.dump();
}

TEST(ExecutorScreenPlay, TextAcrossTheWindowEdgePrintsWhole) {
  TempDir dir;
  Code c;
  c.room(1);
  while (c.here() < 4096 - 30) c.colour(Op::TextColor, 7);
  const std::string text = "BEGIN" + std::string(60, '-') + "MIDDLE" + std::string(60, '=') + "END";
  c.print(text).wait().quit().end();
  dir.write("edge.zox", c.file());
  Exec e({"edge.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("END", kLong)) << e.screen.dump();
  const int row = rowOf(e.screen, "BEGIN");
  ASSERT_GE(row, 0);
  EXPECT_EQ(e.screen.row(row) + e.screen.row(row + 1), text) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
}

TEST(ExecutorScreenPlay, ContinueToPartTwoAndBack) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "tale.adv",
                          "[ZOX \"Tale\" PART 1 OF 2]\n"
                          "[ROOM start]\n"
                          "PRINT \"This is part one.\"\n"
                          "WAIT\n"
                          "CONTINUE [PART 2]\n"),
            "");
  ASSERT_EQ(compileSource(dir, "tale2.adv",
                          "[ZOX \"Tale\" PART 2 OF 2]\n"
                          "[INIT]\n"
                          "TITLE = \"Tale, part two\"\n"
                          "[ROOM second]\n"
                          "PRINT \"This is part two.\"\n"
                          "WAIT\n"
                          "CONTINUE WITH [PART 1]\n"),
            "");
  // tale2.adv was written to tale2.zo0; the part file of tale.zox is tale.zo0.
  dir.write("tale.zo0", dir.read("tale2.zo0"));
  Exec e({"tale.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("This is part one.", kLong)) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.screen.waitForText("This is part two.")) << e.screen.dump();
  EXPECT_NE(e.screen.row(0).find("Tale, part two"), std::string::npos);
  e.screen.send(" ");
  ASSERT_TRUE(e.screen.waitUntil([&] {
    return e.screen.text().find("This is part one.") != std::string::npos &&
           e.screen.text().find("This is part two.") == std::string::npos;
  })) << e.screen.dump();
  e.screen.key(Key::CtrlC);
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 10);

  // A part file of another adventure.
  ASSERT_EQ(compileSource(dir, "other2.adv",
                          "[ZOX \"Another tale\" PART 2 OF 2]\n"
                          "[ROOM x]\n"
                          "QUIT\n"),
            "");
  dir.write("tale.zo0", dir.read("other2.zo0"));
  Exec other({"tale.zox"}, dir);
  ASSERT_TRUE(other.screen.waitForText("This is part one.", kLong)) << other.screen.dump();
  other.screen.send(" ");
  ASSERT_TRUE(other.finished()) << other.screen.dump();
  EXPECT_EQ(other.status(), 12);
  EXPECT_NE(other.screen.text().find("Error 12 !"), std::string::npos) << other.screen.dump();
  EXPECT_TRUE(other.terminalRestored());
}

TEST(ExecutorScreenPlay, RoomRunningIntoTheNextRoomGives23) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "leaky.adv",
                          "[ZOX \"Leaky\"]\n"
                          "[ROOM first]\n"
                          "PRINT \"First room.\"\n"
                          "[ROOM second]\n"
                          "QUIT\n"),
            "");
  Exec e({"leaky.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("(I)gnore Error/(R)esume/(E)xit (I/R/E) ?", kLong))
      << e.screen.dump();
  EXPECT_NE(e.screen.text().find("Error 23 at offset 000000"), std::string::npos);
  e.screen.send("e");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 23);
  EXPECT_TRUE(e.terminalRestored());
}

TEST(ExecutorScreenPlay, RoomTextAfterGoToGives51WithIgnoreResumeExit) {
  TempDir dir;
  Code c;
  c.room(1).op(Op::SetRoomText).u8(0).text("from the first room").go(2);
  c.room(2);
  const uint32_t failing = c.here();
  c.op(Op::PrintRoomText).u8(0).print("Play goes on.").wait().quit().end();
  dir.write("texts.zox", c.file());
  const std::string question = "(I)gnore Error/(R)esume/(E)xit (I/R/E) ?";
  {
    Exec e({"texts.zox"}, dir);
    ASSERT_TRUE(e.screen.waitForText(errorAt(51, failing), kLong)) << e.screen.dump();
    ASSERT_TRUE(e.screen.waitForText(question)) << e.screen.dump();
    e.screen.send("x");  // not one of the keys
    e.screen.send("R");  // the same statement again: the same error again
    ASSERT_TRUE(e.screen.waitUntil([&] {
      std::string t = e.screen.text();
      return t.find(errorAt(51, failing)) != t.rfind(errorAt(51, failing));
    })) << e.screen.dump();
    e.screen.send("i");  // skipped: play goes on
    ASSERT_TRUE(e.screen.waitForText("Play goes on.")) << e.screen.dump();
    EXPECT_EQ(e.screen.text().find("from the first room"), std::string::npos);
    e.screen.send(" ");
    ASSERT_TRUE(e.finished()) << e.screen.dump();
    EXPECT_EQ(e.status(), 255);
  }
  {
    Exec e({"texts.zox"}, dir);
    ASSERT_TRUE(e.screen.waitForText(question, kLong)) << e.screen.dump();
    e.screen.send("E");
    ASSERT_TRUE(e.finished()) << e.screen.dump();
    EXPECT_EQ(e.status(), 51);
    EXPECT_TRUE(e.terminalRestored());
  }
}

TEST(ExecutorScreenPlay, TextColorDefaultRestoresTheInitColour) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "colours.adv",
                          "[ZOX \"Colours\"]\n"
                          "[INIT]\n"
                          "TEXTCOLOR = GREEN\n"
                          "[ROOM paint]\n"
                          "TEXTCOLOR = RED\n"
                          "PRINT \"red \"\n"
                          "TEXTCOLOR = DEFAULT\n"
                          "PRINT \"green\"\n"
                          "WAIT\n"
                          "QUIT\n"),
            "");
  Exec e({"colours.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("red green", kLong)) << e.screen.dump();
  const int row = rowOf(e.screen, "red green");
  const int col = int(e.screen.row(row).find("red"));
  EXPECT_EQ(e.screen.cell(col, row).fg, 1);      // curses red
  EXPECT_EQ(e.screen.cell(col + 4, row).fg, 2);  // curses green: the [INIT colour
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
}

TEST(ExecutorScreenPlay, ConditionsAndNumbers) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "logic.adv",
                          "[ZOX \"Logic\"]\n"
                          "[INIT]\n"
                          "VAR a = 5\n"
                          "VAR b = 5\n"
                          "VAR big = 2147483647\n"
                          "VAR f = FALSE\n"
                          "[ROOM test]\n"
                          "IF f THEN\n"
                          "  PRINT \"wrong 1\"\n"
                          "  IF a = 5 THEN\n"
                          "    PRINT \"wrong 2\"\n"
                          "  ELSE\n"
                          "    PRINT \"wrong 3\"\n"
                          "  END\n"
                          "  PRINT \"wrong 4\"\n"
                          "ELSE\n"
                          "  PRINT \"skipped to the else\"\n"
                          "END\n"
                          "IF NOT a > b THEN PRINTNL \"not a > b with a = b\"\n"
                          "big += 1\n"
                          "PRINTNL big\n"
                          "PRINTNL \"done\"\n"
                          "WAIT\n"
                          "QUIT\n"),
            "");
  Exec e({"logic.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("done", kLong)) << e.screen.dump();
  const std::string t = e.screen.text();
  EXPECT_EQ(t.find("wrong"), std::string::npos) << e.screen.dump();
  EXPECT_NE(t.find("skipped to the else\nnot a > b with a = b\n-2147483648\ndone"),
            std::string::npos)
      << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
}

TEST(ExecutorScreenPlay, RandomWithLimitZeroGivesZero) {
  TempDir dir;
  Code c;
  c.room(1).set(0, 77);
  for (int i = 0; i < 5; ++i) c.op(Op::Random).u8(0).u16(0).printNumber(0);
  c.print("|").wait().quit().end();
  dir.write("random.zox", c.file());
  Exec e({"random.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("00000|", kLong)) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
}

TEST(ExecutorScreenPlay, IfWithoutEndBeforeTheNextRoom) {
  TempDir dir;
  for (bool entered : {false, true}) {
    Code c;
    c.room(1);
    if (entered) c.setFlag(0, true);
    const uint32_t test = c.here();
    c.ifFlag(0, true).print("inside");
    const uint32_t header = c.here();
    c.room(2).quit().end();
    dir.write("open.zox", c.file());
    Exec e({"open.zox"}, dir);
    ASSERT_TRUE(e.screen.waitForText("(I/R/E) ?", kLong)) << e.screen.dump();
    EXPECT_NE(e.screen.text().find(entered ? errorAt(23, header) : errorAt(53, test)),
              std::string::npos)
        << e.screen.dump();
    e.screen.send("E");
    ASSERT_TRUE(e.finished()) << e.screen.dump();
    EXPECT_EQ(e.status(), entered ? 23 : 53);
  }
}

TEST(ExecutorScreenPlay, StatusSectionWithWaitGives61) {
  TempDir dir;
  Code c;
  c.init().op(Op::StatusLines).u8(2);
  c.room(1).print("never shown").quit();
  c.status().print("Status").wait().end();
  dir.write("status.zox", c.file());
  Exec e({"status.zox"}, dir);
  ASSERT_TRUE(e.finished(kLong)) << e.screen.dump();
  EXPECT_EQ(e.status(), 61);
  EXPECT_NE(e.screen.text().find("Error 61 !"), std::string::npos) << e.screen.dump();
  EXPECT_TRUE(e.terminalRestored());
}

TEST(ExecutorScreenPlay, StatusLinesShrinkAndGrow) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "lines.adv",
                          "[ZOX \"Lines\"]\n"
                          "[INIT]\n"
                          "VAR score = 42\n"
                          "STATUSBACKGROUND = BLUE\n"
                          "[STATUS]\n"
                          "PRINT \"Score: \"\n"
                          "PRINT score\n"
                          "[ROOM a]\n"
                          "PRINT \"top line\"\n"
                          "STATUSLINES = 3\n"
                          "WAIT \"three status lines\"\n"
                          "STATUSLINES = 0\n"
                          "WAIT \"no status lines\"\n"
                          "CLS\n"
                          "PRINT \"row zero\"\n"
                          "PRINTNL \"row one\"\n"
                          "STATUSLINES = 3\n"
                          "WAIT \"after the clear\"\n"
                          "QUIT\n"),
            "");
  Exec e({"lines.zox"}, dir);
  Screen& s = e.screen;
  ASSERT_TRUE(s.waitForText("three status lines", kLong)) << s.dump();
  // The cursor was on the first row of the text area: the text area is cleared, not scrolled.
  EXPECT_EQ(s.text().find("top line"), std::string::npos) << s.dump();
  EXPECT_EQ(s.row(22), "Score: 42");
  EXPECT_EQ(s.cell(0, 22).bg, 4);   // curses blue
  EXPECT_EQ(s.cell(79, 24).bg, 4);  // the whole area in the status colour
  s.send(" ");
  ASSERT_TRUE(s.waitForText("no status lines")) << s.dump();
  for (int r = 22; r < 25; ++r) {
    EXPECT_EQ(s.row(r), "") << r << "\n" << s.dump();
    EXPECT_NE(s.cell(0, r).bg, 4) << r;
  }
  s.send(" ");
  ASSERT_TRUE(s.waitForText("after the clear")) << s.dump();
  EXPECT_EQ(s.text().find("row zero"), std::string::npos) << s.dump();
  EXPECT_EQ(s.row(22), "Score: 42");
  s.send(" ");
  ASSERT_TRUE(e.finished()) << s.dump();
  EXPECT_EQ(e.status(), 255);
}

TEST(ExecutorScreenPlay, TwoLineTitleMovesTheTextAreaDown) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "title.adv",
                          "[ZOX \"Title\"]\n"
                          "[INIT]\n"
                          "TITLE = \"First title line\"\n"
                          "\"Second title line\"\n"
                          "TITLEBACKGROUND = RED\n"
                          "[ROOM a]\n"
                          "PRINT \"Text begins here\"\n"
                          "WAIT\n"
                          "QUIT\n"),
            "");
  Exec e({"title.zox"}, dir);
  Screen& s = e.screen;
  ASSERT_TRUE(s.waitForText("Text begins here", kLong)) << s.dump();
  EXPECT_EQ(s.row(0), "First title line");
  EXPECT_EQ(s.row(1), "Second title line");
  EXPECT_EQ(s.row(2), "Text begins here");
  EXPECT_EQ(s.cell(0, 1).bg, 1);   // the title's colour
  EXPECT_EQ(s.cell(79, 1).bg, 1);  // to the end of its last row
  s.send(" ");
  ASSERT_TRUE(e.finished()) << s.dump();
}

TEST(ExecutorScreenPlay, QuitEndsWith255AndACleanTerminal) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "quit.adv",
                          "[ZOX \"Quit\"]\n"
                          "[INIT]\n"
                          "TITLE = \"A title\"\n"
                          "SCREENBACKGROUND = BLUE\n"
                          "[ROOM a]\n"
                          "CLS\n"
                          "PRINT \"Leaving now\"\n"
                          "WAIT\n"
                          "QUIT\n"),
            "");
  Exec e({"quit.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("Leaving now", kLong)) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
  EXPECT_TRUE(e.terminalRestored());
  EXPECT_FALSE(e.screen.altScreen());
  const std::string t = e.screen.text();
  EXPECT_EQ(t.find("Leaving now"), std::string::npos) << e.screen.dump();
  EXPECT_EQ(t.find("A title"), std::string::npos) << e.screen.dump();
  EXPECT_NE(e.screen.cell(0, 0).bg, 4);
}

// Compiles both parts of the lighthouse beside its picture, as its sources ship, and puts
// part 2 beside part 1 under the story's name. "" on success.
std::string compileLighthouse(const TempDir& dir) {
  dir.write("lighthouse.ans", readFile(ZOX_EXAMPLES "/lighthouse.ans"));
  for (const char* source : {"lighthouse.adv", "lighthouse2.adv"}) {
    std::string r = compileSource(dir, source, readFile(std::string(ZOX_EXAMPLES "/") + source));
    if (!r.empty()) return std::string(source) + ": " + r;
  }
  dir.write("lighthouse.zo0", dir.read("lighthouse2.zo0"));
  return "";
}

// Waits until the cursor stands at the end of an empty prompt row (the row holds the prompt
// alone) with text on the screen: the command has been answered and the next can be typed.
bool waitForPromptAfter(Screen& s, const std::string& text, const std::string& prompt) {
  return s.waitUntil(
      [&] {
        return s.text().find(text) != std::string::npos && s.row(s.cursorRow()) == prompt &&
               s.cursorCol() == int(prompt.size()) + 1;
      },
      kLong);
}

struct Command {
  const char* line;
  const char* answer;  // stands on the screen once the command has been answered
};

// Types each command once the one before has been answered and the prompt stands again.
void play(Screen& s, std::initializer_list<Command> commands, const std::string& prompt) {
  for (const Command& c : commands) {
    s.type(std::string(c.line) + "\r");
    ASSERT_TRUE(waitForPromptAfter(s, c.answer, prompt)) << c.line << "\n" << s.dump();
  }
}

// The lighthouse example, both parts with its title picture, compiled as its sources ship and
// played to its good ending. Its walkthroughs (examples/*.walk) check the story as text; this
// checks what they cannot see: the colours of the picture, the title line, the status area,
// the prompt and the texts.
TEST(ExecutorScreenPlay, TheLighthouseExampleCompilesAndPlaysToItsEnd) {
  TempDir dir;
  ASSERT_EQ(compileLighthouse(dir), "");
  Exec e({"lighthouse.zox"}, dir);
  Screen& s = e.screen;
  const std::string menu = "Choose with Up, Down and Return:";
  const std::string prompt = "What now?";

  // The title picture: the lamp bright yellow, the tower's bands red, the title band yellow on
  // blue, and the text colour back to light grey after it; the marked entry in the input colour.
  ASSERT_TRUE(s.waitForText(menu, kLong)) << s.dump();
  const int lampRow = rowOf(s, "[ ### ]");
  ASSERT_GT(lampRow, 0) << s.dump();
  const int lamp = int(s.row(lampRow).find("###"));
  EXPECT_EQ(s.cell(lamp, lampRow).fg, 3) << s.dump();
  EXPECT_TRUE(s.cell(lamp, lampRow).bold) << s.dump();
  const int bandRow = rowOf(s, "|###|");
  ASSERT_GT(bandRow, lampRow) << s.dump();
  EXPECT_EQ(s.cell(int(s.row(bandRow).find("###")), bandRow).fg, 1) << s.dump();
  EXPECT_FALSE(s.cell(int(s.row(bandRow).find("###")), bandRow).bold) << s.dump();
  const int nameRow = rowOf(s, "T H E");
  const int name = int(s.row(nameRow).find("T H E"));
  EXPECT_EQ(s.cell(name, nameRow).bg, 4) << s.dump();
  EXPECT_EQ(s.cell(name, nameRow).fg, 3) << s.dump();
  const int other = rowOf(s, "* How to play");
  EXPECT_EQ(s.cell(2, other).fg, 7) << s.dump();
  EXPECT_EQ(s.cell(2, other).bg, 0) << s.dump();
  const int marked = rowOf(s, "> Begin the night");
  EXPECT_EQ(s.cell(2, marked).fg, 6) << s.dump();
  EXPECT_TRUE(s.cell(2, marked).bold) << s.dump();
  // The title line in yellow on blue, across the whole row.
  EXPECT_EQ(s.cell(16, 0).fg, 3) << s.dump();
  EXPECT_EQ(s.cell(79, 0).bg, 4) << s.dump();

  s.key(Key::Enter);
  ASSERT_TRUE(waitForPromptAfter(s, "THE SHORE", prompt)) << s.dump();
  EXPECT_EQ(s.row(1), "THE SHORE");
  EXPECT_EQ(s.cell(0, 1).fg, 7) << s.dump();  // white: light grey made bold
  EXPECT_TRUE(s.cell(0, 1).bold) << s.dump();
  EXPECT_EQ(s.cell(0, 24).bg, 6) << s.dump();  // the status area, black on cyan
  EXPECT_EQ(s.cell(79, 24).bg, 6) << s.dump();
  EXPECT_EQ(s.cell(2, 24).fg, 0) << s.dump();
  EXPECT_NE(s.row(24).find("The shore"), std::string::npos) << s.dump();

  // Part 1 the short way, each command typed once its answer and the next prompt stand.
  play(s, {{"up", "THE CLIFF PATH"}}, prompt);
  if (HasFatalFailure()) return;
  s.type("up\r");
  ASSERT_TRUE(s.waitForText("Which way?", kLong) && s.waitForText(menu, kLong)) << s.dump();
  s.key(Key::Enter);  // the ways come in a random order; each leads on
  ASSERT_TRUE(s.waitForText("Press a key to go on.", kLong)) << s.dump();
  s.type(" ");
  play(s,
       {
           {"lift the stone", "lies an iron key."},
           {"take the key", "You take the key."},
           {"unlock the door", "and the lock gives."},
           {"push the door", "it gives with a"},
           {"in", "THE FOOT OF THE TOWER"},
           {"search the coat", "In its pocket is a box of matches."},
           {"take the matches", "three are left."},
       },
       prompt);
  if (HasFatalFailure()) return;
  s.type("up\r");
  ASSERT_TRUE(s.waitForText("Press a key to climb.", kLong)) << s.dump();
  s.type(" ");

  // Part 2: its own title and status area, in the colours part 1 set.
  ASSERT_TRUE(waitForPromptAfter(s, "THE STAIRS, FLIGHT 1 OF 4", prompt)) << s.dump();
  EXPECT_NE(s.row(0).find("the tower, on a night of storm"), std::string::npos) << s.dump();
  EXPECT_EQ(s.cell(79, 0).bg, 4) << s.dump();
  EXPECT_EQ(s.row(24),
            "  22:04     The ship: 15 cables off the rocks     Matches: 3     Lamp: dark");
  EXPECT_EQ(s.cell(0, 24).bg, 6) << s.dump();
  play(s,
       {
           {"up", "FLIGHT 2 OF 4"},
           {"up", "FLIGHT 3 OF 4"},
           {"up", "FLIGHT 4 OF 4"},
           {"up", "THE WATCH ROOM"},
           {"take the can", "nearly full."},
           {"up", "THE LANTERN ROOM"},
           {"fill the lamp", "until the tank is full."},
           {"close the door", "You drag the door shut"},
           {"light the lamp", "But the great lens does not move."},
           {"down", "THE WATCH ROOM"},
       },
       prompt);
  if (HasFatalFailure()) return;
  EXPECT_NE(s.row(24).find("Lamp: burning"), std::string::npos) << s.dump();

  // The number prompt, typed in the input colour.
  s.type("wind the clockwork\r");
  ASSERT_TRUE(s.waitForText("How many turns?", kLong)) << s.dump();
  s.type("25\r");
  ASSERT_TRUE(s.waitForText("Press a key to write in the keeper's log.", kLong)) << s.dump();
  const int turns = rowOf(s, "How many turns? 25");
  ASSERT_GE(turns, 0) << s.dump();
  EXPECT_EQ(s.cell(17, turns).fg, 6) << s.dump();
  const int beam = rowOf(s, "The beam sweeps out over the water.");
  ASSERT_GE(beam, 0) << s.dump();
  EXPECT_EQ(s.cell(0, beam).fg, 3) << s.dump();
  EXPECT_TRUE(s.cell(0, beam).bold) << s.dump();
  EXPECT_NE(s.row(24).find("Lamp: turning"), std::string::npos) << s.dump();
  s.type(" ");

  ASSERT_TRUE(s.waitForText("Sign the log with your name:", kLong)) << s.dump();
  s.type("Morwenna\r");
  ASSERT_TRUE(s.waitForText("Lamp lit by Morwenna,", kLong)) << s.dump();
  s.type(" ");
  ASSERT_TRUE(s.waitForText("'Who are you?'", kLong) && s.waitForText(menu, kLong)) << s.dump();
  s.key(Key::Enter);
  ASSERT_TRUE(s.waitForText("THE END", kLong) && s.waitForText("* Leave the lighthouse", kLong))
      << s.dump();
  s.key(Key::Down);
  s.key(Key::Enter);
  ASSERT_TRUE(e.finished()) << s.dump();
  EXPECT_EQ(e.status(), 255);
  EXPECT_TRUE(e.terminalRestored());
}

}  // namespace
}  // namespace zoxtest
