// Settings, messages, resources and items.
#include <gtest/gtest.h>

#include <string>

#include "compile_helper.h"
#include "screen.h"

namespace {

using stmttest::codeHex;
using stmttest::errorsOf;
using stmttest::kHeader;
using stmttest::room;

std::string chars(size_t n, char ch = 'x') {
  return std::string(n, ch);
}

// The [INIT] section's statements after its header, listed; or its errors (absolute lines:
// the first INIT line is line 3).
std::string init(const std::string& lines) {
  zox::CompileOutcome o = stmttest::compileSource(kHeader + "[INIT]\n" + lines);
  if (o.errors.count > 0) return errorsOf(kHeader + "[INIT]\n" + lines);
  std::vector<std::string> l = stmttest::listing(o.output);
  std::string out;
  for (size_t i = 1; i + 1 < l.size(); ++i) out += (i > 1 ? " | " : "") + l[i];
  return out;
}

TEST(StatementsSettings, TextSettings) {
  struct {
    const char* what;
    std::string lines;
    std::string expect;
  } cases[] = {
      {"TITLE", "TITLE = \"The Cave\"\n", "TITLE \"The Cave\""},
      {"TITLE continued", "TITLE = \"The\"\n\"Cave\"\n", "TITLE \"The\\nCave\""},
      {"CTEXT", "CTEXT = \"Your choice? \"\n", "CTEXT \"Your choice? \""},
      {"ITEXT", "ITEXT = \"> \"\n", "ITEXT \"> \""},
      {"INTEXT", "INTEXT = \"How many? \"\n", "INTEXT \"How many? \""},
      {"empty TITLE", "TITLE = \"\"\n", "TITLE \"\""},
      {"TITLE twice", "TITLE = \"a\"\nTITLE = \"b\"\n", "E25@4"},
      {"second TITLE with a refused character", "TITLE = \"a\"\nTITLE = \"\xE9\"\n", "E51@4"},
      {"refused TITLE does not count", "TITLE = \"\xE9\"\nTITLE = \"b\"\n", "E51@3"},
      {"CTEXT twice", "CTEXT = \"a\"\nCTEXT = \"b\"\n", "E26@4"},
      {"ITEXT twice", "ITEXT = \"a\"\nITEXT = \"b\"\n", "E28@4"},
      {"INTEXT twice", "INTEXT = \"a\"\nINTEXT = \"b\"\n", "E32@4"},
      {"no =", "TITLE \"a\"\n", "E20@3"},
      {"no quote", "CTEXT = a\n", "E20@3"},
      {"unclosed", "ITEXT = \"a\n", "E20@3"},
      {"junk", "INTEXT = \"a\" b\n", "E20@3"},
      {"TITLE in a room", "[ROOM r]\nTITLE = \"a\"\n", "E85@4"},
  };
  for (const auto& c : cases) EXPECT_EQ(init(c.lines), c.expect) << c.what;
}

TEST(StatementsSettings, PasswordLengthAndOrderOfChecks) {
  struct {
    const char* what;
    std::string lines;
    std::string expect;
  } cases[] = {
      {"4 characters", "PASSWORD = \"" + chars(4) + "\"\n", "E88@3"},
      {"5 characters", "PASSWORD = \"" + chars(5) + "\"\n", "PASSWORD \"" + chars(5) + "\""},
      {"50 characters", "PASSWORD = \"" + chars(50) + "\"\n", "PASSWORD \"" + chars(50) + "\""},
      {"51 characters", "PASSWORD = \"" + chars(51) + "\"\n", "E88@3"},
      {"second one too short", "PASSWORD = \"secret\"\nPASSWORD = \"ab\"\n", "E30@4"},
      {"second one malformed", "PASSWORD = \"secret\"\nPASSWORD\n", "E30@4"},
      {"length before conversion", "PASSWORD = \"\xE9\xE9\"\n", "E88@3"},
      {"conversion", "PASSWORD = \"\xE9xxxxx\"\n", "E51@3"},
      {"refused one does not count", "PASSWORD = \"abc\"\nPASSWORD = \"secret\"\n", "E88@3"},
  };
  for (const auto& c : cases) EXPECT_EQ(init(c.lines), c.expect) << c.what;
  EXPECT_EQ(errorsOf("[ZOX \"T\" PART 2 OF 2]\n[INIT]\nPASSWORD = \"secret\"\n"), "E30@3");
}

TEST(StatementsSettings, RoomInfoInRoomsAndStatus) {
  EXPECT_EQ(room("", "RINFO = \"A hall.\"\n"), "RINFO \"A hall.\"");
  EXPECT_EQ(room("", "RINFO = \"a\"\nRINFO = \"b\"\n"), "RINFO \"a\" | RINFO \"b\"");
  EXPECT_EQ(room("", "RINFO \"a\"\n"), "E20@1");
  EXPECT_EQ(codeHex(kHeader + "[STATUS]\nRINFO = \"\"\n"), "a1 00 00 c5");
  EXPECT_EQ(errorsOf(kHeader + "[INIT]\nRINFO = \"a\"\n"), "E84@3");
}

TEST(StatementsSettings, Colours) {
  struct {
    const char* keyword;
    int opcode;
  } settings[] = {
      {"TEXTCOLOR", 0xCC},        {"TEXTBACKGROUND", 0xCD},  {"SCREENCOLOR", 0xCE},
      {"SCREENBACKGROUND", 0xCF}, {"INPUTCOLOR", 0xD0},      {"INPUTBACKGROUND", 0xD1},
      {"TITLECOLOR", 0xD2},       {"TITLEBACKGROUND", 0xD3}, {"STATUSCOLOR", 0xE6},
      {"STATUSBACKGROUND", 0xE7},
  };
  for (const auto& s : settings) {
    char expect[32];
    std::snprintf(expect, sizeof expect, "a0 %02x 00 %02x 0f", s.opcode, s.opcode);
    EXPECT_EQ(codeHex(kHeader + "[INIT]\n" + s.keyword + " = BLACK\n" + s.keyword + "=white\n"),
              expect)
        << s.keyword;
    std::snprintf(expect, sizeof expect, "%02x ff", s.opcode);
    EXPECT_EQ(room("", std::string(s.keyword) + " = DEFAULT\n", stmttest::Show::Bytes), expect)
        << s.keyword;
  }
  EXPECT_EQ(room("", "TEXTCOLOR = LIGHTMAGENTA\n"), "TEXTCOLOR LIGHTMAGENTA");
  EXPECT_EQ(init("TEXTCOLOR = DEFAULT\n"), "E20@3");
  EXPECT_EQ(init("TEXTCOLOR = PINK\n"), "E20@3");
  EXPECT_EQ(init("TEXTCOLOR = RED GREEN\n"), "E20@3");
  EXPECT_EQ(init("TEXTCOLOR RED\n"), "E20@3");
  EXPECT_EQ(init("TEXTCOLOR =\n"), "E20@3");
  EXPECT_EQ(init("TEXTCOLOR = REDDISH\n"), "E20@3");
  EXPECT_EQ(room("", "STATUSCOLOR = TRUE\n"), "E20@1");
}

TEST(StatementsSettings, StartAndStatusLines) {
  EXPECT_EQ(init("START = [ROOM hall]\n[ROOM hall]\n"), "START room 1 | ROOM 1");
  EXPECT_EQ(init("START=[ROOM hall]\nSTART = [ROOM hall]\n[ROOM hall]\n"), "E27@4");
  EXPECT_EQ(init("START = hall\n"), "E20@3");
  EXPECT_EQ(init("START [ROOM hall]\n"), "E20@3");
  EXPECT_EQ(init("START = [ROOM hall] x\n"), "E20@3");
  EXPECT_EQ(init("START = [ROOM " + chars(51) + "]\n"), "E22@3");
  EXPECT_EQ(init("START = [ROOM nowhere]\n"), "E33@0");

  EXPECT_EQ(init("STATUSLINES = 15\n"), "STATUSLINES 15");
  EXPECT_EQ(init("STATUSLINES = 0\n"), "STATUSLINES 0");
  EXPECT_EQ(init("STATUSLINES = 16\n"), "E20@3");
  EXPECT_EQ(init("STATUSLINES = -1\n"), "E20@3");
  EXPECT_EQ(init("STATUSLINES = two\n"), "E20@3");
  EXPECT_EQ(init("STATUSLINES = 2 3\n"), "E20@3");
  EXPECT_EQ(init("STATUSLINES =\n"), "E20@3");
  EXPECT_EQ(init("STATUSLINES = 123456789012345678\n"), "E22@3");
  EXPECT_EQ(init("STATUSLINES = 1\nSTATUSLINES = 2\n"), "E34@4");
  // Outside [INIT] it may be repeated, and one in a room makes a later one in [INIT] a second.
  EXPECT_EQ(init("[ROOM r]\nSTATUSLINES = 1\nSTATUSLINES = 2\n"),
            "ROOM 1 | STATUSLINES 1 | STATUSLINES 2");
  EXPECT_EQ(errorsOf(kHeader + "[ROOM r]\nSTATUSLINES = 1\n[INIT]\nSTATUSLINES = 2\n"), "E34@5");
}

TEST(StatementsSettings, InterfaceMessages) {
  EXPECT_EQ(room("", "IMSG1 = \"Try LOOK.\"\nimsg19 = \"\"\n"),
            "IMSG 1 \"Try LOOK.\" | IMSG 19 \"\"");
  EXPECT_EQ(init("IMSG18 = \"- more -\"\n"), "IMSG 18 \"- more -\"");
  EXPECT_EQ(room("", "IMSG0 = \"x\"\n"), "E81@1");
  EXPECT_EQ(room("", "IMSG20 = \"x\"\n"), "E81@1");
  EXPECT_EQ(room("", "IMSG = \"x\"\n"), "E81@1");
  EXPECT_EQ(room("", "IMSG99999 = \"x\"\n"), "E81@1");
  EXPECT_EQ(room("", "IMSG 7 = \"x\"\n"), "E20@1");
  EXPECT_EQ(room("", "IMSG7 \"x\"\n"), "E20@1");
  EXPECT_EQ(room("", "IMSG7 = \"x\" y\n"), "E20@1");
  EXPECT_EQ(room("", "IMSG7 = \"\xE9\"\n"), "E51@1");
  EXPECT_EQ(errorsOf(kHeader + "IMSG7 = \"x\"\n"), "ok");
}

TEST(StatementsSettings, ItemsNeedAFlagAndAShortText) {
  const std::string flags = "VAR lamp = FALSE\n";
  EXPECT_EQ(room(flags, "ITEM lamp = \"" + chars(30) + "\"\n"), "ITEM 0 \"" + chars(30) + "\"");
  EXPECT_EQ(room(flags, "ITEM lamp = \"" + chars(31) + "\"\n"), "E22@1");
  EXPECT_EQ(room(flags, "ITEM lamp=\"a\"\nITEM lamp = \"b\"\nPRINT \"x\"\n"),
            "ITEM 0 \"a\" | ITEM 0 \"b\" | PRINT \"x\"");
  EXPECT_EQ(room(flags, "ITEM who = \"a\"\n"), "E54@1");
  EXPECT_EQ(room("VAR n = 1\n", "ITEM n = \"a\"\n"), "E54@1");
  EXPECT_EQ(room(flags, "ITEM lamp \"a\"\n"), "E20@1");
  EXPECT_EQ(room(flags, "ITEM lamp = a\n"), "E20@1");
  EXPECT_EQ(room(flags, "ITEM lamp = \"a\" b\n"), "E20@1");
  EXPECT_EQ(room(flags, "ITEM\n"), "E20@1");
  EXPECT_EQ(room(flags, "ITEM lamp = \"\xE9\"\n"), "E51@1");
  EXPECT_EQ(room(flags, "ITEM abcdefghijklmnopqr = \"a\"\n"), "E22@1");
  EXPECT_EQ(room(flags, "PRINT \"x\"\nITEM lamp = \"a\"\n"), "E91@2");
  EXPECT_EQ(errorsOf(kHeader + "[INIT]\n" + flags + "[INVENTORY]\nITEM lamp = \"a\"\n"), "ok");
}

TEST(StatementsResources, DeclaredInInitLoadedInRooms) {
  zoxtest::TempDir dir;
  dir.write("pic.ans", "\x1b[1;33mHello\x1b[0m\n");
  const std::string path = dir.file("pic.ans");
  const std::string decl = "RESOURCE pic = \"" + path + "\" : ANSITEXT\n";
  EXPECT_EQ(room(decl, "LOAD pic\n"), "LOAD 0");
  EXPECT_EQ(room(decl + "RESOURCE two=\"" + path + "\":ansitext\n", "LOAD TWO\nLOAD pic\n"),
            "LOAD 1 | LOAD 0");
  struct {
    const char* what;
    std::string lines;
    std::string expect;
  } cases[] = {
      {"declared twice", decl + decl, "E53@4"},
      {"other kind", "RESOURCE pic = \"" + path + "\" : BITMAP\n", "E54@3"},
      {"no kind", "RESOURCE pic = \"" + path + "\" :\n", "E20@3"},
      {"no colon", "RESOURCE pic = \"" + path + "\"\n", "E20@3"},
      {"no path", "RESOURCE pic = ANSITEXT\n", "E20@3"},
      {"empty path", "RESOURCE pic = \"\" : ANSITEXT\n", "E57@3"},
      {"no name =", "RESOURCE pic\n", "E56@3"},
      {"nothing", "RESOURCE\n", "E20@3"},
      {"number as name", "RESOURCE 12 = \"" + path + "\" : ANSITEXT\n", "E20@3"},
      {"long name", "RESOURCE abcdefghijklmnopqr = \"" + path + "\" : ANSITEXT\n", "E22@3"},
      {"junk after kind", "RESOURCE pic = \"" + path + "\" : ANSITEXT x\n", "E20@3"},
      {"in a room", "[ROOM r]\n" + decl, "E85@4"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(errorsOf(kHeader + "[INIT]\n" + c.lines), c.expect) << c.what;
  EXPECT_EQ(room("", "LOAD pic\n"), "E54@1");
  EXPECT_EQ(room(decl, "LOAD pic x\n"), "E20@1");
  EXPECT_EQ(room(decl, "LOAD\n"), "E20@1");
  std::string many;
  for (int i = 0; i < 257; ++i) {
    many += "RESOURCE r" + std::to_string(i) + " = \"" + path + "\" : ANSITEXT\n";
  }
  EXPECT_EQ(errorsOf(kHeader + "[INIT]\n" + many), "E55@259");
}

}  // namespace
