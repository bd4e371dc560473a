// Slot files on disk: plain-file reads and the write through a temporary file.
#include "executor/slot_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "executor/saved_game_file.h"

namespace zox {
namespace {

int sysOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

// The directory of a path, for flushing the rename to the disk.
std::string directoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Opens a plain file for reading without blocking on a pipe; -1 for anything else.
int openPlainForReading(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace

const SlotFileSystem& realSlotFileSystem() {
  static const SlotFileSystem fs = {sysOpen, ::write, ::fsync, ::close, ::rename, ::unlink};
  return fs;
}

std::string slotTemporaryName(const std::string& slotPath) {
  return slotPath + ".new";
}

bool slotFileExists(const std::string& slotPath) {
  struct stat st;
  return ::lstat(slotPath.c_str(), &st) == 0;
}

int writeSlotFile(const std::string& slotPath, std::span<const uint8_t> bytes,
                  const SlotFileSystem& fs) {
  std::string temporary;
  try {
    temporary = slotTemporaryName(slotPath);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  // A temporary file left by a run that was killed half-way is ours to replace.
  int fd = fs.open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return 1;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = fs.write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = false;  // a full disk, a file size limit, an input/output error
    }
  }
  if (ok && fs.fsync(fd) != 0) ok = false;
  if (fs.close(fd) != 0) ok = false;
  if (ok && fs.rename(temporary.c_str(), slotPath.c_str()) != 0) ok = false;
  if (!ok) {
    fs.unlink(temporary.c_str());
    return 1;
  }
  // The rename itself reaches the disk with the directory; a failure here loses nothing that
  // the file system has not already promised.
  int dir = ::open(directoryOf(slotPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

std::FILE* openPlainStream(const std::string& path) {
  int fd = openPlainForReading(path);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

SlotRead readSlotFile(const std::string& slotPath, std::string& bytes,
                      std::optional<size_t> limit) {
  bytes.clear();
  int fd = openPlainForReading(slotPath);
  if (fd < 0) return SlotRead::kCannotOpen;
  const size_t most = limit ? *limit : kMaxSlotFileBytes;
  SlotRead result = SlotRead::kOk;
  try {
    char chunk[8192];
    for (;;) {
      const size_t want = limit ? std::min(sizeof chunk, most - bytes.size()) : sizeof chunk;
      if (want == 0) break;
      ssize_t n = ::read(fd, chunk, want);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = SlotRead::kReadFailed;
        break;
      }
      if (n == 0) break;
      if (!limit && bytes.size() + static_cast<size_t>(n) > most) {
        result = SlotRead::kTooLarge;
        break;
      }
      bytes.append(chunk, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    result = SlotRead::kNoMemory;
  }
  ::close(fd);
  return result;
}

}  // namespace zox
