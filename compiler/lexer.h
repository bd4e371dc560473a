// The source lexer: classifies a line (or any word inside a statement) by its first word, and
// prepares a line by cutting it at a "/" outside quotes. Pure functions, no compiler state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zox {

// Token codes. 0..87 classify a word; -1 and -2 are the two refusals.
inline constexpr int kTokRem = 0;
inline constexpr int kTokInit = 1;  // [INIT]
inline constexpr int kTokRoom = 2;  // [ROOM
inline constexpr int kTokPrint = 4;
inline constexpr int kTokWait = 5;
inline constexpr int kTokChoose = 6;
inline constexpr int kTokIf = 7;
inline constexpr int kTokEnd = 8;  // END and END CHOOSE
inline constexpr int kTokGo = 9;
inline constexpr int kTokQuit = 10;
inline constexpr int kTokTitle = 12;
inline constexpr int kTokVar = 13;
inline constexpr int kTokCText = 14;
inline constexpr int kTokStart = 15;
inline constexpr int kTokAssignment = 16;    // other word, then "="
inline constexpr int kTokContinuation = 17;  // line beginning with a quote
inline constexpr int kTokThen = 18;
inline constexpr int kTokTrue = 19;
inline constexpr int kTokFalse = 20;
inline constexpr int kTokCls = 21;
inline constexpr int kTokInput = 22;
inline constexpr int kTokBracketClause = 23;  // line beginning with "("
inline constexpr int kTokColonClause = 24;    // other word, ":" later on the line
inline constexpr int kTokIText = 25;
inline constexpr int kTokInventorySection = 26;  // [INVENTORY]
inline constexpr int kTokResume = 27;
inline constexpr int kTokNl = 28;
inline constexpr int kTokChange = 29;  // other word, then "+=" or "-="
inline constexpr int kTokPrintNl = 30;
inline constexpr int kTokPrintDnl = 31;
inline constexpr int kTokRInfo = 32;
inline constexpr int kTokPassword = 33;
inline constexpr int kTokItem = 34;
inline constexpr int kTokInventory = 35;  // INVENTORY (after PRINT)
inline constexpr int kTokPrintInp = 36;
inline constexpr int kTokOtherwise = 37;  // OTHERWISE alone
inline constexpr int kTokInText = 38;
inline constexpr int kTokBlack = 40;  // the sixteen colours: 40 + colour value
inline constexpr int kTokWhite = 55;
inline constexpr int kTokTextColor = 60;
inline constexpr int kTokTextBackground = 61;
inline constexpr int kTokScreenColor = 62;
inline constexpr int kTokScreenBackground = 63;
inline constexpr int kTokInputColor = 64;
inline constexpr int kTokInputBackground = 65;
inline constexpr int kTokTitleColor = 66;
inline constexpr int kTokTitleBackground = 67;
inline constexpr int kTokRandom = 68;
inline constexpr int kTokImsg = 69;  // word beginning with IMSG; number = message
inline constexpr int kTokItemList = 70;
inline constexpr int kTokRestart = 71;
inline constexpr int kTokResource = 72;
inline constexpr int kTokAnsiText = 73;  // ANSITEXT, [VORNIK, [ZOX
inline constexpr int kTokPart = 74;      // [PART n]; number = n
inline constexpr int kTokOf = 75;
inline constexpr int kTokTo = 76;
inline constexpr int kTokContinue = 77;
inline constexpr int kTokWith = 78;
inline constexpr int kTokPartWord = 79;  // PART (header line)
inline constexpr int kTokStatusLines = 80;
inline constexpr int kTokStatusColor = 81;
inline constexpr int kTokStatusBackground = 82;
inline constexpr int kTokStatus = 83;  // [STATUS]
inline constexpr int kTokElse = 84;
inline constexpr int kTokChoiceEntry = 85;  // "*"
inline constexpr int kTokLoad = 86;
inline constexpr int kTokDefault = 87;
inline constexpr int kTokUnknown = -1;  // no keyword, no line shape: error 21
inline constexpr int kTokTooLong = -2;  // first word of 18+ characters, no ":": error 22

// The word buffer: 17 characters are matched, the 18th makes a word too long.
inline constexpr int kMaxWordChars = 17;
// The "[PART" word with the blanks and digits appended to it may have at most this many
// characters; a longer one classifies as kTokTooLong (error 22 as a first word, and never
// the [PART n] form inside a statement).
inline constexpr int kMaxPartWordChars = 17;

// Upper-cases one Latin-1 character: a..z, and the three umlauts 0xE4, 0xF6, 0xFC to 0xC4,
// 0xD6, 0xDC. Every other byte (0xDF included) is returned unchanged.
constexpr char upperChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 'a' + 'A');
  if (u == 0xE4 || u == 0xF6 || u == 0xFC) return static_cast<char>(u - 0x20);
  return c;
}

// upperChar of every byte, for the loops that upper-case a word a character at a time.
inline constexpr std::array<char, 256> kUpperChars = [] {
  std::array<char, 256> upper{};
  for (int ch = 0; ch < 256; ++ch) upper[ch] = upperChar(static_cast<char>(ch));
  return upper;
}();

// Length of the word at text as the lexer delimits it, counting at most `limit` characters.
// A word stops at the end of the text (NUL or newline), a blank, a tab, a carriage return, any
// of , = ] : " ( ) / < >, at "+=" and "-=", and at a "[" that is not its first character.
// classify matches the first 18 characters; the statement compilers take whole words.
size_t wordLength(const char* text, size_t limit = SIZE_MAX);

// True when word, upper-cased character by character (upperChar), is exactly keyword, which is
// given in upper case.
bool equalsKeyword(std::string_view word, std::string_view keyword);

// True when word, as a whole and without regard to case, is a keyword of token code `code` that
// is matched by its whole word: what classify gives for it, with a consumed length of the whole
// word. Always false for the codes whose match looks beyond the word ([INIT], [INVENTORY],
// [STATUS], [ROOM, [PART n], IMSG) and for the line shapes.
bool isWholeKeyword(std::string_view word, int code);

// The length of the word at text when it is, as a whole and without regard to case, a keyword
// of token code `code` matched by its whole word (what isWholeKeyword says of lexerWord), else
// 0. Reads the text only as far as the keyword and the character that ends it.
size_t keywordAt(const char* text, int code);

// True when classify gives kTokRoom for the word at text ("[ROOM", maybe followed by digits),
// with *consumed set as classify sets it (after "[ROOM" and its blanks); found without
// classifying, for GO and START, which expect that word.
bool isRoomWord(const char* text, int* consumed);

// Classifies the word at text (the caller has skipped leading blanks). text ends at its NUL or
// at a newline. Returns the token code; *number gets the word's trailing number (0..65535, 0 if
// none or too large) and *consumed how many characters the caller passes over (after "]" for
// [INIT], [INVENTORY], [STATUS] and [PART n]; after "[ROOM" and its blanks for a room; 1 for a
// continuation line and a bracket clause header). Both outputs may be null. The text is not
// changed. Matching is case-blind (upperChar).
int classify(const char* text, unsigned* number, int* consumed);

// The keyword code of an upper-cased word, found by trying the keywords one by one in table
// order (after: the source character right after the word), or kTokUnknown. classify finds
// keywords by a perfect hash; this is the rule it must give the same answer as.
int keywordByScan(std::string_view upperWord, char after);

// Result of prepareLine.
inline constexpr int kLineSplit = 0;
inline constexpr int kLineComplete = 1;

// What preparing a line found out about its quote characters, so that the statement compilers
// read its quoted texts without scanning them again: where each quote stands (from the start
// of the prepared line, in order) and how many characters that text scrambling refuses come
// before it. The text between quotes k and k+1 holds a refused character exactly when the
// counts of the two differ. Quotes after a "/" that splits the line are not counted: they
// belong to the next statement.
struct LineScan {
  // Lines with more quotes than this leave their texts to be read by whoever reads them.
  static constexpr size_t kMaxQuotes = 14;
  size_t quoteCount = 0;  // above kMaxQuotes only the first kMaxQuotes are recorded
  std::array<uint16_t, kMaxQuotes> quotes{};
  std::array<uint16_t, kMaxQuotes> refusedBefore{};
};

// Prepares a line in place, from line up to its newline or NUL: outside quotes a tab and a
// carriage return become a blank, and the first "/" ends the statement: it is replaced by a
// newline and the line is cut after it. Returns kLineComplete, or kLineSplit with *resumeAt set
// to the index (from line) of the character after the "/", where the next line read must start.
// With scan given, the quotes of the prepared line are recorded there in the same pass.
int prepareLine(char* line, size_t* resumeAt, LineScan* scan = nullptr);

}  // namespace zox
