// zoxdump on sound and damaged files: what an author sees, and never a crash.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <random>
#include <string>

#include "screen.h"

namespace {

struct DumpRun {
  int status;
  std::string out;
};

// Runs zoxdump on a file and collects its standard output and exit status.
DumpRun dump(const std::string& path) {
  std::string cmd = zoxtest::binPath("zoxdump") + " '" + path + "' 2>&1";
  DumpRun r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

const std::string kOneRoom("ZOXKV\x91\x09\x00\x01\x01\x13\x00\x00\x00\xA1\x01\x00\xB3\xFF\x54\x02\x00\x00",
                           23);

TEST(Dump, ListsTheOneRoomFileAsHeaderAndThreeStatements) {
  zoxtest::TempDir dir;
  dir.write("one.zox", kOneRoom);
  DumpRun r = dump(dir.file("one.zox"));
  EXPECT_EQ(r.status, 0) << r.out;
  for (const char* line : {"version     145", "name        \"\"", "part        1 of 1",
                           "code        0000000e..00000013 (5 bytes)",
                           "checksum    00000254 (ok)", "0000000e  ROOM 1\n",
                           "00000011  QUIT\n", "00000012  END-OF-CODE\n", "blocks      0"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
}

TEST(Dump, NamesTheFaultOfADamagedFile) {
  struct Case {
    const char* what;
    std::string bytes;
    int status;
    const char* says;
  } cases[] = {
      {"empty", "", 6, "error 06"},
      {"random", "\x13\x99garbage\x01\x02", 8, "not a compiled adventure file"},
      {"checksum", kOneRoom.substr(0, 17) + "\xB4" + kOneRoom.substr(18), 8, "checksum"},
      {"truncated code", kOneRoom.substr(0, 16), 5, "error 05"},
      {"version", kOneRoom.substr(0, 5) + "\x9A" + kOneRoom.substr(6), 9, "version"},
  };
  zoxtest::TempDir dir;
  for (const Case& c : cases) {
    dir.write("bad.zox", c.bytes);
    DumpRun r = dump(dir.file("bad.zox"));
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << "\n" << r.out;
  }
}

TEST(Dump, RefusesMissingFilesAndDirectories) {
  zoxtest::TempDir dir;
  EXPECT_EQ(dump(dir.file("none.zox")).status, 3);
  EXPECT_EQ(dump(dir.path()).status, 3);
}

TEST(Dump, SurvivesRandomBytesBehindASoundHeader) {
  // Sound header and checksum over random code: the listing stops at the first bad statement.
  std::mt19937 rng(12345);
  zoxtest::TempDir dir;
  for (int round = 0; round < 40; ++round) {
    std::string code;
    int len = 1 + static_cast<int>(rng() % 300);
    for (int i = 0; i < len; ++i) code.push_back(static_cast<char>(rng() % 256));
    uint32_t sum = 0;
    for (char c : code) sum += static_cast<uint8_t>(c);
    std::string file("ZOXKV\x91\x09\x00\x01\x01", 10);
    uint32_t end = 14 + static_cast<uint32_t>(code.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>(end >> (8 * i)));
    file += code;
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>(sum >> (8 * i)));
    dir.write("r.zox", file);
    DumpRun r = dump(dir.file("r.zox"));
    EXPECT_TRUE(r.status == 0 || r.status == 20) << r.status << "\n" << r.out;
  }
}

}  // namespace
