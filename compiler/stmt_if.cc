// Conditions: IF in all its forms (choice number, flag, number and two-number comparisons, NOT,
// the one-line form), ELSE and END, with the bookkeeping of open IF blocks.
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

constexpr int kMaxChoiceNumber = 9;

// After the condition: THEN, and either the end of the line (a block) or a statement, which
// is read next as a line of its own (a one-line IF).
int compileThen(Compiler& c, const char* p, bool* oneLine) {
  p = skipBlanks(p);
  int used = 0;
  if (!isKeyword(p, kTokThen, &used)) return kErrSyntax;
  const char* statement = skipBlanks(p + used);
  *oneLine = !atLineEnd(statement);
  if (*oneLine) {
    if (!reReadFrom(c, statement)) return kErrSyntax;
    ++c.oneLineIfsWaiting;
  }
  return 0;
}

// IF flag THEN, IF flag = TRUE / FALSE THEN: the flag's slot and the value it is tested for.
int emitFlagTest(Compiler& c, int flag, uint8_t value) {
  if (int r = emitByte(c, op(Op::IfFlag))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(flag))) return r;
  return emitByte(c, value);
}

// The condition and THEN; the stored test. *oneLine tells whether a statement followed THEN.
int compileCondition(Compiler& c, const char* rest, bool* oneLine) {
  const char* p = skipBlanks(rest);
  if (atLineEnd(p)) return kErrSyntax;
  std::string_view first = plainWord(p, "=<>");
  if (equalsKeyword(first, "NOT")) {
    if (int r = emitByte(c, op(Op::Not))) return r;
    p = skipBlanks(p + first.size());
    if (atLineEnd(p)) return kErrSyntax;
    // After NOT the word runs on over "<" and ">": a comparison needs blanks around it there.
    first = plainWord(p, "=");
  }
  if (first.size() > kMaxWordLength) return kErrTooLong;
  p += first.size();

  // IF n THEN: the number of the last choice. A word that reads as 0 ("0", "00", "-0") is no
  // choice number and no name either.
  std::optional<int32_t> literal = parseNumber(first);
  if (leadingValue(first) != 0 || literal) {
    if (!literal) return kErrSyntax;
    if (int r = compileThen(c, p, oneLine)) return r;
    // Below 1 as above 9: the stored byte is a choice number 1..9.
    if (*literal < 1 || *literal > kMaxChoiceNumber) return kErrTooMany;
    if (int r = emitByte(c, op(Op::IfChoice))) return r;
    return emitByte(c, static_cast<uint8_t>(*literal));
  }

  p = skipBlanks(p);
  if (atLineEnd(p)) return kErrSyntax;
  char comparison = 0;
  if (*p == '=' || *p == '<' || *p == '>') comparison = *p++;

  if (comparison == 0) {
    // IF flag THEN is IF flag = TRUE THEN; p is where THEN is due.
    int flag = c.flags.find(first);
    if (flag < 0) return kErrUndeclared;
    if (int r = compileThen(c, p, oneLine)) return r;
    return emitFlagTest(c, flag, 1);
  }

  p = skipBlanks(p);
  if (atLineEnd(p)) return kErrSyntax;
  std::string_view second = plainWord(p);
  if (second.size() > kMaxWordLength) return kErrTooLong;
  const char* afterSecond = p + second.size();

  bool isTrue = isKeyword(p, kTokTrue) && lexerWord(p).size() == second.size();
  bool isFalse = isKeyword(p, kTokFalse) && lexerWord(p).size() == second.size();
  if (isTrue || isFalse) {
    if (comparison != '=') return kErrSyntax;
    int flag = c.flags.find(first);
    if (flag < 0) return kErrUndeclared;
    if (int r = compileThen(c, afterSecond, oneLine)) return r;
    return emitFlagTest(c, flag, isTrue ? 1 : 0);
  }

  int number = c.numbers.find(first);
  if (std::optional<int32_t> value = parseNumber(second)) {
    if (number < 0) return kErrUndeclared;
    if (int r = compileThen(c, afterSecond, oneLine)) return r;
    Op opcode = comparison == '='   ? Op::IfNumberEq
                : comparison == '>' ? Op::IfNumberGt
                                    : Op::IfNumberLt;
    return emitSlotAndValue(c, op(opcode), number, *value);
  }

  int other = c.numbers.find(second);
  if (number < 0 || other < 0) return kErrUndeclared;
  if (int r = compileThen(c, afterSecond, oneLine)) return r;
  Op opcode = comparison == '='   ? Op::IfNumbersEq
              : comparison == '>' ? Op::IfNumbersGt
                                  : Op::IfNumbersLt;
  if (int r = emitByte(c, op(opcode))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(number))) return r;
  return emitByte(c, static_cast<uint8_t>(other));
}

}  // namespace

int compileIf(Compiler& c, const StatementLine& s) {
  ReadPosition before = readingPosition(c);
  int waitingBefore = c.oneLineIfsWaiting;
  bool oneLine = false;
  int result = compileCondition(c, s.rest, &oneLine);
  if (result == kErrIo) return result;

  // Every IF counts as an open block, also one that failed, so that its END still matches.
  if (c.ifDepth >= kMaxIfDepth) {
    // The depth stays; a one-line IF must then not get an automatic END either.
    if (c.oneLineIfsWaiting != waitingBefore) {
      c.oneLineIfsWaiting = waitingBefore;
      setReadingPosition(c, before);
    }
    return result ? result : kErrTooManyIfs;
  }
  ++c.ifDepth;
  c.elseSeen[c.ifDepth] = false;
  // One-line IFs too: one whose statement opens a block of its own is left open by the
  // automatic END, which closes that block.
  c.ifLines[static_cast<size_t>(c.ifDepth)] = c.lineNumber;
  return result;
}

int compileElse(Compiler& c, const StatementLine& s) {
  if (int r = refusedInOneLineIf(c)) return r;
  if (c.ifDepth == 0 || c.elseSeen[c.ifDepth]) return kErrIfBlock;
  if (!onlyBlanks(s.rest)) return kErrSyntax;
  c.elseSeen[c.ifDepth] = true;
  return emitByte(c, op(Op::Else));
}

int compileEnd(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (int used = 0; isKeyword(p, kTokChoose, &used)) return compileEndChoose(c, p + used);
  if (int r = refusedInOneLineIf(c)) return r;
  if (c.ifDepth == 0) return kErrIfBlock;
  // One word after END is passed over, so END IF closes a block as END does.
  p = skipBlanks(p + plainWord(p).size());
  bool junk = !atLineEnd(p);
  c.elseSeen[c.ifDepth] = false;
  --c.ifDepth;
  if (junk) return kErrSyntax;
  return emitByte(c, op(Op::End));
}

}  // namespace zox
