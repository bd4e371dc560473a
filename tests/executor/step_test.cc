// The interpreter step without a terminal: statements, room entry, the error dialog, the
// status run and part switches.
#include <cstdio>

#include "engine_fixture.h"

namespace zoxtest {
namespace {

using zox::Op;

std::string errorAt(int error, uint32_t offset) {
  char line[64];
  std::snprintf(line, sizeof line, "Error %02d at offset %08x !", error, offset);
  return line;
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

using ExecutorStep = EngineTest;

TEST_F(ExecutorStep, EndMarkerAndQuitEndTheRun) {
  Code c;
  c.room(1).print("Hello\n").end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_NE(out().find("Hello\n"), std::string::npos);

  Code q;
  q.room(1).quit().print("never").end();
  EXPECT_EQ(runFile(q.file()), -1);
  EXPECT_EQ(out().find("never"), std::string::npos);
  // The end of play resets the console: no title rows, system colours, a cleared screen.
  EXPECT_EQ(console.topReserved(), 0);
  EXPECT_EQ(screen().foreground[4], 7);
  EXPECT_EQ(screen().events.back(), "clear 4");
}

TEST_F(ExecutorStep, OffsetIsShownInEightHexDigits) {
  Code c;
  c.room(1);
  while (c.here() < 0x1234) c.op(Op::Cls);
  ASSERT_EQ(c.here(), 0x1234u);
  c.op(Op::Resume).quit().end();
  keys({'E'});
  EXPECT_EQ(runFile(c.file()), 55);
  EXPECT_NE(out().find("Error 55 at offset 00001234 !"), std::string::npos);
}

TEST_F(ExecutorStep, StatementsRefusedInPlay) {
  auto one = [](auto fill) {
    Code c;
    c.room(1);
    fill(c);
    c.quit().end();
    return c.file();
  };
  const struct {
    const char* what;
    std::string bytes;
    int error;
  } cases[] = {
      {"TITLE", one([](Code& c) { c.title("t"); }), 57},
      {"VAR flag", one([](Code& c) { c.op(Op::VarFlag).u8(1).u8(1); }), 57},
      {"VAR number", one([](Code& c) { c.var(1, 1); }), 57},
      {"CTEXT", one([](Code& c) { c.op(Op::ChoiceText).text("c"); }), 57},
      {"START", one([](Code& c) { c.op(Op::Start).u16(1); }), 57},
      {"ITEXT", one([](Code& c) { c.op(Op::InputText).text("i"); }), 57},
      {"PASSWORD", one([](Code& c) { c.op(Op::Password).text("secret"); }), 57},
      {"INTEXT", one([](Code& c) { c.op(Op::NumberText).text("n"); }), 57},
      {"RESOURCE", one([](Code& c) { c.op(Op::Resource).u32(1).u8(0); }), 57},
      {"RESUME", one([](Code& c) { c.op(Op::Resume); }), 55},
      {"GO OTHERWISE", one([](Code& c) { c.op(Op::GoOtherwise); }), 59},
      {"GO (OTHERWISE)", one([](Code& c) { c.op(Op::GoOtherwiseBracket); }), 59},
      {"bracket clause", one([](Code& c) { c.op(Op::BracketClause).text("look"); }), 23},
      {"colon clause", one([](Code& c) { c.op(Op::ColonClause).text("lamp"); }), 23},
      {"(OTHERWISE)", one([](Code& c) { c.op(Op::BracketOtherwise); }), 23},
      {"OTHERWISE:", one([](Code& c) { c.op(Op::ColonOtherwise); }), 23},
      {"[INIT", one([](Code& c) { c.init().room(2); }), 23},
      {"[INVENTORY", one([](Code& c) { c.inventory(); }), 23},
      {"IMSG 20", one([](Code& c) { c.op(Op::Message).u8(20).text("m"); }), 50},
      {"PRINT absent INIT text", one([](Code& c) { c.op(Op::PrintInitText).u8(3); }), 51},
      {"WAIT absent INIT text", one([](Code& c) { c.op(Op::WaitInitText).u8(3); }), 51},
      {"WAIT absent room text", one([](Code& c) { c.op(Op::WaitRoomText).u8(3); }), 51},
      {"END without IF", one([](Code& c) { c.endIf(); }), 54},
      {"LOAD without resources", one([](Code& c) { c.op(Op::Load).u8(0); }), 63},
      {"CHOOSE of 17", one([](Code& c) {
         c.op(Op::ChooseBlock).u8(17).u16(0);
         for (int i = 0; i < 17; ++i) c.u8(i);
       }),
       52},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    fakeScreen().keys = {'E'};
    dir.write("case.zox", c.bytes);
    std::string path = dir.file("case.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.error) << c.what;
    EXPECT_EQ(fakeScreen().waits, 1) << c.what << ": the dialog's key and nothing else";
  }
}

TEST_F(ExecutorStep, PrintsAndWaits) {
  Code c;
  c.init().op(Op::SetInitText).u8(2).text("init text");
  c.room(1)
      .op(Op::SetRoomText)
      .u8(1)
      .text("room text")
      .print("A")
      .op(Op::PrintRoomText)
      .u8(1)
      .op(Op::PrintInitText)
      .u8(2)
      .nl()
      .set(5, -42)
      .printNumber(5)
      .wait()
      .op(Op::WaitText)
      .text("press")
      .op(Op::WaitRoomText)
      .u8(1)
      .op(Op::WaitInitText)
      .u8(2)
      .op(Op::Cls)
      .print("")
      .quit()
      .end();
  keys({' ', ' ', ' ', ' '});
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "Aroom textinit text\n-42\npress\nroom text\n\ninit text");
  EXPECT_EQ(screen().waits, 4);
  EXPECT_EQ(screen().events.back(), "clear 1");
}

TEST_F(ExecutorStep, TextAcrossTheWindowEdgeIsReadWhole) {
  // Texts that start before, end at and run over the 4096-byte edges of the cursor window.
  for (uint32_t edge : {4096u, 8192u}) {
    for (int before : {1, 10, 60}) {
      Code c;
      c.room(1);
      while (c.here() < edge - before) c.op(Op::Cls);
      const std::string text(120, 'x');
      c.print(text + "|").print("next").quit().end();
      fakeScreen().reset();
      zox::Console console;
      zox::zoxexec engine(&console);
      engine.setStartPause(std::chrono::milliseconds(0));
      dir.write("edge.zox", c.file());
      std::string path = dir.file("edge.zox");
      const char* argv[] = {"zoxexec", path.c_str()};
      EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), -1);
      EXPECT_NE(out().find(text + "|next"), std::string::npos) << edge << " " << before;
    }
  }
}

TEST_F(ExecutorStep, GoToEntersTheRoomAndForgetsItsTexts) {
  Code c;
  c.room(1).op(Op::SetRoomText).u8(0).text("one").op(Op::RoomInfo).text("info").go(3);
  c.room(2).print("wrong").quit();
  c.room(3).print("three").op(Op::SetRoomText).u8(1).text("t").quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.currentRoom(), 3);
  EXPECT_EQ(engine.roomStartOffset(), c.roomOffset(3) + 3);
  EXPECT_FALSE(engine.roomText(0));
  EXPECT_EQ(engine.roomText(1), "t");
  EXPECT_FALSE(engine.roomInformation());
  EXPECT_NE(out().find("three"), std::string::npos);
  EXPECT_EQ(out().find("wrong"), std::string::npos);
}

TEST_F(ExecutorStep, GoToTargetsThatAreNoRoom) {
  Code c;
  c.room(1);
  const uint32_t go = c.here();
  c.goTo(0);  // patched below
  c.print("next");
  const uint32_t middle = c.here() + 1;
  c.print("in the middle").quit().end();
  std::string file = c.file();
  auto withTarget = [&](uint32_t t) {
    std::string f = file;
    const uint32_t at = go + 1;
    for (int i = 0; i < 4; ++i) f[at + i] = char(t >> (8 * i));
    // keep the code checksum right
    uint32_t sum = 0;
    const uint32_t start = zox::codeStartFor(4), end = uint32_t(f.size() - 4);
    for (uint32_t i = start; i < end; ++i) sum += uint8_t(f[i]);
    for (int i = 0; i < 4; ++i) f[end + i] = char(sum >> (8 * i));
    return f;
  };
  // Into the middle of a statement: 21, and Ignore goes on after the GO TO.
  keys({'I'});
  EXPECT_EQ(runFile(withTarget(middle)), -1);
  EXPECT_NE(out().find(errorAt(21, go)), std::string::npos) << out();
  EXPECT_NE(out().find("Inext"), std::string::npos);
  // Into the header: 21. Beyond the end of the file: the seek fails, 5, fatal.
  fakeScreen().reset();
  keys({'E'});
  EXPECT_EQ(runFile(withTarget(3)), 21);
  fakeScreen().reset();
  EXPECT_EQ(runFile(withTarget(0x00FFFFFF)), 5);
  EXPECT_NE(out().find("\n\nError 05 !\n"), std::string::npos);
}

TEST_F(ExecutorStep, RoomEntryByNumber) {
  // Forward, and round from the code start for a room before the current one.
  Code c;
  c.init().op(Op::Start).u16(3);
  c.room(1).print("one").quit();
  c.room(2).print("two").op(Op::GoRoomNumber).u16(1);
  c.room(3).print("three").op(Op::GoRoomNumber).u16(2).end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_NE(out().find("threetwoone"), std::string::npos) << out();
  EXPECT_EQ(engine.currentRoom(), 1);

  // The same room again: from its start, with its texts forgotten.
  Code same;
  same.room(1).ifFlag(0, true).op(Op::PrintRoomText).u8(0).quit().endIf();
  same.op(Op::SetRoomText).u8(0).text("t").setFlag(0, true).op(Op::GoRoomNumber).u16(1).end();
  keys({'E'});
  EXPECT_EQ(runFile(same.file()), 51);

  // A number that names no room.
  Code missing;
  missing.room(1).op(Op::GoRoomNumber).u16(9).print("after").quit().room(2).quit().end();
  keys({'I'});
  EXPECT_EQ(runFile(missing.file()), -1);
  EXPECT_NE(out().find("Error 21 at offset"), std::string::npos);
  EXPECT_NE(out().find("Iafter"), std::string::npos);
}

// The status section's room text slot 0 is its own: the room's slot 0 keeps its text.
TEST_F(ExecutorStep, StatusAreaIsDrawnByANestedRun) {
  Code c;
  c.init().op(Op::StatusLines).u8(2);
  c.room(1).set(0, 5).op(Op::SetRoomText).u8(0).text("mine").op(Op::StatusLines).u8(2);
  c.print("after ").op(Op::PrintRoomText).u8(0).quit();
  c.status().op(Op::SetRoomText).u8(0).text("Score: ").op(Op::PrintRoomText).u8(0);
  c.printNumber(0).nl().print("Room").quit().print("not").end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_NE(out().find("Score: 0 \nRoom"), std::string::npos) << out();
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "Score: 5 \nRoomafter mine");
  EXPECT_EQ(out().find("not"), std::string::npos);
  EXPECT_EQ(console.bottomReserved(), 2);
  EXPECT_FALSE(engine.inStatusRun());
}

TEST_F(ExecutorStep, StatusRunRefusals) {
  auto withStatus = [](auto fill) {
    Code c;
    c.init().op(Op::StatusLines).u8(1);
    c.room(1).quit().status();
    fill(c);
    c.end();
    return c.file();
  };
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"WAIT", withStatus([](Code& c) { c.wait(); }), 61},
      {"WAIT text", withStatus([](Code& c) { c.op(Op::WaitText).text("w"); }), 61},
      {"CLS", withStatus([](Code& c) { c.op(Op::Cls); }), 61},
      {"GO TO", withStatus([](Code& c) { c.goTo(0); }), 61},
      {"STATUSLINES", withStatus([](Code& c) { c.op(Op::StatusLines).u8(1); }), 61},
      {"IF choice", withStatus([](Code& c) { c.op(Op::IfChoice).u8(1).endIf(); }), 61},
      {"NOT IF choice", withStatus([](Code& c) { c.notIf().op(Op::IfChoice).u8(1).endIf(); }), 61},
      {"INPUT", withStatus([](Code& c) { c.op(Op::InputCommand); }), 61},
      {"IF flag is allowed", withStatus([](Code& c) { c.ifFlag(1, false).print("x").endIf(); }),
       -1},
      {"RESUME ends it", withStatus([](Code& c) { c.op(Op::Resume).wait(); }), -1},
      {"STATUSCOLOR is allowed", withStatus([](Code& c) { c.colour(Op::StatusColor, 3); }), -1},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("status.zox", c.bytes);
    std::string path = dir.file("status.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
    EXPECT_EQ(fakeScreen().waits, 0) << c.what << ": no dialog for a refused statement";
  }
}

TEST_F(ExecutorStep, StatusLinesWithoutStatusSectionGive28) {
  Code c;
  c.room(1).op(Op::StatusLines).u8(3).print("after").quit().end();
  keys({'I'});
  EXPECT_EQ(runFile(c.file()), -1);
  EXPECT_NE(out().find("Error 28 at offset"), std::string::npos);
  EXPECT_EQ(engine.statusLineCount(), 3);
}

TEST_F(ExecutorStep, StatusLinesGrowAndShrink) {
  Code c;
  c.room(1)
      .op(Op::StatusLines)
      .u8(3)
      .print("x\ny\nz\n")
      .op(Op::StatusLines)
      .u8(5)
      .op(Op::StatusLines)
      .u8(0)
      .quit()
      .status()
      .print("S")
      .end();
  ASSERT_EQ(startUp(c.file()), 0);
  fakeScreen().events.clear();
  EXPECT_EQ(play(), -1);
  const auto& e = screen().events;
  // Growing from none clears (the cursor is on the first row); growing by 2 with the cursor
  // low enough scrolls; shrinking wipes the rows given up in the screen colour.
  auto first = std::find(e.begin(), e.end(), "clear 1");
  auto scroll = std::find(e.begin(), e.end(), "scroll 2");
  auto bottom5 = std::find(e.begin(), e.end(), "bottom 5");
  auto bottom0 = std::find(bottom5, e.end(), "bottom 0");
  EXPECT_LT(first, scroll);
  EXPECT_LT(scroll, bottom5);
  EXPECT_LT(bottom5, bottom0);
  EXPECT_NE(std::find(bottom0, e.end(), "top 20"), e.end());
  EXPECT_NE(std::find(bottom0, e.end(), "clear 1"), e.end());
  EXPECT_EQ(console.bottomReserved(), 0);
  EXPECT_EQ(engine.statusLineCount(), 0);
}

TEST_F(ExecutorStep, ExitInTheStatusRunsDialogIsNotAskedTwice) {
  Code c;
  c.init().op(Op::StatusLines).u8(1);
  c.room(1).colour(Op::StatusColor, 2).quit();
  c.status().op(Op::PrintRoomText).u8(4).end();
  // Ignored when the status area is first drawn; exit chosen when STATUSCOLOR redraws it.
  keys({'I', 'E'});
  EXPECT_EQ(runFile(c.file()), 51);
  EXPECT_EQ(count(out(), "Error 51"), 2u) << out();  // at start (ignored) and in play
  EXPECT_EQ(screen().waits, 2);
}

// A stop signal may land while the status area or the title line has the console's text area.
// Its error line still goes where play's cursor was, with play's reserved rows, so that the
// shut-down keeps it on the terminal (in the status area it would scroll out of sight).
TEST_F(ExecutorStep, AStopWhileAnAreaIsDrawnReportsWherePlayWas) {
  for (int slot : {zox::kSlotStatus, zox::kSlotTitle}) {
    SCOPED_TRACE(slot == zox::kSlotStatus ? "status area" : "title line");
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    Code c;
    c.init().title("Title").op(Op::StatusLines).u8(2);
    c.room(1).print("x\nhere").colour(Op::StatusColor, 2).colour(Op::TitleColor, 3).quit();
    c.status().print("S").end();
    struct {
      bool stopped = false;
      int x = -1, y = -1, top = -1, bottom = -1;
    } seen;
    fakeScreen().onPrint = [&](int printSlot, const std::string&) {
      if (seen.stopped || printSlot != slot || out().find("here") == std::string::npos) return;
      seen.stopped = true;
      engine.reportStop();
      seen = {true, fakeScreen().x, fakeScreen().y, console.topReserved(),
              console.bottomReserved()};
    };
    dir.write("stop.zox", c.file());
    const std::string path = dir.file("stop.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    zox::runExecutor(engine, console, 2, argv);
    ASSERT_TRUE(seen.stopped) << out();
    EXPECT_NE(out().find("\n\nError 10 !\n", out().find("here")), std::string::npos) << out();
    // The title takes row 0 and "here" is on play's row 1: the error line two rows below.
    EXPECT_EQ(seen.top, 1);
    EXPECT_EQ(seen.bottom, 2);
    EXPECT_EQ(seen.y, 5);
    EXPECT_EQ(seen.x, 0);
  }
}

TEST_F(ExecutorStep, RestartRunsInitAgainAndKeepsTheVariables) {
  Code c;
  c.init().title("First\n").op(Op::Start).u16(2).var(0, 1);
  c.room(1).print("wrong").quit();
  c.room(2)
      .ifEq(5, 1)
      .print("[again]")
      .printNumber(0)
      .quit()
      .endIf()
      .set(5, 1)
      .set(0, 9)
      .op(Op::Message)
      .u8(3)
      .text("LEAVE")
      .op(Op::RoomInfo)
      .text("info")
      .op(Op::PrintRoomInfo)
      .op(Op::Restart)
      .end();
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  // A variable of the room keeps its value; [INIT sets its own again; messages are reset.
  EXPECT_NE(screen().since(mark).find("info"), std::string::npos);
  EXPECT_NE(screen().since(mark).find("First\n[again]1"), std::string::npos) << out();
  EXPECT_EQ(out().find("wrong"), std::string::npos);
  EXPECT_EQ(engine.number(5), 1);
  EXPECT_EQ(engine.message(3), "QUIT");
  EXPECT_EQ(engine.currentRoom(), 2);
}

TEST_F(ExecutorStep, PrintRoomInformation) {
  Code c;
  c.room(1)
      .op(Op::PrintRoomInfo)
      .print("|")
      .op(Op::RoomInfo)
      .text("A damp cellar.")
      .op(Op::PrintRoomInfo)
      .quit()
      .end();
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "No room information available.|A damp cellar.");
}

TEST_F(ExecutorStep, ContinueSwitchesPartsAndBack) {
  Code one("Tale");
  one.room(1)
      .ifFlag(0, true)
      .print("back")
      .quit()
      .endIf()
      .print("one")
      .op(Op::Continue)
      .u8(2)
      .end();
  Code two("Tale");
  two.init().title("Part two\n").op(Op::Start).u16(2);
  two.room(1).print("wrong room").quit();
  two.room(2).setFlag(0, true).print("two").op(Op::Continue).u8(1).end();
  write(two.file(2, 2), "adv.zo0");
  EXPECT_EQ(runFile(one.file(1, 2)), -1);
  const size_t a = out().find("one"), b = out().find("two"), c2 = out().find("back");
  EXPECT_LT(a, b);
  EXPECT_LT(b, c2);
  EXPECT_NE(c2, std::string::npos) << out();
  EXPECT_EQ(out().find("wrong room"), std::string::npos);
  EXPECT_EQ(engine.part(), 1);
  EXPECT_EQ(engine.title(), "Part two\n");  // kept: part 1 has no [INIT of its own
}

TEST_F(ExecutorStep, PartFilesThatDoNotFit) {
  auto part1 = [](uint8_t count = 2) {
    Code c("Tale");
    c.room(1).op(Op::Continue).u8(2).end();
    return c.file(1, count);
  };
  auto part2 = [](std::string name, uint8_t part, uint8_t count) {
    Code c(std::move(name));
    c.room(1).quit().end();
    return c.file(part, count);
  };
  Code unknown("Tale");
  unknown.room(1).raw({0x50}).quit().end();
  Code tooFar("Tale");
  tooFar.room(1).op(Op::Continue).u8(5).end();
  const struct {
    const char* what;
    std::string first;
    std::string second;  // "" for none
    int status;
  } cases[] = {
      {"fits", part1(), part2("Tale", 2, 2), -1},
      {"other name", part1(), part2("Tail", 2, 2), 12},
      {"other part count", part1(), part2("Tale", 2, 3), 12},
      {"part 3 beyond the count", part1(), part2("Tale", 3, 3), 12},
      {"part 3 in the file of part 2", part1(3), part2("Tale", 3, 3), 12},
      {"missing", part1(), "", 3},
      {"unknown statement", part1(), unknown.file(2, 2), 18},
      {"part beyond the count", tooFar.file(1, 2), "", 12},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    TempDir d;
    d.write("p.zox", c.first);
    if (!c.second.empty()) d.write("p.zo0", c.second);
    std::string path = d.file("p.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
  }
}

}  // namespace
}  // namespace zoxtest
