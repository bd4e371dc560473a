// The output rule and the error list: every statement byte is summed, and written only while
// no error has been recorded.
#include <algorithm>
#include <new>

#include "compiler/internal.h"
#include "format/bytes.h"
#include "format/text_key.h"

namespace zox {

namespace {

// Stored bytes go to the file in pieces of this size. A GO TO to a room defined up to this
// far below it gets its target before its bytes are written. The buffer is used again and
// again, so a small one costs few first touches of its pages (several microseconds each).
constexpr size_t kOutputBufferBytes = size_t{128} << 10;

// The offsets of the format are 32 bits: no byte is stored at 0xFFFFFFFF or beyond.
void setBufferRoom(Compiler& c) {
  const size_t toLimit = UINT32_MAX - (c.outputPos - c.buffered);
  c.bufferRoom = std::min(kOutputBufferBytes, toLimit);
}

// Room for n more bytes in the buffer: 0, or 5 when the output cannot take them.
int makeRoom(Compiler& c, size_t n) {
  if (!c.outputBuffer) {
    c.outputBuffer.reset(new (std::nothrow) uint8_t[kOutputBufferBytes]);
    if (!c.outputBuffer) return kErrIo;
    setBufferRoom(c);
  }
  if (c.bufferRoom - c.buffered >= n) return 0;
  if (int r = flushOutput(c)) return r;
  return c.bufferRoom >= n ? 0 : kErrIo;
}

// Stores bytes that have been summed already, or must not be summed.
int storeBytes(Compiler& c, const uint8_t* bytes, size_t n) {
  if (!c.errors.empty()) return 0;
  while (n > 0) {
    if (int r = makeRoom(c, 1)) return r;
    const size_t part = std::min(n, c.bufferRoom - c.buffered);
    uint8_t* to = c.outputBuffer.get() + c.buffered;
    for (size_t i = 0; i < part; ++i) to[i] = bytes[i];  // mostly an operand of 2 or 4 bytes
    c.buffered += part;
    c.outputPos += static_cast<uint32_t>(part);
    bytes += part;
    n -= part;
  }
  return 0;
}

// Texts are scrambled straight into the buffer, checked and summed on the way.
int emitScrambled(Compiler& c, std::string_view latin1, size_t keyPos) {
  if (!c.errors.empty() || latin1.size() > kLineBufferSize) {
    // Nothing is written any more, or a text longer than a line (never one of the source):
    // checked first, then scrambled a piece at a time.
    if (firstRefused(latin1) != std::string_view::npos) return kErrBadCharacter;
    c.textKeyPos = keyPos + latin1.size();
    uint8_t piece[kLineBufferSize];
    for (size_t done = 0; done < latin1.size(); done += sizeof piece) {
      std::string_view part = latin1.substr(done, sizeof piece);
      scrambleTo(part, keyPos + done, piece);
      if (int r = emitBytes(c, piece, part.size())) return r;
    }
    return 0;
  }
  if (c.bufferRoom - c.buffered < latin1.size()) {
    if (int r = makeRoom(c, latin1.size())) return r;
  }
  uint32_t sum = c.checksum;
  if (!scrambleSummed(latin1, keyPos, c.outputBuffer.get() + c.buffered, &sum)) {
    return kErrBadCharacter;
  }
  c.checksum = sum;
  c.buffered += latin1.size();
  c.outputPos += static_cast<uint32_t>(latin1.size());
  c.textKeyPos = keyPos + latin1.size();
  return 0;
}

// Writes the jump target into a slot that is still in the buffer, counting it.
void patchBuffered(Compiler& c, const JumpSlot& jump, uint32_t target) {
  storeU32(c.outputBuffer.get() + (jump.offset - (c.outputPos - c.buffered)), target);
  c.checksum = sum32Of(target, c.checksum);
}

}  // namespace

int flushOutput(Compiler& c) {
  if (!c.errors.empty() || c.buffered == 0) return 0;
  const uint32_t start = c.outputPos - static_cast<uint32_t>(c.buffered);
  // The jumps in the buffer are the last ones recorded: those whose rooms are defined by now
  // get their targets before their bytes leave.
  size_t first = c.jumps.size();
  while (first > 0 && c.jumps[first - 1].offset >= start) --first;
  size_t kept = first;
  for (size_t i = first; i < c.jumps.size(); ++i) {
    const JumpSlot& jump = c.jumps[i];
    if (const uint32_t target = c.roomPositions[jump.room]; target != 0) {
      patchBuffered(c, jump, target);
    } else {
      c.jumps[kept++] = jump;
    }
  }
  c.jumps.resize(kept);
  if (!c.output || std::fwrite(c.outputBuffer.get(), 1, c.buffered, c.output) != c.buffered) {
    return kErrIo;
  }
  c.buffered = 0;
  setBufferRoom(c);
  return 0;
}

int resolveJumpSlots(Compiler& c) {
  if (!c.errors.empty()) return 0;
  const uint32_t start = c.outputPos - static_cast<uint32_t>(c.buffered);
  bool patchedFile = false;
  for (const JumpSlot& jump : c.jumps) {
    if (jump.room > static_cast<uint32_t>(kMaxRooms - 1)) return kErrIo;
    const uint32_t target = c.roomPositions[jump.room];
    if (jump.offset >= start) {
      patchBuffered(c, jump, target);
      continue;
    }
    // Written already: the target goes into the file.
    uint8_t bytes[4];
    storeU32(bytes, target);
    if (std::fseek(c.output, static_cast<long>(jump.offset), SEEK_SET) != 0 ||
        std::fwrite(bytes, 1, 4, c.output) != 4) {
      return kErrIo;
    }
    c.checksum = sum32Of(target, c.checksum);
    patchedFile = true;
  }
  c.jumps.clear();
  if (patchedFile && std::fseek(c.output, static_cast<long>(start), SEEK_SET) != 0) return kErrIo;
  return 0;
}

int emitByteAfterWrite(Compiler& c, uint8_t byte) {
  if (int r = makeRoom(c, 1)) return r;
  c.outputBuffer[c.buffered++] = byte;
  ++c.outputPos;
  return 0;
}

int emitBytes(Compiler& c, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) c.checksum += bytes[i];
  return storeBytes(c, bytes, n);
}

int emitU16(Compiler& c, uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return emitBytes(c, bytes, sizeof bytes);
}

int emitU32(Compiler& c, uint32_t value) {
  uint8_t bytes[4];
  storeU32(bytes, value);
  return emitBytes(c, bytes, sizeof bytes);
}

int emitText(Compiler& c, std::string_view latin1) {
  return emitScrambled(c, latin1, 0);
}

int emitTextContinued(Compiler& c, std::string_view latin1) {
  return emitScrambled(c, latin1, c.textKeyPos);
}

int emitGoSlot(Compiler& c, uint32_t roomSlot) {
  if (c.errors.empty()) {
    try {
      c.jumps.push_back(JumpSlot{c.outputPos, roomSlot});
    } catch (const std::bad_alloc&) {
      return kErrIo;
    }
  }
  uint8_t bytes[4];
  storeU32(bytes, roomSlot);
  return storeBytes(c, bytes, sizeof bytes);
}

int storePendingNewLine(Compiler& c) {
  if (!c.pendingNewLine || c.lastTextLineLength == 80) return 0;
  c.pendingNewLine = false;
  return emitByte(c, 0xC0);
}

void recordError(Compiler& c, int number, unsigned line, std::optional<std::string_view> text) {
  ErrorList& list = c.errors;
  if (list.full()) return;
  RecordedError& e = list.entries[list.count];
  e.number = number;
  e.line = line;
  e.excerpt.clear();
  if (text) {
    std::string_view t = *text;
    size_t n = 0;
    while (n < t.size() && n < static_cast<size_t>(kExcerptChars) && t[n] != '\n' && t[n] != '\0') {
      ++n;
    }
    bool goesOn = n < t.size() && t[n] != '\n' && t[n] != '\0';
    if (goesOn) {
      e.excerpt.assign(t.substr(0, kExcerptChars - 4));
      e.excerpt += " ...";
    } else {
      e.excerpt.assign(t.substr(0, n));
    }
  }
  ++list.count;
}

bool tooManyErrors(const Compiler& c) {
  return c.errors.full();
}

}  // namespace zox
