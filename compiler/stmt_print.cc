// Texts and output: PRINT and its new-line variants, continuation lines, WAIT, and the
// statements without operands.
#include <string>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

constexpr size_t kMaxItemListChars = 30;
// A text line that fills the screen row wraps by itself: the next line needs no line break.
constexpr int kFullRow = 80;

// PRINT x, shared by PRINT, PRINTNL, PRINTDNL and PRINTINP.
int printBody(Compiler& c, const StatementLine& s) {
  c.lastTextLineLength = 0;
  const char* p = skipBlanks(s.rest);
  if (atLineEnd(p)) return emitByte(c, op(Op::NewLine));

  if (*p == '"') {
    QuotedText quoted;
    if (int r = readFinalQuoted(s, p, quoted)) return r;
    if (int r = emitTextStatement(c, op(Op::Print), quoted)) return r;
    allowContinuation(c, quoted.text.size());
    return 0;
  }

  int used = 0;
  if (isKeyword(p, kTokRInfo, &used)) {
    return onlyBlanks(p + used) ? emitByte(c, op(Op::PrintRoomInfo)) : kErrSyntax;
  }
  if (isKeyword(p, kTokInventory, &used)) {
    return onlyBlanks(p + used) ? emitByte(c, op(Op::PrintInventory)) : kErrSyntax;
  }
  if (isKeyword(p, kTokItemList, &used)) {
    p += used;
    QuotedText quoted;
    if (int r = readFinalQuoted(s, p, quoted)) return r;
    if (quoted.text.size() > kMaxItemListChars) return kErrTooLong;
    return emitTextStatement(c, op(Op::PrintItemList), quoted);
  }

  std::string_view name = lexerWord(p);
  if (name.empty()) return kErrSyntax;
  if (name.size() > kMaxWordLength) return kErrTooLong;
  if (!onlyBlanks(p + name.size())) return kErrSyntax;
  // A name in several tables prints its text: INIT texts first, then room texts, then numbers.
  const NameKey key(name);
  if (int slot = c.initTexts.find(key); slot >= 0) {
    if (int r = emitByte(c, op(Op::PrintInitText))) return r;
    return emitByte(c, static_cast<uint8_t>(slot));
  }
  if (int slot = c.roomTexts.find(key); slot >= 0) {
    if (int r = emitByte(c, op(Op::PrintRoomText))) return r;
    return emitByte(c, static_cast<uint8_t>(slot));
  }
  if (int slot = c.numbers.find(key); slot >= 0) {
    if (int r = emitByte(c, op(Op::PrintNumber))) return r;
    return emitByte(c, static_cast<uint8_t>(slot));
  }
  return kErrUndeclared;
}

// Statements of one keyword and nothing after it.
int bare(Compiler& c, const StatementLine& s, Op opcode) {
  if (!onlyBlanks(s.rest)) return kErrSyntax;
  return emitByte(c, op(opcode));
}

}  // namespace

int compilePrint(Compiler& c, const StatementLine& s) {
  return printBody(c, s);
}

int compilePrintNl(Compiler& c, const StatementLine& s) {
  if (int r = emitByte(c, op(Op::NewLine))) return r;
  return printBody(c, s);
}

int compilePrintDnl(Compiler& c, const StatementLine& s) {
  if (int r = emitByte(c, op(Op::NewLine))) return r;
  if (int r = printBody(c, s)) return r;
  c.pendingNewLine = true;
  return 0;
}

int compilePrintInp(Compiler& c, const StatementLine& s) {
  if (int r = emitByte(c, op(Op::NewLine))) return r;
  if (int r = emitByte(c, op(Op::NewLine))) return r;
  if (int r = printBody(c, s)) return r;
  c.pendingNewLine = true;
  return 0;
}

// A line that begins with a quote goes on with the text stored just before it, at the running
// key position, after a line break unless the line before filled a whole row.
int compileContinuation(Compiler& c, const StatementLine& s) {
  if (!c.continuationAllowed) return kErrContinuation;
  QuotedText quoted;
  if (int r = readFinalQuoted(s, s.line, quoted)) return r;
  if (!quoted.allowed) return kErrBadCharacter;
  const bool lineBreak = c.lastTextLineLength != kFullRow;
  c.lastTextLineLength = static_cast<int>(quoted.text.size());
  if (lineBreak) {
    if (int r = emitTextContinued(c, "\n")) return r;
  }
  return emitTextContinued(c, quoted.text);
}

int compileWait(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (atLineEnd(p)) return emitByte(c, op(Op::Wait));
  if (*p == '"') {
    QuotedText quoted;
    if (int r = readFinalQuoted(s, p, quoted)) return r;
    return emitTextStatement(c, op(Op::WaitText), quoted);
  }
  std::string_view name = lexerWord(p);
  if (name.empty()) return kErrSyntax;
  if (name.size() > kMaxWordLength) return kErrTooLong;
  if (!onlyBlanks(p + name.size())) return kErrSyntax;
  const NameKey key(name);
  int slot = c.initTexts.find(key);
  Op opcode = Op::WaitInitText;
  if (slot < 0) {
    slot = c.roomTexts.find(key);
    opcode = Op::WaitRoomText;
  }
  if (slot < 0) return kErrNoTextVariable;
  if (int r = emitByte(c, op(opcode))) return r;
  return emitByte(c, static_cast<uint8_t>(slot));
}

int compileNl(Compiler& c, const StatementLine& s) {
  return bare(c, s, Op::NewLine);
}
int compileCls(Compiler& c, const StatementLine& s) {
  return bare(c, s, Op::Cls);
}
int compileQuit(Compiler& c, const StatementLine& s) {
  return bare(c, s, Op::Quit);
}
int compileResume(Compiler& c, const StatementLine& s) {
  return bare(c, s, Op::Resume);
}
int compileRestart(Compiler& c, const StatementLine& s) {
  return bare(c, s, Op::Restart);
}

}  // namespace zox
