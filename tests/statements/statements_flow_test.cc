// Conditions and variables: IF in every form, ELSE and END, VAR, assignments and changes.
#include <gtest/gtest.h>

#include <string>

#include "compile_helper.h"
#include "compiler/stmt_common.h"

namespace {

using stmttest::room;
using stmttest::Show;

struct Case {
  const char* what;
  std::string body;
  std::string expect;
};

// Two flags (f TRUE, g FALSE), two number variables (n, m) and an INIT text (it).
const std::string kVars = "VAR f = TRUE\nVAR g = FALSE\nVAR n = 5\nVAR m = 7\nit = \"i\"\n";

void runCases(const std::vector<Case>& cases, Show show = Show::Listing,
              const std::string& init = kVars) {
  for (const Case& c : cases) {
    EXPECT_EQ(room(init, c.body, show), c.expect) << c.what << "\n" << c.body;
  }
}

TEST(StatementsIf, StoresEachCondition) {
  runCases({
      {"flag alone", "IF f THEN\nEND\n", "IF-FLAG 0 1 | END"},
      {"flag = FALSE without blanks", "IF g=false THEN\nEND\n",
       "IF-FLAG 1 0"
       " | END"},
      {"number =", "IF n = 5 THEN\nEND\n", "IF-NUMBER= 0 5 | END"},
      {"number > without blanks", "IF n>5 THEN\nEND\n", "IF-NUMBER> 0 5 | END"},
      {"number < negative", "IF n < -5 THEN\nEND\n", "IF-NUMBER< 0 -5 | END"},
      {"two numbers =", "IF n = m THEN\nEND\n", "IF-NUMBERS= 0 1 | END"},
      {"two numbers >", "IF m > n THEN\nEND\n", "IF-NUMBERS> 1 0 | END"},
      {"two numbers <", "IF n<m THEN\nEND\n", "IF-NUMBERS< 0 1 | END"},
      {"NOT flag", "IF NOT f THEN\nEND\n", "NOT | IF-FLAG 0 1 | END"},
      {"not, lower case", "if not n < 5 then\nend if\n", "NOT | IF-NUMBER< 0 5 | END"},
      {"choice number", "IF 3 THEN\nEND\n", "IF-CHOICE 3 | END"},
      {"ELSE", "IF f THEN\nCLS\nELSE\nQUIT\nEND\n", "IF-FLAG 0 1 | CLS | ELSE | QUIT | END"},
      {"nested blocks", "IF f THEN\nIF g THEN\nELSE\nEND\nELSE\nEND\n",
       "IF-FLAG 0 1 | IF-FLAG 1 1 | ELSE | END | ELSE | END"},
  });
}

TEST(StatementsIf, StoredBytes) {
  runCases(
      {
          {"IF 9", "IF 9 THEN\nEND\n", "a9 09 aa"},
          {"IF NOT 3", "IF NOT 3 THEN\nEND\n", "c8 a9 03 aa"},
          {"flag = TRUE", "IF f = TRUE THEN\nEND\n", "ac 00 01 aa"},
          {"number = -1", "IF n = -1 THEN\nEND\n", "ad 00 ff ff ff ff aa"},
          {"two numbers", "IF m = n THEN\nEND\n", "db 01 00 aa"},
      },
      Show::Bytes);
  EXPECT_EQ(room(kVars, "IF f THEN\nEND\n", Show::Bytes),
            room(kVars, "IF f = TRUE THEN\nEND\n", Show::Bytes));
}

TEST(StatementsIf, RefusesMalformedConditions) {
  // Each body ends with an END: a refused IF still counts as an open block.
  runCases({
      {"nothing after IF", "IF\nEND\n", "E20@1"},
      {"nothing after NOT", "IF NOT\nEND\n", "E20@1"},
      {"flag > TRUE", "IF f > TRUE THEN\nEND\n", "E20@1"},
      {"IF 10", "IF 10 THEN\nEND\n", "E83@1"},
      // Neither a choice number nor a name: refused as a choice number out of range.
      {"IF 0", "IF 0 THEN\nEND\n", "E83@1"},
      {"IF -0", "IF -0 THEN\nEND\n", "E83@1"},
      {"IF -1", "IF -1 THEN\nEND\n", "E83@1"},
      {"IF 3 without THEN", "IF 3\nEND\n", "E20@1"},
      {"IF 5x", "IF 5x THEN\nEND\n", "E20@1"},
      {"number and flag", "IF n = f THEN\nEND\n", "E54@1"},
      {"flag and number", "IF f = n THEN\nEND\n", "E54@1"},
      {"number without comparison", "IF n THEN\nEND\n", "E54@1"},
      {"flag compared with a number", "IF f = 5 THEN\nEND\n", "E54@1"},
      {"unknown name", "IF who THEN\nEND\n", "E54@1"},
      {"missing THEN", "IF n = 5\nEND\n", "E20@1"},
      {"junk instead of THEN", "IF n = 5 DO\nEND\n", "E20@1"},
      {"nothing after the comparison", "IF n =\nEND\n", "E20@1"},
      {"name only", "IF f\nEND\n", "E20@1"},
      {"after NOT the word runs on over <", "IF NOT n<5 THEN\nEND\n", "E54@1"},
      {"long first word", "IF abcdefghijklmnopqr THEN\nEND\n", "E22@1"},
      {"long second word", "IF n = abcdefghijklmnopqr THEN\nEND\n", "E22@1"},
  });
}

TEST(StatementsIf, ElseAndEnd) {
  runCases({
      {"two ELSE", "IF f THEN\nELSE\nELSE\nEND\n", "E82@3"},
      {"ELSE without IF", "ELSE\n", "E82@1"},
      {"END without IF", "END\n", "E82@1"},
      {"ELSE with junk", "IF f THEN\nELSE x\nEND\n", "E20@2"},
      {"END IF", "IF f THEN\nEND IF\n", "IF-FLAG 0 1 | END"},
      {"END with two words closes the block", "IF f THEN\nEND IF now\nQUIT\n", "E20@2"},
      {"IF left open at the end", "CLS\nIF f THEN\nCLS\n", "E82@2"},
      {"IF left open at the next room", "IF f THEN\n[ROOM s]\nQUIT\n", "E82@1"},
      {"IF left open at a clause", "IF f THEN\n(look)\nRESUME\n", "E82@1"},
  });
}

TEST(StatementsIf, OneLineIfsGetTheirEnds) {
  runCases({
      {"one-line", "IF f THEN PRINT \"x\"\n", "IF-FLAG 0 1 | PRINT \"x\" | END"},
      {"nested one-line", "IF f THEN IF NOT g THEN PRINT \"x\"\nQUIT\n",
       "IF-FLAG 0 1 | NOT | IF-FLAG 1 1 | PRINT \"x\" | END | END | QUIT"},
      {"choice number", "IF 3 THEN QUIT\n", "IF-CHOICE 3 | QUIT | END"},
      {"inside a block", "IF f THEN\nIF g THEN CLS\nELSE\nEND\n",
       "IF-FLAG 0 1 | IF-FLAG 1 1 | CLS | END | ELSE | END"},
      {"a slash ends the statement", "IF f THEN CLS / QUIT\n", "IF-FLAG 0 1 | CLS | END | QUIT"},
      {"pending new line before the IF", "PRINTDNL \"a\"\nIF f THEN CLS\nQUIT\n",
       "NL | PRINT \"a\" | NL | IF-FLAG 0 1 | CLS | END | QUIT"},
      {"block IF as the statement", "IF f THEN IF g THEN\nCLS\nEND\n",
       "IF-FLAG 0 1 | IF-FLAG 1 1 | END | CLS | END"},
  });
}

TEST(StatementsIf, OneLineIfRefusesBlockStatements) {
  runCases({
      {"ELSE", "IF f THEN ELSE\n", "E20@1"},
      {"END", "IF f THEN\nIF g THEN END\nEND\n", "E20@2"},
      {"choice block", "IF f THEN CHOOSE\n", "E20@1"},
      {"END CHOOSE", "CHOOSE\n* it\nIF f THEN END CHOOSE\nEND CHOOSE\n", "E20@3"},
      {"choice entry", "CHOOSE\n* it\nIF f THEN * it\nEND CHOOSE\n", "E20@3"},
      // A clause line would end the IF before its automatic END; the blocks around stay open.
      {"bracket clause", "INPUT\nIF f THEN (look)\nRESUME\n", "E20@2"},
      {"colon clause", "INPUT\n(x)\nRESUME\nIF f THEN IF g THEN x: CLS\nQUIT\n", "E20@4"},
      {"clause inside a block",
       "IF f THEN\nIF g THEN (look)\nEND\nCHOOSE\n* it\nIF f THEN (x)\nEND CHOOSE\n",
       "E20@2, E20@6"},
      {"continuation after the statement", "IF f THEN PRINT \"a\"\n\"b\"\n", "E52@2"},
      {"line numbers go on", "IF f THEN PRINT who\nPRINT who\n", "E54@1, E54@2"},
  });
}

TEST(StatementsIf, DepthStopsAt32000) {
  std::string source = stmttest::kHeader + "[INIT]\nVAR f = TRUE\n[ROOM r]\n";
  for (int i = 0; i < 32001; ++i) source += "IF f THEN\n";
  // Lines 5 to 32004 open 32000 blocks; the IF in line 32005 is refused.
  EXPECT_EQ(stmttest::errorsOf(source), "E37@32005, E82@32004");
}

TEST(StatementsVar, DeclaresFlagsAndNumbers) {
  auto init = [](const std::string& lines) {
    return stmttest::codeHex(stmttest::kHeader + "[INIT]\n" + lines);
  };
  EXPECT_EQ(init("VAR n = -1\n"), "a0 b2 00 ff ff ff ff");
  EXPECT_EQ(init("VAR f = TRUE\nVAR g=false\n"), "a0 b1 00 01 b1 01 00");
  EXPECT_EQ(init("VAR big = 99999999999\n"), "a0 b2 00 ff ff ff 7f");
  EXPECT_EQ(init("VAR small = -99999999999\n"), "a0 b2 00 00 00 00 80");
  EXPECT_EQ(init("VAR z = +0\nVAR y = -0\nVAR x = +12\n"),
            "a0 b2 00 00 00 00 00 b2 01 00 00 00 00 b2 02 0c 00 00 00");
  EXPECT_EQ(init("VAR x = 5\nVAR x = TRUE\n"), "a0 b2 00 05 00 00 00 b1 00 01");
  EXPECT_EQ(init("VAR x = 5\nVAR X = 6\n"), "E53@4");
  EXPECT_EQ(init("VAR f = TRUE\nVAR f = FALSE\n"), "E53@4");
  EXPECT_EQ(init("VAR\n"), "E20@3");
  EXPECT_EQ(init("VAR x\n"), "E56@3");
  EXPECT_EQ(init("VAR = 5\n"), "E56@3");
  EXPECT_EQ(init("VAR x = y\n"), "E20@3");
  EXPECT_EQ(init("VAR x =\n"), "E20@3");
  EXPECT_EQ(init("VAR x = 5 6\n"), "E20@3");
  EXPECT_EQ(init("VAR x = 5x\n"), "E20@3");
  EXPECT_EQ(init("VAR abcdefghijklmnopqr = 5\n"), "E22@3");
  EXPECT_EQ(init("VAR x = 123456789012345678\n"), "E22@3");
  std::string full;
  for (int i = 0; i < 257; ++i) full += "VAR v" + std::to_string(i) + " = 1\n";
  EXPECT_EQ(init(full), "E55@259");
}

TEST(StatementsNumbers, SyntaxAndClamping) {
  using zox::stmt::parseNumber;
  struct {
    const char* word;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0},
      {"+0", 0},
      {"-0", 0},
      {"007", 7},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999", INT32_MAX},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"1a", std::nullopt},
      {"1 ", std::nullopt},
      {"--1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseNumber(c.word), c.value) << c.word;
}

TEST(StatementsAssign, StoresEachForm) {
  runCases({
      {"flag", "f = TRUE\ng = false\n", "SET-FLAG 0 1 | SET-FLAG 1 0"},
      {"number", "n = -7\n", "SET-NUMBER 0 -7"},
      {"random", "n = RANDOM( 6 )\n", "RANDOM 0 6"},
      {"random without blanks", "m=random(1)\n", "RANDOM 1 1"},
      {"INIT text set in a room", "it = \"x\"\n", "SET-INITTEXT 0 \"x\""},
      {"room text", "rt = \"x\"\n", "SET-ROOMTEXT 0 \"x\""},
      {"empty text", "rt = \"\"\n", "SET-ROOMTEXT 0 \"\""},
      {"add", "n += 5\n", "ADD-NUMBER 0 5"},
      {"subtract negative", "n -= -3\n", "SUB-NUMBER 0 -3"},
      {"add without blanks", "m+=1\n", "ADD-NUMBER 1 1"},
  });
  runCases({{"RANDOM(32767)", "n = RANDOM(32767)\n", "d6 00 ff 7f"},
            {"text variable in room stores 0xA2", "rt = \"\"\n", "a2 00"},
            {"INIT text in room stores 0xAF", "it = \"\"\n", "af 00"}},
           Show::Bytes);
}

TEST(StatementsAssign, RefusesMalformedAssignments) {
  runCases({
      {"RANDOM(0)", "n = RANDOM(0)\n", "E92@1"},
      {"RANDOM(32768)", "n = RANDOM(32768)\n", "E92@1"},
      {"RANDOM(-1)", "n = RANDOM(-1)\n", "E92@1"},
      {"RANDOM without brackets", "n = RANDOM 6\n", "E20@1"},
      {"RANDOM unclosed", "n = RANDOM(6\n", "E20@1"},
      {"RANDOM of a word", "n = RANDOM(x)\n", "E20@1"},
      {"RANDOM with junk", "n = RANDOM(6) x\n", "E20@1"},
      {"RANDOM into a flag", "f = RANDOM(6)\n", "E54@1"},
      {"text into a number", "n = \"x\"\n", "E56@1"},
      {"text into a flag", "f = \"x\"\n", "E56@1"},
      {"TRUE into a number", "n = TRUE\n", "E54@1"},
      {"number into a flag", "f = 1\n", "E54@1"},
      {"number into an unknown name", "who = 5\n", "E54@1"},
      {"nothing after =", "n =\n", "E20@1"},
      {"junk after the number", "n = 5 x\n", "E20@1"},
      {"junk after TRUE", "f = TRUE x\n", "E20@1"},
      {"a word", "n = abc\n", "E20@1"},
      {"text with junk", "rt = \"x\" y\n", "E20@1"},
      {"text with a bad character", "rt = \"\xE9\"\n", "E51@1"},
      {"change by a word", "n += x\n", "E20@1"},
      {"change by nothing", "n -=\n", "E20@1"},
      {"change with junk", "n += 1 2\n", "E20@1"},
      {"change of a flag", "f += 1\n", "E54@1"},
      {"change of an unknown name", "who -= 1\n", "E54@1"},
  });
}

TEST(StatementsAssign, InitTakesOnlyTexts) {
  auto init = [](const std::string& lines) {
    return stmttest::codeHex(stmttest::kHeader + "[INIT]\nVAR n = 1\nVAR f = TRUE\n" + lines);
  };
  EXPECT_EQ(init("n = 5\n"), "E86@5");
  EXPECT_EQ(init("f = TRUE\n"), "E86@5");
  EXPECT_EQ(init("n = RANDOM(3)\n"), "E86@5");
  EXPECT_EQ(init("n = \"x\"\n"), "E56@5");
  EXPECT_EQ(init("t = \"\"\nu = \"\"\nt = \"\"\n"),
            "a0 b2 00 01 00 00 00 b1 00 01 af 00 af 01 af 00");
  // Before any section an assignment is refused as a syntax error.
  EXPECT_EQ(stmttest::errorsOf(stmttest::kHeader + "t = \"x\"\n"), "E20@2");
}

}  // namespace
