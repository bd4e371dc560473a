// Writes compiled adventure files for tests statement by statement: opcodes and operands in
// the stored layout, scrambled texts, room headers that GO TO statements find by number.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "format/adventure_file.h"
#include "format/opcodes.h"
#include "format/text_key.h"

namespace zoxtest {

class Code {
 public:
  using Op = zox::Op;

  explicit Code(std::string name = "Test") : name_(std::move(name)) {}

  // Absolute file offset of the next byte written.
  uint32_t here() const { return zox::codeStartFor(name_.size()) + uint32_t(bytes_.size()); }

  Code& op(Op o) { return u8(zox::op(o)); }
  Code& u8(int v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Code& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Code& u32(uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
  // A text operand, scrambled from key position 0 (Latin-1; "\n" is a line break).
  Code& text(std::string_view latin1) {
    std::string s = zox::scramble(latin1).value();
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  Code& raw(std::initializer_list<int> bytes) {
    for (int b : bytes) u8(b);
    return *this;
  }

  // Sections.
  Code& init() { return op(Op::Init); }
  Code& room(int number) {
    rooms_[number] = here();
    return op(Op::Room).u16(number);
  }
  Code& status() { return room(0); }
  Code& inventory() { return op(Op::Inventory); }
  Code& end() { return op(Op::EndOfCode); }

  // Statements used often.
  Code& print(std::string_view s) { return op(Op::Print).text(s); }
  Code& nl() { return op(Op::NewLine); }
  Code& wait() { return op(Op::Wait); }
  Code& quit() { return op(Op::Quit); }
  Code& title(std::string_view s) { return op(Op::Title).text(s); }
  // GO TO the header of a room; the target is filled in by file().
  Code& go(int room) {
    op(Op::GoTo);
    fixups_.push_back({uint32_t(bytes_.size()), room});
    return u32(0);
  }
  Code& goTo(uint32_t offset) { return op(Op::GoTo).u32(offset); }
  // RESOURCE naming the offset of block n of the file (filled in by file(); a block the file
  // does not have gets the offset where it would begin).
  Code& resource(int block = 0, int kind = 0) {
    op(Op::Resource);
    blockFixups_.push_back({uint32_t(bytes_.size()), block});
    return u32(0).u8(kind);
  }
  Code& set(int var, int32_t v) { return op(Op::SetNumber).u8(var).u32(uint32_t(v)); }
  Code& var(int var, int32_t v) { return op(Op::VarNumber).u8(var).u32(uint32_t(v)); }
  Code& add(int var, int32_t v) { return op(Op::AddNumber).u8(var).u32(uint32_t(v)); }
  Code& sub(int var, int32_t v) { return op(Op::SubNumber).u8(var).u32(uint32_t(v)); }
  Code& printNumber(int var) { return op(Op::PrintNumber).u8(var); }
  Code& setFlag(int f, bool on) { return op(Op::SetFlag).u8(f).u8(on ? 1 : 0); }
  Code& ifFlag(int f, bool on) { return op(Op::IfFlag).u8(f).u8(on ? 1 : 0); }
  Code& ifEq(int var, int32_t v) { return op(Op::IfNumberEq).u8(var).u32(uint32_t(v)); }
  Code& ifGt(int var, int32_t v) { return op(Op::IfNumberGt).u8(var).u32(uint32_t(v)); }
  Code& ifLt(int var, int32_t v) { return op(Op::IfNumberLt).u8(var).u32(uint32_t(v)); }
  Code& orElse() { return op(Op::Else); }
  Code& endIf() { return op(Op::End); }
  Code& notIf() { return op(Op::Not); }
  Code& colour(Op o, int c) { return op(o).u8(c); }

  // The room header offsets recorded so far.
  uint32_t roomOffset(int number) const { return rooms_.at(number); }
  const std::vector<uint8_t>& code() const { return bytes_; }

  // The whole file, GO TO targets filled in.
  std::string file(uint8_t part = 1, uint8_t partCount = 1,
                   const std::vector<std::string>& resources = {}) const {
    std::vector<uint8_t> code = bytes_;
    for (const Fixup& f : fixups_) {
      auto it = rooms_.find(f.room);
      uint32_t target = it == rooms_.end() ? 0 : it->second;
      for (int i = 0; i < 4; ++i) code[f.at + i] = uint8_t(target >> (8 * i));
    }
    for (const Fixup& f : blockFixups_) {
      uint32_t at = zox::codeStartFor(name_.size()) + uint32_t(code.size()) + 4;
      for (int i = 0; i < f.room && i < int(resources.size()); ++i) {
        at += zox::kBlockHeaderBytes + uint32_t(resources[i].size());
      }
      for (int i = 0; i < 4; ++i) code[f.at + i] = uint8_t(at >> (8 * i));
    }
    std::vector<uint8_t> file = zox::buildAdventureFile(name_, part, partCount, code, resources);
    return std::string(file.begin(), file.end());
  }

 private:
  struct Fixup {
    uint32_t at;
    int room;  // the room, or the block of a RESOURCE
  };
  std::string name_;
  std::vector<uint8_t> bytes_;
  std::map<int, uint32_t> rooms_;
  std::vector<Fixup> fixups_;
  std::vector<Fixup> blockFixups_;
};

}  // namespace zoxtest
