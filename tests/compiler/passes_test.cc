// The GO TO pass, the resource blocks and the code checksum of the finished file.
#include <gtest/gtest.h>

#include <string>

#include "compile_helpers.h"
#include "format/adventure_file.h"
#include "format/bytes.h"

namespace zoxtest {
namespace {

using zox::CompileOutcome;

zox::FileHeader headerOf(const CompileOutcome& out, int* error) {
  std::vector<uint8_t> bytes = out.output;
  zox::FileHeader header;
  zox::AdventureIdentity id;
  std::FILE* f = fmemopen(bytes.data(), bytes.size() ? bytes.size() : 1, "rb");
  *error = f ? zox::checkAdventureFile(f, id, &header) : -1;
  if (f) std::fclose(f);
  return header;
}

TEST(CompilerPasses, JumpsGetTheOffsetOfTheirRoomHeader) {
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("[ROOM a]\nGO TO [ROOM c]\nGO [ROOM b]\n[ROOM b]\nGO TO [ROOM c]\n"
                      "[ROOM c]\nGO [ROOM a]\n"));
  ASSERT_EQ(out.status, 0) << out.report;
  int error = 0;
  zox::FileHeader h = headerOf(out, &error);
  ASSERT_EQ(error, 0);
  const std::vector<uint8_t>& f = out.output;
  // Room headers at code start + 0 (a), + 13 (b), + 21 (c).
  const uint32_t a = h.codeStart, b = a + 13, c = b + 8;
  ASSERT_EQ(f[a], 0xA1);
  ASSERT_EQ(f[b], 0xA1);
  ASSERT_EQ(f[c], 0xA1);
  EXPECT_EQ(f[a + 3], 0xE4);
  EXPECT_EQ(zox::loadU32(&f[a + 4]), c);
  EXPECT_EQ(zox::loadU32(&f[a + 9]), b);
  EXPECT_EQ(zox::loadU32(&f[b + 4]), c);
  EXPECT_EQ(zox::loadU32(&f[c + 4]), a);
  // The stored checksum counts the final jump targets.
  EXPECT_EQ(h.codeChecksum, zox::sum32(std::span(f).subspan(h.codeStart, h.codeEnd - h.codeStart)));
}

TEST(CompilerPasses, EveryRoomNamedButNeverDefinedIsListed) {
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("[ROOM a]\nGO TO [ROOM Cellar]\nGO TO [ROOM attic]\nGO TO [ROOM cellar]\n"));
  EXPECT_EQ(out.status, 33);
  EXPECT_EQ(errorWords(out), "33@0 33@0");
  EXPECT_FALSE(out.outputExists);
  EXPECT_NE(out.report.find("> Optimizing GO TOs      ... Please wait!\n\n"
                            "Error 33 : 'Cellar'\nError 33 : 'attic'\n\n02 error(s) found !"),
            std::string::npos)
      << out.report;
}

TEST(CompilerPasses, OperandBytesThatLookLikeOpcodesAreSteppedOver) {
  // 228 is 0xE4, the GO TO opcode, and 255 the end marker: as operand bytes they stay.
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("[INIT]\nVAR n = 228\nVAR m = -1\n[ROOM a]\nn = 58596\nGO TO [ROOM a]\n"));
  ASSERT_EQ(out.status, 0) << out.report;
  std::string code = listing(out);
  EXPECT_NE(code.find("VAR-NUMBER 0 228"), std::string::npos) << code;
  EXPECT_NE(code.find("VAR-NUMBER 1 -1"), std::string::npos) << code;
  EXPECT_NE(code.find("SET-NUMBER 0 58596"), std::string::npos) << code;
  int error = 0;
  headerOf(out, &error);
  EXPECT_EQ(error, 0);
}

TEST(CompilerPasses, ResourcesAreCopiedAsBlocksAndTheirOffsetsPatched) {
  TempDir dir;
  dir.write("empty.ans", "");
  const std::string logo = "\x1b[31mLOGO\x1b[0m\n";
  dir.write("logo.ans", logo);
  CompileOutcome out =
      compileText(dir, withHeader("[INIT]\nRESOURCE logo = \"" + dir.file("logo.ans") +
                                  "\" : ANSITEXT\nRESOURCE none = \"" + dir.file("empty.ans") +
                                  "\" : ANSITEXT\n[ROOM a]\nLOAD logo\nLOAD none\nQUIT\n"));
  ASSERT_EQ(out.status, 0) << out.report;
  EXPECT_NE(out.report.find("> 002 resource(s) stored ... [OK]"), std::string::npos) << out.report;
  int error = 0;
  zox::FileHeader h = headerOf(out, &error);
  ASSERT_EQ(error, 0);
  ASSERT_EQ(h.blocks.size(), 2u);
  EXPECT_EQ(h.blocks[0].offset, h.codeEnd + 4);
  EXPECT_EQ(h.blocks[0].length, logo.size());
  EXPECT_EQ(h.blocks[1].length, 0u);
  EXPECT_EQ(h.blocks[1].checksum, 0u);
  EXPECT_EQ(h.blocks[1].offset, h.blocks[0].offset + 8 + logo.size());
  const std::vector<uint8_t>& f = out.output;
  std::string data(f.begin() + h.blocks[0].offset + 8,
                   f.begin() + h.blocks[0].offset + 8 + logo.size());
  EXPECT_EQ(data, logo);
  // Each RESOURCE statement (0xE2, u32 offset, kind) holds its block's offset.
  uint32_t first = h.codeStart + 1;
  ASSERT_EQ(f[first], 0xE2);
  EXPECT_EQ(zox::loadU32(&f[first + 1]), h.blocks[0].offset);
  EXPECT_EQ(f[first + 6], 0xE2);
  EXPECT_EQ(zox::loadU32(&f[first + 7]), h.blocks[1].offset);
}

TEST(CompilerPasses, AResourceThatCannotBeReadStopsTheCompileWithoutAFile) {
  TempDir dir;
  ASSERT_EQ(system(("mkdir " + dir.file("adir")).c_str()), 0);
  // A folder is refused as no resource, like a missing file.
  const struct {
    std::string path;
    int status;
  } cases[] = {{dir.file("missing.ans"), 4}, {dir.file("adir"), 4}, {dir.file("story.zox"), 4}};
  for (const auto& k : cases) {
    CompileOutcome out = compileText(
        dir, withHeader("[INIT]\nRESOURCE r = \"" + k.path + "\" : ANSITEXT\n[ROOM a]\nQUIT\n"));
    EXPECT_EQ(out.status, k.status) << k.path;
    EXPECT_FALSE(out.outputExists) << k.path;
    EXPECT_NE(out.report.find("> 000 resource(s) stored ... Please wait !\n\nError 0" +
                              std::to_string(k.status) + " !"),
              std::string::npos)
        << out.report;
  }
}

TEST(CompilerPasses, OneLineIfsGetTheirAutomaticEnds) {
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN IF f THEN PRINT \"x\"\n"
                      "IF f THEN CLS / NL\nxyzzy\n"));
  EXPECT_EQ(errorWords(out), "21@7");
  CompileOutcome good = compileText(
      dir, withHeader("[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN IF f THEN PRINT \"x\"\n"
                      "IF f THEN CLS / NL\n"));
  ASSERT_EQ(good.status, 0) << good.report;
  EXPECT_EQ(listing(good),
            "INIT\nVAR-FLAG 0 1\nROOM 1\nIF-FLAG 0 1\nIF-FLAG 0 1\nPRINT \"x\"\n"
            "END\nEND\nIF-FLAG 0 1\nCLS\nEND\nNL\nEND-OF-CODE\n");
}

}  // namespace
}  // namespace zoxtest
