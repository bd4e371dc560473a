// The pattern matcher of command clauses.
//
// A pattern is walked from left to right with the index of the next typed word. At a group
// ('{') the walk looks ahead: the rest of the whole pattern is matched from just inside the
// group. If that succeeds the group is taken, and since the walk would go on inside the group
// from exactly the state the look-ahead started in, the look-ahead's result is the walk's. If
// it fails the group is passed over; a bar after it then asks that one of the groups joined by
// bars be taken. Look-aheads are remembered per group and word, so that a pattern of many
// groups costs no more than its groups times its words times its length.
#include "executor/patterns.h"

#include <array>

#include "console/console.h"

namespace zox {
namespace {

bool isSpecial(char c) {
  return c == ' ' || c == '{' || c == '}' || c == '|';
}

int fold(char c) {
  return Console::upperKey(static_cast<unsigned char>(c));
}

}  // namespace

int PatternMatcher::match(std::string_view pattern, std::span<const std::string> words, int first,
                          int* next) {
  if (first < 0 || static_cast<size_t>(first) > words.size()) return kPatternNoMatch;
  words_ = words;
  if (!prepare(pattern, words.size())) return kPatternNoMatch;
  const int r = walk(0, first, true);
  if (r == 0) return kPatternNoMatch;
  const int k = r - 1;
  if (next != nullptr) *next = k;
  return static_cast<size_t>(k) == words.size() ? kPatternAllWords : kPatternWordsLeft;
}

// Finds the closing brace of every group and refuses what the compiler never writes: braces
// that do not balance, a bar without a group after it, an overlong pattern.
bool PatternMatcher::prepare(std::string_view pattern, size_t wordCount) {
  const size_t n = pattern.size();
  if (n > kMaxPatternLength) return false;
  pattern_ = pattern;
  // Only the entries of a '{' are ever read, and each of them is written below.
  close_.resize(n);
  ordinal_.resize(n);
  std::array<uint16_t, kMaxPatternLength> open;
  size_t depth = 0;
  groups_ = 0;
  for (size_t i = 0; i < n; ++i) {
    switch (pattern[i]) {
      case '{':
        ordinal_[i] = static_cast<uint16_t>(groups_++);
        open[depth++] = static_cast<uint16_t>(i);
        break;
      case '}':
        if (depth == 0) return false;
        close_[open[--depth]] = static_cast<uint16_t>(i);
        break;
      case '|':
        if (i + 1 >= n || pattern[i + 1] != '{') return false;
        break;
      default:
        break;
    }
  }
  if (depth != 0) return false;
  memo_.assign(groups_ * (wordCount + 1), -1);
  return true;
}

// The look-ahead of the group opened at brace, from word k: 0, or the word reached plus 1.
int PatternMatcher::group(size_t brace, int k) {
  int16_t& known = memo_[ordinal_[brace] * (words_.size() + 1) + static_cast<size_t>(k)];
  if (known < 0) known = static_cast<int16_t>(walk(brace + 1, k, true));
  return known;
}

// Walks the pattern from index i at word k. ok is false after a group that was passed over
// just before a bar: one of the alternatives must then be taken. 0 when the pattern fails,
// else the index of the first word not used plus 1.
int PatternMatcher::walk(size_t i, int k, bool ok) {
  const std::string_view p = pattern_;
  const size_t n = p.size();
  while (i < n) {
    switch (p[i]) {
      case '{': {
        const int r = group(i, k);
        if (r != 0) return r;
        const size_t end = close_[i];
        if (end + 1 < n && p[end + 1] == '|') ok = false;
        i = end + 1;
        break;
      }
      case '|': {
        size_t brace = i + 1;  // prepare made sure a group follows
        if (ok) {
          // An earlier alternative was taken: the others are passed over.
          i = close_[brace] + 1;
          break;
        }
        for (;;) {
          const int r = group(brace, k);
          if (r != 0) return r;
          const size_t after = close_[brace] + 1;
          if (after >= n || p[after] != '|') return 0;
          brace = after + 1;
        }
      }
      case '}':
      case ' ':
        ++i;
        break;
      default: {
        // A word: the typed word k must equal it whole.
        if (static_cast<size_t>(k) >= words_.size()) return 0;
        for (char c : words_[k]) {
          if (i >= n || isSpecial(p[i]) || fold(p[i]) != fold(c)) return 0;
          ++i;
        }
        if (i < n) {
          if (p[i] == ' ') {
            ++i;
          } else if (p[i] != '{' && p[i] != '}') {
            return 0;  // the pattern's word goes on, or a bar follows a word
          }
        }
        ++k;
        break;
      }
    }
  }
  return k + 1;
}

}  // namespace zox
