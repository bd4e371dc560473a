// The pattern matcher of command clauses: words, optional groups, alternatives, folding, and
// patterns that only a damaged file can hold.
#include "executor/patterns.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zoxtest {
namespace {

using zox::kPatternAllWords;
using zox::kPatternNoMatch;
using zox::kPatternWordsLeft;

std::vector<std::string> split(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The result, with the first unused word after a partial match: "2", "1@k" or "0".
std::string match(const std::string& pattern, const std::string& line, int first = 0) {
  zox::PatternMatcher m;
  const std::vector<std::string> words = split(line);
  int next = -1;
  const int r = m.match(pattern, words, first, &next);
  return r == kPatternWordsLeft ? "1@" + std::to_string(next) : std::to_string(r);
}

TEST(ExecutorPatterns, TheLanguageMatchesAndRefuses) {
  const struct {
    const char* pattern;
    const char* line;
    const char* result;
  } cases[] = {
      {"take{the}lamp", "take lamp", "2"},
      {"take{the}lamp", "TAKE THE LAMP", "2"},
      {"take{the}lamp", "take the", "0"},
      {"{take}|{get}{the}lamp", "get lamp", "2"},
      {"{take}|{get}{the}lamp", "take the lamp", "2"},
      {"{take}|{get}{the}lamp", "grab lamp", "0"},
      {"{please}take", "take", "2"},
      {"{please}take", "please take", "2"},
      {"open{the{red}}door", "open the red door", "2"},
      {"open{the{red}}door", "open the door", "2"},
      {"open{the{red}}door", "open door", "2"},
      {"open{the{red}}door", "open red door", "0"},
      {"look", "look", "2"},
      {"look", "look lamp", "1@1"},
      {"look{at}lamp", "look lamp", "2"},
      {"look at lamp", "look at lamp now", "1@3"},
      {"take lamp|{x}", "take lamp", "0"},  // a bar right after a word
      {"look", "lo", "0"},                  // whole words only
      {"look", "looking", "0"},
      {"take{the}{lamp}|{lantern}", "take the lantern", "2"},
      {"take{the}{lamp}|{lantern}", "take", "0"},
      {"{a}|{b}|{c}d", "c d", "2"},
      {"{a}|{b}|{c}d", "d", "0"},
      {"|{x}y", "y", "2"},  // a leading bar: no alternative was refused, the group is passed
      {"", "look", "1@0"},
      {"schl\xfcssel", "SCHL\xdcSSEL", "2"},  // ü matches Ü
      {"stra\xdf"
       "e",
       "STRA\xdf"
       "E",
       "2"},  // ß has no capital: equal bytes only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(match(c.pattern, c.line), c.result) << c.pattern << " / " << c.line;
  }
  // From a later word: the colon clause header of "look" matches what "look" left.
  EXPECT_EQ(match("{at}lamp", "look at lamp", 1), "2");
  EXPECT_EQ(match("lamp", "look at lamp", 1), "0");
}

TEST(ExecutorPatterns, DamagedPatternsNeverMatchAndEndQuickly) {
  const std::string deep(120, '{');
  const std::string closed = deep + "x" + std::string(120, '}');
  std::string manyGroups;
  for (int i = 0; i < 80; ++i) manyGroups += "{}";
  const struct {
    std::string pattern;
    std::string line;
    const char* result;
  } cases[] = {
      {"take{the", "take the", "0"},                        // a group never closed
      {"take}the{", "take the", "0"},                       // closed before it opened
      {"{a}|b", "b", "0"},                                  // a bar without a group
      {"{a}|", "a", "0"},                                   // a bar at the end
      {std::string(300, 'a'), std::string(300, 'a'), "0"},  // longer than a source line
      {deep, "x", "0"},
      {closed, "x", "2"},  // deep but whole: it still matches, without deep recursion costs
      {manyGroups + "z", "y", "0"},
      {manyGroups + "z", "z", "2"},
  };
  // Eighty empty groups in a row would take 2^80 look-aheads without remembering them.
  for (const auto& c : cases) EXPECT_EQ(match(c.pattern, c.line), c.result) << c.pattern;
  // A first word outside the list is refused, not read.
  zox::PatternMatcher m;
  std::vector<std::string> words{"a"};
  EXPECT_EQ(m.match("a", words, 2), kPatternNoMatch);
  EXPECT_EQ(m.match("", words, 1), kPatternAllWords);
}

}  // namespace
}  // namespace zoxtest
