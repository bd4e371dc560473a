// Texts, input, clause headers, choices and jumps: the stored statements of short rooms.
#include <gtest/gtest.h>

#include <string>

#include "compile_helper.h"
#include "compiler/stmt_common.h"

namespace {

using stmttest::room;
using stmttest::Show;

struct Case {
  const char* what;
  std::string init;
  std::string body;
  std::string expect;
};

void runCases(const std::vector<Case>& cases, Show show = Show::Listing) {
  for (const Case& c : cases) {
    EXPECT_EQ(room(c.init, c.body, show), c.expect) << c.what << "\n" << c.body;
  }
}

std::string chars(size_t n, char ch = 'x') {
  return std::string(n, ch);
}

TEST(StatementsPrint, StoresEachFormOfPrint) {
  const std::string vars = "VAR n = 1\nVAR f = TRUE\nboth = \"init\"\nVAR both = 2\n";
  runCases({
      {"bare PRINT is a new line", "", "PRINT\n", "NL"},
      {"text", "", "PRINT \"Hello, world!\"\n", "PRINT \"Hello, world!\""},
      {"lower-case keyword", "", "print \"a\"\n", "PRINT \"a\""},
      {"umlauts and sharp s", "", "PRINT \"\xC4\xE4\xD6\xF6\xDC\xFC\xDF\"\n",
       "PRINT \"\xC3\x84\xC3\xA4\xC3\x96\xC3\xB6\xC3\x9C\xC3\xBC\xC3\x9F\""},
      {"slash inside quotes stays", "", "PRINT \"a/b\"\n", "PRINT \"a/b\""},
      {"RINFO", "", "PRINT RINFO\n", "PRINT-RINFO"},
      {"INVENTORY", "", "PRINT inventory\n", "PRINT-INVENTORY"},
      {"ITEMLIST of 30", "", "PRINT ITEMLIST \"" + chars(30) + "\"\n",
       "PRINT-ITEMLIST \"" + chars(30) + "\""},
      {"INIT text before number", vars, "PRINT both\n", "PRINT-INITTEXT 0"},
      {"number", vars, "PRINT n\n", "PRINT-NUMBER 0"},
      {"room text", "", "t = \"x\"\nPRINT T\n", "SET-ROOMTEXT 0 \"x\" | PRINT-ROOMTEXT 0"},
      {"PRINTNL", "", "PRINTNL \"a\"\n", "NL | PRINT \"a\""},
      {"PRINTDNL stores its new line before the next statement", "", "PRINTDNL \"a\"\nCLS\n",
       "NL | PRINT \"a\" | NL | CLS"},
      {"PRINTINP", "", "PRINTINP \"a\"\nQUIT\n", "NL | NL | PRINT \"a\" | NL | QUIT"},
      {"PRINTDNL of a number variable", vars, "PRINTDNL n\nQUIT\n",
       "NL | PRINT-NUMBER 0 | NL | QUIT"},
      {"pending new line waits after a full row", "",
       "PRINTDNL \"" + chars(80) + "\"\nCLS\nPRINT \"b\"\nQUIT\n",
       "NL | PRINT \"" + chars(80) + "\" | CLS | PRINT \"b\" | NL | QUIT"},
      {"pending new line after a continuation", "", "PRINTDNL \"a\"\n\"b\"\nQUIT\n",
       "NL | PRINT \"a\\nb\" | NL | QUIT"},
      {"no operands", "", "CLS\nNL\nRESUME\nRESTART\nQUIT\n", "CLS | NL | RESUME | RESTART | QUIT"},
  });
}

TEST(StatementsPrint, EmptyTextStoresOnlyTheOpcode) {
  runCases({{"empty PRINT", "", "PRINT \"\"\nQUIT\n", "c7 b3"},
            {"empty WAIT text", "", "WAIT \"\"\nQUIT\n", "e0 b3"}},
           Show::Bytes);
}

TEST(StatementsPrint, LineBreakBeforeAContinuationUnlessTheRowWasFull) {
  runCases({
      {"79", "", "PRINT \"" + chars(79) + "\"\n\"y\"\n", "PRINT \"" + chars(79) + "\\ny\""},
      {"80", "", "PRINT \"" + chars(80) + "\"\n\"y\"\n", "PRINT \"" + chars(80) + "y\""},
      {"81", "", "PRINT \"" + chars(81) + "\"\n\"y\"\n", "PRINT \"" + chars(81) + "\\ny\""},
      {"the second continuation looks at the first", "",
       "PRINT \"a\"\n\"" + chars(80) + "\"\n\"b\"\n", "PRINT \"a\\n" + chars(80) + "b\""},
      {"empty continuation is a bare line break", "", "PRINT \"a\"\n\"\"\n\"b\"\n",
       "PRINT \"a\\n\\nb\""},
      // The running key position: 40 characters span key positions 0..39 in two lines.
      {"key runs on over lines", "",
       "PRINT \"" + chars(20, 'a') + "\"\n  \"" + chars(20, 'b') + "\"\n",
       "PRINT \"" + chars(20, 'a') + "\\n" + chars(20, 'b') + "\""},
      {"text assignment", "", "t = \"a\"\n\"b\"\n", "SET-ROOMTEXT 0 \"a\\nb\""},
      {"RINFO follows the PRINT rule", "", "RINFO = \"" + chars(80) + "\"\n\"z\"\n",
       "RINFO \"" + chars(80) + "z\""},
      {"RINFO after an 80 PRINT", "", "PRINT \"" + chars(80) + "\"\nRINFO = \"a\"\n\"z\"\n",
       "PRINT \"" + chars(80) + "\" | RINFO \"a\\nz\""},
      {"IMSG", "", "IMSG3 = \"Bye\"\n\"now\"\n", "IMSG 3 \"Bye\\nnow\""},
  });
}

TEST(StatementsPrint, ContinuationOnlyAfterAContinuableText) {
  runCases({
      {"after WAIT text", "", "WAIT \"a\"\n\"b\"\n", "E52@2"},
      {"after INPUT", "", "INPUT \"a\"\n\"b\"\n", "E52@2"},
      {"after PRINT of a variable", "VAR n = 1\n", "PRINT n\n\"b\"\n", "E52@2"},
      {"after an ITEMLIST", "", "PRINT ITEMLIST \"a\"\n\"b\"\n", "E52@2"},
      {"a comment line keeps the mark", "", "PRINT \"a\"\nREM x\n\"b\"\n", "PRINT \"a\\nb\""},
      {"not after another statement", "", "PRINT \"a\"\nCLS\n\"b\"\n", "E52@3"},
  });
  EXPECT_EQ(stmttest::errorsOf(stmttest::kHeader + "[INIT]\nCTEXT = \"a\"\n\"b\"\n"), "E52@4");
  EXPECT_EQ(stmttest::errorsOf(stmttest::kHeader + "[INIT]\nTITLE = \"" + chars(80) +
                               "\"\n\"b\"\n[ROOM r]\nQUIT\n"),
            "ok");
}

TEST(StatementsPrint, RefusesMalformedTexts) {
  runCases({
      {"missing closing quote", "", "PRINT \"abc\n", "E20@1"},
      {"junk after text", "", "PRINT \"abc\" x\n", "E20@1"},
      {"e acute", "", "PRINT \"caf\xE9\"\n", "E51@1"},
      {"raw code 24 is not an umlaut", "", "PRINT \"a\x18\"\n", "E51@1"},
      {"tab inside quotes", "", "PRINT \"a\tb\"\n", "E51@1"},
      {"undeclared name", "", "PRINT nobody\n", "E54@1"},
      {"name of 18 characters", "", "PRINT " + chars(18) + "\n", "E22@1"},
      {"junk after a name", "VAR n = 1\n", "PRINT n n\n", "E20@1"},
      {"ITEMLIST of 31", "", "PRINT ITEMLIST \"" + chars(31) + "\"\n", "E22@1"},
      {"ITEMLIST without text", "", "PRINT ITEMLIST\n", "E20@1"},
      {"RINFO with junk", "", "PRINT RINFO x\n", "E20@1"},
      {"continuation with junk", "", "PRINT \"a\"\n\"b\" c\n", "E20@2"},
      {"continuation with a bad character", "", "PRINT \"a\"\n\"\xE9\"\n", "E51@2"},
      {"CLS with junk", "", "CLS x\n", "E20@1"},
      {"QUIT with junk", "", "QUIT now\n", "E20@1"},
      {"PRINTDNL failing stores no pending new line", "", "PRINTDNL nobody\nQUIT\n", "E54@1"},
  });
}

TEST(StatementsWait, StoresEachForm) {
  const std::string vars = "it = \"i\"\nVAR n = 1\n";
  runCases({
      {"alone", "", "WAIT\n", "WAIT"},
      {"text", "", "WAIT \"Press\"\n", "WAIT-TEXT \"Press\""},
      {"INIT text", vars, "WAIT it\n", "WAIT-INITTEXT 0"},
      {"room text", vars, "rt = \"r\"\nWAIT rt\n", "SET-ROOMTEXT 0 \"r\" | WAIT-ROOMTEXT 0"},
      {"number is no text", vars, "WAIT n\n", "E50@1"},
      {"unknown name", vars, "WAIT who\n", "E50@1"},
      {"junk", vars, "WAIT it x\n", "E20@1"},
  });
}

TEST(StatementsInput, StoresEachForm) {
  const std::string vars = "it = \"i\"\nVAR n = 1\n";
  runCases({
      {"alone", vars, "INPUT\n", "INPUT \"\""},
      {"prompt", vars, "INPUT \"What now? \"\n", "INPUT \"What now? \""},
      {"number", vars, "INPUT n\n", "INPUT-NUMBER 0 \"\""},
      {"number with prompt", vars, "INPUT \"How many?\" n\n", "INPUT-NUMBER 0 \"How many?\""},
      {"INIT text", vars, "INPUT \"Name:\" it\n", "INPUT-INITTEXT 0 \"Name:\""},
      {"new name becomes a room text", vars, "INPUT answer\nPRINT answer\n",
       "INPUT-ROOMTEXT 0 \"\" | PRINT-ROOMTEXT 0"},
      {"existing room text", vars, "a = \"x\"\nb = \"y\"\nINPUT b\n",
       "SET-ROOMTEXT 0 \"x\" | SET-ROOMTEXT 1 \"y\" | INPUT-ROOMTEXT 1 \"\""},
      {"empty prompt", vars, "INPUT \"\"\n", "E57@1"},
      {"empty prompt before a name", vars, "INPUT \"\" n\n", "E57@1"},
      {"prompt with a bad character", vars, "INPUT \"\xE9\"\n", "E51@1"},
      {"open prompt", vars, "INPUT \"abc\n", "E20@1"},
      {"long name", vars, "INPUT " + chars(18) + "\n", "E22@1"},
      {"two names", vars, "INPUT a b\n", "E20@1"},
  });
  // The prompt bytes follow the slot: the first text byte has key position 0.
  EXPECT_EQ(room("VAR n = 1\n", "INPUT \"\" n\n", Show::Bytes), "E57@1");
  EXPECT_EQ(room("VAR n = 1\n", "INPUT n\nQUIT\n", Show::Bytes), "de 00 b3");
}

TEST(StatementsInput, RoomTextsAreForgottenAtTheNextRoom) {
  zox::CompileOutcome o = stmttest::compileSource(
      stmttest::kHeader + "[ROOM a]\nx = \"1\"\ny = \"2\"\n[ROOM b]\nINPUT y\nPRINT x\n");
  ASSERT_EQ(o.errors.count, 1);
  EXPECT_EQ(o.errors.entries[0].number, 54);
  EXPECT_EQ(o.errors.entries[0].line, 7u);
  o = stmttest::compileSource(stmttest::kHeader +
                              "[ROOM a]\nx = \"1\"\ny = \"2\"\n[ROOM b]\nINPUT y\nQUIT\n");
  std::vector<std::string> l = stmttest::listing(o.output);
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[4], "INPUT-ROOMTEXT 0 \"\"");
}

TEST(StatementsClause, NormalisesAndStoresPatterns) {
  runCases({
      {"braces and bar kept", "", "(take {lamp}|{lantern})\n", "CLAUSE() \"take{lamp}|{lantern}\""},
      {"blanks normalised", "", "(  look   at  { the }  lamp  )\n",
       "CLAUSE() \"look at{the}lamp\""},
      {"blank before a bar after a brace goes", "", "({a} |{b})\n", "CLAUSE() \"{a}|{b}\""},
      {"nested groups", "", "(open{the{red}}door)\n", "CLAUSE() \"open{the{red}}door\""},
      {"case kept", "", "(Look)\n", "CLAUSE() \"Look\""},
      {"otherwise", "", "( otherwise )\n", "OTHERWISE()"},
      {"colon clause", "", "(look)\n  at  {the}  lamp  :\n",
       "CLAUSE() \"look\" | CLAUSE: \"at{the}lamp\""},
      {"colon otherwise", "", "(look)\nOTHERWISE:\n", "CLAUSE() \"look\" | OTHERWISE:"},
      {"statement after the colon", "", "(look)\nlamp: PRINT \"A lamp.\"\n",
       "CLAUSE() \"look\" | CLAUSE: \"lamp\" | PRINT \"A lamp.\""},
      {"several bracket headers share a body", "", "(look)\n(l)\nRESUME\n",
       "CLAUSE() \"look\" | CLAUSE() \"l\" | RESUME"},
      {"bar in first position", "", "(|{a})\n", "CLAUSE() \"|{a}\""},
  });
}

TEST(StatementsClause, RefusesBadPatterns) {
  runCases({
      {"unclosed brace", "", "(take {lamp)\n", "E87@1"},
      {"closing brace first", "", "(take }lamp{)\n", "E87@1"},
      {"bar after a word", "", "(take lamp|{x})\n", "E93@1"},
      {"bar after a blank", "", "({a} x |{b})\n", "E93@1"},
      {"bar with no group after it", "", "({a}|b)\n", "E93@1"},
      {"empty", "", "()\n", "E57@1"},
      {"only blanks", "", "(   )\n", "E57@1"},
      {"no closing bracket", "", "(look\n", "E20@1"},
      {"junk after bracket", "", "(look) x\n", "E20@1"},
      {"bad character", "", "(caf\xE9)\n", "E51@1"},
      {"colon without bracket clause", "", "lamp: PRINT \"x\"\n", "E90@1"},
      {"colon pattern unbalanced", "", "(look)\n{lamp:\n", "E87@2"},
      {"colon pattern empty", "", "(look)\n  : PRINT \"x\"\n", "E57@2"},
      // The colon clause keeps its line for the statement after it, and the lines after count on.
      {"error after the colon", "", "(look)\nlamp: PRINT nobody\nPRINT nobody\n", "E54@2, E54@3"},
  });
}

TEST(StatementsChoose, StoresListsOfOneKind) {
  std::string ten, eleven;
  std::string assign;
  for (int i = 0; i < 11; ++i) {
    assign += "v" + std::to_string(i) + " = \"" + std::to_string(i) + "\"\n";
    if (i < 10) ten += (i ? ", v" : "v") + std::to_string(i);
  }
  eleven = ten + ", v10";
  std::string sets;
  for (int i = 0; i < 11; ++i) {
    sets += "SET-ROOMTEXT " + std::to_string(i) + " \"" + std::to_string(i) + "\" | ";
  }
  const std::string init = "i1 = \"a\"\ni2 = \"b\"\n";
  runCases({
      {"room texts", init, "a = \"x\"\nb = \"y\"\nCHOOSE a, b\n",
       "SET-ROOMTEXT 0 \"x\" | SET-ROOMTEXT 1 \"y\" | CHOOSE-ROOMTEXTS count 2 [0 1]"},
      {"INIT texts, no blanks", init, "CHOOSE i2,i1\n", "CHOOSE-INITTEXTS count 2 [1 0]"},
      {"ten names", "", assign + "CHOOSE " + ten + "\n",
       sets + "CHOOSE-ROOMTEXTS count 10 [0 1 2 3 4 5 6 7 8 9]"},
      {"eleven names", "", assign + "CHOOSE " + eleven + "\n", "E83@12"},
      {"mixed", init, "a = \"x\"\nCHOOSE a, i1\n", "E80@2"},
      {"mixed the other way", init, "a = \"x\"\nCHOOSE i1, a\n", "E80@2"},
      {"unknown first", init, "CHOOSE who\n", "E50@1"},
      {"unknown later", init, "CHOOSE i1, who\n", "E50@1"},
      {"comma at the end", init, "CHOOSE i1,\n", "E20@1"},
      {"no comma", init, "CHOOSE i1 i2\n", "E20@1"},
      {"RANDOM with a list", init, "CHOOSE RANDOM i1\n", "E20@1"},
  });
}

TEST(StatementsChoose, StoresBlocksWithTheirEntries) {
  const std::string init = "i1 = \"a\"\ni2 = \"b\"\n";
  runCases({
      {"entry mask 0x0005", init,
       "r = \"x\"\nCHOOSE\n* i1\nPRINT \"1\"\n* r\nPRINT \"2\"\n* i2\nPRINT \"3\"\nEND CHOOSE\n",
       "SET-ROOMTEXT 0 \"x\" | CHOOSE-BLOCK count 3 mask 0005 [0 0 1] | IF-CHOICE 1 | "
       "PRINT \"1\" | ELSE | IF-CHOICE 2 | PRINT \"2\" | ELSE | IF-CHOICE 3 | PRINT \"3\" | "
       "END | END | END"},
      {"random order", init, "CHOOSE RANDOM\n* i1\n* i2\nEND CHOOSE\n",
       "CHOOSE-RANDOM count 2 mask 0003 [0 1] | IF-CHOICE 1 | ELSE | IF-CHOICE 2 | END | END"},
      {"nested block entries stay inner", init,
       "CHOOSE\n* i1\nCHOOSE\n* i2\n* i1\n* i2\nEND CHOOSE\n* i2\nEND CHOOSE\n",
       "CHOOSE-BLOCK count 2 mask 0003 [0 1] | IF-CHOICE 1 | "
       "CHOOSE-BLOCK count 3 mask 0007 [1 0 1] | IF-CHOICE 1 | ELSE | IF-CHOICE 2 | ELSE | "
       "IF-CHOICE 3 | END | END | END | ELSE | IF-CHOICE 2 | END | END"},
      {"entries on split lines", init, "CHOOSE / * i1 / * i2 / END CHOOSE\n",
       "CHOOSE-BLOCK count 2 mask 0003 [0 1] | IF-CHOICE 1 | ELSE | IF-CHOICE 2 | END | END"},
  });
}

TEST(StatementsChoose, MaskByteOfAChoiceBlockMayLookLikeAnOpcode) {
  // Entries 3, 6, 7 and 8 of INIT texts give the mask byte 0xE4, the GO TO opcode.
  const std::string init = "i = \"a\"\n";
  std::string body = "r = \"x\"\nCHOOSE\n";
  for (const char* e : {"r", "r", "i", "r", "r", "i", "i", "i"})
    body += std::string("* ") + e + "\n";
  body += "END CHOOSE\nGO [ROOM r]\n";
  std::string l = room(init, body);
  EXPECT_EQ(l.substr(0, l.find(" | IF-CHOICE 1")),
            "SET-ROOMTEXT 0 \"x\" | CHOOSE-BLOCK count 8 mask 00e4 [0 0 0 0 0 0 0 0]");
  EXPECT_NE(l.find("END | GOTO (room 1)"), std::string::npos) << l;
}

TEST(StatementsChoose, CountsAndPlacesEntries) {
  std::string sixteen = "CHOOSE\n", seventeen;
  for (int i = 0; i < 16; ++i) sixteen += "* i\n";
  seventeen = sixteen + "* i\n";
  sixteen += "END CHOOSE\n";
  seventeen += "END CHOOSE\n";
  std::string deep;
  for (int i = 0; i < 18; ++i) deep += "CHOOSE\n* i\n";
  for (int i = 0; i < 18; ++i) deep += "END CHOOSE\n";
  const std::string init = "i = \"a\"\n";
  runCases({
      {"seventeen entries", init, seventeen, "E83@1"},
      {"no entries", init, "CHOOSE\nPRINT \"x\"\nEND CHOOSE\n", "E95@1"},
      {"a room header inside the block", init, "CHOOSE\n* i\n[ROOM s]\nQUIT\n", "E94@1, E94@1"},
      {"a clause header inside the block", init, "CHOOSE\n* i\n(look)\nRESUME\n", "E94@1, E94@1"},
      {"never closed", init, "CHOOSE\n* i\nQUIT\n", "E94@1"},
      {"entry names no text", init, "CHOOSE\n* who\nEND CHOOSE\n", "E50@1"},
      {"entry with junk", init, "CHOOSE\n* i x\nEND CHOOSE\n", "E20@1"},
      {"entry without a block", init, "* i\n", "E94@1"},
      {"END CHOOSE without a block", init, "END CHOOSE\n", "E94@1"},
      {"END CHOOSE with junk", init, "CHOOSE\n* i\nEND CHOOSE now\n", "E20@3"},
      {"eighteen open blocks", init, deep, "E38@35, E94@54"},
  });
  std::string l = room(init, sixteen);
  EXPECT_EQ(l.substr(0, l.find(" | IF-CHOICE")),
            "CHOOSE-BLOCK count 16 mask ffff [0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0]");
}

TEST(StatementsGo, StoresEachForm) {
  runCases({
      {"GO TO", "", "GO TO [ROOM r]\n", "GOTO (room 1)"},
      {"GO without TO", "", "go [room R]\n", "GOTO (room 1)"},
      {"room number form", "", "GO [ROOM12]\n[ROOM 12]\nQUIT\n", "GOTO (room 2) | ROOM 2 | QUIT"},
      {"target defined later keeps its number", "", "GO [ROOM b]\n[ROOM a]\nQUIT\n[ROOM b]\nQUIT\n",
       "GOTO (room 2) | ROOM 3 | QUIT | ROOM 2 | QUIT"},
      {"GO OTHERWISE", "", "GO OTHERWISE\n", "GO-OTHERWISE"},
      {"GO TO (OTHERWISE)", "", "GO TO ( otherwise )\n", "GO-(OTHERWISE)"},
      {"nothing after GO", "", "GO\n", "E20@1"},
      {"GO TO alone", "", "GO TO\n", "E20@1"},
      {"blank in the name", "", "GO [ROOM a b]\n", "E20@1"},
      {"no closing bracket", "", "GO [ROOM a\n", "E20@1"},
      {"junk after", "", "GO [ROOM r] x\n", "E20@1"},
      {"room name of 51", "", "GO [ROOM " + chars(51) + "]\n", "E22@1"},
      {"OTHERWISE with junk", "", "GO OTHERWISE x\n", "E20@1"},
      {"bracket OTHERWISE unclosed", "", "GO (OTHERWISE\n", "E20@1"},
      {"plain word", "", "GO north\n", "E20@1"},
      {"undefined room", "", "GO [ROOM nowhere]\n", "E33@0"},
  });
  EXPECT_EQ(room("", "GO [ROOM " + chars(50) + "]\n[ROOM " + chars(50) + "]\nQUIT\n"),
            "GOTO (room 2) | ROOM 2 | QUIT");
}

TEST(StatementsGo, ContinueNamesAnotherPart) {
  auto part = [](const std::string& body) {
    return stmttest::errorsOf("[ZOX \"T\" PART 2 OF 3]\n[ROOM r]\n" + body);
  };
  EXPECT_EQ(part("CONTINUE [PART 3]\n"), "ok");
  EXPECT_EQ(part("CONTINUE WITH [PART1]\n"), "ok");
  EXPECT_EQ(part("CONTINUE [PART 2]\n"), "E81@3");
  EXPECT_EQ(part("CONTINUE [PART 4]\n"), "E81@3");
  EXPECT_EQ(part("CONTINUE [PART 0]\n"), "E81@3");
  EXPECT_EQ(part("CONTINUE\n"), "E20@3");
  EXPECT_EQ(part("CONTINUE [PART 3] x\n"), "E20@3");
  EXPECT_EQ(part("CONTINUE WITH\n"), "E20@3");
  // A later part's file does not pass the check of a first file, so look at its bytes.
  EXPECT_EQ(stmttest::codeHex("[ZOX \"T\" PART 2 OF 3]\n[ROOM r]\nCONTINUE WITH [PART 3]\n"),
            "a1 01 00 e3 03");
}

TEST(StatementsPatterns, NormalFormAndChecks) {
  using zox::stmt::checkPattern;
  using zox::stmt::normalisePattern;
  struct {
    const char* raw;
    const char* normal;
    int check;
  } cases[] = {
      {"take {lamp}|{lantern}", "take{lamp}|{lantern}", 0},
      {"  a  b  ", "a b", 0},
      {"a { b } c", "a{b}c", 0},
      {"{a} | {b}", "{a}|{b}", 0},
      {"{a}x |{b}", "{a}x |{b}", 93},
      {"a|{b}", "a|{b}", 0},  // a bar at the second character passes
      {"ab|{c}", "ab|{c}", 93},
      {"{a}|", "{a}|", 93},
      {"{{a}", "{{a}", 87},
      {"a}", "a}", 87},
      {"", "", 57},
      {"   ", "", 57},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(normalisePattern(c.raw), c.normal) << c.raw;
    EXPECT_EQ(checkPattern(normalisePattern(c.raw)), c.check) << c.raw;
  }
}

}  // namespace
