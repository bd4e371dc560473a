// What the programs refuse to read: anything but a plain file, a file beyond its size limit, a
// compiled file whose resource block is missing. Never a hang, never memory without bound.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "child.h"
#include "compiler/driver.h"
#include "format/adventure_file.h"
#include "screen.h"

namespace zoxtest {
namespace {

// Makes dir/name a thing of the given kind; the name is what the program is given.
void make(const TempDir& dir, const std::string& name, const std::string& kind) {
  const std::string path = dir.file(name);
  if (kind == "fifo") {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  } else if (kind == "directory") {
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  } else {
    ASSERT_EQ(symlink(kind.c_str(), path.c_str()), 0);  // a device
  }
}

TEST(ReliabilityRefusals, OnlyPlainFilesAreRead) {
  const struct {
    const char* program;
    const char* name;
    const char* kind;
    int status;
  } cases[] = {
      {"zoxdump", "pipe.zox", "fifo", 3},           {"zoxdump", "zero.zox", "/dev/zero", 3},
      {"zoxdump", "null.zox", "/dev/null", 3},      {"zoxdump", "folder.zox", "directory", 3},
      {"zoxcomp", "pipe.adv", "fifo", 4},           {"zoxcomp", "zero.adv", "/dev/zero", 4},
      {"zoxcomp", "random.adv", "/dev/urandom", 4}, {"zoxcomp", "folder.adv", "directory", 4},
  };
  for (const auto& c : cases) {
    TempDir dir;
    make(dir, c.name, c.kind);
    // A pipe without a writer would block an ordinary open; /dev/zero never ends.
    ChildResult r = runProgram({binPath(c.program), c.name}, dir.path(), 30);
    EXPECT_FALSE(r.timedOut) << c.program << " " << c.kind;
    EXPECT_EQ(r.status, c.status) << c.program << " " << c.kind << "\n" << r.out;
    EXPECT_LT(r.maxRssKb, 100 * 1024) << c.program << " " << c.kind;
    if (std::string(c.program) == "zoxcomp") {
      const std::string name = c.name;
      EXPECT_FALSE(dir.exists(name.substr(0, name.find('.')) + ".zox"))
          << "output left: " << c.kind;
    }
  }
}

TEST(ReliabilityRefusals, AResourceThatIsADeviceOrAFolderIsRefused) {
  for (const char* resource : {"/dev/zero", "/dev/urandom", "/tmp"}) {
    TempDir dir;
    dir.write("story.adv", std::string("[ZOX \"Res\"]\n[INIT]\nRESOURCE r = \"") + resource +
                               "\" : ANSITEXT\n[ROOM a]\nLOAD r\nQUIT\n");
    ChildResult r = runProgram({binPath("zoxcomp"), "story.adv"}, dir.path(), 60);
    EXPECT_EQ(r.status, 4) << resource << "\n" << r.out;
    EXPECT_FALSE(dir.exists("story.zox")) << resource;
  }
}

TEST(ReliabilityRefusals, SizeLimitsHoldWhateverTheFileHolds) {
  constexpr off_t kSourceLimit = off_t{64} << 20;  // zoxcomp
  constexpr off_t kDumpLimit = off_t{1} << 30;     // zoxdump
  const struct {
    const char* program;
    const char* name;
    off_t size;
    int status;
  } cases[] = {
      // At the limit the source is read (and then refused for its header line of zeros).
      {"zoxcomp", "limit.adv", kSourceLimit, 11},
      {"zoxcomp", "over.adv", kSourceLimit + 1, 2},
      {"zoxdump", "over.zox", kDumpLimit + 1, 8},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = dir.file(c.name);
    int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, c.size), 0);  // a hole: no disk space taken
    close(fd);
    ChildResult r = runProgram({binPath(c.program), c.name}, dir.path(), 60);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out;
    if (std::string(c.program) == "zoxcomp") {
      EXPECT_FALSE(dir.exists("limit.zox") || dir.exists("over.zox")) << "output left: " << c.name;
    }
    // What is over the limit is refused before it is read.
    if (c.status != 11) {
      EXPECT_LT(r.maxRssKb, 100 * 1024) << c.name;
    }
  }
}

TEST(ReliabilityRefusals, AFileCutWhereItsResourceBlockBeginsIsRefusedByTheDump) {
  TempDir dir;
  dir.write("logo.ans", "\x1b[31mLOGO\x1b[0m\n");
  dir.write("story.adv", "[ZOX \"Cut\"]\n[INIT]\nRESOURCE logo = \"" + dir.file("logo.ans") +
                             "\" : ANSITEXT\n[ROOM a]\nLOAD logo\nQUIT\n");
  zox::CompileOutcome out = zox::compileSourceFile(dir.file("story.adv"));
  ASSERT_EQ(out.status, 0) << out.report;
  std::FILE* f = std::fopen(out.outputPath.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  zox::AdventureIdentity identity;
  zox::FileHeader header;
  ASSERT_EQ(zox::checkAdventureFile(f, identity, &header), 0);
  std::fclose(f);
  ASSERT_EQ(header.blocks.size(), 1u);
  ASSERT_EQ(truncate(out.outputPath.c_str(), header.blocks[0].offset), 0);

  ChildResult r = runProgram({binPath("zoxdump"), out.outputPath}, dir.path(), 30);
  EXPECT_EQ(r.status, 8) << r.out;
  EXPECT_NE(r.out.find("blocks      0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("names no resource block"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace zoxtest
