// Statement-by-statement decoding of a code area.
#include "format/walker.h"

#include "format/bytes.h"

namespace zox {

WalkStatus CodeWalker::next(Statement& out) {
  out = Statement{};
  out.offset = pos_;
  if (pos_ < base_ || pos_ - base_ >= code_.size()) return WalkStatus::Truncated;
  size_t i = pos_ - base_;
  const size_t end = code_.size();
  out.opcode = code_[i];
  out.info = opcodeInfo(out.opcode);
  if (out.info == nullptr) return WalkStatus::UnknownOpcode;
  ++i;
  for (char kind : out.info->layout) {
    switch (kind) {
      case 'b':
      case 'c':
        if (i + 1 > end) return WalkStatus::Truncated;
        out.operandOffsets[out.operandCount] = static_cast<uint32_t>(base_ + i);
        out.operands[out.operandCount++] = code_[i];
        i += 1;
        break;
      case 'r':
      case 'h':
        if (i + 2 > end) return WalkStatus::Truncated;
        out.operandOffsets[out.operandCount] = static_cast<uint32_t>(base_ + i);
        out.operands[out.operandCount++] = loadU16(&code_[i]);
        i += 2;
        break;
      case 'w':
      case 'o':
        if (i + 4 > end) return WalkStatus::Truncated;
        out.operandOffsets[out.operandCount] = static_cast<uint32_t>(base_ + i);
        out.operands[out.operandCount++] = loadU32(&code_[i]);
        i += 4;
        break;
      case 'l':
      case 'm':
        if (i + 1 > end) return WalkStatus::Truncated;
        out.listCount = code_[i++];
        if (kind == 'm') {
          if (i + 2 > end) return WalkStatus::Truncated;
          out.listMask = loadU16(&code_[i]);
          i += 2;
        }
        if (i + out.listCount > end) return WalkStatus::Truncated;
        out.listOffset = static_cast<uint32_t>(base_ + i);
        i += out.listCount;
        break;
      case 't':
        out.textBegin = static_cast<uint32_t>(base_ + i);
        while (i < end && code_[i] < kFirstOpcode) ++i;
        if (i >= end) return WalkStatus::Truncated;
        out.textEnd = static_cast<uint32_t>(base_ + i);
        break;
    }
  }
  out.next = static_cast<uint32_t>(base_ + i);
  pos_ = out.next;
  return WalkStatus::Ok;
}

std::string_view CodeWalker::text(const Statement& s) const {
  if (s.textEnd <= s.textBegin) return {};
  return {reinterpret_cast<const char*>(code_.data()) + (s.textBegin - base_),
          s.textEnd - s.textBegin};
}

std::span<const uint8_t> CodeWalker::list(const Statement& s) const {
  if (s.listCount == 0) return {};
  return code_.subspan(s.listOffset - base_, s.listCount);
}

}  // namespace zox
