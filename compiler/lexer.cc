// The keyword table and the lexer's words: classify a first word, test for one keyword.
#include "compiler/lexer.h"

#include <array>
#include <bit>
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

// A word of up to 16 characters as two integers, its first character lowest and the places
// after it zero: keywords are hashed and compared in this form, two comparisons a word.
constexpr size_t kPackedChars = 16;
struct Packed {
  uint64_t low = 0;
  uint64_t high = 0;
  constexpr bool operator==(const Packed&) const = default;
};
constexpr Packed pack(std::string_view word) {
  Packed p;
  for (size_t i = 0; i < word.size() && i < kPackedChars; ++i) {
    const uint64_t b = static_cast<uint8_t>(word[i]);
    if (i < 8) {
      p.low |= b << (8 * i);
    } else {
      p.high |= b << (8 * (i - 8));
    }
  }
  return p;
}
// The same from sixteen characters in memory (the word and the zeros after it).
Packed loadPacked(const char* sixteen) {
  Packed p;
  std::memcpy(&p.low, sixteen, 8);
  std::memcpy(&p.high, sixteen + 8, 8);
  if constexpr (std::endian::native == std::endian::big) {
    p.low = __builtin_bswap64(p.low);
    p.high = __builtin_bswap64(p.high);
  }
  return p;
}

// The keywords matched by their whole word (Exact and Bracketed) by a perfect hash: each has a
// place of its own among kPlaceCount, found from the packed word, so a word can only be the one
// keyword at its place. The multiplier is the first tried that gives every keyword its own place.
constexpr int kPlaceBits = 9;
constexpr size_t kPlaceCount = size_t{1} << kPlaceBits;
constexpr bool matchedWhole(const Keyword& k) {
  return k.match == Match::Exact || k.match == Match::Bracketed;
}
constexpr size_t placeOf(Packed p, uint64_t multiplier) {
  return static_cast<size_t>(((p.low ^ (p.high * 0x9E3779B97F4A7C15u)) * multiplier) >>
                             (64 - kPlaceBits));
}

struct KeywordPlaces {
  uint64_t multiplier = 0;                   // 0: none found
  std::array<uint8_t, kPlaceCount> entry{};  // index in kKeywords + 1; 0 for no keyword
  std::array<Packed, std::size(kKeywords)> packed{};
  constexpr KeywordPlaces() {
    for (size_t i = 0; i < std::size(kKeywords); ++i) packed[i] = pack(kKeywords[i].word);
    // Multipliers tried in turn: odd, and far apart in their high bits, which decide the place.
    // The first start keeps the search at compile time short; any start finds one in a few
    // hundred tries when the table changes.
    uint64_t m = 0xD4D42592BF5AA64Du;
    for (int tries = 0; tries < 4000; ++tries, m += 0x9E3779B97F4A7C16u) {
      std::array<uint8_t, kPlaceCount> tried{};
      bool own = true;
      for (size_t i = 0; i < std::size(kKeywords) && own; ++i) {
        if (!matchedWhole(kKeywords[i])) continue;
        uint8_t& at = tried[placeOf(packed[i], m)];
        own = at == 0;
        at = static_cast<uint8_t>(i + 1);
      }
      if (own) {
        multiplier = m;
        entry = tried;
        return;
      }
    }
  }
};
constexpr KeywordPlaces kPlaces;
static_assert(kPlaces.multiplier != 0, "no multiplier gives every keyword a place of its own");
static_assert(std::size(kKeywords) < 255);
constexpr bool keywordsFitThePackedForm() {
  for (const Keyword& k : kKeywords) {
    if (k.word.empty() || k.word.size() > kPackedChars) return false;
  }
  return true;
}
static_assert(keywordsFitThePackedForm());

// The keywords matched by a prefix ([ROOM, IMSG, [PART), in table order, and the characters
// they begin with: a word that begins otherwise can only be a whole-word keyword.
struct PrefixKeywords {
  std::array<uint8_t, 4> entries{};
  size_t count = 0;
  std::array<bool, 256> firstChars{};
  constexpr PrefixKeywords() {
    for (size_t i = 0; i < std::size(kKeywords); ++i) {
      if (matchedWhole(kKeywords[i])) continue;
      entries[count++] = static_cast<uint8_t>(i);
      firstChars[static_cast<uint8_t>(kKeywords[i].word[0])] = true;
    }
  }
};
constexpr PrefixKeywords kPrefixes;

// Whether keyword k takes the word: the rule of its Match kind.
constexpr bool takes(const Keyword& k, std::string_view word, size_t digitsStart, char after) {
  switch (k.match) {
    case Match::Exact:
      return sameWord(word, k.word);
    case Match::Bracketed:
      return sameWord(word, k.word) && after == ']';
    case Match::RoomPrefix:
      return startsWith(word, k.word) && digitsStart == k.word.size();
    case Match::ImsgPrefix:
      return startsWith(word, k.word);
    case Match::PartPrefix:
      return startsWith(word, k.word) && after == ']' && digitsStart > 0 &&
             (word[digitsStart - 1] == 'T' || word[digitsStart - 1] == ' ');
  }
  return false;
}

// The first keyword in table order that takes the (upper-cased) word: among the one whole-word
// keyword its place holds and the prefix keywords. packed is the word's packed form (any value
// for a word of more than 16 characters, which no whole-word keyword takes).
constexpr int matchKeyword(std::string_view word, Packed packed, size_t digitsStart, char after) {
  if (word.empty()) return kTokUnknown;
  int whole = -1;
  if (word.size() <= kPackedChars) {
    whole = kPlaces.entry[placeOf(packed, kPlaces.multiplier)] - 1;
    if (whole >= 0 && !(kPlaces.packed[static_cast<size_t>(whole)] == packed)) whole = -1;
    if (whole >= 0 && kKeywords[whole].match == Match::Bracketed && after != ']') whole = -1;
  }
  if (!kPrefixes.firstChars[static_cast<uint8_t>(word[0])]) {
    return whole >= 0 ? kKeywords[whole].code : kTokUnknown;
  }
  for (size_t n = 0; n < kPrefixes.count; ++n) {
    const int prefix = kPrefixes.entries[n];
    if (whole >= 0 && whole < prefix) return kKeywords[whole].code;
    if (takes(kKeywords[prefix], word, digitsStart, after)) return kKeywords[prefix].code;
  }
  return whole >= 0 ? kKeywords[whole].code : kTokUnknown;
}

// The same by scanning the whole table, as the rule says it: the check of the perfect hash.
constexpr int matchByScan(std::string_view word, size_t digitsStart, char after) {
  for (const Keyword& k : kKeywords) {
    if (!word.empty() && takes(k, word, digitsStart, after)) return k.code;
  }
  return kTokUnknown;
}
constexpr bool everyKeywordIsFoundByItsPlace() {
  for (const Keyword& k : kKeywords) {
    for (char after : {' ', ']'}) {
      size_t digits = k.word.size();
      if (matchKeyword(k.word, pack(k.word), digits, after) != matchByScan(k.word, digits, after))
        return false;
    }
  }
  return true;
}
static_assert(everyKeywordIsFoundByItsPlace());

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
    if (k.match == Match::Exact &&
        matchKeyword(k.word, pack(k.word), k.word.size(), ' ') != k.code) {
      return false;
    }
  }
  return true;
}
static_assert(wholeWordsMatchThemselves());

// True when a word that has run n characters ends there (the rule of wordLength).
bool wordEndsAt(const char* text, size_t n) {
  const uint8_t stop = kStopOf[static_cast<unsigned char>(text[n])];
  if (stop == kInWord) return false;
  if (stop == kStops) return true;
  return stop == kBeforeEquals ? text[n + 1] == '=' : n > 0;
}

}  // namespace

size_t wordLength(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && !wordEndsAt(text, n)) ++n;
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

size_t keywordAt(const char* text, int code) {
  if (code < 0 || code > kTokDefault) return 0;
  const auto at = static_cast<size_t>(code);
  for (int n = 0; n < kWholeWords.counts[at]; ++n) {
    // The keyword's characters are never ones that end a word, and never a NUL: a match is
    // the whole word exactly when the word ends right after it.
    const std::string_view keyword = kKeywords[kWholeWords.entries[at][n]].word;
    size_t i = 0;
    while (i < keyword.size() && kUpperChars[static_cast<unsigned char>(text[i])] == keyword[i]) {
      ++i;
    }
    if (i == keyword.size() && wordEndsAt(text, i)) return i;
  }
  return 0;
}

bool isRoomWord(const char* text, int* consumed) {
  constexpr std::string_view kRoom = "[ROOM";
  for (size_t i = 0; i < kRoom.size(); ++i) {
    if (kUpperChars[static_cast<unsigned char>(text[i])] != kRoom[i]) return false;
  }
  // Digits may follow; the word must end after them within 17 characters.
  size_t length = kRoom.size();
  while (isDigit(text[length])) ++length;
  if (length > kMaxWordChars || !wordEndsAt(text, length)) return false;
  size_t at = kRoom.size();
  while (isBlank(text[at])) ++at;
  *consumed = static_cast<int>(at);
  return true;
}

int keywordByScan(std::string_view upperWord, char after) {
  size_t digitsStart = upperWord.size();
  if (!upperWord.empty() && isDigit(upperWord.back())) trailingNumber(upperWord, &digitsStart);
  return matchByScan(upperWord, digitsStart, after);
}

int classify(const char* text, unsigned* number, int* consumed) {
  // The word buffer holds the longest word that is matched, the extended [PART word, and the
  // one character more that tells a word is too long.
  constexpr int kBufferChars =
      (kMaxPartWordChars > kMaxWordChars ? kMaxPartWordChars : kMaxWordChars) + 1;
  // The word collected upper-cased, with zeros after it: the packed form of its first sixteen
  // characters is then read from here. It stops as wordLength says.
  alignas(8) char buffer[kPackedChars + 8] = {};
  static_assert(kBufferChars <= kPackedChars + 8);
  // The packed form is made in the same loop: read back from the buffer right after the
  // characters are stored one by one, it would wait for the stores.
  Packed packed;
  int length = 0;
  for (; length <= kMaxWordChars; ++length) {
    if (wordEndsAt(text, static_cast<size_t>(length))) break;
    const char up = kUpperChars[static_cast<unsigned char>(text[length])];
    buffer[length] = up;
    const uint64_t bits = static_cast<uint8_t>(up);
    if (length < 8) {
      packed.low |= bits << (8 * length);
    } else if (length < 16) {
      packed.high |= bits << (8 * (length - 8));
    }
  }
  size_t end = static_cast<size_t>(length);  // source index just after the word
  bool tooLong = length > kMaxWordChars;

  if (!tooLong && length == 5 && sameChars(buffer, "[PART", 5)) {
    // "[PART 3" and "[PART3" both end in the part number: the blanks (each kept as a blank),
    // then the digits are appended.
    auto append = [&](bool (*belongs)(char)) {
      for (; !tooLong && belongs(text[end]); ++end) {
        if (length >= kMaxPartWordChars) {
          tooLong = true;
        } else {
          buffer[length++] = isBlank(text[end]) ? ' ' : text[end];
        }
      }
    };
    append(isBlank);
    append(isDigit);
    packed = loadPacked(buffer);
  }

  const std::string_view word(buffer, static_cast<size_t>(length));
  size_t digitsStart = word.size();
  unsigned numberOut = 0;
  if (!word.empty() && isDigit(word.back())) numberOut = trailingNumber(word, &digitsStart);
  int consumedOut = static_cast<int>(end);

  int code = kTokUnknown;
  if (tooLong) {
    // Never matched; a ':' further on still makes the line a colon clause header.
    code = colonLater(text + end) ? kTokColonClause : kTokTooLong;
  } else {
    code = matchKeyword(word, packed, digitsStart, text[end]);
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

}  // namespace zox
