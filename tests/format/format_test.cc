// The compiled file's container and the text key: round trips, and one test per way the check
// can refuse a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "format/adventure_file.h"
#include "format/bytes.h"
#include "format/text_key.h"

namespace zox {
namespace {

TEST(FormatTextKey, ScramblesEveryAllowedCodeIntoTheTextRange) {
  for (uint8_t k : kTextKey) EXPECT_TRUE(k <= 32 || k >= 234) << int(k);
  std::string all;
  for (int c = 31; c <= 127; ++c) all.push_back(static_cast<char>(c));
  all += "\xC4\xE4\xD6\xF6\xDC\xFC\xDF\n";
  for (size_t start = 0; start < 16; ++start) {
    std::optional<std::string> s = scramble(all, start);
    ASSERT_TRUE(s);
    for (char b : *s) {
      EXPECT_GE(static_cast<uint8_t>(b), 1);
      EXPECT_LE(static_cast<uint8_t>(b), 0x9F);
    }
    EXPECT_EQ(unscramble(*s, start), all);
  }
}

TEST(FormatTextKey, MapsTheSevenLettersAndTheLineBreak) {
  EXPECT_EQ(textCode(0xC4), 23);
  EXPECT_EQ(textCode(0xE4), 24);
  EXPECT_EQ(textCode(0xD6), 25);
  EXPECT_EQ(textCode(0xF6), 26);
  EXPECT_EQ(textCode(0xDC), 27);
  EXPECT_EQ(textCode(0xFC), 28);
  EXPECT_EQ(textCode(0xDF), 29);
  EXPECT_EQ(textCode('\n'), 30);
  EXPECT_EQ(textCode('A'), 'A');
  // "ä" is code 24 plus the first key byte.
  EXPECT_EQ(scramble("\xE4"), std::string(1, static_cast<char>((24 + kTextKey[0]) & 0xFF)));
}

TEST(FormatTextKey, RefusesWhatATextCannotHold) {
  struct Case {
    std::string text;
    size_t bad;
  } cases[] = {
      {"caf\xE9", 3},        // é is no letter of the seven
      {"tab\there", 3},      // tab
      {"x\x7F\x80", 2},      // 127 is the last code
      {"\x16", 0},           // below 23
      {"ok\x17", 2},         // a raw 23 would come back as Ä
      {"\x1E", 0},           // a raw 30 would come back as a line break
      {std::string("a\0b", 3), 1},
  };
  for (const Case& c : cases) {
    size_t bad = 99;
    EXPECT_FALSE(scramble(c.text, 0, &bad)) << c.text;
    EXPECT_EQ(bad, c.bad) << c.text;
  }
}

TEST(FormatTextKey, UnscrambleRefusesBytesOutsideTheCodesAndStopsAtNul) {
  for (int code : {0, 22, 128, 200}) {
    std::string b(1, static_cast<char>((code + kTextKey[0]) & 0xFF));
    if (b[0] == 0) continue;
    EXPECT_FALSE(unscramble(b)) << code;
  }
  std::string s = *scramble("ab");
  EXPECT_EQ(unscramble(s + std::string(1, '\0') + "\xFF"), "ab");
  EXPECT_EQ(unscramble(""), "");
  // The key position matters: the same bytes at another position are another text.
  EXPECT_NE(unscramble(*scramble("hello", 3), 0), "hello");
}

// Corruption helpers in the manner of a log reader's tests: one fixture, one test per fault.
class FormatCheck : public ::testing::Test {
 protected:
  std::vector<uint8_t> file;
  AdventureIdentity identity;
  FileHeader header;

  void SetUp() override {
    // The smallest complete adventure: room 1, QUIT, end marker.
    const uint8_t code[] = {0xA1, 0x01, 0x00, 0xB3, 0xFF};
    file = buildAdventureFile("", 1, 1, code);
  }
  int check() { return checkBytes(file, identity); }
  int checkBytes(const std::vector<uint8_t>& bytes, AdventureIdentity& id) {
    std::FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    if (bytes.empty()) f = std::fopen("/dev/null", "rb");
    int r = checkAdventureFile(f, id, &header);
    std::fclose(f);
    return r;
  }
  void setByte(size_t at, uint8_t v) { file.at(at) = v; }
  void incrementByte(size_t at) { ++file.at(at); }
  void shrinkTo(size_t n) { file.resize(n); }
  void append(std::string_view bytes) { file.insert(file.end(), bytes.begin(), bytes.end()); }
  // Recomputes the code checksum after a deliberate change of the code area.
  void fixCodeChecksum() {
    uint32_t start = codeStartFor(0), end = loadU32(&file[10]);
    storeU32(&file[end], sum32(std::span<const uint8_t>(&file[start], end - start)));
  }
};

TEST_F(FormatCheck, TheTwentyThreeByteAdventureIsExactlyAsDocumented) {
  const std::vector<uint8_t> expected = {'Z',  'O',  'X',  'K',  'V',  0x91, 0x09, 0x00,
                                         0x01, 0x01, 0x13, 0x00, 0x00, 0x00, 0xA1, 0x01,
                                         0x00, 0xB3, 0xFF, 0x54, 0x02, 0x00, 0x00};
  EXPECT_EQ(file, expected);
  EXPECT_EQ(check(), 0);
  EXPECT_EQ(header.codeStart, 14u);
  EXPECT_EQ(header.codeEnd, 19u);
  EXPECT_EQ(header.codeChecksum, 596u);
  EXPECT_EQ(header.part, 1);
  EXPECT_EQ(identity.partCount, 1);
  EXPECT_TRUE(header.blocks.empty());
}

TEST_F(FormatCheck, EndMarkerAloneHasChecksum255) {
  const uint8_t code[] = {0xFF};
  file = buildAdventureFile("Tiny", 1, 1, code);
  EXPECT_EQ(check(), 0);
  EXPECT_EQ(header.codeChecksum, 255u);
  EXPECT_EQ(identity.name, "Tiny");
}

TEST_F(FormatCheck, TrailingBytes) {
  struct Case {
    size_t extra;
    int error;
  } cases[] = {{1, 0}, {2, 0}, {3, 0}, {4, 6}, {7, 6}};
  std::vector<uint8_t> sound = file;
  for (const Case& c : cases) {
    file = sound;
    append(std::string(c.extra, '\x01'));
    AdventureIdentity id;
    EXPECT_EQ(checkBytes(file, id), c.error) << c.extra << " trailing bytes";
  }
}

TEST_F(FormatCheck, ResourceBlocks) {
  const uint8_t code[] = {0xFF};
  file = buildAdventureFile("R", 1, 1, code, {"\x1b[31mred\x1b[0m", ""});
  EXPECT_EQ(check(), 0);
  ASSERT_EQ(header.blocks.size(), 2u);
  EXPECT_EQ(header.blocks[0].length, 12u);
  EXPECT_EQ(header.blocks[1].length, 0u);
  EXPECT_EQ(header.blocks[1].checksum, 0u);

  std::vector<uint8_t> sound = file;
  file[header.blocks[0].offset + 9] ^= 1;
  EXPECT_EQ(check(), 8) << "changed block data";
  file = sound;
  storeU32(&file[header.blocks[1].offset + 4], 5);  // the last block claims more than is there
  EXPECT_EQ(check(), 5) << "block past the end";
}

TEST_F(FormatCheck, ResourceStatementsOfInitMustNameABlock) {
  // [INIT with RESOURCE -> offset, a room, the end marker; blocks as given.
  auto build = [](int resourceBlock, int blocks, int offsetShift, bool inRoom) {
    const uint32_t codeStart = codeStartFor(1);
    std::vector<uint8_t> code;
    code.push_back(inRoom ? 0xA1 : 0xA0);
    if (inRoom) putU16(code, 1);
    const size_t operand = code.size() + 1;
    code.insert(code.end(), {0xE2, 0, 0, 0, 0, 0});
    code.insert(code.end(), {0xA1, 0x02, 0x00, 0xB3, 0xFF});
    std::vector<std::string> data(static_cast<size_t>(blocks), "pic");
    uint32_t at = codeStart + static_cast<uint32_t>(code.size()) + 4 +
                  static_cast<uint32_t>(resourceBlock) * (kBlockHeaderBytes + 3) + offsetShift;
    storeU32(&code[operand], at);
    return buildAdventureFile("R", 1, 1, code, data);
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    int verdict;
  } cases[] = {
      {"names its block", build(0, 1, 0, false), 0},
      {"names the second of two", build(1, 2, 0, false), 0},
      {"file cut where its block begins", build(0, 0, 0, false), 8},
      {"names a block after the last", build(1, 1, 0, false), 8},
      {"names the inside of a block", build(0, 1, 4, false), 8},
      {"outside [INIT it is not the container's business", build(0, 0, 0, true), 0},
  };
  for (const auto& c : cases) {
    file = c.bytes;
    ASSERT_EQ(check(), 0) << c.what << ": the container itself is sound";
    uint32_t where = 0;
    EXPECT_EQ(checkResourceOffsets(file, header, &where), c.verdict) << c.what;
    if (c.verdict != 0) {
      EXPECT_EQ(file.at(where), 0xE2) << c.what;
    }
  }
}

TEST_F(FormatCheck, BlocksBeyondWhatTheCompilerWritesAreRefused) {
  const uint8_t code[] = {0xFF};
  file = buildAdventureFile("B", 1, 1, code, std::vector<std::string>(kMostBlocks, ""));
  EXPECT_EQ(check(), 0);
  EXPECT_EQ(header.blocks.size(), kMostBlocks);
  append(std::string(8, '\0'));  // one empty block more
  EXPECT_EQ(check(), 8);
}

TEST_F(FormatCheck, EveryChangedCodeByteIsFound) {
  std::vector<uint8_t> sound = file;
  for (size_t at = 14; at < 19; ++at) {
    file = sound;
    incrementByte(at);
    EXPECT_EQ(check(), 8) << at;
  }
}

TEST_F(FormatCheck, HeaderVariants) {
  // "VORNIK" directly followed by the tab: an older header, read as version 145.
  std::vector<uint8_t> old = {'V', 'O', 'R', 'N', 'I', 'K'};
  old.insert(old.end(), file.begin() + 6, file.end());
  AdventureIdentity id;
  EXPECT_EQ(checkBytes(old, id), 0);
  EXPECT_EQ(header.version, 145);
  EXPECT_TRUE(header.oldMagic);

  // Bytes 3 and 4 are not examined.
  setByte(3, '?');
  setByte(4, '!');
  EXPECT_EQ(check(), 0);
}

TEST_F(FormatCheck, RefusedHeaders) {
  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
    int error;
  } cases[] = {
      {"magic", 0, 'Y', 8},         {"magic third letter", 2, 'Y', 8},
      {"version 131", 5, 131, 9},   {"version 154", 5, 154, 9},
      {"version 132", 5, 132, 0},   {"version 153", 5, 153, 0},
      {"separator", 6, ' ', 9},     {"part 2 of a first file", 8, 2, 12},
      {"part 0", 8, 0, 0},
  };
  std::vector<uint8_t> sound = file;
  for (const Case& c : cases) {
    file = sound;
    setByte(c.at, c.value);
    AdventureIdentity id;
    EXPECT_EQ(checkBytes(file, id), c.error) << c.what;
  }
}

TEST_F(FormatCheck, TruncatedFiles) {
  // Expected error for a file cut after n bytes.
  const int expected[] = {6, 6, 6, 6, 6, 6,   // the magic
                          6,                  // the separator
                          5,                  // inside the name
                          6,                  // part number
                          6,                  // part count
                          6, 6, 6, 6,         // code end
                          5, 5, 5, 5, 5,      // code area
                          6, 6, 6, 6};        // code checksum
  std::vector<uint8_t> sound = file;
  for (size_t n = 0; n < sound.size(); ++n) {
    file = sound;
    shrinkTo(n);
    AdventureIdentity id;
    EXPECT_EQ(checkBytes(file, id), expected[n]) << "cut after " << n << " bytes";
  }
}

TEST_F(FormatCheck, NameThatDoesNotUnscrambleIsAReadError) {
  const uint8_t code[] = {0xFF};
  file = buildAdventureFile("Ab", 1, 1, code);
  setByte(7, 0xF0);
  EXPECT_EQ(check(), 5);
}

TEST_F(FormatCheck, CodeEndBeforeCodeStartIsCorrupt) {
  storeU32(&file[10], 3);
  EXPECT_EQ(check(), 8);
}

TEST_F(FormatCheck, HugeCodeEndRunsOutOfFile) {
  storeU32(&file[10], 0xFFFFFFF0u);
  EXPECT_EQ(check(), 5);
}

TEST_F(FormatCheck, LaterPartsMustFitTheFirst) {
  const uint8_t code[] = {0xFF};
  AdventureIdentity id;
  std::vector<uint8_t> part1 = buildAdventureFile("Saga", 1, 3, code);
  ASSERT_EQ(checkBytes(part1, id), 0);
  EXPECT_EQ(id.partCount, 3);

  struct Case {
    const char* what;
    std::string name;
    uint8_t part, count;
    int error;
  } cases[] = {
      {"part 2 of 3", "Saga", 2, 3, 0},
      {"part 3 of 3", "Saga", 3, 3, 0},
      {"another name", "Sage", 2, 3, 12},
      {"part above the count", "Saga", 4, 3, 12},
      {"another count", "Saga", 2, 4, 12},
      {"back to part 1 with a new count", "Saga", 1, 5, 0},
  };
  for (const Case& c : cases) {
    AdventureIdentity known = id;
    EXPECT_EQ(checkBytes(buildAdventureFile(c.name, c.part, c.count, code), known), c.error)
        << c.what;
  }
}

TEST(FormatNames, PartFileNames) {
  EXPECT_EQ(partFileName("story.zox", 1), "story.zox");
  EXPECT_EQ(partFileName("story.zox", 2), "story.zo0");
  EXPECT_EQ(partFileName("story.zox", 11), "story.zo9");
  EXPECT_EQ(partFileName("A.ZOX", 3), "A.ZO1");
}

TEST(FormatBytes, LittleEndianAndWrappingSums) {
  std::vector<uint8_t> out;
  putU16(out, 0x1234);
  putU32(out, 0xFFFFFFFFu);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(loadU16(out.data()), 0x1234);
  EXPECT_EQ(loadU32(out.data() + 2), 0xFFFFFFFFu);
  EXPECT_EQ(sum32(out), 0x34u + 0x12u + 4u * 0xFFu);
  EXPECT_EQ(sum32Of(0x01020304u, 0xFFFFFFFFu), 9u);  // wraps
}

}  // namespace
}  // namespace zox
