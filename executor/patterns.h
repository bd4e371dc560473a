// Matching typed command words against the pattern of a clause header: words, optional groups
// in braces and alternatives joined by bars, compared after the console's upper-case folding.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zox {

// Results of PatternMatcher::match.
inline constexpr int kPatternNoMatch = 0;
inline constexpr int kPatternWordsLeft = 1;  // matched from the first word, words are left over
inline constexpr int kPatternAllWords = 2;   // matched every word from the first one on

class PatternMatcher {
 public:
  // The compiler keeps a pattern within one source line; anything longer comes from a damaged
  // file and matches nothing.
  static constexpr size_t kMaxPatternLength = 256;

  // Matches the pattern against words[first..]. On kPatternWordsLeft, *next is the first word
  // that the pattern did not use. A pattern the compiler cannot produce (braces that do not
  // balance, a bar not followed by a group, longer than kMaxPatternLength) never matches.
  // Work and stack depth are bounded by the pattern's length and the word count.
  int match(std::string_view pattern, std::span<const std::string> words, int first,
            int* next = nullptr);

 private:
  bool prepare(std::string_view pattern, size_t wordCount);
  int walk(size_t i, int k, bool ok);
  int group(size_t brace, int k);

  std::string_view pattern_;
  std::span<const std::string> words_;
  std::vector<uint16_t> close_;    // for a '{': the index of its '}'
  std::vector<uint16_t> ordinal_;  // for a '{': which group it opens, counted from 0
  std::vector<int16_t> memo_;      // per (group, word): -1 unknown, 0 no match, else k' + 1
  size_t groups_ = 0;
};

}  // namespace zox
