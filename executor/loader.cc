// Reading the code area through the active cursor: bytes, integers, texts and whole statements.
#include <new>

#include "executor/engine.h"
#include "format/opcodes.h"
#include "format/text_key.h"

namespace zox {

bool zoxexec::seek(uint64_t offset) {
  return activeCursor().seek(file_, offset);
}

// Statements never reach past the code end: a code area whose end marker is missing, or whose
// last text runs on, is a read failure and not a walk through the checksum and the resources.
int zoxexec::readByte() {
  Cursor& c = activeCursor();
  if (c.position() >= codeEnd_) return -1;
  return c.readByte(file_);
}

bool zoxexec::readU16(uint16_t& value) {
  int lo = readByte();
  if (lo < 0) return false;
  int hi = readByte();
  if (hi < 0) return false;
  value = static_cast<uint16_t>(lo | (hi << 8));
  return true;
}

bool zoxexec::readU32(uint32_t& value) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    int b = readByte();
    if (b < 0) return false;
    v |= static_cast<uint32_t>(b) << (8 * i);
  }
  value = v;
  return true;
}

int zoxexec::readText() {
  std::string raw;
  try {
    for (;;) {
      int b = readByte();
      if (b < 0) return kStatementReadFailure;
      if (b >= kFirstOpcode) break;
      raw.push_back(static_cast<char>(b));
    }
    // The opcode that ended the text is the next statement's.
    activeCursor().stepBack();
    if (raw.empty()) {
      operands_.text.clear();
      return 0;
    }
    // A 0x00 never comes out of scrambling; the unscrambler would take it as the end.
    if (raw.find('\0') != std::string::npos) return kStatementUnknown;
    std::optional<std::string> text = unscramble(raw);
    if (!text) return kStatementUnknown;
    operands_.text = std::move(*text);
  } catch (const std::bad_alloc&) {
    return kStatementNoMemory;
  }
  return 0;
}

int zoxexec::fetchStatement() {
  int opcode = readByte();
  if (opcode < 0) return kStatementReadFailure;
  if (opcode != op(Op::Not)) return fetchOperands(opcode);
  // NOT: the statement after it must be an IF test; anything else makes the whole unknown
  // (it is still read whole, so that play can go on after it).
  int next = readByte();
  if (next < 0) return kStatementReadFailure;
  int kind = fetchOperands(next);
  if (kind < 0) return kind;
  if (!isNegatableTest(static_cast<uint8_t>(kind))) return kStatementUnknown;
  return kind | kNegated;
}

int zoxexec::fetchOperands(int opcode) {
  if (opcode == op(Op::EndOfCode)) return opcode;
  const OpcodeInfo* info =
      opcode >= kFirstOpcode ? opcodeInfo(static_cast<uint8_t>(opcode)) : nullptr;
  if (info == nullptr) return kStatementUnknown;
  Operands& o = operands_;
  uint8_t bytes[2] = {0, 0};
  int byteCount = 0;
  for (char layout : info->layout) {
    switch (layout) {
      case 'b':
      case 'c': {
        int b = readByte();
        if (b < 0) return kStatementReadFailure;
        if (byteCount < 2) bytes[byteCount++] = static_cast<uint8_t>(b);
        break;
      }
      case 'r': {
        if (!readU16(o.roomNumber)) return kStatementReadFailure;
        break;
      }
      case 'h': {
        uint16_t v;
        if (!readU16(v)) return kStatementReadFailure;
        o.value = v;
        break;
      }
      case 'w':
      case 'o': {
        uint32_t v;
        if (!readU32(v)) return kStatementReadFailure;
        o.value = static_cast<int32_t>(v);
        break;
      }
      case 'l':
      case 'm': {
        int count = readByte();
        if (count < 0) return kStatementReadFailure;
        o.valueByte = static_cast<uint8_t>(count);
        if (layout == 'm') {
          if (!readU16(o.listMask)) return kStatementReadFailure;
        } else {
          o.listMask = opcode == op(Op::ChooseInitTexts) ? 0xFFFF : 0;
        }
        // A longer list is read to its end; the choice menu refuses it.
        for (int i = 0; i < count; ++i) {
          int b = readByte();
          if (b < 0) return kStatementReadFailure;
          if (i < kChoiceListSize) o.list[i] = static_cast<uint8_t>(b);
        }
        break;
      }
      case 't': {
        int r = readText();
        if (r != 0) return r;
        break;
      }
    }
  }
  if (byteCount > 0) o.firstByte = bytes[0];
  if (byteCount > 1) o.secondByte = bytes[1];
  switch (static_cast<Op>(opcode)) {
    case Op::IfFlag:
    case Op::VarFlag:
    case Op::SetFlag:
      o.valueByte = bytes[1];
      break;
    case Op::StatusLines:
      // The status area has at most 15 rows; a larger count cannot come from the compiler.
      if (bytes[0] > kMaxStatusLines) return kStatementUnknown;
      o.valueByte = bytes[0];
      break;
    default:
      break;
  }
  if (isColourStatement(static_cast<uint8_t>(opcode)) && bytes[0] >= kColourCount &&
      bytes[0] != kColourDefault) {
    return kStatementUnknown;
  }
  return opcode;
}

}  // namespace zox
