// zoxdump: prints a compiled adventure file in readable form, for authors and for tests.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/dump.h"

namespace {

constexpr const char* kUsage =
    "usage: zoxdump <file.zox>\n"
    "\n"
    "Prints a compiled adventure file: its header, its code one statement per line\n"
    "(offset, statement, operands, texts unscrambled, GO TO targets as offsets) and its\n"
    "resource blocks with their checks. A damaged file is listed as far as it can be read,\n"
    "and the exit status is the number of the fault found (0 for a sound file).\n";

// Larger files are not adventures; refusing them keeps a mistaken argument from eating memory.
constexpr long long kLargestFile = 1LL << 30;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  const char* path = argv[1];
  struct stat st;
  if (stat(path, &st) != 0) {
    std::fprintf(stderr, "zoxdump: %s: %s\n", path, std::strerror(errno));
    return 3;
  }
  if (S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "zoxdump: %s: is a directory\n", path);
    return 3;
  }
  if (st.st_size > kLargestFile) {
    std::fprintf(stderr, "zoxdump: %s: too large for a compiled adventure file\n", path);
    return 8;
  }
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::fprintf(stderr, "zoxdump: %s: %s\n", path, std::strerror(errno));
    return 3;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
  bool readFailed = std::ferror(f);
  std::fclose(f);
  if (readFailed) {
    std::fprintf(stderr, "zoxdump: %s: read error\n", path);
    return 5;
  }
  zox::DumpResult r = zox::dumpAdventure(bytes);
  std::fputs(r.text.c_str(), stdout);
  if (r.error != 0) {
    std::fprintf(stderr, "zoxdump: %s: error %02d: %s\n", path, r.error, r.problem.c_str());
  }
  return r.error;
}
