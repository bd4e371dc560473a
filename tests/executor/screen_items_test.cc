// zoxexec showing items, the inventory and ANSITEXT resources in a terminal.
#include <cstdio>

#include "code_builder.h"
#include "screen_helpers.h"

namespace zoxtest {
namespace {

using zox::Op;

constexpr double kLong = 30;  // seconds; the start has a pause of 2 seconds by design

int rowOf(Screen& s, const std::string& text) {
  for (int r = 0; r < s.rows(); ++r) {
    if (s.row(r).find(text) != std::string::npos) return r;
  }
  return -1;
}

TEST(ExecutorScreenItems, InventoryAndRoomItemLists) {
  const std::string chain = "a heavy chain of rusted iron";  // 28
  const std::string stick = "a silver candlestick, dented";  // 28
  const std::string notes = "a bundle of letters, tied up";  // 28
  TempDir dir;
  ASSERT_EQ(compileSource(dir, "items.adv",
                          "[ZOX \"Items\"]\n"
                          "[INIT]\n"
                          "VAR lamp = TRUE\nVAR key = TRUE\nVAR rope = TRUE\n"
                          "VAR shell = FALSE\n"
                          "VAR chain = FALSE\nVAR stick = FALSE\nVAR notes = FALSE\n"
                          "[ROOM shore]\n"
                          "ITEM shell = \"a shell\"\n"
                          "PRINT ITEMLIST \"You see: \"\n"
                          "NL\n"
                          "PRINT INVENTORY\n"
                          "NL\n"
                          "lamp = FALSE\nkey = FALSE\nrope = FALSE\n"
                          "PRINT INVENTORY\n"
                          "NL\n"
                          "chain = TRUE\nstick = TRUE\nnotes = TRUE\n"
                          "PRINT INVENTORY\n"
                          "WAIT \"(more)\"\n"
                          "GO TO [ROOM cave]\n"
                          "[ROOM cave]\n"
                          "PRINT ITEMLIST \"Here: \"\n"
                          "WAIT \"(end)\"\n"
                          "QUIT\n"
                          "[INVENTORY]\n"
                          "ITEM lamp = \"lamp\"\n"
                          "ITEM key = \"key\"\n"
                          "ITEM rope = \"rope\"\n"
                          "ITEM chain = \"" +
                              chain +
                              "\"\n"
                              "ITEM stick = \"" +
                              stick +
                              "\"\n"
                              "ITEM notes = \"" +
                              notes + "\"\n"),
            "");
  Exec e({"items.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("(more)", kLong)) << e.screen.dump();
  const int top = rowOf(e.screen, "You see:");
  ASSERT_GE(top, 0) << e.screen.dump();
  EXPECT_EQ(e.screen.row(top), "You see: nothing") << e.screen.dump();
  EXPECT_EQ(e.screen.row(top + 1), "INVENTORY: lamp, key, rope") << e.screen.dump();
  EXPECT_EQ(e.screen.row(top + 2), "INVENTORY: You have nothing !") << e.screen.dump();
  // The third name would reach the last column: it goes on the next row, under the first.
  EXPECT_EQ(e.screen.row(top + 3), "INVENTORY: " + chain + ", " + stick + ",") << e.screen.dump();
  EXPECT_EQ(e.screen.row(top + 4), std::string(11, ' ') + notes) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.screen.waitForText("(end)", kLong)) << e.screen.dump();
  EXPECT_NE(rowOf(e.screen, "Here: Item information not found !"), -1) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
}

// The compiler keeps ITEM lines at the start of their section; a file built by hand may have
// one further down, and it is never listed.
TEST(ExecutorScreenItems, AnItemAfterAnotherStatementIsNeverListed) {
  TempDir dir;
  Code c;
  c.init().op(Op::VarFlag).u8(0).u8(1).op(Op::VarFlag).u8(1).u8(1);
  c.room(1).op(Op::Item).u8(0).text("lamp").nl().op(Op::Item).u8(1).text("key");
  c.op(Op::PrintItemList).text("Here: ").op(Op::WaitText).text("(end)").quit().end();
  dir.write("late.zox", c.file());
  Exec e({"late.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("(end)", kLong)) << e.screen.dump();
  EXPECT_NE(rowOf(e.screen, "Here: lamp"), -1) << e.screen.dump();
  EXPECT_EQ(rowOf(e.screen, "key"), -1) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
}

TEST(ExecutorScreenItems, ResourceColoursAndLineFeeds) {
  TempDir dir;
  std::string plain;
  for (int i = 0; i < 200; ++i) plain.push_back(static_cast<char>('A' + i % 26));
  dir.write("plain.ans", plain);
  dir.write("map.ans",
            "before\r\n\x1b[1;33;44mYELLOW ON BLUE\x1b[0m after\r\n"
            "\x1b[7lone\r\ntwo\r\n");
  ASSERT_EQ(compileSource(dir, "pics.adv",
                          "[ZOX \"Pictures\"]\n"
                          "[INIT]\n"
                          "RESOURCE plain = \"plain.ans\" : ANSITEXT\n"
                          "RESOURCE map = \"map.ans\" : ANSITEXT\n"
                          "[ROOM gallery]\n"
                          "LOAD plain\n"
                          "NL\n"
                          "LOAD map\n"
                          "PRINT \"|back\"\n"
                          "WAIT \"(end)\"\n"
                          "QUIT\n"),
            "");
  Exec e({"pics.zox"}, dir);
  Screen& s = e.screen;
  ASSERT_TRUE(s.waitForText("(end)", kLong)) << s.dump();
  // Without escapes: the whole text, wrapped at the edge.
  const int first = rowOf(s, plain.substr(0, 80));
  ASSERT_GE(first, 0) << s.dump();
  EXPECT_EQ(s.row(first + 1), plain.substr(80, 80)) << s.dump();
  EXPECT_EQ(s.row(first + 2), plain.substr(160)) << s.dump();

  const int yellow = rowOf(s, "YELLOW ON BLUE after");
  ASSERT_GE(yellow, 0) << s.dump();
  EXPECT_EQ(s.row(yellow - 1), "before") << s.dump();
  // Bold brown is the console's yellow; blue is curses colour 4.
  EXPECT_EQ(s.cell(0, yellow).fg, 3) << s.dump();
  EXPECT_TRUE(s.cell(0, yellow).bold) << s.dump();
  EXPECT_EQ(s.cell(0, yellow).bg, 4) << s.dump();
  // Sequence 0 ends bold but keeps the colours.
  const int after = int(s.row(yellow).find("after"));
  EXPECT_EQ(s.cell(after, yellow).fg, 3) << s.dump();
  EXPECT_FALSE(s.cell(after, yellow).bold) << s.dump();
  EXPECT_EQ(s.cell(after, yellow).bg, 4) << s.dump();
  // Esc [ 7 l: the lines after it run together; then the text colour is back.
  EXPECT_EQ(s.row(yellow + 1), "onetwo|back") << s.dump();
  const int back = int(s.row(yellow + 1).find("|back"));
  EXPECT_EQ(s.cell(back, yellow + 1).fg, 7) << s.dump();
  EXPECT_EQ(s.cell(back, yellow + 1).bg, 0) << s.dump();
  EXPECT_FALSE(s.cell(back, yellow + 1).bold) << s.dump();
  s.send(" ");
  ASSERT_TRUE(e.finished()) << s.dump();
  EXPECT_EQ(e.status(), 255);
}

// Both parts declare the same picture; part 2's LOAD shows the one registered first, from part
// 1's file. When that file has gone, LOAD is refused with 64 and play goes on.
TEST(ExecutorScreenItems, ResourceOfAnEarlierPart) {
  TempDir dir;
  dir.write("map.ans", "MAP OF THE ISLE");
  ASSERT_EQ(compileSource(dir, "isle.adv",
                          "[ZOX \"Isle\" PART 2 OF 2]\n"
                          "[INIT]\n"
                          "RESOURCE map = \"map.ans\" : ANSITEXT\n"
                          "[ROOM beach]\n"
                          "LOAD map\n"
                          "WAIT \"(first)\"\n"
                          "LOAD map\n"
                          "WAIT \"(second)\"\n"
                          "QUIT\n"),
            "");
  ASSERT_EQ(compileSource(dir, "isle.adv",
                          "[ZOX \"Isle\" PART 1 OF 2]\n"
                          "[INIT]\n"
                          "RESOURCE map = \"map.ans\" : ANSITEXT\n"
                          "[ROOM boat]\n"
                          "CONTINUE [PART 2]\n"),
            "");
  ASSERT_TRUE(dir.exists("isle.zo0"));
  Exec e({"isle.zox"}, dir);
  ASSERT_TRUE(e.screen.waitForText("(first)", kLong)) << e.screen.dump();
  EXPECT_NE(rowOf(e.screen, "MAP OF THE ISLE"), -1) << e.screen.dump();
  ASSERT_EQ(std::remove(dir.file("isle.zox").c_str()), 0);
  e.screen.send(" ");
  ASSERT_TRUE(e.screen.waitForText("Error 64 at offset", kLong)) << e.screen.dump();
  ASSERT_TRUE(e.screen.waitForText("(I/R/E) ?", kLong)) << e.screen.dump();
  e.screen.send("i");
  ASSERT_TRUE(e.screen.waitForText("(second)", kLong)) << e.screen.dump();
  e.screen.send(" ");
  ASSERT_TRUE(e.finished()) << e.screen.dump();
  EXPECT_EQ(e.status(), 255);
}

}  // namespace
}  // namespace zoxtest
