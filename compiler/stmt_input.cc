// Input: INPUT with its prompt and variable, and the two kinds of command clause header.
#include <cstring>
#include <string>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

// A normalised and checked pattern stored as the clause header of its kind.
int emitPattern(Compiler& c, std::string_view raw, Op withText, Op otherwise) {
  std::string pattern = normalisePattern(raw);
  if (int r = checkPattern(pattern)) return r;
  if (equalsKeyword(pattern, "OTHERWISE")) return emitByte(c, op(otherwise));
  return emitTextStatement(c, op(withText), pattern);
}

}  // namespace

int compileInput(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  QuotedText prompt;
  if (*p == '"') {
    if (int r = readQuoted(s, p, prompt)) return r;
    if (prompt.text.empty()) return kErrEmptyText;
    if (!prompt.allowed) return kErrBadCharacter;
    p = skipBlanks(p);
  }
  if (atLineEnd(p)) return emitTextStatement(c, op(Op::InputCommand), prompt);

  std::string_view name = plainWord(p);
  if (name.size() > kMaxWordLength) return kErrTooLong;
  if (!onlyBlanks(p + name.size())) return kErrSyntax;
  Op opcode = Op::InputNumber;
  const NameKey key(name);
  int slot = c.numbers.find(key);
  if (slot < 0) {
    opcode = Op::InputInitText;
    slot = c.initTexts.find(key);
  }
  if (slot < 0) {
    // Not known yet: reading into a name declares it as a text of this room.
    opcode = Op::InputRoomText;
    if (int r = c.roomTexts.add(key, &slot)) return r;
  }
  if (int r = emitByte(c, op(opcode))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(slot))) return r;
  return emitText(c, prompt.text);
}

int compileBracketClause(Compiler& c, const StatementLine& s) {
  // Later colon clauses and [INVENTORY] statements count this header even when its pattern is
  // refused, so one bad pattern does not bring a train of placement errors after it.
  c.clauseSeen = true;
  const char* open = s.line;  // at "("
  const char* close = open + 1;
  while (!atLineEnd(close) && *close != ')') ++close;
  if (*close != ')') return kErrSyntax;
  if (!onlyBlanks(close + 1)) return kErrSyntax;
  std::string_view raw(open + 1, static_cast<size_t>(close - open - 1));
  return emitPattern(c, raw, Op::BracketClause, Op::BracketOtherwise);
}

int compileColonClause(Compiler& c, const StatementLine& s) {
  const char* colon = s.line;
  while (!atLineEnd(colon) && *colon != ':') ++colon;
  if (*colon != ':') return kErrSyntax;
  std::string_view raw(s.line, static_cast<size_t>(colon - s.line));
  if (int r = emitPattern(c, raw, Op::ColonClause, Op::ColonOtherwise)) return r;
  // A statement after the colon is read as the next line, under the number of this one.
  const char* after = skipBlanks(colon + 1);
  if (!atLineEnd(after)) {
    if (!reReadFrom(c, after)) return kErrSyntax;
    c.countThisLine = false;
  }
  return 0;
}

}  // namespace zox
