// The output rule and the error list: every statement byte is summed, and written only while
// no error has been recorded.
#include <new>

#include "compiler/compiler.h"
#include "format/bytes.h"
#include "format/text_key.h"

namespace zox {

namespace {

// The line pass collects the code area in memory and writes it in pieces of this size.
constexpr size_t kFlushBytes = 1 << 16;

int flushCode(Compiler& c) {
  size_t pending = c.code.size() - c.flushed;
  if (pending == 0) return 0;
  if (!c.output || std::fwrite(c.code.data() + c.flushed, 1, pending, c.output) != pending) {
    return kErrIo;
  }
  c.flushed = c.code.size();
  return 0;
}

// Writes a byte that has been summed already (or must not be summed).
int writeByte(Compiler& c, uint8_t byte) {
  if (!c.errors.empty()) return 0;
  if (c.outputPos == UINT32_MAX) return kErrIo;  // offsets are 32 bits
  if (c.mirroring) {
    try {
      c.code.push_back(byte);
    } catch (const std::bad_alloc&) {
      return kErrIo;
    }
    ++c.outputPos;
    if (c.code.size() - c.flushed >= kFlushBytes) return flushCode(c);
    return 0;
  }
  if (!c.output || std::fputc(byte, c.output) == EOF) return kErrIo;
  ++c.outputPos;
  return 0;
}

// The same as writeByte for each byte, in one go while the line pass collects the code area.
int writeBytes(Compiler& c, const uint8_t* bytes, size_t n) {
  if (!c.errors.empty()) return 0;
  if (!c.mirroring || c.outputPos > UINT32_MAX - n) {
    for (size_t i = 0; i < n; ++i) {
      if (int r = writeByte(c, bytes[i])) return r;
    }
    return 0;
  }
  try {
    c.code.insert(c.code.end(), bytes, bytes + n);
  } catch (const std::bad_alloc&) {
    return kErrIo;
  }
  c.outputPos += static_cast<uint32_t>(n);
  if (c.code.size() - c.flushed >= kFlushBytes) return flushCode(c);
  return 0;
}

// The same as emitByte for each byte.
int emitBytes(Compiler& c, const uint8_t* bytes, size_t n) {
  if (!c.mirroring || !c.errors.empty() || c.outputPos > UINT32_MAX - n) {
    for (size_t i = 0; i < n; ++i) {
      if (int r = emitByte(c, bytes[i])) return r;  // summed as far as written
    }
    return 0;
  }
  for (size_t i = 0; i < n; ++i) c.checksum += bytes[i];
  return writeBytes(c, bytes, n);
}

int emitScrambled(Compiler& c, std::string_view latin1, size_t keyPos) {
  if (firstRefused(latin1) != std::string_view::npos) return kErrBadCharacter;
  c.textKeyPos = keyPos + latin1.size();
  // Scrambled a piece at a time into a buffer of our own: no string per text.
  uint8_t piece[kLineBufferSize];
  for (size_t done = 0; done < latin1.size(); done += sizeof piece) {
    std::string_view part = latin1.substr(done, sizeof piece);
    scrambleTo(part, keyPos + done, piece);
    if (int r = emitBytes(c, piece, part.size())) return r;
  }
  return 0;
}

}  // namespace

int flushCodeArea(Compiler& c) {
  return c.errors.empty() ? flushCode(c) : 0;
}

int emitByte(Compiler& c, uint8_t byte) {
  c.checksum += byte;
  return writeByte(c, byte);
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
  uint8_t bytes[4];
  storeU32(bytes, roomSlot);
  return writeBytes(c, bytes, sizeof bytes);
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
