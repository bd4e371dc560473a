// After the last line: the GO TO pass writes the room offsets into the jumps, the resource
// pass appends each resource file as a block, and the finish writes the code end and checksum.
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <new>

#include "compiler/internal.h"
#include "format/bytes.h"

namespace zox {

namespace {

constexpr size_t kCopyBufferBytes = 32767;

bool writeU32At(std::FILE* f, uint32_t offset, uint32_t value) {
  uint8_t bytes[4];
  storeU32(bytes, value);
  return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fwrite(bytes, 1, 4, f) == 4;
}

}  // namespace

int resolveJumps(Compiler& c) {
  for (int slot = 0; slot < c.rooms.count() && slot < kMaxRooms; ++slot) {
    if (c.roomPositions[static_cast<size_t>(slot)] == 0) {
      recordError(c, kErrUndefinedRoom, 0, c.rooms.name(slot));
    }
  }
  if (!c.errors.empty()) return kSourceDone;

  // The jumps were recorded as they were stored; most got their targets when their bytes were
  // written, the rest get them now. The end marker is the last byte stored.
  if (int r = resolveJumpSlots(c)) return r;
  c.codeEnd = c.outputPos;
  if (int r = emitU32(c, 0)) return r;  // the place of the code checksum
  if (int r = flushOutput(c)) return r;
  c.checksumTotal = c.checksum;
  return 0;
}

int storeResource(Compiler& c) {
  if (c.resourceIndex >= c.resourceCount) return kSourceDone;
  const ResourceEntry& res = c.resourceEntries[static_cast<size_t>(c.resourceIndex)];
  std::FILE* in = std::fopen(res.path.c_str(), "rb");
  if (!in) return kErrOpen;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(in, std::fclose);
  // The compiled file itself as a resource would grow while it is copied into itself.
  struct stat resStat {
  }, outStat{};
  if (fstat(fileno(in), &resStat) == 0 && fstat(fileno(c.output), &outStat) == 0 &&
      resStat.st_dev == outStat.st_dev && resStat.st_ino == outStat.st_ino) {
    return kErrOpen;
  }
  // A device (/dev/zero, say) or a directory is no resource: the one never ends, the other
  // cannot be read.
  if (fstat(fileno(in), &resStat) != 0 || S_ISCHR(resStat.st_mode) || S_ISBLK(resStat.st_mode) ||
      S_ISDIR(resStat.st_mode)) {
    return kErrOpen;
  }

  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kCopyBufferBytes]);
  if (!buffer) return kErrNoMemory;

  const uint32_t blockStart = outputOffset(c);
  c.checksum = 0;  // the running sum is now the block's
  for (int i = 0; i < 8; ++i) {
    if (emitByte(c, 0)) return kErrIo;
  }
  uint64_t length = 0;
  size_t n;
  while ((n = std::fread(buffer.get(), 1, kCopyBufferBytes, in)) > 0) {
    length += n;
    if (length > UINT32_MAX - blockStart) return kErrIo;
    if (emitBytes(c, buffer.get(), n)) return kErrIo;
  }
  if (std::ferror(in)) return kErrIo;
  if (flushOutput(c)) return kErrIo;

  if (!writeU32At(c.output, res.placeholder, blockStart)) return kErrIo;
  c.checksumTotal = sum32Of(blockStart, c.checksumTotal);
  if (!writeU32At(c.output, blockStart, c.checksum)) return kErrIo;
  uint8_t len[4];
  storeU32(len, static_cast<uint32_t>(length));
  if (std::fwrite(len, 1, 4, c.output) != 4) return kErrIo;
  if (std::fseek(c.output, static_cast<long>(c.outputPos), SEEK_SET) != 0) return kErrIo;

  if (std::fclose(closer.release()) != 0) return kErrIo;
  ++c.resourceIndex;
  return 0;
}

int finishOutput(Compiler& c) {
  if (flushOutput(c) != 0) return kErrIo;
  if (!writeU32At(c.output, c.codeEndField, c.codeEnd) ||
      !writeU32At(c.output, c.codeEnd, c.checksumTotal)) {
    return kErrIo;
  }
  // What is left of an earlier compiled file after the end is cut off (a device stays as it is).
  struct stat st {};
  if (std::fflush(c.output) != 0 || fstat(fileno(c.output), &st) != 0 ||
      (S_ISREG(st.st_mode) && ftruncate(fileno(c.output), c.outputPos) != 0)) {
    return kErrIo;
  }
  int closed = std::fclose(c.output);
  c.output = nullptr;
  if (closed != 0) return kErrClose;
  c.keepOutput = true;
  return 0;
}

}  // namespace zox
