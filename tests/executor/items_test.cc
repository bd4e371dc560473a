// Items, the inventory and room item lists, INFO and ANSITEXT resources, without a terminal.
#include <algorithm>
#include <functional>

#include "engine_fixture.h"

namespace zoxtest {
namespace {

using zox::Op;

using ExecutorItems = EngineTest;

Code& item(Code& c, int flag, std::string_view name) {
  return c.op(Op::Item).u8(flag).text(name);
}

Code& varFlag(Code& c, int flag, bool on) {
  return c.op(Op::VarFlag).u8(flag).u8(on ? 1 : 0);
}

// The printText and setColour calls since a mark, in order.
std::vector<std::string> traceSince(size_t mark) {
  const auto& t = fakeScreen().trace;
  return std::vector<std::string>(t.begin() + std::min(mark, t.size()), t.end());
}

TEST_F(ExecutorItems, InventoryLists) {
  const struct {
    const char* what;
    std::function<void(Code&)> inventory;  // nothing: no [INVENTORY section
    std::string shown;
  } cases[] = {
      {"no [INVENTORY section", nullptr, "INVENTORY: Item information not found !"},
      {"nothing carried",
       [](Code& c) {
         item(c, 1, "lamp");
         item(c, 2, "key");
       },
       "INVENTORY: You have nothing !"},
      {"lamp, key and rope",
       [](Code& c) {
         item(c, 3, "sword");
         item(c, 0, "lamp");
         item(c, 5, "key");
         item(c, 6, "rope");
       },
       "INVENTORY: lamp, key, rope"},
      {"no ITEM at the start",
       [](Code& c) {
         c.op(Op::BracketClause).text("x");
         item(c, 0, "lamp");
       },
       "INVENTORY: Item information not found !"},
      {"an ITEM after another statement is never listed",
       [](Code& c) {
         item(c, 5, "key");
         c.op(Op::BracketClause).text("x");
         item(c, 0, "lamp");
       },
       "INVENTORY: key"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    fakeScreen().reset();
    Code c;
    c.init();
    varFlag(c, 0, true);
    varFlag(c, 5, true);
    varFlag(c, 6, true);
    c.room(1).print("[").op(Op::PrintInventory).print("]").quit();
    if (k.inventory) {
      c.inventory();
      k.inventory(c);
    }
    c.end();
    zox::zoxexec e(&console);
    e.setStartPause(std::chrono::milliseconds(0));
    ASSERT_EQ(e.open(write(c.file())), 0);
    ASSERT_EQ(e.test(), 0);
    ASSERT_EQ(e.initialise(), 0);
    ASSERT_EQ(e.start(), 0);
    const size_t mark = out().size();
    int r = 0;
    while ((r = e.step()) == 0) {
    }
    EXPECT_EQ(r, -1);
    EXPECT_EQ(screen().since(mark), "[" + k.shown + "]");
  }
}

// A name for which its length, the column and 2 reach 80 starts a new line under the first.
TEST_F(ExecutorItems, LongNamesWrapUnderTheFirstName) {
  const struct {
    size_t first, second;
    bool wraps;
  } cases[] = {{30, 39, false}, {30, 40, true}, {10, 60, true}, {5, 64, false}};
  for (const auto& k : cases) {
    fakeScreen().reset();
    const std::string a(k.first, 'a'), b(k.second, 'b');
    Code c;
    c.init();
    varFlag(c, 1, true);
    varFlag(c, 2, true);
    c.room(1);
    item(c, 1, a);
    item(c, 2, b);
    c.op(Op::PrintItemList).text("Here: ").quit().end();
    ASSERT_EQ(startUp(c.file()), 0);
    const size_t mark = out().size();
    EXPECT_EQ(play(), -1);
    const std::string want = "Here: " + a + ", " + (k.wraps ? "\n      " : "") + b;
    EXPECT_EQ(screen().since(mark), want) << k.first << " + " << k.second;
  }
}

TEST_F(ExecutorItems, ListsKeepThePlaceOfTheRoom) {
  // The inventory cursor's section and the room's: after each list the room goes on with the
  // statement after it.
  Code c;
  c.init();
  varFlag(c, 0, true);
  c.room(1);
  item(c, 0, "pebble");
  c.op(Op::PrintInventory).print("|").op(Op::PrintItemList).text("R: ").print("|end").quit();
  c.inventory();
  item(c, 0, "coin");
  c.end();
  ASSERT_EQ(startUp(c.file()), 0);
  const size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "INVENTORY: coin|R: pebble|end");
}

TEST_F(ExecutorItems, ListsInTheStatusAreaUseItsColoursWithoutPaging) {
  Code c;
  c.init().op(Op::StatusLines).u8(1);
  varFlag(c, 0, true);
  c.status().op(Op::PrintInventory).quit();
  c.room(1).quit();
  c.inventory();
  item(c, 0, "coin");
  c.end();
  const size_t mark = fakeScreen().trace.size();
  ASSERT_EQ(startUp(c.file()), 0);
  const std::vector<std::string> t = traceSince(mark);
  EXPECT_NE(std::find(t.begin(), t.end(), "print 5 INVENTORY: "), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "print 5 coin"), t.end());
}

TEST_F(ExecutorItems, InfoShowsRoomInformationAndInventory) {
  Code c;
  c.init();
  varFlag(c, 4, true);
  c.op(Op::Message).u8(11).text("You carry: ");
  c.room(1).quit();
  c.room(2).op(Op::RoomInfo).text("A damp cellar.").quit();
  c.inventory();
  item(c, 4, "a candle");
  c.end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  size_t mark = out().size();
  EXPECT_EQ(engine.infoCommand(), 0);
  EXPECT_EQ(screen().since(mark), "\n\nNo room information available.\n\nYou carry: a candle\n");
}

// ---- Resources ----

// Builds the file twice: once to learn where the code ends (so where the blocks go), once with
// the RESOURCE statements pointing at their blocks.
std::string withResources(const std::vector<std::string>& data,
                          const std::function<void(Code&, const std::vector<uint32_t>&)>& make,
                          uint8_t part = 1, uint8_t partCount = 1, std::string name = "Test") {
  std::vector<uint32_t> offsets(data.size(), 0);
  Code first(name);
  make(first, offsets);
  uint32_t at = first.here() + 4;
  for (size_t i = 0; i < data.size(); ++i) {
    offsets[i] = at;
    at += 8 + static_cast<uint32_t>(data[i].size());
  }
  Code c(name);
  make(c, offsets);
  return c.file(part, partCount, data);
}

TEST_F(ExecutorItems, PlainResourceIsPrintedInPiecesOf81) {
  std::string text;
  for (int i = 0; i < 200; ++i) text.push_back(static_cast<char>('a' + i % 26));
  const std::string file = withResources({text + "\r\n"}, [](Code& c, auto& at) {
    c.init().op(Op::Resource).u32(at[0]).u8(0);
    c.room(1).op(Op::Load).u8(0).quit().end();
  });
  ASSERT_EQ(startUp(file), 0);
  const size_t mark = fakeScreen().trace.size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(traceSince(mark), (std::vector<std::string>{
                                  "print 0 " + text.substr(0, 81), "print 0 " + text.substr(81, 81),
                                  "print 0 " + text.substr(162) + "\n", "colour 0 7 0"}));
}

TEST_F(ExecutorItems, ColourSequencesOfAResource) {
  const struct {
    const char* what;
    std::string data;
    std::vector<std::string> trace;
    int textColour = 2;
  } cases[] = {
      {"bold yellow on blue",
       "plain\x1b[1;33;44mbright",
       {"print 0 plain", "colour 0 14 1", "print 0 bright", "colour 0 2 0"}},
      {"0 ends bold, keeps the colour",
       "\x1b[31;1mA\x1b[0mB",
       {"colour 0 12 0", "print 0 A", "colour 0 4 0", "print 0 B", "colour 0 2 0"}},
      {"blink brightens the background",
       "\x1b[5;47;30mx",
       {"colour 0 0 15", "print 0 x", "colour 0 2 0"}},
      {"bold", "\x1b[1mx", {"colour 0 10 0", "print 0 x", "colour 0 2 0"}},
      {"a bright text colour stays bright when bold",
       "\x1b[1mx",
       {"colour 0 14 0", "print 0 x", "colour 0 14 0"},
       14},
      {"other sequences are passed over",
       "a\x1b[2Jb\x1b[99mc\x1b[=1;x",
       {"print 0 ab", "colour 0 2 0", "print 0 c", "colour 0 2 0"}},
      {"Esc [ 7 l runs the lines together",
       "one\r\ntwo\r\n\x1b[7lthree\r\nfour\n",
       {"print 0 one\ntwo\nthreefour", "colour 0 2 0"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    fakeScreen().reset();
    const std::string file = withResources({k.data}, [&k](Code& c, auto& at) {
      c.init().colour(Op::TextColor, k.textColour).op(Op::Resource).u32(at[0]).u8(0);
      c.room(1).op(Op::Load).u8(0).quit().end();
    });
    ASSERT_EQ(startUp(file), 0);
    const size_t mark = fakeScreen().trace.size();
    EXPECT_EQ(play(), -1);
    EXPECT_EQ(traceSince(mark), k.trace);
  }
}

TEST_F(ExecutorItems, ResourceNumbersAndOffsetsThatFindNoResource) {
  // 63 for a number never registered (the dialog: ignore). An [INIT RESOURCE whose offset is
  // no block of the file is refused by the test pass as a corrupt file (08), before play.
  std::string file = withResources({"pic"}, [](Code& c, auto& at) {
    c.init().op(Op::Resource).u32(at[0]).u8(0);
    c.room(1).op(Op::Load).u8(1).print("|").op(Op::Load).u8(0).quit().end();
  });
  keys({'I'});
  ASSERT_EQ(startUp(file), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_NE(out().find("Error 63 at offset"), std::string::npos) << out();
  EXPECT_NE(out().find("|pic"), std::string::npos) << out();

  Code bad;
  bad.init().op(Op::Resource).u32(7).u8(0);
  bad.room(1).op(Op::Load).u8(0).quit().end();
  fakeScreen().reset();
  EXPECT_EQ(startUp(bad.file()), 8);
}

// A resource of an earlier part is shown from that part's file, as long as it is still the
// file that was checked; otherwise LOAD is refused with 64 and play can go on.
TEST_F(ExecutorItems, ResourceOfAnEarlierPartComesFromItsFile) {
  const std::string one = withResources(
      {"ONE"},
      [](Code& c, auto& at) {
        c.init().op(Op::Resource).u32(at[0]).u8(0);
        c.room(1).op(Op::Continue).u8(2).end();
      },
      1, 2, "Tale");
  const std::string two = withResources(
      {"TWO"},
      [](Code& c, auto& at) {
        c.init().op(Op::Resource).u32(at[0]).u8(0);
        c.room(1).op(Op::Load).u8(0).op(Op::Load).u8(1).quit();
        c.op(Op::Load).u8(0).print("|goes on").quit().end();
      },
      2, 2, "Tale");
  write(two, "adv.zo0");
  ASSERT_EQ(startUp(one), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.part(), 2);
  EXPECT_EQ(engine.resourceCount(), 2u);
  // After the title line that the part switch drew.
  EXPECT_EQ(screen().since(mark), "Zox text adventure - ZOXEXEC KV V0.99B1\nONETWO");

  // Part 1's file changed since: its resource is refused, not read from wherever it lies now.
  write(withResources(
      {"NEW ONE"},
      [](Code& c, auto& at) {
        c.init().op(Op::Resource).u32(at[0]).u8(0).print("x");
        c.room(1).op(Op::Continue).u8(2).end();
      },
      1, 2, "Tale"));
  keys({'I'});
  mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_NE(screen().since(mark).find("Error 64 at offset"), std::string::npos) << out();
  EXPECT_NE(screen().since(mark).find("|goes on"), std::string::npos) << out();
}

}  // namespace
}  // namespace zoxtest
