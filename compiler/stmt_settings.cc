// Settings: the text settings of [INIT] (TITLE, CTEXT, ITEXT, INTEXT, PASSWORD), RINFO, the ten
// colour settings, START, STATUSLINES and the interface messages IMSGn.
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

constexpr size_t kMinPasswordChars = 5;
constexpr size_t kMaxPasswordChars = 50;
constexpr int32_t kMaxStatusLines = 15;
constexpr unsigned kFirstMessage = 1;
constexpr unsigned kLastMessage = 19;

// keyword = "text" and nothing after it.
int readSettingText(const StatementLine& s, QuotedText& quoted) {
  const char* p = skipBlanks(s.rest);
  if (*p != '=') return kErrSyntax;
  ++p;
  return readFinalQuoted(s, p, quoted);
}

// The once-only text settings: conversion is checked before the second occurrence.
int onceOnlyText(Compiler& c, const StatementLine& s, Op opcode, bool& seen, int twice,
                 QuotedText& quoted) {
  if (int r = readSettingText(s, quoted)) return r;
  if (!quoted.allowed) return kErrBadCharacter;
  if (seen) return twice;
  if (int r = emitTextStatement(c, op(opcode), quoted)) return r;
  seen = true;
  return 0;
}

}  // namespace

// The title may go on over continuation lines, which follow the rule of PRINT texts: a line
// break before each, unless the line before had exactly 80 characters.
int compileTitle(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  if (int r = onceOnlyText(c, s, Op::Title, c.seenTitle, kErrTitleTwice, quoted)) return r;
  allowContinuation(c, quoted.text.size());
  return 0;
}

int compileChoiceText(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  return onceOnlyText(c, s, Op::ChoiceText, c.seenCText, kErrChoiceTextTwice, quoted);
}

int compileInputText(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  return onceOnlyText(c, s, Op::InputText, c.seenIText, kErrInputTextTwice, quoted);
}

int compileNumberText(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  return onceOnlyText(c, s, Op::NumberText, c.seenInText, kErrNumberTextTwice, quoted);
}

int compilePassword(Compiler& c, const StatementLine& s) {
  if (c.seenPassword) return kErrPassword;
  QuotedText quoted;
  if (int r = readSettingText(s, quoted)) return r;
  if (quoted.text.size() < kMinPasswordChars || quoted.text.size() > kMaxPasswordChars) {
    return kErrPasswordLength;
  }
  if (int r = emitTextStatement(c, op(Op::Password), quoted)) return r;
  c.seenPassword = true;
  return 0;
}

int compileRoomInfo(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  if (int r = readSettingText(s, quoted)) return r;
  if (int r = emitTextStatement(c, op(Op::RoomInfo), quoted)) return r;
  allowContinuation(c, quoted.text.size());
  return 0;
}

int compileStart(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (*p != '=') return kErrSyntax;
  p = skipBlanks(p + 1);
  int slot = -1;
  if (int r = roomTarget(c, p, &slot)) return r;
  if (c.seenStart) return kErrStartTwice;
  if (int r = emitByte(c, op(Op::Start))) return r;
  if (int r = emitU16(c, static_cast<uint16_t>(slot + 1))) return r;
  c.seenStart = true;
  return 0;
}

int compileColour(Compiler& c, const StatementLine& s) {
  Op opcode;
  if (s.code >= kTokTextColor && s.code <= kTokTitleBackground) {
    opcode = static_cast<Op>(op(Op::TextColor) + (s.code - kTokTextColor));
  } else if (s.code == kTokStatusColor) {
    opcode = Op::StatusColor;
  } else if (s.code == kTokStatusBackground) {
    opcode = Op::StatusBackground;
  } else {
    return kErrSyntax;
  }
  const char* p = skipBlanks(s.rest);
  if (*p != '=') return kErrSyntax;
  p = skipBlanks(p + 1);
  int used = 0;
  int code = wordCode(p, nullptr, &used);
  if (code == kNoWord || static_cast<size_t>(used) != lexerWord(p).size()) return kErrSyntax;
  uint8_t colour;
  if (code >= kTokBlack && code <= kTokWhite) {
    colour = static_cast<uint8_t>(code - kTokBlack);
  } else if (code == kTokDefault && !c.inInit) {
    // DEFAULT goes back to the colour [INIT] set; in [INIT] there is none to go back to.
    colour = kColourDefault;
  } else {
    return kErrSyntax;
  }
  if (!onlyBlanks(p + used)) return kErrSyntax;
  if (int r = emitByte(c, op(opcode))) return r;
  return emitByte(c, colour);
}

int compileStatusLines(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (*p != '=') return kErrSyntax;
  p = skipBlanks(p + 1);
  if (atLineEnd(p)) return kErrSyntax;
  std::string_view word = plainWord(p, "=");
  if (word.size() > kMaxWordLength) return kErrTooLong;
  std::optional<int32_t> lines = parseNumber(word);
  if (!lines || *lines < 0 || *lines > kMaxStatusLines) return kErrSyntax;
  if (!onlyBlanks(p + word.size())) return kErrSyntax;
  if (c.inInit && c.seenStatusLines) return kErrStatusLinesTwice;
  if (int r = emitByte(c, op(Op::StatusLines))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(*lines))) return r;
  c.seenStatusLines = true;
  return 0;
}

int compileMessage(Compiler& c, const StatementLine& s) {
  QuotedText quoted;
  if (int r = readSettingText(s, quoted)) return r;
  if (!quoted.allowed) return kErrBadCharacter;
  if (s.number < kFirstMessage || s.number > kLastMessage) return kErrOutOfRange;
  if (int r = emitByte(c, op(Op::Message))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(s.number))) return r;
  if (int r = emitText(c, quoted.text)) return r;
  allowContinuation(c, quoted.text.size());
  return 0;
}

}  // namespace zox
