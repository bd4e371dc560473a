// zoxexec's command prompt in a terminal: number input, word splitting, the built-in commands
// and their messages, the confirm question, START, and an unanswered command through the
// error dialog.
#include "play_helpers.h"

namespace zoxtest {
namespace {

TEST(ExecutorScreenCommand, NumbersWordsAndBuiltInCommands) {
  TempDir dir;
  auto s = playSource(dir, "prompt",
                      "[ZOX \"Prompt\"]\n"
                      "[INIT]\n"
                      "VAR n = 0\n"
                      "[ROOM numbers]\n"
                      "INPUT \"Amount? \" n\n"
                      "PRINTNL \"got \"\n"
                      "PRINT n\n"
                      "IF n = 12 THEN GO TO [ROOM words]\n"
                      "GO TO [ROOM numbers]\n"
                      "[ROOM words]\n"
                      "INPUT\n"
                      "(look at lamp)\n"
                      "PRINTNL \"three words\"\n"
                      "RESUME\n"
                      "(OTHERWISE)\n"
                      "n += 1\n"
                      "PRINTNL \"not understood \"\n"
                      "PRINT n\n"
                      "RESUME\n");
  ASSERT_TRUE(s);
  // Refused numbers: the message, then the number prompt, not the statement's own.
  ASSERT_TRUE(atPrompt(*s, "Amount? ")) << s->dump();
  int refused = 0;
  for (const char* line : {"12a", "a12", "99999999999", "2147483648", "+", "quit now"}) {
    s->type(std::string(line) + "\r");
    ++refused;
    ASSERT_TRUE(s->waitUntil([&] { return occurrences(s->text(), "Invalid number !") == refused; },
                             kPlayWait))
        << line << "\n"
        << s->dump();
    ASSERT_TRUE(atPrompt(*s, "Number ? ")) << line << "\n" << s->dump();
  }
  // Accepted: "1 2" is 1; the GO TO back shows the statement's prompt again.
  for (const auto& [line, shown] : {std::pair{"1 2", "got 1"},
                                    {"-2147483648", "got -2147483648"},
                                    {"-7", "got -7"},
                                    {"+5", "got 5"},
                                    {"12", "got 12"}}) {
    ASSERT_TRUE(answer(*s, line, shown)) << line << "\n" << s->dump();
  }
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();

  // A line of spaces is not answered: the same field is read again.
  const int row = s->cursorRow();
  s->type("     \r");
  ASSERT_TRUE(s->waitForIdle()) << s->dump();
  EXPECT_EQ(s->cursorRow(), row);
  EXPECT_EQ(s->cursorCol(), 5);
  EXPECT_EQ(s->row(row), "CMD>");
  // Spaces around and between the words do not count; the history holds the line
  // single-spaced.
  ASSERT_TRUE(answer(*s, "  look   at  lamp ", "three words")) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  s->key(Key::Up);
  ASSERT_TRUE(s->waitUntil([&] { return s->row(s->cursorRow()) == "CMD> look at lamp"; }))
      << s->dump();
  s->key(Key::Escape);
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();

  // quit with more words is an ordinary command; Quit is the built-in one.
  ASSERT_TRUE(answer(*s, "quit now", "not understood 13")) << s->dump();
  ASSERT_TRUE(answer(*s, "Quit", "Are you sure (y/n) ?")) << s->dump();
  s->type("x");  // not a confirm key
  s->type("n");
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  EXPECT_EQ(s->row(s->cursorRow() - 2), "Are you sure (y/n) ? n");

  ASSERT_TRUE(answer(*s, "?", "QUIT  ... to return to sh")) << s->dump();
  const std::string help = s->text();
  for (const char* line :
       {"Internal Help:", "ZOXEXEC KV - Zox adventure executor V0.99B1", "Type",
        "?     ... for this help", "CLS   ... to clear screen",
        "INFO  ... to display room information", "SAVE  ... to save the current game",
        "LOAD  ... to load a saved game", "START ... to restart the game"}) {
    EXPECT_NE(help.find(std::string("\n") + line + "\n"), std::string::npos) << line << "\n"
                                                                             << s->dump();
  }
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  s->type("cls\r");
  ASSERT_TRUE(s->waitUntil([&] { return s->text().find("Help") == std::string::npos; }))
      << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  EXPECT_EQ(s->cursorRow(), 2);  // below the title, after the prompt's new line

  ASSERT_TRUE(answer(*s, "quit", "Are you sure (y/n) ?")) << s->dump();
  s->type("Y");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

TEST(ExecutorScreenCommand, ChangedMessagesStartAndAnUnansweredCommand) {
  TempDir dir;
  auto s = playSource(dir, "messages",
                      "[ZOX \"Messages\"]\n"
                      "[INIT]\n"
                      "IMSG1 = \"Try LOOK or LEAVE.\"\n"
                      "IMSG3 = \"LEAVE\"\n"
                      "IMSG15 = \"ja\"\n"
                      "VAR visits = 0\n"
                      "[ROOM hall]\n"
                      "visits += 1\n"
                      "PRINT \"Visit \"\n"
                      "PRINT visits\n"
                      "INPUT \"What now? \"\n"
                      "(look)\n"
                      "PRINT \"A bare hall.\"\n"
                      "RESUME\n"
                      "(wide)\n"
                      "GO TO [ROOM wide]\n"
                      "[ROOM wide]\n"
                      "INPUT \"" +
                          std::string(51, '-') +
                          "\"\n"
                          "GO TO [ROOM hall]\n");
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->waitForText("Visit 1", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  // The adventure's own help replaces the internal one.
  ASSERT_TRUE(answer(*s, "?", "Try LOOK or LEAVE.")) << s->dump();
  EXPECT_EQ(s->text().find("Internal Help"), std::string::npos);

  // quit is no longer a command word: no clause answers it, and the dialog offers to leave.
  ASSERT_TRUE(answer(*s, "quit", "(L)eave Object/(I)gnore Error/(R)esume/(E)xit (L/I/R/E) ?"))
      << s->dump();
  EXPECT_NE(s->text().find("Error 24 at offset "), std::string::npos) << s->dump();
  s->type("L");
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  ASSERT_TRUE(answer(*s, "look", "A bare hall.")) << s->dump();
  // Resume asks again (the prompt is not a prompt inside a clause).
  ASSERT_TRUE(answer(*s, "xyzzy", "(L/I/R/E) ?")) << s->dump();
  s->type("R");
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  EXPECT_EQ(s->text().find("Error 25"), std::string::npos) << s->dump();

  // The yes key is the first letter of message 15; n (message 16) still says no.
  ASSERT_TRUE(answer(*s, "start", "Are you sure (y/n) ?")) << s->dump();
  s->type("y");  // no longer a confirm key
  s->type("n");
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  ASSERT_TRUE(answer(*s, "START", "Are you sure (y/n) ?")) << s->dump();
  s->type("J");
  // A fresh screen from the start room ([INIT sets visits to 0 again).
  ASSERT_TRUE(s->waitUntil([&] { return s->text().find("START") == std::string::npos; }, kPlayWait))
      << s->dump();
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  EXPECT_EQ(s->row(1), "Visit 1");
  // A prompt that leaves fewer than 30 columns cannot read a line: error 26.
  ASSERT_TRUE(answer(*s, "wide", "Error 26 at offset")) << s->dump();
  ASSERT_TRUE(s->waitForText("(L/I/R/E) ?", kPlayWait)) << s->dump();
  s->type("I");
  ASSERT_TRUE(s->waitForText("Visit 2", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "What now? ")) << s->dump();
  ASSERT_TRUE(answer(*s, "leave", "Are you sure (y/n) ?")) << s->dump();
  s->type("j");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

}  // namespace
}  // namespace zoxtest
