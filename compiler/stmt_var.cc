// Variables: VAR declarations of flags and number variables, assignments of texts, flags,
// numbers and RANDOM, and the changes += and -=.
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

constexpr int32_t kMaxRandomBound = 32767;

// TRUE or FALSE as a whole word at p: 1 or 0, or -1 for anything else.
int truthValue(const char* p, std::string_view word) {
  if (lexerWord(p).size() != word.size()) return -1;
  if (isKeyword(p, kTokTrue)) return 1;
  if (isKeyword(p, kTokFalse)) return 0;
  return -1;
}

// name = "text": a text variable of [INIT] or of the room.
int assignText(Compiler& c, const StatementLine& s, std::string_view name, const char* p) {
  const NameKey key(name);
  if (c.numbers.find(key) >= 0 || c.flags.find(key) >= 0) return kErrNotAssignment;
  Op opcode = Op::SetInitText;
  int slot = -1;
  if (c.inInit) {
    if (int r = c.initTexts.add(key, &slot)) return r;
  } else if ((slot = c.initTexts.find(key)) < 0) {
    opcode = Op::SetRoomText;
    if (int r = c.roomTexts.add(key, &slot)) return r;
  }
  QuotedText quoted;
  if (int r = readFinalQuoted(s, p, quoted)) return r;
  if (!quoted.allowed) return kErrBadCharacter;
  if (int r = emitByte(c, op(opcode))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(slot))) return r;
  if (int r = emitText(c, quoted.text)) return r;
  allowContinuation(c, quoted.text.size());
  return 0;
}

// name = RANDOM(n), p after RANDOM.
int assignRandom(Compiler& c, int slot, const char* p) {
  p = skipBlanks(p);
  if (*p != '(') return kErrSyntax;
  p = skipBlanks(p + 1);
  std::string_view word = lexerWord(p);
  std::optional<int32_t> bound = parseNumber(word);
  if (word.size() > kMaxWordLength || !bound) return kErrSyntax;
  p = skipBlanks(p + word.size());
  if (*p != ')' || !onlyBlanks(p + 1)) return kErrSyntax;
  if (*bound < 1 || *bound > kMaxRandomBound) return kErrRandomBound;
  if (int r = emitByte(c, op(Op::Random))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(slot))) return r;
  return emitU16(c, static_cast<uint16_t>(*bound));
}

}  // namespace

int compileVar(Compiler& c, const StatementLine& s) {
  std::string_view name;
  const char* q = nullptr;
  if (int r = declarationHead(s.rest, &name, &q)) return r;
  q = skipBlanks(q);
  std::string_view value = plainWord(q);
  if (value.size() > kMaxWordLength) return kErrTooLong;
  if (!onlyBlanks(q + value.size())) return kErrSyntax;

  const NameKey key(name);
  if (int truth = truthValue(q, value); truth >= 0) {
    if (c.flags.find(key) >= 0) return kErrDeclaredTwice;
    int slot = -1;
    if (int r = c.flags.add(key, &slot)) return r;
    if (int r = emitByte(c, op(Op::VarFlag))) return r;
    if (int r = emitByte(c, static_cast<uint8_t>(slot))) return r;
    return emitByte(c, static_cast<uint8_t>(truth));
  }
  if (std::optional<int32_t> number = parseNumber(value)) {
    if (c.numbers.find(key) >= 0) return kErrDeclaredTwice;
    int slot = -1;
    if (int r = c.numbers.add(key, &slot)) return r;
    return emitSlotAndValue(c, op(Op::VarNumber), slot, *number);
  }
  return kErrSyntax;
}

int compileAssignment(Compiler& c, const StatementLine& s) {
  std::string_view name = lexerWord(s.line);
  const char* p = skipBlanks(s.line + name.size());
  if (*p != '=') return kErrSyntax;
  p = skipBlanks(p + 1);
  if (atLineEnd(p)) return kErrSyntax;
  if (*p == '"') return assignText(c, s, name, p);
  // [INIT] declares texts by assignment; everything else there is VAR's.
  if (c.inInit) return kErrNotHere;

  if (int truth = truthValue(p, lexerWord(p)); truth >= 0) {
    if (!onlyBlanks(p + lexerWord(p).size())) return kErrSyntax;
    int flag = c.flags.find(name);
    if (flag < 0) return kErrUndeclared;
    if (int r = emitByte(c, op(Op::SetFlag))) return r;
    if (int r = emitByte(c, static_cast<uint8_t>(flag))) return r;
    return emitByte(c, static_cast<uint8_t>(truth));
  }
  int used = 0;
  if (isKeyword(p, kTokRandom, &used)) {
    int number = c.numbers.find(name);
    if (number < 0) return kErrUndeclared;
    return assignRandom(c, number, p + used);
  }
  std::string_view word = lexerWord(p);
  std::optional<int32_t> value = word.size() > kMaxWordLength ? std::nullopt : parseNumber(word);
  if (!value) return kErrSyntax;
  if (!onlyBlanks(p + word.size())) return kErrSyntax;
  int number = c.numbers.find(name);
  if (number < 0) return kErrUndeclared;
  return emitSlotAndValue(c, op(Op::SetNumber), number, *value);
}

int compileChange(Compiler& c, const StatementLine& s) {
  std::string_view name = lexerWord(s.line);
  const char* p = skipBlanks(s.line + name.size());
  Op opcode;
  if (p[0] == '+' && p[1] == '=') {
    opcode = Op::AddNumber;
  } else if (p[0] == '-' && p[1] == '=') {
    opcode = Op::SubNumber;
  } else {
    return kErrSyntax;
  }
  p = skipBlanks(p + 2);
  if (atLineEnd(p)) return kErrSyntax;
  std::string_view word = lexerWord(p);
  std::optional<int32_t> value = word.size() > kMaxWordLength ? std::nullopt : parseNumber(word);
  if (!value || !onlyBlanks(p + word.size())) return kErrSyntax;
  int number = c.numbers.find(name);
  if (number < 0) return kErrUndeclared;
  return emitSlotAndValue(c, op(opcode), number, *value);
}

}  // namespace zox
