// The slot files on disk: reading one whole or its first bytes (plain files only, so that a
// pipe or a device never blocks the game), and writing one so that the slot's earlier game is
// never lost: the bytes go to a temporary file beside the slot, are flushed to the disk, and
// only then is the temporary file renamed over the slot.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace zox {

// The system calls of the writer. Tests replace single ones to make them fail.
struct SlotFileSystem {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* bytes, size_t n);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};
// The real ones.
const SlotFileSystem& realSlotFileSystem();

// Writes bytes as the slot file: 0, or 1 when any step failed. On failure the slot file is as
// it was before and the temporary file is gone again.
int writeSlotFile(const std::string& slotPath, std::span<const uint8_t> bytes,
                  const SlotFileSystem& fs = realSlotFileSystem());

// The name of the temporary file beside the slot.
std::string slotTemporaryName(const std::string& slotPath);

// Whether anything of that name exists (a file, a directory, a dangling link).
bool slotFileExists(const std::string& slotPath);

// Opens a plain file for reading as a stream; nothing for a pipe, a device or a directory.
std::FILE* openPlainStream(const std::string& path);

enum class SlotRead { kOk, kCannotOpen, kReadFailed, kTooLarge, kNoMemory };

// Reads a plain file whole (at most kMaxSlotFileBytes) or its first `limit` bytes.
SlotRead readSlotFile(const std::string& slotPath, std::string& bytes,
                      std::optional<size_t> limit = std::nullopt);

}  // namespace zox
