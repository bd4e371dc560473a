// Reading the code area through the active cursor: bytes, integers, texts and whole statements.
#include <algorithm>
#include <array>
#include <new>
#include <span>
#include <string_view>

#include "executor/engine.h"
#include "format/bytes.h"
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

namespace {

// The operand shapes of the opcode table's layouts: a statement is decoded by its shape in
// one step, without going through its layout letter by letter.
enum class Shape : uint8_t {
  None,
  Byte,        // b, c
  TwoBytes,    // bb
  ByteNumber,  // bw
  ByteHalf,    // bh
  Room,        // r
  Offset,      // o
  OffsetByte,  // ob
  Text,        // t
  ByteText,    // bt
  List,        // l
  MaskedList,  // m
  Other,       // a layout this table does not know: read through the cursor
};

constexpr Shape shapeOf(std::string_view layout) {
  if (layout.empty()) return Shape::None;
  if (layout == "b" || layout == "c") return Shape::Byte;
  if (layout == "bb") return Shape::TwoBytes;
  if (layout == "bw") return Shape::ByteNumber;
  if (layout == "bh") return Shape::ByteHalf;
  if (layout == "r") return Shape::Room;
  if (layout == "o") return Shape::Offset;
  if (layout == "ob") return Shape::OffsetByte;
  if (layout == "t") return Shape::Text;
  if (layout == "bt") return Shape::ByteText;
  if (layout == "l") return Shape::List;
  if (layout == "m") return Shape::MaskedList;
  return Shape::Other;
}

// Bytes of the fixed operands of a shape (a list's count and mask, not its slots).
constexpr size_t fixedBytesOf(Shape shape) {
  switch (shape) {
    case Shape::Byte:
    case Shape::List:
      return 1;
    case Shape::TwoBytes:
    case Shape::Room:
      return 2;
    case Shape::ByteHalf:
    case Shape::MaskedList:
      return 3;
    case Shape::Offset:
      return 4;
    case Shape::ByteNumber:
    case Shape::OffsetByte:
      return 5;
    case Shape::ByteText:
      return 1;
    default:
      return 0;
  }
}

struct FetchEntry {
  bool valid = false;  // false: no statement
  Shape shape = Shape::None;
};

constexpr std::array<FetchEntry, 256> kFetch = [] {
  std::array<FetchEntry, 256> entries{};
#define ZOX_FETCH_ENTRY(name, code, layout, dump) entries[code] = FetchEntry{true, shapeOf(layout)};
  ZOX_OPCODES(ZOX_FETCH_ENTRY)
#undef ZOX_FETCH_ENTRY
  return entries;
}();

// A fetch from the window that finds the statement running past it: the cursor reads it.
constexpr int kPastWindow = -100;
// Texts up to this long are unscrambled from the window; a longer one is read by the cursor.
constexpr size_t kInPlaceTextBytes = 512;

// The operands of a statement with a text (the byte before it, if any, at p), decoded where they
// lie as decodeInWindow says. Apart, so that the statements without a text need no room for
// one.
template <typename Operands>
[[gnu::noinline]] int decodeText(int opcode, const uint8_t* p, const uint8_t* end,
                                 const uint8_t** next, Operands& o) {
  const bool withByte = kFetch[static_cast<size_t>(opcode)].shape == Shape::ByteText;
  // The text runs to the next opcode, which must lie in the window.
  const uint8_t* text = withByte ? p + 1 : p;
  const uint8_t* stop = text;
  while (stop < end && *stop < kFirstOpcode) ++stop;
  if (stop == end || static_cast<size_t>(stop - text) > kInPlaceTextBytes) return kPastWindow;
  char plain[kInPlaceTextBytes];
  const size_t n = static_cast<size_t>(stop - text);
  *next = stop;
  if (!unscrambleTo(std::string_view(reinterpret_cast<const char*>(text), n), 0, plain)) {
    return kStatementUnknown;
  }
  try {
    o.text.assign(plain, n);
  } catch (const std::bad_alloc&) {
    return kStatementNoMemory;
  }
  if (withByte) o.firstByte = p[0];
  return opcode;
}

// The operands of the statement whose opcode is at p, decoded where they lie (the window ends
// at `end`) into the engine's operand fields `o`: the same fields, with the same values, as
// fetchOperands fills through the cursor. The kind as fetchStatement gives it, with *next after
// the statement; or kPastWindow, having changed nothing, when it does not end before `end`.
template <typename Operands>
int decodeInWindow(const uint8_t* p, const uint8_t* end, const uint8_t** next, Operands& o) {
  const int opcode = *p++;
  *next = p;
  if (opcode == op(Op::EndOfCode)) return opcode;
  const FetchEntry entry = kFetch[static_cast<size_t>(opcode)];
  if (!entry.valid) return kStatementUnknown;
  const Shape shape = entry.shape;
  if (shape == Shape::Other) return kPastWindow;
  const size_t fixed = fixedBytesOf(shape);
  if (static_cast<size_t>(end - p) < fixed) return kPastWindow;

  switch (shape) {
    case Shape::None:
      return opcode;
    case Shape::Byte:
      o.firstByte = p[0];
      *next = p + 1;
      break;
    case Shape::TwoBytes:
      o.firstByte = p[0];
      o.secondByte = p[1];
      *next = p + 2;
      break;
    case Shape::ByteNumber:
      o.value = static_cast<int32_t>(loadU32(p + 1));
      o.firstByte = p[0];
      *next = p + 5;
      return opcode;
    case Shape::ByteHalf:
      o.value = loadU16(p + 1);
      o.firstByte = p[0];
      *next = p + 3;
      return opcode;
    case Shape::Room:
      o.roomNumber = loadU16(p);
      *next = p + 2;
      return opcode;
    case Shape::Offset:
      o.value = static_cast<int32_t>(loadU32(p));
      *next = p + 4;
      return opcode;
    case Shape::OffsetByte:
      o.value = static_cast<int32_t>(loadU32(p));
      o.firstByte = p[4];
      *next = p + 5;
      return opcode;
    case Shape::Text:
    case Shape::ByteText:
      return decodeText(opcode, p, end, next, o);
    case Shape::List:
    case Shape::MaskedList: {
      const size_t count = p[0];
      if (static_cast<size_t>(end - p) - fixed < count) return kPastWindow;
      o.valueByte = static_cast<uint8_t>(count);
      if (shape == Shape::MaskedList) {
        o.listMask = loadU16(p + 1);
      } else {
        o.listMask = opcode == op(Op::ChooseInitTexts) ? 0xFFFF : 0;
      }
      // A longer list is passed over; the choice menu refuses it.
      const uint8_t* slots = p + fixed;
      std::copy_n(slots, std::min(count, o.list.size()), o.list.begin());
      *next = slots + count;
      return opcode;
    }
    default:
      return kPastWindow;
  }
  // The one-byte shapes: flag values, the status line count and colours are checked.
  switch (static_cast<Op>(opcode)) {
    case Op::IfFlag:
    case Op::VarFlag:
    case Op::SetFlag:
      o.valueByte = o.secondByte;
      break;
    case Op::StatusLines:
      // The status area has at most 15 rows; a larger count cannot come from the compiler.
      if (o.firstByte > zoxexec::kMaxStatusLines) return kStatementUnknown;
      o.valueByte = o.firstByte;
      break;
    default:
      if (isColourStatement(static_cast<uint8_t>(opcode)) && o.firstByte >= kColourCount &&
          o.firstByte != kColourDefault) {
        return kStatementUnknown;
      }
      break;
  }
  return opcode;
}

}  // namespace

int zoxexec::fetchStatement() {
  // Most statements lie whole in the cursor's window: their operands are decoded where they
  // lie. One that runs past the window (or the code end) is read byte by byte below.
  Cursor& cursor = activeCursor();
  const std::span<const uint8_t> window = cursor.ahead();
  if (!window.empty() && cursor.position() < codeEnd_) {
    const uint8_t* at = window.data();
    const uint8_t* end = at + std::min<uint64_t>(window.size(), codeEnd_ - cursor.position());
    const uint8_t* next = at;
    int kind = decodeInWindow(at, end, &next, operands_);
    if (kind == op(Op::Not)) {
      // NOT: the statement after it must be an IF test; anything else makes the whole unknown
      // (it is still read whole, so that play can go on after it).
      kind = next == end ? kPastWindow : decodeInWindow(next, end, &next, operands_);
      if (kind >= 0) {
        kind = isNegatableTest(static_cast<uint8_t>(kind)) ? kind | kNegated : kStatementUnknown;
      }
    }
    if (kind != kPastWindow) {
      cursor.skip(static_cast<size_t>(next - at));
      return kind;
    }
  }
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
