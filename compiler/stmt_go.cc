// Jumps: GO in its four forms and CONTINUE to another part of the adventure.
#include <string>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace stmt {

int roomTarget(Compiler& c, const char* p, int* slot) {
  int used = 0;
  if (!isRoomWord(p, &used)) return kErrSyntax;
  return roomTargetName(c, p + used, slot);
}

int roomNameAt(const char* p, std::string_view* name) {
  const char* end = p;
  while (!atLineEnd(end) && *end != ' ' && *end != ']') ++end;
  if (static_cast<size_t>(end - p) > kMaxRoomNameLength) return kErrTooLong;
  if (*end != ']' || !onlyBlanks(end + 1)) return kErrSyntax;
  *name = std::string_view(p, static_cast<size_t>(end - p));
  return 0;
}

int roomTargetName(Compiler& c, const char* name, int* slot) {
  std::string_view room;
  if (int r = roomNameAt(name, &room)) return r;
  return c.rooms.add(room, slot);
}

}  // namespace stmt

namespace {
using namespace stmt;
}  // namespace

int compileGo(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (atLineEnd(p)) return kErrSyntax;
  int used = 0;
  if (isKeyword(p, kTokTo, &used)) p = skipBlanks(p + used);

  if (isRoomWord(p, &used)) {
    int slot = -1;
    if (int r = roomTargetName(c, p + used, &slot)) return r;
    if (int r = emitByte(c, op(Op::GoTo))) return r;
    // The room's slot until the GO TO pass puts the offset of its header there.
    return emitGoSlot(c, static_cast<uint32_t>(slot));
  }
  std::string_view word = lexerWord(p);
  if (equalsKeyword(word, "OTHERWISE")) {
    return onlyBlanks(p + word.size()) ? emitByte(c, op(Op::GoOtherwise)) : kErrSyntax;
  }
  if (*p == '(') {
    const char* q = skipBlanks(p + 1);
    word = lexerWord(q);
    if (!equalsKeyword(word, "OTHERWISE")) return kErrSyntax;
    q = skipBlanks(q + word.size());
    if (*q != ')' || !onlyBlanks(q + 1)) return kErrSyntax;
    return emitByte(c, op(Op::GoOtherwiseBracket));
  }
  return kErrSyntax;
}

int compileContinue(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  int used = 0;
  if (isKeyword(p, kTokWith, &used)) p = skipBlanks(p + used);
  unsigned part = 0;
  if (wordCode(p, &part, &used) != kTokPart) return kErrSyntax;
  if (!onlyBlanks(p + used)) return kErrSyntax;
  if (part < 1 || part > static_cast<unsigned>(c.partCount) ||
      part == static_cast<unsigned>(c.part)) {
    return kErrOutOfRange;
  }
  if (int r = emitByte(c, op(Op::Continue))) return r;
  return emitByte(c, static_cast<uint8_t>(part));
}

}  // namespace zox
