// Number variables, flags and the IF/ELSE/END block structure at run time.
#include <cstdlib>

#include "executor/engine.h"
#include "executor/errors.h"
#include "format/opcodes.h"

namespace zox {

void zoxexec::variableStatement(int kind) {
  const Operands& o = operands_;
  int32_t& v = numbers_[o.firstByte];
  switch (static_cast<Op>(kind)) {
    case Op::SetNumber:
      v = o.value;
      break;
    case Op::AddNumber:  // both wrap at 32 bits
      v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(o.value));
      break;
    case Op::SubNumber:
      v = static_cast<int32_t>(static_cast<uint32_t>(v) - static_cast<uint32_t>(o.value));
      break;
    case Op::Random: {
      const uint32_t limit = static_cast<uint16_t>(o.value);
      v = static_cast<int32_t>(static_cast<uint32_t>(std::rand()) % (limit + 1));
      break;
    }
    case Op::SetFlag:
      setFlag(o.firstByte, o.valueByte != 0);
      break;
    default:
      break;
  }
}

bool zoxexec::testCondition(int kind) const {
  const Operands& o = operands_;
  const int32_t a = numbers_[o.firstByte];
  const int32_t b = numbers_[o.secondByte];
  bool entered;
  switch (static_cast<Op>(kind & 0xFF)) {
    case Op::IfChoice:
      entered = choiceResult_ == o.firstByte;
      break;
    case Op::IfFlag:
      entered = flag(o.firstByte) == (o.valueByte != 0);
      break;
    case Op::IfNumberEq:
      entered = a == o.value;
      break;
    case Op::IfNumberGt:
      entered = a > o.value;
      break;
    case Op::IfNumberLt:
      entered = a < o.value;
      break;
    case Op::IfNumbersEq:
      entered = a == b;
      break;
    case Op::IfNumbersGt:
      entered = a > b;
      break;
    case Op::IfNumbersLt:
      entered = a < b;
      break;
    default:
      entered = false;
      break;
  }
  return (kind & kNegated) ? !entered : entered;
}

int zoxexec::enterOrSkip(bool entered) {
  if (entered) {
    ++ifDepth_;
    return 0;
  }
  SkipStop stop;
  int r = skipBlock(true, &stop);
  if (r != 0) return r;
  if (stop == SkipStop::Else) ++ifDepth_;
  return 0;
}

// The ELSE part of an entered block is passed over. With no block open (a command prompt or a
// room entry inside the block set the depth to 0) the depth stays at 0.
int zoxexec::elseReached() {
  int r = skipBlock(false, nullptr);
  if (ifDepth_ > 0) --ifDepth_;
  return r;
}

int zoxexec::endReached() {
  if (ifDepth_ <= 0) return kErrEndWithoutIf;
  --ifDepth_;
  return 0;
}

// Nested blocks are counted rather than skipped by recursion, so that no depth of nesting in a
// damaged file can exhaust the stack.
int zoxexec::skipBlock(bool stopAtElse, SkipStop* stoppedAt) {
  uint64_t nested = 0;
  for (;;) {
    const int kind = fetchStatement();
    if (kind == kStatementUnknown) return kErrUnknownStatement;
    if (kind == kStatementReadFailure) return kErrEndOfFile;
    if (kind == kStatementNoMemory) return kErrNoMemory;
    if (isNegatableTest(static_cast<uint8_t>(kind & 0xFF))) {
      ++nested;
      continue;
    }
    switch (static_cast<Op>(kind)) {
      case Op::Else:
        if (nested == 0 && stopAtElse) {
          if (stoppedAt) *stoppedAt = SkipStop::Else;
          return 0;
        }
        break;
      case Op::End:
        if (nested == 0) {
          if (stoppedAt) *stoppedAt = SkipStop::End;
          return 0;
        }
        --nested;
        break;
      case Op::Room:
      case Op::Init:
      case Op::BracketClause:
      case Op::ColonClause:
      case Op::BracketOtherwise:
      case Op::ColonOtherwise:
        return kErrBlockNotClosed;
      case Op::EndOfCode:
        return kErrEndOfFile;
      default:
        break;
    }
  }
}

}  // namespace zox
