// The opcode table and the code walker: layouts, lists, texts and damaged code areas.
#include <gtest/gtest.h>

#include <vector>

#include "format/opcodes.h"
#include "format/text_key.h"
#include "format/walker.h"

namespace zox {
namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

TEST(FormatOpcodes, TableCoversExactlyTheStoredStatements) {
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    const OpcodeInfo* info = opcodeInfo(static_cast<uint8_t>(b));
    if (b < 0xA0 || (b > 0xED && b != 0xFF)) {
      EXPECT_EQ(info, nullptr) << b;
      continue;
    }
    ASSERT_NE(info, nullptr) << b;
    EXPECT_EQ(info->code, b);
    // A text is always the last operand.
    EXPECT_EQ(info->layout.find('t'), info->hasText() ? info->layout.size() - 1 : std::string::npos);
    ++count;
  }
  EXPECT_EQ(count, 0xED - 0xA0 + 1 + 1);
  EXPECT_TRUE(isNegatableTest(0xA9));
  EXPECT_TRUE(isNegatableTest(0xDD));
  EXPECT_FALSE(isNegatableTest(0xAE));
  EXPECT_TRUE(isColourStatement(0xCC));
  EXPECT_TRUE(isColourStatement(0xE7));
  EXPECT_FALSE(isColourStatement(0xE5));
}

TEST(FormatWalker, StepsOverOperandsThatLookLikeOpcodes) {
  // A room text variable in slot 228 (0xE4, the GO TO opcode), a choice block whose mask bytes
  // are 0xE4 too, a number whose bytes are all 0xFF, then a real GO TO and the end marker.
  std::string text = *scramble("Hi");
  std::vector<uint8_t> code = bytes({0xA1, 0x01, 0x00,                    // ROOM 1
                                     0xA3, 0xE4,                          // PRINT slot 228
                                     0xE9, 0x02, 0xE4, 0xE4, 0xE4, 0x05,  // CHOOSE block
                                     0xAE, 0x03, 0xFF, 0xFF, 0xFF, 0xFF,  // n = -1
                                     0xC7});
  code.insert(code.end(), text.begin(), text.end());
  for (int b : {0xE4, 0x0E, 0x00, 0x00, 0x00, 0xFF}) code.push_back(static_cast<uint8_t>(b));

  const uint32_t base = 14;
  CodeWalker w(code, base, base);
  std::vector<uint8_t> seen;
  Statement s;
  while (w.next(s) == WalkStatus::Ok) {
    seen.push_back(s.opcode);
    if (s.opcode == 0xE9) {
      EXPECT_EQ(s.listCount, 2);
      EXPECT_EQ(s.listMask, 0xE4E4);
      EXPECT_EQ(w.list(s).size(), 2u);
      EXPECT_EQ(w.list(s)[1], 0x05);
    }
    if (s.opcode == 0xAE) {
      EXPECT_EQ(static_cast<int32_t>(s.operands[1]), -1);
    }
    if (s.opcode == 0xC7) {
      EXPECT_EQ(unscramble(w.text(s)), "Hi");
    }
    if (s.opcode == 0xE4) {
      EXPECT_EQ(s.operands[0], 14u);
      EXPECT_EQ(s.operandOffsets[0], s.offset + 1);
    }
    if (s.opcode == 0xFF) break;
  }
  EXPECT_EQ(seen, bytes({0xA1, 0xA3, 0xE9, 0xAE, 0xC7, 0xE4, 0xFF}));
  EXPECT_EQ(w.position(), base + code.size());
}

TEST(FormatWalker, EmptyTextEndsAtTheNextOpcode) {
  std::vector<uint8_t> code = bytes({0xC7, 0xB3, 0xFF});
  CodeWalker w(code, 0, 0);
  Statement s;
  ASSERT_EQ(w.next(s), WalkStatus::Ok);
  EXPECT_EQ(s.textBegin, s.textEnd);
  EXPECT_EQ(w.text(s), "");
  EXPECT_EQ(s.next, 1u);
}

TEST(FormatWalker, DamagedAreas) {
  struct Case {
    const char* what;
    std::vector<uint8_t> code;
    WalkStatus status;
  } cases[] = {
      {"text byte where an opcode is due", bytes({0x41}), WalkStatus::UnknownOpcode},
      {"opcode beyond the table", bytes({0xEE}), WalkStatus::UnknownOpcode},
      {"cut inside a u32", bytes({0xAE, 0x01, 0x02}), WalkStatus::Truncated},
      {"text without a following opcode", bytes({0xC7, 0x41, 0x42}), WalkStatus::Truncated},
      {"list longer than the area", bytes({0xA7, 200, 1, 2}), WalkStatus::Truncated},
      {"mask cut off", bytes({0xEC, 1, 0}), WalkStatus::Truncated},
      {"nothing at all", bytes({}), WalkStatus::Truncated},
  };
  for (const Case& c : cases) {
    CodeWalker w(c.code, 0, 0);
    Statement s;
    EXPECT_EQ(w.next(s), c.status) << c.what;
  }
}

}  // namespace
}  // namespace zox
