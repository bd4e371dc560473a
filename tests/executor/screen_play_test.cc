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

// The lighthouse waits for a key at the end of each scene: its prompt stands on the cursor's
// row with the cursor just after it, and the status row shows the scene's state. Every scene
// clears the screen and redraws the status area before its text, so a prompt on the screen
// with the status of the new scene can only be the new scene's.
bool waitForPrompt(Screen& s, const std::string& prompt, const std::string& status) {
  return s.waitUntil(
      [&] {
        const std::string row = s.row(s.cursorRow());
        return row.size() >= prompt.size() &&
               row.compare(row.size() - prompt.size(), prompt.size(), prompt) == 0 &&
               s.cursorCol() == int(row.size()) && s.row(24).find(status) != std::string::npos;
      },
      kLong);
}

TEST(ExecutorScreenPlay, TheLighthouseExampleCompilesAndPlaysToItsEnd) {
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "lighthouse.adv", readFile(ZOX_EXAMPLES "/lighthouse.adv")), "");
  Exec e({"lighthouse.zox"}, dir);
  Screen& s = e.screen;
  // The weather and what happens on the way are random; the scenes and their order are not.
  const struct {
    const char* prompt;
    const char* status;
    const char* heading;
  } waits[] = {
      {"Press a key to climb the cliff path.", "Steps: 0 ", "THE SHORE"},
      {"Press a key to try the door.", "Steps: 0 ", "THE CLIFF PATH"},
      {"Press a key to start up the stairs.", "Matches: 3 ", "THE DOOR"},
      {"Press a key to climb on.", "Steps: 30 ", "THE STAIRS, FLIGHT 1 OF 4"},
      {"Press a key to climb on.", "Steps: 60 ", "THE STAIRS, FLIGHT 2 OF 4"},
      {"Press a key to climb on.", "Steps: 90 ", "THE STAIRS, FLIGHT 3 OF 4"},
      {"Press a key to push open the hatch.", "Steps: 120 ", "THE STAIRS, FLIGHT 4 OF 4"},
      {"Press a key to write in the keeper's log.", "Lamp: burning", "THE LANTERN ROOM"},
      {"The end. Press a key to leave the lighthouse.", "Lamp: burning", "THE KEEPER'S LOG"},
  };
  for (const auto& w : waits) {
    ASSERT_TRUE(waitForPrompt(s, w.prompt, w.status)) << w.prompt << "\n" << s.dump();
    EXPECT_NE(s.row(0).find("THE LIGHTHOUSE"), std::string::npos) << s.dump();
    EXPECT_EQ(s.row(1), w.heading) << s.dump();
    EXPECT_EQ(s.cell(0, 24).bg, 6) << s.dump();  // the status area in cyan
    s.send(" ");
  }
  ASSERT_TRUE(e.finished()) << s.dump();
  EXPECT_EQ(e.status(), 255);
  EXPECT_TRUE(e.terminalRestored());
}

}  // namespace
}  // namespace zoxtest
