// Resource limits: a compiled file of the largest legal size (every offset is 32 bits, so
// 4 GiB less one byte), a source of 65,535 rooms and a saved game as large as a slot file may
// be, each within a stated memory figure (docs/testing.md). Each runs in a child process whose
// peak memory is measured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "child.h"
#include "compiled_example.h"
#include "console/console.h"
#include "executor/engine.h"
#include "executor/saved_game_file.h"
#include "fake_console.h"
#include "format/adventure_file.h"
#include "format/bytes.h"
#include "screen.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZOX_MEMORY_MEASURED 0  // the sanitizer's shadow memory would be counted too
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOX_MEMORY_MEASURED 0
#endif
#endif
#ifndef ZOX_MEMORY_MEASURED
#define ZOX_MEMORY_MEASURED 1
#endif

namespace zoxtest {
namespace {

// The memory figures of docs/testing.md, peak resident memory of the whole process.
constexpr long kLargestFileCheckKb = 16 * 1024;  // the executor's start on a 4 GiB file
constexpr long kManyRoomsCompileKb = 64 * 1024;  // zoxcomp on 65,535 rooms
constexpr long kManyRoomsPlayKb = 16 * 1024;     // the executor's start on its output
constexpr long kLargestSaveKb = 256 * 1024;      // a load of a slot file of 64 MiB

void expectWithin(const ChildResult& r, long figureKb, const char* what) {
  std::printf("%s: peak %ld KiB (figure %ld KiB)\n", what, r.maxRssKb, figureKb);
  if (ZOX_MEMORY_MEASURED) {
    EXPECT_LT(r.maxRssKb, figureKb) << what;
  }
}

// open, test, initialise, start with the stand-in console; the first error or 0.
int startUp(const std::string& path) {
  fakeScreen().reset();
  zox::Console console;
  zox::zoxexec engine(&console);
  engine.setStartPause(std::chrono::milliseconds(0));
  int r = engine.open(path);
  if (r == 0) r = engine.test();
  if (r == 0) r = engine.initialise();
  if (r == 0) r = engine.start();
  return r;
}

// A one-room adventure whose single resource block fills the file up to size bytes: the
// block's data is a hole of zeros (taking no disk space), whose checksum is 0.
std::string writeHugeFile(const TempDir& dir, const std::string& name, uint64_t size) {
  std::vector<uint8_t> code = {0xA0, 0xE2, 0, 0, 0, 0, 0, 0xA1, 1, 0, 0xA5, 0xB3, 0xFF};
  const uint32_t codeStart = zox::codeStartFor(4);
  const uint32_t blockAt = codeStart + uint32_t(code.size()) + 4;
  zox::storeU32(&code[2], blockAt);
  std::vector<uint8_t> file = zox::buildAdventureFile("Huge", 1, 1, code, {""});
  zox::storeU32(&file[blockAt + 4], uint32_t(size - blockAt - zox::kBlockHeaderBytes));
  const std::string path = dir.file(name);
  int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, file.data(), file.size()), ssize_t(file.size()));
  EXPECT_EQ(ftruncate(fd, off_t(size)), 0);
  close(fd);
  return path;
}

TEST(ReliabilityLimits, TheLargestLegalFileStartsWithinItsMemory) {
  if (!ZOX_MEMORY_MEASURED) {
    GTEST_SKIP() << "reads 8 GiB, which takes the sanitizer build a minute; the ordinary build "
                    "runs it";
  }
  TempDir dir;
  const uint64_t largest = zox::kLargestFileBytes;
  const std::string path = writeHugeFile(dir, "huge.zox", largest);
  ChildResult r = runForked([&] { return startUp(path); }, 600);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << "a file of " << largest << " bytes starts";
  expectWithin(r, kLargestFileCheckKb, "zoxexec start-up on a file of 4 GiB - 1");

  // One byte more and its block reaches past what a 32-bit offset can name.
  const std::string over = writeHugeFile(dir, "over.zox", largest + 1);
  r = runForked([&] { return startUp(over); }, 600);
  EXPECT_EQ(r.status, 8);

  // zoxdump holds what it lists in memory and refuses so large a file at once.
  r = runProgram({binPath("zoxdump"), path}, dir.path(), 60);
  EXPECT_EQ(r.status, 8) << r.out;
  EXPECT_LT(r.maxRssKb, 64 * 1024);
}

// A source of n rooms: each prints, counts and goes to the next; the last one quits.
std::string manyRooms(int n) {
  std::string s = "[ZOX \"Rooms\"]\n[INIT]\nVAR visits = 0\n";
  s.reserve(size_t(n) * 64);
  for (int i = 1; i <= n; ++i) {
    const std::string r = std::to_string(i);
    s += "[ROOM r" + r + "]\nPRINT \"Room " + r + "\"\nvisits += 1\n";
    s += i < n ? "GO TO [ROOM r" + std::to_string(i + 1) + "]\n" : "QUIT\n";
  }
  return s;
}

TEST(ReliabilityLimits, SixtyFiveThousandRoomsCompileAndStartWithinTheirMemory) {
  TempDir dir;
  dir.write("rooms.adv", manyRooms(65535));
  ChildResult r = runProgram({binPath("zoxcomp"), "rooms.adv"}, dir.path(), 600);
  EXPECT_EQ(r.status, 0) << r.out;
  expectWithin(r, kManyRoomsCompileKb, "zoxcomp on 65,535 rooms");
  ASSERT_TRUE(dir.exists("rooms.zox"));
  std::printf("65,535 rooms: source %ju bytes, compiled file %ju bytes\n",
              std::uintmax_t(std::filesystem::file_size(dir.file("rooms.adv"))),
              std::uintmax_t(std::filesystem::file_size(dir.file("rooms.zox"))));

  r = runForked([&] { return startUp(dir.file("rooms.zox")); }, 600);
  EXPECT_EQ(r.status, 0);
  expectWithin(r, kManyRoomsPlayKb, "zoxexec start-up on 65,535 rooms");

  // One room more is refused by the compiler with its limit, and leaves no file.
  dir.write("more.adv", manyRooms(65536));
  r = runProgram({binPath("zoxcomp"), "more.adv"}, dir.path(), 600);
  EXPECT_NE(r.status, 0) << r.out;
  EXPECT_FALSE(dir.exists("more.zox"));
}

// Starts the example at zox (answers reset, 'y' to the question before a load) and loads the
// slot file: the load result, 99 when the example does not start, or what check makes of the
// loaded engine (0 when it holds).
template <typename Check>
int loadIntoExample(const std::string& zox, const std::string& slot, Check check) {
  fakeScreen().reset();
  fakeScreen().keys.assign({'y'});
  zox::Console console;
  zox::zoxexec engine(&console);
  engine.setStartPause(std::chrono::milliseconds(0));
  if (engine.open(zox) || engine.test() || engine.initialise() || engine.start()) return 99;
  const int r = engine.loadGame(slot);
  return r != zox::kLoaded ? r : check(engine);
}

// Every text of a saved game of the example made as long as the slot file's limit allows: the
// texts are what a load holds in memory twice over (the file and the game taken from it).
TEST(ReliabilityLimits, ASavedGameWithEveryTextAtItsLongestLoadsWithinItsMemory) {
  TempDir dir;
  ASSERT_FALSE(compiledExample().partOne.empty());
  dir.write("big.zox", compiledExample().partOne);
  dir.write("big.zo0", compiledExample().partTwo);
  fakeScreen().reset();
  {
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    ASSERT_EQ(engine.open(dir.file("big.zox")), 0);
    ASSERT_EQ(engine.test(), 0);
    ASSERT_EQ(engine.initialise(), 0);
    ASSERT_EQ(engine.start(), 0);
    ASSERT_EQ(engine.saveGame(dir.file("big.sa0"), "an ordinary save"), 0);
  }
  // Made in a scope of its own: what the test holds when it forks counts in the child's figure.
  size_t each = 0;
  {
    const std::string saved = dir.read("big.sa0");
    zox::SavedGame game;
    zox::SavedGameReader reader(
        {reinterpret_cast<const uint8_t*>(saved.data()), saved.size()});
    ASSERT_EQ(reader.readHead(game), zox::kLoaded);
    ASSERT_EQ(reader.readBody(game), zox::kLoaded);

    std::vector<zox::Text*> texts = {&game.title, &game.choicePrompt, &game.commandPrompt,
                                     &game.numberPrompt, &game.roomInfo};
    for (auto& t : game.messages) texts.push_back(&t);
    for (auto& t : game.initTexts) texts.push_back(&t);
    for (auto& t : game.snapshot) texts.push_back(&t);
    each = (zox::kMaxSlotFileBytes - saved.size()) / texts.size() - 1;
    for (size_t i = 0; i < texts.size(); ++i) {
      *texts[i] = std::string(each, char('a' + i % 26));
    }
    game.description = std::string(zox::kDescriptionChars, 'd');
    std::optional<std::vector<uint8_t>> bytes = zox::encodeSavedGame(game);
    ASSERT_TRUE(bytes);
    ASSERT_LE(bytes->size(), zox::kMaxSlotFileBytes);
    ASSERT_GT(bytes->size(), zox::kMaxSlotFileBytes - 64 * 1024);
    dir.write("big.sa1", std::string(bytes->begin(), bytes->end()));
    std::printf("saved game: %zu texts of %zu characters, %zu bytes\n", texts.size(), each,
                bytes->size());
  }

  ChildResult r = runForked(
      [&] {
        return loadIntoExample(dir.file("big.zox"), dir.file("big.sa1"),
                               [&](const zox::zoxexec& e) {
                                 return e.title() == std::string(each, 'a') ? 0 : 98;
                               });
      },
      600);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << "0 is loaded, else a load result; 98 the title is not the saved one";
  expectWithin(r, kLargestSaveKb, "zoxexec loading a saved game of 64 MiB");

  // One byte more than the limit is refused before it is read (load result 5).
  std::filesystem::copy_file(dir.file("big.sa1"), dir.file("big.sa2"));
  std::filesystem::resize_file(dir.file("big.sa2"), zox::kMaxSlotFileBytes + 1);
  r = runForked(
      [&] {
        return loadIntoExample(dir.file("big.zox"), dir.file("big.sa2"),
                               [](const zox::zoxexec&) { return 97; });
      },
      600);
  EXPECT_EQ(r.status, zox::kLoadNoMemory);
  expectWithin(r, kLargestSaveKb, "zoxexec refusing a slot file over 64 MiB");
}

}  // namespace
}  // namespace zoxtest
