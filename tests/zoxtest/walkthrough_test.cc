// Reading walkthrough files: every kind of step, the texts as authors write them, and the
// lines that are refused with their line numbers.
#include "tools/zoxtest/walkthrough.h"

#include <gtest/gtest.h>

namespace zoxtest {
namespace {

Step only(const std::string& line) {
  Walkthrough w = parseWalkthrough(line + "\n");
  EXPECT_TRUE(w.errors.empty()) << line << ": " << (w.errors.empty() ? "" : w.errors[0].message);
  EXPECT_EQ(w.steps.size(), 1u) << line;
  return w.steps.empty() ? Step{} : w.steps[0];
}

std::string errorOf(const std::string& line) {
  Walkthrough w = parseWalkthrough(line + "\n");
  EXPECT_EQ(w.errors.size(), 1u) << line;
  return w.errors.empty() ? "" : w.errors[0].message;
}

TEST(ZoxtestWalkthrough, StepsAndTheirArguments) {
  const struct {
    const char* line;
    StepKind kind;
    const char* text;
    int number;
  } cases[] = {
      {"> take the lamp", StepKind::Line, "take the lamp", 0},
      {">take the lamp", StepKind::Line, "take the lamp", 0},
      {">", StepKind::Line, "", 0},
      {">  \"  two blanks\"", StepKind::Line, "  two blanks", 0},
      {"type north", StepKind::Type, "north", 0},
      {"expect You are in a hall.  ", StepKind::Expect, "You are in a hall.", 0},
      {"EXPECT Hall", StepKind::Expect, "Hall", 0},
      {"expect \"Steps: 0 \"", StepKind::Expect, "Steps: 0 ", 0},
      {"expect \"", StepKind::Expect, "\"", 0},
      {"expect-row 25 Steps: 30", StepKind::ExpectRow, "Steps: 30", 25},
      {"absent The troll", StepKind::Absent, "The troll", 0},
      {"absent-row 1 Part two", StepKind::AbsentRow, "Part two", 1},
      {"exit 255", StepKind::Exit, "", 255},
      {"exit 0", StepKind::Exit, "", 0},
      {"screen", StepKind::ShowScreen, "", 0},
      {"resize 100x30", StepKind::Resize, "", 100},
      {"   expect indented", StepKind::Expect, "indented", 0},
      {"expect Umlaute: \xC3\xA4\xC3\xB6", StepKind::Expect, "Umlaute: \xC3\xA4\xC3\xB6", 0},
  };
  for (const auto& c : cases) {
    Step s = only(c.line);
    EXPECT_EQ(s.kind, c.kind) << c.line;
    EXPECT_EQ(s.text, c.text) << c.line;
    EXPECT_EQ(s.number, c.number) << c.line;
    EXPECT_EQ(s.line, 1) << c.line;
  }
  EXPECT_EQ(only("resize 100x30").number2, 30);
  EXPECT_DOUBLE_EQ(only("timeout 2.5").seconds, 2.5);
  EXPECT_EQ(only("env ESCDELAY=100").text, "ESCDELAY=100");
  EXPECT_EQ(only("args -8  --x").words, (std::vector<std::string>{"-8", "--x"}));
  EXPECT_EQ(only("> take lamp").source, "> take lamp");
}

TEST(ZoxtestWalkthrough, KeyNames) {
  const struct {
    const char* name;
    std::optional<Key> key;
    const char* bytes;
  } cases[] = {
      {"Return", Key::Enter, ""},
      {"enter", Key::Enter, ""},
      {"ESCAPE", Key::Escape, ""},
      {"Esc", Key::Escape, ""},
      {"Up", Key::Up, ""},
      {"down", Key::Down, ""},
      {"PageDown", Key::PageDown, ""},
      {"F12", Key::F12, ""},
      {"Backspace", Key::Backspace, ""},
      {"Ctrl-C", Key::CtrlC, ""},
      {"ctrl-d", std::nullopt, "\x04"},
      {"Space", std::nullopt, " "},
      {"x", std::nullopt, "x"},
      {"Y", std::nullopt, "Y"},
      {"\xC3\xA4", std::nullopt, "\xC3\xA4"},
  };
  for (const auto& c : cases) {
    std::optional<KeyPress> k = parseKey(c.name);
    ASSERT_TRUE(k.has_value()) << c.name;
    EXPECT_EQ(k->key, c.key) << c.name;
    EXPECT_EQ(k->bytes, c.bytes) << c.name;
  }
  for (const char* bad : {"", "xy", "Ctrl-1", "F13", "Returns"}) {
    EXPECT_FALSE(parseKey(bad).has_value()) << bad;
  }
}

TEST(ZoxtestWalkthrough, RefusedLinesSayWhy) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"expect", "expect needs a text"},
      {"expect   ", "expect needs a text"},
      {"absent \"\"", "absent needs a text"},
      {"type", "type needs a text"},
      {"expect-row x Hall", "expect-row needs a row number (from 1) and a text"},
      {"expect-row 0 Hall", "expect-row needs a row number (from 1) and a text"},
      {"expect-row 3", "expect-row needs a text after the row number"},
      {"key", "key needs a key: a character or a name such as Return"},
      {"key Enterprise", "unknown key \"Enterprise\""},
      {"exit", "exit needs a status from 0 to 255"},
      {"exit 256", "exit needs a status from 0 to 255"},
      {"exit -1", "exit needs a status from 0 to 255"},
      {"exit 1x", "exit needs a status from 0 to 255"},
      {"timeout 0", "timeout needs a number of seconds above 0, at most 3600"},
      {"timeout soon", "timeout needs a number of seconds above 0, at most 3600"},
      {"timeout 1e9", "timeout needs a number of seconds above 0, at most 3600"},
      {"resize 80", "resize needs COLUMNSxROWS, such as 80x25"},
      {"resize 0x25", "resize needs COLUMNSxROWS, such as 80x25"},
      {"size 80x25x3", "size needs COLUMNSxROWS, such as 80x25"},
      {"env NOVALUE", "env needs NAME=VALUE"},
      {"env =x", "env needs NAME=VALUE"},
      {"args", "args needs the words to pass"},
      {"screen now", "screen takes nothing after it"},
      {"wait 3", "unknown step \"wait\""},
      {"<< take", "unknown step \"<<\""},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf(c.line), c.message) << c.line;
}

TEST(ZoxtestWalkthrough, LineNumbersCommentsAndEndsOfLines) {
  Walkthrough w = parseWalkthrough(
      "# a comment\r\n"
      "\r\n"
      "expect Hall\r\n"
      "   # indented comment\n"
      "frobnicate\n"
      "key x\n"
      "bogus");  // no end of line on the last one
  ASSERT_EQ(w.steps.size(), 2u);
  EXPECT_EQ(w.steps[0].line, 3);
  EXPECT_EQ(w.steps[0].text, "Hall");  // the \r is no part of it
  EXPECT_EQ(w.steps[1].line, 6);
  ASSERT_EQ(w.errors.size(), 2u);
  EXPECT_EQ(w.errors[0].line, 5);
  EXPECT_EQ(w.errors[1].line, 7);
  EXPECT_TRUE(parseWalkthrough("").steps.empty());
}

TEST(ZoxtestWalkthrough, SetupComesBeforeTheFirstStepThatPlays) {
  Walkthrough ok = parseWalkthrough("size 100x30\nenv A=b\nargs -8\nexpect x\n");
  EXPECT_TRUE(ok.errors.empty());
  EXPECT_EQ(ok.steps.size(), 4u);
  for (const char* late : {"size 100x30", "env A=b", "args -8"}) {
    Walkthrough w = parseWalkthrough(std::string("expect x\n") + late + "\n");
    ASSERT_EQ(w.errors.size(), 1u) << late;
    EXPECT_EQ(w.errors[0].line, 2);
    EXPECT_NE(w.errors[0].message.find("must come before the first step that plays"),
              std::string::npos);
  }
}

TEST(ZoxtestWalkthrough, Latin1FilesAreReadAsLatin1) {
  // "Türe" in Latin-1 is not valid UTF-8; the screen is read as UTF-8.
  Step s = parseWalkthrough("expect T\xFCre\n").steps.at(0);
  EXPECT_EQ(s.text, "T\xC3\xBCre");
  EXPECT_EQ(toUtf8("T\xC3\xBCre"), "T\xC3\xBCre");  // UTF-8 stays as it is
  EXPECT_EQ(toUtf8("\xC3"), "\xC3\x83");            // a cut UTF-8 sequence is Latin-1
}

}  // namespace
}  // namespace zoxtest
