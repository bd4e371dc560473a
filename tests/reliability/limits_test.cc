// Resource limits: a compiled file of the largest legal size (every offset is 32 bits, so
// 4 GiB less one byte) and a source of 65,535 rooms, each within a stated memory figure
// (docs/testing.md). Each runs in a child process whose peak memory is measured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "child.h"
#include "console/console.h"
#include "executor/engine.h"
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

}  // namespace
}  // namespace zoxtest
