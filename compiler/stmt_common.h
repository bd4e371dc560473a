// Small pieces the statement compilers share: blanks and words of a prepared line, number
// syntax, quoted texts and the normal form of clause patterns. None of them touch the state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/lexer.h"
#include "compiler/statements.h"

namespace zox::stmt {

// A prepared line ends at its terminator or at the newline that a "/" split left there.
inline bool atLineEnd(const char* p) {
  return *p == '\0' || *p == '\n';
}

inline const char* skipBlanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

// End of statement: nothing but blanks up to the end of the line.
inline bool onlyBlanks(const char* p) {
  return atLineEnd(skipBlanks(p));
}

// The characters of the word at p as the lexer delimits it (Latin-1, not upper-cased). The
// length is not capped: callers refuse 18 or more characters themselves.
inline std::string_view lexerWord(const char* p) {
  return {p, wordLength(p)};
}

// A word that ends only at a blank or the end of the line (the words of VAR and IF), optionally
// also at the characters of stops.
std::string_view plainWord(const char* p, std::string_view stops = {});

// Words of 18 or more characters are refused wherever a name or value is expected.
inline constexpr size_t kMaxWordLength = kMaxWordChars;
// Room names, in headers and in jump targets.
inline constexpr size_t kMaxRoomNameLength = 50;

// Number syntax: an optional sign and decimal digits, nothing else. The value is clamped to
// the signed 32-bit range. Nothing when the word is no number.
std::optional<int32_t> parseNumber(std::string_view word);

// What the word reads as when only its leading sign and digits are taken (0 when it does not
// begin with a number); the IF literal test asks this before it asks for number syntax.
int64_t leadingValue(std::string_view word);

// A quoted text: its characters as a view into the line, and whether text scrambling takes
// every one of them.
struct QuotedText {
  std::string_view text;
  bool allowed = true;
};

// A quoted text at p in the statement's line (blanks before it skipped): the characters up to
// the next quote on the same line. The line scan says where that quote is and whether the text
// holds a refused character, so the text is not read here. On success p is left after the
// closing quote and the result is 0; a missing opening quote or a missing closing quote is 20.
int readQuoted(const StatementLine& s, const char*& p, QuotedText& out);
// A quoted text that ends the statement: readQuoted, then only blanks (20 otherwise).
int readFinalQuoted(const StatementLine& s, const char* p, QuotedText& out);

// The head of a declaration, VAR name = ... and RESOURCE name = ...: after blanks a name that
// runs to a blank, "=" or the end of the line and then "=". 20 when nothing follows the
// keyword, 56 without a name or "=", 22 for a name of 18 or more characters; on success
// *afterEquals is the text after the "=".
int declarationHead(const char* rest, std::string_view* name, const char** afterEquals);

// Clause patterns in their stored form: leading blanks, blanks before ")", "{", "}" and ":"
// and blanks after "{", "|" and "}" dropped, every other run of blanks made one blank.
std::string normalisePattern(std::string_view raw);

// Checks a normalised pattern: 0, or 87 (braces do not balance), 93 (a bar in the wrong place)
// or 57 (empty).
int checkPattern(std::string_view pattern);

}  // namespace zox::stmt

// ---- Helpers that need the compiler state ----

namespace zox {
struct Compiler;
}

namespace zox::stmt {

// Token code of the word at p (blanks already skipped), or kNoWord at the end of the line.
inline constexpr int kNoWord = -100;
int wordCode(const char* p, unsigned* number = nullptr, int* consumed = nullptr);

// True when the word at p, as the lexer delimits it, is the keyword of that token code and
// nothing longer (isWholeKeyword; so not for [ROOM, [PART n], IMSG or the section headers,
// which wordCode tells). *consumed gets the word's length.
bool isKeyword(const char* p, int code, int* consumed = nullptr);

// True when text scrambling accepts every character of the text.
bool textAllowed(std::string_view latin1);

// Stores opcode, a slot byte and a value as u32: 0 or 5.
int emitSlotAndValue(Compiler& c, uint8_t opcode, int slot, int32_t value);

// Stores opcode and text: 0, 51 (nothing stored) or 5.
int emitTextStatement(Compiler& c, uint8_t opcode, std::string_view latin1);
int emitTextStatement(Compiler& c, uint8_t opcode, const QuotedText& quoted);

// Marks a stored text as one that continuation lines may extend; the next continuation line
// gets a line break unless this text's line had exactly 80 characters.
void allowContinuation(Compiler& c, size_t textLength);

// The statement after THEN of a one-line IF may not be one that opens or closes a block:
// END, ELSE, END CHOOSE, a choice entry or a choice block. 20 in that case, else 0.
int refusedInOneLineIf(const Compiler& c);

// A room named by `[ROOM` name `]` at p, as GO and START name their target: the name runs to a
// blank, "]" or the end of the line (over 50 characters: 22), "]" and only blanks follow (20).
// The room is added to the room-name table when new (81 when full, 2). 0 with its slot.
int roomTarget(Compiler& c, const char* p, int* slot);
// The name of a room after "[ROOM" and its blanks, in a header or a jump target: it runs to a
// blank, "]" or the end of the line (over 50 characters: 22), and "]" and only blanks follow
// (20). 0 with the name.
int roomNameAt(const char* p, std::string_view* name);
// roomTarget with the "[ROOM" word and its blanks passed over: name is where the name begins.
int roomTargetName(Compiler& c, const char* name, int* slot);

// END CHOOSE; compileEnd hands it the text after CHOOSE.
int compileEndChoose(Compiler& c, const char* afterChoose);

}  // namespace zox::stmt
