// Opening the source, naming and creating the output, and reading the source line by line
// with the reading position that "/", one-line IFs, colon clauses and look-aheads move.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "compiler/internal.h"
#include "format/adventure_file.h"

namespace zox {

namespace {

constexpr std::string_view kCompiledExtension = ".zox";

// The whole source is held in memory: a larger one is refused as "no memory" before it is
// read (65,535 rooms of a kilobyte each still fit).
constexpr size_t kLargestSource = size_t{64} << 20;

// Opens a plain file for reading. A directory, pipe or device is no source: a pipe would block
// the open and a device such as /dev/zero never ends.
std::FILE* openPlainFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "r");
  if (f == nullptr) ::close(fd);
  return f;
}

// Reads one line of at most kLineChars characters from the source at *pos into buffer. The
// newline that ends it is kept; a newline right after kLineChars characters still belongs to
// that line, so only a longer line is read as several. *length gets the characters read.
bool readLineAt(const std::string& source, size_t* pos, char* buffer, size_t* lineStart,
                size_t* length = nullptr) {
  if (*pos >= source.size()) {
    buffer[0] = '\0';
    return false;
  }
  *lineStart = *pos;
  size_t p = *pos;
  size_t n = std::min(source.size() - p, static_cast<size_t>(kLineChars));
  const char* at = source.data() + p;
  if (const void* nl = std::memchr(at, '\n', n)) {
    n = static_cast<size_t>(static_cast<const char*>(nl) - at) + 1;
  }
  std::memcpy(buffer, at, n);
  p += n;
  if (n == static_cast<size_t>(kLineChars) && buffer[n - 1] != '\n' && p < source.size() &&
      source[p] == '\n') {
    buffer[n++] = source[p++];
  }
  buffer[n] = '\0';
  *pos = p;
  if (length) *length = n;
  return true;
}

bool isSkipped(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r';
}

char lowerAscii(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
}

// The index of the first byte from `from` on that is not ASCII, or the size: sources are
// mostly ASCII, so eight bytes are tested at a time.
size_t nextNonAscii(std::string_view bytes, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  size_t i = from;
  for (uint64_t eight; i + 8 <= bytes.size(); i += 8) {
    std::memcpy(&eight, bytes.data() + i, 8);
    if (eight & kHighBits) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

Compiler::Compiler() = default;

Compiler::~Compiler() {
  closeFiles(*this);
}

void closeFiles(Compiler& c) {
  if (c.sourceFile) {
    std::fclose(c.sourceFile);
    c.sourceFile = nullptr;
  }
  if (c.output) {
    // After a fatal error the output stays as far as it was stored.
    flushOutput(c);
    std::fclose(c.output);
    c.output = nullptr;
  }
  if (c.outputCreated && !c.keepOutput) {
    std::remove(c.outputPath.c_str());
    c.outputCreated = false;
  }
}

void foldUtf8(std::string& text) {
  // The folded text is never longer, so it is written over the text as it is read.
  std::string& out = text;
  std::string_view bytes = text;
  size_t i = 0;
  size_t o = 0;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  for (; i < bytes.size(); ++i) {
    // The ASCII run up to the next other byte stays as it is, moved down by what was folded.
    size_t run = nextNonAscii(bytes, i);
    if (o != i) std::memmove(out.data() + o, bytes.data() + i, run - i);
    o += run - i;
    i = run;
    if (i == bytes.size()) break;
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if ((b == 0xC2 || b == 0xC3) && i + 1 < bytes.size()) {
      unsigned char next = static_cast<unsigned char>(bytes[i + 1]);
      if (next >= 0x80 && next <= 0xBF) {
        out[o++] = static_cast<char>(((b & 0x03) << 6) | (next & 0x3F));
        ++i;
        continue;
      }
    }
    out[o++] = static_cast<char>(b);
  }
  out.resize(o);
}

int outputNameFor(std::string_view path, std::string* outputPath) {
  // The last "." of the path, not counting one in first position.
  size_t dot = std::string_view::npos;
  for (size_t i = path.size(); i-- > 1;) {
    if (path[i] == '.') {
      dot = i;
      break;
    }
  }
  std::string_view extension = dot == std::string_view::npos ? path : path.substr(dot);
  if (extension.size() == kCompiledExtension.size()) {
    bool same = true;
    for (size_t i = 0; i < extension.size(); ++i) {
      if (lowerAscii(extension[i]) != kCompiledExtension[i]) same = false;
    }
    if (same) return kErrCompiledExtension;
  }
  try {
    *outputPath = std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
    *outputPath += kCompiledExtension;
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  return 0;
}

int openSource(Compiler& c, const std::string& path) {
  c.sourceFile = openPlainFile(path);
  if (!c.sourceFile) return kErrOpen;

  std::string outputPath;
  if (int r = outputNameFor(path, &outputPath)) return r;
  c.outputPath = std::move(outputPath);

  // The whole source is read at once: the reading position then moves back and forth (after
  // a "/", a THEN, a colon, a look-ahead) without seeking in the file.
  try {
    c.source.clear();
    struct stat st {};
    if (fstat(fileno(c.sourceFile), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      if (static_cast<unsigned long long>(st.st_size) > kLargestSource) return kErrNoMemory;
      c.source.reserve(static_cast<size_t>(st.st_size));
    }
    char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, c.sourceFile)) > 0) {
      c.source.append(chunk, n);
      if (c.source.size() > kLargestSource) return kErrNoMemory;  // grew while being read
    }
    if (std::ferror(c.sourceFile)) return kErrIo;
    foldUtf8(c.source);
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  c.readPos = 0;
  if (!readNextLine(c)) return kErrIo;

  const char* header = c.lineBuffer.data();
  if (parseHeaderLine(header, &c.title, &c.part, &c.partCount) != 0) return kErrHeader;
  if (c.part > 1) c.outputPath.back() = static_cast<char>(c.part + 46);

  try {
    c.roomPositions.assign(kMaxRooms + 1, 0);
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }

  // A stop signal between creating the file and marking it created would leave the file
  // behind: hold the signals back until both have happened.
  sigset_t stops, before;
  sigemptyset(&stops);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) sigaddset(&stops, sig);
  sigprocmask(SIG_BLOCK, &stops, &before);
  c.output = std::fopen(c.outputPath.c_str(), "w+b");
  if (c.output) c.outputCreated = true;
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (!c.output) return kErrCreate;

  std::vector<uint8_t> head =
      encodeHeader(c.title, static_cast<uint8_t>(c.part), static_cast<uint8_t>(c.partCount));
  if (std::fwrite(head.data(), 1, head.size(), c.output) != head.size()) return kErrIo;
  c.outputPos = static_cast<uint32_t>(head.size());
  c.codeEndField = c.outputPos;
  if (int r = emitU32(c, 0)) return r;

  readNextLine(c);
  return 0;
}

bool readNextLine(Compiler& c) {
  c.lineAhead = nullptr;
  if (AheadLines* ahead = c.ahead.get(); ahead && ahead->taken < ahead->count) {
    const AheadLine& l = ahead->lines[ahead->taken];
    if (l.start == c.readPos) {
      // Read, classified and prepared by the look-ahead already: compileLine takes it as it is.
      ++ahead->taken;
      std::memcpy(c.lineBuffer.data(), l.buffer.data(), l.length + 1);
      c.lineOffset = l.start;
      c.readPos = l.end;
      c.lineAhead = &l;
      c.haveLine = true;
      return true;
    }
    // The reading went elsewhere (a one-line IF, a colon clause): the kept lines are not next.
    ahead->count = ahead->taken = 0;
  }
  c.haveLine = readLineAt(c.source, &c.readPos, c.lineBuffer.data(), &c.lineOffset);
  return c.haveLine;
}

bool reReadFrom(Compiler& c, const char* p) {
  const char* begin = c.lineBuffer.data();
  if (!c.haveLine || p <= begin || p > begin + std::strlen(begin)) return false;
  c.readPos = c.lineOffset + static_cast<size_t>(p - begin);
  return true;
}

ReadPosition readingPosition(const Compiler& c) {
  return ReadPosition{c.readPos};
}

void setReadingPosition(Compiler& c, ReadPosition pos) {
  c.readPos = std::min(pos.offset, c.source.size());
}

const AheadLine* readAheadLine(Compiler& c) {
  if (!c.ahead) {
    c.ahead.reset(new (std::nothrow) AheadLines);
    if (!c.ahead) return nullptr;
  }
  AheadLines& ahead = *c.ahead;
  // The kept lines run on from one to the next; a look-ahead that starts elsewhere, or after
  // the driver has taken them all, starts them afresh.
  if (ahead.taken == ahead.count ||
      (ahead.count > 0 && ahead.lines[ahead.count - 1].next != c.readPos)) {
    ahead.count = ahead.taken = 0;
  }
  const bool kept = ahead.count < AheadLines::kLines;
  AheadLine& out = kept ? ahead.lines[ahead.count] : ahead.spare;
  if (!readLineAt(c.source, &c.readPos, out.buffer.data(), &out.start, &out.length)) {
    return nullptr;
  }
  out.end = c.readPos;
  char* line = out.buffer.data();
  while (isSkipped(*line)) ++line;
  out.line = line;
  out.code = kTokRem;
  out.number = 0;
  out.consumed = 0;
  out.complete = true;
  out.scan.quoteCount = 0;
  if (*line != '\0' && *line != '\n') {
    out.code = classify(line, &out.number, &out.consumed);
    if (out.code != kTokRem) {
      size_t resume = 0;
      if (prepareLine(line, &resume, &out.scan) == kLineSplit) {
        out.complete = false;
        c.readPos = out.start + static_cast<size_t>(line - out.buffer.data()) + resume;
      }
    }
  }
  out.next = c.readPos;
  if (kept) ++ahead.count;
  return &out;
}

}  // namespace zox
