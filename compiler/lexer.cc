// The keyword table and the two lexer operations: classify a word, prepare a line.
#include "compiler/lexer.h"

#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

namespace zox {

namespace {

// How a keyword is matched beyond comparing the whole word.
enum class Match {
  Exact,       // the whole word equals the keyword
  Bracketed,   // exact, and the source character after the word is "]"
  RoomPrefix,  // "[ROOM" followed by nothing but digits
  ImsgPrefix,  // any word beginning with "IMSG"
  PartPrefix,  // "[PART..." with "]" after it and "T" or a blank before its trailing digits
};

struct Keyword {
  std::string_view word;
  int code;
  Match match = Match::Exact;
};

// Match order is table order: the first hit wins.
constexpr Keyword kKeywords[] = {
    {"REM", kTokRem},
    {"[INIT", kTokInit, Match::Bracketed},
    {"[ROOM", kTokRoom, Match::RoomPrefix},
    {"TEXTCOLOR", kTokTextColor},
    {"TEXTBACKGROUND", kTokTextBackground},
    {"ANSITEXT", kTokAnsiText},
    {"PRINT", kTokPrint},
    {"WAIT", kTokWait},
    {"CHOOSE", kTokChoose},
    {"IF", kTokIf},
    {"ELSE", kTokElse},
    {"END", kTokEnd},
    {"GO", kTokGo},
    {"QUIT", kTokQuit},
    {"TITLE", kTokTitle},
    {"VAR", kTokVar},
    {"CTEXT", kTokCText},
    {"START", kTokStart},
    {"THEN", kTokThen},
    {"TRUE", kTokTrue},
    {"FALSE", kTokFalse},
    {"CLS", kTokCls},
    {"INPUT", kTokInput},
    {"ITEXT", kTokIText},
    {"INTEXT", kTokInText},
    {"[INVENTORY", kTokInventorySection, Match::Bracketed},
    {"RESUME", kTokResume},
    {"NL", kTokNl},
    {"PRINTNL", kTokPrintNl},
    {"PRINTDNL", kTokPrintDnl},
    {"PRINTINP", kTokPrintInp},
    {"RINFO", kTokRInfo},
    {"PASSWORD", kTokPassword},
    {"ITEM", kTokItem},
    {"INVENTORY", kTokInventory},
    {"ITEMLIST", kTokItemList},
    {"BLACK", kTokBlack + 0},
    {"BLUE", kTokBlack + 1},
    {"GREEN", kTokBlack + 2},
    {"CYAN", kTokBlack + 3},
    {"RED", kTokBlack + 4},
    {"MAGENTA", kTokBlack + 5},
    {"BROWN", kTokBlack + 6},
    {"LIGHTGRAY", kTokBlack + 7},
    {"DARKGRAY", kTokBlack + 8},
    {"LIGHTBLUE", kTokBlack + 9},
    {"LIGHTGREEN", kTokBlack + 10},
    {"LIGHTCYAN", kTokBlack + 11},
    {"LIGHTRED", kTokBlack + 12},
    {"LIGHTMAGENTA", kTokBlack + 13},
    {"YELLOW", kTokBlack + 14},
    {"WHITE", kTokBlack + 15},
    {"SCREENCOLOR", kTokScreenColor},
    {"SCREENBACKGROUND", kTokScreenBackground},
    {"INPUTCOLOR", kTokInputColor},
    {"INPUTBACKGROUND", kTokInputBackground},
    {"TITLECOLOR", kTokTitleColor},
    {"TITLEBACKGROUND", kTokTitleBackground},
    {"RANDOM", kTokRandom},
    {"RESTART", kTokRestart},
    {"IMSG", kTokImsg, Match::ImsgPrefix},
    {"RESOURCE", kTokResource},
    {"[VORNIK", kTokAnsiText},
    {"[ZOX", kTokAnsiText},
    {"[PART", kTokPart, Match::PartPrefix},
    {"OF", kTokOf},
    {"TO", kTokTo},
    {"CONTINUE", kTokContinue},
    {"WITH", kTokWith},
    {"PART", kTokPartWord},
    {"STATUSLINES", kTokStatusLines},
    {"STATUSCOLOR", kTokStatusColor},
    {"STATUSBACKGROUND", kTokStatusBackground},
    {"[STATUS", kTokStatus, Match::Bracketed},
    {"*", kTokChoiceEntry},
    {"LOAD", kTokLoad},
    {"DEFAULT", kTokDefault},
};
static_assert(kTokWhite == kTokBlack + 15);

bool atEnd(char ch) {
  return ch == '\0' || ch == '\n';
}
bool isDigit(char ch) {
  return ch >= '0' && ch <= '9';
}
// Where the lexer skips blanks it also skips tabs: the dispatcher turns them into blanks when
// it prepares the line, right after classifying it.
bool isBlank(char ch) {
  return ch == ' ' || ch == '\t';
}

// What a character does to the word it is met in; looked up for every character of every word.
enum Stop : uint8_t {
  kInWord = 0,
  kStops,         // always ends the word
  kBeforeEquals,  // "+" and "-": end the word when "=" follows
  kNotFirst,      // "[": ends the word unless it is its first character
};

constexpr std::array<uint8_t, 256> kStopOf = [] {
  std::array<uint8_t, 256> stops{};
  for (unsigned char ch : std::string_view("\0\n ,=]:\"()/<>\t\r", 15)) stops[ch] = kStops;
  stops['+'] = stops['-'] = kBeforeEquals;
  stops['['] = kNotFirst;
  return stops;
}();

bool colonLater(const char* p) {
  for (; !atEnd(*p); ++p) {
    if (*p == ':') return true;
  }
  return false;
}

// The digits at the end of the word as a number; above 65535 (or none) it is 0.
unsigned trailingNumber(std::string_view word, size_t* digitsStart) {
  size_t i = word.size();
  while (i > 0 && isDigit(word[i - 1])) --i;
  *digitsStart = i;
  unsigned long value = 0;
  for (size_t k = i; k < word.size(); ++k) {
    value = value * 10 + static_cast<unsigned>(word[k] - '0');
    if (value > 65535) return 0;
  }
  return static_cast<unsigned>(value);
}

// Keywords are a few characters long: compared here rather than through a library call.
constexpr bool sameChars(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}
constexpr bool sameWord(std::string_view word, std::string_view keyword) {
  return word.size() == keyword.size() && sameChars(word.data(), keyword.data(), word.size());
}
constexpr bool startsWith(std::string_view word, std::string_view prefix) {
  return word.size() >= prefix.size() && sameChars(word.data(), prefix.data(), prefix.size());
}

// The keywords by their first character, each list in table order: a word can only match a
// keyword that begins with its own first character, so scanning that list gives the same first
// hit as scanning the whole table.
struct KeywordIndex {
  std::array<std::array<uint8_t, 16>, 256> entries{};
  std::array<uint8_t, 256> counts{};
  constexpr KeywordIndex() {
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
      uint8_t first = static_cast<uint8_t>(kKeywords[i].word[0]);
      entries[first][counts[first]++] = static_cast<uint8_t>(i);
    }
  }
};
constexpr KeywordIndex kIndex;

constexpr int matchKeyword(std::string_view word, size_t digitsStart, char after) {
  if (word.empty()) return kTokUnknown;
  const uint8_t first = static_cast<uint8_t>(word[0]);
  for (int n = 0; n < kIndex.counts[first]; ++n) {
    const Keyword& k = kKeywords[kIndex.entries[first][n]];
    switch (k.match) {
      case Match::Exact:
        if (sameWord(word, k.word)) return k.code;
        break;
      case Match::Bracketed:
        if (sameWord(word, k.word) && after == ']') return k.code;
        break;
      case Match::RoomPrefix:
        if (startsWith(word, k.word) && digitsStart == k.word.size()) return k.code;
        break;
      case Match::ImsgPrefix:
        if (startsWith(word, k.word)) return k.code;
        break;
      case Match::PartPrefix:
        if (startsWith(word, k.word) && after == ']' && digitsStart > 0 &&
            (word[digitsStart - 1] == 'T' || word[digitsStart - 1] == ' ')) {
          return k.code;
        }
        break;
    }
  }
  return kTokUnknown;
}

// The keywords matched by their whole word, by token code (ANSITEXT has three spellings), for
// the statement compilers' test of one expected keyword.
struct WholeWordIndex {
  std::array<std::array<uint8_t, 3>, kTokDefault + 1> entries{};
  std::array<uint8_t, kTokDefault + 1> counts{};
  constexpr WholeWordIndex() {
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
      if (kKeywords[i].match != Match::Exact) continue;
      const auto code = static_cast<size_t>(kKeywords[i].code);
      entries[code][counts[code]++] = static_cast<uint8_t>(i);
    }
  }
};
constexpr WholeWordIndex kWholeWords;

// That test gives what classify gives only if no keyword earlier in the table takes the word
// of a whole-word keyword first.
constexpr bool wholeWordsMatchThemselves() {
  for (const Keyword& k : kKeywords) {
    if (k.match == Match::Exact && matchKeyword(k.word, k.word.size(), ' ') != k.code) return false;
  }
  return true;
}
static_assert(wholeWordsMatchThemselves());

}  // namespace

size_t wordLength(const char* text, size_t limit) {
  size_t n = 0;
  for (; n < limit; ++n) {
    const uint8_t stop = kStopOf[static_cast<unsigned char>(text[n])];
    if (stop == kInWord) continue;
    if (stop == kStops) break;
    if (stop == kBeforeEquals ? text[n + 1] == '=' : n > 0) break;
  }
  return n;
}

bool equalsKeyword(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (upperChar(word[i]) != keyword[i]) return false;
  }
  return true;
}

bool isWholeKeyword(std::string_view word, int code) {
  if (code < 0 || code > kTokDefault) return false;
  const auto at = static_cast<size_t>(code);
  for (int n = 0; n < kWholeWords.counts[at]; ++n) {
    if (equalsKeyword(word, kKeywords[kWholeWords.entries[at][n]].word)) return true;
  }
  return false;
}

int classify(const char* text, unsigned* number, int* consumed) {
  unsigned numberOut = 0;
  int consumedOut = 0;
  int code = kTokUnknown;

  // The word buffer holds the longest word that is matched, the extended [PART word, and the
  // one character more that tells a word is too long.
  constexpr int kBufferChars =
      (kMaxPartWordChars > kMaxWordChars ? kMaxPartWordChars : kMaxWordChars) + 1;
  char buffer[kBufferChars];
  int length = static_cast<int>(wordLength(text, kMaxWordChars + 1));
  for (int i = 0; i < length; ++i) buffer[i] = upperChar(text[i]);
  size_t end = static_cast<size_t>(length);  // source index just after the word
  bool tooLong = length > kMaxWordChars;

  if (!tooLong && std::string_view(buffer, length) == "[PART") {
    // "[PART 3" and "[PART3" both end in the part number: the blanks (each kept as a blank),
    // then the digits are appended.
    auto append = [&](bool (*belongs)(char)) {
      for (; !tooLong && belongs(text[end]); ++end) {
        if (length >= kMaxPartWordChars)
          tooLong = true;
        else
          buffer[length++] = isBlank(text[end]) ? ' ' : text[end];
      }
    };
    append(isBlank);
    append(isDigit);
  }

  std::string_view word(buffer, length);
  size_t digitsStart = 0;
  numberOut = trailingNumber(word, &digitsStart);
  consumedOut = static_cast<int>(end);

  if (tooLong) {
    // Never matched; a ':' further on still makes the line a colon clause header.
    code = colonLater(text + end) ? kTokColonClause : kTokTooLong;
  } else {
    code = matchKeyword(word, digitsStart, text[end]);
    switch (code) {
      case kTokInit:
      case kTokInventorySection:
      case kTokStatus:
      case kTokPart:
        consumedOut = static_cast<int>(end) + 1;  // after the "]"
        break;
      case kTokRoom: {
        int at = 5;  // after "[ROOM"
        while (isBlank(text[at])) ++at;
        consumedOut = at;
        break;
      }
      case kTokUnknown: {
        const char* after = text + end;
        while (isBlank(*after)) ++after;
        if (text[0] == '"') {
          code = kTokContinuation;
          consumedOut = 1;
        } else if ((after[0] == '+' || after[0] == '-') && after[1] == '=') {
          code = kTokChange;
        } else if (after[0] == '=') {
          code = kTokAssignment;
        } else if (text[0] == '(') {
          code = kTokBracketClause;
          consumedOut = 1;
        } else if (colonLater(text + end)) {
          code = kTokColonClause;
        } else if (word == "OTHERWISE") {
          code = kTokOtherwise;
        }
        break;
      }
      default:
        break;
    }
  }
  if (number) *number = numberOut;
  if (consumed) *consumed = consumedOut;
  return code;
}

namespace {
// The characters prepareLine acts on or stops at; every other one it passes over.
constexpr std::array<bool, 256> kPrepared = [] {
  std::array<bool, 256> marks{};
  for (unsigned char ch : std::string_view("\0\n\"\t\r/", 6)) marks[ch] = true;
  return marks;
}();
}  // namespace

int prepareLine(char* line, size_t* resumeAt) {
  bool inQuotes = false;
  for (size_t i = 0;; ++i) {
    while (!kPrepared[static_cast<unsigned char>(line[i])]) ++i;
    char ch = line[i];
    if (atEnd(ch)) break;
    if (ch == '"') {
      inQuotes = !inQuotes;
    } else if (!inQuotes) {
      if (ch == '\t' || ch == '\r') {
        line[i] = ' ';
      } else if (ch == '/') {
        line[i] = '\n';
        line[i + 1] = '\0';
        if (resumeAt) *resumeAt = i + 1;
        return kLineSplit;
      }
    }
  }
  return kLineComplete;
}

}  // namespace zox
