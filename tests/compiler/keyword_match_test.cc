// The keyword match of classify (a perfect hash of the upper-cased word, and the prefix
// keywords) against the rule it must follow: the keywords tried one by one in table order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compiler/lexer.h"

namespace zox {
namespace {

// Every word of the keyword table, in table order.
const std::vector<std::string> kKeywordWords = {"REM",
                                                "[INIT",
                                                "[ROOM",
                                                "TEXTCOLOR",
                                                "TEXTBACKGROUND",
                                                "ANSITEXT",
                                                "PRINT",
                                                "WAIT",
                                                "CHOOSE",
                                                "IF",
                                                "ELSE",
                                                "END",
                                                "GO",
                                                "QUIT",
                                                "TITLE",
                                                "VAR",
                                                "CTEXT",
                                                "START",
                                                "THEN",
                                                "TRUE",
                                                "FALSE",
                                                "CLS",
                                                "INPUT",
                                                "ITEXT",
                                                "INTEXT",
                                                "[INVENTORY",
                                                "RESUME",
                                                "NL",
                                                "PRINTNL",
                                                "PRINTDNL",
                                                "PRINTINP",
                                                "RINFO",
                                                "PASSWORD",
                                                "ITEM",
                                                "INVENTORY",
                                                "ITEMLIST",
                                                "BLACK",
                                                "BLUE",
                                                "GREEN",
                                                "CYAN",
                                                "RED",
                                                "MAGENTA",
                                                "BROWN",
                                                "LIGHTGRAY",
                                                "DARKGRAY",
                                                "LIGHTBLUE",
                                                "LIGHTGREEN",
                                                "LIGHTCYAN",
                                                "LIGHTRED",
                                                "LIGHTMAGENTA",
                                                "YELLOW",
                                                "WHITE",
                                                "SCREENCOLOR",
                                                "SCREENBACKGROUND",
                                                "INPUTCOLOR",
                                                "INPUTBACKGROUND",
                                                "TITLECOLOR",
                                                "TITLEBACKGROUND",
                                                "RANDOM",
                                                "RESTART",
                                                "IMSG",
                                                "RESOURCE",
                                                "[VORNIK",
                                                "[ZOX",
                                                "[PART",
                                                "OF",
                                                "TO",
                                                "CONTINUE",
                                                "WITH",
                                                "PART",
                                                "STATUSLINES",
                                                "STATUSCOLOR",
                                                "STATUSBACKGROUND",
                                                "[STATUS",
                                                "*",
                                                "LOAD",
                                                "DEFAULT"};

std::string upper(std::string word) {
  for (char& ch : word) ch = upperChar(ch);
  return word;
}

// What classify must give for `word` followed by `after` ("]" or a blank): the table's first
// keyword that takes it, or the fallbacks of a word that is none ("OTHERWISE" alone is 37).
int expectedCode(const std::string& word, char after) {
  int code = keywordByScan(upper(word), after);
  if (code == kTokUnknown && upper(word) == "OTHERWISE") code = kTokOtherwise;
  return code;
}

void expectSameAsTheTable(const std::string& word) {
  for (char after : {' ', ']'}) {
    // Words the lexer would stop early, or extend ([PART with blanks and digits), or that are
    // too long, are not matched as a whole.
    if (wordLength(word.c_str()) != word.size() || word.size() > kMaxWordChars) return;
    if (upper(word).rfind("[PART", 0) == 0) return;
    const std::string text = word + after;
    EXPECT_EQ(classify(text.c_str(), nullptr, nullptr), expectedCode(word, after))
        << "'" << text << "'";
  }
}

TEST(CompilerKeywordMatch, EveryKeywordAndItsNearMissesMatchAsTheTableSays) {
  for (const std::string& k : kKeywordWords) {
    std::vector<std::string> words = {k, k + "X", k + "7", k + "12", "X" + k, k.substr(1)};
    std::string lower = k;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    words.push_back(lower);
    if (k.size() > 1) words.push_back(k.substr(0, k.size() - 1));
    for (size_t i = 0; i < k.size(); ++i) {
      std::string changed = k;
      changed[i] = changed[i] == 'A' ? 'B' : 'A';
      words.push_back(changed);
    }
    for (const std::string& w : words) expectSameAsTheTable(w);
  }
}

TEST(CompilerKeywordMatch, RandomWordsOfKeywordLettersMatchAsTheTableSays) {
  const std::string letters = "ABCDEFGHIKLMNOPRSTUVWXYZ[*0123456789abcdeimnoprst\xE4\xC4";
  std::mt19937 rng(20240613);
  for (int n = 0; n < 200000; ++n) {
    std::string word;
    const size_t length = 1 + rng() % 17;
    // Most words begin like a keyword, so that the near ones are many.
    if (rng() % 2 == 0) word = kKeywordWords[rng() % kKeywordWords.size()].substr(0, length);
    while (word.size() < length) word += letters[rng() % letters.size()];
    expectSameAsTheTable(word);
  }
}

// keywordAt, which the statement compilers use to expect one keyword, against the word the
// lexer delimits and the whole-word rule, for every token code.
TEST(CompilerKeywordMatch, AnExpectedKeywordIsTheWholeWordTheLexerDelimits) {
  std::vector<std::string> texts;
  for (const std::string& k : kKeywordWords) {
    std::string lower = k;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const std::string& w : {k, lower, k + "X", k.substr(0, k.size() - 1), "X" + k}) {
      for (const char* after : {"", " x", "]", "=1", "+=1", "+x", "[", ":", "\n", "\"", "/"}) {
        texts.push_back(w + after);
      }
    }
  }
  for (const std::string& text : texts) {
    const std::string_view word(text.c_str(), wordLength(text.c_str()));
    for (int code = 0; code <= kTokDefault; ++code) {
      const size_t expected = isWholeKeyword(word, code) ? word.size() : 0;
      EXPECT_EQ(keywordAt(text.c_str(), code), expected) << "'" << text << "' code " << code;
    }
  }
}

TEST(CompilerKeywordMatch, TheRoomWordIsFoundWithoutClassifying) {
  const char* const texts[] = {
      "[ROOM hall]", "[ROOM]", "[room12] x",        "[ROOM\tx]",          "[ROOMS]", "[ROOM1A]",
      "[ROO",        "ROOM",   "[ROOM12345678901]", "[ROOM123456789012]", "[ROOMä]", ""};
  for (const char* text : texts) {
    int consumed = -1;
    int classified = -1;
    const bool room = isRoomWord(text, &consumed);
    EXPECT_EQ(room, classify(text, nullptr, &classified) == kTokRoom) << text;
    if (room) {
      EXPECT_EQ(consumed, classified) << text;
    }
  }
}

}  // namespace
}  // namespace zox
