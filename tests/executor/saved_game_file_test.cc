// The saved-game file without an engine: the bytes against the layout table field by field,
// values the reader refuses, the listing line of a slot, and the writer that must never lose
// the slot's earlier game. (Loads of damaged and cut files: saved_games_test.cc.)
#include "executor/saved_game_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "executor/slot_file.h"
#include "format/bytes.h"
#include "format/text_key.h"
#include "screen.h"
#include "screen_helpers.h"

namespace zoxtest {
namespace {

using zox::SavedGame;
using zox::SavedGameReader;

// A game whose every field holds something of its own, so that a field written in the wrong
// place or order shows.
SavedGame sampleGame() {
  SavedGame g;
  g.description = "In the cellar, lamp lit";
  g.adventureName = "Castle Gloom";
  g.part = 2;
  g.partCount = 3;
  g.title = "The Castle\n";
  g.choicePrompt = std::nullopt;  // absent: a lone 0x00
  g.commandPrompt = "What now? ";
  g.numberPrompt = "";  // empty: the same lone 0x00
  g.startRoom = 7;
  g.initOffset = 0x1234;
  for (int n = 1; n <= zox::kSavedMessages; ++n) {
    g.messages[n - 1] = n == 1 ? std::optional<std::string>() : "m" + std::to_string(n);
  }
  g.initTexts[0] = "first";
  g.initTexts[255] =
      "Gr\xFC\xDF"
      "e";
  g.snapshot[3] = "room text three";
  for (int i = 0; i < 256; ++i) g.numbers[i] = i * 1000 - 77;
  g.numbers[9] = INT32_MIN;
  g.flags[0] = 0x81;
  g.flags[31] = 0x40;
  g.roomInfo = "A vaulted cellar.";
  g.choiceResult = 5;
  g.currentRoom = 12;
  g.roomStart = 0x200;
  g.statementOffset = 0x234;
  g.inventoryOffset = 0x300;
  g.returnOffset = 0x234;
  g.statusOffset = 0x120;
  for (int c = 0; c < zox::kSavedColours; ++c) g.colours[c] = static_cast<uint16_t>(15 - c);
  g.statusLines = 3;
  g.codeChecksum = 0xDEADBEEF;
  return g;
}

// Walks a file by the layout table, checking each field where it must be.
class LayoutWalk {
 public:
  explicit LayoutWalk(const std::vector<uint8_t>& b) : b_(b) {}
  void bytes(std::string_view what, std::string_view want) {
    ASSERT_LE(at_ + want.size(), b_.size()) << what;
    EXPECT_EQ(std::string(b_.begin() + at_, b_.begin() + at_ + want.size()), want) << what;
    at_ += want.size();
  }
  void text(std::string_view what, const std::optional<std::string>& t) {
    std::string want = t ? zox::scramble(*t).value() : std::string();
    want.push_back('\0');
    bytes(what, want);
  }
  void u8(std::string_view what, uint8_t v) { bytes(what, std::string(1, char(v))); }
  void u16(std::string_view what, uint16_t v) {
    bytes(what, std::string{char(v & 0xFF), char(v >> 8)});
  }
  void u32(std::string_view what, uint32_t v) {
    bytes(what, std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                            char(v >> 24)});
  }
  size_t at() const { return at_; }

 private:
  const std::vector<uint8_t>& b_;
  size_t at_ = 0;
};

TEST(ExecutorSavedGameFile, BytesFollowTheLayoutFieldByField) {
  const SavedGame g = sampleGame();
  const std::vector<uint8_t> file = zox::encodeSavedGame(g).value();
  LayoutWalk w(file);
  w.bytes("1 magic", "ZOXSAV");
  w.bytes("2 tab", "\t");
  w.bytes("3 description, unscrambled", "In the cellar, lamp lit\n");
  w.text("4 adventure name", g.adventureName);
  w.u8("5 part", 2);
  w.u8("6 part count", 3);
  w.text("7 title", g.title);
  w.text("8 choice prompt (absent)", std::nullopt);
  w.text("9 command prompt", g.commandPrompt);
  w.text("10 number prompt (empty)", std::nullopt);
  w.u32("11 start room", 7);
  w.u32("12 [INIT offset", 0x1234);
  for (int n = 0; n < 19; ++n) w.text("13 message " + std::to_string(n + 1), g.messages[n]);
  for (int i = 0; i < 256; ++i) {
    w.text("14 INIT text " + std::to_string(i), g.initTexts[i]);
    w.text("14 snapshot " + std::to_string(i), g.snapshot[i]);
  }
  for (int i = 0; i < 256; ++i) w.u32("15 number " + std::to_string(i), uint32_t(g.numbers[i]));
  w.bytes("16 flags", std::string(g.flags.begin(), g.flags.end()));
  w.text("17 room information", g.roomInfo);
  w.u8("18 choice result", 5);
  for (uint32_t v : {12u, 0x200u, 0x234u, 0x300u, 0x234u, 0x120u}) w.u32("19 position", v);
  for (int c = 0; c < 10; ++c) w.u16("20 colour " + std::to_string(c), uint16_t(15 - c));
  w.u16("20 status lines", 3);
  w.u32("21 code checksum", 0xDEADBEEF);
  const uint32_t sum = zox::sum32(std::span<const uint8_t>(file).subspan(7, w.at() - 7));
  w.u32("22 saved-game checksum", sum);
  EXPECT_EQ(w.at(), file.size()) << "bytes after field 22";
  // The umlauts and the line break went through the text mapping, not as raw bytes.
  EXPECT_EQ(zox::unscramble(zox::scramble("Gr\xFC\xDF"
                                          "e")
                                .value())
                .value(),
            "Gr\xFC\xDF"
            "e");
}

TEST(ExecutorSavedGameFile, DescriptionIsOneLineOfAtMost73Characters) {
  SavedGame g = sampleGame();
  g.description = std::string(70, 'x') + "\nyz\0w" + std::string(10, 'q');
  const std::vector<uint8_t> file = zox::encodeSavedGame(g).value();
  std::string line(file.begin() + 7, file.begin() + 7 + 74);
  EXPECT_EQ(line, std::string(70, 'x') + " yz\n");
  SavedGame r;
  SavedGameReader reader(file);
  EXPECT_EQ(reader.readHead(r), zox::kLoaded);
  EXPECT_EQ(r.description, std::string(70, 'x') + " yz");
}

TEST(ExecutorSavedGameFile, DamagedValuesAreRefused) {
  auto resultOf = [](SavedGame g) {
    std::vector<uint8_t> file = zox::encodeSavedGame(g).value();
    SavedGame r;
    SavedGameReader reader(file);
    int result = reader.readHead(r);
    return result != zox::kLoaded ? result : reader.readBody(r);
  };
  SavedGame g = sampleGame();
  g.colours[4] = 16;
  EXPECT_EQ(resultOf(g), zox::kLoadError);
  g = sampleGame();
  g.statusLines = 16;
  EXPECT_EQ(resultOf(g), zox::kLoadError);
  g = sampleGame();
  g.currentRoom = 0x10000;
  EXPECT_EQ(resultOf(g), zox::kLoadError);
  EXPECT_EQ(resultOf(sampleGame()), zox::kLoaded);
  // A text the scrambling cannot hold is not written at all.
  g = sampleGame();
  g.roomInfo = "caf\xE9";
  EXPECT_FALSE(zox::encodeSavedGame(g).has_value());
}

TEST(ExecutorSavedGameFile, ListingLines) {
  const struct {
    const char* what;
    std::optional<std::string> start;
    std::string line;
  } cases[] = {
      {"no file", std::nullopt, "empty\n"},
      {"five bytes", std::string("ZOXSA"), "read error\n"},
      {"other magic", std::string("ZOXKV\x91\tx\n"), "this is not a saved game\n"},
      {"nothing after magic", std::string("ZOXSAV"), "read error\n"},
      {"0xFF after magic", std::string("ZOXSAV\xFF"), "read error\n"},
      {"no tab", std::string("ZOXSAV desc\n"), "incorrect version\n"},
      {"nothing after tab", std::string("ZOXSAV\t"), "read error\n"},
      {"0x00 description", std::string("ZOXSAV\t\0abc\n", 12), "no description found\n"},
      {"empty description", std::string("ZOXSAV\t\n\x05"), "\n"},
      {"description", std::string("ZOXSAV\tBy the well\n\x11\x22"), "By the well\n"},
      {"line without newline", "ZOXSAV\t" + std::string(80, 'a'), std::string(74, 'a') + "\n"},
      {"0x00 inside", std::string("ZOXSAV\tab\0cd\n", 13), "ab\n"},
      {"umlauts kept",
       std::string("ZOXSAV\tK\xFC"
                   "che\n"),
       "K\xFC"
       "che\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zox::slotListingLine(c.start), c.line) << c.what;
  }
}

// ---- Writing a slot file ----

// The real system calls with one of them failing.
enum class Fail { kNothing, kShortWrites, kOpen, kWriteHalf, kFsync, kClose, kRename };
Fail failing = Fail::kNothing;

zox::SlotFileSystem failingFs() {
  zox::SlotFileSystem fs = zox::realSlotFileSystem();
  fs.open = [](const char* p, int f, mode_t m) {
    if (failing == Fail::kOpen) return errno = EACCES, -1;
    return ::open(p, f, m);
  };
  fs.write = [](int fd, const void* b, size_t n) -> ssize_t {
    if (failing == Fail::kShortWrites) return ::write(fd, b, n < 100 ? n : 100);
    if (failing != Fail::kWriteHalf) return ::write(fd, b, n);
    static bool half = true;
    half = !half;
    if (half || n < 2) return errno = ENOSPC, -1;  // the disk is full after half of it
    return ::write(fd, b, n / 2);
  };
  fs.fsync = [](int fd) {
    if (failing == Fail::kFsync) return errno = EIO, -1;
    return ::fsync(fd);
  };
  fs.close = [](int fd) {
    int r = ::close(fd);
    if (failing == Fail::kClose) return errno = EIO, -1;
    return r;
  };
  fs.rename = [](const char* a, const char* b) {
    if (failing == Fail::kRename) return errno = EXDEV, -1;
    return ::rename(a, b);
  };
  return fs;
}

TEST(ExecutorSlotFile, AFailedWriteKeepsTheOldSlotAndLeavesNothingBehind) {
  const std::vector<uint8_t> newGame = zox::encodeSavedGame(sampleGame()).value();
  const std::string oldGame = "ZOXSAV\tthe old game\n and its bytes";
  const zox::SlotFileSystem fs = failingFs();
  for (Fail f : {Fail::kOpen, Fail::kWriteHalf, Fail::kFsync, Fail::kClose, Fail::kRename}) {
    SCOPED_TRACE(static_cast<int>(f));
    TempDir dir;
    dir.write("adv.sa3", oldGame);
    failing = f;
    EXPECT_EQ(zox::writeSlotFile(dir.file("adv.sa3"), newGame, fs), 1);
    EXPECT_EQ(readFile(dir.file("adv.sa3")), oldGame);
    EXPECT_FALSE(dir.exists("adv.sa3.new"));
    // No slot file appears where there was none.
    EXPECT_EQ(zox::writeSlotFile(dir.file("adv.sa4"), newGame, fs), 1);
    EXPECT_FALSE(dir.exists("adv.sa4"));
    EXPECT_FALSE(dir.exists("adv.sa4.new"));
  }
  failing = Fail::kNothing;
}

TEST(ExecutorSlotFile, AWriteReplacesTheSlotWhole) {
  const std::vector<uint8_t> newGame = zox::encodeSavedGame(sampleGame()).value();
  TempDir dir;
  dir.write("adv.sa0", "old");
  dir.write("adv.sa0.new", "left over by a killed run");
  failing = Fail::kNothing;
  ASSERT_EQ(zox::writeSlotFile(dir.file("adv.sa0"), newGame, failingFs()), 0);
  EXPECT_EQ(readFile(dir.file("adv.sa0")), std::string(newGame.begin(), newGame.end()));
  EXPECT_FALSE(dir.exists("adv.sa0.new"));
  // Short writes go on where they stopped.
  failing = Fail::kShortWrites;
  ASSERT_EQ(zox::writeSlotFile(dir.file("adv.sa1"), newGame, failingFs()), 0);
  EXPECT_EQ(readFile(dir.file("adv.sa1")), readFile(dir.file("adv.sa0")));
  failing = Fail::kNothing;
}

TEST(ExecutorSlotFile, ReadsOnlyPlainFiles) {
  TempDir dir;
  std::string bytes;
  EXPECT_EQ(zox::readSlotFile(dir.file("none.sa0"), bytes), zox::SlotRead::kCannotOpen);
  ASSERT_EQ(mkfifo(dir.file("pipe.sa1").c_str(), 0600), 0);
  EXPECT_EQ(zox::readSlotFile(dir.file("pipe.sa1"), bytes), zox::SlotRead::kCannotOpen);
  EXPECT_EQ(zox::readSlotFile(dir.path(), bytes), zox::SlotRead::kCannotOpen);
  dir.write("a.sa2", std::string(100, 'z'));
  EXPECT_EQ(zox::readSlotFile(dir.file("a.sa2"), bytes, 81), zox::SlotRead::kOk);
  EXPECT_EQ(bytes.size(), 81u);
  EXPECT_EQ(zox::readSlotFile(dir.file("a.sa2"), bytes), zox::SlotRead::kOk);
  EXPECT_EQ(bytes.size(), 100u);
}

}  // namespace
}  // namespace zoxtest
