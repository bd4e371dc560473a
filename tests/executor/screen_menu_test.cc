// zoxexec's choice menus in a terminal: moving the mark in place, the result line and the
// choice result in stored and random order, help, restart and leaving, and a menu taller than
// the text area.
#include "play_helpers.h"

namespace zoxtest {
namespace {

// The row number of the marked entry ("> " without the result line's " <"), or -1.
int markedIndex(Screen& s) {
  for (int r = s.rows() - 1; r >= 0; --r) {
    const std::string row = s.row(r);
    if (row.rfind("> ", 0) == 0 && row.size() > 2 && row.compare(row.size() - 2, 2, " <") != 0)
      return r;
  }
  return -1;
}

std::string markedRow(Screen& s) {
  const int r = markedIndex(s);
  return r < 0 ? "" : s.row(r);
}

// What the program writes for one key, once it waits again.
std::string writtenFor(Screen& s, Key key, const std::string& marked) {
  const size_t before = s.output().size();
  s.key(key);
  EXPECT_TRUE(s.waitUntil([&] { return markedRow(s) == marked; })) << s.dump();
  EXPECT_TRUE(s.waitForIdle()) << s.dump();
  return s.output().substr(before);
}

TEST(ExecutorScreenMenu, MarkMovesInPlaceAndResultsKeepStoredNumbers) {
  const std::string longEntry = std::string(40, 'L') + std::string(36, 'M');  // 76 characters
  TempDir dir;
  auto s =
      playSource(dir, "menus",
                 "[ZOX \"Menus\"]\n"
                 "[INIT]\n"
                 "IMSG19 = \"Use the arrows, then Return.\"\n"
                 "INPUTCOLOR = YELLOW\n"
                 "a = \"Alpha entry\"\nb = \"Bravo entry\"\nc = \"Charlie entry\"\n"
                 "d = \"Delta entry\"\nonly = \"The only entry\"\n"
                 "long = \"" +
                     longEntry +
                     "\"\n"
                     "[ROOM one]\n"
                     "PRINT \"Pick one:\"\n"
                     "CHOOSE\n* a\nPRINTNL \"chose alpha\"\n* b\nPRINTNL \"chose bravo\"\n"
                     "* c\nPRINTNL \"chose charlie\"\n* d\nPRINTNL \"chose delta\"\nEND CHOOSE\n"
                     "CHOOSE only\n"
                     "IF 1 THEN PRINTNL \"only one\"\n"
                     "CHOOSE\n* a\nPRINTNL \"stored alpha\"\n* b\nPRINTNL \"stored bravo\"\n"
                     "* c\nPRINTNL \"stored charlie\"\nEND CHOOSE\n"
                     "IF 2 THEN PRINTNL \"stored second\"\n"
                     "CHOOSE RANDOM\n* a\nPRINTNL \"random alpha\"\n* b\nPRINTNL \"random bravo\"\n"
                     "* c\nPRINTNL \"random charlie\"\nEND CHOOSE\n"
                     "IF 2 THEN PRINTNL \"random second\"\n"
                     "IF NOT 2 THEN PRINTNL \"random other\"\n"
                     "CHOOSE long\n"
                     "WAIT\n"
                     "QUIT\n");
  ASSERT_TRUE(s);
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  ASSERT_TRUE(s->waitForIdle()) << s->dump();
  ASSERT_EQ(markedRow(*s), "> Alpha entry") << s->dump();

  // A move in a menu that fits rewrites the two entries concerned, nothing else.
  const struct {
    Key key;
    const char* marked;
    const char* left;
  } moves[] = {{Key::Down, "> Bravo entry", "Alpha"},
               {Key::Down, "> Charlie entry", "Bravo"},
               {Key::Up, "> Bravo entry", "Charlie"},
               {Key::Down, "> Charlie entry", "Bravo"},
               {Key::Down, "> Delta entry", "Charlie"}};
  for (const auto& m : moves) {
    const std::string written = writtenFor(*s, m.key, m.marked);
    for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta"}) {
      const bool expected =
          std::string(m.marked).find(name) != std::string::npos || std::string(m.left) == name;
      EXPECT_EQ(written.find(name) != std::string::npos, expected) << m.marked << " " << name;
    }
  }
  EXPECT_EQ(writtenFor(*s, Key::Down, "> Delta entry"), "");  // the end of the list

  // The adventure's own help, then the menu again below it, the mark where it was.
  s->type("?");
  ASSERT_TRUE(s->waitForText("Use the arrows, then Return.", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  EXPECT_EQ(occurrences(s->text(), "Alpha entry"), 2) << s->dump();
  EXPECT_EQ(s->text().find("Internal Help"), std::string::npos);
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("chose delta", kPlayWait)) << s->dump();
  EXPECT_NE(s->text().find("\n> Delta entry <\nchose delta"), std::string::npos) << s->dump();

  // One entry: the cursor keys do nothing, Return chooses it.
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  ASSERT_TRUE(s->waitForIdle()) << s->dump();
  EXPECT_EQ(writtenFor(*s, Key::Up, "> The only entry"), "");
  EXPECT_EQ(writtenFor(*s, Key::Down, "> The only entry"), "");
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("only one", kPlayWait)) << s->dump();

  // The second entry shown: in stored order it is entry 2; in random order the choice result
  // is the stored number of whatever entry is shown there.
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  s->key(Key::Down);
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("stored second", kPlayWait)) << s->dump();
  EXPECT_NE(s->text().find("> Bravo entry <\nstored bravo"), std::string::npos) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  ASSERT_TRUE(s->waitForIdle()) << s->dump();
  const int first = markedIndex(*s);
  s->key(Key::Down);
  ASSERT_TRUE(s->waitUntil([&] { return markedIndex(*s) == first + 1; })) << s->dump();
  const std::string second = markedRow(*s).substr(2, markedRow(*s).find(' ', 2) - 2);
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("random ", kPlayWait)) << s->dump();
  ASSERT_TRUE(s->waitForText(second == "Bravo" ? "random second" : "random other", kPlayWait))
      << second << "\n"
      << s->dump();
  std::string lower = second;
  for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_NE(s->text().find("> " + second + " entry <\nrandom " + lower), std::string::npos)
      << s->dump();

  // A result line that would not fit its row is cut.
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  s->key(Key::Enter);
  const std::string cut = "> " + longEntry.substr(0, 72) + "... <";
  ASSERT_TRUE(s->waitForText(cut, kPlayWait)) << s->dump();
  s->type(" ");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

TEST(ExecutorScreenMenu, TallMenuRestartAndLeave) {
  // Fourteen entries, their blank row and the prompt do not fit below the row the menu starts
  // on: the 16 rows between the title and the status area. No page pauses (message 18 empty).
  std::string source =
      "[ZOX \"Tall\"]\n"
      "[INIT]\n"
      "IMSG15 = \"ja\"\n"
      "IMSG18 = \"\"\n"
      "STATUSLINES = 8\n";
  for (int i = 1; i <= 14; ++i) {
    source += "e" + std::to_string(i) + " = \"Entry " + std::to_string(i) + "\"\n";
  }
  source += "[STATUS]\nPRINT \"status\"\n[ROOM hall]\nPRINT \"Hall\"\nCHOOSE\n";
  for (int i = 1; i <= 14; ++i) source += "* e" + std::to_string(i) + "\nPRINTNL \"took\"\n";
  source += "END CHOOSE\nQUIT\n";
  TempDir dir;
  auto s = playSource(dir, "tall", source);
  ASSERT_TRUE(s);
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  EXPECT_EQ(s->row(1), "> Entry 1") << s->dump();  // "Hall" has scrolled away

  // Every move draws the whole menu again below; the area then shows the new one only.
  for (const auto& [key, mark] : {std::pair{Key::Down, 2}, {Key::Down, 3}, {Key::Up, 2}}) {
    s->key(key);
    const int row = mark;  // a structured binding cannot be captured by every compiler
    const std::string marked = "> Entry " + std::to_string(row);
    ASSERT_TRUE(s->waitUntil([&] { return s->row(row) == marked; })) << s->dump();
    ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
    EXPECT_EQ(s->row(14), "* Entry 14") << s->dump();
    EXPECT_EQ(occurrences(s->text(), "Entry 1\n"), 1) << s->dump();
  }

  // R: restart after the question; y is no answer now that message 15 is "ja".
  s->type("r");
  ASSERT_TRUE(s->waitForText("? R (START)", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "Are you sure (y/n) ? ")) << s->dump();
  s->type("y");
  s->type("j");
  ASSERT_TRUE(s->waitUntil([&] { return s->text().find("START") == std::string::npos; }, kPlayWait))
      << s->dump();
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  EXPECT_EQ(s->row(1), "> Entry 1") << s->dump();

  // Esc: the QUIT question; no draws the menu again, yes leaves.
  s->key(Key::Escape);
  ASSERT_TRUE(s->waitForText("? QUIT", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "Are you sure (y/n) ? ")) << s->dump();
  s->type("n");
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  EXPECT_EQ(s->row(1), "> Entry 1") << s->dump();
  s->key(Key::Escape);
  ASSERT_TRUE(atPrompt(*s, "Are you sure (y/n) ? ")) << s->dump();
  s->type("J");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
  EXPECT_EQ(s->text().find("took"), std::string::npos);
}

}  // namespace
}  // namespace zoxtest
