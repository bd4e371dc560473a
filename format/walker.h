// Steps over a code area in memory statement by statement, using the operand layouts of the
// opcode table: fixed operands by layout, count-prefixed lists, texts up to the next opcode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "format/opcodes.h"

namespace zox {

// One stored statement as laid out in the code area. Offsets are indexes into the walked span
// plus its base offset, so they are file offsets when the span is the file's code area.
struct Statement {
  uint32_t offset = 0;  // the opcode byte
  uint8_t opcode = 0;
  const OpcodeInfo* info = nullptr;
  // Fixed operands in layout order (lists excluded); at most three per layout.
  std::array<uint32_t, 3> operands{};
  int operandCount = 0;
  // Where each fixed operand starts, e.g. to patch a GO TO target in place.
  std::array<uint32_t, 3> operandOffsets{};
  // Choice lists: the count byte, the entry mask (0 for layout 'l') and where the slots lie.
  uint8_t listCount = 0;
  uint16_t listMask = 0;
  uint32_t listOffset = 0;
  // Text operand: [textBegin, textEnd); empty when the next opcode follows at once.
  uint32_t textBegin = 0;
  uint32_t textEnd = 0;
  uint32_t next = 0;  // offset of the following statement
};

enum class WalkStatus {
  Ok,
  UnknownOpcode,  // a byte below 0xA0 where an opcode is due, or no opcode of the table
  Truncated,      // the area ends inside the operands or before the text's next opcode
};

class CodeWalker {
 public:
  // REQUIRES: code outlives the walker. base is the file offset of code[0]; the walk starts at
  // file offset start.
  CodeWalker(std::span<const uint8_t> code, uint32_t base, uint32_t start)
      : code_(code), base_(base), pos_(start) {}

  // Decodes the statement at the current position and moves past it. A text that runs to the
  // end of the span is Truncated: in a well-formed area the end marker stops it.
  WalkStatus next(Statement& out);

  uint32_t position() const { return pos_; }
  void seek(uint32_t offset) { pos_ = offset; }

  // The raw bytes of a statement's text operand.
  std::string_view text(const Statement& s) const;
  // The slots of a statement's choice list.
  std::span<const uint8_t> list(const Statement& s) const;

 private:
  std::span<const uint8_t> code_;
  uint32_t base_;
  uint32_t pos_;
};

}  // namespace zox
