// zoxexec answering typed commands in a terminal: the pattern language, the order in which
// the room and the [INVENTORY] section are searched, every kind of fallback, GO OTHERWISE,
// and the room texts a clause leaves behind.
#include "play_helpers.h"

namespace zoxtest {
namespace {

// A clause that counts every answer, so that each answer on the screen is a new one.
std::string counted(const std::string& header, const std::string& reply) {
  return header + "\nn += 1\nPRINTNL \"" + reply + " \"\nPRINT n\nRESUME\n";
}

TEST(ExecutorScreenClauses, PatternExamplesMatchAndRefuse) {
  const struct {
    const char* pattern;
    std::vector<std::pair<const char*, bool>> lines;  // typed, matched
  } rooms[] = {
      {"take {the} lamp", {{"take lamp", true}, {"TAKE THE LAMP", true}, {"take the", false}}},
      {"{take}|{get} {the} lamp",
       {{"get lamp", true}, {"take the lamp", true}, {"grab lamp", false}}},
      {"{please} take", {{"take", true}, {"please take", true}, {"please", false}}},
      {"open {the {red}} door",
       {{"open the red door", true},
        {"open the door", true},
        {"open door", true},
        {"open red door", false}}},
      {"nimm schl\xc3\xbcssel", {{"NIMM SCHL\xc3\x9cSSEL", true}, {"nimm schluessel", false}}},
  };
  std::string source = "[ZOX \"Patterns\"]\n[INIT]\nVAR n = 0\n";
  for (size_t r = 0; r < std::size(rooms); ++r) {
    source += "[ROOM r" + std::to_string(r) + "]\nINPUT\n";
    source += counted("(" + std::string(rooms[r].pattern) + ")", "match");
    source += r + 1 < std::size(rooms) ? "(next)\nGO TO [ROOM r" + std::to_string(r + 1) + "]\n"
                                       : "(look)\n" + counted("", "look") + "(next)\nQUIT\n";
    source += counted("(OTHERWISE)", "no match") + counted("OTHERWISE:", "words left");
  }
  TempDir dir;
  auto s = playSource(dir, "patterns", source);
  ASSERT_TRUE(s);
  int n = 0;
  for (const auto& room : rooms) {
    for (const auto& [line, matched] : room.lines) {
      ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
      const std::string reply = (matched ? "match " : "no match ") + std::to_string(++n);
      EXPECT_TRUE(answer(*s, line, reply)) << room.pattern << " / " << line << "\n" << s->dump();
    }
    ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
    if (&room != &rooms[std::size(rooms) - 1]) s->type("next\r");
  }
  // look matches look lamp with a word left over, which no colon clause takes: the clause
  // fallback of the room's OTHERWISE clause answers.
  ASSERT_TRUE(answer(*s, "look", "look " + std::to_string(++n))) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  ASSERT_TRUE(answer(*s, "look lamp", "words left " + std::to_string(++n))) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  s->type("next\r");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

TEST(ExecutorScreenClauses, SearchOrderFallbacksAndJumps) {
  const std::string source =
      "[ZOX \"Search\"]\n"
      "[INIT]\n"
      "VAR n = 0\n"
      "[ROOM hall]\n"
      "mood = \"calm\"\n"
      "INPUT\n"
      "(look)\n" +
      counted("lamp:", "look lamp") + counted("OTHERWISE:", "look what") +
      counted("(look {at} lamp)", "look at lamp") + counted("(both)", "room both") +
      "(shout)\n"
      "mood = \"angry\"\n"
      "PRINTNL \"You shout, \"\n"
      "PRINT mood\n"
      "RESUME\n"
      "(mood)\n"
      "PRINTNL \"You feel \"\n"
      "PRINT mood\n"
      "RESUME\n"
      "(jump)\n"
      "n += 1\n"
      "PRINTNL \"jumping \"\n"
      "PRINT n\n"
      "GO OTHERWISE\n"
      "PRINT \"never\"\n" +
      counted("OTHERWISE:", "jump fallback") +
      "(wave)\n"
      "GO (OTHERWISE)\n"
      "(east)\n"
      "GO TO [ROOM yard]\n" +
      counted("(OTHERWISE)", "nothing happens") +
      "[ROOM yard]\n"
      "INPUT\n"
      "(west)\n"
      "GO TO [ROOM hall]\n"
      "[INVENTORY]\n" +
      counted("(both)", "inventory both") + "(drop)\n" + counted("key:", "dropped key") +
      counted("(OTHERWISE)", "inventory otherwise");
  TempDir dir;
  auto s = playSource(dir, "search", source);
  ASSERT_TRUE(s);
  const struct {
    const char* line;
    const char* reply;
  } steps[] = {
      {"look lamp", "look lamp 1"},
      // The first clause whose pattern matches is the one: look, not look{at}lamp.
      {"look at lamp", "look what 2"},
      // The room before the [INVENTORY] section.
      {"both", "room both 3"},
      {"drop key", "dropped key 4"},
      // A room text variable changed by a clause has its old text back afterwards.
      {"shout", "You shout, angry"},
      {"mood", "You feel calm"},
      {"jump", "jump fallback 6"},
      {"wave", "nothing happens 7"},
      {"xyzzy", "nothing happens 8"},
      // A room without a fallback: the [INVENTORY] section's answers.
      {"east", nullptr},
      {"dance", "inventory otherwise 9"},
      {"west", nullptr},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(atPrompt(*s, "CMD> ")) << step.line << "\n" << s->dump();
    if (step.reply == nullptr) {
      s->type(std::string(step.line) + "\r");
      ASSERT_TRUE(s->waitForIdle()) << s->dump();
    } else {
      ASSERT_TRUE(answer(*s, step.line, step.reply)) << step.line << "\n" << s->dump();
    }
  }
  EXPECT_NE(s->text().find("jumping 5"), std::string::npos) << s->dump();
  EXPECT_EQ(s->text().find("never"), std::string::npos) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  ASSERT_TRUE(answer(*s, "quit", "Are you sure (y/n) ?")) << s->dump();
  s->type("y");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

TEST(ExecutorScreenClauses, TheCellarIsPlayedToItsEnd) {
  TempDir dir;
  auto s = playSource(dir, "cellar", readFile(dataPath("play/cellar.adv")));
  ASSERT_TRUE(s);
  const struct {
    const char* line;
    const char* reply;
  } steps[] = {
      {"look", "A cold kitchen with a trapdoor in the floor."},
      {"go down", "It is too dark to go down without a light."},
      {"light lamp", "You have no lamp."},
      {"take the lantern", "You take the lamp."},
      {"dance", "The kitchen is silent."},
      {"look rope", "You cannot do that with it."},
      {"climb sideways", "Go where?"},
      {"light the lamp", "The lamp burns with a steady flame."},
      {"climb down", "A damp cellar. An iron door is set in the stone wall."},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(atPrompt(*s, "CMD> ")) << step.line << "\n" << s->dump();
    ASSERT_TRUE(answer(*s, step.line, step.reply)) << step.line << "\n" << s->dump();
  }
  // The door holds the first time; back up, down again, and out.
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("The door does not move. Perhaps later.", kPlayWait)) << s->dump();
  s->type(" ");
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  s->key(Key::Down);
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("> Climb back up to the kitchen <", kPlayWait)) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "CMD> ")) << s->dump();
  ASSERT_TRUE(answer(*s, "go down", "A damp cellar.")) << s->dump();
  ASSERT_TRUE(atPrompt(*s, "? ")) << s->dump();
  s->key(Key::Enter);
  ASSERT_TRUE(s->waitForText("You are free!", kPlayWait)) << s->dump();
  s->type(" ");
  ASSERT_TRUE(s->waitForExit(kPlayWait)) << s->dump();
  EXPECT_EQ(s->exitStatus(), 255);
}

}  // namespace
}  // namespace zoxtest
