// The lexer: first-word classification with its numbers and consumed lengths, and the "/"
// split of prepared lines.
#include "compiler/lexer.h"

#include <gtest/gtest.h>

#include <string>

namespace zox {
namespace {

struct ClassifyCase {
  const char* text;
  int code;
  unsigned number;
  int consumed;  // -1: not checked
};

void expectClassify(const ClassifyCase& k) {
  unsigned number = 12345;
  int consumed = -7;
  int code = classify(k.text, &number, &consumed);
  EXPECT_EQ(code, k.code) << "'" << k.text << "'";
  EXPECT_EQ(number, k.number) << "'" << k.text << "'";
  if (k.consumed >= 0) {
    EXPECT_EQ(consumed, k.consumed) << "'" << k.text << "'";
  }
}

TEST(CompilerLexer, KeywordsMatchWholeWordsWithoutRegardToCase) {
  const ClassifyCase cases[] = {
      {"REM / not split", kTokRem, 0, 3},
      {"print \"x\"", kTokPrint, 0, 5},
      {"PrInTnL", kTokPrintNl, 0, 7},
      {"PRINTX", kTokUnknown, 0, 6},       // a keyword never matches a longer word
      {"TITLE = \"x\"", kTokTitle, 0, 5},  // keywords come before the assignment shape
      {"TITLE: x", kTokTitle, 0, 5},
      {"end choose", kTokEnd, 0, 3},
      {"textbackground=BLUE", kTokTextBackground, 0, 14},
      {"lightmagenta", kTokBlack + 13, 0, 12},
      {"default", kTokDefault, 0, 7},
      {"* name", kTokChoiceEntry, 0, 1},
      {"*name", kTokUnknown, 0, 5},
      {"[zox \"t\"]", kTokAnsiText, 0, 4},
      {"[VORNIK", kTokAnsiText, 0, 7},
      {"statusbackground", kTokStatusBackground, 0, 16},
      {"load res", kTokLoad, 0, 4},
      {"part 3", kTokPartWord, 0, 4},
      {"THEN", kTokThen, 0, 4},
      {"with", kTokWith, 0, 4},
  };
  for (const auto& k : cases) expectClassify(k);
}

TEST(CompilerLexer, UpperCasingCoversAsciiAndTheThreeUmlautsOnly) {
  const struct {
    unsigned char in, out;
  } cases[] = {{'a', 'A'},   {'z', 'Z'},   {'A', 'A'},   {'1', '1'},   {0xE4, 0xC4},
               {0xF6, 0xD6}, {0xFC, 0xDC}, {0xDF, 0xDF}, {0xE9, 0xE9}, {0xC4, 0xC4}};
  for (const auto& k : cases) {
    EXPECT_EQ(static_cast<unsigned char>(upperChar(static_cast<char>(k.in))), k.out) << int(k.in);
  }
  // Umlauts compare equal in either case: "gr\xFCn" and "GR\xDCN" are the same word.
  EXPECT_EQ(classify("gr\xfcn = 1", nullptr, nullptr), kTokAssignment);
}

TEST(CompilerLexer, SeventeenCharactersAreAWordEighteenAreTooLong) {
  const ClassifyCase cases[] = {
      {"ABCDEFGHIJKLMNOPQ = 1", kTokAssignment, 0, 17},
      {"ABCDEFGHIJKLMNOPQR = 1", kTokTooLong, 0, 18},
      {"ABCDEFGHIJKLMNOPQR x: y", kTokColonClause, 0, 18},  // a ':' later still makes a clause
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", kTokTooLong, 0, 18},
      {"ABCDEFGHIJKLMNOPQ", kTokUnknown, 0, 17},
  };
  for (const auto& k : cases) expectClassify(k);
}

TEST(CompilerLexer, SectionHeadersNeedTheirBracketRightAfterTheWord) {
  const ClassifyCase cases[] = {
      {"[INIT]", kTokInit, 0, 6},        {"[init]  ", kTokInit, 0, 6},
      {"[INIT ]", kTokUnknown, 0, -1},   {"[INVENTORY]", kTokInventorySection, 0, 11},
      {"[STATUS]", kTokStatus, 0, 8},    {"[STATUS", kTokUnknown, 0, -1},
      {"[ROOM12]", kTokRoom, 12, 5},     {"[ROOM 12]", kTokRoom, 0, 6},
      {"[ROOM   hall]", kTokRoom, 0, 8}, {"[ROOM]", kTokRoom, 0, 5},
      {"[room\thall]", kTokRoom, 0, 6},  {"[ROOMS]", kTokUnknown, 0, -1},
      {"[ROOM1A]", kTokUnknown, 0, -1},
  };
  for (const auto& k : cases) expectClassify(k);
}

TEST(CompilerLexer, ImsgAndPartWordsCarryTheirNumbers) {
  const ClassifyCase cases[] = {
      {"IMSG7 = \"x\"", kTokImsg, 7, 5},
      {"imsg19=\"x\"", kTokImsg, 19, 6},
      {"IMSG 7 = \"x\"", kTokImsg, 0, 4},
      {"IMSG70000", kTokImsg, 0, 9},  // above 65535 the number is 0
      {"IMSGX", kTokImsg, 0, 5},
      {"[PART 3]", kTokPart, 3, 8},
      {"[PART3]", kTokPart, 3, 7},
      {"[part   11] x", kTokPart, 11, 11},
      {"[PART]", kTokPart, 0, 6},
      {"[PART 99999]", kTokPart, 0, 12},
      {"[PARTX3]", kTokUnknown, 3, -1},
      {"[PART 3", kTokUnknown, 3, -1},
      // The extended word may have 17 characters; one more is a word that is too long.
      {"[PART 00000000003]", kTokPart, 3, 18},
      {"[PART 000000000003]", kTokTooLong, 0, -1},
  };
  for (const auto& k : cases) expectClassify(k);
}

TEST(CompilerLexer, FallbacksLookAtTheTextAfterTheWord) {
  const ClassifyCase cases[] = {
      {"\"more text\"", kTokContinuation, 0, 1},
      {"score += 5", kTokChange, 0, 5},
      {"score-=5", kTokChange, 0, 5},
      {"score\t= 5", kTokAssignment, 0, 5},
      {"name=\"x\"", kTokAssignment, 0, 4},
      {"(look)", kTokBracketClause, 0, 1},
      {"(OTHERWISE)", kTokBracketClause, 0, 1},
      {"take lamp: PRINT \"ok\"", kTokColonClause, 0, 4},
      {"OTHERWISE:", kTokColonClause, 0, 9},
      {"otherwise", kTokOtherwise, 0, 9},
      {"xyzzy", kTokUnknown, 0, 5},
      {"room12", kTokUnknown, 12, 6},
      {"a-b", kTokUnknown, 0, 3},
  };
  for (const auto& k : cases) expectClassify(k);
}

// The statement compilers take words inside a statement by the same rule, without the cap.
TEST(CompilerLexer, WordsStopWhereTheFirstWordStops) {
  const struct {
    const char* text;
    size_t length;
  } cases[] = {
      {"abc def", 3}, {"abc,d", 3},  {"abc=d", 3},  {"abc]", 3},   {"abc:d", 3},
      {"abc\"d", 3},  {"abc(d", 3},  {"abc)d", 3},  {"abc/d", 3},  {"abc<d", 3},
      {"abc>d", 3},   {"abc\td", 3}, {"abc\rd", 3}, {"abc\nd", 3}, {"abc+=1", 3},
      {"abc-=1", 3},  {"a+b-c", 5},  {"[ROOM", 5},  {"ab[c", 2},   {"\xe4\xdf.*!", 5},
  };
  for (const auto& k : cases) EXPECT_EQ(wordLength(k.text), k.length) << "'" << k.text << "'";
  EXPECT_EQ(wordLength("abcdefghijklmnopqrstuvwxyz"), 26u);  // no cap of its own
  EXPECT_EQ(wordLength("abcdefghij", 4), 4u);
  EXPECT_TRUE(equalsKeyword("otherWise", "OTHERWISE"));
  EXPECT_FALSE(equalsKeyword("OTHERWISEX", "OTHERWISE"));
}

TEST(CompilerLexer, TheTextEndsAtANewlineAndIsNotChanged) {
  char text[] = "xyzzy\nfoo: bar";
  EXPECT_EQ(classify(text, nullptr, nullptr), kTokUnknown);  // the ':' is on the next line
  EXPECT_EQ(std::string(text), "xyzzy\nfoo: bar");
}

struct PrepareCase {
  const char* in;
  const char* out;
  int result;
  size_t resumeAt;
};

TEST(CompilerLexer, PrepareSplitsAtASlashOutsideQuotesOnly) {
  const PrepareCase cases[] = {
      {"CLS / NL\n", "CLS \n", kLineSplit, 5},
      {"PRINT \"a/b\"\n", "PRINT \"a/b\"\n", kLineComplete, 0},
      {"PRINT \"a/b\" / NL", "PRINT \"a/b\" \n", kLineSplit, 13},
      {"PRINT \"a\tb\"\tx\r\n", "PRINT \"a\tb\" x \n", kLineComplete, 0},
      {"/", "\n", kLineSplit, 1},
      {"PRINT \"open / quote\n", "PRINT \"open / quote\n", kLineComplete, 0},
      {"A/B/C", "A\n", kLineSplit, 2},
      {"", "", kLineComplete, 0},
  };
  for (const auto& k : cases) {
    char buffer[300] = {};
    std::snprintf(buffer, sizeof buffer, "%s", k.in);
    size_t resume = 0;
    EXPECT_EQ(prepareLine(buffer, &resume), k.result) << k.in;
    EXPECT_STREQ(buffer, k.out) << k.in;
    if (k.result == kLineSplit) {
      EXPECT_EQ(resume, k.resumeAt) << k.in;
    }
  }
}

}  // namespace
}  // namespace zox
