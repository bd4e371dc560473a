// The main routine without a terminal: command line, usage, the checks of the start-up passes
// and the exit statuses they lead to.
#include <sys/stat.h>
#include <unistd.h>

#include "engine_fixture.h"
#include "executor/texts.h"
#include "format/bytes.h"

namespace zoxtest {
namespace {

using zox::Op;

// The smallest playable file: one room that quits, with an empty name (23 bytes).
std::string oneRoomFile() {
  return std::string(
      "ZOXKV\x91\x09\x00\x01\x01\x13\x00\x00\x00\xA1\x01\x00\xB3\xFF\x54\x02\x00\x00", 23);
}

using ExecutorStartup = EngineTest;

TEST_F(ExecutorStartup, CommandLinesAndTheirStatuses) {
  const std::string file = write(oneRoomFile());
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* shown;
  };
  const Case cases[] = {
      {{"a", "b"}, 1, "\n\nError 01 !\n"},
      {{"-8", "a", "b"}, 1, "\n\nError 01 !\n"},
      {{"-8"}, 4, "\n\nError 04 !\n"},  // "-8" alone is the file name
      {{"-88", file}, 1, "\n\nError 01 !\n"},
      {{dir.file("missing.zox")}, 3, "\n\nError 03 !\n"},
      {{dir.file("adv.txt")}, 4, "\n\nError 04 !\n"},
      {{file}, -1, " [PLAYING]"},
      {{"-8", file}, -1, " [PLAYING]"},
  };
  for (const Case& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    std::vector<const char*> argv{"zoxexec"};
    for (const std::string& a : c.args) argv.push_back(a.c_str());
    SCOPED_TRACE(c.args.size() > 0 ? c.args[0] : "none");
    EXPECT_EQ(zox::runExecutor(engine, console, int(argv.size()), argv.data()), c.status);
    EXPECT_NE(out().find(c.shown), std::string::npos) << out();
    EXPECT_EQ(console.eightColourMode(), c.args.size() == 2 && c.args[0] == "-8");
  }
}

TEST_F(ExecutorStartup, ExtensionRule) {
  const std::string bytes = oneRoomFile();
  const struct {
    const char* name;
    int status;
  } cases[] = {
      {"a.zox", -1}, {"b.ZOX", -1},    {"c.ZoX", -1}, {".zox", -1}, {"d.zo", 4},
      {"e", 4},      {"f.zox.bak", 4}, {"g.zoxx", 4}, {"h.zo0", 4}, {"i.sa0", 4},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write(c.name, bytes);
    std::string path = dir.file(c.name);
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.name;
  }
}

TEST_F(ExecutorStartup, OnlyPlainFilesOpen) {
  ASSERT_EQ(mkdir(dir.file("folder.zox").c_str(), 0700), 0);
  EXPECT_EQ(run({dir.file("folder.zox")}), 3);
  ASSERT_EQ(mkfifo(dir.file("pipe.zox").c_str(), 0600), 0);
  EXPECT_EQ(run({dir.file("pipe.zox")}), 3);  // would block forever if opened for reading
  ASSERT_EQ(symlink("/dev/zero", dir.file("zero.zox").c_str()), 0);
  EXPECT_EQ(run({dir.file("zero.zox")}), 3);
}

TEST_F(ExecutorStartup, TheOneRoomFilePassesAndQuits) {
  EXPECT_EQ(runFile(oneRoomFile()), -1);
  EXPECT_NE(out().find("> Testing Zox-File   ... [OK]"), std::string::npos);
  EXPECT_NE(out().find("> Initializing Zox   ... [OK]"), std::string::npos);
  EXPECT_NE(out().find("> Starting adventure ... [PLAYING]"), std::string::npos);
  EXPECT_EQ(engine.adventureName(), "");
  EXPECT_EQ(engine.partCount(), 1);
}

// Damaged headers and containers, each with the error number it ends with.
TEST_F(ExecutorStartup, DamagedFilesEndWithTheirErrorNumbers) {
  Code c("Name");
  c.room(1).quit().end();
  const std::string good = c.file();
  const size_t n = 4;  // name length
  const size_t codeEndField = n + 10;
  auto withByte = [&](size_t at, int v) {
    std::string s = good;
    s[at] = char(v);
    return s;
  };
  auto cut = [&](size_t length) { return good.substr(0, length); };
  auto withCodeEnd = [&](uint32_t e) {
    std::string s = good;
    for (int i = 0; i < 4; ++i) s[codeEndField + i] = char(e >> (8 * i));
    return s;
  };
  std::string block = good;
  block += std::string("\0\0\0\0\0\0\0\0", 8);  // one empty block
  std::string vornik = "VORNIK" + good.substr(6);
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"empty", "", 6},
      {"five bytes", cut(5), 6},
      {"no separator", cut(6), 6},
      {"other magic", "ZIX" + good.substr(3), 8},
      {"magic letters 4 and 5 are not looked at", "ZOXAB" + good.substr(5), -1},
      {"old magic", vornik, -1},
      {"separator not a tab", withByte(6, ' '), 9},
      {"version 131", withByte(5, 131), 9},
      {"version 132", withByte(5, 132), -1},
      {"version 153", withByte(5, 153), -1},
      {"version 154", withByte(5, 154), 9},
      {"file ends in the name", cut(9), 5},
      {"name does not unscramble", withByte(7, 0x9F), 5},
      {"no part number", cut(n + 8), 6},
      {"no part count", cut(n + 9), 6},
      {"code end cut", cut(n + 12), 6},
      {"code area cut", cut(n + 16), 5},
      {"checksum missing", cut(good.size() - 4), 6},
      {"checksum cut", cut(good.size() - 2), 6},
      {"code byte changed", withByte(n + 14 + 3, 0xB7), 8},
      {"code end before code start", withCodeEnd(3), 8},
      {"code end far beyond the file", withCodeEnd(0xFFFFFFF0u), 5},
      {"three trailing bytes are ignored", good + "abc", -1},
      {"an empty block", block, -1},
      {"four trailing bytes", good + "abcd", 6},
      {"seven trailing bytes", good + "abcdefg", 6},
      {"block data past the end", good + std::string("\0\0\0\0\x10\0\0\0xy", 10), 5},
      {"block checksum wrong", good + std::string("\x01\0\0\0\x01\0\0\0x", 9), 8},
      {"part 2 opened first", Code("Name").room(1).quit().end().file(2, 3), 12},
      {"random bytes", std::string("\x13\x99\xfe\x00\x42\x42\x42 garbage", 15), 8},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("damaged.zox", c.bytes);
    std::string path = dir.file("damaged.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
    if (c.status > 0) {
      char line[32];
      std::snprintf(line, sizeof line, "\n\nError %02d !\n", c.status);
      EXPECT_NE(out().find(line), std::string::npos) << c.what << ": " << out();
      EXPECT_FALSE(engine.fileOpen()) << c.what;
    }
  }
}

TEST_F(ExecutorStartup, AnEnormousSparseFileFailsItsCheckInsteadOfHanging) {
  Code c("Big");
  c.room(1).quit().end();
  std::string bytes = c.file();
  // A code end 64 MB on, in a file that really is that long (a hole of zeros): the code
  // checksum no longer matches.
  const uint32_t e = 64u << 20;
  for (int i = 0; i < 4; ++i) bytes[3 + 10 + i] = char(e >> (8 * i));
  std::string path = write(bytes, "big.zox");
  ASSERT_EQ(truncate(path.c_str(), off_t(e) + 4), 0);
  EXPECT_EQ(run({path}), 8);
}

TEST_F(ExecutorStartup, CodeTheReaderDoesNotKnowFailsTheTestPass) {
  auto file = [](std::initializer_list<int> statement) {
    Code c("Bad");
    c.room(1).raw(statement).quit().end();
    return c.file();
  };
  Code noEnd("Bad");
  noEnd.room(1).quit();
  Code textRunsOut("Bad");
  textRunsOut.room(1).op(Op::Print).text("never ends");
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"byte below 0xA0 as opcode", file({0x41}), 20},
      {"opcode 0xEE", file({0xEE}), 20},
      {"opcode 0xFE", file({0xFE}), 20},
      {"colour 16", file({0xCC, 16}), 20},
      {"colour 254", file({0xE7, 254}), 20},
      {"colour 15", file({0xCC, 15}), -1},
      {"colour DEFAULT", file({0xD2, 255}), -1},
      {"NOT before PRINT", file({0xC8, 0xC7}), 20},
      {"NOT NOT", file({0xC8, 0xC8, 0xAC, 1, 1, 0xAA}), 20},
      {"NOT before a test", file({0xC8, 0xAC, 1, 1, 0xAA}), -1},
      {"text that does not unscramble", file({0xC7, 0x02, 0x03}), 20},
      {"text with a 0x00", file({0xC7, 0x00}), 20},
      {"STATUSLINES 16", file({0xE5, 16}), 20},
      {"no end marker", noEnd.file(), 5},
      {"text up to the code end", textRunsOut.file(), 5},
      {"operand cut by the code end", file({0xAE, 1}), 5},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("code.zox", c.bytes);
    std::string path = dir.file("code.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
  }
}

TEST_F(ExecutorStartup, AResourceWithoutItsBlockFailsTheTestPass) {
  auto file = [](int block, int blocks, bool thenUnknown = false) {
    Code c("Res");
    c.init().resource(block);
    if (thenUnknown) c.raw({0x41});
    c.room(1).quit().end();
    return c.file(1, 1, std::vector<std::string>(size_t(blocks), "pic"));
  };
  std::string cutWhereTheBlockBegins = file(0, 1);
  cutWhereTheBlockBegins.resize(cutWhereTheBlockBegins.size() - zox::kBlockHeaderBytes - 3);
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"its block is there", file(0, 1), -1},
      {"cut off exactly where its block begins", cutWhereTheBlockBegins, 8},
      {"names a second block the file lacks", file(1, 1), 8},
      {"an unknown statement later is found first", file(1, 1, true), 20},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("res.zox", c.bytes);
    std::string path = dir.file("res.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
  }

  // A part file missing its resource is refused the same way when play switches to it.
  Code one("Tale");
  one.room(1).op(Op::Continue).u8(2).end();
  Code two("Tale");
  two.init().resource().room(1).quit().end();
  write(two.file(2, 2), "adv.zo0");
  ASSERT_EQ(startUp(one.file(1, 2)), 0);
  EXPECT_EQ(engine.switchPart(2), 8);
}

TEST_F(ExecutorStartup, TestPassRecordsTheLastSectionOffsetsOfEachKind) {
  Code c;
  c.init();
  const uint32_t firstInit = c.here();
  c.title("T").init();
  const uint32_t init = c.here();
  c.room(1).quit().status();
  const uint32_t status = c.here();
  c.print("s").inventory();
  const uint32_t inventory = c.here();
  c.end();
  ASSERT_EQ(engine.open(write(c.file())), 0);
  ASSERT_EQ(engine.test(), 0);
  EXPECT_NE(engine.initOffset(), firstInit);
  EXPECT_EQ(engine.initOffset(), init);
  EXPECT_EQ(engine.statusOffset(), status);
  EXPECT_EQ(engine.inventoryOffset(), inventory);
  EXPECT_EQ(engine.slotFileName(), dir.file("adv.sa?"));
}

TEST_F(ExecutorStartup, WithoutInitEverythingHasItsDefault) {
  Code c;
  c.room(1).quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(engine.title(), std::string(zox::texts::kDefaultTitle));
  EXPECT_EQ(engine.startRoom(), 1);
  EXPECT_EQ(engine.currentRoom(), 1);
  EXPECT_FALSE(engine.password());
  EXPECT_FALSE(engine.message(1));
  EXPECT_FALSE(engine.message(19));
  EXPECT_EQ(engine.message(3), "QUIT");
  EXPECT_EQ(engine.message(18), "- Press a key -");
  for (int s = 0; s < zox::kColourSettings; ++s) {
    EXPECT_EQ(engine.colour(zox::ColourSetting(s)), s % 2 == 0 ? 7 : 0);
  }
  EXPECT_EQ(engine.statusLineCount(), 0);
  for (int slot : {0, 1, 2, 3, 5}) {
    EXPECT_EQ(screen().foreground[slot], 7);
    EXPECT_EQ(screen().background[slot], 0);
  }
}

TEST_F(ExecutorStartup, InitSettingsAreApplied) {
  Code c;
  c.init()
      .title("My title\n")
      .op(Op::ChoiceText)
      .text("Choose: ")
      .op(Op::InputText)
      .text("> ")
      .op(Op::NumberText)
      .text("How many? ")
      .op(Op::Message)
      .u8(3)
      .text("LEAVE")
      .op(Op::Message)
      .u8(18)
      .text("more")
      .op(Op::Start)
      .u16(2)
      .op(Op::VarFlag)
      .u8(9)
      .u8(1)
      .op(Op::VarNumber)
      .u8(4)
      .u32(uint32_t(-12))
      .op(Op::SetInitText)
      .u8(7)
      .text("seven")
      .colour(Op::TextColor, 14)
      .colour(Op::TextBackground, 1)
      .colour(Op::StatusBackground, 4)
      .op(Op::StatusLines)
      .u8(2)
      .resource();
  c.room(1).quit().room(2).quit().status().print("S").end();
  ASSERT_EQ(startUp(c.file(1, 1, {"picture"})), 0);
  EXPECT_EQ(engine.title(), "My title\n");
  EXPECT_EQ(engine.message(3), "LEAVE");
  EXPECT_EQ(engine.message(18), "more");
  EXPECT_EQ(engine.startRoom(), 2);
  EXPECT_EQ(engine.currentRoom(), 2);
  EXPECT_TRUE(engine.flag(9));
  EXPECT_FALSE(engine.flag(8));
  EXPECT_EQ(engine.number(4), -12);
  EXPECT_EQ(engine.initText(7), "seven");
  EXPECT_EQ(engine.colour(zox::kTextColour), 14);
  EXPECT_EQ(engine.defaultColour(zox::kTextColour), 14);
  EXPECT_EQ(screen().foreground[0], 14);
  EXPECT_EQ(screen().background[0], 1);
  EXPECT_EQ(screen().background[5], 4);
  EXPECT_EQ(engine.statusLineCount(), 2);
  EXPECT_EQ(engine.resourceCount(), 1u);
}

TEST_F(ExecutorStartup, InitRefusals) {
  auto withInit = [](auto fill) {
    Code c;
    c.init();
    fill(c);
    c.room(1).quit().end();
    return c.file(1, 1, {"picture"});
  };
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"IMSG 20", withInit([](Code& c) { c.op(Op::Message).u8(20).text("x"); }), 50},
      {"IMSG 0 would set the password",
       withInit([](Code& c) { c.op(Op::Message).u8(0).text("x"); }), 50},
      {"PRINT", withInit([](Code& c) { c.print("x"); }), 56},
      {"QUIT", withInit([](Code& c) { c.quit(); }), 56},
      {"resource kind 1", withInit([](Code& c) { c.resource(0, 1); }), 60},
      {"257 resources", withInit([](Code& c) {
         for (int i = 0; i < 257; ++i) c.resource();
       }),
       27},
      {"256 resources", withInit([](Code& c) {
         for (int i = 0; i < 256; ++i) c.resource();
       }),
       -1},
      {"start room missing", withInit([](Code& c) { c.op(Op::Start).u16(7); }), 21},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("init.zox", c.bytes);
    std::string path = dir.file("init.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
  }
}

TEST_F(ExecutorStartup, DefaultInInitMeansLightGreyOnBlack) {
  Code c;
  c.init().colour(Op::TextColor, 255).colour(Op::TextBackground, 255);
  c.room(1).quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(engine.colour(zox::kTextColour), 7);
  EXPECT_EQ(engine.defaultColour(zox::kTextBackground), 0);
}

TEST_F(ExecutorStartup, Password) {
  Code c;
  c.init().op(Op::Password).text("Secret");
  c.room(1).quit().end();
  const std::string file = write(c.file());
  const struct {
    const char* typed;
    int status;
  } cases[] = {{"Secret", -1}, {"secret", 11}, {"", 11}, {"Secret ", 11}};
  for (const auto& k : cases) {
    fakeScreen().reset();
    fakeScreen().lines.push_back(k.typed);
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    const char* argv[] = {"zoxexec", file.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), k.status) << k.typed;
    EXPECT_NE(out().find("\n> Zox is password protected ! Enter password: "), std::string::npos);
  }
}

TEST_F(ExecutorStartup, StartAnnouncesPlayClearsAndDrawsTheTitle) {
  Code c;
  c.init().title("Title");
  c.room(1).quit().end();
  EXPECT_EQ(runFile(c.file()), -1);
  const std::string& t = out();
  size_t playing = t.find(" [PLAYING]");
  ASSERT_NE(playing, std::string::npos);
  EXPECT_EQ(t.find(zox::texts::kStartNotice), playing + 10);
  EXPECT_NE(t.find("Title", playing), std::string::npos);
  EXPECT_TRUE(screen().saw("top 1"));  // the title takes the first row
}

}  // namespace
}  // namespace zoxtest
