// zoxdump: prints a compiled adventure file in readable form, for authors and for tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    "and the exit status is the number of the fault found (0 for a sound file).\n"
    "Only plain files up to 1 GiB are listed.\n";

// The whole file is held in memory for the listing: larger files are refused, so that a
// mistaken argument cannot eat the memory. The read stops there whatever the file claims.
constexpr size_t kLargestFile = size_t{1} << 30;

constexpr int kErrCannotOpen = 3;
constexpr int kErrRead = 5;
constexpr int kErrCorrupt = 8;

// Opens a plain file for reading: a directory, a pipe or a device is refused (a pipe would
// block the open, a device like /dev/zero has no end).
int openPlainFile(const char* path) {
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = 0;
    return -2;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// Reads the file up to kLargestFile + 1 bytes. 0, or the error number.
int readCapped(int fd, std::vector<uint8_t>& bytes) {
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    if (static_cast<unsigned long long>(st.st_size) > kLargestFile) return kErrCorrupt;
    bytes.reserve(static_cast<size_t>(st.st_size));
  }
  uint8_t buf[65536];
  for (;;) {
    size_t room = kLargestFile + 1 - bytes.size();
    ssize_t got = ::read(fd, buf, room < sizeof buf ? room : sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return kErrRead;
    if (got == 0) return 0;
    bytes.insert(bytes.end(), buf, buf + got);
    if (bytes.size() > kLargestFile) return kErrCorrupt;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  const char* path = argv[1];
  int fd = openPlainFile(path);
  if (fd == -2) {
    std::fprintf(stderr, "zoxdump: %s: not a plain file\n", path);
    return kErrCannotOpen;
  }
  if (fd < 0) {
    std::fprintf(stderr, "zoxdump: %s: %s\n", path, std::strerror(errno));
    return kErrCannotOpen;
  }
  std::vector<uint8_t> bytes;
  int r = readCapped(fd, bytes);
  ::close(fd);
  if (r == kErrCorrupt) {
    std::fprintf(stderr, "zoxdump: %s: too large for a compiled adventure file\n", path);
    return r;
  }
  if (r != 0) {
    std::fprintf(stderr, "zoxdump: %s: read error\n", path);
    return r;
  }
  zox::DumpResult d = zox::dumpAdventure(bytes);
  std::fputs(d.text.c_str(), stdout);
  if (d.error != 0) {
    std::fprintf(stderr, "zoxdump: %s: error %02d: %s\n", path, d.error, d.problem.c_str());
  }
  return d.error;
}
